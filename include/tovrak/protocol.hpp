// TOVRAK_Protocol: the control object of the radio, its dispatch interface
// member by member in slot order. Properties are get_X / put_X / putref_X,
// methods carry their exact names, and by-reference arguments are references.
// The state the getters return lives in memory: they answer at once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "tovrak/export.hpp"
#include "tovrak/platform.hpp"
#include "tovrak/variant.hpp"

namespace tovrak {

// The State of a Change event: what moved.
namespace change {
enum State : int16_t {
  kMode = 1,    // the mode, or split
  kSMeter = 3,  // the S-meter
  kStatus = 4,  // a setting or a tracked status (StatusChange is set)
};
}  // namespace change

// Handler of the Change(State) event (State: a change::State). A handler may
// call back into the component.
using ChangeHandler = std::function<void(int16_t& State)>;

class TOVRAK_API TOVRAK_Protocol {
 public:
  virtual ~TOVRAK_Protocol() = default;

  // Change(State) subscribers, in the manner of a connection point: Advise
  // returns a cookie that Unadvise takes back.
  virtual uint32_t AdviseChange(ChangeHandler handler) = 0;
  virtual void UnadviseChange(uint32_t cookie) = 0;

  // Names the serial device behind the port beyond its number (Linux: a path
  // such as /dev/ttyUSB0; empty returns to /dev/ttyS<Port-1>). Not part of the
  // dispatch interface.
  virtual void SetPortDevice(const std::string& locator) = 0;
  virtual std::string GetPortDevice() = 0;

