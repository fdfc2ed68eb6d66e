// Whatever a serial server sends, through the Telnet decoder of the RFC 2217
// client: decoded whole and again in pieces cut anywhere, the port's data,
// the replies and the state must be the same; data never outgrows what came
// in; every reply is one negotiation command, at most one per request; and
// the replies of a session never outgrow what the server sent.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/telnet_session.hpp"

namespace telnet = tovrak::platform::telnet;

namespace {

struct Decoded {
  std::string data, replies;
  telnet::Session::ComPort com_port;
  bool binary_out, binary_in;
  uint8_t line, modem;
  uint32_t baud;
  bool operator==(const Decoded&) const = default;
};

Decoded decode(const std::vector<std::string>& pieces) {
  telnet::Session s;
  Decoded d;
  std::string opening;
  s.start(opening);
  for (std::string piece : pieces) {
    size_t got = s.receive(piece.data(), piece.size(), piece.data(), d.replies);
    if (got > piece.size()) std::abort();
    d.data.append(piece, 0, got);
  }
  d.com_port = s.com_port();
  d.binary_out = s.binary_out();
  d.binary_in = s.binary_in();
  d.line = s.line_state();
  d.modem = s.modem_state();
  d.baud = s.baud_rate_answer();
  return d;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::vector<std::string> pieces;
  std::string whole;
  while (in.remaining_bytes() > 0) {
    pieces.push_back(in.ConsumeRandomLengthString(64));
    whole += pieces.back();
  }
  const Decoded at_once = decode({whole});
  if (!(decode(pieces) == at_once)) std::abort();
  if (at_once.data.size() > whole.size()) std::abort();
  // A request is three bytes and gets at most one three-byte reply.
  if (at_once.replies.size() > whole.size() || at_once.replies.size() % 3 != 0) std::abort();
  for (size_t i = 0; i < at_once.replies.size(); i += 3) {
    const auto verb = static_cast<uint8_t>(at_once.replies[i + 1]);
    if (static_cast<uint8_t>(at_once.replies[i]) != telnet::kIac || verb < telnet::kWill ||
        verb > telnet::kDont) {
      std::abort();
    }
  }
  return 0;
}
