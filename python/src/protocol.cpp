#include "protocol.hpp"

#include <pybind11/stl.h>

#include <string>

#include "describe.hpp"
#include "values.hpp"

namespace tovrak::python {

namespace {

// tovrak.Change, the IntEnum of the states a Change event passes (kept for
// the life of the process: handlers may run until the very end).
py::object* g_change_type = nullptr;

// A Python function held by the component; the component may copy or drop it
// with the interpreter lock released.
struct Held {
  explicit Held(py::object f)
      : fn(new py::object(std::move(f)), [](py::object* o) {
          py::gil_scoped_acquire gil;
          delete o;
        }) {}
  std::shared_ptr<py::object> fn;
};

}  // namespace

Rig::Rig(std::shared_ptr<Apartment> apartment, std::shared_ptr<void> owner,
         std::shared_ptr<TOVRAK_Protocol> protocol)
    : apartment_(std::move(apartment)), owner_(std::move(owner)), protocol_(std::move(protocol)) {}

Rig::~Rig() {
  for (auto& [fn, cookie] : subscriptions_) protocol_->UnadviseChange(cookie);
  subscriptions_.clear();
  protocol_.reset();
  owner_.reset();
}

py::object Rig::call(const Member& m, const py::args& args, const py::kwargs& kwargs) {
  apartment_->check_thread();
  const size_t n = m.args.size();
  if (args.size() + kwargs.size() != n) {
    throw py::type_error(std::string(m.name) + "() takes " + std::to_string(n) + " argument" +
                         (n == 1 ? "" : "s") + ", " + std::to_string(args.size() + kwargs.size()) +
                         " given");
  }
  std::vector<Variant> values(n);
  std::vector<bool> given(n, false);
  for (size_t i = 0; i < args.size(); ++i) {
    values[i] = to_variant(args[i]);
    given[i] = true;
  }
  for (auto [key, value] : kwargs) {
    std::string name = key.cast<std::string>();
    size_t i = 0;
    while (i < n && m.args[i].name != name) ++i;
    if (i == n || given[i]) {
      throw py::type_error(std::string(m.name) + "() got " +
                           (i == n ? "an unexpected" : "a repeated") + " argument '" + name + "'");
    }
    values[i] = to_variant(value);
    given[i] = true;
  }
  Variant result;
  apartment_->call_native([&] {
    result = m.call(*protocol_, values);
    // SetPort leaves its PortOpen argument as the caller gave it when the
    // port does not open; Python is told whether the port is open.
    if (m.name == "SetPort") values[0] = Variant(protocol_->get_PortOpen());
  });
  bool writes_back = false;
  for (const MemberArg& a : m.args) writes_back |= a.by_ref;
  if (m.kind != MemberKind::Method || !writes_back) return from_variant(result);
  py::list out;
  out.append(from_variant(result));
  for (size_t i = 0; i < n; ++i) {
    if (m.args[i].by_ref) out.append(from_variant(values[i]));
  }
  return py::tuple(out);
}

void Rig::assign(const Member* let, const Member* set, const py::object& value) {
  Variant v = to_variant(value);
  const Member* m = set && v.type() == Variant::Type::Object ? set : let;
  if (!m) throw py::attribute_error("this property takes no plain value");
  apartment_->check_thread();
  std::vector<Variant> values{std::move(v)};
  apartment_->call_native([&] { m->call(*protocol_, values); });
}

py::object Rig::on_change(py::object fn) {
  apartment_->check_thread();
  if (!PyCallable_Check(fn.ptr())) throw py::type_error("on_change takes a callable");
  Held held(fn);
  std::weak_ptr<Apartment> weak = apartment_;
  uint32_t cookie = protocol_->AdviseChange([held, weak](int16_t& state) {
    py::gil_scoped_acquire gil;
    try {
      (*held.fn)((*g_change_type)(state));
    } catch (py::error_already_set& e) {
      if (auto a = weak.lock()) a->keep_error(std::move(e));
    }
  });
  subscriptions_.emplace_back(fn, cookie);
  return fn;
}

bool Rig::off_change(const py::object& fn) {
  apartment_->check_thread();
  bool found = false;
  for (auto it = subscriptions_.begin(); it != subscriptions_.end();) {
    if (it->first.is(fn) || it->first.equal(fn)) {
      protocol_->UnadviseChange(it->second);
      it = subscriptions_.erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found;
}

std::string Rig::port_device() {
  apartment_->check_thread();
  return protocol_->GetPortDevice();
}

void Rig::set_port_device(const std::string& locator) {
  apartment_->check_thread();
  protocol_->SetPortDevice(locator);
}

void bind_protocol(py::module_& m) {
  py::class_<Rig, std::shared_ptr<Rig>> cls(m, "Protocol",
                                            R"(The shared control object of the radio.

Every member of the interface is here under its own name: properties as
Python properties, indexed properties and methods as methods. A method with
by-reference arguments returns a tuple of its result and the written-back
values. Change is delivered to the functions given to on_change().)");

  py::dict states;
  states["MODE"] = py::int_(static_cast<int>(change::kMode));
  states["SMETER"] = py::int_(static_cast<int>(change::kSMeter));
  states["STATUS"] = py::int_(static_cast<int>(change::kStatus));
  py::object change_type =
      py::module_::import("enum").attr("IntEnum")("Change", states, py::arg("module") = "tovrak");
  change_type.attr("__doc__") =
      "What a Change event says moved: MODE (1) the mode or split, SMETER (3) the\n"
      "S-meter, STATUS (4) a setting or tracked status (StatusChange is set).";
  m.attr("Change") = change_type;
  g_change_type = new py::object(change_type);

  cls.def("on_change", &Rig::on_change, py::arg("fn"),
          "Calls fn(state) on every Change event, state a tovrak.Change (MODE: the\n"
          "mode or split moved, SMETER: the S-meter, STATUS: a setting or status).\n"
          "Returns fn: usable as a decorator. fn may call back into the component.");
  cls.def("off_change", &Rig::off_change, py::arg("fn"),
          "Ends the subscriptions of fn; False when it had none.");
  cls.def_property(
      "PortDevice", &Rig::port_device, &Rig::set_port_device,
      "The serial device behind the port beyond its number: a path such as\n"
      "/dev/ttyUSB0, or rfc2217://host:port for a remote one; empty: /dev/ttyS<Port-1>.");

  for (const PyMember& pm : py_members()) {
    std::string doc = docstring(pm);
    if (!pm.is_property()) {
      const Member* mm = pm.method;
      cls.def(
          pm.name.c_str(),
          [mm](Rig& r, const py::args& a, const py::kwargs& kw) { return r.call(*mm, a, kw); },
          doc.c_str());
      continue;
    }
    const Member* get = pm.get;
    const Member* let = pm.let;
    const Member* set = pm.set;
    py::cpp_function fget;
    if (get) {
      fget = py::cpp_function([get](Rig& r) { return r.call(*get, py::args(), py::kwargs()); });
    }
    py::cpp_function fset;
    if (let || set) {
      fset = py::cpp_function([let, set](Rig& r, const py::object& v) { r.assign(let, set, v); });
    }
    cls.def_property(pm.name.c_str(), fget, fset, doc.c_str());
  }
}

}  // namespace tovrak::python
