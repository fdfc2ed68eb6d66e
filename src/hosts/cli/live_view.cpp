#include "hosts/cli/live_view.hpp"

#include <cmath>
#include <cstdio>

#include "hosts/cli/script.hpp"
#include "radio/modes.hpp"
#include "radio/parse.hpp"

namespace tovrak::hosts {

namespace {

constexpr size_t kKeep = 8;

void keep(std::deque<std::string>& q, std::string s, size_t n = kKeep) {
  q.push_back(std::move(s));
  while (q.size() > n) q.pop_front();
}

std::string fmt(const char* f, auto... args) {
  char buf[256];
  std::snprintf(buf, sizeof buf, f, args...);
  return buf;
}

// 14.195 MHz as 14.195.000.
std::string dotted(double mhz) {
  auto hz = static_cast<long long>(std::llround(mhz * 1e6));
  return fmt("%4lld.%03lld.%03lld", hz / 1000000, (hz / 1000) % 1000, hz % 1000);
}

std::string on_off(int16_t v) { return v ? "on" : "off"; }

int16_t rx_level(TOVRAK_Protocol& rig, int16_t (TOVRAK_Protocol::*get)(Variant&), int r) {
  Variant v(static_cast<int16_t>(r));
  return (rig.*get)(v);
}

// Characters (not bytes) of UTF-8 text.
size_t columns(std::string_view s) {
  size_t n = 0;
  for (unsigned char c : s) n += (c & 0xC0) != 0x80;
  return n;
}

// The byte where the character `column` starts (the size when there is none).
size_t byte_of(std::string_view s, size_t column) {
  size_t i = 0;
  for (size_t n = 0; i < s.size(); ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && n++ == column) return i;
  }
  return i;
}

// A level folded with its switch: the level, or "off" while it is off.
std::string level_or_off(int16_t v) { return v >= 1000 ? "off" : std::to_string(v); }

constexpr const char* kUnknown = "\u2014";

}  // namespace

std::vector<std::string> wrap(const std::string& text, int width, const std::string& indent) {
  std::vector<std::string> out;
  const auto w = static_cast<size_t>(std::max(width, static_cast<int>(indent.size()) + 2));
  std::string rest = text;
  while (columns(rest) > w) {
    const size_t cut = byte_of(rest, w);
    size_t space = rest.rfind(' ', cut);
    const size_t floor = out.empty() ? 0 : indent.size();
    const bool at_space =
        space != std::string::npos && space > floor && rest.find_first_not_of(' ') < space;
    const size_t end = at_space ? space : cut;
    out.push_back(rest.substr(0, end));
    size_t next = rest.find_first_not_of(' ', end);
    rest = indent + (next == std::string::npos ? "" : rest.substr(next));
  }
  out.push_back(rest);
  return out;
}

std::string s_units(int16_t raw) {
  int s = std::clamp<int>(raw, 0, 255);
  if (s <= 120) return fmt("S%d", (s * 9 + 60) / 120);
  return fmt("S9+%d dB", ((s - 120) * 4 + 4) / 9);  // 60 dB over 135 steps, rounded
}

std::string s_meter_bar(int16_t raw) {
  int s = std::clamp<int>(raw, 0, 255);
  int bar = s * 30 / 255;
  std::string out = "[";
  out.append(static_cast<size_t>(bar), '#').append(static_cast<size_t>(30 - bar), '-');
  return out + "] " + s_units(raw);
}

// The names are the mode table's literals, so their text ends with a zero.
const char* mode_name(int16_t mode) { return radio::ModeName(mode).data(); }

LiveView::LiveView(TOVRAK_Protocol& rig, std::string title) : rig_(rig), title_(std::move(title)) {}

void LiveView::on_write(double t, std::string_view bytes) {
  keep(commands_, fmt("%7.2f  ", t) + format_bytes(bytes));
  heard(bytes, false);
}

