// Command tests as rows: the state before, the call, the wire it writes with
// virtual times, the change it makes to the state and to the polling flags,
// and its result. Every row runs on a fresh component with its port open
// and CAT off, so no poll mixes with the commands; everything a row does
// not name must stay as it was.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/link/port_and_timers.hpp"
#include "support/rig.hpp"
#include "support/state_check.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::test {

namespace cap = core::cap;

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
  bool ok = actual.size() == expected.size();
  for (size_t i = 0; ok && i < actual.size(); ++i) {
    int64_t gap = actual[i].first - (i ? actual[i - 1].first : actual_origin);
    int64_t nominal = expected[i].first - (i ? expected[i - 1].first : nominal_origin);
    ok = actual[i].second == expected[i].second && gap >= nominal && gap <= nominal + 5;
  }
  if (ok) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "wire: " << ::testing::PrintToString(actual)
                                       << "\nexpected: " << ::testing::PrintToString(expected);
}

// The module's polling flags and timers a command may touch.
struct Flags {
  bool muted = false, paused = false, stop_timer = false, refresh = false, startup = false;
  bool vfo_timer = false, levels_timer = false, freq_changed = false;
  int vfo_index = 0, level_index = 0;
  bool operator==(const Flags&) const = default;
  void pause() { paused = stop_timer = true; }

  static Flags of(Rig& r) {
    core::Module& m = r.m();
    auto& f = m.port_and_timers();
    return {bool(m.link.send_muted),       bool(m.polling.poll_paused),
            f.tmrStopPolling->enabled(),   bool(m.polling.refresh_active),
            bool(m.polling.startup_query), f.tmrPollVFO->enabled(),
            f.tmrLevels->enabled(),        bool(m.polling.freq_changed),
            m.polling.vfo_poll_index,      m.polling.level_index};
  }
  friend void PrintTo(const Flags& f, std::ostream* o) {
    *o << "muted=" << f.muted << " paused=" << f.paused << " stop_timer=" << f.stop_timer
       << " refresh=" << f.refresh << " startup=" << f.startup << " vfo_timer=" << f.vfo_timer
       << " levels_timer=" << f.levels_timer << " freq_changed=" << f.freq_changed
       << " vfo_index=" << f.vfo_index << " level_index=" << f.level_index;
  }
};

// What a call returned: a Boolean's or an Integer16's value, or an error.
struct Res {
  int v;
  Res(VBool b) : v(b.value) {}
  Res(int16_t x) : v(x) {}
};
constexpr int T = -1, F = 0;
constexpr int E9 = 1009;  // subscript out of range

using Before = std::function<void(core::State&, core::Module&)>;
using Call = std::function<Res(TOVRAK_Protocol&)>;
using Change = std::function<void(core::State&, Flags&)>;

struct Row {
  std::string name;
  Before before;  // the state before the call; empty: the fresh state
  Call call;
  Wire wire;       // the writes, in milliseconds from the call, then its return
  Change after;    // what the call changes; empty: nothing
  int result = T;  // T, F, an Integer16, or E9
};

// `ends`: when the call returns; -1: at its last write.
inline Row row(std::string name, Before before, Call call, std::string_view wire = "",
               Change after = {}, int result = T, int64_t ends = -1) {
  Wire w = wire_of(wire);
  w.emplace_back(ends >= 0 ? ends : w.empty() ? 0 : w.back().first, "returns");
  return {name, before, call, w, after, result};
}

// A call of `f` with `args` converted to its parameters' types; the call
// takes them by reference, as a host's variables, and leaves `after` in
// them (`call`: leaves them alone).
template <class... P>
using Args = std::tuple<std::decay_t<P>...>;
template <class R, class... P, class... A>
Call leaving(Args<P...> after, R (TOVRAK_Protocol::*f)(P...), A... args) {
  return [=](TOVRAK_Protocol& p) -> Res {
    Args<P...> held{static_cast<std::decay_t<P>>(args)...};
    Res r = std::apply([&](auto&... x) { return (p.*f)(x...); }, held);
    EXPECT_EQ(::testing::PrintToString(held), ::testing::PrintToString(after));
    return r;
  };
}
template <class R, class... P, class... A>
Call call(R (TOVRAK_Protocol::*f)(P...), A... args) {
  return leaving(Args<P...>{static_cast<std::decay_t<P>>(args)...}, f, args...);
}

#define CALL(f, ...) call(&TOVRAK_Protocol::f __VA_OPT__(, ) __VA_ARGS__)
#define SET(...) \
  []([[maybe_unused]] core::State& s, [[maybe_unused]] core::Module& m) { __VA_ARGS__; }
#define CHANGE(...) []([[maybe_unused]] core::State& s, [[maybe_unused]] Flags& f) { __VA_ARGS__; }
// The same for rows made in a loop: they copy the loop's values.
#define SETV(...) \
  [=]([[maybe_unused]] core::State& s, [[maybe_unused]] core::Module& m) { __VA_ARGS__; }
#define CHANGEV(...) \
  [=]([[maybe_unused]] core::State& s, [[maybe_unused]] Flags& f) { __VA_ARGS__; }

// A component with its port open and an empty wire.
inline void open_rig(Rig& r) {
  r.rig->put_Port(1);
  ASSERT_TRUE(r.open());
  r.wire();
}

// Runs each row on a fresh component, after `common`.
inline void run(const std::vector<Row>& rows, const Before& common = {}) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE("row " + std::to_string(i) + ": " + row.name);
    Rig r;
    open_rig(r);
    if (common) common(r.s(), r.m());
    if (row.before) row.before(r.s(), r.m());
    core::State state = r.s();
    Flags flags = Flags::of(r);
    if (row.after) row.after(state, flags);
    const int64_t start = r.apt.now_us() / 1000;
    int result = 0;
    const int error = error_number([&] { result = row.call(*r.rig).v; });
    Wire wire = r.wire();
    wire.emplace_back(r.apt.now_us() / 1000, "returns");
    EXPECT_EQ(error ? 1000 + error : result, row.result);
    EXPECT_TRUE(on_wire(wire, row.wire, start));
    EXPECT_TRUE(same_state(r.s(), state));
    EXPECT_EQ(Flags::of(r), flags);
  }
}

// A row of a call refused with its capability entry 0, and rows of `calls`
// refused after `before`: nothing written, nothing changed.
inline Row without(core::cap::Entry entry, Call call, int result = F) {
  return row("without its entry", SETV(s.Property[entry] = 0), std::move(call), "", {}, result);
}
inline void refuse(std::vector<Row>& rows, const std::vector<Call>& calls,
                   const Before& before = {}, int result = F) {
  for (const Call& c : calls) rows.push_back(row("refused", before, c, "", {}, result));
}
// The capability entry of a call has the call's name.
#define WITHOUT(f, ...) without(core::cap::f, CALL(f __VA_OPT__(, ) __VA_ARGS__))

// A component with its port open, for the few tests that follow one
// component through several calls.
struct Commands : ::testing::Test {
  Rig r;
  TOVRAK_Protocol& p = *r.rig;
  core::State& s = r.s();
  void SetUp() override { open_rig(r); }
};

}  // namespace tovrak::test
