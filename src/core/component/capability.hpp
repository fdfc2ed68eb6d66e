// The capability table: for each Set... function a fixed index, holding the
// largest valid parameter, or 0 when the function is not supported.
#pragma once

#include <array>
#include <cstdint>

namespace tovrak::core {

namespace cap {

// The indexes of the table, named after the Set... function each one serves.
// The host reads them by number (Property(PropIndex)), so every value is
// fixed. Untested entries are named by their index; 77..82 and 84..100 are
// never filled.
enum Entry : int {
  SetAeqB = 0,
  SetAFLevel = 1,  // receivers + 1
  SetAGC = 2,
  SetAntenna = 3,  // antenna connectors
  SetAtt = 4,
  SetBKIn = 5,  // break-in delay steps
  Untested6 = 6,
  SetChannel = 7,
  SetComp = 8,  // speech processor
  SetDimLevel = 9,
  SetDual = 10,
  SetFast = 11,
  SetFilter = 12,
  SetFreq = 13,
  SetKeyerSpeed = 14,
  SetLockDial = 15,
  SetMode = 16,  // mode mask: bit m set when mode m is supported
  SetNB = 17,
  SetNF = 18,
  SetNR = 19,
  SetShift = 20,
  SetPitch = 21,
  SetPowerON = 22,
  SetPreAmp = 23,
  SetPTT = 24,
  SetRFLevel = 25,  // receivers + 1
  SetRFPower = 26,
  SetRPT = 27,
  SetSplit = 28,
  SetSQLevel = 29,  // receivers + 1
  SetTone = 30,     // 1 CTCSS, 2 DCS, 3 both
  SetTuner = 31,
  SetTX = 32,
  SetVFO = 33,  // VFO kinds
  SetVFOM = 34,
  SetVox = 35,
  SetStartTuner = 36,
  SetScanning = 37,
  SetCutFilter = 38,
  SetModeReverse = 39,  // reverse modes
  Untested40 = 40,
  SetRIT = 41,
  SetRITClear = 42,
  SetIFShift = 43,  // IF shift kind
  SetAutoNF = 44,
  SetTuningStep = 45,
  Untested46 = 46,
  Untested47 = 47,
  SetIFShiftWidth = 48,  // width through SetIFShift levels from 1000
  WidthLevel = 49,       // run-time state: the current width level
  SetContour = 50,       // contour functions
  ContourLevel = 51,     // run-time state: the current contour level
  KeyerSwitch = 52,
  Untested53 = 53,
  Untested54 = 54,
  SetFilterIndex = 55,  // largest filter index of SetFilter
  NarrowSwitch = 56,
  NarrowFlag = 57,  // run-time state: 1 while a narrow filter is selected
  SetRFT = 58,      // roofing filter
  Untested59 = 59,
  SetBK = 60,  // break-in
  SetNBType = 61,
  Untested62 = 62,
  SetMonitor = 63,
  Untested64 = 64,
  Untested65 = 65,
  SetKeyerMessage = 66,
  SetVoiceMessage = 67,
  MicGain = 68,  // the level sequence's "MG" query; SetMicGain tests none
  SetSpot = 69,
  setTXW = 70,
  SetMeterSW = 71,
  Untested72 = 72,
  Busy = 73,  // busy indication
  SetBand = 74,
  SetAexcB = 75,
  SetRXAnt = 76,
  SetVFOB = 83,
};

}  // namespace cap

// Fills the table with the radio's start-up values; entries 84..100 read 0.
void fill_capabilities(std::array<int16_t, 101>& table);

}  // namespace tovrak::core