// The codes of the settings written and of the answers read, as their
// texts are completed.
void LiveView::heard(std::string_view bytes, bool answers) {
  std::string& partial = partial_[answers ? 1 : 0];
  partial.append(bytes);
  for (size_t semi; (semi = partial.find(';')) != std::string::npos; partial.erase(0, semi + 1)) {
    const auto direction = answers ? radio::Direction::kAnswer : radio::Direction::kCommand;
    const auto parsed = radio::Parse(std::string_view(partial).substr(0, semi), direction, 0);
    if (!parsed || !(answers || parsed.message.use == radio::kSetting)) continue;
    const std::string code(parsed.message.command->code);
    reported_.insert(code);
    if (parsed.message.receiver >= 0)
      reported_.insert(code + std::to_string(parsed.message.receiver));
  }
  if (partial.size() > 256) partial.clear();  // no text of the radio's is that long
}

void LiveView::on_event(double t, int16_t state) {
  ++counts_[state & 7];
  keep(events_, fmt("%7.2f  Change(%d)", t, state));
}

namespace {
constexpr size_t kKeepReplies = 2000;
const std::string kReplyIndent(10, ' ');
}  // namespace

void LiveView::note(double t, const std::string& line) {
  keep(notes_, fmt("%7.2f  ", t) + line, kKeepReplies);
  // The lines looked at stay in place.
  if (scroll_ > 0) scroll_ += wrap(" " + notes_.back(), width_, kReplyIndent).size();
}

void LiveView::reply(double t, const std::vector<std::string>& lines) {
  scroll_ = 0;
  size_t rows = 0;
  for (const auto& l : lines) {
    note(t, l);
    rows += wrap(" " + notes_.back(), width_, kReplyIndent).size();
  }
  const auto shown = static_cast<size_t>(reply_rows_);
  if (rows > shown) scroll_ = rows - shown;
}

void LiveView::on_read(double t, std::string_view bytes) {
  if (trace_) keep(commands_, fmt("%7.2f  <", t) + format_bytes(bytes));
  heard(bytes, true);
}

void LiveView::scroll(int n) {
  const long lines = static_cast<long>(reply_lines(width_).size());
  const long back = std::max(0L, lines - reply_rows_);
  scroll_ = static_cast<size_t>(std::clamp<long>(static_cast<long>(scroll_) + n, 0, back));
}

std::vector<std::string> LiveView::reply_lines(int width) const {
  std::vector<std::string> out;
  for (const auto& n : notes_) {
    for (auto& l : wrap(" " + n, width, kReplyIndent)) out.push_back(std::move(l));
  }
  return out;
}

std::string LiveView::levels_line(int row) {
  auto& r = rig_;
  // The value when one of the codes was reported, "—" otherwise.
  auto known = [this](std::initializer_list<const char*> codes, const std::string& value) {
    for (const char* c : codes) {
      if (reported_.count(c)) return value;
    }
    return std::string(kUnknown);
  };
  if (row == 0) {
    return " AF " + known({"AG0"}, std::to_string(rx_level(r, &TOVRAK_Protocol::get_AFLevel, 0))) +
           "/" + known({"AG1"}, std::to_string(rx_level(r, &TOVRAK_Protocol::get_AFLevel, 1))) +
           "  RF " + known({"RG"}, std::to_string(rx_level(r, &TOVRAK_Protocol::get_RFLevel, 0))) +
           "  SQ " + known({"SQ0"}, std::to_string(rx_level(r, &TOVRAK_Protocol::get_SQLevel, 0))) +
           "  AGC " + known({"GT"}, std::to_string(r.get_AGC())) + "  Att " +
           known({"RA"}, std::to_string(r.get_Att())) + "  PreAmp " +
           known({"PA"}, std::to_string(r.get_PreAmp())) + "  NB " +
           known({"NB", "NL"}, std::to_string(r.get_NB())) + "  NR " +
           known({"NR", "RL"}, level_or_off(r.get_NR())) + "  Notch " +
           known({"BP"}, level_or_off(r.get_NF()));
  }
  return " Power " + known({"PC"}, std::to_string(r.get_RFPower())) + "  Keyer " +
         known({"KS"}, std::to_string(r.get_KeyerWPM()) + " wpm") + "  Pitch " +
         known({"KP"}, std::to_string(r.get_Pitch()) + " Hz") + "  Mic " +
         known({"MG"}, std::to_string(r.get_MicGain())) + "  VOX " +
         known({"VX"}, on_off(r.get_Vox())) + "  Tuner " + known({"AC"}, on_off(r.get_Tuner())) +
         "  Lock " + known({"LK"}, on_off(r.get_LockDial()));
}

