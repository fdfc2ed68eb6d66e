// Answers about the receiver's settings: gains, AGC, attenuator, preamp,
// antennas, dual watch, roofing filter, noise blanker and reduction, notch,
// passband width, IF shift, contour and the menu items. Each decoder returns
// whether the answer marks the status dirty.
#include <cmath>
#include <cstdlib>

#include "core/answers/character_codes.hpp"
#include "core/answers/codes.hpp"
#include "core/answers/fields.hpp"
#include "core/component/capability.hpp"
#include "core/component/protocol.hpp"
#include "core/values/arrays.hpp"
#include "core/values/steps.hpp"

namespace tovrak::core {

using codes::operator""_c;

bool Protocol::DecodeReceiver(uint16_t code, std::string_view a, ReadScratch& r) {
  const bool matched = ReceiverMatched(a);
  auto& P = s.Property;
  switch (code) {
    case "AN"_c:
      if (!matched) return false;
      step([&] {
        s.Antenna = to_i16(val(a, 4, 1) - 1);
        if (s.Antenna > P[cap::SetAntenna] - 1) s.Antenna = 0;
      });
      step([&] { s.RXAnt = ival(a, 5, 1); });
      return false;

    case "AG"_c: {
      std::string_view rx = chr(a, 3);
      if (rx == "0") step([&] { s.AFLevel[0] = ival(a, 4, 3); });
      if (rx == "1") step([&] { s.AFLevel[1] = ival(a, 4, 3); });
      return true;
    }

    case "RG"_c:
      // The gain is reported inverted, and always lands in receiver 0.
      if (matched) step([&] { s.RFLevel[0] = to_i16(255 - val(a, 4, 3)); });
      return true;

    case "NR"_c:
      if (!matched) return false;
      step([&] { s.NRSwitch = ival(a, 4, 1); });
      step([&] { s.NR = fold(s.NRSwitch, s.NRLevel); });
      return true;

    case "RL"_c:
      if (!matched) return false;
      step([&] {
        s.NRLevel = ival(a, 4, 2);
        if (s.NRLevel == 0) s.NRLevel = 1;
      });
      step([&] { s.NR = fold(s.NRSwitch, s.NRLevel); });
      return true;

    case "FR"_c:
      step([&] {
        int16_t v = ival(a, 3, 1);
        s.Dual = (v == 0 || v == 1) ? 0 : 1;
      });
      return true;

    case "GT"_c:
      if (!matched) return false;
      step([&] {
        s.AGC = ival(a, 4, 1);
        if (s.AGC < 0 || s.AGC > 3) s.AGC = 4;
      });
      return true;

    case "RA"_c:
      if (!matched) return false;
      step([&] { s.Att = ival(a, 4, 1); });
      return true;

    case "PA"_c:
      if (!matched) return false;
      step([&] { s.PreAmp = ival(a, 4, 1); });
      return true;

    case "BC"_c:
      if (!matched) return false;
      s.AutoNF = Variant(val(a, 4, 1));
      return true;

    case "NA"_c:
      if (!matched) return false;
      step([&] { P[cap::NarrowFlag] = ival(a, 4, 1); });
      step([&] { s.BW = FilterWidth(s.WidthCode, s.Mode, Variant(s.VFO)); });
      return true;

    case "BP"_c: {
      if (!matched) return false;
      std::string_view which = chr(a, 4);
      if (which == "0") step([&] { s.NFSwitch = ival(a, 5, 3); });
      if (which == "1") {
        step([&] { s.NFLevel = ival(a, 5, 3); });
        step([&] { s.FNotch = to_i16(val(a, 5, 3) * 10); });
      }
      if (s.NFLevel == 0) s.NFLevel = 1;
      step([&] { s.NF = fold(s.NFSwitch, s.NFLevel); });
      return true;
    }

    case "NB"_c:
      if (!matched) return false;
      step([&] { s.NBType = ival(a, 4, 1); });
      if (s.NBType > 0) {
        // A type beyond 2 addresses no record: those steps are skipped.
        step([&] { element(s.NBRec, s.NBType).On = 1; });
        s.NBRec[s.NBType == 1 ? 2 : 1].On = 0;
        step([&] { s.NB = element(s.NBRec, s.NBType).Level; });
      } else {
        s.NBRec[1].On = 0;
        s.NBRec[2].On = 0;
      }
      return true;

    case "NL"_c:
      if (!matched) return false;
      // The answer carries no type: the level belongs to the current one.
      if (s.NBType == 1 || s.NBType == 2) step([&] { s.NBRec[s.NBType].Level = ival(a, 4, 3); });
      if (s.NBType != 0) step([&] { s.NB = element(s.NBRec, s.NBType).Level; });
      return true;

    case "IS"_c: {
      if (!matched) return false;
      std::string_view sign = chr(a, 4);
      if (sign == "-") r.if_sign = 1;
      if (sign == "+") r.if_sign = -1;
      step([&] {
        int16_t shift = to_i16(val(a, 5, 4) / 1000 * 128);
        if (shift > 128) shift = 128;
        s.IFShift = to_i16(shift * r.if_sign);
      });
      step([&] { s.IFS = ival(a, 4, 5); });
      return true;
    }

    case "SH"_c:
      if (matched) {
        step([&] { s.WidthCode = ival(a, 4, 2); });
        step([&] {
          float level = static_cast<float>(s.WidthCode) / 31.0f * 255.0f;
          s.WidthLevel = to_i16(level);
          if (s.WidthLevel > 255) s.WidthLevel = 255;
        });
        P[cap::WidthLevel] = s.WidthLevel;
        step([&] { s.BW = FilterWidth(s.WidthCode, s.Mode, Variant(s.VFO)); });
      }
      return true;

    case "CO"_c: {
      if (!matched) return false;
      std::string_view kind = chr(a, 4);
      if (kind == "0") {
        std::string_view state = chr(a, 6);
        if (state == "2") s.ContourSwitch = 2;
        if (state == "1") s.ContourSwitch = 1;
        if (state == "0") s.ContourSwitch = 0;
      }
      if (kind == "1") {
        step([&] {
          int16_t level = floor_i16(val(a, 5, 2) / 40 * 255 + 0.01);
          s.ContourLevel = level < 0 ? 0 : (level > 255 ? 255 : level);
        });
        step([&] { s.FContour = to_i16(val(a, 5, 2) * 100 * s.ContourSign); });
      }
      s.ContourState = s.ContourSwitch;
      P[cap::ContourLevel] = s.ContourLevel;
      return true;
    }

    case "SQ"_c: {
      std::string_view rx = chr(a, 3);
      if (rx == "0") step([&] { s.SQLevel[0] = ival(a, 4, 3); });
      if (rx == "1") step([&] { s.SQLevel[1] = ival(a, 4, 3); });
      return true;
    }

    case "RF"_c: {
      double rx = val(a, 3, 1);
      if (rx == 0) s.RFT[0] = RFTFromCode(chr(a, 4));
      if (rx == 1) s.RFT[1] = RFTFromCode(chr(a, 4));
      return true;
    }

    default:
      return false;
  }
}

// "EX": a menu item. The menu number is compared as text with the known
// menus; the first that matches is applied.
bool Protocol::DecodeEX(std::string_view a) {
  std::string_view menu = field(a, 3, 3);
  auto menu_of = [](const std::string& command) { return std::string_view(command).substr(2, 3); };
  bool dirty = false;
  if (menu.size() == 3 && menu == menu_of(s.FullBKMenu)) {
    step([&] { s.FullBK = ival(a, 6, 1); });
    dirty = true;
  } else if (menu.size() == 3 && (s.VFO == 0 || s.VFO == 1) &&
             menu == menu_of(s.ContourMenu[static_cast<size_t>(s.VFO)])) {
    // The contour menus exist for VFO A and B only; with the sub receiver
    // selected the answer is no known menu.
    s.ContourSign = val(a, 6, 3) < 0 ? -1 : 1;
    step([&] { s.FContour = to_i16(std::abs(static_cast<int>(s.FContour)) * s.ContourSign); });
    dirty = true;
  } else {
    struct NarrowMenu {
      std::string_view menu;
      int vfo;
      int group;  // 0 SSB, 1 CW, 2 FSK, 3 PKT
    };
    static constexpr NarrowMenu kNarrow[] = {{"095", 0, 1}, {"098", 0, 3}, {"101", 0, 2},
                                             {"104", 0, 0}, {"107", 1, 1}, {"110", 1, 3},
                                             {"113", 1, 2}, {"116", 1, 0}};
    for (const auto& n : kNarrow) {
      if (menu != n.menu) continue;
      step([&] { s.NarrowSetting[n.vfo][n.group] = ival(a, 6, 2); });
      dirty = true;
      break;
    }
  }
  if (dirty) step([&] { s.BW = FilterWidth(s.WidthCode, s.Mode, Variant(s.VFO)); });
  return dirty;
}

}  // namespace tovrak::core
