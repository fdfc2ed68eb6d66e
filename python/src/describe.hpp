// How the members of the control object look from Python: the Python type of
// each interface type, a member's signature and its docstring. Used by the
// module for its docstrings and by the stub generator for the .pyi.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tovrak/dispatch.hpp"

namespace tovrak::python {

std::string_view py_type(ValueType type);

// What a call returns: the result, or for a method with by-reference
// arguments a tuple of the result and the written-back values.
std::string result_type(const Member& m);

// "(Status: int, Offset: float) -> tuple[bool, int, float]"
std::string signature(const Member& m);

// The members of one name as Python shows them: a property (read, and
// assigned when there is a Let or Set), or a method (calls and indexed reads).
struct PyMember {
  std::string name;
  const Member* get = nullptr;
  const Member* let = nullptr;
  const Member* set = nullptr;
  const Member* method = nullptr;  // a method, or a read that takes arguments
  bool is_property() const { return method == nullptr; }
};
std::vector<PyMember> py_members();

// The docstring: the signature line and the member's help text.
std::string docstring(const PyMember& m);

}  // namespace tovrak::python
