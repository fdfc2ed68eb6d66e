// The apartment contract (apartment_contract.hpp) over the virtual and the
// Linux apartments; tests/windows/platform_test.cpp runs it under Wine.
#include <gtest/gtest.h>
#include <time.h>

#include <chrono>

#define CONTRACT_CHECK(cond) \
  { EXPECT_TRUE(cond); }
#define CONTRACT_EQ(a, b) \
  { EXPECT_EQ(a, b); }
#include "platform/apartment_contract.hpp"
#include "tovrak/posix_apartment.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace tovrak::platform {
namespace {

struct VirtualPlatform {
  static constexpr bool kVirtual = true;
  static constexpr bool kTimerQueue = true;
  VirtualApartment a;

  Apartment& apt() { return a; }
  static std::unique_ptr<Apartment> fresh() { return std::make_unique<VirtualApartment>(); }
  void pass_ms(int ms) { a.advance_ms(ms); }
  bool process_until(const std::function<bool()>& done, int limit_ms) {
    for (int64_t end = elapsed_ms() + limit_ms; !done(); a.advance_ms(1))
      if (elapsed_ms() >= end) return false;
    return true;
  }
  int64_t elapsed_ms() const { return a.now_us() / 1000; }
  double local_time_of_day() const { return a.time_of_day(); }
};

struct LinuxPlatform {
  static constexpr bool kVirtual = false;
  static constexpr bool kTimerQueue = true;
  using Clock = std::chrono::steady_clock;
  PosixApartment a;
  Clock::time_point start = Clock::now();

  Apartment& apt() { return a; }
  static std::unique_ptr<Apartment> fresh() { return std::make_unique<PosixApartment>(); }
  void pass_ms(int ms) { a.run_for(std::chrono::milliseconds(ms)); }
  bool process_until(const std::function<bool()>& done, int limit_ms) {
    for (int64_t end = elapsed_ms() + limit_ms; !done(); pass_ms(5))
      if (elapsed_ms() >= end) return false;
    return true;
  }
  int64_t elapsed_ms() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  }
  static double local_time_of_day() {
    time_t now = time(nullptr);
    tm local{};
    return localtime_r(&now, &local), local.tm_hour * 3600.0 + local.tm_min * 60.0 + local.tm_sec;
  }
};

struct ContractCase : ::testing::Test {
  explicit ContractCase(void (*run)()) : run(run) {}
  void TestBody() override { run(); }
  void (*run)();
};

template <class P>
bool register_contract(const char* suite) {
  for (const auto& c : contract::apartment_contract<P>())
    ::testing::RegisterTest(suite, c.name, nullptr, nullptr, __FILE__, __LINE__,
                            [run = c.run]() -> ::testing::Test* { return new ContractCase(run); });
  return true;
}

[[maybe_unused]] const bool registered =
    register_contract<VirtualPlatform>("VirtualApartmentContract") &&
    register_contract<LinuxPlatform>("LinuxApartmentContract");

}  // namespace
}  // namespace tovrak::platform
