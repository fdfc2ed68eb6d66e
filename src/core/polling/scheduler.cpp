// The polling scheduler: switching CAT operation on and off, the status
// cycle with the S-meter, the refresh, and the ticks of the port and timers.
#include <array>

#include "core/component/protocol.hpp"
#include "core/link/port_and_timers.hpp"

namespace tovrak::core {

namespace {

// The status cycle, one query per tick.
constexpr std::array<const char*, 8> kStatusCycle = {"FA", "FB", "IF", "FT",
                                                     "OI", "TX", "AC", "VS"};

}  // namespace

int16_t Protocol::SetCAT(int16_t& CAT) {
  s.CAT = 0;
  if (!s.PortOpen) return 0;
  s.CAT = CAT;
  if (CAT == 0) {
    SendCommand("AI0");
  } else if (CAT == 1) {
    if (s.AutoPolling == VTrue) {
      // The component polls; the radio's automatic information stays off.
      s.PollStep = 0;
      SendCommand("AI0");
      m.polling.refresh_active = VTrue;
    } else if (s.AutoPolling == VFalse) {
      // The radio reports its changes itself; the levels are read once.
      SendCommand("AI1");
      m.polling.refresh_active = VTrue;
      RestartLevelPolling();
    }
    m.polling.startup_query = VTrue;
    SendCommand("ID");
  }
  return -1;
}

void Protocol::SetPolling(int16_t& State) {
  if (!s.PortOpen || s.CAT == 0) return;
  if (s.AIState == -1) {
    // The radio was switched: set its automatic information again, ask for
    // it, and refresh everything. Repeated until the radio answers "AI".
    SendCommand(s.AutoPolling ? "AI0" : "AI1");
    m.apartment().sleep_ms(250);
    SendCommand("AI");
    m.polling.refresh_active = VTrue;
    s.PollStep = 0;
    return;
  }
  switch (State) {
    case 0:
      if (s.VFO == 0) SendPoll("FA");
      if (s.VFO == 1) SendPoll("FB");
      break;
    case 1:
    case 2:
      // A dropped query is tried again at the next call, not skipped.
      if (s.PollStep >= 0 && s.PollStep <= 7 && SendPoll(kStatusCycle[s.PollStep])) ++s.PollStep;
      if (s.PollStep > 7) {
        s.PollStep = 0;
        m.polling.refresh_active = VFalse;
      }
      break;
    case 3:
      if (!s.PollPending && s.AutoPolling != VFalse) {
        SendPoll("SM0");
        s.PollPending = VTrue;
      }
      break;
    case 4:
      SendCommand("AG" + vfo_digit());
      break;
    default:
      break;
  }
}

void Protocol::SetRefresh() {
  if (!s.PortOpen || s.CAT == 0) return;
  if (s.AutoPolling == VFalse) SendCommand("AI1");
  m.polling.refresh_active = VTrue;
  if (s.AutoPolling == VFalse) RestartLevelPolling();
  m.polling.freq_changed = VFalse;
  m.polling.poll_toggle = 0;
  s.PollStep = 0;
}

void Protocol::RestartLevelPolling() {
  m.polling.level_index = 0;
  m.port_and_timers().tmrLevels->set_enabled(false);
  PollLevels();
}

void Protocol::PausePolling() {
  m.polling.poll_paused = VTrue;
  m.port_and_timers().tmrStopPolling->set_enabled(true);
}

void Protocol::tmrStopPolling_Timer() {
  m.port_and_timers().tmrStopPolling->set_enabled(false);
  m.polling.poll_paused = VFalse;
}

void Protocol::tmrPolling_Timer() {
  if (!s.PortOpen || s.CAT == 0 || m.polling.level_index > 0) return;
  int16_t state = 0;
  if (m.polling.refresh_active) {
    state = 1;
    SetPolling(state);
    return;
  }
  if (s.AutoPolling == VTrue) {
    if (m.polling.freq_changed) {
      state = 0;
      SetPolling(state);
    } else if (m.polling.poll_toggle == 0) {
      // Status and S-meter take turns.
      state = 1;
      SetPolling(state);
      m.polling.poll_toggle = 1;
    } else if (m.polling.poll_toggle == 1) {
      state = 3;
      SetPolling(state);
      m.polling.poll_toggle = 0;
    }
  } else if (s.AutoPolling == VFalse) {
    state = 3;
    SetPolling(state);
  }
  if (m.polling.startup_query) {
    state = 4;
    SetPolling(state);
    m.polling.startup_query = VFalse;
  }
}

void Protocol::tmrLevels_Timer() {
  if (m.polling.refresh_active) return;
  ++m.polling.level_index;
  PollLevels();
}

void Protocol::tmrPollVFO_Timer() {
  if (m.polling.refresh_active) return;
  ++m.polling.vfo_poll_index;
  PollCurrVFO();
}

}  // namespace tovrak::core
