#include "radio/digits.hpp"

#include <algorithm>

namespace tovrak::radio {

std::string ZeroPad(int64_t v, size_t width) {
  std::string t = std::to_string(v);
  if (t.size() < width) t.insert(0, width - t.size(), '0');
  return t;
}

std::string SignPad(int64_t v, size_t width) {
  std::string t(1, v < 0 ? '-' : '+');
  t += ZeroPad(v < 0 ? -v : v, width);
  return t;
}

bool IsDigits(std::string_view text) {
  return !text.empty() &&
         std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int64_t DigitsValue(std::string_view digits) {
  int64_t v = 0;
  for (char c : digits) v = v * 10 + (c - '0');
  return v;
}

std::string_view SkipBlanks(std::string_view text) {
  const size_t start = text.find_first_not_of(" \r\n\t");
  return start == std::string_view::npos ? std::string_view{} : text.substr(start);
}

}  // namespace tovrak::radio
