// The sharing server: the component owns the radio, and any number of client
// programs talk to the server as if it were the radio's own serial port.
//
// - Queries are answered at once from the mirror of the radio's state, in
//   the radio's layouts; a query the mirror cannot answer yet is written to
//   the radio's port by the station (spaced from the component's commands,
//   one at a time), and the radio's answer with that code goes back to the
//   client that asked as soon as the component's receive path takes it: one
//   round trip of the radio's. Nothing, when the radio stays silent for
//   kForwardTimeoutMs or the port is closed or lost; the component's model
//   learns the answer as any other.
// - Settings go to the radio through the component's command path, one whole
//   command at a time from one queue; the mirror and the component's model
//   take the value at once, so every client reading next sees it.
// - Automatic information is kept per client and never reaches the radio:
//   a client that switches it on is told, unsolicited, of changes of the
//   frequencies, modes, VFO, split, transmit and S-meter.
// - A client that keys the transmitter and goes away has it released at
//   once; a transmission held longer than the transmit timeout is released.
// - Bad input (anything the radio's command set does not read) gets the
//   radio's error answer "?;" and reaches nothing else; a client whose
//   commands pile up beyond its queue is disconnected, and the settings it
//   left unwritten are forgotten (the radio is asked again).
// - Only a client allowed to transmit keys the transmitter, plays a message,
//   starts the tuner or switches the power; another gets "?;".
// - The radio's "?;" echoed back by a client's terminal is no command: it
//   gets no answer, so an echoing terminal does not ping-pong.
// - When the radio's port is lost, nothing is answered from the old state.
//
// The server runs on the component's apartment thread. Endpoints (a
// pseudo-terminal, a TCP connection, a test's fake) give it bytes with
// receive() and take its bytes through their ClientLink.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hosts/share/mirror.hpp"
#include "hosts/station/tapped_apartment.hpp"
#include "tovrak/platform.hpp"
#include "tovrak/protocol.hpp"

namespace tovrak::share {

// A client's end as the server sees it.
class ClientLink {
 public:
  virtual ~ClientLink() = default;
  virtual void send(std::string_view bytes) = 0;
  // The server ends the connection (a flood). The endpoint does not call
  // detach() for it: the server forgets the client itself.
  virtual void close() = 0;
};

struct ShareOptions {
  int max_clients = 16;
  // Longest transmission in seconds before the server releases it; 0: none.
  double tx_timeout_s = 0;
  // Longest text without ";" a client may send; beyond it the text is
  // refused with "?;" and thrown away.
  size_t line_limit = 128;
  // Commands of one client waiting behind the radio; beyond, disconnected.
  size_t queue_limit = 64;
  // When the server is full, a limited client silent this long makes room
  // for a new one.
  int64_t idle_ms = 30'000;
};

struct ClientInfo {
  int id = 0;
  std::string endpoint;
  std::string last_command;
  int64_t commands = 0;
  int64_t from_state = 0;  // answered at once from the mirror
  int64_t to_radio = 0;    // settings and queries written to the radio
  int64_t errors = 0;      // "?;" answers
  bool ai = false;
  bool keyed = false;
  bool may_transmit = true;
  bool waiting = false;  // its commands wait behind a query on its way to the radio
};

// How a client came: whether it may transmit, and whether it counts toward
// the most clients (a pseudo-terminal's station program always gets in).
struct ClientKind {
  bool may_transmit = true;
  bool limited = true;
};

// What the server does, for a log: kind 'C' a client's command, 'A' an
// answer to a client, 'W' a write to the radio, 'R' the radio's answer,
// 'N' a note (connections, releases, floods). client is -1 for the radio.
using ShareTrace = std::function<void(char kind, int client, std::string_view text)>;

class ShareServer {
 public:
  static constexpr int kForwardTimeoutMs = 500;
  // Most bytes of the radio's kept while waiting for a ";".
  static constexpr size_t kRadioLineLimit = 1024;

  // `rig` is the component on `radio_apt` with its port open and CAT on;
  // the server calls it, and writes forwarded queries to its port, only
  // through tasks posted there, so the component's waits (command spacing)
  // never hold up the clients. The server itself
  // runs on `apt` (its endpoints' apartment; the same one in tests), and every
  // call of it is made there. `now_ms` is a monotonic clock in milliseconds.
  // The server taps nothing itself: the host passes the component's port
  // bytes to radio_read()/radio_wrote() on `apt`. `rig` and `radio_apt`
  // outlive the server and its posted tasks.
  ShareServer(TOVRAK_Protocol& rig, station::TappedApartment& radio_apt, platform::Apartment& apt,
              std::function<int64_t()> now_ms, ShareOptions options = {});
  ~ShareServer();
  ShareServer(const ShareServer&) = delete;
  ShareServer& operator=(const ShareServer&) = delete;

