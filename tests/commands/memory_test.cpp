// Memory channels, CTCSS tones, repeater direction and offset.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "command_fixture.hpp"
#include "core/commands/tones.hpp"

namespace tovrak::test {
namespace {

using core::ToneCode;

struct ChannelCommands : Commands {};
struct RepeaterCommands : Commands {};

// ---- SetChannel

TEST_F(ChannelCommands, SetChannelRecallsThenAsksForStatus) {
  EXPECT_TRUE(p.SetChannel(i16(7)));
  EXPECT_TRUE(wire_is(Wire{{0, "MC007;"}, {100, "IF;"}}));
  EXPECT_EQ(s.Channel, 7);
  EXPECT_EQ(s.MemMode, 1);

  EXPECT_TRUE(p.SetChannel(i16(99)));
  EXPECT_EQ(r.sent(), (Texts{"MC099;", "IF;"}));
  EXPECT_TRUE(p.SetChannel(i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"MC001;", "IF;"}));
  EXPECT_TRUE(p.SetChannel(i16(10)));
  EXPECT_EQ(r.sent(), (Texts{"MC010;", "IF;"}));
  s.VFO = 2;
  EXPECT_TRUE(p.SetChannel(i16(42)));
  EXPECT_EQ(r.sent(), (Texts{"MC042;", "IF;"}));

