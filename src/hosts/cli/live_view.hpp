// The live screen of `tovrak demo` and `tovrak monitor`: what the component
// knows of the radio, the commands it writes and the events it raises, and
// the control panel that edits the timing of the link.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "tovrak/control_panel.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::hosts {

class LiveView {
 public:
  LiveView(TOVRAK_Protocol& rig, std::string title);

  // What happened, for the logs.
  void on_write(double t, std::string_view bytes);
  void on_event(double t, int16_t state);
  void note(double t, const std::string& line);

  // The screen as lines of text, at most `width` columns.
  std::string render(double t, int width, int height);
  // One line of state, for the plain log.
  std::string summary();

  // The control panel in the screen: opened and closed by a key; up/down
  // choose a row, digits edit it, Enter presses its Set button, t ticks
  // "On top".
  bool panel_open() const { return panel_ != nullptr; }
  void toggle_panel();
  // Feeds a key to the panel; false when the panel does not take it.
  bool panel_key(int key);

  uint64_t events(int16_t state) const { return counts_[state & 7]; }

 private:
  std::string vfo_line(char name, double mhz, int16_t mode, bool receiving, bool transmitting);
  void render_panel(std::string& out, int width);

  TOVRAK_Protocol& rig_;
  std::string title_;
  std::deque<std::string> commands_;
  std::deque<std::string> events_;
  std::deque<std::string> notes_;
  uint64_t counts_[8]{};
  ControlPanel* panel_ = nullptr;
  int panel_row_ = 0;
};

// Mode names of the interface's mode numbers.
const char* mode_name(int16_t mode);

}  // namespace tovrak::hosts
