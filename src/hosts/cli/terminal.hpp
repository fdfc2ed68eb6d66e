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

  // The next key without waiting: -1 when none; arrows are 256 + 'A'..'D'.
  int key();
  // Draws the screen text from the top left corner.
  void draw(const std::string& screen);
  int width() const;
  int height() const;
};

// Set by Ctrl-C or SIGTERM; the command loops end when they see it.
bool interrupted();
void catch_interrupts();

}  // namespace tovrak::hosts
