// tovrak_soak: the fault soak for as long as one cares to let it run.
//
//   tovrak_soak [--seed N] [--minutes M] [--episodes E] [--runs R]
//               [--id 460|570] [--settle S] [--strict] [--trace]
//
// Runs R sessions (seeds N, N+1, ...), each with M virtual minutes of
// faults (default 120) in E episodes (default one every 30 minutes), each
// followed by S virtual seconds of settling (default 60); prints each
// result and a summary with the longest settling seen, and exits 1 when any
// session broke a promise (soak_session.hpp): an error reached the host, an
// odd event, two commands too close, a buffer or the heap that grew, a state
// that did not settle on the radio's within the bound (not judged for
// identification 570, whose information answers read LSB and USB as memory
// mode). --strict also compares what polling cannot learn; --trace prints
// the wire, the host's calls and the answers.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "soak/soak_session.hpp"

namespace {

void usage() {
  std::fprintf(stderr,
               "usage: tovrak_soak [--seed N] [--minutes M] [--episodes E] [--runs R] [--id ID]\n"
               "                   [--settle S] [--strict] [--trace]\n");
  std::exit(2);
}

}  // namespace

int main(int argc, char** argv) {
  tovrak::soak::SoakPlan plan;
  plan.work_ms = 120 * 60'000;
  plan.settle_ms = 60'000;
  int runs = 1;
  int episodes = 0;
  for (int i = 1; i < argc; ++i) {
    auto value = [&]() -> const char* {
      if (i + 1 >= argc) usage();
      return argv[++i];
    };
    if (std::strcmp(argv[i], "--seed") == 0) {
      plan.seed = std::strtoull(value(), nullptr, 10);
    } else if (std::strcmp(argv[i], "--minutes") == 0) {
      plan.work_ms = static_cast<int64_t>(std::strtod(value(), nullptr) * 60'000);
    } else if (std::strcmp(argv[i], "--episodes") == 0) {
      episodes = std::atoi(value());
    } else if (std::strcmp(argv[i], "--runs") == 0) {
      runs = std::atoi(value());
    } else if (std::strcmp(argv[i], "--id") == 0) {
      plan.id = std::atoi(value());
    } else if (std::strcmp(argv[i], "--strict") == 0) {
      plan.strict = true;
    } else if (std::strcmp(argv[i], "--trace") == 0) {
      plan.trace = true;
    } else if (std::strcmp(argv[i], "--settle") == 0) {
      plan.settle_ms = static_cast<int64_t>(std::strtod(value(), nullptr) * 1000);
    } else {
      usage();
    }
  }
  // One episode of faults and settling every half hour unless told.
  plan.episodes =
      episodes > 0 ? episodes : std::max<int>(1, static_cast<int>(plan.work_ms / 1'800'000));
  int failed = 0;
  int64_t longest = 0;
  uint64_t longest_seed = plan.seed;
  const uint64_t first = plan.seed;
  for (int k = 0; k < runs; ++k) {
    plan.seed = first + static_cast<uint64_t>(k);
    tovrak::soak::SoakResult r = tovrak::soak::run_soak(plan);
    std::printf("%s\n", tovrak::soak::describe(plan, r).c_str());
    std::vector<std::string> broken = tovrak::soak::broken_promises(r, plan.id != 570);
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
