// tovrak share: the component owns the radio and shares it among client
// programs on pseudo-terminals and TCP connections (see hosts/share/server).
#include <time.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/link_watch.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/port_options.hpp"
#include "hosts/cli/script.hpp"
#include "hosts/cli/terminal.hpp"
#include "hosts/cli/web_host.hpp"
#include "hosts/share/server.hpp"
#include "hosts/share/share_host.hpp"
#include "hosts/share/status_view.hpp"
#include "hosts/sim/sim_on_pty.hpp"
#include "platform/posix/endpoints/stream_endpoints.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::hosts {

namespace {

constexpr uint16_t kDefaultSharePort = 7373;

constexpr const char* kDescription =
    R"(Opens the radio, switches CAT on and lets several programs use it at once,
each as if it had the radio's serial port to itself. Queries are answered at
once from what the component knows; settings go to the radio one whole
command at a time; automatic information is kept per program.

  tovrak share --port PATH [port options] ENDPOINT... [options]
  tovrak share --sim [radio options] ENDPOINT... [options]

ENDPOINT is --pty PATH or --listen ADDR:PORT, each as often as wanted, or
--http ADDR:PORT: the station's page for a browser.)";

constexpr const char* kFooter = R"(
Example, the simulated radio shared by two programs:
  tovrak share --sim --pty /tmp/radio-a --pty /tmp/radio-b
  tovrak monitor --port /tmp/radio-a
The station in a browser at http://127.0.0.1:7374/:
  tovrak share --sim --http 127.0.0.1:7374
)";

struct ShareCommandOptions {
  PortOptions port;
  bool use_sim = false;
  sim::SimOptions sim;
  std::vector<std::string> ptys;
  std::vector<std::pair<std::string, uint16_t>> listens;
  std::vector<platform::Cidr> allow;
  share::ShareOptions server;
  bool plain = false;
  std::string log_path;
  web::WebOptions web;
};

// An option that may be given again and again; `take` reads each value.
void repeated(Options& opt, const std::string& name, const std::string& value_name,
              const std::string& help, std::function<void(const std::string&)> take) {
  opt.app()
      .add_option_function<std::vector<std::string>>(
          name,
          [take](const std::vector<std::string>& values) {
            try {
              for (const auto& v : values) take(v);
            } catch (const std::invalid_argument& e) {
              throw CLI::ValidationError(e.what());
            }
          },
          help)
      ->type_name(value_name)
      ->group("Endpoints");
}

// Declares the command's options on `opt`; 0 or 2 when the command ends
// (help, usage mistake), nothing when it goes on.
std::optional<int> parse_share_options(const Args& args, ShareCommandOptions& o) {
  o.sim.id = 19;
  Options opt("share", kDescription);
  repeated(opt, "--pty", "PATH", "a pseudo-terminal reached through the link PATH",
           [&](const std::string& v) { o.ptys.push_back(v); });
  repeated(opt, "--listen", "ADDR:PORT",
           "a TCP port (ADDR 127.0.0.1 and PORT " + std::to_string(kDefaultSharePort) +
               " unless given); another address than loopback needs --allow",
           [&](const std::string& v) {
             std::string address;
             uint16_t port = 0;
             platform::parse_listen(v, kDefaultSharePort, address, port);
             o.listens.emplace_back(address, port);
           });
  repeated(opt, "--allow", "CIDR", "a network that may connect besides loopback (10.0.0.0/8)",
           [&](const std::string& v) { o.allow.push_back(platform::Cidr::parse(v)); });
  opt.group("Options");
  opt.whole("--max-clients", o.server.max_clients, 1, 1000, "N", "most programs at once (16)");
  opt.number("--tx-timeout", o.server.tx_timeout_s, 1, 3600, "S",
             "release any transmission held longer than S seconds");
  opt.flag("--plain", o.plain, "a log of events on standard output instead of the view");
  opt.text("--log", o.log_path, "FILE",
           "append every client command and answer and every radio write, with times");
  opt.flag("--sim", o.use_sim, "share the simulated radio on a pseudo-terminal of its own");
  add_port_options(opt, o.port);
  add_sim_options(opt, o.sim);
  web::add_web_options(opt, o.web);
  opt.footer(kFooter);
  if (auto status = opt.parse(args)) return status;
  if (auto why = web::check_web_options(o.web, o.allow)) return opt.usage_error(*why);
  if (o.use_sim == o.port.given) return opt.usage_error("say which radio: --port PATH or --sim");
  if (!o.use_sim && opt.any_given(kSimGroup)) {
    return opt.usage_error("the radio options shape the simulated radio: add --sim");
  }
  if (o.ptys.empty() && o.listens.empty() && !o.web.enabled) {
    return opt.usage_error(
        "give at least one endpoint: --pty PATH, --listen ADDR:PORT or --http ADDR:PORT");
  }
  for (const auto& [address, port] : o.listens) {
    if (!platform::is_loopback(address) && o.allow.empty()) {
      return opt.usage_error("--listen " + address +
                             " reaches beyond this machine: say who may connect with --allow");
    }
  }
  return std::nullopt;
}

