// tovrak_soak: the fault soak for as long as one cares to let it run
// (tools/soak).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "hosts/cli/options.hpp"
#include "soak/soak_session.hpp"

int main(int argc, char** argv) {
  tovrak::soak::SoakPlan plan;
  int64_t seed = 1;
  double minutes = 120, settle_s = 60;
  int runs = 1, episodes = 0;
  tovrak::hosts::Options opt("soak", "The fault soak in virtual time (tools/soak).");
  opt.whole("--seed", seed, 0, INT64_MAX, "N", "the first session's seed (1)");
  opt.number("--minutes", minutes, 0.1, 1e7, "M", "virtual minutes of faults per session (120)");
  opt.whole("--episodes", episodes, 0, 1'000'000, "E",
            "episodes of faults and settling per session (one every 30 minutes)");
  opt.whole("--runs", runs, 1, 10'000'000, "R", "sessions, seeds N, N+1, ... (1)");
  opt.whole("--id", plan.id, 0, 9999, "ID", "the radio's identification, 460 or 570 (460)");
  opt.number("--settle", settle_s, 0, 86'400, "S", "virtual seconds of watching after faults (60)");
  opt.flag("--strict", plan.strict, "also compare what polling cannot learn");
  opt.flag("--trace", plan.trace, "print the wire, the host's calls and the answers");
  if (auto status = opt.parse(std::vector<std::string>(argv + 1, argv + argc))) return *status;
  plan.work_ms = static_cast<int64_t>(minutes * 60'000);
  plan.settle_ms = static_cast<int64_t>(settle_s * 1000);
  plan.episodes =
      episodes > 0 ? episodes : std::max<int>(1, static_cast<int>(plan.work_ms / 1'800'000));
  int failed = 0;
  int64_t longest = 0;
  uint64_t longest_seed = static_cast<uint64_t>(seed);
  for (int k = 0; k < runs; ++k) {
    plan.seed = static_cast<uint64_t>(seed) + static_cast<uint64_t>(k);
    tovrak::soak::SoakResult r = tovrak::soak::run_soak(plan);
    std::printf("%s\n", tovrak::soak::describe(plan, r).c_str());
    std::vector<std::string> broken = tovrak::soak::broken_promises(plan, r);
    for (const auto& b : broken) std::printf("BROKEN: %s\n", b.c_str());
    if (!broken.empty()) ++failed;
    if (r.converge_ms > longest) {
      longest = r.converge_ms;
      longest_seed = plan.seed;
    }
    std::fflush(stdout);
  }
  std::printf("%d of %d sessions failed; longest settling %lld ms (seed %llu)\n", failed, runs,
              static_cast<long long>(longest), static_cast<unsigned long long>(longest_seed));
  return failed ? 1 : 0;
}
