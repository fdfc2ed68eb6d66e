#include "hosts/web/page_messages.hpp"

#include <cmath>
#include <cstdint>
#include <nlohmann/json.hpp>

#include "radio/digits.hpp"
#include "radio/modes.hpp"

namespace tovrak::web {

namespace {

using Json = nlohmann::json;
using Kind = PageMessage::Kind;

struct KindName {
  Kind kind;
  const char* name;
};
constexpr KindName kKinds[] = {{Kind::kHello, "hello"}, {Kind::kPing, "ping"},
                               {Kind::kShown, "shown"}, {Kind::kTune, "tune"},
                               {Kind::kMode, "mode"},   {Kind::kBand, "band"},
                               {Kind::kVfo, "vfo"},     {Kind::kSplit, "split"},
                               {Kind::kPtt, "ptt"},     {Kind::kLevel, "level"}};

struct LevelName {
  Level level;
  const char* name;
};
constexpr LevelName kLevels[] = {
    {Level::kAf, "af"}, {Level::kRf, "rf"}, {Level::kSquelch, "sql"}, {Level::kPower, "power"}};

constexpr int kHighestBand = 10;  // 6 m; band 11 is "any other frequency"
constexpr size_t kTokenLimit = 256;

// The fields of one message, each read with its type and range checked; the
// first failure is kept as the message's error.
class Fields {
 public:
  explicit Fields(const Json& j) : j_(j) {}
  const std::string& error() const { return error_; }

  bool whole(const char* name, int64_t lo, int64_t hi, int64_t& out) {
    const Json* v = find(name);
    if (!v) return false;
    if (!v->is_number_integer()) return fail(std::string(name) + " is no whole number");
    const bool huge =
        v->is_number_unsigned() && v->get<uint64_t>() > static_cast<uint64_t>(INT64_MAX);
    const int64_t x = huge ? INT64_MAX : v->get<int64_t>();
    if (x < lo || x > hi) {
      return fail(std::string(name) + " is out of range (" + std::to_string(lo) + " to " +
                  std::to_string(hi) + ")");
    }
    out = x;
    return true;
  }
  bool whole(const char* name, int lo, int hi, int& out) {
    int64_t v = 0;
    if (!whole(name, lo, hi, v)) return false;
    out = static_cast<int>(v);
    return true;
  }
  bool boolean(const char* name, bool& out) {
    const Json* v = find(name);
    if (!v) return false;
    if (!v->is_boolean()) return fail(std::string(name) + " is not true or false");
    out = v->get<bool>();
    return true;
  }
  bool number(const char* name, double& out) {
    const Json* v = find(name);
    if (!v) return false;
    if (!v->is_number() || !std::isfinite(v->get<double>())) {
      return fail(std::string(name) + " is no number");
    }
    out = v->get<double>();
    return true;
  }
  bool text(const char* name, size_t limit, std::string& out) {
    const Json* v = find(name);
    if (!v) return false;
    if (!v->is_string()) return fail(std::string(name) + " is no text");
    out = v->get<std::string>();
    if (out.size() > limit) return fail(std::string(name) + " is too long");
    return true;
  }

 private:
  const Json* find(const char* name) {
    auto it = j_.find(name);
    if (it == j_.end()) {
      fail(std::string("no ") + name);
      return nullptr;
    }
    return &*it;
  }
  bool fail(std::string why) {
    if (error_.empty()) error_ = std::move(why);
    return false;
  }

