#include "hosts/sim/sim_on_pty.hpp"

namespace tovrak::hosts {

RadioOnPty::RadioOnPty(sim::SimRadio& radio, platform::PosixApartment& apt, const std::string& link,
                       std::function<void(const std::string&)> log) {
  platform::StreamHandler line;
  line.bytes = [this](platform::StreamConnection&, std::string_view bytes) { rt_->receive(bytes); };
  line.log = std::move(log);
  endpoint_ = std::make_unique<platform::PtyEndpoint>(apt, link, std::move(line));
  // Answers nobody reads (no client on the line) are lost, as on a cable.
  rt_ = std::make_unique<sim::RealTimeRadio>(radio, apt, [this](std::string_view bytes) {
    if (auto* client = endpoint_->connection()) client->send(bytes);
  });
}

SimOnPty::SimOnPty(sim::SimOptions options)
    : radio_(options), line_(std::make_unique<RadioOnPty>(radio_, apt_, "")) {
  start();
}

SimOnPty::~SimOnPty() {
  stop();
  line_.reset();
}

void SimOnPty::start() {
  line_->real_time().catch_up();
  thread_ = std::thread([this] { apt_.run(); });
}

void SimOnPty::stop() {
  if (!thread_.joinable()) return;
  apt_.quit();
  thread_.join();
}

void SimOnPty::set_operator(bool on) {
  while_paused([on](sim::SimRadio& r) { r.set_operator(on, r.now_us()); });
}

void SimOnPty::while_paused(const std::function<void(sim::SimRadio&)>& act) {
  stop();
  act(radio_);
  start();
}

const sim::RadioState& SimOnPty::stop_and_state() {
  stop();
  return radio_.state();
}

}  // namespace tovrak::hosts
