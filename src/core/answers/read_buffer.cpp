// ReadBuffer: everything the radio sends becomes state here. It takes the
// waiting bytes, cuts the buffer into answers at each ";", hands each answer
// to the decoder of its two-letter code, and runs the consolidation step
// after every answer. Text after the last ";" stays for the next call.
#include <algorithm>

#include "core/answers/codes.hpp"
#include "core/answers/fields.hpp"
#include "core/component/protocol.hpp"
#include "core/values/steps.hpp"

namespace tovrak::core {

using codes::operator""_c;

namespace {

// Text waiting for its ";" is dropped when it passes kBufferLimit characters
// not counting blanks at either end. Whatever arrives (a flood of blanks
// included), the buffer never holds more than kBufferHardLimit characters, so
// the check below costs a bounded amount per read.
constexpr size_t kBufferLimit = 4096;
constexpr size_t kBufferHardLimit = 4 * kBufferLimit;

bool overflowing(const std::string& text) {
  if (text.size() <= kBufferLimit) return false;
  if (text.size() > kBufferHardLimit) return true;
  size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return false;
  return text.find_last_not_of(' ') - first + 1 > kBufferLimit;
}

}  // namespace

bool Protocol::ReceiverMatched(std::string_view answer) const {
  return val(answer, 3, 1) == static_cast<double>(s.VFO);
}

void Protocol::ReadBuffer(std::string& Buffer, VBool& Read) {
  if (m.answers.read_busy) return;  // a nested call leaves everything for the next event
  m.answers.read_busy = VTrue;
  ReadScratch scratch;

  if (Read) {
    // The waiting bytes, none when none wait (asking for their count first
    // would only read the port once more).
    step([&] { ComDLL().InputTo(Buffer); });
    if (overflowing(Buffer)) {
      Buffer.clear();
      m.answers.read_busy = VFalse;
      return;
    }
  }

  if (!s.WaitAnswer) {
    // The decoded answers are removed from the front once, at the end: the
    // cut is linear in the length of the buffer. Text appended meanwhile (an
    // answer injected by a Change handler) waits behind.
    size_t start = 0;
    for (;;) {
      size_t semi = Buffer.find(';', start);
      if (semi == std::string::npos) break;
      answer_.assign(Buffer, start, semi - start);
      start = semi + 1;
      bool dirty = false;
      step([&] { dirty = Decode(answer_, scratch); });
      step([&] { Consolidate(dirty); });
      if (start >= Buffer.size()) break;
    }
    Buffer.erase(0, std::min(start, Buffer.size()));
  }
  m.answers.read_busy = VFalse;
}

bool Protocol::Decode(std::string_view a, ReadScratch& r) {
  // An answer of two characters or fewer has no code.
  if (a.size() <= 2) return false;
  switch (code_of(a[0], a[1])) {
    case "AI"_c:
      DecodeAI(a);
      return false;
    case "IF"_c:
      DecodeIF(a, r);
      return false;
    case "VS"_c:
      DecodeVS(a);
      return false;
    case "FA"_c:
      DecodeFA(a);
      return false;
    case "FB"_c:
      DecodeFB(a);
      return false;
    case "MD"_c:
      DecodeMD(a, r);
      return false;
    case "FT"_c:
      DecodeFT(a);
      return false;
    case "OI"_c:
      DecodeOI(a, r);
      return false;
    case "ID"_c:
      DecodeID(a);
      return false;
    case "AN"_c:
    case "AG"_c:
    case "RG"_c:
    case "NR"_c:
    case "RL"_c:
    case "FR"_c:
    case "GT"_c:
    case "RA"_c:
    case "PA"_c:
    case "BC"_c:
    case "NA"_c:
    case "BP"_c:
    case "NB"_c:
    case "NL"_c:
    case "IS"_c:
    case "SH"_c:
    case "CO"_c:
    case "SQ"_c:
    case "RF"_c:
      return DecodeReceiver(code_of(a[0], a[1]), a, r);
    case "EX"_c:
      return DecodeEX(a);
    case "AC"_c:
    case "LK"_c:
    case "SM"_c:
    case "TX"_c:
    case "PC"_c:
    case "VX"_c:
    case "PR"_c:
    case "SD"_c:
    case "BI"_c:
    case "TS"_c:
    case "KP"_c:
    case "OS"_c:
    case "KR"_c:
    case "KS"_c:
    case "ML"_c:
    case "MG"_c:
    case "MS"_c:
    case "BY"_c:
    case "RM"_c:
      return DecodeTransmitter(code_of(a[0], a[1]), a);
    default:
      return false;  // unknown, lower-case, or preceded by line ends: nothing
  }
}

}  // namespace tovrak::core
