// What a serial control talks through once its port is open: a local device
// (a tty: /dev/ttyUSB0, /dev/ttyS0, a pseudo-terminal), or a port served over
// the network by a serial device server (RFC 2217). The control keeps the buffers, the events and
// the configuration; a link moves bytes and applies line parameters.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <cstdint>
#include <memory>
#include <string>

#include "platform/serial_settings.hpp"

namespace tovrak::platform {

// Where the port is. A locator is a device path ("/dev/ttyUSB0"), or a
// port on the network: rfc2217://HOST:PORT (a serial server speaking the
// Telnet COM-PORT option) or tcp://HOST:PORT (the port's bytes as they are);
// an IPv6 address goes in brackets. With no locator, the port number names
// /dev/ttyS<n-1>.
struct PortLocator {
  enum class Kind { Local, Rfc2217, Tcp };
  Kind kind = Kind::Local;
  std::string path;  // Local: the device path
  std::string host;  // Rfc2217, Tcp
  int tcp_port = 0;  // Rfc2217, Tcp
  // How the port is named to the user.
  std::string display() const;
};

// Reads a locator; an empty one names the port by its number. A malformed
// locator or an unknown scheme raises ComError naming it.
PortLocator parse_port_locator(const std::string& locator, int16_t comm_port);

// Line parameters a link applies.
struct LineParams {
  SerialSettings framing;
  int16_t handshaking = 0;  // 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both
};

class SerialLink {
 public:
  virtual ~SerialLink() = default;
  // The descriptor the apartment polls.
  virtual int fd() const = 0;
  // Applies speed, framing and handshaking; raises ComError on failure.
  virtual void apply(const LineParams& params) = 0;
  // Sets DTR and RTS; false when the device has no modem lines.
  virtual bool set_modem_lines(bool dtr, bool rts) = 0;
  // Like read(2)/write(2) on a non-blocking descriptor: -1 with errno set.
  virtual ssize_t read_some(char* buf, size_t size) = 0;
  virtual ssize_t write_some(const char* buf, size_t size) = 0;
  // Bytes the device has taken and not yet sent.
  virtual int32_t pending_out() = 0;
  // Discards what the device has not yet sent.
  virtual void discard_out() = 0;
  // Bytes of the link's own (protocol commands, the tail of a write) wait
  // for the descriptor to take them: the control asks the loop for room.
  virtual bool unsent() const { return false; }
  // Sends what unsent() counts, as far as the descriptor takes it now;
  // 0, or the errno that ended the link.
  virtual int flush() { return 0; }
  // Why the port went away, in a user's words, from the errno that ended it
  // (0: end of file).
  virtual std::string loss_reason(int err) const;
};

// Opens the port at `where`: a local device exclusively, a remote one by
// connecting to its server. Raises ComError (kInvalidPort) whose description
// names the port and the reason in a user's words.
std::unique_ptr<SerialLink> open_serial_link(const PortLocator& where);

// Sets `t`, a local device's termios, for `p`: raw bytes, the receiver on,
// modem lines ignored, and the speed, framing and flow control asked for.
// False for a speed termios has no rate for.
bool line_termios(termios& t, const LineParams& p);

// Refuses, with ComError "Invalid property value", settings a local serial
// device cannot take (a speed termios has no rate for, 4 data bits, ...).
void check_local_settings(const SerialSettings& settings, const std::string& text);

}  // namespace tovrak::platform
