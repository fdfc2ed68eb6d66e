// tovrak demo: a short session of the component on the virtual platform.
#include <iostream>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/script.hpp"
#include "hosts/cli/virtual_script_platform.hpp"

namespace tovrak::hosts {

namespace {

constexpr const char* kSession = R"(
? About
? Freq
? AutoPolling
? Property(16)
? AFLevel(1)
? AFLevel(2)
)";

}  // namespace

int cmd_demo(const Args& args) {
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << "usage: tovrak demo\n\nRuns a short session against the component on the "
                   "virtual platform and prints what it does.\n";
      return 0;
    }
  }
  platform::VirtualApartment apt;
  VirtualScriptPlatform platform(apt);
  std::cout << "tovrak demo: a session on the virtual platform\n";
  run_script(parse_script(kSession), platform, std::cout);
  return 0;
}

}  // namespace tovrak::hosts
