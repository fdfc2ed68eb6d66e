// Routines that go on after a run-time error (SendCAT, ReadBuffer and the
// decoders): each step that fails is skipped, its target keeping its value,
// and the routine continues with its next step. The event handlers of the
// port and timers run whole as one step: a failure ends the handler, and the
// apartment goes on.
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
