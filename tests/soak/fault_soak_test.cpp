// The component through a bad cable to a radio that misbehaves, for tens of
// virtual minutes per session: a host tunes, changes modes and levels,
// recalls and writes memories, splits, switches CAT off and on, reads
// properties (some with indexes out of range), while answers are lost,
// garbled, broken up and held back, the radio falls silent and is switched
// off and on, and its operator turns the knobs. Each session must keep every
// promise of soak_session.hpp: no error but the documented ones reaches the
// host, commands keep their spacing, nothing piles up, and once the faults
// stop the state settles on the radio's within kSettleBoundMs. The long
// version with any seed and duration is tools/soak.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "soak/soak_session.hpp"

namespace tovrak::soak {
namespace {

SoakPlan plan(uint64_t seed, int id) {
  SoakPlan p;
  p.seed = seed;
  p.id = id;
  p.work_ms = 40 * 60'000;
  p.episodes = 10;                        // the faults stop and start again ten times
  p.settle_ms = kSettleBoundMs + 15'000;  // what settles must also stay settled
  return p;
}

std::string lines(const std::vector<std::string>& v) {
  std::string all;
  for (const auto& s : v) all += s + "\n";
  return all;
}

class FaultSoak : public ::testing::TestWithParam<uint64_t> {};

// Sessions 752 and 1522 hold the slowest settling (24 s and 26 s) of 2,000
// sessions of this plan; 1 and 2 are ordinary ones.
INSTANTIATE_TEST_SUITE_P(Seeds, FaultSoak, ::testing::Values(1, 2, 752, 1522),
                         [](const auto& info) { return "Seed" + std::to_string(info.param); });

TEST_P(FaultSoak, KeepsEveryPromiseAndSettlesOnTheRadiosState) {
  SoakPlan p = plan(GetParam(), 460);
  SoakResult r = run_soak(p);
  EXPECT_EQ(lines(broken_promises(r, true)), "") << describe(p, r);
}

// With the 9-digit frequency form the answers have other layouts; the same
// faults must be taken in as well. Settling is not judged: with this form
// the information answer's mode character in LSB and USB also reads as the
// memory flag, so the component can stay in memory mode while the radio is
// not.
TEST(FaultSoakNineDigits, KeepsEveryPromiseButSettling) {
  SoakPlan p = plan(5, 570);
  SoakResult r = run_soak(p);
  EXPECT_EQ(lines(broken_promises(r, false)), "") << describe(p, r);
}

}  // namespace
}  // namespace tovrak::soak
