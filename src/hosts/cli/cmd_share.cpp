// tovrak share: the component owns the radio and shares it among client
// programs on pseudo-terminals and TCP connections (see hosts/share/server).
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <iostream>
#include <map>
#include <memory>
#include <optional>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/options.hpp"
#include "hosts/cli/port_options.hpp"
#include "hosts/cli/script.hpp"
#include "hosts/cli/terminal.hpp"
#include "hosts/cli/web_host.hpp"
#include "hosts/share/server.hpp"
#include "hosts/share/share_host.hpp"
#include "hosts/share/status_view.hpp"
#include "hosts/sim/sim_on_pty.hpp"
#include "hosts/station/station.hpp"
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
  bool allow_tx = false;
  std::string log_path;
  double log_limit_mb = 64;
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
  opt.whole("--max-clients", o.server.max_clients, 1, 1000, "N",
            "most programs on TCP at once (16); a program on a pseudo-terminal always gets in");
  opt.flag("--allow-tx", o.allow_tx,
           "let programs on TCP transmit and switch the power (those on a pseudo-terminal may)");
  opt.number("--tx-timeout", o.server.tx_timeout_s, 1, 3600, "S",
             "release any transmission held longer than S seconds");
  opt.flag("--plain", o.plain, "a log of events on standard output instead of the view");
  opt.text("--log", o.log_path, "FILE",
           "append every client command and answer and every radio write, with times");
  opt.number("--log-limit", o.log_limit_mb, 1, 100000, "MB",
             "start the log anew past MB megabytes, the old lines kept in FILE.1 (64)");
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

int64_t now_ms() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// What this thread shows of the radio's port: the station's word for the
// link's health, and the bytes of the last few seconds.
struct PortWatch {
  int64_t written = 0, read = 0;
  int64_t last_ms = now_ms(), last_written = 0, last_read = 0;
  share::LinkStatus status;
  std::function<void(const std::string&)> on_note;  // the port lost, what the station did

  // Once a second the rates; every time the health.
  void update(share::RadioThread& radio) {
    const int64_t t = now_ms();
    if (t - last_ms >= 1000) {
      const double span = static_cast<double>(t - last_ms) / 1000.0;
      status.written_per_s = static_cast<double>(written - last_written) / span;
      status.read_per_s = static_cast<double>(read - last_read) / span;
      last_written = written;
      last_read = read;
      last_ms = t;
    }
    status.health = radio.link();
  }
};

