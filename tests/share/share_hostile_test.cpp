// The sharing server under hostile and careless clients and a misbehaving
// radio, in virtual time: the others are still answered truly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "hosts/station/wire_log.hpp"
#include "share/shared_radio.hpp"

namespace tovrak::share {
namespace {

using namespace std::string_literals;
using test::FakeClient;
using test::Shared;

// Bad input gets "?;"; keying, playing, tuning and power come only from a
// client allowed to; the radio hears nothing but whole commands of its set.
TEST(ShareHostile, TransmitAndPowerOnlyFromAllowedClientsAndNoGarbage) {
  Shared s;
  FakeClient tcp;
  const int it = s.server.attach(tcp, "test:tcp", {.may_transmit = false});
  const size_t from = s.writes.size();
  std::vector<std::string> sent{std::string(300, 'F') + ";"};
  s.server.receive(it, sent[0]);
  EXPECT_EQ(tcp.take(), "?;");
  int errors = 1;
  // "COMMAND ANSWER" of the client that may not transmit. The radio's "?;"
  // echoed back by a terminal is no command: the exchange ends.
  for (const std::string row :
       {"TX1; ?;", "PS0; ?;", "KY1; ?;", "AC111; ?;", "PB1; ?;", "TX0; ", "TX; TX0;",
        "PS0garbage; ?;", "FA0071000zz; ?;", "AG0999; ?;", "AG0100; ", "XX1; ?;", "fa; ?;",
        "F\x01\xff; ?;", "Q; ?;", "?;FA; FA014200000;"}) {
    const auto space = row.find(' ');
    sent.push_back(row.substr(0, space));
    s.server.receive(it, sent.back());
    EXPECT_EQ(tcp.take(), row.substr(space + 1)) << row;
    errors += row.ends_with("?;");
  }
  EXPECT_EQ(s.server.clients().back().errors, errors);
  s.server.receive(s.ia, "TX1;");
  s.apt.advance_ms(1000);
  std::vector<std::string> ours = s.writes_since(from);
  std::erase_if(ours, [&](const std::string& w) { return !std::ranges::count(sent, w); });
  EXPECT_EQ(ours, (std::vector<std::string>{"TX0;", "AG0100;", "TX1;"}));
  EXPECT_TRUE(s.radio.state().ptt);
  // Dropped for a flood while it keys: the transmitter is released.
  std::string flood;
  for (int k = 0; k < 200; ++k) flood += "AG0100;";
  s.server.receive(s.ia, flood);
  s.apt.advance_ms(1000);
  EXPECT_FALSE(s.radio.state().ptt);
}

// A flooding client's settings that never reached the radio are forgotten
// with it: nobody reads a frequency or a gain the radio never had.
TEST(ShareHostile, AFloodersUnwrittenSettingsAreNeverReadBack) {
  Shared s(570, ShareOptions{.queue_limit = 4}, 40'000);
  std::string flood;
  for (int k = 1; k <= 20; ++k) {
    flood += "FA0070" + std::to_string(10 + k) + "000;AG0" + std::to_string(100 + k) + ";";
  }
  s.server.receive(s.ib, flood);
  ASSERT_EQ(s.server.clients().size(), 1U);
  EXPECT_TRUE(s.b.closed);
  // Every value read, asking again once answered, is the radio's first or
  // one written to it; the last is the radio's own.
  std::string got;
  for (int t = 0; t < 20; ++t) {
    s.server.receive(s.ia, "FA;AG0;");
    got.clear();
    for (int ms = 0; ms < 1000 && std::ranges::count(got, ';') < 2; ms += 10) {
      s.apt.advance_ms(10);
      got += s.a.take();
    }
    const std::string fa = got.substr(0, got.find(';') + 1), ag = got.substr(fa.size());
    EXPECT_TRUE((fa == "FA014200000;" || std::ranges::count(s.writes, fa) > 0) &&
                (ag == "AG0064;" || std::ranges::count(s.writes, ag) > 0))
        << got;
  }
  EXPECT_EQ(got, s.radio_says("FA") + s.radio_says("AG0"));
  EXPECT_EQ(std::ranges::count(s.writes, "FA007012000;"), 0);  // left waiting: never written
}

// A program that writes and closes at once still has its setting written;
// a key it left queued never keys the transmitter.
TEST(ShareHostile, ALeavingClientsSettingsAreWrittenButNeverItsKey) {
  Shared s(570, {}, 40'000);
  s.server.receive(s.ia, "AG0050;");  // the radio is busy with it
  s.server.receive(s.ib, "AG0111;TX1;");
  s.server.detach(s.ib);
  s.apt.advance_ms(2000);
  EXPECT_EQ(s.radio.state().rx[0].af, 111);
  EXPECT_FALSE(s.radio.state().ptt);
}

// The radio streaming text without ";" costs the server a bounded copy; the
// answer after the noise is read. With the radio's port lost nothing is
// answered from what was known; the radio's answers teach the server again.
TEST(ShareHostile, RadioNoiseIsBoundedAndALostPortAnswersNothingFromOldState) {
  Shared s;
  s.radio_answers(std::string(1 << 20, 'F'));
  s.radio_answers("FF");  // however short: thrown away up to the next ";"
  EXPECT_EQ(s.server.radio_backlog(), 0U);
  s.radio_answers("FFF;AG0123;");
  s.server.receive(s.ia, "AG0;");
  EXPECT_EQ(s.a.take(), "AG0123;");
  EXPECT_EQ(s.server.radio_backlog(), 0U);
  s.server.radio_lost();
  const int64_t from_state = s.server.answers_from_state();
  s.server.receive(s.ia, "FA;ID;");
  EXPECT_EQ(s.a.take(), "");
  EXPECT_EQ(s.server.answers_from_state(), from_state);
  s.apt.advance_ms(1000);
  EXPECT_EQ(s.a.take(), "FA014200000;ID0570;");
}

// Idle connections make room when the server is full; a pseudo-terminal's
// program always gets in; knocking on a full server fills no log.
TEST(ShareHostile, IdleClientsMakeRoomAndThePtyAlwaysGetsIn) {
  Shared s(570, ShareOptions{.max_clients = 2, .idle_ms = 30'000});
  FakeClient late, pty, later;
  const size_t notes = s.notes.size();
  for (int k = 0; k < 10; ++k) EXPECT_EQ(s.server.attach(late, "test:late"), -1);
  EXPECT_EQ(s.notes.size(), notes + 1);
  const int ip = s.server.attach(pty, "test:pty", {.limited = false});
  EXPECT_GT(ip, 0);
  s.apt.advance_ms(20'000);
  s.server.receive(s.ib, "FA;");  // b speaks; a stays silent
  s.apt.advance_ms(15'000);
  const int il = s.server.attach(later, "test:later");
  EXPECT_GT(il, 0);
  s.apt.process_pending();
  std::vector<int> ids;
  for (const auto& c : s.server.clients()) ids.push_back(c.id);
  EXPECT_EQ(ids, (std::vector<int>{s.ib, ip, il}));
  EXPECT_EQ(s.server.attach(late, "test:late"), -1);  // b spoke 15 s ago
}

// A transmission held too long is released: "releasing" when the server
// decides it, "released" only once TX0 reached the radio's port.
TEST(ShareHostile, ReleaseToldOnlyWhenTX0ReachedTheRadio) {
  Shared s(570, ShareOptions{.tx_timeout_s = 2});
  s.server.receive(s.ia, "TX1;");
  s.apt.advance_ms(1999);
  EXPECT_TRUE(s.radio.state().ptt);
  const size_t notes = s.notes.size(), writes = s.writes.size();
  s.apt.advance_ms(1);  // two seconds to the millisecond, and the port was free
  EXPECT_EQ(s.notes.size(), notes + 2);
  s.apt.advance_ms(1000);
  EXPECT_FALSE(s.radio.state().ptt);
  ASSERT_EQ(s.notes.size(), notes + 2);
  EXPECT_EQ(s.notes[notes], "transmitting longer than 2 s: releasing the transmitter");
  EXPECT_EQ(s.notes[notes + 1], "transmitter released");
  EXPECT_EQ(std::ranges::count(s.writes_since(writes), "TX0;"), 1);
  s.server.receive(s.ib, "TX;");
  EXPECT_EQ(s.b.take(), "TX0;");
}

// The --log of a server under load keeps its size, with the older lines in
// FILE.1, and writes a busy line's lines in batches; notes at once. Opened
// again on the same file, it keeps the same size.
TEST(ShareLog, KeepsItsSizeAndWritesInBatches) {
  namespace fs = std::filesystem;
  const std::string path = testing::TempDir() + "share_limited.log";
  fs::remove(path);
  fs::remove(path + ".1");
  double wall = 1'800'000'000.0;
  station::WireLog log([&] { return wall; });
  log.open(path, 10'000);
  // The first line at once, the next within half a second buffered, a note
  // at once, and a line half a second later at once.
  auto size_after = [&](auto write) {
    write();
    return fs::file_size(path);
  };
  const auto first = size_after([&] { log.line("C1", "FA;"); });
  const auto second = size_after([&] { log.line("C1", "FB;"); });
  const auto noted = size_after([&] { log.note("client 1: disconnected"); });
  wall += station::WireLog::kFlushSeconds;
  const auto late = size_after([&] { log.line("C1", "FA;"); });
  EXPECT_TRUE(0 < first && first == second && second < noted && noted < late)
      << first << " " << second << " " << noted << " " << late;
  for (int k = 0; k < 5'000; ++k) log.line("C2", "IF;");
  log.flush();
  EXPECT_LE(fs::file_size(path), 10'000U + 64);
  EXPECT_GE(fs::file_size(path + ".1"), 10'000U);
  EXPECT_LE(fs::file_size(path + ".1"), 10'000U + 64);
  // Opened again, the log counts what the file holds towards its size.
  log.flush();
  const auto held = fs::file_size(path);
  station::WireLog again([&] { return wall; });
  again.open(path, static_cast<long long>(held));
  again.line("C1", "FA;");
  again.flush();
  EXPECT_EQ(fs::file_size(path + ".1"), held);
  EXPECT_LT(fs::file_size(path), 64U);
}

}  // namespace
}  // namespace tovrak::share
