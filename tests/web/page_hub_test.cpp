// The pages of the sharing server in virtual time: the component drives the
// simulated radio, two fake serial clients and fake pages talk to the
// server, and every timing rule (the heartbeat, the push on change) is
// checked on the virtual clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "hosts/web/page_hub.hpp"
#include "share/shared_radio.hpp"

namespace tovrak::web {
namespace {

using Json = nlohmann::json;

struct FakePage : PageOut {
  std::vector<Json> got;
  std::string closed;  // the reason, once closed
  void send(std::string text) override { got.push_back(Json::parse(text)); }
  void close(std::string why) override { closed = why.empty() ? "closed" : why; }
  // The messages of one type, taken out.
  std::vector<Json> take(const std::string& type) {
    std::vector<Json> out;
    std::erase_if(got, [&](const Json& j) {
      if (j["t"] != type) return false;
      out.push_back(j);
      return true;
    });
    return out;
  }
  Json last_state() {
    auto s = take("state");
    return s.empty() ? Json() : s.back()["s"];
  }
};

constexpr double kEpochMs = 1.7e12;  // the wall clock at virtual time 0

struct Station : test::Shared {
  LinkReport link{LinkReport::Health::kAnswering, "answering"};
  PageHub hub;

  explicit Station(HubOptions o = {}, test::ShareOptions so = {})
      : test::Shared(570, so),
        hub(
            server, apt, [this] { return apt.now_us() / 1000; }, [this] { return wall(); }, o,
            [this] { return link; }, component_width(*rig, apt, apt)) {}
  double wall() const { return kEpochMs + static_cast<double>(apt.now_us()) / 1000.0; }
  std::pair<int, std::shared_ptr<FakePage>> open() {
    auto p = std::make_shared<FakePage>();
    const int id = hub.open(p, "127.0.0.1:50000");
    apt.process_pending();
    return {id, p};
  }
  void say(int page, const Json& j) {
    hub.message(page, j.dump());
    apt.process_pending();
  }
  const share::ClientInfo* client(int id) const {
    static std::vector<share::ClientInfo> all;
    all = server.clients();
    auto it = std::ranges::find(all, id, &share::ClientInfo::id);
    return it == all.end() ? nullptr : &*it;
  }
};

// The page's controls reach the radio through the server (what each one
// writes is the page messages' test's; a band button's way through the
// radio's answer is the browser test's), and the page shows what the radio
// then reports.
TEST(PageHub, ControlsReachTheRadioAndThePageFollowsIt) {
  Station s;
  auto [id, page] = s.open();
  ASSERT_GT(id, 0);
  EXPECT_EQ(page->take("hello").at(0)["control"], true);

  s.say(id, {{"t", "tune"}, {"vfo", 0}, {"hz", 7'074'000}});
  s.say(id, {{"t", "tune"}, {"vfo", 1}, {"hz", 10'136'000}});
  s.say(id, {{"t", "mode"}, {"vfo", 0}, {"mode", "CW"}});
  s.say(id, {{"t", "split"}, {"on", true}});
  s.apt.advance_ms(2000);
  const radio::RadioState& r = s.radio.state();
  EXPECT_EQ(std::tuple(r.vfo[0].hz, r.vfo[1].hz, r.vfo[0].mode, r.tx_vfo),
            std::tuple(7'074'000, 10'136'000, radio::mode::kCw, 1));
  Json st = page->last_state();
  EXPECT_EQ(st["vfo"][0], Json({{"hz", 7'074'000}, {"mode", "CW"}}));
  EXPECT_EQ(st["split"], true);
  EXPECT_EQ(st["width"], s.rig->get_BW());  // the component's width for CW

  s.say(id, {{"t", "vfo"}, {"op", "swap"}});
  s.say(id, {{"t", "vfo"}, {"op", "B"}});
  s.apt.advance_ms(2000);
  EXPECT_EQ(
      std::tuple(s.radio.state().vfo[0].hz, s.radio.state().vfo[1].hz, s.radio.state().rx_vfo),
      std::tuple(10'136'000, 7'074'000, 1));
  st = page->last_state();
  EXPECT_EQ(std::tuple(st["vfo"][0]["hz"], st["vfo"][1]["hz"], st["rx"]),
            std::tuple(Json(10'136'000), Json(7'074'000), Json(1)));
  for (const char* sure : {"a", "b", "rx"}) {
    EXPECT_EQ(std::ranges::count(st["unsure"], Json(sure)), 0) << sure << " in " << st["unsure"];
  }
  EXPECT_TRUE(page->take("refused").empty());

  // A setting the radio refuses: the page is told which.
  s.say(id, {{"t", "level"}, {"name", "sql"}, {"value", 7}});
  s.apt.advance_ms(50);  // written; the radio's "?;" comes soon after
  s.server.radio_read("?;");
  s.apt.process_pending();
  EXPECT_EQ(page->take("refused"),
            std::vector<Json>{Json({{"t", "refused"}, {"text", "the radio refused SQ1007;"}})});
}

// Who may control: everyone on loopback by default, nobody with
// --http-readonly, and with a token only the page that presented it.
TEST(PageHub, ReadOnlyAndTokenPages) {
  const std::string token = "a-station-token";
  struct Row {
    bool readonly;
    std::string token;                // the station's
    std::vector<std::string> tokens;  // presented in turn
    std::vector<bool> control;        // after the hello, then after each token
  };
  const Row rows[] = {
      {true, "", {token}, {false, false}},
      {true, token, {token}, {false, false}},  // read-only whatever the token
      {false, token, {"wrong", token}, {false, false, true}},
      {false, token, {"a", "b", "c", token}, {false, false, false, false, false}},
      {false, "", {}, {true}},
  };
  for (const Row& r : rows) {
    HubOptions options;
    options.readonly = r.readonly;
    options.token = r.token;
    Station s(options);
    auto [id, page] = s.open();
    std::vector<bool> control{page->take("hello").at(0)["control"].get<bool>()};
    for (const auto& t : r.tokens) {
      s.say(id, {{"t", "hello"}, {"token", t}});
      auto c = page->take("control");
      control.push_back(c.empty() ? control.back() : c.at(0)["control"].get<bool>());
    }
    EXPECT_EQ(control, r.control) << r.tokens.size() << " tokens";
    page->got.clear();
    const int64_t hz = s.radio.state().vfo[0].hz;
    s.say(id, {{"t", "tune"}, {"vfo", 0}, {"hz", 3'600'000}});
    s.say(id, {{"t", "ptt"}, {"on", true}});
    s.apt.advance_ms(500);
    if (control.back()) {
      EXPECT_EQ(s.radio.state().vfo[0].hz, 3'600'000);
      EXPECT_TRUE(s.radio.state().ptt);
    } else {
      EXPECT_EQ(std::tuple(s.radio.state().vfo[0].hz, s.radio.state().ptt, s.client(id)->commands),
                std::tuple(hz, false, int64_t{0}));
      EXPECT_EQ(page->take("refused").size(), 2u);
    }
  }
}

// A page that keyed and falls silent for a second is released; one that
// goes away is released at once; a page never releases another's keying.
TEST(PageHub, TransmitterReleasedWhenThePageFallsSilentOrGoes) {
  Station s;
  auto [id, page] = s.open();
  s.say(id, {{"t", "ptt"}, {"on", true}});
  for (int i = 0; i < 12; ++i) {  // three seconds of heartbeats
    s.apt.advance_ms(250);
    s.say(id, {{"t", "ping"}});
  }
  EXPECT_TRUE(s.radio.state().ptt);
  s.apt.advance_ms(950);
  EXPECT_TRUE(s.server.mirror().state().ptt) << "released before the second was over";
  s.apt.advance_ms(100);
  EXPECT_FALSE(s.server.mirror().state().ptt) << "not released 1050 ms after the last message";
  EXPECT_EQ(page->take("released").size(), 1u);
  s.apt.advance_ms(500);
  EXPECT_FALSE(s.radio.state().ptt);
  EXPECT_TRUE(page->take("released").empty()) << "released twice";

  // Released by another client meanwhile: the page's silence then touches
  // nothing, not even that client's own keying.
  s.say(id, {{"t", "ptt"}, {"on", true}});
  s.server.receive(s.ib, "TX0;TX1;");
  s.apt.advance_ms(3000);
  EXPECT_TRUE(s.radio.state().ptt);
  EXPECT_TRUE(s.client(s.ib)->keyed);
  s.server.receive(s.ib, "TX0;");

  // Keyed behind a query still on its way to the radio: the key is the
  // page's once the server takes it, and silence releases it all the same.
  s.say(id, {{"t", "vfo"}, {"op", "swap"}});
  s.say(id, {{"t", "ptt"}, {"on", true}});
  s.apt.advance_ms(1500);
  EXPECT_FALSE(s.server.mirror().state().ptt) << "keyed behind a query, never released";

  auto [id2, page2] = s.open();
  s.say(id2, {{"t", "ptt"}, {"on", true}});
  s.apt.advance_ms(300);
  ASSERT_TRUE(s.radio.state().ptt);
  s.hub.closed(id2);  // the tab was closed
  EXPECT_FALSE(s.server.mirror().state().ptt);
  s.apt.advance_ms(300);
  EXPECT_FALSE(s.radio.state().ptt);
  EXPECT_EQ(s.client(id2), nullptr);
}

// A change is pushed in the same instant the server learns it, stamped with
// that instant: a client's setting at once, the operator's within the
// component's status cycle.
TEST(PageHub, PushesEachChangeWhenTheServerLearnsIt) {
  Station s;
  auto [id, page] = s.open();
  page->got.clear();
  const double when = s.wall();
  s.server.receive(s.ib, "FA007100000;");
  s.apt.process_pending();
  auto states = page->take("state");
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states[0]["s"]["vfo"][0]["hz"], 7'100'000);
  EXPECT_DOUBLE_EQ(states[0]["at"].get<double>(), when);

