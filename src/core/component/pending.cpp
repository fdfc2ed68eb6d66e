// Members whose behaviour arrives with later work: each fails with a clear
// error until then.
#include "core/component/protocol.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::core {

namespace {
[[noreturn]] void not_implemented(const char* name) {
  throw ComError(static_cast<int32_t>(0x80004001), 445,
                 std::string(name) + " is not implemented yet");
}
}  // namespace

void Protocol::SetPortDevice(const std::string& /*locator*/) { not_implemented("SetPortDevice"); }
std::string Protocol::GetPortDevice() { not_implemented("GetPortDevice"); }
VBool Protocol::SetNBType(int16_t& /*NBType*/) { not_implemented("SetNBType"); }
void Protocol::PollLevels() { not_implemented("PollLevels"); }
void Protocol::PollCurrVFO() { not_implemented("PollCurrVFO"); }
VBool Protocol::SetTuningStep(int16_t& /*Index*/) { not_implemented("SetTuningStep"); }
void Protocol::SetRefresh() { not_implemented("SetRefresh"); }
VBool Protocol::SetRITClear() { not_implemented("SetRITClear"); }
VBool Protocol::SetRIT(int16_t& /*Status*/, double& /*Offset*/) { not_implemented("SetRIT"); }
void Protocol::SetCommand(int16_t& /*Format*/, std::string /*Sequence*/) {
  not_implemented("SetCommand");
}
VBool Protocol::SetCutFilter(int16_t& /*Low*/, int16_t& /*High*/, int16_t& /*Filter*/,
                             int16_t& /*Mode*/) {
  not_implemented("SetCutFilter");
}
int16_t Protocol::SetCAT(int16_t& /*CAT*/) { not_implemented("SetCAT"); }
VBool Protocol::SetPowerON(int16_t& /*State*/) { not_implemented("SetPowerON"); }
VBool Protocol::SetRFPower(int16_t& /*Power*/) { not_implemented("SetRFPower"); }
VBool Protocol::SetPitch(int16_t& /*Pitch*/) { not_implemented("SetPitch"); }
VBool Protocol::SetRFLevel(int16_t& /*Receiver*/, int16_t& /*Level*/) {
  not_implemented("SetRFLevel");
}
VBool Protocol::SetData(int16_t& /*L1*/, int16_t& /*L2*/, double& /*D*/, std::string& /*s*/) {
  not_implemented("SetData");
}
VBool Protocol::SetKeyerSpeed(int16_t& /*KeyerSpeed*/) { not_implemented("SetKeyerSpeed"); }
VBool Protocol::SetVox(int16_t& /*Vox*/) { not_implemented("SetVox"); }
VBool Protocol::SetMonitor(int16_t& /*P1*/, int16_t& /*P2*/) { not_implemented("SetMonitor"); }
VBool Protocol::SetTXEQ(int16_t& /*TXEQ*/) { not_implemented("SetTXEQ"); }
VBool Protocol::SetComp(int16_t& /*Comp*/) { not_implemented("SetComp"); }
VBool Protocol::SetBK(int16_t& /*BK*/) { not_implemented("SetBK"); }
VBool Protocol::SetBKIn(int16_t& /*BKIn*/) { not_implemented("SetBKIn"); }
VBool Protocol::SetMicGain(int16_t& /*MG*/) { not_implemented("SetMicGain"); }
VBool Protocol::SetVoiceMessage(int16_t& /*MSG*/) { not_implemented("SetVoiceMessage"); }
VBool Protocol::SetKeyerMessage(int16_t& /*LOAD*/, int16_t& /*MSG*/, std::string& /*MESS*/) {
  not_implemented("SetKeyerMessage");
}
VBool Protocol::SetSpot(int16_t& /*State*/) { not_implemented("SetSpot"); }
VBool Protocol::SetMeterSW(int16_t& /*MS*/) { not_implemented("SetMeterSW"); }
VBool Protocol::setTXW(int16_t& /*State*/) { not_implemented("setTXW"); }
VBool Protocol::SetAGC(int16_t& /*AGC*/) { not_implemented("SetAGC"); }
VBool Protocol::SetRFT(int16_t& /*Receiver*/, int16_t& /*RFT*/) { not_implemented("SetRFT"); }
VBool Protocol::SetAtt(int16_t& /*Att*/) { not_implemented("SetAtt"); }
VBool Protocol::SetPreAmp(int16_t& /*PreAmp*/) { not_implemented("SetPreAmp"); }
VBool Protocol::SetNB(int16_t& /*NB*/) { not_implemented("SetNB"); }
VBool Protocol::SetDual(int16_t& /*Dual*/) { not_implemented("SetDual"); }
VBool Protocol::SetFast(int16_t& /*Fast*/) { not_implemented("SetFast"); }
VBool Protocol::SetLockDial(int16_t& /*Dial*/) { not_implemented("SetLockDial"); }
VBool Protocol::SetScanning(int16_t& /*UpDown*/, int16_t& /*Step*/) {
  not_implemented("SetScanning");
}
VBool Protocol::SetSQLevel(int16_t& /*Receiver*/, int16_t& /*Level*/) {
  not_implemented("SetSQLevel");
}
VBool Protocol::SetAntenna(int16_t& /*Antenna*/) { not_implemented("SetAntenna"); }
VBool Protocol::SetRPT(int16_t& /*Direction*/) { not_implemented("SetRPT"); }
VBool Protocol::SetShift(float& /*Shift*/) { not_implemented("SetShift"); }
VBool Protocol::SetNF(int16_t& /*NF*/) { not_implemented("SetNF"); }
VBool Protocol::SetAutoNF(int16_t& /*AutoNF*/) { not_implemented("SetAutoNF"); }
int16_t Protocol::SetNR(int16_t& /*NR*/) { not_implemented("SetNR"); }
VBool Protocol::MClear(int16_t& /*Channel*/) { not_implemented("MClear"); }
VBool Protocol::SetPTT(int16_t& /*PTT*/) { not_implemented("SetPTT"); }
VBool Protocol::SetDimLevel(int16_t& /*Level*/) { not_implemented("SetDimLevel"); }
VBool Protocol::SetAeqB() { not_implemented("SetAeqB"); }
VBool Protocol::SetAFLevel(int16_t& /*Receiver*/, int16_t& /*Level*/) {
  not_implemented("SetAFLevel");
}
VBool Protocol::SetIFShift(int16_t& /*Level*/) { not_implemented("SetIFShift"); }
VBool Protocol::SetTone(float& /*CTCSS*/, int16_t& /*DCS*/, int16_t& /*Enc*/, int16_t& /*Dec*/) {
  not_implemented("SetTone");
}
VBool Protocol::SetStartTuner() { not_implemented("SetStartTuner"); }
VBool Protocol::SetTuner(int16_t& /*Tuner*/) { not_implemented("SetTuner"); }
VBool Protocol::SetVFOM(int16_t& /*Channel*/, std::string& /*Info*/) { not_implemented("SetVFOM"); }
VBool Protocol::SetChannel(int16_t& /*Channel*/) { not_implemented("SetChannel"); }
VBool Protocol::ValidFreq(double& /*Freq*/) { not_implemented("ValidFreq"); }
void Protocol::put_PortDTR(VBool /*value*/) { not_implemented("put_PortDTR"); }
void Protocol::put_PortRTS(VBool /*value*/) { not_implemented("put_PortRTS"); }
void Protocol::SetPolling(int16_t& /*State*/) { not_implemented("SetPolling"); }
VBool Protocol::SetSplit(int16_t& /*Split*/) { not_implemented("SetSplit"); }
VBool Protocol::SetVFO(int16_t& /*VFO*/) { not_implemented("SetVFO"); }
VBool Protocol::SetTX(double& /*Freq*/, int16_t& /*Mode*/) { not_implemented("SetTX"); }
VBool Protocol::SetFilter(int16_t& /*Filter*/, int16_t& /*Mode*/, int16_t& /*Reverse*/) {
  not_implemented("SetFilter");
}
Variant Protocol::LPBT(int32_t& /*i*/, int16_t& /*Mode*/) { not_implemented("LPBT"); }
VBool Protocol::SetMode(int16_t& /*Mode*/, int16_t& /*Reverse*/) { not_implemented("SetMode"); }
VBool Protocol::SetFreq(double /*Freq*/) { not_implemented("SetFreq"); }
VBool Protocol::SetBand(int16_t& /*Band*/) { not_implemented("SetBand"); }
void Protocol::ReadBuffer(std::string& /*Buffer*/, VBool& /*Read*/) {
  not_implemented("ReadBuffer");
}
VBool Protocol::SetPort(VBool& /*PortOpen*/, std::string& /*Address*/, std::string& /*Code*/,
                        std::string& /*MSG*/) {
  not_implemented("SetPort");
}
void Protocol::put_PortSpeed(std::string /*value*/) { not_implemented("put_PortSpeed"); }
void Protocol::put_Port(int16_t /*value*/) { not_implemented("put_Port"); }
VBool Protocol::SetContour(int16_t& /*Param*/, int16_t& /*Value*/) {
  not_implemented("SetContour");
}
VBool Protocol::SetAexcB() { not_implemented("SetAexcB"); }
VBool Protocol::SetRXAnt(int16_t& /*State*/) { not_implemented("SetRXAnt"); }
VBool Protocol::SetVFOB(double& /*Freq*/) { not_implemented("SetVFOB"); }

void Protocol::SendCAT(std::string&, VBool&) { not_implemented("SendCAT"); }
void Protocol::tmrPolling_Timer() {}
void Protocol::tmrLevels_Timer() {}
void Protocol::tmrPollVFO_Timer() {}
void Protocol::tmrStopPolling_Timer() {}

}  // namespace tovrak::core
