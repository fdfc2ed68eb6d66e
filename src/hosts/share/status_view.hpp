// What `tovrak share` shows: the clients with their endpoint, last command
// and counts, and the health of the radio's link, as one screen of text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/share/server.hpp"

namespace tovrak::share {

// The radio's link as the server shows it: the station's word for its
// health and how much goes over the line.
struct LinkStatus {
  std::string port;
  std::string health;        // "answering", "silent for 4 s", "port lost: ..."
  double written_per_s = 0;  // bytes a second to the radio, lately
  double read_per_s = 0;     // bytes a second from the radio, lately
};

// One line for the link: "radio /dev/ttyUSB0: answering, line 120 B/s out, ..."
std::string link_line(const LinkStatus& h);
// The screen: the link line, the endpoints, then one line per client.
std::string render_status(const LinkStatus& h, const std::vector<std::string>& endpoints,
                          const std::vector<ClientInfo>& clients, int width);
// What a terminal is sent for `text` drawn from its top-left corner: each
// row cut to `width` and cleared to its end, the rows below cleared, and no
// more than `height` rows, so that nothing of an earlier screen is left.
std::string screen_frame(const std::string& text, int width, int height);

}  // namespace tovrak::share
