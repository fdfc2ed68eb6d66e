// The Telnet side of a serial port served over the network (RFC 854-858 and
// the COM-PORT option of RFC 2217), without any socket: bytes received go in,
// the port's data and the replies to send come out. The decoder keeps its
// state between calls, so a command split across reads is taken whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tovrak::platform::telnet {

inline constexpr uint8_t kIac = 255, kDont = 254, kDo = 253, kWont = 252, kWill = 251, kSb = 250,
                         kSe = 240;
inline constexpr uint8_t kBinary = 0, kSuppressGoAhead = 3, kComPort = 44;

// COM-PORT commands, client to server; the server's answers add 100.
enum ComCommand : uint8_t {
  kSignature = 0,
  kSetBaudRate = 1,
  kSetDataSize = 2,
  kSetParity = 3,
  kSetStopSize = 4,
  kSetControl = 5,
  kNotifyLineState = 6,
  kNotifyModemState = 7,
  kFlowSuspend = 8,
  kFlowResume = 9,
  kSetLineStateMask = 10,
  kSetModemStateMask = 11,
  kPurgeData = 12,
};
inline constexpr uint8_t kServerOffset = 100;

// Appends `bytes` as Telnet data: every 0xFF doubled.
void append_data(std::string& out, std::string_view bytes);
// Appends IAC SB COM-PORT `command` `value` IAC SE, 0xFF in the value doubled.
void append_com_port(std::string& out, uint8_t command, std::string_view value);

class Session {
 public:
  enum class ComPort { Asked, Accepted, Refused };

  // Our opening requests: WILL COM-PORT, WILL and DO BINARY, WILL and DO
  // SUPPRESS-GO-AHEAD.
  void start(std::string& out);

  // Decodes `n` received bytes at `in`; the port's data goes to `data`, which
  // may be `in` itself (data never outgrows what it came in). Replies go to
  // `out`. Returns the count of data bytes.
  size_t receive(const char* in, size_t n, char* data, std::string& out);

  ComPort com_port() const { return com_port_; }
  // Whether each side has agreed to send 8-bit data.
  bool binary_out() const { return opts_[kBinary].us; }
  bool binary_in() const { return opts_[kBinary].him; }
  // The last states the server notified (RFC 2217 bit masks), and its last
  // answer to SET-BAUDRATE (0 before any).
  uint8_t line_state() const { return line_state_; }
  uint8_t modem_state() const { return modem_state_; }
  uint32_t baud_rate_answer() const { return baud_answer_; }

 private:
  struct Option {
    bool us = false, us_asked = false;    // we perform it
    bool him = false, him_asked = false;  // the server performs it
  };
  enum class State { Data, Iac, Verb, SbOption, Sb, SbIac };

  void negotiate(uint8_t verb, uint8_t option, std::string& out);
  void subnegotiation();

  std::array<Option, 256> opts_{};
  ComPort com_port_ = ComPort::Asked;
  State state_ = State::Data;
  uint8_t verb_ = 0;
  uint8_t sb_option_ = 0;
  std::string sb_;
  uint8_t line_state_ = 0;
  uint8_t modem_state_ = 0;
  uint32_t baud_answer_ = 0;
};

}  // namespace tovrak::platform::telnet
