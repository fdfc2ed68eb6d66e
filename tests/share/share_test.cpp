// The sharing server's rules in virtual time, with fake client links
// (shared_radio.hpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "share/shared_radio.hpp"

namespace tovrak::share {
namespace {

using namespace std::string_literals;
using test::FakeClient;
using test::Shared;
using test::str;

TEST(ShareServer, QueriesAnsweredFromStateInTheRadiosLayout) {
  const char* queries = "FA;FB;IF;MD0;MD1;VS;FT;TX;SM0;AG0;SH0;IS0;ID;";
  Shared wide(570);
  wide.server.receive(wide.ia, queries);
  EXPECT_EQ(wide.a.take(),
            "FA014200000;FB007050000;IF001014200000+00000020000;MD02;MD11;VS0;FT0;TX0;SM0022;"
            "AG0064;SH016;IS0+0000;ID0570;");
  Shared narrow(19);
  narrow.server.receive(narrow.ia, queries);
  EXPECT_EQ(narrow.a.take(),
            "FA14200000;FB07050000;IF00114200000+000000200000;MD02;MD11;VS0;FT0;TX0;SM0022;"
            "AG0064;SH016;IS0+0000;ID0019;");
  EXPECT_EQ(wide.server.answers_from_state() + narrow.server.answers_from_state(), 26);
}

// The radio's answer reaches only the client that asked; a silent radio, or
// a closed port, leaves it without one and not stuck.
TEST(ShareServer, ForwardsUnknownQueriesAndRoutesTheAnswer) {
  Shared s;
  s.server.receive(s.ia, "EX087;FA;");
  EXPECT_EQ(s.a.take(), "");  // the frequency waits behind the forwarded query
  s.apt.advance_ms(400);
  EXPECT_EQ(s.a.take(), "EX08710;FA014200000;");
  EXPECT_EQ(s.b.take(), "");

  s.radio.go_silent(s.apt.now_us(), 5'000'000);
  s.server.receive(s.ib, "RF0;");
  // The command spacing before the write, then our wait.
  s.apt.advance_ms(100 + ShareServer::kForwardTimeoutMs + 100);
  EXPECT_EQ(s.b.take(), "");
  s.server.receive(s.ib, "FA;");
  EXPECT_EQ(s.b.take(), "FA014200000;");

  s.rig->SetPort(test::Ref<VBool>(VFalse), str(""), str(""), str(""));
  const size_t from = s.writes.size();
  s.server.receive(s.ia, "RG0;FA;");
  s.apt.process_pending();
  EXPECT_EQ(s.a.take(), "FA014200000;");
  s.apt.advance_ms(1000);
  EXPECT_EQ(s.writes.size(), from);
}

// A forwarded query waits one round trip of the radio's, and the next one
// follows it (the spacing around them is the station's test's); the
// component's model learns the answers as any other.
TEST(ShareServer, ForwardedQueriesTakeOneRoundTripEach) {
  Shared s(570, {}, 40'000);  // answers take 40 ms to come back
  while (s.apt.now_us() / 1000 - s.write_ms.back() < 100) s.apt.advance_ms(1);
  const size_t from = s.writes.size();
  const int64_t asked = s.apt.now_us() / 1000;
  Variant main_receiver(int16_t{0});
  const int16_t level = s.rig->get_RFLevel(main_receiver);
  s.server.receive(s.ia, "RG0;");
  s.server.receive(s.ib, "KS;");
  int64_t a_at = -1, b_at = -1;  // when each client had its answer
  for (int ms = 0; ms < 600 && b_at < 0; ++ms) {
    s.apt.advance_ms(1);
    if (a_at < 0 && !s.a.got.empty()) a_at = s.apt.now_us() / 1000;
    if (b_at < 0 && !s.b.got.empty()) b_at = s.apt.now_us() / 1000;
  }
  const std::string rg_answer = s.radio_says("RG0");
  EXPECT_EQ(s.a.take() + s.b.take(), rg_answer + s.radio_says("KS"));
  const int64_t rg = s.written_ms("RG0;", from), ks = s.written_ms("KS;", from);
  EXPECT_EQ(std::tuple(rg, a_at - rg <= 41, b_at - ks <= 41, ks - rg < 250),
            std::tuple(asked, true, true, true));
  EXPECT_NE(level, s.rig->get_RFLevel(main_receiver));
  EXPECT_EQ(s.rig->get_RFLevel(main_receiver), 255 - std::stoi(rg_answer.substr(3, 3)));
}

// Clients asking for the same value the server has not learned wait for one
// query of the radio's, also when they ask while it is on its way, and the
// first one leaving takes it from nobody else.
TEST(ShareServer, ClientsAskingTheSameUnknownValueShareOneRoundTrip) {
  Shared s(570, {}, 40'000);
  const size_t from = s.writes.size();
  s.server.receive(s.ia, "RG0;");
  s.server.receive(s.ib, "RG0;");
  FakeClient c;
  const int ic = s.server.attach(c, "test:c");
  const int64_t written = s.written_ms("RG0;", from);
  s.server.receive(ic, "RG0;");
  s.server.detach(s.ia);
  while (c.got.empty() && s.apt.now_us() / 1000 - written < 300) s.apt.advance_ms(1);
  const std::string rg = s.radio_says("RG0");
  EXPECT_EQ(std::tuple(s.b.take(), c.take(), s.apt.now_us() / 1000 - written <= 41,
                       std::ranges::count(s.writes_since(from), "RG0;")),
            std::tuple(rg, rg, true, 1));
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
  const auto& vfo = s.radio.state().vfo;
  EXPECT_EQ(std::tuple(vfo[0].hz, vfo[0].mode, vfo[1].hz), std::tuple(7'100'000, '3', 21'200'000));
  const std::vector<std::string> ours{"FA007100000;", "MD03;", "FB021200000;"};
  auto written = s.writes_since(from);
  std::erase_if(written, [&](auto& w) { return std::ranges::count(ours, w) == 0; });
  EXPECT_EQ(written, ours);
}

// The radio's "?;" soon after a client's setting is that client's; later it
// is nobody's.
TEST(ShareServer, TheRadiosRefusalGoesToTheClientWhoseSettingCausedIt) {
  Shared s;
  s.server.receive(s.ia, "MC050;");  // no channel 50: the radio refuses
  s.apt.advance_ms(400);
  EXPECT_EQ(s.a.take(), "?;");
  s.server.receive(s.ib, "MC051;");
  s.apt.advance_ms(400);
  EXPECT_EQ(s.b.take(), "?;");
  EXPECT_EQ(s.a.take(), "");
  const size_t from = s.writes.size();
  s.server.receive(s.ia, "AG0100;");
  const int64_t write = s.written_ms("AG0100;", from);
  // The component holds the thread a quarter second after its write; the
  // refusal window of 250 ms runs from then.
  s.advance_to_ms(write + 250 + 250);
  s.radio_answers("?;");
  EXPECT_EQ(s.a.take(), "?;");
  s.advance_to_ms(write + 250 + 251);
  s.radio_answers("?;");
  EXPECT_EQ(s.a.take() + s.b.take(), "");
}

// After a client's setting is written, the radio's answers of its code (and
// of the information answers a tuning setting changes) are not learned for a
// while: they may have left the radio before the setting arrived.
TEST(ShareServer, AnswersOfASettingsCodeAreNotLearnedRightAfterIt) {
  Shared s;
  const size_t from = s.writes.size();
  s.server.receive(s.ia, "FA007100000;");
  const int64_t write = s.written_ms("FA007100000;", from);
  s.advance_to_ms(write + 250 + 250);  // the component's quarter second, then 250 ms
  s.radio_answers("FA014200000;IF001014200000+00000020000;AG0100;");
  s.server.receive(s.ib, "FA;IF;AG0;");
  EXPECT_EQ(s.b.take(), "FA007100000;IF001007100000+00000020000;AG0100;");
  s.advance_to_ms(write + 250 + 350);
  s.radio_answers("FA014200000;");
  s.server.receive(s.ib, "FA;IF;");
  EXPECT_EQ(s.b.take(), "FA014200000;IF001014200000+00000020000;");
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

// The mirror learns from the radio's answers once it knows the radio's
// identification, and from the clients' settings; it answers a query only
// when every fact is known. Steps: "A" an answer learned (1) or not (0), "S"
// a setting, "Q" a query and its answer ("-": none), "F" a setting forgotten.
TEST(ShareMirror, LearnsAnswersAndSettingsAndAnswersWhatIsKnown) {
  RadioMirror m;
  const char* steps[] = {
      "A FA014200000 0 (the digits are not known yet)", "S AG0100 1",
      "Q AG0 - (nothing is answered before the identification)", "Q ID -", "A ID0570 1",
      "Q ID ID0570", "A FA14200000 0", "A FA014200000 1", "Q FA FA014200000", "Q MD0 -",
      "A OI001007050000+00000100000 0 (which VFO is the other?)", "A VS0 1",
      "A OI001007050000+00000100000 1", "Q FB FB007050000", "Q MD1 MD11",
      "A IF001014250000+00000020000 1", "Q FA FA014250000", "Q MD0 MD02",
      "Q IF IF001014250000+00000020000", "Q OI -", "A AG0120 1", "Q AG0 AG0120", "Q AG1 -",
      "A GT01 0 (not kept: another setting may change it)", "Q GT0 -", "A NA01 1",
      "Q NA NA01 (the receiver in use is known)", "A SM0017 1", "Q SM0 SM0017", "S VS1 1", "Q NA -",
      "S FB007100000 1", "Q IF IF001007100000+00000010000",
      "S FA1 0 (a setting not understood: the tuning is unsure)", "Q FA -", "Q VS -", "Q IF -",
      "Q AG0 AG0120", "A IF002007000000+00000031000 1 (a memory, on the main receiver)",
      "Q IF IF002007000000+00000031000", "Q FA -", "A VS0 1",
      "A OI001007050000+00000100000 0 (no other VFO in memory mode)",
      // Settings that never reached the radio are forgotten: their own
      // value, and the tuning with a tuning setting.
      "A IF001014250000+00000020000 1", "F AG0100", "Q AG0 -", "Q IF IF001014250000+00000020000",
      "F FB007000000", "Q IF -", "Q SM0 SM0017"};
  for (const char* step : steps) {
    std::istringstream in(step);
    std::string kind, text, expected;
    in >> kind >> text >> expected;
    if (kind == "Q") {
      EXPECT_EQ(m.answer(text).value_or("-"), expected) << step;
    } else if (kind == "F") {
      m.forget_setting(text);
    } else {
      const bool learned = kind == "A" ? m.learn_answer(text) : m.learn_setting(text);
      EXPECT_EQ(learned, expected == "1") << step;
    }
  }
}

}  // namespace
}  // namespace tovrak::share
