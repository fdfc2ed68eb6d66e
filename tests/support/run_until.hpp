// Real-time waiting for the tests over real descriptors: the Linux
// apartment processes messages until a condition holds or a deadline passes;
// what a descriptor holds now.
#pragma once

#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>

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

// All that the non-blocking `fd` holds now.
inline std::string read_all(int fd) {
  std::string got;
  char buf[4096];
  for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
  return got;
}

}  // namespace tovrak::test
