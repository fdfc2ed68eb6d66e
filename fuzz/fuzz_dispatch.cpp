// Late-bound calls with random names, argument counts and Variant types:
// every call either runs or raises a ComError.
#include <fuzzer/FuzzedDataProvider.h>

#include "tovrak/connector.hpp"
#include "tovrak/dispatch.hpp"
#include "tovrak/errors.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace {

tovrak::Variant any_variant(FuzzedDataProvider& in) {
  switch (in.ConsumeIntegralInRange<int>(0, 6)) {
    case 0:
      return tovrak::Variant();
    case 1:
      return tovrak::Variant(in.ConsumeIntegral<int16_t>());
    case 2:
      return tovrak::Variant(in.ConsumeIntegral<int32_t>());
    case 3:
      return tovrak::Variant(in.ConsumeFloatingPoint<float>());
    case 4:
      return tovrak::Variant(in.ConsumeFloatingPoint<double>());
    case 5:
      return tovrak::Variant(tovrak::VBool::of(in.ConsumeBool()));
    default:
      return tovrak::Variant(in.ConsumeRandomLengthString(24));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  tovrak::platform::VirtualApartment apt;
  apt.set_time_of_day(3600);
  tovrak::TOVRAK_Connector connector(apt);
  auto rig = connector.get_TOVRAK_Protocol();
  const auto& members = tovrak::Members();
  while (in.remaining_bytes() > 0) {
    std::string name;
    tovrak::MemberKind kind;
    if (in.ConsumeBool()) {
      const auto& m = members[in.ConsumeIntegralInRange<size_t>(0, members.size() - 1)];
      name = std::string(m.name);
      kind = m.kind;
    } else {
      name = in.ConsumeRandomLengthString(16);
      kind = static_cast<tovrak::MemberKind>(in.ConsumeIntegralInRange<int>(0, 3));
    }
    std::vector<tovrak::Variant> args(in.ConsumeIntegralInRange<size_t>(0, 5));
    for (auto& v : args) v = any_variant(in);
    try {
      tovrak::Invoke(*rig, name, kind, args);
    } catch (const tovrak::ComError&) {
    }
    apt.advance_ms(in.ConsumeIntegralInRange<int>(0, 300));
  }
  return 0;
}
