// What a refused call says, for tests that check its message.
#pragma once

#include <functional>
#include <string>

#include "tovrak/errors.hpp"

namespace tovrak::test {

// The description a call refuses with; "" when it goes through.
inline std::string error_of(const std::function<void()>& call) {
  try {
    call();
  } catch (const ComError& e) {
    return e.description();
  }
  return "";
}

// Whether `text` holds `part`; an empty part never counts as found.
inline bool has(const std::string& text, const std::string& part) {
  return !part.empty() && text.find(part) != std::string::npos;
}

}  // namespace tovrak::test
