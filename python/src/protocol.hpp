// The shared control object in Python: every member of the member table under
// its own name, the Change event as Python callbacks, and the port device.
#pragma once

#include <pybind11/pybind11.h>

#include <memory>
#include <vector>

#include "apartment.hpp"
#include "tovrak/dispatch.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::python {

namespace py = pybind11;

class Rig {
 public:
  // `owner` (the connector that handed out the object) lives as long: the
  // component ends with its last connector.
  Rig(std::shared_ptr<Apartment> apartment, std::shared_ptr<void> owner,
      std::shared_ptr<TOVRAK_Protocol> protocol);
  ~Rig();
  Rig(const Rig&) = delete;
  Rig& operator=(const Rig&) = delete;

  // Calls a member with Python arguments (by position or by name). A method
  // with by-reference arguments gives (result, written-back values...).
  py::object call(const Member& m, const py::args& args, const py::kwargs& kwargs);
  // Assigns a property: by reference (Set) for an object, else by value.
  void assign(const Member* let, const Member* set, const py::object& value);

  // Subscribes fn(state) to Change; returns fn, so that it serves as a
  // decorator. The same function twice is subscribed twice.
  py::object on_change(py::object fn);
  // Ends every subscription of fn; false when it had none.
  bool off_change(const py::object& fn);

  std::string port_device();
  void set_port_device(const std::string& locator);

  Apartment& apartment() { return *apartment_; }

 private:
  // The apartment outlives the control object it serves.
  std::shared_ptr<Apartment> apartment_;
  std::shared_ptr<void> owner_;
  std::shared_ptr<TOVRAK_Protocol> protocol_;
  std::vector<std::pair<py::object, uint32_t>> subscriptions_;
};

// Adds the Protocol class with every member of the table to `m`.
void bind_protocol(py::module_& m);

}  // namespace tovrak::python
