// Values between Python and the component: Python's None, bool, int, float
// and str (or bytes) to Variant and back, and the component's errors as the
// Python exception tovrak.Error.
#pragma once

#include <pybind11/pybind11.h>

#include "tovrak/errors.hpp"
#include "tovrak/variant.hpp"

namespace tovrak::python {

namespace py = pybind11;

// Texts are byte strings on the wire; in Python they are str with one
// character per byte (Latin-1), so every byte the radio sends survives.
Variant to_variant(const py::handle& value);
py::object from_variant(const Variant& value);

// Registers tovrak.Error in `m` and the translation of ComError into it.
void register_errors(py::module_& m);

}  // namespace tovrak::python
