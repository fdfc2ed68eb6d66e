// SendCAT: the one way every command reaches the radio. It spaces commands in
// time, keeps polls out of the way of the host's commands, appends the ";"
// terminator and writes; it never waits for an answer.
#include <cmath>

#include "core/component/protocol.hpp"
#include "core/forms/control_panel.hpp"
#include "core/values/steps.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::core {

namespace {

// Elapsed time between two clock values: the absolute difference, so a span
// across midnight counts as long elapsed.
float since(float now, float then) { return std::fabs(now - then); }

std::string trim_blanks(const std::string& text) {
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

}  // namespace

void Protocol::SendCAT(std::string& Command, VBool& IsPoll) {
  if (m.link.send_muted) return;
  platform::SerialControl* com = nullptr;
  try {
    com = &ComDLL();
    if (!com->PortOpen()) return;
  } catch (const ComError&) {
    return;
  }
  auto& apt = m.apartment();
  const bool poll = static_cast<bool>(IsPoll);

  // The clock is read once for the checks (no time passes between them) and
  // again whenever the command has waited.
  float now = m.now();
  float wait = 0.0f;
  if (since(now, m.link.last_send_time) <= m.link.error_delay) {
    wait = m.link.command_delay;
    if (poll) {
      wait = m.link.polling_delay;
      // A poll that cannot go out now is dropped; the next tick tries again.
      if (since(now, m.link.last_send_time) < m.link.polling_delay ||
          since(now, m.link.last_command_time) < m.link.after_command_delay || s.PollPending) {
        return;
      }
    }
    if (!poll && s.PollPending) {
      apt.sleep_ms(25);
      now = m.now();
    }
  }
  // The timing settings are bounded, so the wait always elapses; a request to
  // stop the program ends it sooner.
  while (since(now, m.link.last_send_time) < wait && !apt.stopping()) {
    apt.sleep_ms(5);
    now = m.now();
  }

  m.link.last_send_time = now;
  if (!poll) m.link.last_command_time = now;
  s.PollPending = VBool::of(poll);
  WaitOutputDrain(*com);

  std::string bare = trim_blanks(Command);
  const char* terminator = (!bare.empty() && bare.back() == ';') ? "" : ";";
  std::string text = trim_blanks(Command + terminator);
  step([&] { com->Output(text); });
  if (!poll && m.panel.open && m.panel.loaded) step([&] { m.panel.loaded->AppendInfo(Command); });
  IsPoll = VFalse;
}

void Protocol::SendCommand(std::string command) {
  VBool poll = VFalse;
  SendCAT(command, poll);
}

bool Protocol::SendPoll(std::string command) {
  VBool poll = VTrue;
  SendCAT(command, poll);
  return !poll;
}

// With CKBuffer set, waits until the output buffer is empty before a write,
// letting messages through meanwhile; after 0.5 s it gives up, discards what
// waits and stops waiting from then on.
void Protocol::WaitOutputDrain(platform::SerialControl& Comm) {
  if (!s.CKBuffer) return;
  auto& apt = m.apartment();
  try {
    float start = m.now();
    int passes = 0;
    do {
      ++passes;
      if (since(m.now(), start) > 0.5f) {
        Comm.ClearOutBuffer();
        s.CKBuffer = VFalse;
        return;
      }
      apt.sleep_ms(passes == 1 ? 5 : 10);
      apt.pump_once();
    } while (Comm.OutBufferCount() != 0 && !apt.stopping());
    if (passes > 1) apt.sleep_ms(100);
  } catch (const ComError&) {
  }
}

}  // namespace tovrak::core
