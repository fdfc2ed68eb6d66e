#include "platform/posix/telnet_session.hpp"

namespace tovrak::platform::telnet {

namespace {

// A subnegotiation longer than any COM-PORT answer is not kept beyond this.
constexpr size_t kSbLimit = 64;

void command(std::string& out, uint8_t verb, uint8_t option) {
  out.push_back(static_cast<char>(kIac));
  out.push_back(static_cast<char>(verb));
  out.push_back(static_cast<char>(option));
}

// Options we perform, and options we let the server perform.
bool we_do(uint8_t option) {
  return option == kBinary || option == kSuppressGoAhead || option == kComPort;
}
bool he_may(uint8_t option) { return option == kBinary || option == kSuppressGoAhead; }

}  // namespace

void append_data(std::string& out, std::string_view bytes) {
  for (char c : bytes) {
    out.push_back(c);
    if (static_cast<uint8_t>(c) == kIac) out.push_back(c);
  }
}

void append_com_port(std::string& out, uint8_t command_code, std::string_view value) {
  out.push_back(static_cast<char>(kIac));
  out.push_back(static_cast<char>(kSb));
  out.push_back(static_cast<char>(kComPort));
  out.push_back(static_cast<char>(command_code));
  append_data(out, value);
  out.push_back(static_cast<char>(kIac));
  out.push_back(static_cast<char>(kSe));
}

void Session::start(std::string& out) {
  for (uint8_t option : {kComPort, kBinary, kSuppressGoAhead}) {
    opts_[option].us_asked = true;
    command(out, kWill, option);
  }
  for (uint8_t option : {kBinary, kSuppressGoAhead}) {
    opts_[option].him_asked = true;
    command(out, kDo, option);
  }
}

size_t Session::receive(const char* in, size_t n, char* data, std::string& out) {
  size_t got = 0;
  for (size_t i = 0; i < n; ++i) {
    const auto b = static_cast<uint8_t>(in[i]);
    switch (state_) {
      case State::Data:
        if (b == kIac) {
          state_ = State::Iac;
        } else {
          data[got++] = static_cast<char>(b);
        }
        break;
      case State::Iac:
        if (b == kIac) {
          data[got++] = static_cast<char>(b);
          state_ = State::Data;
        } else if (b >= kWill && b <= kDont) {
          verb_ = b;
          state_ = State::Verb;
        } else if (b == kSb) {
          state_ = State::SbOption;
        } else {
          state_ = State::Data;  // NOP, GA, DM and the like carry nothing for us
        }
        break;
      case State::Verb:
        negotiate(verb_, b, out);
        state_ = State::Data;
        break;
      case State::SbOption:
        sb_option_ = b;
        sb_.clear();
        state_ = State::Sb;
        break;
      case State::Sb:
        if (b == kIac) {
          state_ = State::SbIac;
        } else if (sb_.size() < kSbLimit) {
          sb_.push_back(static_cast<char>(b));
        }
        break;
      case State::SbIac:
        if (b == kIac) {
          if (sb_.size() < kSbLimit) sb_.push_back(static_cast<char>(b));
          state_ = State::Sb;
        } else {
          // IAC SE ends it; any other command ends it too, and is read as one.
          subnegotiation();
          if (b == kSe) {
            state_ = State::Data;
          } else {
            state_ = State::Iac;
            --i;  // read this byte again as the command after IAC
          }
        }
        break;
    }
  }
  return got;
}

void Session::negotiate(uint8_t verb, uint8_t option, std::string& out) {
  Option& o = opts_[option];
  switch (verb) {
    case kDo:
      if (!we_do(option)) {
        command(out, kWont, option);
      } else if (!o.us) {
        o.us = true;
        if (!o.us_asked) command(out, kWill, option);
        o.us_asked = false;
      }
      break;
    case kDont:
      // A refusal of what we asked needs no answer; leaving a mode does.
      if (o.us) command(out, kWont, option);
      if (option == kComPort && (o.us || o.us_asked)) com_port_ = ComPort::Refused;
      o.us = o.us_asked = false;
      break;
    case kWill:
      if (!he_may(option)) {
        command(out, kDont, option);
      } else if (!o.him) {
        o.him = true;
        if (!o.him_asked) command(out, kDo, option);
        o.him_asked = false;
      }
      break;
    case kWont:
      if (o.him) command(out, kDont, option);
      o.him = o.him_asked = false;
      break;
    default:
      break;
  }
  if (option == kComPort && o.us) com_port_ = ComPort::Accepted;
}

void Session::subnegotiation() {
  if (sb_option_ != kComPort || sb_.empty()) return;
  const auto code = static_cast<uint8_t>(sb_[0]);
  const auto* v = reinterpret_cast<const uint8_t*>(sb_.data() + 1);
  const size_t len = sb_.size() - 1;
  switch (code) {
    case kServerOffset + kSetBaudRate:
      if (len == 4)
        baud_answer_ = uint32_t{v[0]} << 24 | uint32_t{v[1]} << 16 | uint32_t{v[2]} << 8 | v[3];
      break;
    case kServerOffset + kNotifyLineState:
      if (len == 1) line_state_ = v[0];
      break;
    case kServerOffset + kNotifyModemState:
      if (len == 1) modem_state_ = v[0];
      break;
    default:
      // Answers to the other settings, the signature, and the server's flow
      // control requests: the port goes on as it is.
      break;
  }
}

}  // namespace tovrak::platform::telnet