std::string wall_time() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d.%03ld", local.tm_hour, local.tm_min, local.tm_sec,
                now.tv_nsec / 1'000'000);
  return buf;
}

}  // namespace

int cmd_share(const Args& args) {
  ShareCommandOptions o;
  if (auto status = parse_share_options(args, o)) return *status;

  std::ofstream log_file;
  if (!o.log_path.empty()) {
    log_file.open(o.log_path, std::ios::app);
    if (!log_file) {
      std::cerr << "tovrak share: cannot write the log " << o.log_path << '\n';
      return 1;
    }
  }

  catch_interrupts();
  std::optional<SimOnPty> radio;
  if (o.use_sim) {
    radio.emplace(o.sim);
    o.port.path = radio->path();
  }
  // The clients' apartment runs on this thread; the component has one of
  // its own, so that its waits never hold up an answer.
  platform::PosixApartment apt;
  auto now_ms = [] {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
  };
  share::ShareServer* server_ptr = nullptr;
  // Link health: the last answer and the bytes of the last few seconds.
  int64_t last_answer_ms = -1, written = 0, read = 0;
  hosts::LinkHealth link;  // what the web page shows of the link
  std::unique_ptr<share::RadioThread> radio_thread;
  try {
    radio_thread = std::make_unique<share::RadioThread>(
        [&](TOVRAK_Protocol& rig) {
          o.port.apply(rig);
          rig.put_Port(1);
        },
        [&](char direction, std::string bytes) {
          apt.post([&, direction, bytes = std::move(bytes)] {
            if (!server_ptr) return;
            const double t = static_cast<double>(now_ms()) / 1000.0;
            if (direction == 'L') {
              link.lost(t, bytes);
            } else if (direction == 'R') {
              link.heard(t);
              last_answer_ms = now_ms();
              read += static_cast<int64_t>(bytes.size());
              server_ptr->radio_read(bytes);
            } else {
              link.wrote(t);
              written += static_cast<int64_t>(bytes.size());
              server_ptr->radio_wrote(bytes);
            }
          });
        });
  } catch (const std::exception& e) {
    std::cerr << "tovrak share: " << e.what() << '\n';
    return 1;
  }

  const bool view = !o.plain && Terminal::interactive();
  share::ShareServer server(radio_thread->rig(), radio_thread->apartment(), apt, now_ms, o.server);
  server_ptr = &server;
  share::LinkHealth health;
  health.port = o.use_sim ? "simulated (" + o.port.path + ")" : o.port.path;

  std::vector<std::string> notes;  // the view's last few notes
  server.trace([&](char kind, int client, std::string_view text) {
    if (log_file) {
      log_file << wall_time() << ' ' << kind << ' '
               << (client < 0 ? std::string("radio") : "client " + std::to_string(client)) << ' '
               << format_bytes(text) << std::endl;
    }
    if (kind != 'N') return;
    std::string line = wall_time() + " " +
                       (client < 0 ? std::string() : "client " + std::to_string(client) + ": ") +
                       std::string(text);
    if (view) {
      notes.push_back(line);
      if (notes.size() > 8) notes.erase(notes.begin());
    } else {
      std::cout << line << std::endl;
    }
  });

  share::ClientGlue glue(server);
  auto handler_for = [&](const std::string& kind) {
    return glue.handler(kind, [&](const std::string& line) {
      if (log_file) log_file << wall_time() << " N " << line << std::endl;
      if (!view) std::cout << wall_time() << ' ' << line << std::endl;
    });
  };

  std::vector<std::unique_ptr<platform::PtyEndpoint>> ptys;
  std::vector<std::unique_ptr<platform::TcpEndpoint>> listeners;
  std::vector<std::string> endpoints;
  try {
    for (const auto& path : o.ptys) {
      ptys.push_back(std::make_unique<platform::PtyEndpoint>(apt, path, handler_for("pty")));
      endpoints.push_back("pty " + path + " -> " + ptys.back()->device());
    }
    for (const auto& [addr, port] : o.listens) {
      listeners.push_back(
          std::make_unique<platform::TcpEndpoint>(apt, addr, port, o.allow, handler_for("tcp")));
      endpoints.push_back("tcp " + addr + ":" + std::to_string(listeners.back()->port()));
    }
  } catch (const std::exception& e) {
    std::cerr << "tovrak share: " << e.what() << '\n';
    return 1;
  }

  // The station's page: one more client of the server, served from a
  // thread of its own.
  std::unique_ptr<web::WebHost> web_host;
  if (o.web.enabled) {
    try {
      web_host = std::make_unique<web::WebHost>(
          server, apt, radio_thread->rig(), radio_thread->apartment(), o.web,
          [&] { return web::link_report(link, static_cast<double>(now_ms()) / 1000.0); },
          [&](const std::string& line) {
            if (log_file) log_file << wall_time() << " N " << line << std::endl;
            if (!view) std::cout << wall_time() << ' ' << line << std::endl;
          });
      endpoints.push_back(web_host->endpoint());
    } catch (const std::exception& e) {
      std::cerr << "tovrak share: " << e.what() << '\n';
      return 1;
    }
  }

  if (!view) {
    std::cout << wall_time() << " sharing " << health.port << '\n';
    for (const auto& e : endpoints) std::cout << wall_time() << " endpoint " << e << '\n';
    std::cout << std::flush;
  }

  std::optional<Terminal> term;
  if (view) term.emplace();
  int64_t last_ms = now_ms(), last_written = 0, last_read = 0;
  while (!interrupted()) {
    apt.run_for(std::chrono::milliseconds(250));
    const int64_t t = now_ms();
    if (t - last_ms >= 1000) {
      const double span = static_cast<double>(t - last_ms) / 1000.0;
      health.written_per_s = static_cast<double>(written - last_written) / span;
      health.read_per_s = static_cast<double>(read - last_read) / span;
      last_written = written;
      last_read = read;
      last_ms = t;
    }
    health.since_answer_s =
        last_answer_ms < 0 ? -1 : static_cast<double>(t - last_answer_ms) / 1000.0;
    if (term) {
      for (int k = term->key(); k >= 0; k = term->key()) {
        if (k == 'q') return 0;
      }
      std::string screen = share::render_status(health, endpoints, server.clients(), term->width());
      screen += "\n";
      for (const auto& n : notes) screen += n + "\n";
      screen += "\nq or Ctrl-C ends.";
      term->draw(screen);
    }
  }
  if (log_file) log_file.flush();
  return 0;
}

}  // namespace tovrak::hosts
