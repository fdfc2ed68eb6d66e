// The help texts of the members, by name: the one line a member's help
// shows (the COM type library's help strings, the `help` of the command
// line). A property's text serves its get, let and set alike. Line breaks
// are written as the two escapes \r\n, as the interface description has
// them.
#include <algorithm>

#include "tovrak/dispatch.hpp"

namespace tovrak {

namespace {

using Entry = std::pair<std::string_view, std::string_view>;

// Made on first use, so that tables built during start-up can read it.
const std::vector<Entry>& table() {
  static const std::vector<Entry> kHelp = {
      {"About", "Information about the DLL"},
      {"AFLevel", "Audio Level (0-255)"},
      {"AGC", "Automatic Gain Control Status (AGC)"},
      {"Antenna", "Antenna selector"},
      {"Att", "Attenuator status"},
      {"AutoNF", "Auto Notch Filter (ON/OFF)"},
      {"AutoPolling", "True by default"},
      {"BKIn", "Break In status"},
      {"CAT", "CAT System status"},
      {"CHLabel", "Label for the current channel"},
      {"Channel", "Current selected channel"},
      {"ChannelMax", "Last selectable channel"},
      {"ChannelMin", "First selectable channel"},
      {"Comp", "Speech Processor status"},
      {"CTCSS", "CTCSS Tone (Hz)"},
      {"DCS", "DCS Code"},
      {"Dec", "CTCSS/DCS Decoder status (0/1)"},
      {"DimLevel", "Dim/LCD Level (0:255)"},
      {"Dual", "Dual watch (Sub receiver ON)"},
      {"Enc", "CTCSS/DCS Encoder status (0/1)"},
      {"Fast", "Tuning Dial Step (Fast=1, Slow=0)"},
      {"Filter", "Current filter (0=Wide 1=Normal 2=Narrow)"},
      {"Freq", "Current frequency (MHz)"},
      {"HighCutFilter", "Preferences for High Cut Filter (Hz) (Filter, Mode)"},
      {"IFShift", "IFShift or PBT Setting (0-255)"},
      {"KeyerSpeed", "CW Keyer Speed"},
      {"LockDial", "Status of the Lock Dial function"},
      {"LowCutFilter", "Preferences for Low Cut Filter (Hz) (Filter, Mode)"},
      {"MemMode", "Memory Channel mode"},
      {"Mode", "Current Mode"},
      {"NB", "Noise Blanker status"},
      {"NF", "Notch Filter Status"},
      {"NR", "Noise Rediction status"},
      {"Pitch", "CW Pitch (Hz)"},
      {"Port", "Com port number"},
      {"PortDTR", "Com port DTREnable"},
      {"PortOpen", "Com port status (open/closed)"},
      {"PortRTS", "Com Port RTSEnabled"},
      {"PortSpeed", "Com Port Speed"},
      {"PowerON", "Power ON status (0=Off 1=On)"},
      {"PreAmp", "Preamplifier status"},
      {"Property",
       "Property indicates the supported functions.\\r\\n"
       "For each function SetXXX(Parameter...), a Property Index (PropIndex) is assigned.\\r\\n"
       "Property(PropIndex) indicates the maximum valid Parameter\\r\\n"
       "If Property(PropIndex) = 0, the protocol does not support SetXXX."},
      {"PTT", "Status for TX (1= ON AIR, 0= RECEIVE)"},
      {"Range", "Frequency Range (Binary)"},
      {"RangeMax", "Frequency Range (Max)"},
      {"RangeMin", "Frequency Range (Min)"},
      {"ReadBuffer", "Reserved"},
      {"Reverse", "Current Reverse mode (0/1)"},
      {"RFLevel", "Receiver RF Gain Level (0-255)"},
      {"RFPower", "RF Output Power (0-100)"},
      {"RITOffset", "RIT Offset (KHz) : -10.000 to +10.000"},
      {"RITStatus", "RIT Status"},
      {"RPT", "Current Repeater status (-1=-  0=None  1=+)"},
      {"SetData", "Reserved"},
      {"SetPolling",
       "Poll for status :\\r\\n0=RX Freq only\\r\\n1=Mode/Filter\\r\\n2=Status\\r\\n3=S-Meter\\r\\n"
       "SetPolling usually not required if AutoPolling=True (default) : the DLL manages the "
       "polling demending on the type of transceiver and protocol.\\r\\n"
       "See also :\\r\\n- Change event\\r\\n- SetCAT\\r\\n- Refresh\\r\\n- AutoPolling"},
      {"SetRefresh",
       "Refreshes all parameters.\\r\\n"
       "The DLL automatically refreshs all the paramaters when you set SetCAT ON. Once the DLL "
       "activates the communication, it also run a polling (if required)."},
      {"Shift", "Repeater Shift (Hz)"},
      {"SMeter", "Current S-Meter value (0-255)"},
      {"Split", "Split Status (0/1)"},
      {"SQLevel", "Squelch Level (0-255)"},
      {"StatusChange", "Change of the Status (any parameter excet current Frequency)"},
      {"Sub_Freq", "Sub Receiver Frequency (MHz)"},
      {"Sub_Mode", "Sub Receiver Mode"},
      {"Tuner", "Tuner Status (0/1)"},
      {"TuningStep", "Tuning Step (Hz)"},
      {"TX_Freq", "TX Frequency (MHz)"},
      {"TX_Mode", "TX Mode"},
      {"VFO", "Current active (RX) VFO"},
      {"VFOA_Freq", "VFO A Frequency (MHz)"},
      {"VFOA_Mode", "VFO A Mode"},
      {"VFOB_Freq", "VFO B Frequency (MHz)"},
      {"VFOB_Mode", "VFO B Mode"},
      {"Vox", "Vox Status"},
  };
  return kHelp;
}

}  // namespace

const std::vector<std::pair<std::string_view, std::string_view>>& MemberHelpTable() {
  return table();
}

std::string_view MemberHelp(std::string_view name) {
  const auto& t = table();
  auto it = std::find_if(t.begin(), t.end(), [&](const Entry& e) { return e.first == name; });
  return it == t.end() ? std::string_view() : it->second;
}

}  // namespace tovrak
