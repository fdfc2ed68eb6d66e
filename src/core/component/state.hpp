// The state model of TOVRAK_Protocol: the last known state of the radio,
// the component's own settings, and the start-up tables. Fields are named
// after the property that reads them; fields no property reads have plain
// names. Every field not given a value here starts at 0, false or empty.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "tovrak/variant.hpp"

namespace tovrak::core {

// A noise-blanker record: switch, level and the command of its level.
struct NBRecord {
  int16_t On = 0;
  int16_t Level = 0;
  std::string Cmd;
  bool operator==(const NBRecord&) const = default;
};

struct State {
  std::string About;

  // Receiver-indexed levels, receiver 0 main and 1 sub.
  std::array<int16_t, 2> AFLevel{};
  std::array<int16_t, 2> RFLevel{};
  std::array<int16_t, 2> SQLevel{};
  std::array<int16_t, 2> RFT{};

  int16_t AGC = 0;
  int16_t Antenna = 0;
  int16_t Att = 0;
  Variant AutoNF;
  VBool AutoPolling = VTrue;
  int16_t BK = 0;
  int16_t BKIn = 0;
  int16_t Band = 0;
  int16_t Busy = 0;
  int16_t BW = 0;
  int16_t CAT = 0;
  std::string CATAnswer;
  std::string CHLabel;
  VBool CKBuffer = VFalse;
  int16_t Channel = 1;
  int16_t ChannelMax = 99;
  int16_t ChannelMin = 1;
  int16_t Comp = 0;
  int16_t ContourState = 0;
  float CTCSS = 0.0f;
  int16_t DCS = 0;
  int16_t Dec = 0;
  int16_t DimLevel = 0;
  int16_t Dual = 0;
  int16_t Enc = 0;
  int16_t Fast = 0;
  int16_t FContour = 0;
  int16_t Filter = 0;
  int16_t FNotch = 0;
  double Freq = 0.0;
  int16_t FullBK = 0;
  // Host preferences by Filter 0..2 and Mode 0..10, in Hz.
  std::array<std::array<int16_t, 11>, 3> HighCutFilter{};
  std::array<std::array<int16_t, 11>, 3> LowCutFilter{};
  int16_t IFS = 0;
  int16_t IFShift = 0;
  int16_t KeyerSpeed = 0;
  int16_t KeyerWPM = 0;
  int16_t LockDial = 0;
  int16_t MemMode = 0;
  int16_t Meter = 0;
  std::string MeterCaption;
  int16_t MeterSW = 0;
  int16_t MicGain = 0;
  int16_t Mode = 0;
  int16_t Monitor = 0;
  int16_t MonitorLevel = 0;
  int16_t NB = 0;
  int16_t NBType = 1;
  int16_t NF = 0;
  int16_t NR = 0;
  int16_t Pitch = 0;
  int16_t Port = 0;
  VBool PortDTR = VFalse;
  VBool PortOpen = VFalse;
  VBool PortRTS = VTrue;
  std::string PortSpeed;
  int16_t PowerON = -1;
  int16_t PreAmp = 0;
  int16_t ProcLevel = 0;
  // The capability table: the largest valid parameter of each Set... function.
  std::array<int16_t, 101> Property{};
  int16_t PTT = 0;
  int16_t Range = 1;
  double RangeMax = 60.0;
  double RangeMin = 0.03;
  int16_t Reverse = 0;
  int16_t RFPower = 0;
  double RITOffset = 0.0;
  int16_t RITStatus = 0;
  int16_t RPT = 0;
  int16_t RXAnt = 0;
  float Shift = 0.0f;  // Hz; the property rounds it
  int16_t SMeter = 0;
  int16_t Split = 0;
  VBool StatusChange = VFalse;
  double Sub_Freq = 0.0;
  int16_t Sub_Mode = 0;
  int16_t Tuner = 0;
  float TuningStep = 0.0f;  // Hz; the property rounds it
  double TX_Freq = 0.0;
  int16_t TX_Mode = 0;
  int16_t TXEQ = 0;
  int16_t VFO = 0;  // 0 A, 1 B, 2 sub; the property returns it as a double
  double VFOA_Freq = 0.0;
  int16_t VFOA_Mode = 0;
  double VFOB_Freq = 0.0;
  int16_t VFOB_Mode = 0;
  int16_t Vox = 0;

  // Fields no property reads.
  int16_t AIState = 0;  // -1: the radio must report its auto-information state again
  VBool PollPending = VFalse;
  int16_t PollStep = 0;
  VBool WaitAnswer = VFalse;
  std::string MeterRead = "00";
  std::string PortSettings;
  int16_t TransceiverID = 0;
  int16_t TX_VFO = 0;
  int16_t TXW = 0;
  int16_t WidthCode = 0;
  int16_t WidthLevel = 0;
  std::array<int16_t, 10> FilterPresets{};
  int16_t ContourSign = 0;
  int16_t ContourSwitch = 0;
  int16_t ContourLevel = 0;
  int16_t NRSwitch = 0;
  int16_t NRLevel = 0;
  int16_t NFSwitch = 0;
  int16_t NFLevel = 0;
  int16_t KeyerSwitch = 0;
  int16_t KeyerLevel = 0;

  // Command tables filled at start-up.
  std::array<NBRecord, 3> NBRec{NBRecord{}, NBRecord{0, 0, "NL"}, NBRecord{0, 0, "NL"}};
  std::string FullBKMenu = "EX055";
  std::array<std::string, 2> ContourMenu{"EX086", "EX089"};
  std::array<std::string, 2> ContourMenu2{"EX087", "EX090"};
  std::array<std::string, 15> MeterName{"PO", "MIC", "IDD", "SWR", "COMP"};
  // Narrow-filter setting by VFO 0..1 and mode group (SSB, CW, FSK, PKT).
  std::array<std::array<int16_t, 4>, 2> NarrowSetting{{{8, 4, 4, 4}, {8, 4, 4, 4}}};

  // Field by field; tests compare whole states with it.
  bool operator==(const State&) const = default;
};

}  // namespace tovrak::core
