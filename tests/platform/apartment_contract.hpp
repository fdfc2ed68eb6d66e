// What every apartment promises the component, run over each platform
// (virtual time, Linux, Windows under Wine) through an adapter P with:
// kVirtual (times are exact), kTimerQueue (keeps the shared timer queue's grid
// and due order; window timers do not), apt(), fresh() (an apartment of its
// own), pass_ms(ms) (time passes, messages processed), elapsed_ms() (since
// the adapter was made) and local_time_of_day() (what clock() should say). The includer defines
// CONTRACT_CHECK(cond) and CONTRACT_EQ(a, b). Real-time platforms are checked
// only for what holds on a loaded machine (ticks come, never early on the
// grid, never more often than their period).
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tovrak/platform.hpp"

namespace tovrak::contract {

using platform::Timer;

struct Case {
  const char* name;
  void (*run)();
};

// Time passes until done() holds (true) or limit_ms have passed (false).
template <class P>
bool process_until(P& p, const std::function<bool()>& done, int limit_ms) {
  for (int64_t end = p.elapsed_ms() + limit_ms; !done(); p.pass_ms(1))
    if (p.elapsed_ms() >= end) return false;
  return true;
}

template <class P>
void TasksRunInOrderOnlyWhenMessagesAreProcessed() {
  P p;
  auto& apt = p.apt();
  std::string order;
  apt.post([&] { order += '1'; });
  apt.post([&] { order += '2', apt.post([&] { order += '3'; }); });
  int64_t before = p.elapsed_ms();
  apt.sleep_ms(30);  // a sleep processes nothing
  CONTRACT_EQ(order, std::string());
  if (P::kVirtual) CONTRACT_EQ(p.elapsed_ms() - before, 30);
  CONTRACT_CHECK(p.elapsed_ms() - before >= 29);
  apt.pump_once();  // what a task posts waits for the next round
  CONTRACT_EQ(order, std::string("12"));
  apt.pump_once();
  CONTRACT_EQ(order, std::string("123"));

  // A task may process messages itself: it takes those waiting.
  order.clear();
  apt.post([&] {
    order += '1';
    apt.post([&] { order += '3'; });
    apt.pump_once();
    order += '4';
  });
  apt.post([&] { order += '2'; });
  apt.pump_once();
  CONTRACT_EQ(order, std::string("1234"));

  bool done = false;  // the platform's own loop runs them as well
  apt.post([&] { done = true; });
  CONTRACT_CHECK(process_until(p, [&] { return done; }, 2000));
}

template <class P>
void TasksComeBeforeTicksAndTicksInDueOrder() {
  P p;
  auto& apt = p.apt();
  std::string order;
  auto a = apt.create_timer(100, true, [&] { order += 'a'; });
  auto b = apt.create_timer(50, true, [&] { order += 'b'; });
  apt.sleep_ms(110);
  apt.post([&] { order += 'p'; });
  apt.pump_once();
  CONTRACT_CHECK(order == "pba" || (!P::kTimerQueue && order == "pab"));
}

template <class P>
void TimersTickOnTheirPeriodFromTheirStart() {
  P p;
  auto& apt = p.apt();
  std::vector<int64_t> at;
  int never = 0;
  const int64_t start = p.elapsed_ms();
  auto t = apt.create_timer(50, true, [&] { at.push_back(p.elapsed_ms()); });
  auto zero = apt.create_timer(0, true, [&] { ++never; });
  auto off = apt.create_timer(10, false, [&] { ++never; });
  p.pass_ms(280);
  if (P::kVirtual) CONTRACT_CHECK(at == (std::vector<int64_t>{50, 100, 150, 200, 250}));
  // Never more often than the period (a loaded machine may pass longer).
  const int64_t periods = std::max<int64_t>(5, (p.elapsed_ms() - start + 25) / 50);
  CONTRACT_CHECK(!at.empty() && static_cast<int64_t>(at.size()) <= periods);
  for (size_t i = 0; P::kTimerQueue && i < at.size(); ++i) {
    CONTRACT_CHECK(at[i] >= 50 * static_cast<int64_t>(i + 1));  // never early on the grid
  }
  CONTRACT_CHECK(never == 0 && zero->interval() == 0 && !off->enabled());

  t->set_enabled(false);
  at.clear();
  p.pass_ms(120);
  CONTRACT_CHECK(at.empty());
  int64_t enabled_at = p.elapsed_ms();
  t->set_enabled(true);  // a fresh period from now
  CONTRACT_CHECK(process_until(p, [&] { return !at.empty(); }, 2000));
  if (P::kVirtual) CONTRACT_EQ(at[0], enabled_at + 50);
  if (P::kTimerQueue) CONTRACT_CHECK(at[0] >= enabled_at + 50);

  // Enabling an enabled timer keeps its period; a new interval restarts it.
  int kept = 0, restarted = 0;
  auto keep = apt.create_timer(200, true, [&] { ++kept; });
  auto restart = apt.create_timer(200, true, [&] { ++restarted; });
  apt.sleep_ms(120);
  keep->set_enabled(true);
  restart->set_interval(200);
  apt.sleep_ms(120);
  apt.pump_once();
  CONTRACT_CHECK(kept == 1 && restarted == 0);
}

template <class P>
void PeriodsMissedWithoutMessagesGiveOneTick() {
  P p;
  auto& apt = p.apt();
  std::vector<int64_t> at;
  auto t = apt.create_timer(40, true, [&] { at.push_back(p.elapsed_ms()); });
  apt.sleep_ms(130);  // three periods pass
  CONTRACT_CHECK(at.empty());
  apt.pump_once();
  apt.pump_once();
  // In real time a loaded machine may take a period between the two rounds:
  // a second tick then is the next period's, a period after the first.
  if (P::kVirtual) CONTRACT_EQ(at.size(), size_t{1});
  CONTRACT_CHECK(at.size() == 1 || (at.size() == 2 && at[1] - at[0] >= 39));
  // The next falls on the grid from the start (160), not a period after it.
  CONTRACT_CHECK(process_until(p, [&] { return at.size() == 2; }, 2000));
  if (P::kVirtual) CONTRACT_EQ(at[1], int64_t{160});
  if (P::kTimerQueue) CONTRACT_CHECK(at[1] >= 160);

  // A handler that sleeps past its period ticks again as soon as it returns.
  std::vector<int64_t> slow_at;
  t.reset();
  int64_t start = p.elapsed_ms();
  auto slow = apt.create_timer(
      100, true, [&] { slow_at.push_back(p.elapsed_ms() - start), apt.sleep_ms(130); });
  p.pass_ms(400);
  if (P::kVirtual) CONTRACT_CHECK(slow_at == (std::vector<int64_t>{100, 230, 360}));
  CONTRACT_CHECK(slow_at.size() >= 2);
}

template <class P>
void ATimerNeverTicksInsideItsOwnHandler() {
  // A handler that processes messages sees the other timers tick, never its
  // own; its missed periods tick after it returns.
  P p;
  auto& apt = p.apt();
  int depth = 0, deepest = 0, own = 0, other = 0, other_inside = -1;
  auto pumping = apt.create_timer(10, true, [&] {
    ++own;
    deepest = std::max(deepest, ++depth);
    for (int i = 0; i < 5; ++i) apt.sleep_ms(10), apt.pump_once();
    --depth;
    if (other_inside < 0) other_inside = other;
  });
  auto plain = apt.create_timer(10, true, [&] { ++other; });
  CONTRACT_CHECK(process_until(p, [&] { return other_inside >= 0; }, 2000));
  if (P::kVirtual) CONTRACT_CHECK(own == 1 && other_inside == 5 && p.elapsed_ms() == 60);
  CONTRACT_CHECK(other_inside >= (P::kTimerQueue ? 3 : 1));
  CONTRACT_CHECK(process_until(p, [&] { return own >= 2; }, 2000));
  CONTRACT_EQ(deepest, 1);
}

template <class P>
void AHandlerMayDestroyItsOwnTimerOrStopAnother() {
  P p;
  auto& apt = p.apt();
  std::unique_ptr<Timer> first, second;
  int second_ticks = 0;
  first = apt.create_timer(10, true, [&] { second->set_enabled(false), first.reset(); });
  second = apt.create_timer(10, true, [&] { ++second_ticks; });
  apt.sleep_ms(15);  // both due; the first is first in due order
  apt.pump_once();
  if (P::kTimerQueue) CONTRACT_EQ(second_ticks, 0);
  CONTRACT_CHECK(process_until(p, [&] { return !first; }, 2000));
  p.pass_ms(30);
  CONTRACT_CHECK(second_ticks <= 1);
}

template <class P>
void EndingEndsTheModuleFirstAndDropsTasksThatNeverRan() {
  struct Module : platform::ApartmentModule {
    std::unique_ptr<Timer> timer;
    bool* shut = nullptr;
    void shutdown() override { timer.reset(), *shut = true; }  // the apartment is still whole
  };
  P p;
  bool shut = false;
  auto held = std::make_shared<int>(0);
  {
    auto apt = p.fresh();
    auto module = std::make_shared<Module>();
    module->shut = &shut;
    module->timer = apt->create_timer(10, true, [] {});
    apt->module_slot() = module;
    apt->post([held] {});
  }
  CONTRACT_CHECK(shut);
  CONTRACT_EQ(held.use_count(), 1L);
}

template <class P>
void ClockGivesSecondsSinceLocalMidnight() {
  P p;
  double c = p.apt().clock();
  double diff = std::fabs(c - p.local_time_of_day());
  CONTRACT_CHECK(std::min(diff, 86400.0 - diff) < 2.0);
  CONTRACT_CHECK(c >= 0.0 && c < 86400.0);
}

#define TOVRAK_CONTRACT_CASE(name) Case{#name, name<P>}
template <class P>
std::vector<Case> apartment_contract() {
  return {TOVRAK_CONTRACT_CASE(TasksRunInOrderOnlyWhenMessagesAreProcessed),
          TOVRAK_CONTRACT_CASE(TasksComeBeforeTicksAndTicksInDueOrder),
          TOVRAK_CONTRACT_CASE(TimersTickOnTheirPeriodFromTheirStart),
          TOVRAK_CONTRACT_CASE(PeriodsMissedWithoutMessagesGiveOneTick),
          TOVRAK_CONTRACT_CASE(ATimerNeverTicksInsideItsOwnHandler),
          TOVRAK_CONTRACT_CASE(AHandlerMayDestroyItsOwnTimerOrStopAnother),
          TOVRAK_CONTRACT_CASE(EndingEndsTheModuleFirstAndDropsTasksThatNeverRan),
          TOVRAK_CONTRACT_CASE(ClockGivesSecondsSinceLocalMidnight)};
}
#undef TOVRAK_CONTRACT_CASE

}  // namespace tovrak::contract
