#include "hosts/web/page_view.hpp"

#include <nlohmann/json.hpp>

#include "hosts/web/page_messages.hpp"

namespace tovrak::web {

namespace {

using Json = nlohmann::json;

// The facts of the view with the query whose answer the server must know
// for each to be sure; "#" stands for the receiver of the receive VFO.
struct Fact {
  const char* name;
  const char* query;
};
constexpr Fact kFacts[] = {{"a", "FA"},      {"b", "FB"},      {"mode_a", "MD0"}, {"mode_b", "MD1"},
                           {"rx", "VS"},     {"tx", "FT"},     {"ptt", "TX"},     {"smeter", "SM0"},
                           {"af", "AG#"},    {"rf", "RG#"},    {"sql", "SQ#"},    {"power", "PC"},
                           {"width", "SH#"}, {"narrow", "NA"}, {"memory", "IF"}};

const char* health_name(LinkReport::Health h) {
  switch (h) {
    case LinkReport::Health::kAnswering:
      return "answering";
    case LinkReport::Health::kSilent:
      return "silent";
    case LinkReport::Health::kLost:
      return "lost";
  }
  return "lost";
}

}  // namespace

std::string page_view(const ViewInputs& in) {
  const radio::RadioState& s = in.mirror.state();
  const auto& rx = s.rx[static_cast<size_t>(s.rx_vfo)];
  Json unsure = Json::array();
  for (const auto& f : kFacts) {
    std::string query = f.query;
    if (query.back() == '#') query.back() = static_cast<char>('0' + s.rx_vfo);
    if (!in.mirror.answer(query)) unsure.push_back(f.name);
  }
  Json clients = Json::array();
  for (const auto& c : in.clients) {
    clients.push_back({{"id", c.id}, {"endpoint", c.endpoint}, {"keyed", c.keyed}});
  }
  Json j = {
      {"id", in.mirror.id()},
      // In memory mode the main receiver works the channel: VFO A shows it.
      {"vfo",
       {{{"hz", s.receiver_hz(0)}, {"mode", mode_name(s.receiver_mode(0))}},
        {{"hz", s.vfo[1].hz}, {"mode", mode_name(s.vfo[1].mode)}}}},
      {"rx", s.rx_vfo},
      {"tx", s.tx_vfo},
      {"split", s.split()},
      {"memory", s.memory_mode},
      {"channel", s.channel},
      {"ptt", s.ptt},
      {"smeter", s.rx[0].smeter},
      {"af", rx.af},
      {"rf", rx.rf},
      {"sql", rx.squelch},
      {"power", s.power_level},
      {"width", in.width_hz},
      {"narrow", rx.narrow != 0},
      {"unsure", std::move(unsure)},
      {"link", {{"health", health_name(in.link.health)}, {"text", in.link.text}}},
      {"clients", std::move(clients)},
  };
  return j.dump();
}

}  // namespace tovrak::web
