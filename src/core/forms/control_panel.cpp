#include "core/forms/control_panel.hpp"

#include <cmath>
#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "core/component/module.hpp"
#include "core/component/protocol.hpp"
#include "core/link/port_and_timers.hpp"
#include "tovrak/errors.hpp"

namespace tovrak {

using core::Module;

namespace {

constexpr std::array<int, ControlPanel::kRows> kLabelIndex = {0, 4, 1, 2, 3};
constexpr std::array<const char*, ControlPanel::kRows> kRowLabels = {
    "Delay between Polling Commands", "Delay between Control Commands", "Timer for polling",
    "Delay after Error (Polling)", "Delay after command (Polling)"};

// Reads text as a number under the user's locale: blanks around it, a sign,
// digits with the locale's decimal separator, an exponent. False when the
// text is not a number.
bool read_locale_number(const std::string& text, double& out) {
  size_t b = text.find_first_not_of(" \t");
  if (b == std::string::npos) return false;
  std::string t = text.substr(b, text.find_last_not_of(" \t") - b + 1);
  bool digit = false;
  for (char c : t) digit |= (c >= '0' && c <= '9');
  if (!digit || t.find_first_of("xXpP") != std::string::npos) return false;  // no hex forms
  char* end = nullptr;
  out = std::strtod(t.c_str(), &end);  // strtod follows the locale's decimal separator
  return end && *end == '\0' && std::isfinite(out);
}

}  // namespace

ControlPanel::ControlPanel(Module& module) : module_(module) {}

ControlPanel::~ControlPanel() {
  if (loaded) Unload();
}

const char* ControlPanel::RowLabel(int row) { return kRowLabels.at(static_cast<size_t>(row)); }
int ControlPanel::RowLabelIndex(int row) { return kLabelIndex.at(static_cast<size_t>(row)); }

void ControlPanel::Load() {
  // A window loads fresh: empty rows, Set buttons off, an empty log, "On top"
  // ticked.
  txtMS = {};
  cmdSetEnabled = {};
  txtInfo.clear();
  txtInfoCaret = 0;
  chkOnTop = 1;
  loaded = true;
  module_.panel.open = VTrue;
  module_.panel.loaded = this;
  SetTopMost(true);
  top = 0;
  left = 0;
  caption = "TOVRAK_DLL";  // the component's file name without extension
}

void ControlPanel::Unload() {
  loaded = false;
  module_.panel.open = VFalse;
  if (module_.panel.loaded == this) module_.panel.loaded = nullptr;
}

void ControlPanel::txtMS_Change(int row, const std::string& text) {
  auto i = static_cast<size_t>(row);
  txtMS.at(i) = text;
  cmdSetEnabled.at(i) = true;
}

void ControlPanel::cmdSet_Click(int row) {
  auto i = static_cast<size_t>(row);
  double value = 0;
  // Bad text, or a value the setting cannot take, leaves the setting as it
  // was; the button goes off in every case.
  try {
    const bool number = read_locale_number(txtMS.at(i), value);
    const double n = number ? std::floor(value) : 0.0;
    const bool delay_row = row != 2;
    const bool refused = delay_row && (n > kLongestDelayMs ||
                                       (n < 0 && negative_delays == NegativeDelays::kRefused));
    if (number && !refused) {
      switch (row) {
        case 0:
          module_.link.polling_delay = static_cast<float>(n / 1000.0);
          break;
        case 1:
          module_.link.command_delay = static_cast<float>(n / 1000.0);
          break;
        case 2:
          if (n >= INT32_MIN && n <= INT32_MAX) {
            module_.port_and_timers().SetPollingInterval(static_cast<int32_t>(n));
          }
          break;
        case 3:
          module_.link.error_delay = static_cast<float>(n / 1000.0);
          break;
        case 4:
          module_.link.after_command_delay = static_cast<float>(n / 1000.0);
          break;
        default:
          break;
      }
    }
  } catch (const ComError&) {
  }
  cmdSetEnabled.at(i) = false;
}

void ControlPanel::chkOnTop_Click(int value) {
  chkOnTop = value;
  if (value == 1) SetTopMost(true);
  if (value == 0) SetTopMost(false);
}

void ControlPanel::AppendInfo(const std::string& command) {
  txtInfo += command;
  txtInfo += "\r\n";
  // A long session keeps the latest lines only, as a text box would: from
  // the first line that starts in the latest half (the log ends with a line
  // end, so there is one).
  if (txtInfo.size() > kInfoLimit) {
    txtInfo.erase(0, txtInfo.find("\r\n", txtInfo.size() - kInfoLimit / 2) + 2);
  }
  txtInfoCaret = txtInfo.size();
  if (info_changed) info_changed();
}

void ControlPanel::SetTopMost(bool on_top) {
  topmost = on_top;
  if (set_top_most) set_top_most(on_top);
}

double ControlPanel::CurrentValueMs(int row) const {
  switch (row) {
    case 0:
      return module_.link.polling_delay * 1000.0;
    case 1:
      return module_.link.command_delay * 1000.0;
    case 2:
      return module_.port_and_timers_loaded() ? module_.port_and_timers().tmrPolling->interval()
                                              : 175.0;
    case 3:
      return module_.link.error_delay * 1000.0;
    case 4:
      return module_.link.after_command_delay * 1000.0;
    default:
      return 0.0;
  }
}

ControlPanel& ControlPanelOf(TOVRAK_Protocol& rig) {
  auto* component = dynamic_cast<core::Protocol*>(&rig);
  if (!component) throw std::invalid_argument("not a component of this library");
  return core::ControlPanelOf(component->m);
}

ControlPanel& ControlPanelOf(platform::Apartment& apartment) {
  return core::ControlPanelOf(*Module::of(apartment));
}

namespace core {

ControlPanel& ControlPanelOf(Module& module) {
  if (!module.panel.instance) module.panel.instance = std::make_unique<ControlPanel>(module);
  return *module.panel.instance;
}

}  // namespace core
}  // namespace tovrak
