// What `tovrak share` shows: the clients with their endpoint, last command
// and counts, and the health of the radio's link, as one screen of text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hosts/share/server.hpp"

namespace tovrak::share {

// The radio's link as the server sees it: how long since the radio last
// answered and how much goes over the line.
struct LinkHealth {
  std::string port;
  double since_answer_s = -1;  // -1: never answered
  double written_per_s = 0;    // bytes a second to the radio, lately
  double read_per_s = 0;       // bytes a second from the radio, lately
};

// One line for the link: "radio /dev/ttyUSB0: answering (0.1 s ago), ..."
std::string link_line(const LinkHealth& h);
// The screen: the link line, the endpoints, then one line per client.
std::string render_status(const LinkHealth& h, const std::vector<std::string>& endpoints,
                          const std::vector<ClientInfo>& clients, int width);

}  // namespace tovrak::share