  virtual std::string get_MeterCaption() = 0;                          // 1
  virtual int16_t get_Meter() = 0;                                     // 2
  virtual int16_t get_NBType() = 0;                                    // 3
  virtual VBool SetNBType(int16_t& NBType) = 0;                        // 4
  virtual void PollLevels() = 0;                                       // 5
  virtual void PollCurrVFO() = 0;                                      // 6
  virtual void put_StatusChange(VBool value) = 0;                      // 7
  virtual VBool get_StatusChange() = 0;                                // 8
  virtual VBool SetTuningStep(int16_t& Index) = 0;                     // 9
  virtual void put_AutoNF(const Variant& value) = 0;                   // 10
  virtual void putref_AutoNF(std::shared_ptr<Object> value) = 0;       // 11
  virtual Variant get_AutoNF() = 0;                                    // 12
  virtual int16_t get_IFShift() = 0;                                   // 13
  virtual void put_AutoPolling(VBool value) = 0;                       // 14
  virtual VBool get_AutoPolling() = 0;                                 // 15
  virtual void SetRefresh() = 0;                                       // 16
  virtual std::string get_About() = 0;                                 // 17
  virtual int16_t get_ContourState() = 0;                              // 18
  virtual int16_t get_FullBK() = 0;                                    // 19
  virtual std::string get_CATAnswer() = 0;                             // 20
  virtual int16_t get_Sub_Mode() = 0;                                  // 21
  virtual VBool SetRITClear() = 0;                                     // 22
  virtual VBool SetRIT(int16_t& Status, double& Offset) = 0;           // 23
  virtual int16_t get_RITStatus() = 0;                                 // 24
  virtual double get_RITOffset() = 0;                                  // 25
  virtual int16_t get_Range() = 0;                                     // 26
  virtual double get_RangeMax() = 0;                                   // 27
  virtual double get_RangeMin() = 0;                                   // 28
  virtual void SetCommand(int16_t& Format, std::string Sequence) = 0;  // 29
  virtual int16_t get_VFOB_Mode() = 0;                                 // 30
  virtual int16_t get_VFOA_Mode() = 0;                                 // 31
  virtual int16_t get_TuningStep() = 0;                                // 32
  virtual VBool SetCutFilter(int16_t& Low, int16_t& High, int16_t& Filter,
                             int16_t& Mode) = 0;                                      // 33
  virtual int16_t get_HighCutFilter(int16_t& Filter, int16_t& Mode) = 0;              // 34
  virtual int16_t get_LowCutFilter(int16_t& Filter, int16_t& Mode) = 0;               // 35
  virtual int16_t get_AFLevel(Variant& Receiver) = 0;                                 // 36
  virtual VBool get_CKBuffer() = 0;                                                   // 37
  virtual int16_t get_SQLevel(Variant& Receiver) = 0;                                 // 38
  virtual int16_t get_RFPower() = 0;                                                  // 39
  virtual int16_t get_RFLevel(Variant& Receiver) = 0;                                 // 40
  virtual int16_t get_PTT() = 0;                                                      // 41
  virtual int16_t get_PowerON() = 0;                                                  // 42
  virtual int16_t get_Shift() = 0;                                                    // 43
  virtual int16_t get_DimLevel() = 0;                                                 // 44
  virtual int16_t get_CAT() = 0;                                                      // 45
  virtual double get_Sub_Freq() = 0;                                                  // 46
  virtual int16_t SetCAT(int16_t& CAT) = 0;                                           // 47
  virtual VBool SetPowerON(int16_t& State) = 0;                                       // 48
  virtual int16_t get_MemMode() = 0;                                                  // 49
  virtual int16_t get_Pitch() = 0;                                                    // 50
  virtual VBool SetRFPower(int16_t& Power) = 0;                                       // 51
  virtual VBool SetPitch(int16_t& Pitch) = 0;                                         // 52
  virtual VBool SetRFLevel(int16_t& Receiver, int16_t& Level) = 0;                    // 53
  virtual int16_t get_Property(int16_t& PropIndex) = 0;                               // 54
  virtual VBool SetData(int16_t& L1, int16_t& L2, double& D, std::string& s) = 0;     // 55
  virtual VBool SetKeyerSpeed(int16_t& KeyerSpeed) = 0;                               // 56
  virtual int16_t get_KeyerSpeed() = 0;                                               // 57
  virtual int16_t get_Comp() = 0;                                                     // 58
  virtual VBool SetVox(int16_t& Vox) = 0;                                             // 59
  virtual int16_t get_Vox() = 0;                                                      // 60
  virtual int16_t get_Band() = 0;                                                     // 61
  virtual int16_t get_Busy() = 0;                                                     // 62
  virtual int16_t get_BK() = 0;                                                       // 63
  virtual int16_t get_MeterSW() = 0;                                                  // 64
  virtual int16_t get_MonitorLevel() = 0;                                             // 65
  virtual int16_t get_MicGain() = 0;                                                  // 66
  virtual int16_t get_ProcLevel() = 0;                                                // 67
  virtual int16_t get_Monitor() = 0;                                                  // 68
  virtual int16_t get_TXEQ() = 0;                                                     // 69
  virtual int16_t get_BW() = 0;                                                       // 70
  virtual int16_t get_IFS() = 0;                                                      // 71
  virtual int16_t get_FNotch() = 0;                                                   // 72
  virtual int16_t get_FContour() = 0;                                                 // 73
  virtual int16_t get_KeyerWPM() = 0;                                                 // 74
  virtual VBool SetMonitor(int16_t& P1, int16_t& P2) = 0;                             // 75
  virtual VBool SetTXEQ(int16_t& TXEQ) = 0;                                           // 76
  virtual VBool SetComp(int16_t& Comp) = 0;                                           // 77
  virtual VBool SetBK(int16_t& BK) = 0;                                               // 78
  virtual VBool SetBKIn(int16_t& BKIn) = 0;                                           // 79
  virtual VBool SetMicGain(int16_t& MG) = 0;                                          // 80
  virtual VBool SetVoiceMessage(int16_t& MSG) = 0;                                    // 81
  virtual VBool SetKeyerMessage(int16_t& LOAD, int16_t& MSG, std::string& MESS) = 0;  // 82
  virtual VBool SetSpot(int16_t& State) = 0;                                          // 83
  virtual VBool SetMeterSW(int16_t& MS) = 0;                                          // 84
  virtual VBool setTXW(int16_t& State) = 0;                                           // 85
  virtual int16_t get_BKIn() = 0;                                                     // 86
  virtual VBool SetAGC(int16_t& AGC) = 0;                                             // 87
  virtual int16_t get_AGC() = 0;                                                      // 88
  virtual int16_t get_RFT(Variant& Receiver) = 0;                                     // 89
  virtual VBool SetRFT(int16_t& Receiver, int16_t& RFT) = 0;                          // 90
  virtual VBool SetAtt(int16_t& Att) = 0;                                             // 91
  virtual int16_t get_Att() = 0;                                                      // 92
  virtual VBool SetPreAmp(int16_t& PreAmp) = 0;                                       // 93
  virtual int16_t get_PreAmp() = 0;                                                   // 94
  virtual int16_t get_NR() = 0;                                                       // 95
  virtual int16_t get_NF() = 0;                                                       // 96
  virtual VBool SetNB(int16_t& NB) = 0;                                               // 97
  virtual int16_t get_NB() = 0;                                                       // 98
  virtual int16_t get_LockDial() = 0;                                                 // 99
  virtual int16_t get_Dual() = 0;                                                     // 100
  virtual int16_t get_Antenna() = 0;                                                  // 101
  virtual VBool SetDual(int16_t& Dual) = 0;                                           // 102
  virtual VBool SetFast(int16_t& Fast) = 0;                                           // 103
  virtual VBool SetLockDial(int16_t& Dial) = 0;                                       // 104
  virtual VBool SetScanning(int16_t& UpDown, int16_t& Step) = 0;                      // 105
  virtual VBool SetSQLevel(int16_t& Receiver, int16_t& Level) = 0;                    // 106
  virtual VBool SetAntenna(int16_t& Antenna) = 0;                                     // 107
  virtual VBool SetRPT(int16_t& Direction) = 0;                                       // 108
  virtual VBool SetShift(float& Shift) = 0;                                           // 109
  virtual VBool SetNF(int16_t& NF) = 0;                                               // 110
  virtual VBool SetAutoNF(int16_t& AutoNF) = 0;                                       // 111
  virtual int16_t SetNR(int16_t& NR) = 0;                                             // 112
  virtual VBool MClear(int16_t& Channel) = 0;                                         // 113
  virtual VBool SetPTT(int16_t& PTT) = 0;                                             // 114
  virtual int16_t get_Fast() = 0;                                                     // 115
  virtual VBool SetDimLevel(int16_t& Level) = 0;                                      // 116
  virtual VBool SetAeqB() = 0;                                                        // 117
  virtual VBool SetAFLevel(int16_t& Receiver, int16_t& Level) = 0;                    // 118
  virtual VBool SetIFShift(int16_t& Level) = 0;                                       // 119
  virtual VBool SetTone(float& CTCSS, int16_t& DCS, int16_t& Enc, int16_t& Dec) = 0;  // 120
  virtual VBool SetStartTuner() = 0;                                                  // 121
  virtual VBool SetTuner(int16_t& Tuner) = 0;                                         // 122
  virtual int16_t get_Tuner() = 0;                                                    // 123
  virtual std::string get_CHLabel() = 0;                                              // 124
  virtual int16_t get_RPT() = 0;                                                      // 125
  virtual int16_t get_Split() = 0;                                                    // 126
  virtual int16_t get_Dec() = 0;                                                      // 127
  virtual int16_t get_Enc() = 0;                                                      // 128
  virtual int16_t get_DCS() = 0;                                                      // 129
  virtual float get_CTCSS() = 0;                                                      // 130
  virtual void put_ChannelMin(int16_t value) = 0;                                     // 131
  virtual int16_t get_ChannelMin() = 0;                                               // 132
  virtual void put_ChannelMax(int16_t value) = 0;                                     // 133
  virtual void put_CKBuffer(VBool value) = 0;                                         // 134
  virtual int16_t get_ChannelMax() = 0;                                               // 135
  virtual VBool SetVFOM(int16_t& Channel, std::string& Info) = 0;                     // 136
  virtual VBool SetChannel(int16_t& Channel) = 0;                                     // 137
  virtual int16_t get_Channel() = 0;                                                  // 138
  virtual int16_t get_Filter() = 0;                                                   // 139
  virtual int16_t get_Reverse() = 0;                                                  // 140
  virtual int16_t get_SMeter() = 0;                                                   // 141
  virtual VBool ValidFreq(double& Freq) = 0;                                          // 142
  virtual void put_PortDTR(VBool value) = 0;                                          // 143
  virtual VBool get_PortDTR() = 0;                                                    // 144
  virtual void put_PortRTS(VBool value) = 0;                                          // 145
  virtual VBool get_PortRTS() = 0;                                                    // 146
  virtual VBool get_PortOpen() = 0;                                                   // 147
  virtual double get_VFOB_Freq() = 0;                                                 // 148
  virtual double get_VFOA_Freq() = 0;                                                 // 149
  virtual void SetPolling(int16_t& State) = 0;                                        // 150
  virtual VBool SetSplit(int16_t& Split) = 0;                                         // 151
  virtual VBool SetVFO(int16_t& VFO) = 0;                                             // 152
  virtual VBool SetTX(double& Freq, int16_t& Mode) = 0;                               // 153
  virtual VBool SetFilter(int16_t& Filter, int16_t& Mode, int16_t& Reverse) = 0;      // 154
  virtual Variant LPBT(int32_t& i, int16_t& Mode) = 0;                                // 155
  virtual VBool SetMode(int16_t& Mode, int16_t& Reverse) = 0;                         // 156
  virtual VBool SetFreq(double Freq) = 0;                                             // 157
  virtual VBool SetBand(int16_t& Band) = 0;                                           // 158
  virtual void ReadBuffer(std::string& Buffer, VBool& Read) = 0;                      // 159
  virtual double get_VFO() = 0;                                                       // 160
  virtual int16_t get_TX_Mode() = 0;                                                  // 161
  virtual int16_t get_Mode() = 0;                                                     // 162
  virtual double get_TX_Freq() = 0;                                                   // 163
  virtual double get_Freq() = 0;                                                      // 164
  virtual VBool SetPort(VBool& PortOpen, std::string& Address, std::string& Code,
                        std::string& MSG) = 0;                   // 165
  virtual void put_PortSpeed(std::string value) = 0;             // 166
  virtual std::string get_PortSpeed() = 0;                       // 167
  virtual void put_Port(int16_t value) = 0;                      // 168
  virtual int16_t get_Port() = 0;                                // 169
  virtual VBool SetContour(int16_t& Param, int16_t& Value) = 0;  // 170
  virtual VBool SetAexcB() = 0;                                  // 171
  virtual int16_t get_RXAnt() = 0;                               // 172
  virtual VBool SetRXAnt(int16_t& State) = 0;                    // 173
  virtual VBool SetVFOB(double& Freq) = 0;                       // 174
};

// Creates a TOVRAK_Protocol directly, as a host may, instead of taking the
// shared instance from a connector. It shares the apartment's port, timers and
// module variables; the radio's answers go to the shared instance.
TOVRAK_API std::shared_ptr<TOVRAK_Protocol> CreateProtocol(platform::Apartment& apartment);

// While the component reads the radio's settings after CAT came on, the step
// it is at (1 to 54); 0 when it is not reading them, or for an object this
// library did not create.
TOVRAK_API int SettingsReadStep(TOVRAK_Protocol& rig);

}  // namespace tovrak
