// Soak sessions (soak_session.hpp) of 40 virtual minutes must keep every
// promise (broken_promises); any seed and duration: tools/soak.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "soak/soak_session.hpp"

namespace tovrak::soak {
namespace {

class FaultSoak : public ::testing::TestWithParam<std::tuple<uint64_t, int>> {};

// Sessions 752 and 1522 hold the slowest settling (24 s and 26 s) of 2,000
// sessions of this plan; 1 and 2 are ordinary ones. With identification 570
// the answers have other layouts, and the same faults must be taken in.
INSTANTIATE_TEST_SUITE_P(Seeds, FaultSoak,
                         ::testing::Values(std::tuple(1, 460), std::tuple(2, 460),
                                           std::tuple(752, 460), std::tuple(1522, 460),
                                           std::tuple(5, 570)));

TEST_P(FaultSoak, KeepsEveryPromise) {
  const auto [seed, id] = GetParam();
  // Ten episodes; what settles must also stay settled a while.
  const SoakPlan p{.seed = seed,
                   .id = id,
                   .work_ms = 40 * 60'000,
                   .episodes = 10,
                   .settle_ms = kSettleBoundMs + 15'000};
  const SoakResult r = run_soak(p);
  std::string broken;
  for (const auto& b : broken_promises(p, r)) broken += b + "\n";
  EXPECT_EQ(broken, "") << describe(p, r);
}

}  // namespace
}  // namespace tovrak::soak
