#include "core/component/capability.hpp"

namespace tovrak::core {

void fill_capabilities(std::array<int16_t, 101>& p) {
  p.fill(0);
  p[0] = 1;     // SetAeqB
  p[1] = 2;     // AF gain: receivers + 1
  p[2] = 4;     // largest AGC setting
  p[3] = 4;     // antenna connectors
  p[4] = 3;     // largest attenuator setting
  p[5] = 20;    // break-in delay steps
  p[6] = 1;     //
  p[7] = 1;     // SetChannel
  p[8] = 1;     // speech processor
  p[9] = 15;    // largest dimmer level
  p[10] = 1;    // dual watch
  p[11] = 1;    // SetFast
  p[12] = 1;    // SetFilter
  p[13] = 1;    // SetFreq
  p[14] = 1;    // keyer speed
  p[15] = 1;    // dial lock
  p[16] = 127;  // mode mask: LSB..PKT, no WFM
  p[17] = 255;  // largest noise-blanker level
  p[18] = 400;  // largest manual-notch position
  p[19] = 15;   // largest noise-reduction level
  p[20] = 1;    // SetShift
  p[21] = 1;    // SetPitch
  p[22] = 1;    // SetPowerON
  p[23] = 1;    // largest preamplifier setting
  p[24] = 1;    // SetPTT
  p[25] = 2;    // RF gain: receivers + 1
  p[26] = 1;    // SetRFPower
  p[27] = 1;    // SetRPT
  p[28] = 1;    // SetSplit
  p[29] = 2;    // squelch: receivers + 1
  p[30] = 1;    // tones: CTCSS only
  p[31] = 1;    // SetTuner
  p[32] = 1;    // SetTX
  p[33] = 1;    // VFO kinds: A/B
  p[34] = 1;    // SetVFOM
  p[35] = 1;    // SetVox
  p[36] = 1;    // SetStartTuner
  p[37] = 1;    // SetScanning
  p[38] = 1;    // SetCutFilter
  p[39] = 0;    // reverse modes
  p[40] = 0;    //
  p[41] = 1;    // SetRIT
  p[42] = 1;    // SetRITClear
  p[43] = 1;    // IF shift kind: IF shift
  p[44] = 1;    // SetAutoNF
  p[45] = 0;    // largest tuning-step index
  p[46] = 1;    //
  p[47] = 1;    //
  p[48] = 1;    // width through SetIFShift levels from 1000
  p[49] = 0;    // current width level (run-time state)
  p[50] = 3;    // contour functions
  p[51] = 0;    // current contour level (run-time state)
  p[52] = 1;    // keyer switch
  p[53] = 50;   //
  p[54] = 1;    //
  p[55] = 31;   // largest filter index
  p[56] = 31;   // narrow switch
  p[57] = 0;    // narrow filter flag (run-time state)
  p[58] = 3;    // largest roofing-filter setting
  p[59] = 1;    //
  p[60] = 1;    // break-in
  p[61] = 2;    // largest noise-blanker type
  p[62] = 0;    //
  p[63] = 2;    // monitor
  p[64] = 1;    //
  p[65] = 1;    //
  p[66] = 5;    // keyer messages
  p[67] = 5;    // voice messages
  p[68] = 1;    // microphone gain
  p[69] = 1;    // SetSpot
  p[70] = 1;    // setTXW
  p[71] = 4;    // largest meter number
  p[72] = 1;    //
  p[73] = 1;    // busy indication
  p[74] = 1;    // SetBand
  p[75] = 1;    // SetAexcB
  p[76] = 1;    // SetRXAnt
  p[83] = 1;    // SetVFOB
}

}  // namespace tovrak::core