  s.ChannelMax = 300;
  EXPECT_TRUE(p.SetChannel(i16(120)));
  EXPECT_EQ(r.sent(), (Texts{"MC120;", "IF;"}));
  EXPECT_EQ(s.Channel, 120);
}

TEST_F(ChannelCommands, SetChannelRefusals) {
  EXPECT_REFUSED(p.SetChannel(i16(100)));
  EXPECT_REFUSED(p.SetChannel(i16(0)));
  EXPECT_REFUSED(p.SetChannel(i16(-1)));
  s.ChannelMin = 10;
  EXPECT_REFUSED(p.SetChannel(i16(9)));
  s.VFO = 1;
  EXPECT_REFUSED(p.SetChannel(i16(12)));
  s.VFO = 0;
  s.Property[core::cap::SetChannel] = 0;
  EXPECT_REFUSED(p.SetChannel(i16(12)));
}

// ---- SetVFOM and the memory-write command

struct MemoryWriteCommands : Commands {
  void SetUp() override {
    Commands::SetUp();
    s.Freq = 14.25;
    s.Mode = 1;
    s.TransceiverID = 570;
  }
  // The memory-write command from its fields, in order.
  static std::string mw(const std::string& channel, const std::string& freq,
                        const std::string& mode, const std::string& tone_mode,
                        const std::string& tone, const std::string& shift) {
    return "MW" + channel + freq + "+" + "0000" + "0" + "0" + mode + "0" + tone_mode + tone +
           shift + ";";
  }
  bool store(int16_t channel) {
    std::string info;
    return static_cast<bool>(p.SetVFOM(channel, info));
  }
};

TEST_F(MemoryWriteCommands, SetVFOMWritesTheChannelThenAsksForStatus) {
  std::string info;
  EXPECT_TRUE(p.SetVFOM(i16(12), info));
  EXPECT_TRUE(wire_is(Wire{{0, mw("012", "014250000", "2", "0", "00", "0")}, {200, "IF;"}}));
  EXPECT_EQ(s.MemMode, 1);
  EXPECT_EQ(s.Channel, 12);
  EXPECT_EQ(now_ms(), 200);
}

TEST_F(MemoryWriteCommands, SetVFOMEightDigitFrequencyForOtherRadios) {
  s.TransceiverID = 0;
  EXPECT_TRUE(store(5));
  EXPECT_EQ(r.sent(), (Texts{mw("005", "14250000", "2", "0", "00", "0"), "IF;"}));
}

TEST_F(MemoryWriteCommands, SetVFOMFmCarriesToneAndShift) {
  s.Mode = 4;
  s.Enc = 1;
  s.Dec = 0;
  s.CTCSS = 88.5f;
  s.RPT = -1;
  EXPECT_TRUE(store(12));
  EXPECT_EQ(r.sent(), (Texts{mw("012", "014250000", "4", "2", "08", "2"), "IF;"}));

  struct Case {
    int16_t enc, dec;
    float ctcss;
    int16_t rpt;
    const char *tone_mode, *tone, *shift;
  };
  const Case cases[] = {
      {1, 1, 67.0f, 1, "1", "00", "1"},  {0, 0, 254.1f, 0, "0", "49", "0"},
      {0, 1, 88.4f, -1, "0", "00", "2"}, {1, 0, 0.0f, 1, "2", "00", "1"},
      {0, 9, 100.0f, 0, "0", "12", "0"},  // with encoding off the decode switch is not looked at
  };
  for (const auto& c : cases) {
    s.MemMode = 0;
    s.Enc = c.enc;
    s.Dec = c.dec;
    s.CTCSS = c.ctcss;
    s.RPT = c.rpt;
    EXPECT_TRUE(store(3));
    EXPECT_EQ(r.sent(), (Texts{mw("003", "014250000", "4", c.tone_mode, c.tone, c.shift), "IF;"}))
        << c.enc << c.dec << c.ctcss << c.rpt;
  }
}

TEST_F(MemoryWriteCommands, SetVFOMOtherModesCarryNoToneOrShift) {
  s.Enc = 1;
  s.Dec = 1;
  s.CTCSS = 88.5f;
  s.RPT = 1;
  struct Case {
    int16_t mode, reverse;
    const char* digit;
  };
  const Case cases[] = {{0, 0, "1"}, {1, 1, "2"}, {2, 0, "3"}, {2, 1, "7"}, {3, 1, "5"},
                        {5, 0, "6"}, {5, 1, "9"}, {6, 0, "8"}, {6, 1, "8"}, {9, 0, "0"}};
  for (const auto& c : cases) {
    s.MemMode = 0;
    s.Mode = c.mode;
    s.Reverse = c.reverse;
    EXPECT_TRUE(store(1));
    EXPECT_EQ(r.sent(), (Texts{mw("001", "014250000", c.digit, "0", "00", "0"), "IF;"}))
        << c.mode << c.reverse;
    EXPECT_EQ(s.Mode, c.mode);
  }
  // Odd switch values do not matter outside FM.
  s.MemMode = 0;
  s.Mode = 1;
  s.Enc = 2;
  s.RPT = 3;
  EXPECT_TRUE(store(1));
  EXPECT_EQ(r.sent(), (Texts{mw("001", "014250000", "2", "0", "00", "0"), "IF;"}));
}

TEST_F(MemoryWriteCommands, SetVFOMStoresWideFmAsFm) {
  s.Mode = 7;
  s.Enc = 1;
  s.Dec = 1;
  s.CTCSS = 67.0f;
  s.RPT = 1;
  EXPECT_TRUE(store(2));
  EXPECT_EQ(r.sent(), (Texts{mw("002", "014250000", "4", "1", "00", "1"), "IF;"}));
  EXPECT_EQ(s.Mode, 4);
}

TEST_F(MemoryWriteCommands, SetVFOMCutsALongFrequencyField) {
  s.Freq = 1296.1;  // ten decimal digits
  EXPECT_TRUE(store(1));
  EXPECT_EQ(r.sent()[0], mw("001", "129610000", "2", "0", "00", "0"));
  s.MemMode = 0;
  s.TransceiverID = 0;
  s.Freq = 144.2;  // nine packed digits
  EXPECT_TRUE(store(1));
  EXPECT_EQ(r.sent()[0], mw("001", "14420000", "2", "0", "00", "0"));
}

TEST_F(MemoryWriteCommands, SetVFOMDoesNotTestTheChannelLimits) {
  EXPECT_TRUE(store(0));
  EXPECT_EQ(r.sent()[0], mw("000", "014250000", "2", "0", "00", "0"));
  s.MemMode = 0;
  EXPECT_TRUE(store(500));
  EXPECT_EQ(r.sent()[0], mw("500", "014250000", "2", "0", "00", "0"));
  EXPECT_EQ(s.Channel, 500);
}

TEST_F(MemoryWriteCommands, SetVFOMWritesEvenWhileSendingIsMuted) {
  m.link.send_muted = VTrue;
  EXPECT_TRUE(store(12));
  EXPECT_TRUE(wire_is(Wire{{0, mw("012", "014250000", "2", "0", "00", "0")}, {200, "IF;"}}));
  EXPECT_EQ(m.link.send_muted, VTrue);  // restored
  EXPECT_TRUE(p.SetPTT(i16(1)));
  EXPECT_EQ(r.wire(), Wire{});
}

TEST_F(MemoryWriteCommands, SetVFOMRefusals) {
  s.MemMode = 1;
  EXPECT_REFUSED(store(12));
  s.MemMode = 0;
  s.Property[core::cap::SetVFOM] = 0;
  EXPECT_REFUSED(store(12));
  s.Property[core::cap::SetVFOM] = 1;
  // In FM a tone switch or repeater direction without a character of its
  // own would garble the channel.
  s.Mode = 4;
  s.CTCSS = 88.5f;
  struct Case {
    int16_t enc, dec, rpt;
  };
  for (auto c : {Case{2, 0, 0}, Case{-1, 0, 0}, Case{1, 2, 0}, Case{1, -1, 0}, Case{1, 1, 2},
                 Case{0, 0, -2}}) {
    s.Enc = c.enc;
    s.Dec = c.dec;
    s.RPT = c.rpt;
    EXPECT_REFUSED(store(12));
  }
  s.Mode = 7;  // stored as FM
  s.Enc = 3;
  s.Dec = 0;
  s.RPT = 0;
  EXPECT_REFUSED(store(12));
  m.link.send_muted = VTrue;
  EXPECT_REFUSED(store(12));
}

// ---- ToneCode, SetTone

TEST(ToneTable, EveryToneHasItsNumberAndNothingElseMatches) {
  const std::vector<float> tones = {
      67.0f,  69.3f,  71.9f,  74.4f,  77.0f,  79.7f,  82.5f,  85.4f,  88.5f,  91.5f,
      94.8f,  97.4f,  100.0f, 103.5f, 107.2f, 110.9f, 114.8f, 118.8f, 123.0f, 127.3f,
      131.8f, 136.5f, 141.3f, 146.2f, 151.4f, 156.7f, 159.8f, 162.2f, 165.5f, 167.9f,
      171.3f, 173.8f, 177.3f, 179.9f, 183.5f, 186.2f, 189.9f, 192.8f, 196.6f, 199.5f,
      203.5f, 206.5f, 210.7f, 218.1f, 225.7f, 229.1f, 233.6f, 241.8f, 250.3f, 254.1f};
  ASSERT_EQ(tones.size(), 50u);
  for (size_t i = 0; i < tones.size(); ++i) {
    EXPECT_EQ(ToneCode(tones[i]), static_cast<int16_t>(i)) << tones[i];
    // No tolerance: the nearest single values either side do not match.
    EXPECT_EQ(ToneCode(std::nextafter(tones[i], 0.0f)), -1) << tones[i];
    EXPECT_EQ(ToneCode(std::nextafter(tones[i], 1000.0f)), -1) << tones[i];
  }
  EXPECT_EQ(ToneCode(88.4f), -1);
  EXPECT_EQ(ToneCode(0.0f), -1);
  EXPECT_EQ(ToneCode(-67.0f), -1);
  EXPECT_EQ(ToneCode(static_cast<float>(88.5)), 8);
}

struct ToneCommands : Commands {
  void SetUp() override {
    Commands::SetUp();
    s.Mode = 4;
  }
};

TEST_F(ToneCommands, SetToneSwitchesThenSelectsTheTone) {
  EXPECT_TRUE(p.SetTone(sgl(67.0f), i16(0), i16(1), i16(1)));
  EXPECT_TRUE(wire_is(Wire{{0, "CT01;"}, {100, "CN000;"}}));
  EXPECT_EQ(s.CTCSS, 67.0f);
  EXPECT_EQ(s.Enc, 1);
  EXPECT_EQ(s.Dec, 1);
  EXPECT_EQ(s.DCS, 0);

  s.VFO = 1;
  EXPECT_TRUE(p.SetTone(sgl(88.5f), i16(0), i16(1), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"CT12;", "CN108;"}));
  EXPECT_EQ(s.Dec, 0);

