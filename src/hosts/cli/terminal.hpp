// The terminal of the live screen: raw keys, a full-screen view drawn in
// place, and the terminal put back as it was on every way out.
#pragma once

#include <cstddef>
#include <string>

namespace tovrak::hosts {

class Terminal {
 public:
  // True when standard output and input are a terminal.
  static bool interactive();

  Terminal();  // raw keys, alternate screen, no cursor
  ~Terminal();
  Terminal(const Terminal&) = delete;
  Terminal& operator=(const Terminal&) = delete;

  static constexpr int kPageUp = 512;
  static constexpr int kPageDown = 513;
  // The next key without waiting: -1 when none; arrows are 256 + 'A'..'D',
  // Page Up and Page Down kPageUp and kPageDown.
  int key();
  // Puts the terminal back in the live screen's mode after a line editor
  // changed it.
  void keep_raw();
  // Draws the screen text from the top left corner.
  void draw(const std::string& screen);
  int width() const;
  int height() const;
};

// Standard output when it is not the live screen (--plain, a pipe, a file):
// it never holds up the caller (a pager nobody reads, a pipe whose reader
// has gone). Lines wait in a buffer of kLimit bytes while the reader is
// slow; those that do not fit are counted and said once there is room; once
// the reader has gone, nothing more is written. `fd` is made non-blocking
// for the object's life.
class PlainOut {
 public:
  static constexpr size_t kLimit = 64 * 1024;
  explicit PlainOut(int fd = 1);
  ~PlainOut();
  PlainOut(const PlainOut&) = delete;
  PlainOut& operator=(const PlainOut&) = delete;

  void line(const std::string& text);
  // Writes what the reader takes now of what waits.
  void flush();

 private:
  int fd_;
  int flags_ = -1;
  std::string buffer_;
  size_t dropped_ = 0;
  bool gone_ = false;
};

// Set by Ctrl-C, Ctrl-\, SIGTERM or SIGHUP (the platform's one handler of
// them, platform/posix/endpoints/stop_signals.hpp); the command loops end
// when they see it, the way their "quit" does. catch_interrupts() also has
// Ctrl-Z put the terminal back while the program is stopped, and the screen
// redrawn when it resumes (or when the window changes size).
bool interrupted();
void catch_interrupts();

}  // namespace tovrak::hosts
