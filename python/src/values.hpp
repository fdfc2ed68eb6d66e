// Values between Python and the component: Python's None, bool, int, float
// and str (or bytes) to Variant and back, and the component's errors as
// Python exceptions.
#pragma once

#include <pybind11/pybind11.h>

#include "tovrak/errors.hpp"
#include "tovrak/variant.hpp"

namespace tovrak::python {

namespace py = pybind11;

// Texts are UTF-8 byte strings in the component: a str goes in as UTF-8
// (bytes as they are), and what comes out is read by the component's own
// rule, a byte that starts no UTF-8 character being one Latin-1 character.
// An int beyond a Double is the component's overflow.
Variant to_variant(const py::handle& value);
py::object from_variant(const Variant& value);

// Registers the decoding rule from_variant reads texts with.
void register_text_rules();

// Registers tovrak.Error and the errors of its kinds in `m` (each also one of
// Python's own: TypeError, OverflowError, IndexError, ValueError), and the
// translation of ComError into them.
void register_errors(py::module_& m);

}  // namespace tovrak::python