  s.VFO = 2;  // only VFO B has its own digit
  EXPECT_TRUE(p.SetTone(sgl(254.1f), i16(0), i16(0), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"CT00;", "CN049;"}));
}

TEST_F(ToneCommands, SetToneSkipsWhatItCannotSay) {
  EXPECT_TRUE(p.SetTone(sgl(88.4f), i16(0), i16(0), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"CT00;"}));
  EXPECT_EQ(s.CTCSS, 88.4f);

  EXPECT_TRUE(p.SetTone(sgl(100.0f), i16(0), i16(5), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"CN012;"}));
  EXPECT_EQ(s.Enc, 5);
  EXPECT_TRUE(p.SetTone(sgl(100.0f), i16(0), i16(1), i16(3)));
  EXPECT_EQ(r.sent(), (Texts{"CN012;"}));
  EXPECT_EQ(s.Dec, 3);
}

TEST_F(ToneCommands, SetToneStoresTheDcsCodeOnlyWhereItIsSupported) {
  s.Property[core::cap::SetTone] = 2;  // DCS only
  EXPECT_TRUE(p.SetTone(sgl(0.0f), i16(23), i16(0), i16(0)));
  EXPECT_EQ(r.sent(), (Texts{"CT00;"}));
  EXPECT_EQ(s.DCS, 23);
  EXPECT_TRUE(p.SetTone(sgl(-1.0f), i16(25), i16(1), i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"CT01;"}));
  EXPECT_EQ(s.CTCSS, -1.0f);
  EXPECT_REFUSED(p.SetTone(sgl(88.5f), i16(23), i16(1), i16(1)));

  s.Property[core::cap::SetTone] = 3;  // both
  EXPECT_TRUE(p.SetTone(sgl(88.5f), i16(23), i16(1), i16(1)));
  EXPECT_EQ(r.sent(), (Texts{"CT01;", "CN008;"}));
  EXPECT_EQ(s.DCS, 23);
}

