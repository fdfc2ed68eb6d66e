// Short session scripts run in virtual time against the simulated radio:
// whatever the statements, every call either runs or fails as a call, and
// nothing crashes, hangs or grows without bound. Each wait is held to a few
// seconds of virtual time so that one input stays fast.
#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string_view>

#include "hosts/cli/script.hpp"
#include "hosts/cli/virtual_script_platform.hpp"
#include "hosts/sim/sim_link.hpp"

namespace {
constexpr size_t kLongestInput = 4096;
constexpr size_t kMostStatements = 48;
constexpr double kLongestWaitMs = 3000;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > kLongestInput) return 0;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<tovrak::hosts::Statement> script;
  try {
    script = tovrak::hosts::parse_script(text);
  } catch (const tovrak::hosts::ScriptError&) {
    return 0;
  }
  if (script.size() > kMostStatements) script.resize(kMostStatements);
  for (auto& st : script) {
    if (st.kind == tovrak::hosts::Statement::Kind::Wait) {
      st.number = std::min(st.number, kLongestWaitMs);
    }
  }
  tovrak::platform::VirtualApartment apt;
  tovrak::sim::SimRadio radio({}, apt.now_us());
  auto link = tovrak::sim::attach(radio, apt);
  tovrak::hosts::VirtualScriptPlatform platform(apt, &link);
  std::ostringstream out;
  try {
    tovrak::hosts::run_script(script, platform, out);
  } catch (const tovrak::hosts::ScriptError& e) {
    if (e.line() < 1) __builtin_trap();
  }
  return 0;
}