std::string LiveView::vfo_line(char name, double mhz, int16_t mode, bool receiving,
                               bool transmitting) {
  return fmt(" VFO %c  %s MHz  %-4s %s%s", name, dotted(mhz).c_str(), mode_name(mode),
             receiving ? "  receive" : "", transmitting ? "  transmit" : "");
}

std::string LiveView::summary() {
  auto& r = rig_;
  return fmt("A %s %s | B %s %s | rx %c%s | S %3d | AF %d | width %d Hz | %s",
             dotted(r.get_VFOA_Freq()).c_str(), mode_name(r.get_VFOA_Mode()),
             dotted(r.get_VFOB_Freq()).c_str(), mode_name(r.get_VFOB_Mode()),
             r.get_VFO() == 1.0 ? 'B' : 'A', r.get_Split() ? " split" : "", r.get_SMeter(),
             rx_level(r, &TOVRAK_Protocol::get_AFLevel, 0), r.get_BW(),
             r.get_MemMode() ? fmt("memory %d", r.get_Channel()).c_str() : "VFO mode");
}

std::string LiveView::render(double t, int width, int height) {
  auto& r = rig_;
  width_ = std::max(width, 20);
  std::string out;
  auto line = [&](std::string s) {
    if (columns(s) > static_cast<size_t>(width)) s.resize(byte_of(s, static_cast<size_t>(width)));
    out += s;
    out += "\x1b[K\n";  // clear to the end of the line
  };
  int level = SettingsReadStep(r);
  std::string status = std::string(" CAT ") + (r.get_CAT() ? "on" : "off") + ", " +
                       (link_.empty() ? (r.get_PortOpen() ? "port open" : "port closed") : link_);
  if (level > 0) status += fmt("   reading radio settings %d/54", level);
  const bool large = large_replies_ && !panel_;
  if (large) {
    line(status);
  } else {
    line(fmt(" tovrak  %s", title_.c_str()) + std::string(8, ' ') + fmt("%8.1f s", t));
    line(std::string(" ").append(static_cast<size_t>(std::max(10, std::min(width, 78)) - 2), '-'));
    bool rx_b = r.get_VFO() == 1.0;
    bool split = r.get_Split() != 0;
    line(vfo_line('A', r.get_VFOA_Freq(), r.get_VFOA_Mode(), !rx_b, split ? rx_b : !rx_b));
    line(vfo_line('B', r.get_VFOB_Freq(), r.get_VFOB_Mode(), rx_b, split ? !rx_b : rx_b));
    line(fmt(" Width %d Hz   IF shift %d Hz   Split %s   PTT %s   %s", r.get_BW(), r.get_IFS(),
             on_off(r.get_Split()).c_str(), on_off(r.get_PTT()).c_str(),
             r.get_MemMode() ? fmt("Memory channel %d", r.get_Channel()).c_str() : "VFO mode"));
    line(std::string(" S-meter ").append(s_meter_bar(r.get_SMeter())));
    line(levels_line(0));
    line(levels_line(1));
    line(status);
  }
  // Below the radio: the wire (or the panel), the replies, the key hints.
  const int top = large ? 1 : 9;
  const int middle = std::max(4, height - top - 1);
  const int replies = large ? middle : std::max(2, middle / 2 - 1);
  const int wire = middle - replies;
  if (panel_) {
    render_panel(out, width, wire);
  } else if (wire > 0) {
    line(fmt(" %-38s Events  Change(1) %llu (3) %llu (4) %llu",
             trace_ ? "Commands written, <answers" : "Commands written",
             static_cast<unsigned long long>(counts_[1]),
             static_cast<unsigned long long>(counts_[3]),
             static_cast<unsigned long long>(counts_[4])));
    const size_t rows = static_cast<size_t>(wire - 1);
    for (size_t i = 0; i < rows; ++i) {
      size_t ci = commands_.size() > rows ? commands_.size() - rows + i : i;
      size_t ei = events_.size() > rows ? events_.size() - rows + i : i;
      std::string c = ci < commands_.size() ? commands_[ci] : "";
      std::string e = ei < events_.size() ? events_[ei] : "";
      c.resize(38, ' ');
      line(" " + c + " " + e);
    }
  }
  reply_rows_ = replies;
  const auto all = reply_lines(width_);
  scroll_ = std::min(scroll_, all.size() > static_cast<size_t>(replies) ? all.size() - replies : 0);
  const size_t shown = static_cast<size_t>(replies);
  const size_t end = all.size() - scroll_;
  const size_t begin = end > shown ? end - shown : 0;
  for (size_t i = 0; i < shown; ++i) line(begin + i < end ? all[begin + i] : "");
  line(scroll_ > 0 ? fmt(" -- %zu more lines: PgDn pages on, PgUp back --", scroll_) : hints_);
  return out;
}

