// The session-script parser: any text parses into statements or stops with
// a ScriptError naming its line.
#include <cstdint>
#include <string_view>

#include "hosts/cli/script.hpp"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    auto statements = tovrak::hosts::parse_script(text);
    for (const auto& st : statements) {
      for (const auto& v : st.args) (void)tovrak::hosts::format_value(v);
    }
  } catch (const tovrak::hosts::ScriptError& e) {
    if (e.line() < 1) __builtin_trap();
  }
  return 0;
}
