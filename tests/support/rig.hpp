// A component on the virtual platform, as the tests drive it: the shared
// control object, its internal state, and the wire with virtual times.
#pragma once

#include <cctype>
#include <charconv>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/component/protocol.hpp"
#include "core/link/port_and_timers.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace tovrak::test {

// The writes on the line: (milliseconds, text).
using Wire = std::vector<std::pair<int64_t, std::string>>;
using Texts = std::vector<std::string>;

// Writes in a short text form: each ends with ';' and may be preceded by its
// time in milliseconds, else it goes out with the write before it (the
// first: at 0). "MD17; 100 FB07050000; 200 BI;"
inline Wire wire_of(std::string_view text) {
  Wire w;
  int64_t t = 0;
  for (size_t i = 0; i < text.size();) {
    if (text[i] == ' ') {
      ++i;
    } else if (std::isdigit(static_cast<unsigned char>(text[i]))) {
      const char* end = std::from_chars(text.data() + i, text.data() + text.size(), t).ptr;
      i = static_cast<size_t>(end - text.data());
    } else {
      const size_t end = text.find(';', i);
      if (end == text.npos)
        throw std::invalid_argument("a write without ';': " + std::string(text));
      w.emplace_back(t, text.substr(i, end + 1 - i));
      i = end + 1;
    }
  }
  return w;
}

// A by-reference argument from a value, for calls written in one line: the
// temporary lives until the end of the full expression, as long as the call.
template <class T>
struct Ref {
  T v;
  template <class U>
  Ref(U x) : v(static_cast<T>(x)) {}
  operator T&() { return v; }
};
using i16 = Ref<int16_t>;
using dbl = Ref<double>;
using sgl = Ref<float>;
using str = Ref<std::string>;

struct Rig {
  platform::VirtualApartment apt;
  std::unique_ptr<TOVRAK_Connector> connector;
  std::shared_ptr<TOVRAK_Protocol> rig;
  core::Protocol* p = nullptr;
  std::vector<int16_t> events;

  explicit Rig(double time_of_day = 3600.0) {
    apt.set_time_of_day(time_of_day);
    connector = std::make_unique<TOVRAK_Connector>(apt);
    rig = connector->get_TOVRAK_Protocol();
    p = static_cast<core::Protocol*>(rig.get());
    rig->AdviseChange([this](int16_t& s) { events.push_back(s); });
  }
  ~Rig() {
    rig.reset();
    connector.reset();
  }

  core::State& s() { return p->s; }
  core::Module& m() { return p->m; }
  platform::VirtualLine& line() { return apt.line(); }

  // Opens the port as a host does.
  bool open() {
    VBool open = VTrue;
    std::string a, c, msg;
    return static_cast<bool>(rig->SetPort(open, a, c, msg));
  }

  // The wire since the last call: (milliseconds since the start, text).
  Wire wire() {
    Wire out;
    for (const auto& w : line().writes()) out.emplace_back(w.us / 1000, w.bytes);
    line().clear_writes();
    return out;
  }
  // Only the texts written since the last call.
  std::vector<std::string> sent() {
    std::vector<std::string> out;
    for (auto& [t, text] : wire()) out.push_back(text);
    return out;
  }
  // The radio sends text and the apartment processes it.
  void radio(const std::string& text) {
    line().radio_sends(text);
    apt.process_pending();
  }
  std::vector<int16_t> take_events() { return std::exchange(events, {}); }
};

}  // namespace tovrak::test
