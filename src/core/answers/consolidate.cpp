// The consolidation step after every answer: derives the receive frequency
// and mode, the transmit frequency and the split flag, compares with what it
// saw after the previous answer, and raises Change for what moved. It is the
// only place that raises Change.
#include "core/component/protocol.hpp"
#include "core/link/port_and_timers.hpp"
#include "core/values/numbers.hpp"
#include "core/values/steps.hpp"

namespace tovrak::core {

namespace {

constexpr size_t kAutoNFItem = 3;

// The tracked status items, in a fixed order; AutoNF as a 16-bit value (when
// it cannot be read so, the item keeps its previous value). Sets `moved` when
// an item moved since the previous answer. AutoNF is compared as the value
// it holds with the stored 16-bit number, so a fraction (2.6 against the 3
// kept) counts as a difference after every answer; a value that cannot be
// read as a number counts as none.
StatusSnapshot snapshot(const State& s, const StatusSnapshot& previous, bool& moved) {
  StatusSnapshot now = previous;
  now.items = {s.PreAmp,  s.Att,    s.AGC,  previous.items[kAutoNFItem],
               s.Antenna, s.BKIn,   s.Vox,  s.Comp,
               s.RFT[0],  s.RFT[1], s.RXAnt};
  step([&] {
    const double autonf = s.AutoNF.to_double();
    if (autonf != previous.items[kAutoNFItem]) moved = true;
    now.items[kAutoNFItem] = to_i16(autonf);
  });
  // An item of its own that moved; AutoNF's stored number moves only with
  // its value.
  if (!(now == previous)) moved = true;
  return now;
}

}  // namespace

void Protocol::Consolidate(bool StatusDirty) {
  m.polling.freq_changed = VFalse;

  if (s.MemMode == 0) {
    if (s.VFO == 0) {
      s.Freq = s.VFOA_Freq;
      s.Mode = s.VFOA_Mode;
    } else if (s.VFO == 1) {
      s.Freq = s.VFOB_Freq;
      s.Mode = s.VFOB_Mode;
    }
  }
  if (s.Freq != m.answers.last_freq) m.polling.freq_changed = VTrue;

  s.TX_Freq = s.Freq;
  if (s.Split == 1 && s.MemMode == 0) {
    if (s.VFO == 0) s.TX_Freq = s.VFOB_Freq;
    if (s.VFO == 1) s.TX_Freq = s.VFOA_Freq;
  }

  AMFMWidth(s.Mode);

  if (s.SMeter != m.answers.last_smeter) RaiseChange(change::kSMeter);

  if (s.Mode != m.answers.last_mode) {
    // Width and IF shift belong to the mode: ask for them again.
    SendCommand("SH" + vfo_digit());
    SendCommand("IS" + vfo_digit());
    RaiseChange(change::kMode);
  }

  s.Split = 0;
  if (s.VFO != s.TX_VFO) {
    s.Split = 1;
    RaiseChange(change::kMode);
  }

  if (s.VFO != m.answers.last_vfo) {
    m.polling.vfo_poll_index = 0;
    step([&] { m.port_and_timers().tmrPollVFO->set_enabled(true); });
    m.answers.last_vfo = s.VFO;
  }

  m.answers.prev_status = snapshot(s, m.answers.prev_status, StatusDirty);

  if (StatusDirty) {
    s.StatusChange = VTrue;
    RaiseChange(change::kStatus);
  }

  m.answers.last_freq = s.Freq;
  m.answers.last_mode = s.Mode;
  m.answers.last_smeter = s.SMeter;
  s.PollPending = VFalse;
}

}  // namespace tovrak::core
