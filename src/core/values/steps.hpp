// Routines that go on after a run-time error (SendCAT, ReadBuffer and the
// decoders): each step that fails is skipped, its target keeping its value,
// and the routine continues with its next step.
#pragma once

#include "tovrak/errors.hpp"

namespace tovrak::core {

template <class F>
void step(F&& f) {
  try {
    f();
  } catch (const ComError&) {
  }
}

}  // namespace tovrak::core