  // A page that arrives gets the view once, and the others see it arrive.
  auto [id2, page2] = s.open();
  EXPECT_EQ(page2->take("state").size(), 1u);
  EXPECT_EQ(page->last_state()["clients"].size(), 4u);
  s.hub.closed(id2);

  // The operator turns the dial: the page shows it in the instant the
  // radio's answer with the new frequency arrives, whenever the component's
  // polls ask for it.
  s.apt.advance_ms(1000);
  int64_t answered_ms = -1;
  s.server.watch([&](char kind, int, std::string_view text) {
    if (kind == 'R' && text.find("007123000") != text.npos && answered_ms < 0) {
      answered_ms = s.apt.now_us() / 1000;
    }
  });
  page->got.clear();
  s.radio.set_frequency(0, 7'123'000, s.apt.now_us());
  const int64_t turned_ms = s.apt.now_us() / 1000;
  int64_t shown_ms = -1;
  for (int i = 0; i < 2000 && shown_ms < 0; ++i) {
    s.apt.advance_ms(10);
    for (const auto& state : page->take("state")) {
      if (state["s"]["vfo"][0]["hz"] == 7'123'000) shown_ms = s.apt.now_us() / 1000;
    }
  }
  ASSERT_GE(shown_ms, 0) << "not shown 20 s after the operator turned the dial";
  EXPECT_GE(answered_ms, turned_ms);
  EXPECT_LE(shown_ms - answered_ms, 10);  // the step of this loop

