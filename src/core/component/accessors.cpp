// The property accessors of TOVRAK_Protocol. Plain getters return the stored
// field; the special ones are told where they stand.
#include "core/component/protocol.hpp"
#include "core/values/numbers.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::core {

namespace {

// A receiver index given as a VARIANT: converted to a 32-bit integer, it must
// be 0 or 1.
size_t receiver_index(const Variant& receiver) {
  int32_t r = receiver.to_i32();
  if (r < 0 || r > 1) throw ComError::subscript_out_of_range();
  return static_cast<size_t>(r);
}

int16_t cut_filter(const std::array<std::array<int16_t, 11>, 3>& table, int16_t filter,
                   int16_t mode) {
  if (filter < 0 || filter > 2 || mode < 0 || mode > 10) {
    throw ComError::subscript_out_of_range();
  }
  return table[static_cast<size_t>(filter)][static_cast<size_t>(mode)];
}

}  // namespace

std::string Protocol::get_MeterCaption() { return s.MeterCaption; }
int16_t Protocol::get_Meter() { return s.Meter; }
int16_t Protocol::get_NBType() { return s.NBType; }
void Protocol::put_StatusChange(VBool value) { s.StatusChange = value; }
VBool Protocol::get_StatusChange() { return s.StatusChange; }

void Protocol::put_AutoNF(const Variant& value) { s.AutoNF = value; }
void Protocol::putref_AutoNF(std::shared_ptr<Object> value) {
  s.AutoNF = Variant(std::move(value));
}
Variant Protocol::get_AutoNF() { return s.AutoNF; }

int16_t Protocol::get_IFShift() { return s.IFShift; }
void Protocol::put_AutoPolling(VBool value) { s.AutoPolling = value; }
VBool Protocol::get_AutoPolling() { return s.AutoPolling; }
std::string Protocol::get_About() { return s.About; }
int16_t Protocol::get_ContourState() { return s.ContourState; }
int16_t Protocol::get_FullBK() { return s.FullBK; }
std::string Protocol::get_CATAnswer() { return s.CATAnswer; }
int16_t Protocol::get_Sub_Mode() { return s.Sub_Mode; }
int16_t Protocol::get_RITStatus() { return s.RITStatus; }
double Protocol::get_RITOffset() { return s.RITOffset; }
int16_t Protocol::get_Range() { return s.Range; }
double Protocol::get_RangeMax() { return s.RangeMax; }
double Protocol::get_RangeMin() { return s.RangeMin; }
int16_t Protocol::get_VFOB_Mode() { return s.VFOB_Mode; }
int16_t Protocol::get_VFOA_Mode() { return s.VFOA_Mode; }

// Shift and TuningStep hold hertz in single precision; the property rounds
// them to a 16-bit value (a 100 kHz repeater shift overflows).
int16_t Protocol::get_TuningStep() { return to_i16(s.TuningStep); }
int16_t Protocol::get_Shift() { return to_i16(s.Shift); }

int16_t Protocol::get_HighCutFilter(int16_t& Filter, int16_t& Mode) {
  return cut_filter(s.HighCutFilter, Filter, Mode);
}
int16_t Protocol::get_LowCutFilter(int16_t& Filter, int16_t& Mode) {
  return cut_filter(s.LowCutFilter, Filter, Mode);
}

int16_t Protocol::get_AFLevel(Variant& Receiver) { return s.AFLevel[receiver_index(Receiver)]; }
int16_t Protocol::get_SQLevel(Variant& Receiver) { return s.SQLevel[receiver_index(Receiver)]; }
int16_t Protocol::get_RFLevel(Variant& Receiver) { return s.RFLevel[receiver_index(Receiver)]; }
int16_t Protocol::get_RFT(Variant& Receiver) { return s.RFT[receiver_index(Receiver)]; }

VBool Protocol::get_CKBuffer() { return s.CKBuffer; }
void Protocol::put_CKBuffer(VBool value) { s.CKBuffer = value; }
int16_t Protocol::get_RFPower() { return s.RFPower; }
int16_t Protocol::get_PTT() { return s.PTT; }
int16_t Protocol::get_PowerON() { return s.PowerON; }
int16_t Protocol::get_DimLevel() { return s.DimLevel; }
int16_t Protocol::get_CAT() { return s.CAT; }
double Protocol::get_Sub_Freq() { return s.Sub_Freq; }
int16_t Protocol::get_MemMode() { return s.MemMode; }
int16_t Protocol::get_Pitch() { return s.Pitch; }

