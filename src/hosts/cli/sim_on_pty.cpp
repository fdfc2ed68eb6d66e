#include "hosts/cli/sim_on_pty.hpp"

#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "hosts/sim/sim_link.hpp"

namespace tovrak::hosts {

SimOnPty::SimOnPty(sim::SimOptions options) : radio_(options) {
  char name[256] = {};
  termios raw{};
  cfmakeraw(&raw);
  if (openpty(&master_, &slave_, name, &raw, nullptr) != 0) {
    throw std::runtime_error(std::string("cannot create a pseudo-terminal: ") +
                             std::strerror(errno));
  }
  path_ = name;
  start();
}

SimOnPty::~SimOnPty() {
  stop();
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
}

void SimOnPty::start() {
  stop_ = false;
  thread_ = std::thread([this] { sim::run_on_fd(radio_, master_, master_, stop_); });
}

void SimOnPty::stop() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
}

void SimOnPty::set_operator(bool on) {
  while_paused([on](sim::SimRadio& r) { r.set_operator(on, r.now_us()); });
}

void SimOnPty::while_paused(const std::function<void(sim::SimRadio&)>& act) {
  stop();
  radio_.on_send([this](std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = ::write(master_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;  // nobody reads the line: the bytes are lost, as on a cable
      bytes.remove_prefix(static_cast<size_t>(n));
    }
  });
  act(radio_);
  radio_.on_send(nullptr);
  start();
}

const sim::RadioState& SimOnPty::stop_and_state() {
  stop();
  return radio_.state();
}

}  // namespace tovrak::hosts
