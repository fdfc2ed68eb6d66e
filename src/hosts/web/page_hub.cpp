#include "hosts/web/page_hub.hpp"

#include <algorithm>
#include <nlohmann/json.hpp>

namespace tovrak::web {

namespace {

using Json = nlohmann::json;

constexpr int32_t kTickMs = 250;
constexpr int32_t kKeyedTickMs = 50;  // while a page holds the transmitter

// Compares without stopping at the first difference, so that the time taken
// tells nothing of the token.
bool same_secret(const std::string& a, const std::string& b) {
  if (b.empty()) return false;
  unsigned diff = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < a.size(); ++i) {
    diff |= static_cast<unsigned char>(a[i]) ^ static_cast<unsigned char>(b[i % b.size()]);
  }
  return diff == 0;
}

}  // namespace

struct PageHub::Page : share::ClientLink {
  PageHub& hub;
  int id = -1;
  std::shared_ptr<PageOut> out;
  bool control = false;
  bool keyed = false;  // this page keyed the transmitter and has not let go
  bool gone = false;   // the server dropped it; the transport closes it
  int token_tries = 0;
  int64_t heard_ms = 0;
  Bucket commands, messages;
  std::string last_command;

  Page(PageHub& h, std::shared_ptr<PageOut> o) : hub(h), out(std::move(o)) {}
  void send(std::string_view bytes) override { hub.answered(*this, bytes); }
  void close() override { hub.dropped(*this); }
};

bool PageHub::Bucket::take(double rate, double burst, int64_t now) {
  level = std::max(0.0, level - static_cast<double>(now - at) * rate / 1000.0);
  at = now;
  if (level + 1 > burst) return false;
  level += 1;
  return true;
}

PageHub::PageHub(share::ShareServer& server, platform::Apartment& apt,
                 std::function<int64_t()> now_ms, std::function<double()> wall_ms,
                 HubOptions options, LinkSource link, WidthSource width)
    : server_(server),
      apt_(apt),
      now_ms_(std::move(now_ms)),
      wall_ms_(std::move(wall_ms)),
      opt_(std::move(options)),
      link_(std::move(link)),
      width_(std::move(width)) {
  ticker_ = apt_.create_timer(kTickMs, false, [this] { tick(); });
  std::weak_ptr<bool> alive = alive_;
  // A radio answer, a client's command or a note (a client came, went, was
  // released) may change what pages show; answers to clients and writes to
  // the radio do not.
  server_.watch([this, alive](char kind, int, std::string_view text) {
    if (kind == 'A' || kind == 'W') return;
    if (auto a = alive.lock(); !a || !*a) return;
    // The component reckons the width from the mode, the width step, the
    // narrow filter and its menus: an answer or setting of those asks again.
    static constexpr std::string_view kWidthCodes[] = {"MD", "SH", "NA", "EX", "IF", "VS"};
    if (std::ranges::count(kWidthCodes, text.substr(0, std::min<size_t>(2, text.size()))) > 0) {
      width_stale_ = true;
    }
    changed();
  });
}

PageHub::~PageHub() {
  *alive_ = false;
  ticker_.reset();
  for (auto& [id, p] : pages_) {
    if (!p->gone) server_.detach(id);
  }
}

std::string PageHub::why_no_control() const {
  if (opt_.readonly) return "this page only shows the radio (the server is read-only)";
  return "control needs the station's token: open the page with #token=... or enter it";
}

int PageHub::open(std::shared_ptr<PageOut> out, const std::string& peer) {
  auto page = std::make_unique<Page>(*this, std::move(out));
  Page& p = *page;
  p.id = server_.attach(p, "web " + peer);
  if (p.id < 0) {
    p.out->close("the server has all the clients it takes");
    return -1;
  }
  p.control = !opt_.readonly && opt_.token.empty();
  p.heard_ms = now_ms_();
  pages_.emplace(p.id, std::move(page));
  const int64_t now = now_ms_();
  Json history = Json::array();
  for (const auto& [t, v] : smeter_) history.push_back({t - now, v});
  Json hello = {{"t", "hello"},
                {"you", p.id},
                {"control", p.control},
                {"why", p.control ? "" : why_no_control()},
                {"history", std::move(history)},
                {"heartbeat_ms", opt_.heartbeat_ms}};
  p.out->send(hello.dump());
  const int64_t seq = seq_;
  stamp_ms_ = wall_ms_();
  push();
  if (seq_ == seq && !last_push_.empty()) p.out->send(last_push_);  // the others have it
  update_ticker();
  return p.id;
}

void PageHub::closed(int page) {
  auto it = pages_.find(page);
  if (it == pages_.end()) return;
  // The server releases the transmitter of a client that leaves.
  if (!it->second->gone) server_.detach(page);
  pages_.erase(it);
  update_ticker();
}

