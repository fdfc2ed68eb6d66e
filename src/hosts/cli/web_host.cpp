#include "hosts/cli/web_host.hpp"

#include <chrono>
#include <fstream>
#include <stdexcept>

#include "hosts/cli/options.hpp"

namespace tovrak::web {

namespace {

constexpr size_t kShortestToken = 12;

int64_t steady_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double wall_ms() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::system_clock::now().time_since_epoch())
      .count();
}

HubOptions hub_options(const WebOptions& o) {
  HubOptions h;
  h.readonly = o.readonly;
  if (!o.token_path.empty()) h.token = read_token(o.token_path);
  return h;
}

}  // namespace

void add_web_options(hosts::Options& opt, WebOptions& o) {
  opt.group("The web page");
  opt.option("--http", "ADDR:PORT",
             "serve the station's page (ADDR 127.0.0.1 and PORT " +
                 std::to_string(kDefaultHttpPort) +
                 " unless given); another address than loopback needs --allow and "
                 "--http-token or --http-readonly",
             [&o](const std::string& v) {
               o.enabled = true;
               platform::parse_listen(v, kDefaultHttpPort, o.http.address, o.http.port);
             });
  opt.flag("--http-readonly", o.readonly, "pages show the radio and control nothing");
  opt.text("--http-token", o.token_path, "FILE",
           "only a page that presents the token in FILE controls the radio");
  opt.group("Options");
}

std::optional<std::string> check_web_options(const WebOptions& o,
                                             const std::vector<platform::Cidr>& allow) {
  if (!o.enabled) {
    if (o.readonly || !o.token_path.empty()) {
      return "--http-readonly and --http-token go with --http ADDR:PORT";
    }
    return std::nullopt;
  }
  if (o.readonly && !o.token_path.empty()) {
    return "--http-readonly and --http-token exclude each other: a read-only page has no token "
           "to present";
  }
  if (!platform::is_loopback(o.http.address)) {
    if (allow.empty()) {
      return "--http " + o.http.address + " reaches beyond this machine: say who may connect " +
             "with --allow";
    }
    if (!o.readonly && o.token_path.empty()) {
      return "--http " + o.http.address + " reaches beyond this machine: pages from there need " +
             "--http-token FILE to control the radio, or --http-readonly";
    }
  }
  return std::nullopt;
}

std::string read_token(const std::string& path) {
  std::ifstream in(path);
  std::string line;
  if (!in || !std::getline(in, line)) {
    throw std::runtime_error("cannot read the token in " + path);
  }
  const auto first = line.find_first_not_of(" \t\r");
  const auto last = line.find_last_not_of(" \t\r");
  line = first == std::string::npos ? "" : line.substr(first, last - first + 1);
  if (line.size() < kShortestToken) {
    throw std::runtime_error("the token in " + path + " is shorter than " +
                             std::to_string(kShortestToken) + " characters");
  }
  return line;
}

LinkReport link_report(const std::string& health) {
  LinkReport r;
  r.text = health;
  r.health = health.starts_with("port lost") ? LinkReport::Health::kLost
             : health == "answering"         ? LinkReport::Health::kAnswering
                                             : LinkReport::Health::kSilent;
  return r;
}

WebHost::WebHost(share::ShareServer& server, platform::Apartment& apt, TOVRAK_Protocol& rig,
                 platform::Apartment& radio_apt, const WebOptions& o, PageHub::LinkSource link,
                 std::function<void(const std::string&)> log)
    : address_(o.http.address),
      hub_(server, apt, steady_ms, wall_ms, hub_options(o), std::move(link),
           component_width(rig, radio_apt, apt)),
      server_(apt, hub_, o.http, std::move(log)) {}

std::string WebHost::endpoint() const {
  return "http " + address_ + ":" + std::to_string(server_.port());
}

}  // namespace tovrak::web
