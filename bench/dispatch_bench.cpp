// Cost of a late-bound call, the way a scripting host reaches the component.
#include <benchmark/benchmark.h>

#include "tovrak/connector.hpp"
#include "tovrak/dispatch.hpp"
#include "tovrak/virtual_apartment.hpp"

static void BM_InvokeGetByName(benchmark::State& state) {
  tovrak::platform::VirtualApartment apt;
  tovrak::TOVRAK_Connector c(apt);
  auto rig = c.get_TOVRAK_Protocol();
  std::vector<tovrak::Variant> args{tovrak::Variant(int16_t{1})};
  for (auto _ : state) {
    benchmark::DoNotOptimize(tovrak::Invoke(*rig, "AFLevel", tovrak::MemberKind::Get, args));
  }
}
BENCHMARK(BM_InvokeGetByName);

BENCHMARK_MAIN();
