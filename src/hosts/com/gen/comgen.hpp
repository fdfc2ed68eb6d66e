// The generator of the COM build's interface files. From the member table it
// writes the interface description language text of the type library and the
// C++ forwarding layer that turns each COM method into a call of the core, so
// neither is ever written by hand and the two cannot drift from the core.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tovrak::comgen {

// The fixed identifiers of the component.
struct Guids {
  static constexpr std::string_view kLibrary = "5ED9480B-A72D-48DE-B900-8005B28488FC";
  static constexpr std::string_view kProtocolInterface = "093C0089-85D3-4AA3-8558-44D52F38A80E";
  static constexpr std::string_view kEvents = "DF33CAB1-9152-4426-AF99-A6BE068692C8";
  static constexpr std::string_view kProtocolClass = "4785B8CE-6C5A-47ED-A06C-631B9A0B8AFF";
  static constexpr std::string_view kConnectorInterface = "204C5D80-32F9-4DF7-B822-CDEAA4902812";
  static constexpr std::string_view kConnectorClass = "0A54A2AC-BD24-4759-9D45-4FC52896DC82";
};

// The help string of a member of _TOVRAK_Protocol by name (empty when it has
// none). Line breaks are written as the two escapes \r\n, as they appear in
// the interface description; the build turns them into CR LF in the type
// library.
std::string_view HelpText(std::string_view member);
// Every named help string, for the check that each names a real member.
const std::vector<std::pair<std::string_view, std::string_view>>& HelpTable();
// The help text of the Change event.
std::string_view ChangeHelpText();

// The dispatch identifier of a member name: one per name, shared by the get,
// let and set of a property, numbered from 1 in slot order of first use.
int DispatchId(std::string_view member);

// The interface description of the type library TOVRAK_DLL.
std::string GenerateIdl();
// The body of the COM protocol object: one forwarding method per slot.
std::string GenerateForwarding();

// The generated files by name, as they are checked in.
struct GeneratedFile {
  std::string name;
  std::string text;
};
std::vector<GeneratedFile> GenerateAll();

}  // namespace tovrak::comgen
