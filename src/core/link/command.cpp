// SetCommand: a raw command to the radio, or text injected as if the radio
// had sent it.
#include <cmath>

#include "core/component/protocol.hpp"

namespace tovrak::core {

void Protocol::SetCommand(int16_t& Format, std::string Sequence) {
  if (Format != 0) return;
  if (!Sequence.empty() && Sequence[0] == '$') {
    m.link.rx_buffer.append(Sequence, 1);
    VBool read = VFalse;
    ReadBuffer(m.link.rx_buffer, read);
    return;
  }
  s.WaitAnswer = VTrue;
  s.CATAnswer.clear();
  SendCommand(Sequence);
  // Holds the thread, without processing messages, until a quarter second
  // has passed since the write; the answer is left to the receive path.
  auto& apt = m.apartment();
  while (std::fabs(m.now() - m.link.last_send_time) < 0.25f && !apt.stopping()) apt.sleep_ms(1);
  VBool read = VFalse;
  ReadBuffer(s.CATAnswer, read);
  s.WaitAnswer = VFalse;
}

}  // namespace tovrak::core
