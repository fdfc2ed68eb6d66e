// What `tovrak share` puts around the server: its screen, and the radio's
// thread when the port does not open.
#include <gtest/gtest.h>

#include <stdexcept>

#include "hosts/share/share_host.hpp"
#include "hosts/share/status_view.hpp"

namespace tovrak::share {
namespace {

TEST(ShareScreen, RowsAreCutToTheWidthOr80AndTheFrameClearsWhatIsLeft) {
  const LinkStatus link{"/dev/pts/7", "answering for a long while now, with nothing lost", 19.6,
                        402.4};
  const std::vector<ClientInfo> clients{
      {.id = 1,
       .endpoint = "tcp 127.0.0.1:40000",
       .last_command = "IF;",
       .commands = 1200,
       .from_state = 1190,
       .to_radio = 10,
       .errors = 2,
       .ai = true,
       .keyed = true},
      {.id = 2, .endpoint = "pty /tmp/radio", .last_command = "FA00014250000;", .commands = 3}};
  const std::string wide = render_status(link, {"tcp 127.0.0.1:4532"}, clients, 0);
  EXPECT_EQ(wide,
            "tovrak share  radio /dev/pts/7: answering for a long while now, with nothing los\n"
            "  endpoint tcp 127.0.0.1:4532\n"
            "\n"
            "id  endpoint             last command commands  at once to radio errors\n"
            "1   tcp 127.0.0.1:40000  IF;              1200     1190       10      2 AI TX\n"
            "2   pty /tmp/radio       FA0001425000        3        0        0      0 \n");
  EXPECT_EQ(render_status(link, {}, {}, 30),
            "tovrak share  radio /dev/pts/7\n\nid  endpoint             last \n  (no clients)\n");
  EXPECT_EQ(screen_frame("abc\ndefghij\nk\n", 0, 2), "abc\x1b[K\r\ndefghij\x1b[K\x1b[J");
  EXPECT_EQ(screen_frame(std::string(90, 'x'), 10, 5), std::string(80, 'x') + "\x1b[K\x1b[J");
}

// The setup's own exception, whatever its type, ends the start.
TEST(ShareRadioThread, APortThatDoesNotOpenOrASetupThatThrowsEndsTheStartWithItsReason) {
  std::string why = "started";
  try {
    RadioThread t([](station::Station& s) { s.rig().SetPortDevice("/nonexistent/tty"); },
                  [](char, std::string) {});
  } catch (const std::runtime_error& e) {
    why = e.what();
  }
  EXPECT_NE(why.find("/nonexistent/tty"), std::string::npos) << why;
  struct Odd {};
  EXPECT_THROW(RadioThread([](station::Station&) { throw Odd{}; }, [](char, std::string) {}), Odd);
}

}  // namespace
}  // namespace tovrak::share
