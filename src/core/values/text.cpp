#include "core/values/text.hpp"

namespace tovrak::core {

namespace {

// One character of the text: its code point and how many bytes it takes. A
// byte that starts no well-formed sequence (a stray continuation byte, an
// overlong or cut-short form, a surrogate) is one character, read as Latin-1.
struct Char {
  char32_t cp;
  size_t len;
  bool utf8;
};

Char next_char(std::string_view t, size_t i) {
  const auto b = [&](size_t k) { return static_cast<unsigned char>(t[i + k]); };
  const unsigned char c = b(0);
  const Char single{c, 1, c < 0x80};
  size_t len = 0;
  if (c >= 0xC2 && c <= 0xDF) len = 2;
  if (c >= 0xE0 && c <= 0xEF) len = 3;
  if (c >= 0xF0 && c <= 0xF4) len = 4;
  if (len == 0 || i + len > t.size()) return single;
  char32_t cp = c & (0x7F >> len);
  for (size_t k = 1; k < len; ++k) {
    if ((b(k) & 0xC0) != 0x80) return single;
    cp = (cp << 6) | (b(k) & 0x3F);
  }
  const bool overlong = (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000);
  if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return single;
  return {cp, len, true};
}

char32_t upper(char32_t c) {
  if (c >= 'a' && c <= 'z') return c - 0x20;
  if (c == 0x131) return 'I';                                // dotless i
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 0x20;  // à..þ
  if (c == 0xFF) return 0x178;                               // ÿ
  if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c & ~char32_t{1};
  if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : c - 1;
  if (c == 0x3C2) return 0x3A3;  // final sigma
  if (c >= 0x3B1 && c <= 0x3C9) return c - 0x20;
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return c - 0x25;
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return c - 0x3F;
  if (c >= 0x430 && c <= 0x44F) return c - 0x20;
  if (c >= 0x450 && c <= 0x45F) return c - 0x50;
  return c;
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

}  // namespace

std::string UpperText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    Char ch = next_char(text, i);
    char32_t up = upper(ch.cp);
    if (ch.utf8) {
      append_utf8(out, up);
    } else {
      // A Latin-1 byte keeps its single-byte form.
      out.push_back(static_cast<char>(up <= 0xFF ? up : ch.cp));
    }
    i += ch.len;
  }
  return out;
}

std::string FirstChars(std::string_view text, size_t count) {
  size_t i = 0;
  for (size_t n = 0; n < count && i < text.size(); ++n) i += next_char(text, i).len;
  return std::string(text.substr(0, i));
}

}  // namespace tovrak::core