TEST_F(ToneCommands, SetToneRefusals) {
  EXPECT_REFUSED(p.SetTone(sgl(88.5f), i16(23), i16(1), i16(1)));  // no DCS
  EXPECT_TRUE(p.SetTone(sgl(88.5f), i16(0), i16(1), i16(1)));
  EXPECT_TRUE(p.SetTone(sgl(88.5f), i16(-4), i16(1), i16(1)));
  r.wire();
  for (int16_t mode : {0, 1, 2, 3, 5, 6, 7}) {
    s.Mode = mode;
    EXPECT_REFUSED(p.SetTone(sgl(88.5f), i16(0), i16(1), i16(1)));
  }
  s.Mode = 4;
  s.Property[core::cap::SetTone] = 0;
  EXPECT_REFUSED(p.SetTone(sgl(0.0f), i16(0), i16(0), i16(0)));
}

// ---- SetRPT, SetShift, MClear

TEST_F(RepeaterCommands, SetRPTDirections) {
  struct Case {
    int16_t dir;
    const char* sent;
  };
  const Case cases[] = {{-1, "OS02;"}, {0, "OS00;"}, {1, "OS01;"}, {5, "OS0;"}, {-2, "OS0;"}};
  for (const auto& c : cases) {
    EXPECT_TRUE(p.SetRPT(i16(c.dir)));
    EXPECT_EQ(r.sent(), (Texts{c.sent})) << c.dir;
    EXPECT_EQ(s.RPT, c.dir);
  }
  s.Property[core::cap::SetRPT] = 0;
  EXPECT_REFUSED(p.SetRPT(i16(1)));
}

TEST_F(RepeaterCommands, SetShiftMenuFollowsTheFrequency) {
  struct Case {
    double mhz;
    float hz;
    const char* sent;
  };
  const Case cases[] = {
      {14.2, 100000.0f, "EX0680100;"},   {51.0, 600000.0f, "EX0690600;"},
      {49.999, 600000.0f, "EX0680600;"}, {50.0, 600000.0f, "EX0690600;"},
      {29.6, 999.0f, "EX0680001;"},  // 0.999 kHz and the small correction make 1
      {29.6, 989.0f, "EX0680000;"},  // 0.989 kHz stays below
      {29.6, 0.0f, "EX0680000;"},        {29.6, 12345678.0f, "EX06812345;"},
      {29.6, -5000.0f, "EX06800-5;"},
  };
  for (const auto& c : cases) {
    s.Freq = c.mhz;
    EXPECT_TRUE(p.SetShift(sgl(c.hz)));
    EXPECT_EQ(r.sent(), (Texts{c.sent})) << c.mhz << " " << c.hz;
    EXPECT_EQ(s.Shift, c.hz);
  }
  s.Property[core::cap::SetShift] = 0;
  EXPECT_REFUSED(p.SetShift(sgl(600000.0f)));
}

TEST_F(RepeaterCommands, MClearDoesNothing) { EXPECT_REFUSED(p.MClear(i16(5))); }

}  // namespace
}  // namespace tovrak::test
