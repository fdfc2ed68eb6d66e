// The sharing server in virtual time for its tests and the web page's: the
// component drives the simulated radio, two fake clients talk to the server.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hosts/share/server.hpp"
#include "hosts/sim/sim_link.hpp"
#include "hosts/station/tapped_apartment.hpp"
#include "radio/format.hpp"
#include "support/rig.hpp"

namespace tovrak::test {

using share::ClientLink;
using share::ShareOptions;
using share::ShareServer;
using station::TappedApartment;

struct FakeClient : ClientLink {
  std::string got;
  bool closed = false;  // the server ended the connection
  void send(std::string_view b) override { got += b; }
  void close() override { closed = true; }
  std::string take() { return std::exchange(got, {}); }
};

struct Shared {
  platform::VirtualApartment apt;
  TappedApartment tap{apt, [this] { return static_cast<double>(apt.now_us()) / 1e6; }};
  sim::SimRadio radio;
  sim::SimLink link{sim::attach(radio, apt)};
  std::vector<std::string> writes;  // every write to the radio
  std::vector<int64_t> write_ms;    // and its virtual time
  std::vector<std::string> notes;
  FakeClient a, b;
  TOVRAK_Connector connector{tap};
  std::shared_ptr<TOVRAK_Protocol> rig{connector.get_TOVRAK_Protocol()};
  ShareServer server;
  int ia = 0, ib = 0;

  explicit Shared(int id = 570, ShareOptions o = {}, int64_t latency_us = 0)
      : radio(sim::SimOptions{.id = id, .latency_us = latency_us}),
        server(
            *rig, tap, apt, [this] { return apt.now_us() / 1000; }, o) {
    apt.set_time_of_day(3600);
    tap.on_read([this](std::string_view s) { server.radio_read(s); });
    tap.on_write([this](std::string_view s) {
      server.radio_wrote(s);
      writes.emplace_back(s);
      write_ms.push_back(apt.now_us() / 1000);
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
  // Bytes of the radio's as the component reads them, at once.
  void radio_answers(std::string_view bytes) {
    server.radio_read(bytes);
    apt.process_pending();
  }
  // The virtual time of the first write of `text` to the radio since `from`.
  int64_t written_ms(const std::string& text, size_t from) {
    for (;; apt.advance_ms(1)) {
      auto it = std::find(writes.begin() + static_cast<ptrdiff_t>(from), writes.end(), text);
      if (it != writes.end()) return write_ms[static_cast<size_t>(it - writes.begin())];
    }
  }
  void advance_to_ms(int64_t t) { apt.advance_ms(t - apt.now_us() / 1000); }
  // What the simulated radio itself answers to the query `q`, with its ";".
  std::string radio_says(std::string_view q) const {
    return *radio::Answer(radio.state(), radio.options().id, q) + ";";
  }
};

}  // namespace tovrak::test