  void trace(ShareTrace t) { trace_ = std::move(t); }
  // Also tells `w` everything it traces: a front end that follows the
  // server (the web page) learns of each change as it happens.
  void watch(ShareTrace w) { watchers_.push_back(std::move(w)); }

  // A client arrives; its id, or -1 when the server is full.
  int attach(ClientLink& link, std::string endpoint, ClientKind kind = {});
  // Bytes from a client.
  void receive(int id, std::string_view bytes);
  // The client is gone (closed, died): its transmission is released.
  void detach(int id);

  // The component's port: bytes read from the radio and written to it.
  void radio_read(std::string_view bytes);
  void radio_wrote(std::string_view bytes);
  // The radio's port is lost: what is known of the radio is forgotten, and
  // learned again from its answers once the port is back.
  void radio_lost();

  std::vector<ClientInfo> clients() const;
  const RadioMirror& mirror() const { return mirror_; }
  int64_t radio_bytes_written() const { return radio_bytes_written_; }
  int64_t answers_from_state() const { return answers_from_state_; }
  // Bytes of the radio's waiting for their ";".
  size_t radio_backlog() const { return radio_line_.size(); }

 private:
  struct Client;
  struct Job {
    int client;  // -1: the server's own (a release)
    std::string text;
    bool query;
    std::vector<int> also = {};  // other clients of the same query, answered together
  };

  Client* find(int id);
  void service(Client& c);
  // Handles one command; false when the client must wait for the radio.
  bool handle(Client& c, const std::string& cmd);
  void reply(Client& c, std::string_view text);
  void error(Client& c);
  void enqueue(Job job, bool front = false);
  void kick();
  void written(bool sent);
  // The query of this text already on its way to the radio or waiting for
  // its turn, if any: a client asking the same waits for the same answer.
  Job* same_query(const std::string& text);
  // Its queries go on for the other clients that asked the same.
  void leave_queries(int client);
  void inject(const std::string& setting);
  void answer_arrived(std::string_view answer);
  void forward_timed_out();
  // The forwarded query is over: noted with `why` and its text (unless
  // `why` is empty), `done` run for each of its clients still here, each
  // going on with its next command, the next job written.
  void forward_ended(const std::string& why, const std::function<void(Client&)>& done);
  void notify_changes(int origin);
  void release_tx(const std::string& why);
  void forget_unwritten(int client);
  bool make_room();
  void check_tx();
  void drop(Client& c, const std::string& why);
  void note(int client, const std::string& text);
  void emit(char kind, int client, std::string_view text);

  TOVRAK_Protocol& rig_;
  station::TappedApartment& radio_apt_;
  platform::Apartment& apt_;
  std::function<int64_t()> now_ms_;
  ShareOptions opt_;
  ShareTrace trace_;
  std::vector<ShareTrace> watchers_;
  RadioMirror mirror_;

  std::map<int, std::unique_ptr<Client>> clients_;
  int next_id_ = 1;

  std::deque<Job> jobs_;
  std::optional<Job> writing_;   // its write task is posted or running
  std::optional<Job> awaiting_;  // a forwarded query waiting for its answer
  int64_t awaiting_until_ = 0;
  int last_writer_ = -1;  // the client of the last write, for "?;"
  int64_t last_write_ms_ = 0;
  std::string radio_line_;
  bool radio_skipping_ = false;  // noise without ";" thrown away up to the next

  std::map<std::string, std::string> told_;  // automatic information last told
  std::map<std::string, int64_t> held_;      // answer codes not learned until then
  int tx_owner_ = -1;
  int64_t tx_since_ = -1;
  bool releasing_ = false;   // a release's TX0 not yet written to the radio
  int64_t refused_at_ = -1;  // the last refusal of a client told
  int refused_since_ = 0;    // refusals not told since
  std::unique_ptr<platform::Timer> ticker_;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

  int64_t radio_bytes_written_ = 0;
  int64_t answers_from_state_ = 0;
};

}  // namespace tovrak::share
