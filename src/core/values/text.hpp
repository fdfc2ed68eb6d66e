// Text as the user typed it, in characters: strings hold UTF-8, and a byte
// that does not start a well-formed UTF-8 sequence counts as one character of
// its own, read as Latin-1 (so single-byte ANSI text works too).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tovrak::core {

// The text in capitals: every character that has a single capital letter
// (Latin, Greek, Cyrillic) becomes it; others stay as they are.
std::string UpperText(std::string_view text);

// The first `count` characters of the text, never part of a character.
std::string FirstChars(std::string_view text, size_t count);

}  // namespace tovrak::core