int16_t Protocol::get_Property(int16_t& PropIndex) {
  if (PropIndex < 0 || PropIndex > 100) throw ComError::subscript_out_of_range();
  return s.Property[static_cast<size_t>(PropIndex)];
}

int16_t Protocol::get_KeyerSpeed() { return s.KeyerSpeed; }
int16_t Protocol::get_Comp() { return s.Comp; }
int16_t Protocol::get_Vox() { return s.Vox; }
int16_t Protocol::get_Band() { return s.Band; }
int16_t Protocol::get_Busy() { return s.Busy; }
int16_t Protocol::get_BK() { return s.BK; }
int16_t Protocol::get_MeterSW() { return s.MeterSW; }
int16_t Protocol::get_MonitorLevel() { return s.MonitorLevel; }
int16_t Protocol::get_MicGain() { return s.MicGain; }
int16_t Protocol::get_ProcLevel() { return s.ProcLevel; }
int16_t Protocol::get_Monitor() { return s.Monitor; }
int16_t Protocol::get_TXEQ() { return s.TXEQ; }
int16_t Protocol::get_BW() { return s.BW; }
int16_t Protocol::get_IFS() { return s.IFS; }
int16_t Protocol::get_FNotch() { return s.FNotch; }
int16_t Protocol::get_FContour() { return s.FContour; }
int16_t Protocol::get_KeyerWPM() { return s.KeyerWPM; }
int16_t Protocol::get_BKIn() { return s.BKIn; }
int16_t Protocol::get_AGC() { return s.AGC; }
int16_t Protocol::get_Att() { return s.Att; }
int16_t Protocol::get_PreAmp() { return s.PreAmp; }
int16_t Protocol::get_NR() { return s.NR; }
int16_t Protocol::get_NF() { return s.NF; }
int16_t Protocol::get_NB() { return s.NB; }
int16_t Protocol::get_LockDial() { return s.LockDial; }
int16_t Protocol::get_Dual() { return s.Dual; }
int16_t Protocol::get_Antenna() { return s.Antenna; }
int16_t Protocol::get_Fast() { return s.Fast; }
int16_t Protocol::get_Tuner() { return s.Tuner; }
std::string Protocol::get_CHLabel() { return s.CHLabel; }
int16_t Protocol::get_RPT() { return s.RPT; }
int16_t Protocol::get_Split() { return s.Split; }
int16_t Protocol::get_Dec() { return s.Dec; }
int16_t Protocol::get_Enc() { return s.Enc; }
int16_t Protocol::get_DCS() { return s.DCS; }
float Protocol::get_CTCSS() { return s.CTCSS; }
void Protocol::put_ChannelMin(int16_t value) { s.ChannelMin = value; }
int16_t Protocol::get_ChannelMin() { return s.ChannelMin; }
void Protocol::put_ChannelMax(int16_t value) { s.ChannelMax = value; }
int16_t Protocol::get_ChannelMax() { return s.ChannelMax; }
int16_t Protocol::get_Channel() { return s.Channel; }
int16_t Protocol::get_Filter() { return s.Filter; }
int16_t Protocol::get_Reverse() { return s.Reverse; }
int16_t Protocol::get_SMeter() { return s.SMeter; }
VBool Protocol::get_PortDTR() { return s.PortDTR; }
VBool Protocol::get_PortRTS() { return s.PortRTS; }
VBool Protocol::get_PortOpen() { return s.PortOpen; }
double Protocol::get_VFOB_Freq() { return s.VFOB_Freq; }
double Protocol::get_VFOA_Freq() { return s.VFOA_Freq; }
double Protocol::get_VFO() { return static_cast<double>(s.VFO); }
int16_t Protocol::get_TX_Mode() { return s.TX_Mode; }
int16_t Protocol::get_Mode() { return s.Mode; }
double Protocol::get_TX_Freq() { return s.TX_Freq; }
double Protocol::get_Freq() { return s.Freq; }
std::string Protocol::get_PortSpeed() { return s.PortSpeed; }
int16_t Protocol::get_Port() { return s.Port; }
int16_t Protocol::get_RXAnt() { return s.RXAnt; }

}  // namespace tovrak::core
