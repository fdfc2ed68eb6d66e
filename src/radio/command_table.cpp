// The radio's command set, row by row (see command_table.hpp for how a row
// reads), with where each row's values live in the radio's state.
#include "radio/command_table.hpp"

#include <type_traits>
#include <vector>

#include "radio/digits.hpp"

namespace tovrak::radio {

namespace {

// ---------------------------------------------------------------- fields

constexpr Field Number(std::string_view name, uint8_t width, int32_t lo, int32_t hi) {
  return {.name = name, .kind = Kind::kNumber, .width = width, .lo = lo, .hi = hi};
}
constexpr Field Signed(std::string_view name, uint8_t width, int32_t lo, int32_t hi) {
  return {.name = name, .kind = Kind::kSigned, .width = width, .lo = lo, .hi = hi};
}
constexpr Field Switch(std::string_view name) { return Number(name, 1, 0, 1); }
constexpr Field Only(Form form, Field f) {
  f.form = form;
  return f;
}

constexpr Field kHertz[] = {
    {.name = "frequency", .kind = Kind::kHertz, .lo = kMinHz, .hi = kMaxHz}};
constexpr Field kMode[] = {{.name = "mode", .kind = Kind::kMode}};
constexpr Field kOnOff[] = {Switch("switch")};
constexpr Field kVfo[] = {Number("VFO", 1, 0, 1)};
constexpr Field kLevel[] = {Number("level", 3, 0, 255)};
constexpr Field kChannel[] = {Number("channel", 3, 1, 99)};
constexpr Field kRoofing[] = {
    {.name = "roofing filter", .kind = Kind::kChar, .chars = "0123456789A"}};

// "IF" tells what the radio receives, "OI" the same of the other VFO; in
// the 9-digit form "IF" has no repeater shift and "OI" no transmit
// clarifier, so that every answer is 26 characters long.
constexpr std::array<Field, 10> InfoFields(Form xit, Form shift) {
  return {Number("channel", 3, 1, 99),
          kHertz[0],
          Signed("RIT offset", 4, -9999, 9999),
          Switch("RIT"),
          Only(xit, Switch("XIT")),
          kMode[0],
          Switch("memory"),
          Number("tone mode", 1, 0, 2),
          Number("tone", 2, 0, 49),
          Only(shift, Number("shift", 1, 0, 2))};
}
constexpr std::array<Field, 10> kInfo = InfoFields(Form::kBoth, Form::kEightOnly);
constexpr std::array<Field, 10> kOtherInfo = InfoFields(Form::kEightOnly, Form::kBoth);
// A memory as "MW" writes it: the fields of "IF", the frequency in either
// form; the clarifier switches and the memory digit are not kept.
constexpr Field kMemoryWrite[] = {kChannel[0],
                                  kHertz[0],
                                  Signed("RIT offset", 4, -9999, 9999),
                                  Number("RIT", 1, 0, 9),
                                  Number("XIT", 1, 0, 9),
                                  kMode[0],
                                  Number("memory", 1, 0, 9),
                                  Number("tone mode", 1, 0, 2),
                                  Number("tone", 2, 0, 49),
                                  Number("shift", 1, 0, 2)};

// ---------------------------------------------------------------- state

template <class T>
T as(int64_t v) {
  return static_cast<T>(v);
}

// A field of the radio's state.
template <auto M>
constexpr Access Own() {
  return {[](const RadioState& s, const Key&, Values& v) { v[0] = s.*M; },
          [](RadioState& s, const Key&, const Message& m) {
            s.*M = as<std::remove_cvref_t<decltype(s.*M)>>(m[0]);
          }};
}

// A field of the receiver the text names.
template <auto M>
constexpr Access OfReceiver() {
  return {[](const RadioState& s, const Key& k, Values& v) { v[0] = s.rx[k.rx()].*M; },
          [](RadioState& s, const Key& k, const Message& m) {
            s.rx[k.rx()].*M = as<std::remove_cvref_t<decltype(s.rx[0].*M)>>(m[0]);
          }};
}

template <size_t V>
constexpr Access VfoHertz() {
  return {[](const RadioState& s, const Key&, Values& v) { v[0] = s.vfo[V].hz; },
          [](RadioState& s, const Key&, const Message& m) { s.vfo[V].hz = m[0]; }};
}

void info_of(const RadioState& s, int r, bool memory, Values& v) {
  const Receiver& rx = s.rx[static_cast<size_t>(r)];
  const Memory& mem = s.memories[static_cast<size_t>(s.channel)];
  v[info::kChannel] = s.channel;
  v[info::kHertz] = s.receiver_hz(r);
  v[info::kRitOffset] = s.rit_hz;
  v[info::kRit] = s.rit;
  v[info::kXit] = 0;  // the transmit clarifier is never on
  v[info::kMode] = s.receiver_mode(r);
  v[info::kMemory] = memory;
  v[info::kToneMode] = memory ? mem.tone_mode : rx.tone_mode;
  v[info::kTone] = memory ? mem.tone : rx.tone;
  v[info::kShift] = memory ? mem.shift : rx.repeater;
}

// What an information answer tells of a VFO and its receiver's tones.
void learn_vfo(RadioState& s, int r, const Message& m) {
  Receiver& rx = s.rx[static_cast<size_t>(r)];
  s.vfo[static_cast<size_t>(r)] = Vfo{m[info::kHertz], as<char>(m[info::kMode])};
  rx.tone_mode = as<int>(m[info::kToneMode]);
  rx.tone = as<int>(m[info::kTone]);
  if (m.has(info::kShift)) rx.repeater = as<int>(m[info::kShift]);
}

void learn_common(RadioState& s, const Message& m) {
  s.channel = as<int>(m[info::kChannel]);
  s.rit_hz = as<int>(m[info::kRitOffset]);
  s.rit = m[info::kRit] != 0;
}

// "IF": in memory mode the channel's frequency, mode and tones (on the main
// receiver); otherwise those of the receive VFO.
constexpr Access kInfoAccess{
    [](const RadioState& s, const Key&, Values& v) { info_of(s, s.rx_vfo, s.memory_mode, v); },
    [](RadioState& s, const Key&, const Message& m) {
      learn_common(s, m);
      s.memory_mode = m[info::kMemory] != 0;
      if (!s.memory_mode) return learn_vfo(s, s.rx_vfo, m);
      s.rx_vfo = 0;  // memories are worked on the main receiver
      Memory& mem = s.memories[static_cast<size_t>(s.channel)];
      mem.used = true;
      mem.hz = m[info::kHertz];
      mem.mode = as<char>(m[info::kMode]);
      mem.tone_mode = as<int>(m[info::kToneMode]);
      mem.tone = as<int>(m[info::kTone]);
      if (m.has(info::kShift)) mem.shift = as<int>(m[info::kShift]);
    }};

// "OI": the VFO that is not receiving (outside memory mode).
constexpr Access kOtherInfoAccess{
    [](const RadioState& s, const Key&, Values& v) { info_of(s, 1 - s.rx_vfo, false, v); },
    [](RadioState& s, const Key&, const Message& m) {
      learn_common(s, m);
      learn_vfo(s, 1 - s.rx_vfo, m);
    }};

constexpr Access kMemoryWriteAccess{nullptr, [](RadioState& s, const Key&, const Message& m) {
                                      s.memories[static_cast<size_t>(m[info::kChannel])] =
                                          Memory{true,
                                                 m[info::kHertz],
                                                 as<char>(m[info::kMode]),
                                                 as<int>(m[info::kToneMode]),
                                                 as<int>(m[info::kTone]),
                                                 as<int>(m[info::kShift])};
                                    }};

constexpr Access kModeAccess{
    [](const RadioState& s, const Key& k, Values& v) { v[0] = s.receiver_mode(k.receiver); },
    [](RadioState& s, const Key& k, const Message& m) {
      s.set_receiver_mode(k.receiver, as<char>(m[0]));
    }};

// Choosing a VFO leaves memory mode.
constexpr Access kVfoSelect{[](const RadioState& s, const Key&, Values& v) { v[0] = s.rx_vfo; },
                            [](RadioState& s, const Key&, const Message& m) {
                              s.rx_vfo = as<int>(m[0]);
                              if (m.use == kSetting) s.memory_mode = false;
                            }};

// "FT2" and "FT3" choose as "FT0" and "FT1" do.
constexpr Access kTxVfo{
    [](const RadioState& s, const Key&, Values& v) { v[0] = s.tx_vfo; },
    [](RadioState& s, const Key&, const Message& m) { s.tx_vfo = as<int>(m[0] % 2); }};

// The level of the noise blanker type in use (type 1 while it is off).
template <class R>
auto& blanker_level(R& rx) {
  return rx.nb_level[static_cast<size_t>(rx.nb_type ? rx.nb_type : 1)];
}
constexpr Access kBlankerLevel{
    [](const RadioState& s, const Key& k, Values& v) { v[0] = blanker_level(s.rx[k.rx()]); },
    [](RadioState& s, const Key& k, const Message& m) {
      blanker_level(s.rx[k.rx()]) = as<int>(m[0]);
    }};

// The answer tells the connector and the receive antenna; the setting 5
// switches the receive antenna on, a connector switches it off.
constexpr Access kAntenna{[](const RadioState& s, const Key& k, Values& v) {
                            v[0] = s.rx[k.rx()].antenna;
                            v[1] = s.rx[k.rx()].rx_antenna;
                          },
                          [](RadioState& s, const Key& k, const Message& m) {
                            Receiver& rx = s.rx[k.rx()];
                            if (m.use == kSetting && m[0] == 5) {
                              rx.rx_antenna = true;
                              return;
                            }
                            rx.antenna = as<int>(m[0]);
                            rx.rx_antenna = m.use == kSetting ? false : m[1] != 0;
                          }};

constexpr Access kBusy{[](const RadioState& s, const Key&, Values& v) {
                         v[0] = s.rx[0].busy;
                         v[1] = s.rx[1].busy;
                       },
                       [](RadioState& s, const Key&, const Message& m) {
                         s.rx[0].busy = m[0] != 0;
                         s.rx[1].busy = m[1] != 0;
                       }};

// "RM00" the main receiver's S-meter, "RM04" the sub receiver's, "RM01" the
// transmit meter.
constexpr Access kMeterReading{[](const RadioState& s, const Key& k, Values& v) {
  v[0] = k.item() == 1 ? s.transmit_meter() : s.rx[k.item() == 4 ? 1 : 0].smeter;
}};

constexpr Access kIdentity{[](const RadioState&, const Key& k, Values& v) { v[0] = k.id; }};

constexpr Access kDimmer{[](const RadioState& s, const Key&, Values& v) {
                           for (size_t i = 0; i < s.dimmer.size(); ++i) v[i] = s.dimmer[i];
                         },
                         [](RadioState& s, const Key&, const Message& m) {
                           for (size_t i = 0; i < s.dimmer.size(); ++i) s.dimmer[i] = as<int>(m[i]);
                         }};

constexpr Access kKeyerStore{nullptr, [](RadioState& s, const Key&, const Message& m) {
                               s.keyer_messages[static_cast<size_t>(m[0])] = std::string(m.text);
                             }};

// A menu item not set yet has the setting the radio comes with.
constexpr Access kMenu{
    [](const RadioState& s, const Key& k, Values& v) {
      auto it = s.menu.find(k.item());
      v[0] = it == s.menu.end() ? k.command.initial : it->second;
    },
    [](RadioState& s, const Key& k, const Message& m) { s.menu[k.item()] = as<int>(m[0]); }};

// ---------------------------------------------------------------- rows

constexpr uint8_t kBoth = kQuery | kSetting;

constexpr Command Row(std::string_view code, uint8_t uses, std::span<const Field> answer,
                      std::span<const Field> setting, Access access, std::string_view what) {
  return {.code = code,
          .what = what,
          .uses = uses,
          .answer = answer,
          .setting = setting,
          .access = access};
}
// A query and a setting with one layout.
constexpr Command Both(std::string_view code, std::span<const Field> f, Access a,
                       std::string_view what) {
  return Row(code, kBoth, f, f, a, what);
}
constexpr Command Query(std::string_view code, std::span<const Field> f, Access a,
                        std::string_view what) {
  return Row(code, kQuery, f, {}, a, what);
}
constexpr Command Setting(std::string_view code, std::span<const Field> f, Access a,
                          std::string_view what) {
  return Row(code, kSetting, {}, f, a, what);
}
constexpr Command OnReceiver(Command c, Rx r = Rx::kDigit) {
  c.receiver = r;
  return c;
}
constexpr Command WithItem(std::string_view item, Command c, bool bare = false) {
  c.item = item;
  c.bare = bare;
  return c;
}
constexpr Command Told(uint8_t told, Command c) {
  c.told = told;
  return c;
}
constexpr Command Menu(std::string_view number, std::span<const Field> f, int initial,
                       std::string_view what) {
  Command c = WithItem(number, Both("EX", f, kMenu, what));
  c.initial = initial;
  return c;
}

// One field of digits, lo..hi.
template <uint8_t Width, int32_t Lo, int32_t Hi>
constexpr Field kDigits[] = {Number("setting", Width, Lo, Hi)};

constexpr Field kFtSet[] = {Number("VFO", 1, 0, 3)};
constexpr Field kBand[] = {Number("band", 2, 0, 11)};
constexpr Field kClarifierStep[] = {Number("hertz", 4, 0, 9999)};
constexpr Field kScan[] = {Number("scan", 1, 0, 2)};
constexpr Field kTone[] = {Number("tone", 2, 0, 49)};
constexpr Field kNrLevel[] = {Number("level", 2, 1, 15)};
constexpr Field kNotch[] = {Number("notch", 3, 0, 1)};
constexpr Field kNotchPosition[] = {Number("position", 3, 1, 400)};
constexpr Field kIfShift[] = {Signed("hertz", 4, -1200, 1200)};
constexpr Field kWidth[] = {Number("width", 2, 0, 31)};
constexpr Field kContour[] = {Number("contour", 2, 0, 2)};
constexpr Field kContourLevel[] = {Number("level", 2, 1, 40)};
constexpr Field kContourWidth[] = {Number("width", 2, 0, 20)};
constexpr Field kAntennaAnswer[] = {Number("connector", 1, 1, 4), Switch("receive antenna")};
constexpr Field kAntennaSet[] = {Number("antenna", 1, 1, 5)};
constexpr Field kDual[] = {Number("dual watch", 1, 0, 3)};
constexpr Field kBusyFields[] = {Switch("main busy"), Switch("sub busy")};
constexpr Field kMonitor[] = {Number("monitor", 3, 0, 1)};
constexpr Field kMeter[] = {Number("meter", 1, 0, 5)};
constexpr Field kTuner[] = {Number("tuner", 3, 0, 2)};
constexpr Field kId[] = {Number("identification", 4, 0, 9999)};
constexpr Field kDimmerFields[] = {Number("dimmer 1", 2, 0, 15), Number("dimmer 2", 2, 0, 15),
                                   Number("dimmer 3", 2, 0, 15), Number("dimmer 4", 2, 0, 15)};
constexpr Field kKeyerPlay[] = {{.name = "message", .kind = Kind::kChar, .chars = "0123456789A"}};
constexpr Field kKeyerMessage[] = {Number("message", 1, 1, 5),
                                   {.name = "text", .kind = Kind::kText, .width = 40}};
constexpr Field kVoice[] = {Number("message", 2, 0, 5)};
constexpr Field kMenuSwitch[] = {Switch("setting")};
constexpr Field kMenuKhz1000[] = {Number("kHz", 4, 0, 1000)};
constexpr Field kMenuKhz4000[] = {Number("kHz", 4, 0, 4000)};
constexpr Field kMenuDb[] = {Signed("dB", 2, -40, 20)};
constexpr Field kMenuWidth[] = {Number("width", 2, 1, 11)};
constexpr Field kMenuFilter11[] = {Number("filter", 2, 0, 11)};
constexpr Field kMenuFilter5[] = {Number("filter", 2, 0, 5)};

constexpr Command kCommands[] = {
    // Tuning: VFOs, modes, split, memories, clarifier, scanning.
    Told(1, Both("FA", kHertz, VfoHertz<0>(), "VFO A frequency")),
    Told(1, Both("FB", kHertz, VfoHertz<1>(), "VFO B frequency")),
    Query("IF", kInfo, kInfoAccess, "what the radio receives"),
    Query("OI", kOtherInfo, kOtherInfoAccess, "the VFO not receiving"),
    Told(2, OnReceiver(Both("MD", kMode, kModeAccess, "mode"))),
    Told(1, Both("VS", kVfo, kVfoSelect, "receive VFO")),
    Told(1, Row("FT", kBoth, kVfo, kFtSet, kTxVfo, "transmit VFO")),
    Setting("AB", {}, {}, "VFO A to VFO B"),
    Setting("BA", {}, {}, "VFO B to VFO A"),
    Setting("SV", {}, {}, "VFO A and B exchanged"),
    Setting("BS", kBand, {}, "band"),
    Both("MC", kChannel, Own<&RadioState::channel>(), "memory channel"),
    Setting("MW", kMemoryWrite, kMemoryWriteAccess, "memory write"),
    Setting("VM", {}, {}, "memory mode left"),
    Both("RT", kOnOff, Own<&RadioState::rit>(), "RIT"),
    Setting("RC", {}, {}, "RIT offset cleared"),
    Setting("RU", kClarifierStep, {}, "RIT offset up"),
    Setting("RD", kClarifierStep, {}, "RIT offset down"),
    Both("SC", kScan, Own<&RadioState::scan>(), "scan"),
    // Receivers.
    OnReceiver(Both("AG", kLevel, OfReceiver<&Receiver::af>(), "AF gain")),
    OnReceiver(Both("RG", kLevel, OfReceiver<&Receiver::rf>(), "RF gain")),
    OnReceiver(Both("SQ", kLevel, OfReceiver<&Receiver::squelch>(), "squelch")),
    OnReceiver(Both("RF", kRoofing, OfReceiver<&Receiver::roofing>(), "roofing filter")),
    OnReceiver(Both("GT", kDigits<1, 0, 4>, OfReceiver<&Receiver::agc>(), "AGC")),
    OnReceiver(Both("RA", kDigits<1, 0, 3>, OfReceiver<&Receiver::att>(), "attenuator")),
    OnReceiver(Both("PA", kDigits<1, 0, 2>, OfReceiver<&Receiver::preamp>(), "preamplifier")),
    OnReceiver(Both("BC", kDigits<1, 0, 1>, OfReceiver<&Receiver::auto_notch>(), "auto notch")),
    OnReceiver(Both("NA", kDigits<1, 0, 1>, OfReceiver<&Receiver::narrow>(), "narrow filter"),
               Rx::kDigitOrInUse),
    OnReceiver(Both("NB", kDigits<1, 0, 2>, OfReceiver<&Receiver::nb_type>(), "noise blanker")),
    OnReceiver(Both("NR", kDigits<1, 0, 1>, OfReceiver<&Receiver::nr>(), "noise reduction")),
    OnReceiver(Both("OS", kDigits<1, 0, 2>, OfReceiver<&Receiver::repeater>(), "repeater shift")),
    OnReceiver(Both("CT", kDigits<1, 0, 2>, OfReceiver<&Receiver::tone_mode>(), "tone mode")),
    OnReceiver(Both("CN", kTone, OfReceiver<&Receiver::tone>(), "tone number")),
    OnReceiver(Both("RL", kNrLevel, OfReceiver<&Receiver::nr_level>(), "noise reduction level")),
    OnReceiver(Both("NL", kLevel, kBlankerLevel, "noise blanker level"), Rx::kDigitOrInUse),
    WithItem("0", OnReceiver(Both("BP", kNotch, OfReceiver<&Receiver::notch>(), "manual notch"))),
    WithItem("1", OnReceiver(Both("BP", kNotchPosition, OfReceiver<&Receiver::notch_pos>(),
                                  "notch frequency, tens of hertz"))),
    OnReceiver(Both("IS", kIfShift, OfReceiver<&Receiver::if_shift_hz>(), "IF shift")),
    OnReceiver(Both("SH", kWidth, OfReceiver<&Receiver::width>(), "width step")),
    WithItem("0", OnReceiver(Both("CO", kContour, OfReceiver<&Receiver::contour>(), "contour"))),
    WithItem("1", OnReceiver(Both("CO", kContourLevel, OfReceiver<&Receiver::contour_level>(),
                                  "contour level"))),
    WithItem("2", OnReceiver(Both("CO", kContourWidth, OfReceiver<&Receiver::contour_width>(),
                                  "contour width"))),
    OnReceiver(Row("AN", kBoth, kAntennaAnswer, kAntennaSet, kAntenna, "antenna")),
    Both("FR", kDual, Own<&RadioState::dual>(), "dual watch"),
    // Transmitter and keyer.
    Both("VX", kOnOff, Own<&RadioState::vox>(), "VOX"),
    Both("PR", kOnOff, Own<&RadioState::processor>(), "speech processor"),
    Both("BI", kOnOff, Own<&RadioState::break_in>(), "break-in"),
    Both("KR", kOnOff, Own<&RadioState::keyer>(), "keyer"),
    Both("LK", kOnOff, Own<&RadioState::lock>(), "dial lock"),
    Both("FS", kOnOff, Own<&RadioState::fast>(), "fast tuning"),
    Both("TS", kOnOff, Own<&RadioState::tx_watch>(), "transmit watch"),
    Both("CS", kOnOff, Own<&RadioState::spot>(), "CW spot"),
    Both("PC", kDigits<3, 0, 255>, Own<&RadioState::power_level>(), "power"),
    Both("KS", kDigits<3, 4, 60>, Own<&RadioState::keyer_wpm>(), "keyer speed, words a minute"),
    Both("KP", kDigits<2, 0, 15>, Own<&RadioState::pitch_step>(), "CW pitch step"),
    Both("SD", kDigits<4, 0, 3000>, Own<&RadioState::break_in_delay_ms>(), "break-in delay, ms"),
    Both("MG", kDigits<3, 0, 255>, Own<&RadioState::mic_gain>(), "microphone gain"),
    Told(1, Both("TX", kOnOff, Own<&RadioState::ptt>(), "transmit")),
    // Meters and status.
    Told(1, OnReceiver(Query("SM", kLevel, OfReceiver<&Receiver::smeter>(), "S-meter"))),
    Query("BY", kBusyFields, kBusy, "busy"),
    WithItem("0", Both("ML", kMonitor, Own<&RadioState::monitor>(), "monitor"), true),
    WithItem("1", Both("ML", kLevel, Own<&RadioState::monitor_level>(), "monitor level")),
    Both("MS", kMeter, Own<&RadioState::meter>(), "transmit meter choice"),
    WithItem("00", Query("RM", kLevel, kMeterReading, "main S-meter")),
    WithItem("01", Query("RM", kLevel, kMeterReading, "transmit meter")),
    WithItem("04", Query("RM", kLevel, kMeterReading, "sub S-meter")),
    Both("AC", kTuner, Own<&RadioState::tuner>(), "antenna tuner"),
    Query("ID", kId, kIdentity, "identification"),
    Both("AI", kOnOff, Own<&RadioState::ai>(), "automatic information"),
    Both("PS", kOnOff, Own<&RadioState::power>(), "power"),
    Both("DA", kDimmerFields, kDimmer, "dimmers"),
    Setting("KY", kKeyerPlay, {}, "keyer message played"),
    Setting("KM", kKeyerMessage, kKeyerStore, "keyer message stored"),
    Setting("PB", kVoice, Own<&RadioState::voice_playing>(), "voice message played"),
    // Menu items.
    Menu("055", kMenuSwitch, 0, "full break-in"),
    Menu("068", kMenuKhz1000, 100, "repeater offset below 50 MHz"),
    Menu("069", kMenuKhz4000, 1000, "repeater offset from 50 MHz"),
    Menu("086", kMenuDb, -15, "contour level, main receiver"),
    Menu("087", kMenuWidth, 10, "contour width, main receiver"),
    Menu("089", kMenuDb, -15, "contour level, sub receiver"),
    Menu("090", kMenuWidth, 10, "contour width, sub receiver"),
    Menu("095", kMenuFilter11, 4, "narrow filter, main receiver, CW"),
    Menu("098", kMenuFilter5, 4, "narrow filter, main receiver, PKT"),
    Menu("101", kMenuFilter5, 4, "narrow filter, main receiver, FSK"),
    Menu("104", kMenuFilter11, 8, "narrow filter, main receiver, SSB"),
    Menu("107", kMenuFilter11, 4, "narrow filter, sub receiver, CW"),
    Menu("110", kMenuFilter5, 4, "narrow filter, sub receiver, PKT"),
    Menu("113", kMenuFilter5, 4, "narrow filter, sub receiver, FSK"),
    Menu("116", kMenuFilter11, 8, "narrow filter, sub receiver, SSB"),
};

}  // namespace

int Command::item_number() const { return static_cast<int>(DigitsValue(item)); }

int Key::item() const { return command.item_number(); }

std::span<const Command> Commands() { return kCommands; }

std::span<const Command> CommandsOf(std::string_view code) {
  const Command* begin = std::begin(kCommands);
  while (begin != std::end(kCommands) && begin->code != code) ++begin;
  const Command* end = begin;
  while (end != std::end(kCommands) && end->code == code) ++end;
  return {begin, end};
}

const Command* FindCommand(std::string_view code, std::string_view item) {
  for (const Command& c : CommandsOf(code)) {
    if (c.item == item) return &c;
  }
  return nullptr;
}

std::string QueryText(const Command& c, int receiver) {
  std::string t(c.code);
  if (c.receiver != Rx::kNone && (receiver == 0 || receiver == 1))
    t += static_cast<char>('0' + receiver);
  t += c.item;
  return t;
}

std::span<const std::string> ToldQueries() {
  static const std::vector<std::string> kTold = [] {
    std::vector<std::string> told;
    for (const Command& c : kCommands) {
      if (c.told == 0) continue;
      if (c.receiver == Rx::kNone) {
        told.push_back(QueryText(c));
      } else {
        for (int r = 0; r < c.told; ++r) told.push_back(QueryText(c, r));
      }
    }
    return told;
  }();
  return kTold;
}

}  // namespace tovrak::radio
