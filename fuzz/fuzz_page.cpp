// What web pages send the sharing server, in virtual time against the
// simulated radio: a page with control (it presented the token) and one
// without send whatever the input's lines hold, time passes between them,
// and the first page may go away. Whatever comes, nothing crashes, the page
// without the token never gets a command to the radio, and after a second
// and a half without a word no page holds the transmitter.
//
// Each line is one message: "r..." the page without the token's, "w..." a
// wait of up to 2 s, "x" the first page leaving; any other, the first page's.
#include <cstdint>
#include <memory>
#include <string_view>

#include "hosts/web/page_hub.hpp"
#include "lines.hpp"
#include "share/shared_radio.hpp"

namespace {

constexpr size_t kLongestInput = 4096;
constexpr int kMostLines = 64;
constexpr std::string_view kToken = "fuzzing-station-token";

struct Page : tovrak::web::PageOut {
  void send(std::string) override {}
  void close(std::string) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tovrak;
  if (size > kLongestInput) return 0;
  std::string_view input(reinterpret_cast<const char*>(data), size);
  test::Shared s;
  web::PageHub hub(
      s.server, s.apt, [&] { return s.apt.now_us() / 1000; },
      [&] { return static_cast<double>(s.apt.now_us()) / 1000.0; }, {.token = std::string(kToken)},
      nullptr, web::component_width(*s.rig, s.apt, s.apt));
  int control = hub.open(std::make_shared<Page>(), "control");
  const int reader = hub.open(std::make_shared<Page>(), "reader");
  hub.message(control, R"({"t":"hello","token":")" + std::string(kToken) + "\"}");
  bool reader_has_token = false;
  for (int n = 0; n < kMostLines && !input.empty(); ++n) {
    const std::string_view line = fuzz::next_line(input);
    if (line.starts_with('r')) {
      reader_has_token |= line.find(kToken) != line.npos;
      hub.message(reader, line.substr(1));
    } else if (line.starts_with('w')) {
      s.apt.advance_ms(static_cast<int64_t>(line.size() * 37 % 2000));
    } else if (line == "x" && control > 0) {
      hub.closed(control);
      control = -1;
    } else if (control > 0) {
      hub.message(control, line);
    }
    s.apt.process_pending();
  }
  s.apt.advance_ms(1500);
  for (const auto& c : s.server.clients()) {
    if (c.id == reader && c.commands != 0 && !reader_has_token) __builtin_trap();
  }
  if (s.server.mirror().state().ptt) __builtin_trap();
  return 0;
}
