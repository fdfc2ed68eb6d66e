// The help strings of the type library: the help texts of the member table.
#include "hosts/com/gen/comgen.hpp"
#include "tovrak/dispatch.hpp"

namespace tovrak::comgen {

const std::vector<std::pair<std::string_view, std::string_view>>& HelpTable() {
  return MemberHelpTable();
}

std::string_view HelpText(std::string_view member) { return MemberHelp(member); }

std::string_view ChangeHelpText() {
  return "Asynchronous transmission of a change :\\r\\nState=0 RX VFO\\r\\nState=1 Mode/Filter"
         "\\r\\nState=2 Status\\r\\nState=3 S-Meter\\r\\nSee also SetPolling";
}

}  // namespace tovrak::comgen
