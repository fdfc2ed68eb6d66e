#include "hosts/share/status_view.hpp"

#include <cstdio>

namespace tovrak::share {

namespace {

std::string fixed(double v, int decimals) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
  return buf;
}

std::string cut(std::string s, size_t width) {
  if (s.size() > width) s.resize(width);
  return s;
}

}  // namespace

std::string link_line(const LinkStatus& h) {
  return "radio " + h.port + ": " + h.health + ", line " + fixed(h.written_per_s, 0) +
         " B/s out, " + fixed(h.read_per_s, 0) + " B/s in";
}

std::string render_status(const LinkStatus& h, const std::vector<std::string>& endpoints,
                          const std::vector<ClientInfo>& clients, int width) {
  const auto w = static_cast<size_t>(width > 20 ? width : 80);
  std::string out = cut("tovrak share  " + link_line(h), w) + "\n";
  for (const auto& e : endpoints) out += cut("  endpoint " + e, w) + "\n";
  out += "\n";
  char head[160];
  std::snprintf(head, sizeof head, "%-3s %-20s %-12s %8s %8s %8s %6s", "id", "endpoint",
                "last command", "commands", "at once", "to radio", "errors");
  out += cut(head, w) + "\n";
  if (clients.empty()) out += "  (no clients)\n";
  for (const auto& c : clients) {
    char line[256];
    // The flags fit on an 80-column row: "AI" automatic information, "TX"
    // transmitting.
    std::string flags = std::string(c.ai ? "AI" : "") + (c.keyed ? (c.ai ? " TX" : "TX") : "");
    std::snprintf(line, sizeof line, "%-3d %-20s %-12s %8lld %8lld %8lld %6lld %s", c.id,
                  cut(c.endpoint, 20).c_str(), cut(c.last_command, 12).c_str(),
                  static_cast<long long>(c.commands), static_cast<long long>(c.from_state),
                  static_cast<long long>(c.to_radio), static_cast<long long>(c.errors),
                  flags.c_str());
    out += cut(line, w) + "\n";
  }
  return out;
}

std::string screen_frame(const std::string& text, int width, int height) {
  const auto w = static_cast<size_t>(width > 20 ? width : 80);
  std::string out;
  int rows = 0;
  for (size_t at = 0; at < text.size() && rows < height; ++rows) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    if (rows > 0) out += "\r\n";
    out += cut(text.substr(at, end - at), w) + "\x1b[K";
    at = end + 1;
  }
  return out + "\x1b[J";
}

}  // namespace tovrak::share
