// The web page of `tovrak share`, put together for the command: its options
// (--http, --http-readonly, --http-token), the hub of pages on the server's
// apartment and the HTTP server on a thread of its own.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "hosts/share/server.hpp"
#include "hosts/web/page_hub.hpp"
#include "hosts/web/web_server.hpp"

namespace tovrak::hosts {
class Options;
}

namespace tovrak::web {

struct WebOptions {
  bool enabled = false;
  HttpOptions http;
  bool readonly = false;
  std::string token_path;
};

// Declares --http ADDR:PORT, --http-readonly and --http-token FILE.
void add_web_options(hosts::Options& opt, WebOptions& o);
// What is wrong with the options given together (`allow` the --allow
// networks), or nothing.
std::optional<std::string> check_web_options(const WebOptions& o,
                                             const std::vector<platform::Cidr>& allow);
// The token in the file: its first line without blanks around it. Throws
// std::runtime_error when the file cannot be read or the token is too short
// to keep anyone out.
std::string read_token(const std::string& path);

// The link's health as the page shows it, from the station's words for it
// ("answering", "silent for 4 s", "port lost: ...").
LinkReport link_report(const std::string& health);

class WebHost {
 public:
  // Serves the page at once; throws std::runtime_error with the reason when
  // it cannot (the port is taken, the token file unreadable). Runs on `apt`,
  // the server's apartment; `rig` on `radio_apt` is only asked for its
  // passband width.
  WebHost(share::ShareServer& server, platform::Apartment& apt, TOVRAK_Protocol& rig,
          platform::Apartment& radio_apt, const WebOptions& o, PageHub::LinkSource link,
          std::function<void(const std::string&)> log);

  // "http 127.0.0.1:7374", for the list of endpoints.
  std::string endpoint() const;
  PageHub& hub() { return hub_; }
  WebServer& server() { return server_; }

 private:
  std::string address_;
  PageHub hub_;
  WebServer server_;  // after the hub: it goes first
};

}  // namespace tovrak::web