  // Who is connected, who transmits, and the link as the host reports it.
  s.server.receive(s.ib, "TX1;");
  s.link = {LinkReport::Health::kLost, "port lost: unplugged"};
  s.apt.advance_ms(300);
  Json st = page->last_state();
  std::vector<std::string> who;
  for (const auto& c : st["clients"]) {
    who.push_back(c["endpoint"].get<std::string>() + (c["keyed"] ? " keyed" : ""));
  }
  EXPECT_EQ(who, (std::vector<std::string>{"test:a", "test:b keyed", "web 127.0.0.1:50000"}));
  EXPECT_EQ(st["link"], Json({{"health", "lost"}, {"text", "port lost: unplugged"}}));
}

TEST(PageHub, SMeterHistoryForANewPage) {
  Station s;
  s.apt.advance_ms(100);
  s.server.radio_read("SM0200;");
  s.apt.advance_ms(5000);
  auto [id, page] = s.open();
  const Json history = page->take("hello").at(0)["history"];
  ASSERT_FALSE(history.empty());
  // Points where the meter moved, in milliseconds before now; the newest is
  // what the radio said 5 s ago, unless the radio's own polls moved it since.
  const auto moved = std::ranges::find(history, Json(200), [](const Json& p) { return p[1]; });
  ASSERT_NE(moved, history.end()) << history;
  EXPECT_EQ((*moved)[0], -5000);
  EXPECT_TRUE(std::ranges::all_of(
      history, [](const Json& p) { return p[0] <= 0 && p[0] >= -PageHub::kHistoryMs; }));
}

// A hub that ends (the server shutting its web side) takes its pages'
// clients with it and so releases a page's key; the width, which comes back
// from the component's thread later, then touches nothing. While the hub
// lives, the width it is told is shown.
TEST(PageHub, AHubThatEndsLeavesNothingBehind) {
  test::Shared sh(570);
  std::vector<std::function<void(int)>> asked;
  auto hub = std::make_unique<PageHub>(
      sh.server, sh.apt, [&] { return sh.apt.now_us() / 1000; }, [] { return kEpochMs; },
      HubOptions{}, nullptr, [&](std::function<void(int)> done) { asked.push_back(done); });
  auto page = std::make_shared<FakePage>();
  const int id = hub->open(page, "127.0.0.1:50000");
  sh.apt.process_pending();
  ASSERT_EQ(asked.size(), 1u);
  asked[0](1234);
  sh.apt.process_pending();
  EXPECT_EQ(page->last_state()["width"], 1234);

  hub->message(id, R"({"t":"ptt","on":true})");
  sh.apt.advance_ms(300);
  ASSERT_TRUE(sh.radio.state().ptt);
  sh.server.radio_read("MD3;");  // the mode moves: the width is asked again
  sh.apt.process_pending();
  ASSERT_EQ(asked.size(), 2u);
  page->got.clear();
  hub.reset();
  const auto clients = sh.server.clients();
  EXPECT_EQ(std::ranges::count(clients, id, &share::ClientInfo::id), 0);
  EXPECT_FALSE(sh.server.mirror().state().ptt);
  asked[1](500);  // must touch nothing of the hub
  sh.apt.advance_ms(300);
  EXPECT_FALSE(sh.radio.state().ptt);
  EXPECT_TRUE(page->take("state").empty());
}

// Nonsense and floods from a page reach neither the radio nor anyone else.
TEST(PageHub, BadAndFloodingPages) {
  test::ShareOptions four;
  four.max_clients = 4;
  Station s(HubOptions{}, four);
  auto [id, page] = s.open();
  for (const char* bad : {"", "{", "[]", R"({"t":"tune","vfo":0,"hz":1})", R"({"t":"reboot"})"}) {
    s.hub.message(id, bad);
  }
  EXPECT_EQ(page->take("error").size(), 5u);
  EXPECT_EQ(s.client(id)->commands, 0);

  // A burst of commands, then refusals: "slow down".
  const size_t from = s.writes.size();
  for (int i = 0; i < 60; ++i) {
    s.hub.message(id, Json({{"t", "level"}, {"name", "sql"}, {"value", i}}).dump());
  }
  EXPECT_EQ(page->take("refused").size(), 60u - 40u);
  s.apt.advance_ms(12000);  // each setting waits its quarter second for a refusal
  EXPECT_EQ(std::ranges::count_if(s.writes_since(from),
                                  [](auto& w) { return w.starts_with("SQ0") && w.size() == 7; }),
            40);

  // A flood of any messages ends the page only.
  for (int i = 0; i < 300; ++i) s.hub.message(id, R"({"t":"ping"})");
  EXPECT_EQ(page->closed, "too many messages");
  EXPECT_EQ(s.client(id), nullptr);
  page->got.clear();
  s.hub.message(id, "{");  // until the transport closes it, it is not heard
  s.hub.message(id + 100, "{");
  EXPECT_TRUE(page->got.empty());
  s.hub.closed(id);
  s.server.receive(s.ia, "FA;");
  EXPECT_EQ(s.a.take(), s.radio_says("FA"));

  // A full server refuses a page with the reason.
  auto [id3, page3] = s.open();
  auto [id4, page4] = s.open();
  auto [id5, page5] = s.open();
  EXPECT_EQ(std::tuple(id3 > 0, id4 > 0, id5), std::tuple(true, true, -1));
  EXPECT_EQ(page5->closed, "the server has all the clients it takes");
}

}  // namespace
}  // namespace tovrak::web