// The clients' side: the server, its endpoints and the view, on this
// thread, until q, a signal or a failing endpoint; its exit status. The
// radio thread's news reaches `watch` and the server through `apt`.
int serve(const ShareCommandOptions& o, platform::PosixApartment& apt,
          share::RadioThread& radio_thread, station::WireLog& log, PortWatch& watch,
          share::ShareServer*& server_ptr, std::vector<std::string>& notes) {
  const bool view = !o.plain && Terminal::interactive();
  std::optional<PlainOut> out;
  if (!view) out.emplace();
  auto plain = [&](const std::string& line) { out->line(wall_time() + " " + line); };
  share::ShareServer server(radio_thread.rig(), radio_thread.apartment(), apt, now_ms, o.server);
  // The news that still comes finds the server and the view gone.
  struct Forget {
    share::ShareServer*& server;
    PortWatch& watch;
    ~Forget() {
      server = nullptr;
      watch.on_note = nullptr;
    }
  } forget{server_ptr, watch};
  server_ptr = &server;

  auto say = [&](const std::string& line) {
    if (view) {
      notes.push_back(wall_time() + " " + line);
      if (notes.size() > 8) notes.erase(notes.begin());
    } else {
      plain(line);
    }
  };
  // The log has the radio's wire from the station; the clients' commands
  // and answers, and the notes, come from here.
  server.trace([&](char kind, int client, std::string_view text) {
    const std::string who = client < 0 ? "" : "client " + std::to_string(client) + ": ";
    if (kind == 'C' || kind == 'A') log.line(kind + std::to_string(client), text);
    if (kind != 'N') return;
    log.note(who + std::string(text));
    say(who + std::string(text));
  });
  watch.on_note = say;

  share::ClientGlue glue(server);
  auto handler_for = [&](const std::string& name, share::ClientKind kind) {
    return glue.handler(name, kind, [&](const std::string& line) {
      log.note(line);
      if (!view) plain(line);
    });
  };

  std::vector<std::unique_ptr<platform::PtyEndpoint>> ptys;
  std::vector<std::unique_ptr<platform::TcpEndpoint>> listeners;
  std::vector<std::string> endpoints;
  try {
    for (const auto& path : o.ptys) {
      ptys.push_back(std::make_unique<platform::PtyEndpoint>(
          apt, path, handler_for("pty", {.may_transmit = true, .limited = false})));
      endpoints.push_back("pty " + path + " -> " + ptys.back()->device());
    }
    for (const auto& [addr, port] : o.listens) {
      listeners.push_back(std::make_unique<platform::TcpEndpoint>(
          apt, addr, port, o.allow,
          handler_for("tcp", {.may_transmit = o.allow_tx, .limited = true})));
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
          server, apt, radio_thread.rig(), radio_thread.apartment(), o.web,
          [&] { return web::link_report(radio_thread.link()); },
          [&](const std::string& line) {
            log.note(line);
            if (!view) plain(line);
          });
      endpoints.push_back(web_host->endpoint());
    } catch (const std::exception& e) {
      std::cerr << "tovrak share: " << e.what() << '\n';
      return 1;
    }
  }

  if (!view) {
    plain("sharing " + watch.status.port);
    for (const auto& e : endpoints) plain("endpoint " + e);
  }

  std::optional<Terminal> term;
  if (view) term.emplace();
  while (!interrupted()) {
    apt.run_for(std::chrono::milliseconds(250));
    watch.update(radio_thread);
    if (out) out->flush();
    log.flush();
    if (!term) continue;
    for (int k = term->key(); k >= 0; k = term->key()) {
      if (k == 'q') return 0;
    }
    std::string screen =
        share::render_status(watch.status, endpoints, server.clients(), term->width());
    screen += "\n";
    for (const auto& n : notes) screen += n + "\n";
    screen += "\nq or Ctrl-C ends.";
    term->draw(share::screen_frame(screen, term->width(), term->height()));
  }
  return 0;
}

}  // namespace

int cmd_share(const Args& args) {
  ShareCommandOptions o;
  if (auto status = parse_share_options(args, o)) return *status;

  auto log = std::make_shared<station::WireLog>();
  try {
    if (!o.log_path.empty()) {
      log->open(o.log_path, static_cast<long long>(o.log_limit_mb * 1024 * 1024));
    }
  } catch (const std::exception& e) {
    std::cerr << "tovrak share: " << e.what() << '\n';
    return 1;
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
  PortWatch watch;
  watch.status.port = o.use_sim ? "simulated (" + o.port.path + ")" : o.port.path;
  share::ShareServer* server = nullptr;
  std::vector<std::string> notes;  // the view's last few notes
  std::unique_ptr<share::RadioThread> radio_thread;
  try {
    radio_thread = std::make_unique<share::RadioThread>(
        [&](station::Station& station) {
          station.share_log(log);
          o.port.apply(station.rig());
        },
        [&](char what, std::string text) {
          apt.post([&, what, text = std::move(text)] {
            if (what == 'R') {
              watch.read += static_cast<int64_t>(text.size());
              if (server) server->radio_read(text);
            } else if (what == 'W') {
              watch.written += static_cast<int64_t>(text.size());
              if (server) server->radio_wrote(text);
            } else {
              if (what == 'L' && server) server->radio_lost();
              const std::string line = what == 'L' ? "port lost: " + text : text;
              log->note(line);
              if (watch.on_note) watch.on_note(line);
            }
          });
        });
  } catch (const PortRefused& e) {
    return Options("share", kDescription).usage_error(e.what());
  } catch (const std::exception& e) {
    std::cerr << "tovrak share: " << e.what() << '\n';
    return 1;
  }
  const int status = serve(o, apt, *radio_thread, *log, watch, server, notes);
  // The clients are gone: the radio's station leaves the radio safe.
  const std::string done = radio_thread->end();
  if (!done.empty()) std::cerr << "tovrak share: " << done << '\n';
  return status;
}

}  // namespace tovrak::hosts
