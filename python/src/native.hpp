// The one place the binding names a concrete platform: the Linux apartment.
#pragma once

#include "tovrak/posix_apartment.hpp"

namespace tovrak::python {
using NativeApartment = platform::PosixApartment;
}  // namespace tovrak::python
