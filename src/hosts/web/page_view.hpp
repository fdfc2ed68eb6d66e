// What the page shows, as the JSON object the server pushes to every page:
// both VFOs, the receive and transmit VFO, mode, width, the S-meter, the
// levels, the link to the radio and who is connected. Everything is read
// from the sharing server's state; a fact the server has not learned yet (or
// no longer trusts) is still given with its last value and named in
// "unsure", so that the page can show it dimmed instead of blank.
#pragma once

#include <string>
#include <vector>

#include "hosts/share/mirror.hpp"
#include "hosts/share/server.hpp"

namespace tovrak::web {

// The radio's link as the host sees it.
struct LinkReport {
  enum class Health { kAnswering, kSilent, kLost };
  Health health = Health::kAnswering;
  std::string text;  // "answering", "silent for 4 s", "port lost: ..."
};

struct ViewInputs {
  const share::RadioMirror& mirror;
  const std::vector<share::ClientInfo>& clients;
  LinkReport link;
  int width_hz = 0;  // the passband width as the component reckons it; 0 unknown
};

// The state object, serialized ("{...}").
std::string page_view(const ViewInputs& in);

}  // namespace tovrak::web
