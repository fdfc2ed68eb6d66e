#include "core/component/capability.hpp"

namespace tovrak::core {

void fill_capabilities(std::array<int16_t, 101>& p) {
  p.fill(0);
  p[cap::SetAeqB] = 1;
  p[cap::SetAFLevel] = 2;  // AF gain: receivers + 1
  p[cap::SetAGC] = 4;      // largest AGC setting
  p[cap::SetAntenna] = 4;  // antenna connectors
  p[cap::SetAtt] = 3;      // largest attenuator setting
  p[cap::SetBKIn] = 20;    // break-in delay steps
  p[cap::Untested6] = 1;
  p[cap::SetChannel] = 1;
  p[cap::SetComp] = 1;
  p[cap::SetDimLevel] = 15;  // largest dimmer level
  p[cap::SetDual] = 1;
  p[cap::SetFast] = 1;
  p[cap::SetFilter] = 1;
  p[cap::SetFreq] = 1;
  p[cap::SetKeyerSpeed] = 1;
  p[cap::SetLockDial] = 1;
  p[cap::SetMode] = 127;  // mode mask: LSB..PKT, no WFM
  p[cap::SetNB] = 255;    // largest noise-blanker level
  p[cap::SetNF] = 400;    // largest manual-notch position
  p[cap::SetNR] = 15;     // largest noise-reduction level
  p[cap::SetShift] = 1;
  p[cap::SetPitch] = 1;
  p[cap::SetPowerON] = 1;
  p[cap::SetPreAmp] = 1;  // largest preamplifier setting
  p[cap::SetPTT] = 1;
  p[cap::SetRFLevel] = 2;  // RF gain: receivers + 1
  p[cap::SetRFPower] = 1;
  p[cap::SetRPT] = 1;
  p[cap::SetSplit] = 1;
  p[cap::SetSQLevel] = 2;  // squelch: receivers + 1
  p[cap::SetTone] = 1;     // tones: CTCSS only
  p[cap::SetTuner] = 1;
  p[cap::SetTX] = 1;
  p[cap::SetVFO] = 1;  // VFO kinds: A/B
  p[cap::SetVFOM] = 1;
  p[cap::SetVox] = 1;
  p[cap::SetStartTuner] = 1;
  p[cap::SetScanning] = 1;
  p[cap::SetCutFilter] = 1;
  p[cap::SetModeReverse] = 0;
  p[cap::Untested40] = 0;
  p[cap::SetRIT] = 1;
  p[cap::SetRITClear] = 1;
  p[cap::SetIFShift] = 1;  // IF shift kind: IF shift
  p[cap::SetAutoNF] = 1;
  p[cap::SetTuningStep] = 0;  // largest tuning-step index
  p[cap::Untested46] = 1;
  p[cap::Untested47] = 1;
  p[cap::SetIFShiftWidth] = 1;  // width through SetIFShift levels from 1000
  p[cap::WidthLevel] = 0;       // current width level (run-time state)
  p[cap::SetContour] = 3;       // contour functions
  p[cap::ContourLevel] = 0;     // current contour level (run-time state)
  p[cap::KeyerSwitch] = 1;
  p[cap::Untested53] = 50;
  p[cap::Untested54] = 1;
  p[cap::SetFilterIndex] = 31;  // largest filter index
  p[cap::NarrowSwitch] = 31;
  p[cap::NarrowFlag] = 0;  // narrow filter flag (run-time state)
  p[cap::SetRFT] = 3;      // largest roofing-filter setting
  p[cap::Untested59] = 1;
  p[cap::SetBK] = 1;
  p[cap::SetNBType] = 2;  // largest noise-blanker type
  p[cap::Untested62] = 0;
  p[cap::SetMonitor] = 2;
  p[cap::Untested64] = 1;
  p[cap::Untested65] = 1;
  p[cap::SetKeyerMessage] = 5;
  p[cap::SetVoiceMessage] = 5;
  p[cap::MicGain] = 1;
  p[cap::SetSpot] = 1;
  p[cap::setTXW] = 1;
  p[cap::SetMeterSW] = 4;  // largest meter number
  p[cap::Untested72] = 1;
  p[cap::Busy] = 1;
  p[cap::SetBand] = 1;
  p[cap::SetAexcB] = 1;
  p[cap::SetRXAnt] = 1;
  p[cap::SetVFOB] = 1;
}

}  // namespace tovrak::core
