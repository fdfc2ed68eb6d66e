// Element access with the subscript-out-of-range error of the interface.
#pragma once

#include <cstddef>

#include "tovrak/errors.hpp"

namespace tovrak::core {

template <class Array, class Index>
auto& element(Array& a, Index i) {
  if (i < 0 || static_cast<size_t>(i) >= a.size()) throw ComError::subscript_out_of_range();
  return a[static_cast<size_t>(i)];
}

}  // namespace tovrak::core
