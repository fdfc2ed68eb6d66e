// What client programs send the sharing server, in virtual time against the
// simulated radio: a client allowed to transmit and one that is not send
// whatever the input's lines hold, the radio's line carries noise, time
// passes, and clients go away. Whatever comes, nothing crashes, the server's
// copy of the radio's bytes stays bounded, and the transmitter is keyed only
// when the allowed client asked for it.
//
// Each line is one event: "a..." bytes of the allowed client, "t..." of the
// other, "r..." bytes of the radio's, "w..." a wait of up to 2 s, "x" the
// allowed client leaving.
#include <cstdint>
#include <string_view>

#include "lines.hpp"
#include "share/shared_radio.hpp"

namespace {

constexpr size_t kLongestInput = 4096;
constexpr int kMostLines = 64;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tovrak;
  if (size > kLongestInput) return 0;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  test::Shared s;
  test::FakeClient other;
  const int it = s.server.attach(other, "fuzz:other", {.may_transmit = false});
  bool keyed_asked = false;
  for (int n = 0; n < kMostLines && !input.empty(); ++n) {
    const std::string_view line = fuzz::next_line(input);
    if (line.starts_with('a') && s.ia > 0) {
      keyed_asked |= line.find("TX") != line.npos;
      s.server.receive(s.ia, line.substr(1));
    } else if (line.starts_with('t')) {
      s.server.receive(it, line.substr(1));
    } else if (line.starts_with('r')) {
      s.server.radio_read(line.substr(1));
    } else if (line.starts_with('w')) {
      s.apt.advance_ms(static_cast<int64_t>(line.size() * 37 % 2000));
    } else if (line == "x" && s.ia > 0) {
      s.server.detach(s.ia);
      s.ia = -1;
    }
    s.apt.process_pending();
    if (s.server.radio_backlog() > share::ShareServer::kRadioLineLimit) __builtin_trap();
  }
  s.apt.advance_ms(1500);
  if (s.radio.state().ptt && !keyed_asked) __builtin_trap();
  return 0;
}
