// The public face of the simulated radio on a pseudo-terminal.
#include "hosts/sim/simulated_radio.hpp"

#include "hosts/sim/sim_on_pty.hpp"

namespace tovrak {

sim::SimOptions to_sim_options(const SimulatedRadioOptions& o) {
  sim::SimOptions s;
  s.id = o.id;
  s.seed = o.seed;
  s.operator_on = o.operator_on;
  s.latency_us = static_cast<int64_t>(o.latency_ms * 1000.0);
  s.faults.drop = o.drop;
  s.faults.garble = o.garble;
  s.faults.split = o.split;
  s.faults.late = o.late;
  return s;
}

struct SimulatedRadio::Impl {
  explicit Impl(const SimulatedRadioOptions& o) : pty(to_sim_options(o)) {}
  hosts::SimOnPty pty;
};

SimulatedRadio::SimulatedRadio(const SimulatedRadioOptions& options)
    : impl_(std::make_unique<Impl>(options)) {}

SimulatedRadio::~SimulatedRadio() = default;

const std::string& SimulatedRadio::path() const { return impl_->pty.path(); }

void SimulatedRadio::set_operator(bool on) { impl_->pty.set_operator(on); }

bool SimulatedRadio::tune(int vfo, int64_t hz) {
  bool ok = false;
  impl_->pty.while_paused([&](sim::SimRadio& r) { ok = r.set_frequency(vfo, hz, r.now_us()); });
  return ok;
}

bool SimulatedRadio::panel(std::string_view setting) {
  bool ok = false;
  impl_->pty.while_paused([&](sim::SimRadio& r) { ok = r.panel(setting, r.now_us()); });
  return ok;
}

SimulatedRadioState SimulatedRadio::state() {
  SimulatedRadioState out;
  impl_->pty.while_paused([&](sim::SimRadio& r) {
    const sim::RadioState& s = r.state();
    out.power = s.power;
    out.vfo_a_hz = s.vfo[0].hz;
    out.vfo_b_hz = s.vfo[1].hz;
    out.rx_vfo = s.rx_vfo;
    out.split = s.split();
    out.ptt = s.ptt;
  });
  return out;
}

}  // namespace tovrak
