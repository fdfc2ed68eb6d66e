// Answers about frequency, VFO, mode, memory, transmit VFO and identity.
#include <gtest/gtest.h>

#include "support/rig.hpp"

namespace tovrak::test {
namespace {

struct Answers : ::testing::Test {
  Rig r;
  // The text as if the radio had sent it.
  void feed(const std::string& text) {
    int16_t fmt = 0;
    r.rig->SetCommand(fmt, "$" + text);
  }
  // An "IF" answer of 26 characters: channel, frequency digits, the mode
  // character and the memory indicator where the decoder reads them.
  static std::string info(const std::string& channel, const std::string& digits, char mode,
                          char memory, bool nine_digits = false) {
    std::string a = "IF0" + channel + digits;
    a.resize(26, '0');
    a[nine_digits ? 21 : 20] = mode;
    if (!nine_digits) a[21] = memory;
    return a + ";";
  }
};

TEST_F(Answers, FrequencyFieldsFollowTheIdentification) {
  feed("FA14250000;");
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
  EXPECT_EQ(r.rig->get_Freq(), 14.25);
  feed("FA014200000;");  // nine digits: ignored for its length
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
  feed("ID0570;");
  EXPECT_EQ(r.s().TransceiverID, 570);
  feed("FA14250000;");  // now eight digits are the wrong length
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
  feed("FA007050000;");
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 7.05);
}

TEST_F(Answers, FBStoresVFOBAndMovesFreqOnlyWhenBReceives) {
  feed("FA14250000;FB07050000;");
  EXPECT_EQ(r.rig->get_VFOB_Freq(), 7.05);
  EXPECT_EQ(r.rig->get_Freq(), 14.25);
  feed("VS1;");
  EXPECT_EQ(r.rig->get_VFO(), 1.0);
  EXPECT_EQ(r.rig->get_Freq(), 7.05);
  feed("FB07060000;");
  EXPECT_EQ(r.rig->get_Freq(), 7.06);
  feed("VS2;");  // no such VFO: nothing changes
  EXPECT_EQ(r.rig->get_VFO(), 1.0);
}

TEST_F(Answers, ModeCharactersAndTheReverseFlag) {
  feed("MD07;");
  EXPECT_EQ(r.rig->get_VFOA_Mode(), 2);
  EXPECT_EQ(r.rig->get_Reverse(), 1);
  EXPECT_EQ(r.rig->get_Mode(), 2);
  feed("MD0C;");
  EXPECT_EQ(r.rig->get_VFOA_Mode(), 6);
  EXPECT_EQ(r.rig->get_Reverse(), 0);
  feed("MD19;");  // VFO B: reverse FSK; the receive mode stays A's
  EXPECT_EQ(r.rig->get_VFOB_Mode(), 5);
  EXPECT_EQ(r.rig->get_Mode(), 6);
  EXPECT_EQ(r.rig->get_Reverse(), 1);
  const std::pair<char, int16_t> table[] = {{'1', 0}, {'2', 1}, {'3', 2}, {'4', 4}, {'5', 3},
                                            {'6', 5}, {'8', 6}, {'A', 6}, {'B', 4}, {'D', 3}};
  for (auto [c, mode] : table) {
    feed(std::string("MD0") + c + ";");
    EXPECT_EQ(r.rig->get_VFOA_Mode(), mode) << c;
  }
}

TEST_F(Answers, AnUnknownModeCharacterGivesTheModeDecodedLastInTheSameCall) {
  feed("MD03;MD1Z;");  // Z: the scratch mode of this call, CW
  EXPECT_EQ(r.rig->get_VFOB_Mode(), 2);
  feed("MD1Z;");  // a new call starts from LSB
  EXPECT_EQ(r.rig->get_VFOB_Mode(), 0);
  feed("MD13;MD1;");  // ends after its VFO digit
  EXPECT_EQ(r.rig->get_VFOB_Mode(), 2);
}

TEST_F(Answers, InformationInVFOMode) {
  feed(info("05", "14195000", '2', '0'));
  EXPECT_EQ(r.rig->get_MemMode(), 0);
  EXPECT_EQ(r.rig->get_Channel(), 5);
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.195);
  EXPECT_EQ(r.rig->get_VFOA_Mode(), 1);
  EXPECT_EQ(r.rig->get_Freq(), 14.195);
  r.s().VFO = 1;
  feed(info("07", "07000000", '3', '0'));  // VFO B receives: channel and memory only
  EXPECT_EQ(r.rig->get_Channel(), 7);
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.195);
  EXPECT_EQ(r.rig->get_VFOA_Mode(), 1);
}

TEST_F(Answers, InformationInMemoryMode) {
  r.s().VFO = 1;
  feed(info("12", "21300000", '4', '1'));
  EXPECT_EQ(r.rig->get_MemMode(), 1);
  EXPECT_EQ(r.rig->get_Freq(), 21.3);
  EXPECT_EQ(r.rig->get_Mode(), 4);
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 0.0);
  feed(info("12", "21300000", '4', '2'));
  EXPECT_EQ(r.rig->get_MemMode(), 1);
  feed(info("12", "21300000", '4', '3'));
  EXPECT_EQ(r.rig->get_MemMode(), 0);
}

TEST_F(Answers, InformationWithNineDigitFrequencies) {
  feed("ID0570;");
  feed(info("03", "014250000", '3', '0', true));
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
  EXPECT_EQ(r.rig->get_VFOA_Mode(), 2);      // the mode at 22
  feed("IF0" + std::string(22, '0') + ";");  // 25 characters: ignored
  EXPECT_EQ(r.rig->get_VFOA_Freq(), 14.25);
}

TEST_F(Answers, OtherVFOInformationSetsTheModeOfTheVFONotReceiving) {
  std::string oi = "OI" + std::string(24, '0');
  oi[20] = '5';  // AM at 21
  feed(oi + ";");
  EXPECT_EQ(r.rig->get_VFOB_Mode(), 3);
  EXPECT_EQ(r.rig->get_VFOA_Mode(), 0);
  r.s().VFO = 1;
  oi[20] = '4';
  feed(oi + ";");
  EXPECT_EQ(r.rig->get_VFOA_Mode(), 4);
  feed("OI000;");  // too short
  EXPECT_EQ(r.rig->get_VFOA_Mode(), 4);
}

TEST_F(Answers, TransmitVFOAndSplit) {
  feed("FT3;");
  EXPECT_EQ(r.s().TX_VFO, 1);
  EXPECT_EQ(r.rig->get_Split(), 1);  // VFO A receives, B transmits
  r.s().VFO = 1;
  feed("FT1;");
  EXPECT_EQ(r.rig->get_Split(), 0);
  feed("FT2;");
  EXPECT_EQ(r.s().TX_VFO, 0);
  EXPECT_EQ(r.rig->get_Split(), 1);
  feed("FT7;");
  EXPECT_EQ(r.s().TX_VFO, 0);
}

}  // namespace
}  // namespace tovrak::test
