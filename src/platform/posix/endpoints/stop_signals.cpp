#include "platform/posix/endpoints/stop_signals.hpp"

#include <signal.h>

#include <csignal>

#include "tovrak/posix_apartment.hpp"

namespace tovrak::platform {

namespace {

volatile std::sig_atomic_t g_interrupted = 0;
void (*volatile g_last_words)() = nullptr;

void on_stop(int sig) {
  if (!g_interrupted) {
    g_interrupted = 1;
    PosixApartment::request_stop();
    return;
  }
  if (g_last_words) g_last_words();
  act_as_default(sig);
}

}  // namespace

void act_as_default(int sig) {
  signal(sig, SIG_DFL);
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, sig);
  sigprocmask(SIG_UNBLOCK, &set, nullptr);
  raise(sig);
}

void stop_on_signals(void (*last_words)()) {
  g_last_words = last_words;
  struct sigaction sa {};
  sa.sa_handler = on_stop;
  sigemptyset(&sa.sa_mask);
  // No SA_RESTART: a blocking call in this thread returns with EINTR.
  for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaction(sig, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
}

bool interrupted() { return g_interrupted != 0; }

}  // namespace tovrak::platform
