// What every command test needs: a component on the virtual platform with its
// port open, the wire in virtual time, and a picture of the whole state model
// to prove that a refused request changed nothing.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "core/link/port_and_timers.hpp"
#include "support/rig.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::test {

using Wire = std::vector<std::pair<int64_t, std::string>>;
using Texts = std::vector<std::string>;

// The error number a call raises, 0 when it returns.
template <class F>
int error_number(F&& f) {
  try {
    f();
  } catch (const ComError& e) {
    return e.number();
  }
  return 0;
}

// The wire matches `expected`: the same texts, and each write as long after
// the write before it (the first: after the origin) as expected, or one 5 ms
// sleep step more. The link's clock is single precision, so an elapsed
// 100 ms can read as slightly less and cost one more step.
inline ::testing::AssertionResult on_wire(const Wire& actual, const Wire& expected,
                                          int64_t actual_origin = 0, int64_t nominal_origin = 0) {
  auto show = [](const Wire& w) {
    std::ostringstream o;
    for (const auto& [t, text] : w) o << " (" << t << ", " << text << ")";
    return o.str();
  };
  bool ok = actual.size() == expected.size();
  for (size_t i = 0; ok && i < actual.size(); ++i) {
    int64_t gap = actual[i].first - (i ? actual[i - 1].first : actual_origin);
    int64_t nominal = expected[i].first - (i ? expected[i - 1].first : nominal_origin);
    ok = actual[i].second == expected[i].second && gap >= nominal && gap <= nominal + 5;
  }
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "wire:" << show(actual) << "\nexpected:" << show(expected);
}

namespace detail {

inline void put(std::ostream& o, int16_t v) { o << v; }
inline void put(std::ostream& o, int v) { o << v; }
inline void put(std::ostream& o, double v) { o << v; }
inline void put(std::ostream& o, float v) { o << v; }
inline void put(std::ostream& o, VBool v) { o << v.value; }
inline void put(std::ostream& o, const std::string& v) { o << '"' << v << '"'; }
inline void put(std::ostream& o, const Variant& v) { o << (v.empty() ? "<empty>" : v.to_string()); }
inline void put(std::ostream& o, const core::NBRecord& r) {
  o << '{' << r.On << ',' << r.Level << ',' << r.Cmd << '}';
}
template <class T, size_t N>
void put(std::ostream& o, const std::array<T, N>& a) {
  o << '[';
  for (const auto& x : a) {
    put(o, x);
    o << ' ';
  }
  o << ']';
}

}  // namespace detail

