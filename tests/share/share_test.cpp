// The sharing server's rules in virtual time: the component drives the
// simulated radio on the virtual line, and fake client links talk to the
// server as programs on a pseudo-terminal or a socket would.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "hosts/share/server.hpp"
#include "hosts/sim/answer_text.hpp"
#include "hosts/sim/sim_link.hpp"
#include "hosts/station/tapped_apartment.hpp"
#include "support/rig.hpp"
#include "tovrak/stream_endpoints.hpp"

namespace tovrak::share {
namespace {

using namespace std::string_literals;
using test::str;

struct FakeClient : ClientLink {
  std::string got;
  void send(std::string_view b) override { got += b; }
  void close() override {}
  std::string take() { return std::exchange(got, {}); }
};

struct Shared {
  platform::VirtualApartment apt;
  station::TappedApartment tap{apt};
  sim::SimRadio radio;
  sim::SimLink link{sim::attach(radio, apt)};
  std::vector<std::string> writes;  // every write to the radio
  std::vector<std::string> notes;
  FakeClient a, b;
  TOVRAK_Connector connector{tap};
  std::shared_ptr<TOVRAK_Protocol> rig{connector.get_TOVRAK_Protocol()};
  ShareServer server;
  int ia = 0, ib = 0;

  explicit Shared(int id = 570, ShareOptions o = {}, int64_t latency_us = 0)
      : radio(sim::SimOptions{.id = id, .latency_us = latency_us}),
        server(
            *rig, apt, apt, [this] { return apt.now_us() / 1000; }, o) {
    apt.set_time_of_day(3600);
    tap.on_read([this](std::string_view s) { server.radio_read(s); });
    tap.on_write([this](std::string_view s) {
      server.radio_wrote(s);
      writes.emplace_back(s);
    });
    server.trace([this](char k, int, std::string_view t) {
      if (k == 'N') notes.emplace_back(t);
    });
    rig->put_Port(1);
    rig->SetPort(test::Ref<VBool>(VTrue), str(""), str(""), str(""));
    rig->SetCAT(test::i16(1));
    apt.advance_ms(12000);  // the component learns the radio
    ia = server.attach(a, "test:a");
    ib = server.attach(b, "test:b");
  }
  std::vector<std::string> writes_since(size_t from) const {
    return {writes.begin() + static_cast<ptrdiff_t>(from), writes.end()};
  }
  std::string radio_says(std::string_view q) const {
    return *sim::QueryAnswer(radio.state(), radio.options().id, q) + ";";
  }
};

TEST(ShareServer, QueriesAnsweredFromStateInTheRadiosLayout) {
  for (int id : {570, 19}) {
    Shared s(id);
    for (const char* q :
         {"FA", "FB", "IF", "MD0", "MD1", "VS", "FT", "TX", "SM0", "AG0", "SH0", "ID"}) {
      s.server.receive(s.ia, std::string(q) + ";");
      EXPECT_EQ(s.a.take(), s.radio_says(q)) << "id " << id << " query " << q;
    }
    EXPECT_EQ(s.server.answers_from_state(), 12);
  }
}

// The radio's answer reaches only the client that asked; a silent radio
// leaves it without one and not stuck.
TEST(ShareServer, ForwardsUnknownQueriesAndRoutesTheAnswer) {
  Shared s;
  s.server.receive(s.ia, "EX087;FA;");
  EXPECT_EQ(s.a.take(), "");  // the frequency waits behind the forwarded query
  s.apt.advance_ms(400);
  EXPECT_EQ(s.a.take(), s.radio_says("EX087") + s.radio_says("FA"));
  EXPECT_EQ(s.b.take(), "");

  s.radio.go_silent(s.apt.now_us(), 5'000'000);
  s.server.receive(s.ib, "RF0;");
  // The command path's wait, then ours.
  s.apt.advance_ms(250 + ShareServer::kForwardTimeoutMs + 100);
  EXPECT_EQ(s.b.take(), "");
  s.server.receive(s.ib, "FA;");
  EXPECT_EQ(s.b.take(), s.radio_says("FA"));
}

TEST(ShareServer, SettingsSeenAtOnceAndWrittenWholeInTurn) {
  Shared s(570, {}, 40'000);  // answers take 40 ms to come back
  const size_t from = s.writes.size();
  s.server.receive(s.ia, "FA007100000;MD03;");
  s.server.receive(s.ib, "FB021200000;FA;MD0;");
  EXPECT_EQ(s.b.take(), "FA007100000;MD03;");
  s.apt.process_pending();  // the component takes it on its apartment
  EXPECT_DOUBLE_EQ(s.rig->get_VFOA_Freq(), 7.1);
  // Answers of the radio already on their way do not take the value back.
  for (int i = 0; i < 20; ++i) {
    s.apt.advance_ms(50);
    s.server.receive(s.ib, "FA;");
    ASSERT_EQ(s.b.take(), "FA007100000;") << i * 50 << " ms";
  }
  EXPECT_EQ(s.radio.state().vfo[0].hz, 7'100'000);
  EXPECT_EQ(s.radio.state().vfo[0].mode, '3');
  EXPECT_EQ(s.radio.state().vfo[1].hz, 21'200'000);
  const std::vector<std::string> ours{"FA007100000;", "MD03;", "FB021200000;"};
  auto written = s.writes_since(from);
  std::erase_if(written, [&](auto& w) { return std::ranges::count(ours, w) == 0; });
  EXPECT_EQ(written, ours);
}

// Automatic information is the client's own: it never reaches the radio, and
// a client is told of changes made by others and at the radio itself.
TEST(ShareServer, AutomaticInformationPerClient) {
  Shared s;
  const size_t from = s.writes.size();
  s.server.receive(s.ia, "AI1;AI;");
  EXPECT_EQ(s.a.take(), "AI1;");
  s.server.receive(s.ib, "AI;FA014010000;");
  EXPECT_EQ(s.b.take(), "AI0;");
  EXPECT_EQ(s.a.take(), "FA014010000;");
  s.apt.advance_ms(500);
  EXPECT_EQ(std::ranges::count(s.writes_since(from), "AI1;"), 0);

  s.a.take();
  s.radio.set_frequency(0, 14'020'000, s.apt.now_us());  // the operator turns the dial
  s.apt.advance_ms(10000);
  const std::string told = s.a.take();
  EXPECT_NE(told.find("FA014020000;"), std::string::npos) << told;
  EXPECT_EQ(s.b.take(), "");
}

// A transmission held too long is released (the release when its client
// goes is share_integration's, with a killed client).
TEST(ShareServer, TransmitterReleasedAfterTheTimeout) {
  Shared s(570, ShareOptions{.tx_timeout_s = 2});
  s.server.receive(s.ia, "TX1;");
  s.apt.advance_ms(1500);
  EXPECT_TRUE(s.radio.state().ptt);
  s.apt.advance_ms(1000);
  EXPECT_FALSE(s.radio.state().ptt);
  EXPECT_FALSE(s.notes.empty());
  s.server.receive(s.ib, "TX;");
  EXPECT_EQ(s.b.take(), "TX0;");
}

// One setting at a time is never a flood; settings waiting behind the one
// being written that pass the limit are.
TEST(ShareServer, QueueLimitCountsOnlyWaitingCommands) {
  Shared s(570, ShareOptions{.queue_limit = 2});
  const size_t from = s.writes.size(), notes = s.notes.size();
  for (const char* f : {"FA007001000;", "FA007002000;", "FA007003000;", "FA007004000;"}) {
    s.server.receive(s.ia, f);
    s.apt.advance_ms(500);
  }
  EXPECT_EQ(std::ranges::count(s.writes_since(from), "FA007004000;"), 1);
  EXPECT_EQ(s.notes.size(), notes) << s.notes.back();
  s.server.receive(s.ib, "FA007005000;FA007006000;FA007007000;FA007008000;");
  ASSERT_EQ(s.notes.size(), notes + 1);
  EXPECT_NE(s.notes.back().find("(flood)"), std::string::npos) << s.notes.back();
}

// Bad input gets "?;", reaches nothing and disturbs nobody (a flood ending
// its connection only is share_integration's).
TEST(ShareServer, BadInput) {
  Shared s;
  const size_t from = s.writes.size();
  for (const std::string& bad :
       {"XX1;"s, "fa;"s, "F\x01\xff;"s, "Q;"s, std::string(300, 'F') + ";"}) {
    s.server.receive(s.ia, bad);
    EXPECT_EQ(s.a.take(), "?;") << bad;
  }
  s.server.receive(s.ia, "FA;");
  EXPECT_EQ(s.a.take(), s.radio_says("FA"));
  s.apt.advance_ms(500);
  for (const std::string& w : s.writes_since(from)) {
    EXPECT_TRUE(w.find("XX") == w.npos && w.find('\x01') == w.npos && w.find("FFFF") == w.npos)
        << w;
  }
}

// Who may listen where and who may connect: loopback unless said otherwise.
TEST(ShareEndpoints, ListenAddressesAndAllowedNetworks) {
  // "TEXT ADDRESS:PORT": what --listen TEXT listens on; "TEXT" alone: refused.
  for (const std::string row :
       {"7400 127.0.0.1:7400", "localhost 127.0.0.1:7373", "0.0.0.0:80 0.0.0.0:80",
        "192.168.1.5 192.168.1.5:7373", ":9000 127.0.0.1:9000", "1.2.3", "host:1",
        "127.0.0.1:", "127.0.0.1:70000", "::1"}) {
    const std::string text = row.substr(0, row.find(' '));
    std::string address, got;
    uint16_t port = 0;
    try {
      platform::parse_listen(text, 7373, address, port);
      got = " " + address + ":" + std::to_string(port);
    } catch (const std::invalid_argument&) {
    }
    EXPECT_EQ(text + got, row);
  }

  const auto net = platform::Cidr::parse("192.168.1.0/24");
  EXPECT_TRUE(net.contains(0xC0A80107));   // 192.168.1.7
  EXPECT_FALSE(net.contains(0xC0A80207));  // 192.168.2.7
  EXPECT_TRUE(platform::Cidr::parse("0.0.0.0/0").contains(0x08080808));
  EXPECT_FALSE(platform::Cidr::parse("10.1.2.3").contains(0x0A010204));
  for (const char* bad : {"10.0.0.0/33", "10.0.0/8", "10.0.0.0/", "net"}) {
    EXPECT_THROW(platform::Cidr::parse(bad), std::invalid_argument) << bad;
  }
}

}  // namespace
}  // namespace tovrak::share
