// The fuzz targets' inputs as lines: each line one event of the target's.
#pragma once

#include <string_view>

namespace tovrak::fuzz {

// The next line of `input` (without its newline), taken off `input`.
inline std::string_view next_line(std::string_view& input) {
  const size_t end = input.find('\n');
  const std::string_view line = input.substr(0, end);
  input = end == input.npos ? std::string_view() : input.substr(end + 1);
  return line;
}

}  // namespace tovrak::fuzz