// Every field of the state model, the capability table, and the module
// variables and timers a command may touch, as one text.
inline std::string picture(Rig& r) {
  std::ostringstream o;
  o.precision(17);
  const core::State& s = r.s();
#define TOVRAK_FIELD(name) \
  o << #name << '=';       \
  detail::put(o, s.name);  \
  o << '\n';
  TOVRAK_FIELD(About)
  TOVRAK_FIELD(AFLevel)
  TOVRAK_FIELD(RFLevel)
  TOVRAK_FIELD(SQLevel)
  TOVRAK_FIELD(RFT)
  TOVRAK_FIELD(AGC)
  TOVRAK_FIELD(Antenna)
  TOVRAK_FIELD(Att)
  TOVRAK_FIELD(AutoNF)
  TOVRAK_FIELD(AutoPolling)
  TOVRAK_FIELD(BK)
  TOVRAK_FIELD(BKIn)
  TOVRAK_FIELD(Band)
  TOVRAK_FIELD(Busy)
  TOVRAK_FIELD(BW)
  TOVRAK_FIELD(CAT)
  TOVRAK_FIELD(CATAnswer)
  TOVRAK_FIELD(CHLabel)
  TOVRAK_FIELD(CKBuffer)
  TOVRAK_FIELD(Channel)
  TOVRAK_FIELD(ChannelMax)
  TOVRAK_FIELD(ChannelMin)
  TOVRAK_FIELD(Comp)
  TOVRAK_FIELD(ContourState)
  TOVRAK_FIELD(CTCSS)
  TOVRAK_FIELD(DCS)
  TOVRAK_FIELD(Dec)
  TOVRAK_FIELD(DimLevel)
  TOVRAK_FIELD(Dual)
  TOVRAK_FIELD(Enc)
  TOVRAK_FIELD(Fast)
  TOVRAK_FIELD(FContour)
  TOVRAK_FIELD(Filter)
  TOVRAK_FIELD(FNotch)
  TOVRAK_FIELD(Freq)
  TOVRAK_FIELD(FullBK)
  TOVRAK_FIELD(HighCutFilter)
  TOVRAK_FIELD(LowCutFilter)
  TOVRAK_FIELD(IFS)
  TOVRAK_FIELD(IFShift)
  TOVRAK_FIELD(KeyerSpeed)
  TOVRAK_FIELD(KeyerWPM)
  TOVRAK_FIELD(LockDial)
  TOVRAK_FIELD(MemMode)
  TOVRAK_FIELD(Meter)
  TOVRAK_FIELD(MeterCaption)
  TOVRAK_FIELD(MeterSW)
  TOVRAK_FIELD(MicGain)
  TOVRAK_FIELD(Mode)
  TOVRAK_FIELD(Monitor)
  TOVRAK_FIELD(MonitorLevel)
  TOVRAK_FIELD(NB)
  TOVRAK_FIELD(NBType)
  TOVRAK_FIELD(NF)
  TOVRAK_FIELD(NR)
  TOVRAK_FIELD(Pitch)
  TOVRAK_FIELD(Port)
  TOVRAK_FIELD(PortDTR)
  TOVRAK_FIELD(PortOpen)
  TOVRAK_FIELD(PortRTS)
  TOVRAK_FIELD(PortSpeed)
  TOVRAK_FIELD(PowerON)
  TOVRAK_FIELD(PreAmp)
  TOVRAK_FIELD(ProcLevel)
  TOVRAK_FIELD(Property)
  TOVRAK_FIELD(PTT)
  TOVRAK_FIELD(Range)
  TOVRAK_FIELD(RangeMax)
  TOVRAK_FIELD(RangeMin)
  TOVRAK_FIELD(Reverse)
  TOVRAK_FIELD(RFPower)
  TOVRAK_FIELD(RITOffset)
  TOVRAK_FIELD(RITStatus)
  TOVRAK_FIELD(RPT)
  TOVRAK_FIELD(RXAnt)
  TOVRAK_FIELD(Shift)
  TOVRAK_FIELD(SMeter)
  TOVRAK_FIELD(Split)
  TOVRAK_FIELD(StatusChange)
  TOVRAK_FIELD(Sub_Freq)
  TOVRAK_FIELD(Sub_Mode)
  TOVRAK_FIELD(Tuner)
  TOVRAK_FIELD(TuningStep)
  TOVRAK_FIELD(TX_Freq)
  TOVRAK_FIELD(TX_Mode)
  TOVRAK_FIELD(TXEQ)
  TOVRAK_FIELD(VFO)
  TOVRAK_FIELD(VFOA_Freq)
  TOVRAK_FIELD(VFOA_Mode)
  TOVRAK_FIELD(VFOB_Freq)
  TOVRAK_FIELD(VFOB_Mode)
  TOVRAK_FIELD(Vox)
  TOVRAK_FIELD(AIState)
  TOVRAK_FIELD(PollPending)
  TOVRAK_FIELD(PollStep)
  TOVRAK_FIELD(WaitAnswer)
  TOVRAK_FIELD(MeterRead)
  TOVRAK_FIELD(PortSettings)
  TOVRAK_FIELD(TransceiverID)
  TOVRAK_FIELD(TX_VFO)
  TOVRAK_FIELD(TXW)
  TOVRAK_FIELD(WidthCode)
  TOVRAK_FIELD(WidthLevel)
  TOVRAK_FIELD(FilterPresets)
  TOVRAK_FIELD(ContourSign)
  TOVRAK_FIELD(ContourSwitch)
  TOVRAK_FIELD(ContourLevel)
  TOVRAK_FIELD(NRSwitch)
  TOVRAK_FIELD(NRLevel)
  TOVRAK_FIELD(NFSwitch)
  TOVRAK_FIELD(NFLevel)
  TOVRAK_FIELD(KeyerSwitch)
  TOVRAK_FIELD(KeyerLevel)
  TOVRAK_FIELD(NBRec)
  TOVRAK_FIELD(FullBKMenu)
  TOVRAK_FIELD(ContourMenu)
  TOVRAK_FIELD(ContourMenu2)
  TOVRAK_FIELD(MeterName)
  TOVRAK_FIELD(NarrowSetting)
#undef TOVRAK_FIELD
  core::Module& m = r.m();
  o << "muted=" << m.link.send_muted.value << " paused=" << m.polling.poll_paused.value
    << " vfo_index=" << m.polling.vfo_poll_index << " level_index=" << m.polling.level_index
    << " refresh=" << m.polling.refresh_active.value << " startup=" << m.polling.startup_query.value
    << " last_send=" << m.link.last_send_time << " last_command=" << m.link.last_command_time
    << '\n';
  if (m.port_and_timers_loaded()) {
    auto& f = m.port_and_timers();
    o << "timers=" << f.tmrPolling->enabled() << f.tmrPollVFO->enabled() << f.tmrLevels->enabled()
      << f.tmrStopPolling->enabled() << '\n';
  }
  return o.str();
}

// A component with its port open and an empty wire; CAT operation stays off,
// so no poll ever mixes with the commands under test.
struct Commands : ::testing::Test {
  Rig r;
  TOVRAK_Protocol& p = *r.rig;
  core::State& s = r.s();
  core::Module& m = r.m();

  int64_t seen_actual_ = 0;
  int64_t seen_nominal_ = 0;

  void SetUp() override {
    r.rig->put_Port(1);
    ASSERT_TRUE(r.open());
    r.wire();
  }

  // Virtual milliseconds since the rig was made.
  int64_t now_ms() { return r.apt.now_us() / 1000; }
  // The writes since the last call match `expected`, whose times are read on
  // one nominal timeline across calls: each write is compared with the one
  // before it, also when that one was checked by the previous call.
  ::testing::AssertionResult wire_is(const Wire& expected) {
    Wire actual = r.wire();
    auto result = on_wire(actual, expected, seen_actual_, seen_nominal_);
    if (!actual.empty()) seen_actual_ = actual.back().first;
    if (!expected.empty()) seen_nominal_ = expected.back().first;
    return result;
  }
  bool paused() {
    return static_cast<bool>(m.polling.poll_paused) &&
           m.port_and_timers().tmrStopPolling->enabled();
  }
};

// A refused request returns false, writes nothing and changes nothing.
#define EXPECT_REFUSED(call)                        \
  do {                                              \
    const std::string before_ = picture(r);         \
    EXPECT_FALSE(static_cast<bool>(call)) << #call; \
    EXPECT_EQ(r.wire(), Wire{}) << #call;           \
    EXPECT_EQ(picture(r), before_) << #call;        \
  } while (0)

}  // namespace tovrak::test