  const Json& j_;
  std::string error_;
};

bool read_fields(Kind kind, Fields& f, PageMessage& m) {
  std::string word;
  switch (kind) {
    case Kind::kHello:
      return f.text("token", kTokenLimit, m.token);
    case Kind::kPing:
      return true;
    case Kind::kShown:
      return f.number("at", m.at_ms) && f.number("now", m.now_ms);
    case Kind::kTune:
      return f.whole("vfo", 0, 1, m.vfo) && f.whole("hz", kLowestHz, kHighestHz, m.hz);
    case Kind::kMode:
      if (!f.whole("vfo", 0, 1, m.vfo) || !f.text("mode", 8, word)) return false;
      for (const auto& n : radio::ModeChars()) {
        if (word == n.name) m.mode = n.code;
      }
      return m.mode != 0;
    case Kind::kBand:
      return f.whole("band", 0, kHighestBand, m.band);
    case Kind::kVfo:
      if (!f.text("op", 4, word)) return false;
      if (word == "swap") {
        m.kind = Kind::kSwap;
        return true;
      }
      m.vfo = word == "A" ? 0 : word == "B" ? 1 : -1;
      return m.vfo >= 0;
    case Kind::kSplit:
    case Kind::kPtt:
      return f.boolean("on", m.on);
    case Kind::kLevel: {
      if (!f.text("name", 8, word) || !f.whole("value", 0, 255, m.value)) return false;
      for (const auto& n : kLevels) {
        if (word == n.name) {
          m.level = n.level;
          return true;
        }
      }
      return false;
    }
    case Kind::kSwap:
      break;
  }
  return false;
}

std::string digits(int64_t v, size_t width) { return radio::ZeroPad(v, width); }

}  // namespace

bool PageMessage::controls() const {
  return kind != Kind::kHello && kind != Kind::kPing && kind != Kind::kShown;
}

ReadMessage read_page_message(std::string_view text) {
  if (text.size() > kMessageLimit) return {std::nullopt, "message too long"};
  Json j = Json::parse(text.begin(), text.end(), nullptr, false);
  if (j.is_discarded() || !j.is_object()) return {std::nullopt, "not a JSON object"};
  auto t = j.find("t");
  if (t == j.end() || !t->is_string()) return {std::nullopt, "no message type (t)"};
  const std::string type = t->get<std::string>();
  PageMessage m;
  bool known = false;
  for (const auto& k : kKinds) {
    if (type == k.name) {
      m.kind = k.kind;
      known = true;
    }
  }
  if (!known) return {std::nullopt, "unknown message type " + type.substr(0, 16)};
  Fields f(j);
  if (!read_fields(m.kind, f, m)) {
    return {std::nullopt, type + ": " + (f.error().empty() ? "unknown value" : f.error())};
  }
  return {m, {}};
}

std::vector<std::string> radio_commands(const PageMessage& m, const radio::RadioState& s, int id) {
  const std::string rx = std::to_string(s.rx_vfo);
  const std::string rx_frequency = s.rx_vfo ? "FB" : "FA";
  switch (m.kind) {
    case Kind::kTune:
      return {(m.vfo ? "FB" : "FA") + radio::ZeroPad(m.hz, radio::HertzWidth(id))};
    case Kind::kMode:
      return {"MD" + std::to_string(m.vfo) + m.mode};
    case Kind::kBand:
      // The radio takes the band's last frequency from its own band stack.
      return {"BS" + digits(m.band, 2), rx_frequency};
    case Kind::kVfo:
      return {"VS" + std::to_string(m.vfo)};
    case Kind::kSwap:
      return {"SV", "FA", "FB", "MD0", "MD1"};
    case Kind::kSplit: {
      // "FT2" transmits on VFO A, "FT3" on VFO B.
      const bool on_b = m.on != (s.rx_vfo == 1);
      return {on_b ? "FT3" : "FT2"};
    }
    case Kind::kPtt:
      return {m.on ? "TX1" : "TX0"};
    case Kind::kLevel:
      switch (m.level) {
        case Level::kAf:
          return {"AG" + rx + digits(m.value, 3)};
        case Level::kRf:
          return {"RG" + rx + digits(m.value, 3)};
        case Level::kSquelch:
          return {"SQ" + rx + digits(m.value, 3)};
        case Level::kPower:
          return {"PC" + digits(m.value, 3)};
      }
      break;
    case Kind::kHello:
    case Kind::kPing:
    case Kind::kShown:
      break;
  }
  return {};
}

const char* mode_name(char mode) {
  const radio::ModeChar* c = radio::FindModeChar(mode);
  return c ? c->name.data() : "?";
}

}  // namespace tovrak::web