void LiveView::render_panel(std::string& out, int width, int rows) {
  auto line = [&](std::string s) {
    if (static_cast<int>(s.size()) > width) s.resize(static_cast<size_t>(width));
    out += s;
    out += "\x1b[K\n";
  };
  const auto& p = *panel_;
  line(fmt(" %s          %s", ControlPanel::kTitle, ControlPanel::kLabel1));
  for (int i = 0; i < ControlPanel::kRows; ++i) {
    std::string text = p.txtMS[static_cast<size_t>(i)];
    text.resize(8, ' ');
    line(fmt(" %s [%s] %s %-32s now %g", i == panel_row_ ? ">" : " ", text.c_str(),
             p.cmdSetEnabled[static_cast<size_t>(i)] ? "[Set]" : " Set ", ControlPanel::RowLabel(i),
             p.CurrentValueMs(i)));
  }
  line(fmt("   [%c] %s   up/down row, digits, Enter sets, t on top, %s closes",
           p.chkOnTop == 1 ? 'x' : ' ', ControlPanel::kOnTop, panel_close_key_.c_str()));
  line(fmt("   A delay below 0 or longer than %.0f ms (an hour) is refused.",
           ControlPanel::kLongestDelayMs));
  // The last lines of the command log.
  std::deque<std::string> lines;
  size_t start = 0;
  for (size_t i = 0; i + 1 < p.txtInfo.size(); ++i) {
    if (p.txtInfo[i] == '\r' && p.txtInfo[i + 1] == '\n') {
      keep(lines, p.txtInfo.substr(start, i - start), 5);
      start = i + 2;
    }
  }
  const int log_rows = rows - ControlPanel::kRows - 3;
  if (log_rows <= 0) return;
  line(" Control commands:");
  const auto n = static_cast<size_t>(log_rows);
  for (size_t i = 0; i < n; ++i) {
    size_t k = lines.size() > n ? lines.size() - n + i : i;
    line("   " + (k < lines.size() ? lines[k] : std::string()));
  }
}

void LiveView::toggle_panel() {
  if (panel_) {
    panel_->Unload();
    panel_ = nullptr;
    return;
  }
  panel_ = &ControlPanelOf(rig_);
  panel_->Load();
  panel_->negative_delays = ControlPanel::NegativeDelays::kRefused;
}

bool LiveView::panel_key(int key) {
  if (!panel_) return false;
  auto row = static_cast<size_t>(panel_row_);
  switch (key) {
    case 'A' + 256:  // up
      panel_row_ = (panel_row_ + ControlPanel::kRows - 1) % ControlPanel::kRows;
      return true;
    case 'B' + 256:  // down
      panel_row_ = (panel_row_ + 1) % ControlPanel::kRows;
      return true;
    case '\r':
    case '\n':
      panel_->cmdSet_Click(panel_row_);
      return true;
    case 127:
    case 8: {
      std::string text = panel_->txtMS[row];
      if (!text.empty()) text.pop_back();
      panel_->txtMS_Change(panel_row_, text);
      return true;
    }
    case 't':
      panel_->chkOnTop_Click(panel_->chkOnTop == 1 ? 0 : 1);
      return true;
    default:
      if ((key >= '0' && key <= '9') || key == '.' || key == ',' || key == '-') {
        panel_->txtMS_Change(panel_row_, panel_->txtMS[row] + static_cast<char>(key));
        return true;
      }
      return false;
  }
}

}  // namespace tovrak::hosts
