#include "platform/posix/endpoints/pseudo_terminal.hpp"

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tovrak::platform {

PseudoTerminal::PseudoTerminal(Mode mode) {
  auto fail = [this](const char* what) {
    std::string why =
        std::string("cannot create a pseudo-terminal: ") + what + ": " + std::strerror(errno);
    if (device_fd_ >= 0) ::close(device_fd_);
    if (master_ >= 0) ::close(master_);
    throw std::runtime_error(why);
  };
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master_ < 0) fail("posix_openpt");
  char name[128] = {};
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) fail("unlockpt");
  if (ptsname_r(master_, name, sizeof name) != 0) fail("ptsname");
  device_ = name;
  device_fd_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (device_fd_ < 0) fail(name);
  if (mode == Mode::Raw) {
    termios t{};
    if (tcgetattr(device_fd_, &t) != 0) fail("tcgetattr");
    cfmakeraw(&t);
    if (tcsetattr(device_fd_, TCSANOW, &t) != 0) fail("tcsetattr");
  }
}

PseudoTerminal::~PseudoTerminal() {
  close_device();
  ::close(master_);
}

void PseudoTerminal::close_device() {
  if (device_fd_ >= 0) ::close(device_fd_);
  device_fd_ = -1;
}

}  // namespace tovrak::platform
