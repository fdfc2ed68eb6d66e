#include "hosts/cli/prompt.hpp"

// clang-format off
#include <cstdio>
#include <histedit.h>
// clang-format on
#include <poll.h>
#include <strings.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace tovrak::hosts {

struct Prompt::Editor {
  EditLine* el = nullptr;
  History* hist = nullptr;
  HistEvent ev{};
  FILE* in = nullptr;
  FILE* out = nullptr;
  std::vector<std::string> words;
  std::vector<std::string> candidates;  // of the last ambiguous Tab
};

namespace {

const char* no_prompt(EditLine*) { return ""; }

// Tab: completes the word before the cursor from the words, as far as they
// agree; when they part, the words that fit are kept to be listed.
unsigned char complete(EditLine* el, int) {
  void* data = nullptr;
  el_get(el, EL_CLIENTDATA, &data);
  auto& ed = *static_cast<Prompt::Editor*>(data);
  const auto& words = ed.words;
  const LineInfo* li = el_line(el);
  const char* start = li->cursor;
  while (start > li->buffer && start[-1] != ' ' && start[-1] != '(' && start[-1] != ',') --start;
  const auto n = static_cast<size_t>(li->cursor - start);
  std::string common;
  bool any = false;
  ed.candidates.clear();
  for (const auto& w : words) {
    if (w.size() < n || strncasecmp(w.c_str(), start, n) != 0) continue;
    ed.candidates.push_back(w);
    if (!any) {
      common = w;
      any = true;
    } else {
      size_t k = 0;
      while (k < common.size() && k < w.size() && common[k] == w[k]) ++k;
      common.resize(k);
    }
  }
  if (ed.candidates.size() == 1) ed.candidates.clear();
  if (!any || common.size() < n) return CC_REFRESH_BEEP;
  el_deletestr(el, static_cast<int>(n));
  el_insertstr(el, common.c_str());
  return CC_REDISPLAY;
}

}  // namespace

// Keys one by one, echo on: the editor then edits (it leaves a terminal
// without echo alone) and sees each key as it comes.
void Prompt::keys_one_by_one() {
  termios tio{};
  tcgetattr(pty_.device_fd(), &tio);
  tio.c_lflag &= static_cast<tcflag_t>(~ICANON);
  tio.c_lflag |= ECHO;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  tcsetattr(pty_.device_fd(), TCSANOW, &tio);
}

std::string Prompt::default_history() {
  std::string dir;
  if (const char* state = std::getenv("XDG_STATE_HOME"); state && *state) {
    dir = state;
  } else if (const char* home = std::getenv("HOME"); home && *home) {
    dir = std::string(home) + "/.local/state";
  } else {
    return "";
  }
  dir += "/tovrak";
  // Each missing directory on the way, private to the user as the state
  // directory is meant to be.
  for (size_t slash = 1; slash != std::string::npos;) {
    slash = dir.find('/', slash + 1);
    mkdir(dir.substr(0, slash).c_str(), 0700);
  }
  return dir + "/history";
}

Prompt::Prompt(std::string history_file, std::vector<std::string> words)
    : pty_(platform::PseudoTerminal::Mode::Cooked),
      history_(std::move(history_file)),
      ed_(std::make_unique<Editor>()) {
  ed_->words = std::move(words);
  ed_->in = fdopen(dup(pty_.device_fd()), "r");
  ed_->out = fdopen(dup(pty_.device_fd()), "w");
  ed_->el = el_init("tovrak", ed_->in, ed_->out, ed_->out);
  ed_->hist = history_init();
  history(ed_->hist, &ed_->ev, H_SETSIZE, 1000);
  history(ed_->hist, &ed_->ev, H_SETUNIQUE, 1);
  if (!history_.empty()) history(ed_->hist, &ed_->ev, H_LOAD, history_.c_str());
  el_set(ed_->el, EL_EDITOR, "emacs");
  el_set(ed_->el, EL_HIST, ::history, ed_->hist);
  el_set(ed_->el, EL_PROMPT, no_prompt);
  el_set(ed_->el, EL_CLIENTDATA, ed_.get());
  // The wide form keeps the names as given; the narrow one copies them and
  // never frees the copies.
  el_wset(ed_->el, EL_ADDFN, L"tovrak-complete", L"complete a member name", complete);
  el_set(ed_->el, EL_BIND, "^I", "tovrak-complete", nullptr);
  el_set(ed_->el, EL_BIND, "^U", "em-kill-line", nullptr);
  el_set(ed_->el, EL_UNBUFFERED, 1);
}

Prompt::~Prompt() {
  if (!history_.empty()) history(ed_->hist, &ed_->ev, H_SAVE, history_.c_str());
  el_end(ed_->el);
  history_end(ed_->hist);
  std::fclose(ed_->in);
  std::fclose(ed_->out);
}

std::optional<std::string> Prompt::feed(std::string_view key) {
  if (key == "\n" || key == "\r" || (key == "\x04" && line().empty())) {
    // The line ends here, not in the editor: it starts a new one, and its
    // history goes back to the newest line.
    std::string done = key == "\x04" ? "quit" : line();
    if (!done.empty() && key != "\x04") history(ed_->hist, &ed_->ev, H_ENTER, done.c_str());
    el_reset(ed_->el);
    keys_one_by_one();
    return done;
  }
  (void)!write(pty_.master(), key.data(), key.size());
  // The editor reads the key's bytes from its terminal, one per call; what
  // it echoes there is dropped. The terminal passes bytes on a moment after
  // they are written: the first is waited for.
  pollfd in{pty_.device_fd(), POLLIN, 0};
  for (int wait_ms = 100; poll(&in, 1, wait_ms) > 0; wait_ms = 2) {
    int count = 0;
    el_gets(ed_->el, &count);
    el_set(ed_->el, EL_UNBUFFERED, 1);
  }
  char sink[4096];
  pollfd out{pty_.master(), POLLIN, 0};
  while (poll(&out, 1, 2) > 0 && read(pty_.master(), sink, sizeof sink) > 0) {
  }
  return std::nullopt;
}

std::vector<std::string> Prompt::take_candidates() { return std::exchange(ed_->candidates, {}); }

std::string Prompt::line() const {
  const LineInfo* li = el_line(ed_->el);
  return std::string(li->buffer, static_cast<size_t>(li->lastchar - li->buffer));
}

size_t Prompt::cursor() const {
  const LineInfo* li = el_line(ed_->el);
  return static_cast<size_t>(li->cursor - li->buffer);
}

}  // namespace tovrak::hosts
