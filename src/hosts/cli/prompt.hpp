// The monitor's prompt: line editing, history kept across runs and Tab
// completion, by the system's line editor (libedit). The editor runs on a
// pseudo-terminal of its own: the keys the monitor does not take itself are
// passed to it, and the monitor draws the line it holds, so the editor never
// writes on the live screen nor changes the user's terminal.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/posix/endpoints/pseudo_terminal.hpp"

namespace tovrak::hosts {

class Prompt {
 public:
  // `history` is the file the lines are kept in (none: ""); `words` the
  // words Tab completes (member names, statements).
  Prompt(std::string history, std::vector<std::string> words);
  ~Prompt();
  Prompt(const Prompt&) = delete;
  Prompt& operator=(const Prompt&) = delete;

  // Passes the bytes of one key; returns the line when the key ended it.
  std::optional<std::string> feed(std::string_view key);
  // The words the last Tab could have meant, when it could not tell which
  // (empty when it completed one, or after they were taken).
  std::vector<std::string> take_candidates();
  // The line being edited, and the cursor's place in it.
  std::string line() const;
  size_t cursor() const;

  // The history file of the monitor: $XDG_STATE_HOME/tovrak/history, or
  // ~/.local/state/tovrak/history; its directories are made when missing.
  static std::string default_history();

  // The line editor and what Tab found (in prompt.cpp).
  struct Editor;

 private:
  void keys_one_by_one();
  platform::PseudoTerminal pty_;
  std::string history_;
  std::unique_ptr<Editor> ed_;
};

}  // namespace tovrak::hosts
