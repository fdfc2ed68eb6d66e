// The live screen's terminal (input from a pipe, output captured or on a
// pseudo-terminal) and the monitor's prompt, in-process.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "hosts/cli/prompt.hpp"
#include "hosts/cli/terminal.hpp"
#include "platform/posix/endpoints/pseudo_terminal.hpp"

namespace tovrak::hosts {
namespace {

TEST(Terminal, TakesItsSizeOr80x24DrawsAndReadsEachKindOfKey) {
  int keys[2];
  ASSERT_EQ(pipe(keys), 0);
  const std::string typed = "q\x1b[A\x1b[D\x1b[5~\x1b[6~\x1b[Zx\x1b";
  ASSERT_EQ(write(keys[1], typed.data(), typed.size()), static_cast<ssize_t>(typed.size()));
  close(keys[1]);
  const int input = dup(STDIN_FILENO);
  dup2(keys[0], STDIN_FILENO);
  testing::internal::CaptureStdout();
  std::vector<int> read;
  std::pair<int, int> size;
  {
    Terminal term;
    size = {term.width(), term.height()};
    term.draw("screen");
    for (int i = 0; i < 9; ++i) read.push_back(term.key());
  }
  const std::string out = testing::internal::GetCapturedStdout();
  platform::PseudoTerminal screen(platform::PseudoTerminal::Mode::Cooked);
  const winsize rows_cols{30, 100, 0, 0};
  ioctl(screen.master(), TIOCSWINSZ, &rows_cols);
  const int output = dup(STDOUT_FILENO);
  dup2(screen.device_fd(), STDOUT_FILENO);
  std::pair<int, int> sized;
  {
    Terminal term;
    sized = {term.width(), term.height()};
  }
  dup2(output, STDOUT_FILENO);
  close(output);
  dup2(input, STDIN_FILENO);
  close(input);
  close(keys[0]);
  // Off a terminal, and on a 100x30 one.
  EXPECT_EQ(std::pair(size, sized), std::pair(std::pair(80, 24), std::pair(100, 30)));
  // Alternate screen without cursor, the screen from the top left, back.
  EXPECT_EQ(out, "\x1b[?1049h\x1b[?25l\x1b[2J\x1b[Hscreen\x1b[?25h\x1b[?1049l");
  // An unknown sequence is no key; a lone Escape is one.
  EXPECT_EQ(read, (std::vector<int>{'q', 256 + 'A', 256 + 'D', 512, 513, -1, 'x', 0x1b, -1}));
}

// A pipe whose reader holds back: what does not fit in the kernel's buffer
// and the object's waits, and the rest is lost but counted, and the count is
// said before the next line once there is room, once. A reader that has gone
// ends the writing without ending the program.
TEST(PlainOut, ASlowReaderIsToldHowManyLinesItMissedAndAGoneOneStopsTheWriting) {
  int p[2];
  ASSERT_EQ(pipe(p), 0);
  fcntl(p[1], F_SETPIPE_SZ, 4096);
  fcntl(p[0], F_SETFL, O_NONBLOCK);
  const auto numbered = [](int i) {
    char head[16];
    std::snprintf(head, sizeof head, "line %04d ", i);
    return head + std::string(89, 'x');  // 100 bytes with its end
  };
  std::string got;
  const auto drain = [&](PlainOut& out) {
    for (size_t before = SIZE_MAX; before != got.size();) {
      before = got.size();
      char buf[8192];
      for (ssize_t n; (n = read(p[0], buf, sizeof buf)) > 0;) got.append(buf, size_t(n));
      out.flush();
    }
  };
  constexpr int kLines = 1000;  // 100 kB against 4 kB of pipe and 64 kB waiting
  {
    PlainOut out(p[1]);
    for (int i = 0; i < kLines; ++i) out.line(numbered(i));
    drain(out);
    const size_t shown = got.size() / 100;
    ASSERT_GT(shown, 600u);
    ASSERT_LT(shown, size_t{kLines});
    std::string expected;
    for (size_t i = 0; i < shown; ++i) expected += numbered(int(i)) + "\n";
    expected.append("(").append(std::to_string(kLines - shown));
    expected.append(" lines not shown: standard output was full)\nafter\nand more\n");
    out.line("after");
    out.line("and more");
    drain(out);
    EXPECT_EQ(got, expected);
    // A line longer than all the room there is: lost, and said so.
    got.clear();
    out.line(std::string(PlainOut::kLimit, 'y'));
    out.line("next");
    drain(out);
    EXPECT_EQ(got, "(1 line not shown: standard output was full)\nnext\n");
    close(p[0]);
    out.line("nobody reads this");  // no SIGPIPE
    out.line("nor this");
  }
  EXPECT_EQ(fcntl(p[1], F_GETFL) & O_NONBLOCK, 0);  // as it was
  close(p[1]);
}

// The history file is made in the state directory, with the directories
// missing on the way.
TEST(Prompt, EditsCompletesAndRecallsLinesAcrossRuns) {
  const std::string state = testing::TempDir() + "state_" + std::to_string(getpid()) + "/a/b";
  const char* before = std::getenv("XDG_STATE_HOME");
  const std::string saved = before ? before : "";
  setenv("XDG_STATE_HOME", state.c_str(), 1);
  const std::string history = Prompt::default_history();
  before ? setenv("XDG_STATE_HOME", saved.c_str(), 1) : unsetenv("XDG_STATE_HOME");
  EXPECT_EQ(history, state + "/tovrak/history");
  struct stat st {};
  ASSERT_EQ(stat((state + "/tovrak").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  {
    Prompt p(history, {"SetFreq", "SetFreqA", "SetMode"});
    auto type = [&](const std::vector<std::string>& keys) {
      for (const auto& k : keys) EXPECT_EQ(p.feed(k), std::nullopt) << k;
    };
    type({"S", "e", "\t"});
    EXPECT_EQ(p.line(), "Set");
    EXPECT_EQ(p.take_candidates(), (std::vector<std::string>{"SetFreq", "SetFreqA", "SetMode"}));
    type({"f", "\t"});  // any case; as far as the names agree
    EXPECT_EQ(p.line(), "SetFreq");
    EXPECT_EQ(p.take_candidates().size(), 2u);
    type({" ", "7", "\x1b[D"});
    EXPECT_EQ(std::pair(p.line(), p.cursor()), std::pair(std::string("SetFreq 7"), size_t{8}));
    EXPECT_EQ(p.feed("\n"), "SetFreq 7");
    EXPECT_EQ(p.feed("\x04"), "quit");                                // Ctrl-D on an empty line
    type({"y", "\x15", "x", "(", "S", "e", "t", "M", "\t", "\x04"});  // Ctrl-U; Ctrl-D edits
    EXPECT_EQ(p.feed("\r"), "x(SetMode");
  }
  Prompt again(history, {});
  EXPECT_EQ(again.feed("\x1b[A"), std::nullopt);
  EXPECT_EQ(again.line(), "x(SetMode");  // kept across runs, newest first
  EXPECT_EQ(again.feed("\x1b[A"), std::nullopt);
  EXPECT_EQ(again.line(), "SetFreq 7");
}

}  // namespace
}  // namespace tovrak::hosts
