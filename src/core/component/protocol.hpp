// The control object behind TOVRAK_Protocol: the state model, the capability
// table and every member of the interface, with the private routines the
// subsystems share (SendCAT, the decoders, the polling steps, the width
// tables). Its members are defined by subsystem:
//   component/  accessors, lifecycle, capability table, events
//   link/       port configuration, SendCAT, output drain, SetCommand
//   answers/    ReadBuffer, decoders, consolidation
//   polling/    SetCAT, SetPolling, SetRefresh, timer steps, poll sequences
//   commands/   the Set... methods and their tables
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/component/capability.hpp"
#include "core/component/module.hpp"
#include "core/component/state.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::core {

// Values that live for one call of ReadBuffer: the mode and reverse flag last
// decoded by ModeFromCode and the sign of the IF shift.
struct ReadScratch {
  int16_t mode = 0;
  int16_t reverse = 0;
  int16_t if_sign = 0;
};

class Protocol final : public TOVRAK_Protocol {
 public:
  explicit Protocol(std::shared_ptr<Module> module);
  ~Protocol() override;

  // ---- the interface
  uint32_t AdviseChange(ChangeHandler handler) override;
  void UnadviseChange(uint32_t cookie) override;
  void SetPortDevice(const std::string& locator) override;
  std::string GetPortDevice() override;
  std::string get_MeterCaption() override;
  int16_t get_Meter() override;
  int16_t get_NBType() override;
  VBool SetNBType(int16_t& NBType) override;
  void PollLevels() override;
  void PollCurrVFO() override;
  void put_StatusChange(VBool value) override;
  VBool get_StatusChange() override;
  VBool SetTuningStep(int16_t& Index) override;
  void put_AutoNF(const Variant& value) override;
  void putref_AutoNF(std::shared_ptr<Object> value) override;
  Variant get_AutoNF() override;
  int16_t get_IFShift() override;
  void put_AutoPolling(VBool value) override;
  VBool get_AutoPolling() override;
  void SetRefresh() override;
  std::string get_About() override;
  int16_t get_ContourState() override;
  int16_t get_FullBK() override;
  std::string get_CATAnswer() override;
  int16_t get_Sub_Mode() override;
  VBool SetRITClear() override;
  VBool SetRIT(int16_t& Status, double& Offset) override;
  int16_t get_RITStatus() override;
  double get_RITOffset() override;
  int16_t get_Range() override;
  double get_RangeMax() override;
  double get_RangeMin() override;
  void SetCommand(int16_t& Format, std::string Sequence) override;
  int16_t get_VFOB_Mode() override;
  int16_t get_VFOA_Mode() override;
  int16_t get_TuningStep() override;
  VBool SetCutFilter(int16_t& Low, int16_t& High, int16_t& Filter, int16_t& Mode) override;
  int16_t get_HighCutFilter(int16_t& Filter, int16_t& Mode) override;
  int16_t get_LowCutFilter(int16_t& Filter, int16_t& Mode) override;
  int16_t get_AFLevel(Variant& Receiver) override;
  VBool get_CKBuffer() override;
  int16_t get_SQLevel(Variant& Receiver) override;
  int16_t get_RFPower() override;
  int16_t get_RFLevel(Variant& Receiver) override;
  int16_t get_PTT() override;
  int16_t get_PowerON() override;
  int16_t get_Shift() override;
  int16_t get_DimLevel() override;
  int16_t get_CAT() override;
  double get_Sub_Freq() override;
  int16_t SetCAT(int16_t& CAT) override;
  VBool SetPowerON(int16_t& State) override;
  int16_t get_MemMode() override;
  int16_t get_Pitch() override;
  VBool SetRFPower(int16_t& Power) override;
  VBool SetPitch(int16_t& Pitch) override;
  VBool SetRFLevel(int16_t& Receiver, int16_t& Level) override;
  int16_t get_Property(int16_t& PropIndex) override;
  VBool SetData(int16_t& L1, int16_t& L2, double& D, std::string& s) override;
  VBool SetKeyerSpeed(int16_t& KeyerSpeed) override;
  int16_t get_KeyerSpeed() override;
  int16_t get_Comp() override;
  VBool SetVox(int16_t& Vox) override;
  int16_t get_Vox() override;
  int16_t get_Band() override;
  int16_t get_Busy() override;
  int16_t get_BK() override;
  int16_t get_MeterSW() override;
  int16_t get_MonitorLevel() override;
  int16_t get_MicGain() override;
  int16_t get_ProcLevel() override;
  int16_t get_Monitor() override;
  int16_t get_TXEQ() override;
  int16_t get_BW() override;
  int16_t get_IFS() override;
  int16_t get_FNotch() override;
  int16_t get_FContour() override;
  int16_t get_KeyerWPM() override;
  VBool SetMonitor(int16_t& P1, int16_t& P2) override;
  VBool SetTXEQ(int16_t& TXEQ) override;
  VBool SetComp(int16_t& Comp) override;
  VBool SetBK(int16_t& BK) override;
  VBool SetBKIn(int16_t& BKIn) override;
  VBool SetMicGain(int16_t& MG) override;
  VBool SetVoiceMessage(int16_t& MSG) override;
  VBool SetKeyerMessage(int16_t& LOAD, int16_t& MSG, std::string& MESS) override;
  VBool SetSpot(int16_t& State) override;
  VBool SetMeterSW(int16_t& MS) override;
  VBool setTXW(int16_t& State) override;
  int16_t get_BKIn() override;
  VBool SetAGC(int16_t& AGC) override;
  int16_t get_AGC() override;
  int16_t get_RFT(Variant& Receiver) override;
  VBool SetRFT(int16_t& Receiver, int16_t& RFT) override;
  VBool SetAtt(int16_t& Att) override;
  int16_t get_Att() override;
  VBool SetPreAmp(int16_t& PreAmp) override;
  int16_t get_PreAmp() override;
  int16_t get_NR() override;
  int16_t get_NF() override;
  VBool SetNB(int16_t& NB) override;
  int16_t get_NB() override;
  int16_t get_LockDial() override;
  int16_t get_Dual() override;
  int16_t get_Antenna() override;
  VBool SetDual(int16_t& Dual) override;
  VBool SetFast(int16_t& Fast) override;
  VBool SetLockDial(int16_t& Dial) override;
  VBool SetScanning(int16_t& UpDown, int16_t& Step) override;
  VBool SetSQLevel(int16_t& Receiver, int16_t& Level) override;
  VBool SetAntenna(int16_t& Antenna) override;
  VBool SetRPT(int16_t& Direction) override;
  VBool SetShift(float& Shift) override;
  VBool SetNF(int16_t& NF) override;
  VBool SetAutoNF(int16_t& AutoNF) override;
  int16_t SetNR(int16_t& NR) override;
  VBool MClear(int16_t& Channel) override;
  VBool SetPTT(int16_t& PTT) override;
  int16_t get_Fast() override;
  VBool SetDimLevel(int16_t& Level) override;
  VBool SetAeqB() override;
  VBool SetAFLevel(int16_t& Receiver, int16_t& Level) override;
  VBool SetIFShift(int16_t& Level) override;
  VBool SetTone(float& CTCSS, int16_t& DCS, int16_t& Enc, int16_t& Dec) override;
  VBool SetStartTuner() override;
  VBool SetTuner(int16_t& Tuner) override;
  int16_t get_Tuner() override;
  std::string get_CHLabel() override;
  int16_t get_RPT() override;
  int16_t get_Split() override;
  int16_t get_Dec() override;
  int16_t get_Enc() override;
  int16_t get_DCS() override;
  float get_CTCSS() override;
  void put_ChannelMin(int16_t value) override;
  int16_t get_ChannelMin() override;
  void put_ChannelMax(int16_t value) override;
  void put_CKBuffer(VBool value) override;
  int16_t get_ChannelMax() override;
  VBool SetVFOM(int16_t& Channel, std::string& Info) override;
  VBool SetChannel(int16_t& Channel) override;
  int16_t get_Channel() override;
  int16_t get_Filter() override;
  int16_t get_Reverse() override;
  int16_t get_SMeter() override;
  VBool ValidFreq(double& Freq) override;
  void put_PortDTR(VBool value) override;
  VBool get_PortDTR() override;
  void put_PortRTS(VBool value) override;
  VBool get_PortRTS() override;
  VBool get_PortOpen() override;
  double get_VFOB_Freq() override;
  double get_VFOA_Freq() override;
  void SetPolling(int16_t& State) override;
  VBool SetSplit(int16_t& Split) override;
  VBool SetVFO(int16_t& VFO) override;
  VBool SetTX(double& Freq, int16_t& Mode) override;
  VBool SetFilter(int16_t& Filter, int16_t& Mode, int16_t& Reverse) override;
  Variant LPBT(int32_t& i, int16_t& Mode) override;
  VBool SetMode(int16_t& Mode, int16_t& Reverse) override;
  VBool SetFreq(double Freq) override;
  VBool SetBand(int16_t& Band) override;
  void ReadBuffer(std::string& Buffer, VBool& Read) override;
  double get_VFO() override;
  int16_t get_TX_Mode() override;
  int16_t get_Mode() override;
  double get_TX_Freq() override;
  double get_Freq() override;
  VBool SetPort(VBool& PortOpen, std::string& Address, std::string& Code,
                std::string& MSG) override;
  void put_PortSpeed(std::string value) override;
  std::string get_PortSpeed() override;
  void put_Port(int16_t value) override;
  int16_t get_Port() override;
  VBool SetContour(int16_t& Param, int16_t& Value) override;
  VBool SetAexcB() override;
  int16_t get_RXAnt() override;
  VBool SetRXAnt(int16_t& State) override;
  VBool SetVFOB(double& Freq) override;

