// The sharing server in virtual time, as its tests and the web page's use
// it: the component drives the simulated radio on the virtual line, and two
// fake client links talk to the server as programs on a pseudo-terminal or
// a socket would.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hosts/share/server.hpp"
#include "hosts/share/tap.hpp"
#include "hosts/sim/answer_text.hpp"
#include "hosts/sim/sim_link.hpp"
#include "support/rig.hpp"

namespace tovrak::test {

using share::ClientLink;
using share::ShareOptions;
using share::ShareServer;
using share::TappedApartment;

struct FakeClient : ClientLink {
  std::string got;
  void send(std::string_view b) override { got += b; }
  void close() override {}
  std::string take() { return std::exchange(got, {}); }
};

struct Shared {
  platform::VirtualApartment apt;
  TappedApartment tap{apt};
  sim::SimRadio radio;
  sim::SimLink link{sim::attach(radio, apt)};
  std::vector<std::string> writes;  // every write to the radio
  std::vector<std::string> notes;
  FakeClient a, b;
  TOVRAK_Connector connector{tap};
  std::shared_ptr<TOVRAK_Protocol> rig{connector.get_TOVRAK_Protocol()};
  ShareServer server;
  int ia = 0, ib = 0;

  explicit Shared(int id = 570, ShareOptions o = {}, int64_t latency_us = 0)
      : radio(sim::SimOptions{.id = id, .latency_us = latency_us}),
        server(
            *rig, apt, apt, [this] { return apt.now_us() / 1000; }, o) {
    apt.set_time_of_day(3600);
    tap.on_read([this](std::string_view s) { server.radio_read(s); });
    tap.on_write([this](std::string_view s) {
      server.radio_wrote(s);
      writes.emplace_back(s);
    });
    server.trace([this](char k, int, std::string_view t) {
      if (k == 'N') notes.emplace_back(t);
    });
    rig->put_Port(1);
    rig->SetPort(Ref<VBool>(VTrue), str(""), str(""), str(""));
    rig->SetCAT(i16(1));
    apt.advance_ms(12000);  // the component learns the radio
    ia = server.attach(a, "test:a");
    ib = server.attach(b, "test:b");
  }
  std::vector<std::string> writes_since(size_t from) const {
    return {writes.begin() + static_cast<ptrdiff_t>(from), writes.end()};
  }
  std::string radio_says(std::string_view q) const {
    return *sim::QueryAnswer(radio.state(), radio.options().id, q) + ";";
  }
};

}  // namespace tovrak::test
