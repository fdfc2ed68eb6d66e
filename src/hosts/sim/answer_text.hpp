// The radio's answers to its queries, in the radio's layouts, built from a
// RadioState. The one place these layouts are written: the simulated radio
// answers through it, and the sharing server answers its clients through it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "hosts/sim/radio_state.hpp"

namespace tovrak::sim {

// The identification number whose frequency fields have 9 digits; any other
// radio answers with 8.
constexpr int kNineDigitId = 570;

// The answer (without ";") the radio gives to `command`, or nothing when the
// command is not one of its queries (a setting, an unknown code, a query
// with a malformed receiver or item).
std::optional<std::string> QueryAnswer(const RadioState& s, int id, std::string_view command);

// A frequency field in the digit form of the radio's identity.
std::string FreqText(int64_t hz, int id);
// Zero-padded decimal of at least `width` digits.
std::string ZeroPad(int64_t v, size_t width);

// Menu items the radio knows, with the form of their setting.
enum class MenuForm { kDigit, kTwo, kFour, kSigned };
struct MenuItem {
  int number;
  MenuForm form;
  int lo, hi, initial;
};
// Every menu item the radio knows; nullptr for any other number.
const MenuItem* FindMenu(int number);
template <typename F>
void ForEachMenu(F f);
// A menu setting as the radio writes it.
std::string MenuText(const MenuItem& m, int v);

// The reading of the transmit meter chosen with "MS" (0 while receiving).
int TransmitMeter(const RadioState& s);

namespace detail {
extern const MenuItem kMenus[];
extern const size_t kMenuCount;
}  // namespace detail

template <typename F>
void ForEachMenu(F f) {
  for (size_t i = 0; i < detail::kMenuCount; ++i) f(detail::kMenus[i]);
}

}  // namespace tovrak::sim