  // ---- events (component/events.cpp)
  void RaiseChange(change::State state);

  // ---- link (link/)
  // Writes one command with the spacing and dropping rules. IsPoll is true
  // for a polling command and is set to false when the command was written.
  void SendCAT(std::string& Command, VBool& IsPoll);
  // A control command, as most callers send it.
  void SendCommand(std::string command);
  // A polling command; true when it was written.
  bool SendPoll(std::string command);
  void WaitOutputDrain(platform::SerialControl& Comm);
  platform::SerialControl& ComDLL();

  // ---- answers (answers/)
  void Consolidate(bool StatusDirty);
  bool ReceiverMatched(std::string_view answer) const;
  // Runs the decoder of the answer's code; true when the answer marks the
  // status dirty.
  bool Decode(std::string_view a, ReadScratch& r);
  void DecodeAI(std::string_view a);
  void DecodeIF(std::string_view a, ReadScratch& r);
  void DecodeVS(std::string_view a);
  void DecodeFA(std::string_view a);
  void DecodeFB(std::string_view a);
  void DecodeMD(std::string_view a, ReadScratch& r);
  void DecodeFT(std::string_view a);
  void DecodeOI(std::string_view a, ReadScratch& r);
  void DecodeID(std::string_view a);
  // Receiver settings; each returns whether it marks the status dirty.
  bool DecodeReceiver(uint16_t code, std::string_view a, ReadScratch& r);
  bool DecodeEX(std::string_view a);
  // Transmitter, keyer, meter and status answers.
  bool DecodeTransmitter(uint16_t code, std::string_view a);

