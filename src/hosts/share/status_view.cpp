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
  std::snprintf(head, sizeof head, "%-3s %-24s %-14s %8s %8s %8s %6s %s", "id", "endpoint",
                "last command", "commands", "at once", "to radio", "errors", "");
  out += cut(head, w) + "\n";
  if (clients.empty()) out += "  (no clients)\n";
  for (const auto& c : clients) {
    char line[256];
    std::string flags = std::string(c.ai ? "AI " : "") + (c.keyed ? "TRANSMITTING" : "");
    std::snprintf(line, sizeof line, "%-3d %-24s %-14s %8lld %8lld %8lld %6lld %s", c.id,
                  cut(c.endpoint, 24).c_str(), cut(c.last_command, 14).c_str(),
                  static_cast<long long>(c.commands), static_cast<long long>(c.from_state),
                  static_cast<long long>(c.to_radio), static_cast<long long>(c.errors),
                  flags.c_str());
    out += cut(line, w) + "\n";
  }
  return out;
}

}  // namespace tovrak::share
