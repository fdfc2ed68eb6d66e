// Real-time waiting for the tests over real descriptors: the Linux
// apartment processes messages until a condition holds or a deadline passes.
#pragma once

#include <chrono>
#include <functional>

#include "tovrak/posix_apartment.hpp"

namespace tovrak::test {

// Whether `done` holds, after running `apt` until it does or `deadline` passed.
inline bool run_until(platform::PosixApartment& apt, std::chrono::milliseconds deadline,
                      const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + deadline;
  while (!done() && std::chrono::steady_clock::now() < end)
    apt.run_for(std::chrono::milliseconds(5));
  return done();
}

}  // namespace tovrak::test
