// The radio's state as the simulated radio keeps it and as the sharing server
// mirrors it: VFOs, memories, both receivers and the transmitter's settings,
// each in the units and ranges of the radio's own commands.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>

#include "radio/bands.hpp"
#include "radio/modes.hpp"

namespace tovrak::radio {

struct Vfo {
  int64_t hz = 0;
  char mode = mode::kUsb;
  bool operator==(const Vfo&) const = default;
};

// A memory channel, as the memory-write command fills it.
struct Memory {
  bool used = false;
  int64_t hz = 0;
  char mode = mode::kUsb;
  int tone_mode = 0;  // 0 off, 1 encode and decode, 2 encode
  int tone = 0;       // tone number 0..49
  int shift = 0;      // repeater shift: 0 simplex, 1 plus, 2 minus
};

// One receiver: 0 the main receiver (VFO A), 1 the sub receiver (VFO B).
struct Receiver {
  int af = 64;                             // AF gain 0..255
  int rf = 0;                              // RF gain as "RG" carries it: 0 full gain .. 255 least
  int squelch = 0;                         // 0..255
  char roofing = '1';                      // roofing filter character of "RF"
  int agc = 2;                             // 0..4
  int att = 0;                             // 0..3
  int preamp = 0;                          // 0..2
  int antenna = 1;                         // connector 1..4
  bool rx_antenna = false;                 // separate receive antenna
  int nb_type = 0;                         // noise blanker 0 off, 1, 2
  std::array<int, 3> nb_level{0, 10, 10};  // level by blanker type
  int nr = 0;                              // noise reduction 0 off, 1 on
  int nr_level = 5;                        // 1..15
  bool notch = false;                      // manual notch
  int notch_pos = 100;                     // 1..400, tens of hertz
  int auto_notch = 0;                      // 0 off, 1 on
  int narrow = 0;                          // narrow filter 0 off, 1 on
  int width = 16;                          // width step 0..31
  int if_shift_hz = 0;                     // -1200..1200
  int contour = 0;                         // contour switch 0..2
  int contour_level = 20;                  // 1..40
  int contour_width = 10;                  // 0..20
  int repeater = 0;                        // 0 simplex, 1 plus, 2 minus
  int tone_mode = 0;                       // "CT": 0 off, 1 encode and decode, 2 encode
  int tone = 0;                            // "CN": 0..49
  int smeter = 0;                          // 0..255, moved by the band
  bool busy = false;                       // squelch open on a signal
};

struct RadioState {
  bool power = true;
  int ai = 0;  // automatic information 0 off, 1 on
  std::array<Vfo, 2> vfo{Vfo{14'200'000, mode::kUsb}, Vfo{7'050'000, mode::kLsb}};
  int rx_vfo = 0;  // receive VFO 0 A, 1 B
  int tx_vfo = 0;  // transmit VFO; split when it differs
  bool memory_mode = false;
  int channel = 1;                     // memory channel 1..99
  std::array<Memory, 100> memories{};  // index 1..99; 0 unused
  bool rit = false;
  int rit_hz = 0;  // -9999..9999
  std::array<Receiver, 2> rx{};
  int dual = 0;  // "FR" digit; 2 and 3 are dual watch
  bool keyer = true;
  int keyer_wpm = 25;     // 4..60
  int pitch_step = 8;     // 0..15: 300 Hz + 50 Hz a step
  int power_level = 127;  // "PC" 0..255
  int mic_gain = 50;      // 0..255
  bool processor = false;
  bool vox = false;
  bool break_in = false;
  int break_in_delay_ms = 300;  // "SD" 0..3000
  bool monitor = false;
  int monitor_level = 50;
  int meter = 0;  // selected transmit meter 0..5
  int tuner = 0;  // 0 off, 1 on, 2 tuning
  bool lock = false;
  bool fast = false;
  bool ptt = false;
  bool spot = false;
  bool tx_watch = false;
  int scan = 0;           // 0 off, 1 up, 2 down
  int voice_playing = 0;  // voice message being played, 0 none
  std::array<int, 4> dimmer{7, 7, 7, 7};
  std::array<std::string, 6> keyer_messages{};  // 1..5
  BandFrequencies band_stack = BandStarts();    // last frequency by band
  std::map<int, int> menu;                      // menu number -> setting

  bool split() const { return tx_vfo != rx_vfo; }
  // Where a receiver listens: the main receiver works the memory channel in
  // memory mode, otherwise VFO A; the sub receiver VFO B.
  int64_t receiver_hz(int r) const;
  char receiver_mode(int r) const;
  // What the radio receives on (memories are worked on the main receiver).
  int64_t receive_hz() const { return receiver_hz(rx_vfo); }
  char receive_mode() const { return receiver_mode(rx_vfo); }
  // A receiver's mode set: the main receiver's in memory mode is the channel's.
  void set_receiver_mode(int r, char mode);
  // The reading of the transmit meter chosen with "MS" (0 while receiving).
  int transmit_meter() const;
};

}  // namespace tovrak::radio