void PageHub::message(int page, std::string_view text) {
  auto it = pages_.find(page);
  if (it == pages_.end() || it->second->gone) return;
  Page& p = *it->second;
  const int64_t now = now_ms_();
  p.heard_ms = now;
  if (!p.messages.take(opt_.messages_per_s, opt_.message_burst, now)) {
    p.out->close("too many messages");
    p.gone = true;
    server_.detach(page);
    return;
  }
  ReadMessage r = read_page_message(text);
  if (!r.message) {
    note(p, "error", r.error);
    return;
  }
  const PageMessage& m = *r.message;
  if (m.kind == PageMessage::Kind::kHello) {
    hello(p, m.token);
  } else if (m.kind == PageMessage::Kind::kShown) {
    if (shown_.size() < 100'000) shown_.push_back(m.now_ms - m.at_ms);
  } else if (m.controls()) {
    control(p, m);
  }
}

void PageHub::hello(Page& p, const std::string& token) {
  if (opt_.readonly || opt_.token.empty()) return;  // nothing to unlock
  if (p.token_tries >= opt_.token_tries) return refuse(p, "no more tries with a token");
  ++p.token_tries;
  p.control = same_secret(token, opt_.token);
  Json j = {{"t", "control"},
            {"control", p.control},
            {"why", p.control ? "" : "that is not the station's token"}};
  p.out->send(j.dump());
}

void PageHub::refuse(Page& p, const std::string& why) { note(p, "refused", why); }

void PageHub::note(Page& p, const char* type, const std::string& text) {
  p.out->send(Json{{"t", type}, {"text", text}}.dump());
}

void PageHub::control(Page& p, const PageMessage& m) {
  if (!p.control) return refuse(p, why_no_control());
  const bool release = m.kind == PageMessage::Kind::kPtt && !m.on;
  // A release always goes through: it never makes things worse.
  if (!release && !p.commands.take(opt_.commands_per_s, opt_.command_burst, now_ms_())) {
    return refuse(p, "too many commands: slow down");
  }
  const int id = server_.mirror().id();
  if (m.kind == PageMessage::Kind::kTune && id == 0) {
    return refuse(p, "the radio has not told its identity yet");
  }
  std::string text;
  for (const auto& c : radio_commands(m, server_.mirror().state(), id)) text += c + ";";
  if (m.kind == PageMessage::Kind::kPtt) p.keyed = m.on;
  p.last_command = text;
  update_ticker();
  server_.receive(p.id, text);
}

void PageHub::answered(Page& p, std::string_view bytes) {
  // Answers to the queries a command brought along teach the server; only a
  // refusal concerns the page.
  if (bytes.find("?;") != std::string_view::npos && !p.gone) {
    refuse(p, "the radio refused " + p.last_command);
  }
}

void PageHub::dropped(Page& p) {
  // The server forgets the client itself.
  p.gone = true;
  p.out->close("too many commands waiting for the radio");
}

void PageHub::changed() {
  // Scheduled with no page too: the S-meter history goes on.
  if (scheduled_) return;
  scheduled_ = true;
  stamp_ms_ = wall_ms_();
  std::weak_ptr<bool> alive = alive_;
  apt_.post([this, alive] {
    if (auto a = alive.lock(); a && *a) push();
  });
}

void PageHub::push() {
  scheduled_ = false;
  const share::RadioMirror& mirror = server_.mirror();
  const radio::RadioState& s = mirror.state();
  const int64_t now = now_ms_();
  if (mirror.answer("SM0") && (smeter_.empty() || smeter_.back().second != s.rx[0].smeter)) {
    smeter_.emplace_back(now, s.rx[0].smeter);
  }
  while (!smeter_.empty() && smeter_.front().first < now - kHistoryMs) smeter_.pop_front();
  read_width();
  if (pages_.empty()) return;
  const auto clients = server_.clients();
  std::string view = page_view({mirror, clients, link_ ? link_() : LinkReport{}, width_hz_});
  if (view == view_) return;
  view_ = std::move(view);
  char head[96];
  std::snprintf(head, sizeof head, R"({"t":"state","seq":%lld,"at":%.3f,"s":)",
                static_cast<long long>(++seq_), stamp_ms_);
  last_push_ = head + view_ + "}";
  for (auto& [id, p] : pages_) {
    if (!p->gone) p->out->send(last_push_);
  }
}

void PageHub::read_width() {
  if (!width_ || !width_stale_) return;
  width_stale_ = false;
  std::weak_ptr<bool> alive = alive_;
  width_([this, alive](int hz) {
    if (auto a = alive.lock(); !a || !*a || hz == width_hz_) return;
    width_hz_ = hz;
    changed();
  });
}

void PageHub::tick() {
  const int64_t now = now_ms_();
  std::vector<int> keyed, waiting;
  for (const auto& c : server_.clients()) {
    if (c.keyed) keyed.push_back(c.id);
    if (c.waiting) waiting.push_back(c.id);
  }
  for (auto& [id, p] : pages_) {
    if (!p->keyed || p->gone) continue;
    // A key behind a query on its way to the radio is not yet the server's:
    // the page still holds it, and its release queues up behind it.
    if (std::ranges::count(keyed, id) == 0 && std::ranges::count(waiting, id) == 0) {
      p->keyed = false;  // released by another client or the transmit timeout
    } else if (now - p->heard_ms >= opt_.heartbeat_ms) {
      p->keyed = false;
      server_.receive(id, "TX0;");
      note(*p, "released",
           "nothing heard from this page for " + std::to_string(opt_.heartbeat_ms) +
               " ms: transmitter released");
    }
  }
  update_ticker();
  // The link's text moves with time ("silent for 4 s").
  changed();
}

void PageHub::update_ticker() {
  const bool keyed = std::ranges::any_of(pages_, [](const auto& e) { return e.second->keyed; });
  const int32_t interval = keyed ? kKeyedTickMs : kTickMs;
  if (ticker_->interval() != interval) ticker_->set_interval(interval);
  ticker_->set_enabled(!pages_.empty());
}

std::vector<double> PageHub::take_shown() { return std::exchange(shown_, {}); }

PageHub::WidthSource component_width(TOVRAK_Protocol& rig, platform::Apartment& radio_apt,
                                     platform::Apartment& apt) {
  return [&rig, &radio_apt, &apt](std::function<void(int)> done) {
    radio_apt.post([&rig, &apt, done = std::move(done)]() mutable {
      const int hz = rig.get_BW();
      apt.post([hz, done = std::move(done)] { done(hz); });
    });
  };
}

}  // namespace tovrak::web