  // ---- polling (polling/)
  void RestartLevelPolling();
  void PausePolling();
  void tmrPolling_Timer();
  void tmrLevels_Timer();
  void tmrPollVFO_Timer();
  void tmrStopPolling_Timer();

  // ---- commands (commands/)
  // How a Set... member bounds its argument by its capability entry.
  enum class Bound { None, Entry, Receivers };
  // True when the member is refused: its entry is 0, or the argument is above
  // the entry (Entry) or above the entry minus one (Receivers: entry 2 allows
  // receivers 0 and 1). Signed; only upper bounds are tested.
  bool Refused(cap::Entry entry, int16_t arg = 0, Bound bound = Bound::None) const;
  // The common tail of a plain member: writes the command, stores the value.
  VBool WriteAndStore(std::string command, int16_t& field, int16_t value);
  int16_t FilterWidth(int16_t Code, int16_t Mode, const Variant& VFO);
  void AMFMWidth(int16_t Mode);
  void MemoryWrite(int16_t& Channel, double& Freq, int16_t& Mode, int16_t& Reverse, int16_t& Enc,
                   int16_t& Dec, float& CTCSS, int16_t& RPT);
  // The receiver digit most commands carry: the current VFO in decimal.
  std::string vfo_digit() const;

  State s;
  Module& m;

 private:
  struct Subscriber {
    uint32_t cookie;  // 0 once unsubscribed
    ChangeHandler handler;
  };
  void compact_handlers();

  std::shared_ptr<Module> module_;
  std::string answer_;  // the answer being decoded, kept to reuse its storage
  // A deque: subscribing from inside a handler never moves the running one.
  std::deque<Subscriber> change_handlers_;
  uint32_t next_cookie_ = 1;
  int raising_ = 0;
  bool emptied_ = false;  // a handler left while the event was raised
};

}  // namespace tovrak::core
