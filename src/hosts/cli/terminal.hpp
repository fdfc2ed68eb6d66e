// The terminal of the live screen: raw keys, a full-screen view drawn in
// place, and the terminal put back as it was on every way out.
#pragma once

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

// Set by Ctrl-C, Ctrl-\, SIGTERM or SIGHUP (the platform's one handler of
// them, platform/posix/endpoints/stop_signals.hpp); the command loops end
// when they see it, the way their "quit" does. catch_interrupts() also has
// Ctrl-Z put the terminal back while the program is stopped, and the screen
// redrawn when it resumes (or when the window changes size).
bool interrupted();
void catch_interrupts();

}  // namespace tovrak::hosts
