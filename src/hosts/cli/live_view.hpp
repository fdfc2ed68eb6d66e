// The live screen of `tovrak demo` and `tovrak monitor`: what the component
// knows of the radio, the commands it writes and the events it raises, and
// the control panel that edits the timing of the link.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

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
  // The lines of one reply, shown at once: one longer than the reply area
  // from its first line, to be paged through.
  void reply(double t, const std::vector<std::string>& lines);
  // The radio's answers, shown beside the commands when tracing.
  void on_read(double t, std::string_view bytes);
  void set_trace(bool on) { trace_ = on; }
  // The health of the link, shown on the status line ("answering", ...).
  void set_link(std::string text) { link_ = std::move(text); }
  // The key hints on the last line, and the key that closes the panel.
  void set_hints(std::string hints, std::string panel_key) {
    hints_ = std::move(hints);
    panel_close_key_ = std::move(panel_key);
  }
  // Scrolls the replies back (positive) or forward by n lines; page() by n
  // reply areas (as last drawn).
  void scroll(int n);
  void page(int n) { scroll(n * std::max(1, reply_rows_ - 1)); }
  // The replies take the place of the wire (and back).
  void toggle_large_replies() { large_replies_ = !large_replies_; }

  // The screen as `height` lines of text, at most `width` columns: the
  // radio at the top, the wire or the panel, the replies, the key hints.
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

  // The events of one State seen so far.
  uint64_t events(change::State state) const { return counts_[state & 7]; }

 private:
  std::string vfo_line(char name, double mhz, int16_t mode, bool receiving, bool transmitting);
  // The setting lines below the S-meter: what the radio reported, "—" for
  // what it has not (yet).
  std::string levels_line(int row);
  // The replies as screen lines `width` columns wide, long ones wrapped.
  std::vector<std::string> reply_lines(int width) const;
  void heard(std::string_view bytes, bool answers);
  void render_panel(std::string& out, int width, int rows);

  TOVRAK_Protocol& rig_;
  std::string title_;
  std::deque<std::string> commands_;
  std::deque<std::string> events_;
  std::deque<std::string> notes_;
  size_t scroll_ = 0;   // screen lines back from the newest
  int width_ = 80;      // of the last render
  int reply_rows_ = 2;  // of the last render
  bool large_replies_ = false;
  std::string partial_[2];          // the unfinished text written, read
  std::set<std::string> reported_;  // "PC", "AG0": codes the radio reported or was set
  bool trace_ = false;
  std::string link_;
  std::string hints_ = " p panel   q quit";
  std::string panel_close_key_ = "p";
  uint64_t counts_[8]{};
  ControlPanel* panel_ = nullptr;
  int panel_row_ = 0;
};

// The S-meter reading (0-255) in S-units: "S5", "S9+20 dB".
std::string s_units(int16_t raw);
// The S-meter as a bar of 30 columns and its S-units: S9 at 120 and +60 dB
// at full scale, as the radio's meter is marked.
std::string s_meter_bar(int16_t raw);

// `text` in lines of at most `width` columns (characters, not bytes), broken
// at spaces where it can be; lines after the first start with `indent`.
std::vector<std::string> wrap(const std::string& text, int width, const std::string& indent);

// Mode names of the interface's mode numbers.
const char* mode_name(int16_t mode);

}  // namespace tovrak::hosts
