#include "soak/soak_session.hpp"

#include <malloc.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <sstream>
#include <string_view>

#include "core/component/protocol.hpp"
#include "hosts/sim/sim_link.hpp"
#include "hosts/sim/sim_radio.hpp"
#include "radio/modes.hpp"
#include "support/rig.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::soak {

namespace {

// Bytes allocated and not freed (not seen under a sanitizer's allocator: the
// plain build's soak, the same sessions, measures the heap).
int64_t heap_in_use() {
  struct mallinfo2 mi = mallinfo2();
  return static_cast<int64_t>(mi.uordblks + mi.hblkhd);
}

// The interface's mode number of the radio's mode character; -1 for none.
int mode_number(char c) {
  const radio::ModeChar* m = radio::FindModeChar(c);
  return m ? m->mode : -1;
}

int64_t hz_of(double mhz) { return std::llround(mhz * 1e6); }

// The queries of status polling; every other write is a control command.
bool is_poll_text(std::string_view w) {
  static constexpr std::string_view kPolls[] = {"FA;", "FB;", "IF;", "FT;", "OI;",
                                                "TX;", "AC;", "VS;", "SM0;"};
  return std::find(std::begin(kPolls), std::end(kPolls), w) != std::end(kPolls);
}

// What errors a call may raise.
enum class May { kNothing, kSubscript, kOverflow };
using enum May;

// The amateur bands in MHz, where the host tunes.
struct Span {
  double lo, hi;
};
constexpr Span kBands[] = {{1.81, 2.0},   {3.5, 3.8},       {7.0, 7.2},    {10.1, 10.15},
                           {14.0, 14.35}, {18.068, 18.168}, {21.0, 21.45}, {24.89, 24.99},
                           {28.0, 29.7},  {50.0, 52.0}};
constexpr int16_t kReceivers[] = {0, 1, 0, 1, 0, 1, 2, -1};
constexpr int16_t kChannels[] = {1, 2, 3, 4, 5, 6, 2, 5, 0, 42, 100};
struct LevelSetter {
  const char* name;
  VBool (TOVRAK_Protocol::*set)(int16_t&, int16_t&);
};
constexpr LevelSetter kLevelSetters[] = {{"SetAFLevel", &TOVRAK_Protocol::SetAFLevel},
                                         {"SetRFLevel", &TOVRAK_Protocol::SetRFLevel},
                                         {"SetSQLevel", &TOVRAK_Protocol::SetSQLevel}};

// The faults of every episode: a bad cable (answers lost, garbled, broken up
// 40 ms apart at most, held back 0.3 s), a radio that falls silent or is
// switched off and on around every so often for at most so long, and its
// operator turning the knobs.
constexpr sim::LineFaults kLineFaults{0.05, 0.02, 0.2, 40'000, 0.1, 300'000};
struct RadioFault {
  int64_t every_ms, max_ms;
  void (sim::SimRadio::*start)(int64_t now_us, int64_t span_us);
  int64_t SoakResult::*count;
};
constexpr RadioFault kRadioFaults[] = {
    {75'000, 8'000, &sim::SimRadio::go_silent, &SoakResult::silences},
    {200'000, 4'000, &sim::SimRadio::power_cycle, &SoakResult::power_cycles}};

using test::i16, test::dbl, test::str;

class Session {
 public:
  Session(const SoakPlan& plan, SoakResult& res)
      : plan_(plan),
        res_(res),
        radio_(sim::SimOptions{
            .id = plan.id, .seed = plan.seed, .operator_on = true, .latency_us = 4'000}),
        link_(radio_, rig_.apt),
        dice_{plan.seed * 0x2545F4914F6CDD1Dull + 7} {
    link_.on_write([this](int64_t us, std::string_view bytes) { watch_write(us, bytes); });
    if (plan.trace) link_.on_arrive([this](std::string_view bytes) { trace("< ", bytes); });
    rig_.rig->AdviseChange([this](int16_t& state) { on_change(state); });
  }

  void run() {
    rig_.rig->put_Port(1);
    rig_.rig->put_PortSpeed("38400");
    if (!rig_.open()) escaped("SetPort: the port did not open");
    cat(1);
    const int episodes = std::max(1, plan_.episodes);
    const int64_t episode_ms = plan_.work_ms / episodes;
    int64_t next_heap_sample = now_ms() + std::min<int64_t>(episode_ms / 2, 120'000);
    res_.converged = true;
    for (int e = 0; e < episodes; ++e) {
      const int64_t begin = now_ms();
      faults_on();
      while (now_ms() - begin < episode_ms) {
        pass(dice_.between(100, 4'000));
        inject_radio_faults();
        if (now_ms() >= next_heap_sample) {
          sample_heap();
          next_heap_sample = now_ms() + 60'000;
        }
        act();
      }
      settle();
    }
    sample_heap();
    res_.line = radio_.line_stats();
    res_.virtual_ms = now_ms();
  }

 private:
  // ---------------------------------------------------------------- the host

  void cat(int16_t on) {
    call("SetCAT", kNothing, [&] { return rig_.rig->SetCAT(on); });
    if (on == 0) ++res_.cat_off;
  }

  int16_t n(int64_t below) { return static_cast<int16_t>(dice_.below(below)); }
  int16_t in(int64_t lo, int64_t hi) { return static_cast<int16_t>(dice_.between(lo, hi)); }

  // One thing a host does, drawn at random. Arguments are mostly sensible
  // and now and then out of range, as a host's user makes them; they are
  // drawn in the order written, so that a seed gives the same session.
  void act() {
    auto& r = *rig_.rig;
    const int64_t pick = dice_.below(100);
    if (pick < 14) return call("SetFreq", kNothing, [&] { return r.SetFreq(frequency()); });
    if (pick < 22) {
      int16_t mode = n(8), reverse = dice_.chance(0.2);
      return call("SetMode", kNothing, [&] { return r.SetMode(mode, reverse); });
    }
    if (pick < 30) return call("SetVFO", kNothing, [&] { return r.SetVFO(i16(n(2))); });
    if (pick < 36) return call("SetSplit", kNothing, [&] { return r.SetSplit(i16(n(2))); });
    if (pick < 44) {
      int16_t rx = kReceivers[n(8)], level = n(256);
      const LevelSetter& s = kLevelSetters[n(3)];
      return call(s.name, kSubscript, [&] { return (r.*s.set)(rx, level); });
    }
    if (pick < 49)
      return call("SetChannel", kNothing, [&] { return r.SetChannel(i16(kChannels[n(11)])); });
    if (pick < 52) {
      return call("SetVFOM", kNothing, [&] { return r.SetVFOM(i16(in(10, 30)), str("")); });
    }
    if (pick < 56) return cat(r.get_CAT() == 0 ? 1 : 0);
    if (pick < 58) return call("SetRefresh", kNothing, [&] { return r.SetRefresh(), true; });
    if (pick < 60) return call("SetAeqB", kNothing, [&] { return r.SetAeqB(); });
    if (pick < 62) return call("SetAexcB", kNothing, [&] { return r.SetAexcB(); });
    if (pick < 64) return call("SetBand", kNothing, [&] { return r.SetBand(i16(n(11))); });
    if (pick < 67) {
      double f = frequency();
      return call("SetTX", kNothing, [&] { return r.SetTX(f, i16(n(7))); });
    }
    if (pick < 76) return settings();
    if (pick < 78) {
      float hz = dice_.chance(0.3) ? 100'000.0f : n(30'000);
      return call("SetShift", kNothing, [&] { return r.SetShift(hz); });
    }
    if (pick < 79) {
      int16_t on = n(2), hz = in(-9'999, 9'999);
      return call("SetRIT", kNothing, [&] { return r.SetRIT(on, dbl(hz / 1000.0)); });
    }
    reads();
  }

  void settings() {
    auto& r = *rig_.rig;
    const int64_t k = dice_.below(10);
    if (k == 0) return call("SetAGC", kNothing, [&] { return r.SetAGC(i16(n(6))); });
    if (k == 1) return call("SetAtt", kNothing, [&] { return r.SetAtt(i16(n(5))); });
    if (k == 2) return call("SetPreAmp", kNothing, [&] { return r.SetPreAmp(i16(n(4))); });
    if (k == 3) return call("SetNB", kSubscript, [&] { return r.SetNB(i16(n(256))); });
    if (k == 4) return call("SetNBType", kSubscript, [&] { return r.SetNBType(i16(in(-1, 3))); });
    if (k == 5) return call("SetNR", kNothing, [&] { return r.SetNR(i16(n(17))); });
    if (k == 6) return call("SetNF", kNothing, [&] { return r.SetNF(i16(n(400))); });
    if (k == 7)
      return call("SetIFShift", kNothing, [&] { return r.SetIFShift(i16(in(-130, 130))); });
    if (k == 8)
      return call("SetFilter", kSubscript,
                  [&] { return r.SetFilter(i16(n(4)), i16(r.get_Mode()), i16(0)); });
    call("SetAntenna", kNothing, [&] { return r.SetAntenna(i16(n(5))); });
  }

  // Properties a host shows, some of them indexed out of range.
  void reads() {
    auto& r = *rig_.rig;
    call("state", kNothing, [&] {
      return seen(r.get_Freq() + r.get_VFOA_Freq() + r.get_VFOB_Freq() + r.get_TX_Freq() +
                  r.get_VFO() + r.get_Mode() + r.get_Split() + r.get_MemMode() + r.get_SMeter() +
                  r.get_Channel() + r.get_BW() + r.get_NB() + r.get_NR() + r.get_CAT());
    });
    static constexpr int kIndexes[] = {0, 1, 0, 1, 2, -1};
    Variant rx(static_cast<int16_t>(kIndexes[dice_.below(6)]));
    call("AFLevel", kSubscript, [&] { return seen(r.get_AFLevel(rx)); });
    call("RFLevel", kSubscript, [&] { return seen(r.get_RFLevel(rx)); });
    call("SQLevel", kSubscript, [&] { return seen(r.get_SQLevel(rx)); });
    call("RFT", kSubscript, [&] { return seen(r.get_RFT(rx)); });
    int16_t filter = in(-1, 3), mode = in(-1, 11);
    call("HighCutFilter", kSubscript, [&] { return seen(r.get_HighCutFilter(filter, mode)); });
    call("Property", kSubscript, [&] { return seen(r.get_Property(i16(in(-1, 101)))); });
    call("Shift", kOverflow, [&] { return seen(r.get_Shift()); });
    call("TuningStep", kOverflow, [&] { return seen(r.get_TuningStep()); });
  }

  // What the host read goes somewhere, as it would onto a screen.
  bool seen(double value) { return shown_ += value, true; }

  // Runs one call of the host and judges what came out of it.
  template <class F>
  void call(const char* name, May may, F&& f) {
    ++res_.calls;
    if (plan_.trace) std::printf("%shost %s\n", at().c_str(), name);
    try {
      if (!static_cast<bool>(f())) ++res_.refused;
    } catch (const ComError& e) {
      const bool documented = e.number() == (may == kSubscript ? 9 : may == kOverflow ? 6 : -1);
      documented ? void(++res_.documented_errors)
                 : escaped(std::string(name) + " raised " + std::to_string(e.number()) + " " +
                           e.description());
    } catch (const std::exception& e) {
      escaped(std::string(name) + " threw " + e.what());
    }
  }

  // A host reads what the event tells it about.
  void on_change(int16_t state) {
    ++res_.events;
    if (state != change::kMode && state != change::kSMeter && state != change::kStatus &&
        res_.odd_events.size() < 5) {
      res_.odd_events.push_back(at() + "Change(" + std::to_string(state) + ")");
    }
    auto& r = *rig_.rig;
    call("Change handler", kNothing, [&] {
      if (state == change::kSMeter) return seen(r.get_SMeter());
      if (state == change::kStatus) r.put_StatusChange(VFalse);
      return seen(r.get_Freq() + r.get_Mode() + r.get_Split());
    });
  }

  double frequency() {
    const Span& b = kBands[dice_.below(static_cast<int64_t>(std::size(kBands)))];
    auto steps = static_cast<int64_t>((b.hi - b.lo) * 10'000);  // 100 Hz steps
    return b.lo + static_cast<double>(dice_.below(steps)) / 10'000.0;
  }

  // ---------------------------------------------------------------- faults

  int64_t jitter(int64_t every_ms) { return every_ms / 2 + dice_.below(every_ms + 1); }

  void faults_on() {
    radio_.set_line_faults(kLineFaults);
    radio_.set_operator(true, now_us());
    for (size_t i = 0; i < std::size(kRadioFaults); ++i)
      next_fault_[i] = now_ms() + jitter(kRadioFaults[i].every_ms);
  }

  void inject_radio_faults() {
    const int64_t now = now_ms();
    for (size_t i = 0; i < std::size(kRadioFaults); ++i) {
      const RadioFault& f = kRadioFaults[i];
      if (now < next_fault_[i]) continue;
      const int64_t span = dice_.between(500, f.max_ms);
      (radio_.*f.start)(now_us(), span * 1000);
      faults_until_ = std::max(faults_until_, now + span);
      next_fault_[i] = now + jitter(f.every_ms);
      ++(res_.*f.count);
    }
  }

  // ---------------------------------------------------------------- checks

  // Lets time pass in small steps, checking what must hold after each.
  void pass(int64_t ms) {
    const int64_t end = now_ms() + ms;
    while (now_ms() < end) {
      rig_.apt.advance_ms(std::min<int64_t>(50, end - now_ms()));
      check_bounds();
    }
  }

  void check_bounds() {
    // A handler that slept may have carried the clock past the end of the
    // step with events still queued: they are processed first (and what
    // they do may sleep again).
    auto& port = rig_.p->ComDLL();
    rig_.apt.process_pending();
    res_.input_waiting_max = std::max(res_.input_waiting_max, port.InBufferCount());
    for (int i = 0; i < 100 && port.InBufferCount() > 0; ++i) rig_.apt.process_pending();
    if (port.InBufferCount() > 0) ++res_.input_stuck;
    const std::string& rx = rig_.m().link.rx_buffer;
    res_.rx_buffer_max = std::max(res_.rx_buffer_max, rx.size());
    res_.rx_buffer_capacity_max = std::max(res_.rx_buffer_capacity_max, rx.capacity());
    rig_.line().clear_writes();  // the line's own record of the wire; watched in watch_write
    rig_.events.clear();
  }

  // Every two writes at least the polling delay apart, and a control command
  // at least the command delay after the write before it, within the clock's
  // resolution at this time of day; a span across midnight counts as long.
  void watch_write(int64_t us, std::string_view bytes) {
    ++res_.writes;
    if (plan_.trace) trace("> ", bytes);
    const double tod = rig_.apt.time_of_day();
    const auto& link = rig_.m().link;
    if (last_write_us_ >= 0 && tod >= last_write_tod_) {
      const double gap_ms = static_cast<double>(us - last_write_us_) / 1000.0;
      const auto clock = static_cast<float>(tod);
      const double resolution_ms =
          1000.0 * static_cast<double>(std::nextafter(clock, 1e9f) - clock);
      res_.min_gap_ms = std::min(res_.min_gap_ms, gap_ms);
      const double least = 1000.0 * (is_poll_text(bytes) ? link.polling_delay : link.command_delay);
      const bool long_since = gap_ms > 1000.0 * link.error_delay + resolution_ms;
      if (!long_since && gap_ms < least - 2 * resolution_ms && res_.spacing_violations.size() < 5) {
        res_.spacing_violations.push_back(at() + std::string(bytes) + " " + std::to_string(gap_ms) +
                                          " ms after the write before");
      }
    }
    last_write_us_ = us;
    last_write_tod_ = tod;
  }

  void sample_heap() {
    const int64_t now = heap_in_use();
    if (res_.heap_measured) {
      res_.heap_growth_max = std::max(res_.heap_growth_max, now - res_.heap_after_warmup);
    } else {
      res_.heap_measured = true;
      res_.heap_after_warmup = now;
    }
  }

  // The component's picture of the radio against the radio; empty when they
  // agree. Two things the component does not learn by polling are left out
  // unless the plan is strict: in memory mode the answer to the VFO query
  // puts VFO A's frequency and mode in place of the channel's until the next
  // information answer; and while VFO B receives, no query of the status
  // cycle reads VFO B's mode.
  std::string disagreement() {
    const sim::RadioState& s = radio_.state();
    auto& r = *rig_.rig;
    std::ostringstream d;
    auto differ = [&](const char* what, auto mine, auto radios) {
      if (mine != radios) d << what << " " << mine << " (radio " << radios << ") ";
    };
    const bool memory = s.memory_mode, strict = plan_.strict;
    const bool on_b = !memory && s.rx_vfo == 1;
    differ("VFO", static_cast<int>(r.get_VFO()), s.rx_vfo);
    differ("MemMode", static_cast<int>(r.get_MemMode()), memory ? 1 : 0);
    differ("Split", static_cast<int>(r.get_Split()), s.split() ? 1 : 0);
    differ("VFOA_Freq", hz_of(r.get_VFOA_Freq()), s.vfo[0].hz);
    differ("VFOB_Freq", hz_of(r.get_VFOB_Freq()), s.vfo[1].hz);
    if (strict || !memory) differ("Freq", hz_of(r.get_Freq()), s.receive_hz());
    if (strict || !(memory || on_b)) {
      differ("Mode", static_cast<int>(r.get_Mode()), mode_number(s.receive_mode()));
    }
    if (!memory) {
      differ("VFOA_Mode", static_cast<int>(r.get_VFOA_Mode()), mode_number(s.vfo[0].mode));
      if (strict || !on_b) {
        differ("VFOB_Mode", static_cast<int>(r.get_VFOB_Mode()), mode_number(s.vfo[1].mode));
      }
    }
    return d.str();
  }

  // Faults and work stop; the host only switches CAT on if it was off, and
  // the state is watched until the end of the settling time.
  void settle() {
    radio_.set_line_faults(sim::LineFaults{});
    radio_.set_operator(false, now_us());
    if (faults_until_ > now_ms()) pass(faults_until_ - now_ms());
    if (plan_.trace) std::printf("%sthe faults stop\n", at().c_str());
    if (rig_.rig->get_CAT() == 0) cat(1);
    const int64_t t0 = now_ms();
    int64_t took = 0;
    std::string last;
    while (now_ms() - t0 < plan_.settle_ms) {
      pass(50);
      if (std::string d = disagreement(); !d.empty()) {
        took = now_ms() - t0;
        last = at() + d;
      }
    }
    const bool agrees = disagreement().empty();
    res_.settle_ms.push_back(took);
    if (!agrees || took >= res_.converge_ms) {
      if (res_.converged) res_.disagreement = last;
      res_.converge_ms = std::max(res_.converge_ms, took);
    }
    res_.converged = res_.converged && agrees;
  }

  void escaped(std::string what) {
    if (res_.escaped.size() < 10) res_.escaped.push_back(at() + what);
  }
  void trace(const char* direction, std::string_view bytes) {
    std::printf("%s%s%.*s\n", at().c_str(), direction, static_cast<int>(bytes.size()),
                bytes.data());
  }
  std::string at() const {
    char buf[32];
    std::snprintf(buf, sizeof buf, "[%.3f s] ", static_cast<double>(now_us()) / 1e6);
    return buf;
  }
  int64_t now_us() const { return rig_.apt.now_us(); }
  int64_t now_ms() const { return rig_.apt.now_us() / 1000; }

  const SoakPlan& plan_;
  SoakResult& res_;
  test::Rig rig_;
  sim::SimRadio radio_;
  sim::SimLink link_;
  sim::Dice dice_;
  int64_t next_fault_[std::size(kRadioFaults)] = {}, faults_until_ = 0;
  int64_t last_write_us_ = -1;
  double last_write_tod_ = 0.0;
  double shown_ = 0.0;
};

}  // namespace

SoakResult run_soak(const SoakPlan& plan) {
  SoakResult res;
  Session(plan, res).run();
  return res;
}

std::vector<std::string> broken_promises(const SoakPlan& plan, const SoakResult& r) {
  std::vector<std::string> broken;
  auto expect = [&](bool kept, std::string what) {
    if (!kept) broken.push_back(std::move(what));
  };
  // Only errors the interface documents for a call reach the host, and only
  // from that call; everything else is taken in.
  for (const auto& e : r.escaped) broken.push_back("an error reached the host: " + e);
  for (const auto& e : r.odd_events) broken.push_back("an event of no known kind: " + e);
  // Faults on the line never make the component crowd the radio.
  for (const auto& e : r.spacing_violations) broken.push_back("commands too close: " + e);
  // Nothing piles up.
  expect(r.rx_buffer_max <= kRxBufferBound, "the receive buffer grew");
  expect(r.input_waiting_max <= kInputWaitingBound, "received bytes piled up in the port");
  expect(r.input_stuck == 0, "received bytes stayed unread");
  expect(r.heap_measured && r.heap_growth_max <= kHeapGrowthBound, "the heap grew");
  if (plan.id != 570) {
    expect(r.converged, "the state did not settle on the radio's");
    expect(r.converge_ms <= kSettleBoundMs, "the state took too long to settle");
  }
  // The session was a rough one, and the host asked for the errors it may get.
  expect(r.line.dropped > 0 && r.line.garbled > 0 && r.line.split > 0 && r.line.late > 0,
         "the line had not every kind of fault");
  expect(r.silences > 0 && r.power_cycles > 0, "the radio was never silent or switched off");
  expect(r.cat_off > 0, "the host never switched CAT off");
  expect(r.documented_errors > 0, "the host never met a documented error");
  return broken;
}

std::string describe(const SoakPlan& plan, const SoakResult& r) {
  std::ostringstream o;
  o << "seed " << plan.seed << ", id " << plan.id << ", " << r.virtual_ms / 1000
    << " s of virtual time (" << plan.work_ms / 1000 << " s of faults in "
    << std::max(1, plan.episodes) << " episodes)\n";
  o << "host: " << r.calls << " calls, " << r.refused << " refused, " << r.documented_errors
    << " documented errors, " << r.escaped.size() << " escaped; " << r.events << " events\n";
  o << "line: " << r.writes << " writes, closest " << r.min_gap_ms << " ms; " << r.line.answers
    << " answers: " << r.line.dropped << " lost, " << r.line.garbled << " garbled, " << r.line.split
    << " broken up, " << r.line.late << " held back; " << r.silences << " silences, "
    << r.power_cycles << " power cycles, CAT off " << r.cat_off << " times\n";
  o << "bounds: receive buffer " << r.rx_buffer_max << " bytes (capacity "
    << r.rx_buffer_capacity_max << "), unread input " << r.input_waiting_max
    << " bytes (left unread " << r.input_stuck << " times), heap growth " << r.heap_growth_max
    << " bytes over " << r.heap_after_warmup << "\n";
  o << "settling: " << (r.converged ? "agrees" : "DISAGREES") << ", at worst after "
    << r.converge_ms << " ms (";
  for (size_t i = 0; i < r.settle_ms.size(); ++i) o << (i ? " " : "") << r.settle_ms[i];
  o << ")";
  if (!r.disagreement.empty()) o << "; last difference " << r.disagreement;
  o << "\n";
  return o.str();
}

}  // namespace tovrak::soak
