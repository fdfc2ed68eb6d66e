#include "interrupt.hpp"

#include <signal.h>
#include <unistd.h>

#include "native.hpp"

namespace tovrak::python {

namespace {

// Python's own SIGINT action while ours stands in, and how many calls on the
// main thread have taken the signal (a Python handler the component calls may
// call back into it).
struct sigaction g_python_action {};
int g_taken = 0;
volatile sig_atomic_t g_requested = 0;

void on_interrupt(int sig, siginfo_t* info, void* context) {
  g_requested = 1;
  NativeApartment::request_stop();
  if (g_python_action.sa_flags & SA_SIGINFO) {
    g_python_action.sa_sigaction(sig, info, context);
  } else {
    g_python_action.sa_handler(sig);
  }
}

// Python handles signals on the process's first thread.
bool on_main_thread() { return getpid() == gettid(); }

}  // namespace

StopOnInterrupt::StopOnInterrupt() {
  if (!on_main_thread()) return;
  if (g_taken > 0) {
    ++g_taken;
    taken_ = true;
    return;
  }
  struct sigaction current {};
  if (sigaction(SIGINT, nullptr, &current) != 0) return;
  const bool python_handles = (current.sa_flags & SA_SIGINFO) != 0 ||
                              (current.sa_handler != SIG_IGN && current.sa_handler != SIG_DFL);
  if (!python_handles) return;
  struct sigaction ours = current;
  ours.sa_flags |= SA_SIGINFO;
  ours.sa_sigaction = on_interrupt;
  g_python_action = current;
  if (sigaction(SIGINT, &ours, nullptr) != 0) return;
  g_taken = 1;
  taken_ = true;
}

StopOnInterrupt::~StopOnInterrupt() {
  if (!taken_) return;
  if (--g_taken == 0) sigaction(SIGINT, &g_python_action, nullptr);
  if (g_requested) {
    g_requested = 0;
    NativeApartment::clear_stop();
  }
}

}  // namespace tovrak::python
