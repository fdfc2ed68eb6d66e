// tovrak script: run a session script and print what happens.
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/script.hpp"
#include "hosts/cli/virtual_script_platform.hpp"

namespace tovrak::hosts {

namespace {

constexpr const char* kHelp = R"(usage: tovrak script --virtual FILE

Runs a session script against the component and prints, one line per
happening and in the order it happens, the bytes written to the port, the
results of the calls and the Change events. FILE "-" reads standard input.

  --virtual   run on the virtual platform: a virtual clock that starts at
              00:00:00 and moves only when the script waits, and a virtual
              serial line standing in for the radio

Statements, one per line; text after ' or # (outside a string) is ignored:
  Name = value            assign a property
  ? Name                  read a property
  ? Name(arg, ...)        read an indexed property, or a method's result
  Name                    call a method without arguments
  Name arg, arg, ...      call a method
Values: numbers (14.2, -5, 1000), strings in double quotes ("" for a quote
inside), True, False, Empty. Names are the member names of TOVRAK_Protocol.

Directives for the virtual radio:
  @radio "text"           the radio sends these bytes (they arrive when
                          messages are next processed)
  @wait N                 N milliseconds pass while messages are processed
                          (timer ticks, serial events)
  @clock S                the time of day becomes S seconds after midnight
  @failopen "text"        the next opening of the port fails with this text

Output:
  TX t text               bytes written to the port, terminator included; t
                          is the time in seconds since the script started
  EV t Change(n)          the Change event was raised with State n
  Name(args) -> result    a call, its arguments as they are after the call
  Name = value            a read
  ... !! code text        a call that failed; the script goes on

A script that cannot be read stops before it runs, with the line number and
what is wrong, and exit status 2.

Example:
  Port = 1
  SetPort True, "", "", ""
  SetCAT 1
  @radio "ID0570;"
  @wait 300
  ? Freq
)";

}  // namespace

int cmd_script(const Args& args) {
  bool virtual_mode = false;
  std::string file;
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      std::cout << kHelp;
      return 0;
    }
    if (a == "--virtual") {
      virtual_mode = true;
    } else if (file.empty() && (a == "-" || a.rfind("--", 0) != 0)) {
      file = a;
    } else {
      std::cerr << "tovrak script: unknown option " << a << "\n(tovrak script --help)\n";
      return 2;
    }
  }
  if (file.empty()) {
    std::cerr << "tovrak script: no script file given (tovrak script --help)\n";
    return 2;
  }
  if (!virtual_mode) {
    std::cerr << "tovrak script: say where to run the script: --virtual\n";
    return 2;
  }
  std::string text;
  if (file == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
      std::cerr << "tovrak script: cannot read " << file << '\n';
      return 2;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  try {
    auto script = parse_script(text);
    platform::VirtualApartment apt;
    VirtualScriptPlatform platform(apt);
    run_script(script, platform, std::cout);
  } catch (const ScriptError& e) {
    std::cout.flush();
    std::cerr << "tovrak script: " << (file == "-" ? "stdin" : file) << ": " << e.what() << '\n';
    return 2;
  }
  return 0;
}

}  // namespace tovrak::hosts
