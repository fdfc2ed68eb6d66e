// The tovrak extension module: the apartment, the connector, the shared
// control object, the component's errors and the simulated radio.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "apartment.hpp"
#include "hosts/sim/simulated_radio.hpp"
#include "protocol.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/dispatch.hpp"
#include "tovrak/version.hpp"
#include "values.hpp"

namespace py = pybind11;
using tovrak::python::Apartment;
using tovrak::python::Rig;

namespace {

// A connector of an apartment; its control object is the apartment's shared
// one, and Python sees one wrapper of it per connector.
struct Connector {
  explicit Connector(std::shared_ptr<Apartment> a)
      : apartment(std::move(a)), connector(apartment->make_connector()) {}
  ~Connector() {
    protocol = py::none();
    connector.reset();
  }
  std::shared_ptr<Apartment> apartment;
  std::shared_ptr<tovrak::TOVRAK_Connector> connector;
  py::object protocol = py::none();
};

std::shared_ptr<Apartment> this_or_current(std::shared_ptr<Apartment> a) {
  return a ? a : Apartment::current();
}

void bind_apartment(py::module_& m) {
  py::class_<Apartment, std::shared_ptr<Apartment>>(m, "Apartment", R"(A thread's message queue.

The thread that creates it owns it: only that thread calls into the component
and drives it with run(), run_for(seconds), pump() or, in an event loop of its
own, by watching fd() (asyncio: tovrak.attach(loop)).)")
      .def(py::init<>())
      .def_static("current", &Apartment::current,
                  "This thread's apartment (the one Connector() uses), made on first use.")
      .def("run", &Apartment::run, "Processes messages until quit().")
      .def("run_for", &Apartment::run_for, py::arg("seconds"),
           "Processes messages for `seconds` (math.inf: until quit()), or until quit().\n"
           "NaN or a negative span raises ValueError.")
      .def("pump", &Apartment::pump, "Processes what is pending once, without waiting.")
      .def("quit", &Apartment::quit, "Makes the running run()/run_for() return. Any thread.")
      .def("fd", &Apartment::fd, "A descriptor readable while the apartment has work.");
  m.def(
      "run", [] { Apartment::current()->run(); },
      "Processes the messages of this thread's apartment until quit().");
  m.def(
      "run_for", [](double s) { Apartment::current()->run_for(s); }, py::arg("seconds"),
      "Processes the messages of this thread's apartment for `seconds` (math.inf:\n"
      "until quit()), or until quit(). NaN or a negative span raises ValueError.");
  m.def(
      "quit", [] { Apartment::current()->quit(); },
      "Makes the running run()/run_for() of this thread's apartment return.");
  m.def(
      "_release_transmitter",
      [] {
        if (auto a = Apartment::existing()) a->release_transmitter();
      },
      "Releases a transmission this thread's apartment keyed and left on (at exit).");
}

void bind_connector(py::module_& m) {
  py::class_<Connector, std::shared_ptr<Connector>>(m, "Connector", R"(What a host creates first.

Every connector of an apartment hands out the same control object, so all
parts of a program drive one radio through one port and one state model.
Without an apartment, the calling thread's own is used.)")
      .def(py::init([](std::shared_ptr<Apartment> a) {
             a = this_or_current(std::move(a));
             a->check_thread();
             return std::make_shared<Connector>(std::move(a));
           }),
           py::arg("apartment") = nullptr)
      .def_property_readonly(
          "Protocol",
          [](Connector& c) {
            c.apartment->check_thread();
            if (c.protocol.is_none()) {
              c.protocol = py::cast(std::make_shared<Rig>(c.apartment, c.connector,
                                                          c.connector->get_TOVRAK_Protocol()));
            }
            return c.protocol;
          },
          "The shared control object.")
      .def_property_readonly("apartment", [](Connector& c) { return c.apartment; });
}

void bind_simulated_radio(py::module_& m) {
  using tovrak::SimulatedRadio;
  py::class_<SimulatedRadio>(m, "SimulatedRadio", R"(The simulated radio on a pseudo-terminal.

It answers on a thread of its own, as a radio on a cable would; open `path`
as the port device. Fault rates are probabilities per answer.)")
      .def(py::init([](int id, uint64_t seed, bool operator_on, double latency, double drop,
                       double garble, double split, double late) {
             tovrak::SimulatedRadioOptions o;
             o.id = id;
             o.seed = seed;
             o.operator_on = operator_on;
             o.latency_ms = latency * 1000.0;
             o.drop = drop;
             o.garble = garble;
             o.split = split;
             o.late = late;
             return std::make_unique<SimulatedRadio>(o);
           }),
           py::kw_only(), py::arg("id") = 570, py::arg("seed") = 1, py::arg("operator") = false,
           py::arg("latency") = 0.0, py::arg("drop") = 0.0, py::arg("garble") = 0.0,
           py::arg("split") = 0.0, py::arg("late") = 0.0, py::call_guard<py::gil_scoped_release>())
      .def_property_readonly("path", &SimulatedRadio::path, "The device the component opens.")
      .def("set_operator", &SimulatedRadio::set_operator, py::arg("on"),
           py::call_guard<py::gil_scoped_release>(),
           "A simulated operator comes to the radio or leaves it.")
      .def("tune", &SimulatedRadio::tune, py::arg("vfo"), py::arg("hz"),
           py::call_guard<py::gil_scoped_release>(),
           "Tunes VFO 0 (A) or 1 (B) by hand; False when the radio refuses.")
      .def("panel", &SimulatedRadio::panel, py::arg("setting"),
           py::call_guard<py::gil_scoped_release>(),
           "Any setting in the radio's own command text, made by hand on the front panel.")
      .def(
          "state",
          [](SimulatedRadio& r) {
            tovrak::SimulatedRadioState s;
            {
              py::gil_scoped_release release;
              s = r.state();
            }
            py::dict d;
            d["power"] = s.power;
            d["vfo_a_hz"] = s.vfo_a_hz;
            d["vfo_b_hz"] = s.vfo_b_hz;
            d["rx_vfo"] = s.rx_vfo;
            d["split"] = s.split;
            d["ptt"] = s.ptt;
            return d;
          },
          "What the radio's front panel shows, as a dict.");
}

}  // namespace

PYBIND11_MODULE(_tovrak, m) {
  m.doc() = "The component for Python: the radio's control object, its events and errors.";
  tovrak::python::register_errors(m);
  tovrak::python::register_text_rules();
  bind_apartment(m);
  tovrak::python::bind_protocol(m);
  bind_connector(m);
  bind_simulated_radio(m);
  py::list names;
  for (const auto& member : tovrak::Members()) {
    py::list args;
    for (const auto& a : member.args) args.append(py::str(std::string(a.name)));
    names.append(py::make_tuple(member.slot, std::string(member.name),
                                std::string(tovrak::to_string(member.kind)), py::tuple(args)));
  }
  // The member table: (slot, name, kind, argument names) in slot order.
  m.attr("MEMBERS") = py::tuple(names);
  m.attr("__version__") = tovrak::version();
}
