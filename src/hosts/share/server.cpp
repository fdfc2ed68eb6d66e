#include "hosts/share/server.hpp"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "radio/command_table.hpp"
#include "radio/digits.hpp"
#include "radio/parse.hpp"

namespace tovrak::share {

namespace {

constexpr int32_t kTickMs = 50;
// After a client's setting is written, the radio's answers of that code are
// not learned for this long: an answer already on its way tells the value
// before the setting.
constexpr int64_t kSettleMs = 300;
constexpr int64_t kHoldLimitMs = 10'000;

// The answer codes a setting's code makes stale until it is written.
std::vector<std::string> held_by(std::string_view code) {
  std::vector<std::string> out{std::string(code)};
  if (code == "FA" || code == "FB" || code == "MD" || code == "VS") {
    out.insert(out.end(), {"IF", "OI"});
  }
  return out;
}
// A "?;" of the radio this soon after a client's write is that client's.
constexpr int64_t kRefusalWindowMs = 250;

// A code of the radio's command set; any other is refused without reaching
// the radio.
bool known_code(std::string_view cmd) {
  return cmd.size() >= 2 && !radio::CommandsOf(cmd.substr(0, 2)).empty();
}

// Settings that key the transmitter, play a message on the air, start the
// tuner (which transmits) or switch the radio's power: only from a client
// allowed to transmit. Releasing the transmitter is anyone's.
bool transmits(std::string_view cmd) {
  if (cmd == "TX0") return false;
  const std::string_view code = cmd.substr(0, 2);
  return code == "TX" || code == "KY" || code == "PB" || code == "AC" || code == "PS";
}

// A refused client is told in the log at most this often.
constexpr int64_t kRefusalNoteMs = 5'000;

bool printable(std::string_view cmd) {
  return std::all_of(cmd.begin(), cmd.end(), [](char ch) { return ch >= 0x20 && ch <= 0x7E; });
}

}  // namespace

struct ShareServer::Client {
  int id;
  ClientLink* link;
  ClientInfo info;
  std::string line;
  bool discarding = false;  // an overlong text is thrown away up to its ";"
  ClientKind kind;
  int64_t last_heard = 0;
  std::deque<std::string> pending;
  size_t jobs = 0;  // commands of this client in the radio's queue
  bool waiting = false;
  bool dead = false;
};

ShareServer::ShareServer(TOVRAK_Protocol& rig, station::TappedApartment& radio_apt,
                         platform::Apartment& apt, std::function<int64_t()> now_ms,
                         ShareOptions options)
    : rig_(rig), radio_apt_(radio_apt), apt_(apt), now_ms_(std::move(now_ms)), opt_(options) {
  ticker_ = apt_.create_timer(kTickMs, false, [this] {
    if (awaiting_ && now_ms_() >= awaiting_until_) forward_timed_out();
    check_tx();
  });
}

ShareServer::~ShareServer() {
  *alive_ = false;
  ticker_.reset();
}

void ShareServer::emit(char kind, int client, std::string_view text) {
  if (trace_) trace_(kind, client, text);
  for (const auto& w : watchers_) w(kind, client, text);
}

void ShareServer::note(int client, const std::string& text) { emit('N', client, text); }

ShareServer::Client* ShareServer::find(int id) {
  auto it = clients_.find(id);
  return it == clients_.end() || it->second->dead ? nullptr : it->second.get();
}

int ShareServer::attach(ClientLink& link, std::string endpoint, ClientKind kind) {
  const auto limited = std::ranges::count_if(
      clients_, [](const auto& e) { return e.second->kind.limited && !e.second->dead; });
  if (kind.limited && limited >= opt_.max_clients && !make_room()) {
    // A client that keeps knocking fills no log: one line now and then.
    const int64_t now = now_ms_();
    if (refused_at_ < 0 || now - refused_at_ >= kRefusalNoteMs) {
      std::string more =
          refused_since_ > 0 ? " (and " + std::to_string(refused_since_) + " more since)" : "";
      note(-1, "refused a client on " + endpoint + ": " + std::to_string(opt_.max_clients) +
                   " clients already" + more);
      refused_at_ = now;
      refused_since_ = 0;
    } else {
      ++refused_since_;
    }
    return -1;
  }
  int id = next_id_++;
  auto c = std::make_unique<Client>();
  c->id = id;
  c->link = &link;
  c->kind = kind;
  c->last_heard = now_ms_();
  c->info.id = id;
  c->info.endpoint = std::move(endpoint);
  c->info.may_transmit = kind.may_transmit;
  note(id, "connected on " + c->info.endpoint);
  clients_.emplace(id, std::move(c));
  return id;
}

// The longest silent limited client, silent for the idle time at least,
// goes to make room; false when every one has spoken lately.
bool ShareServer::make_room() {
  Client* idle = nullptr;
  for (auto& [id, c] : clients_) {
    if (c->dead || !c->kind.limited) continue;
    if (!idle || c->last_heard < idle->last_heard) idle = c.get();
  }
  const int64_t now = now_ms_();
  if (!idle || now - idle->last_heard < opt_.idle_ms) return false;
  drop(*idle, "silent for " + std::to_string((now - idle->last_heard) / 1000) +
                  " s while the server is full");
  return true;
}

void ShareServer::detach(int id) {
  auto it = clients_.find(id);
  if (it == clients_.end()) return;
  if (!it->second->dead) note(id, "disconnected");
  clients_.erase(it);
  // Its settings still go to the radio (a program may write and close at
  // once); its queries have nobody to answer, and nothing keys for it.
  leave_queries(id);
  std::erase_if(jobs_,
                [id](const Job& j) { return j.client == id && (j.query || transmits(j.text)); });
  if (tx_owner_ == id) release_tx("client " + std::to_string(id) + " left while transmitting");
}

void ShareServer::leave_queries(int client) {
  auto leave = [client](Job& j) {
    std::erase(j.also, client);
    if (j.query && j.client == client && !j.also.empty()) {
      j.client = j.also.front();
      j.also.erase(j.also.begin());
    }
  };
  for (Job& j : jobs_) leave(j);
  if (writing_) leave(*writing_);
  if (awaiting_) leave(*awaiting_);
}

// The settings a dropped client leaves unwritten never reach the radio: what the
// mirror took of them is forgotten, so that nobody reads a value the radio
// never had; the next query asks the radio.
void ShareServer::forget_unwritten(int client) {
  leave_queries(client);
  for (const Job& j : jobs_) {
    if (j.client != client || j.query) continue;
    for (const auto& h : held_by(std::string_view(j.text).substr(0, 2))) held_.erase(h);
    mirror_.forget_setting(j.text);
  }
  std::erase_if(jobs_, [client](const Job& j) { return j.client == client; });
}

void ShareServer::drop(Client& c, const std::string& why) {
  note(c.id, why + "; disconnected");
  c.dead = true;
  c.pending.clear();
  const int id = c.id;
  forget_unwritten(id);
  c.link->close();
  std::weak_ptr<bool> alive = alive_;
  apt_.post([this, alive, id] {
    if (auto a = alive.lock(); a && *a) detach(id);
  });
}

std::vector<ClientInfo> ShareServer::clients() const {
  std::vector<ClientInfo> out;
  for (const auto& [id, c] : clients_) {
    if (c->dead) continue;
    ClientInfo i = c->info;
    i.keyed = tx_owner_ == id;
    i.waiting = c->waiting;
    out.push_back(std::move(i));
  }
  return out;
}

void ShareServer::receive(int id, std::string_view bytes) {
  Client* c = find(id);
  if (!c) return;
  c->last_heard = now_ms_();
  for (char ch : bytes) {
    if (ch == ';') {
      if (!c->discarding) c->pending.push_back(std::move(c->line));
      c->line.clear();
      c->discarding = false;
    } else if (!c->discarding) {
      c->line += ch;
      if (c->line.size() > opt_.line_limit) {
        emit('C', id, c->line.substr(0, 32) + "...");
        error(*c);
        c->line.clear();
        c->discarding = true;
      }
    }
  }
  service(*c);
  if (!c->dead && c->pending.size() > opt_.queue_limit) {
    drop(*c, std::to_string(c->pending.size()) + " commands waiting (flood)");
  }
}

void ShareServer::service(Client& c) {
  while (!c.waiting && !c.dead && !c.pending.empty()) {
    std::string cmd = std::move(c.pending.front());
    c.pending.pop_front();
    handle(c, cmd);
  }
}

void ShareServer::reply(Client& c, std::string_view text) {
  std::string out(text);
  out += ';';
  emit('A', c.id, out);
  c.link->send(out);
}

void ShareServer::error(Client& c) {
  ++c.info.errors;
  reply(c, "?");
}

bool ShareServer::handle(Client& c, const std::string& raw) {
  // Line ends and blanks before a command are skipped, as the radio does.
  const std::string cmd(radio::SkipBlanks(raw));
  // The radio's error answer coming back from a terminal that echoes.
  if (cmd.empty() || cmd == "?") return true;
  ++c.info.commands;
  c.info.last_command = cmd;
  emit('C', c.id, cmd);
  if (!printable(cmd) || !known_code(cmd)) {
    error(c);
    return true;
  }
  std::string_view p = std::string_view(cmd).substr(2);
  if (cmd.starts_with("AI")) {  // the client's own automatic information
    if (p.empty()) {
      reply(c, c.info.ai ? "AI1" : "AI0");
    } else if (p == "0" || p == "1") {
      c.info.ai = p == "1";
    } else {
      error(c);
    }
    return true;
  }
  if (RadioMirror::is_query(cmd)) {
    if (auto a = mirror_.answer(cmd)) {
      ++c.info.from_state;
      ++answers_from_state_;
      reply(c, *a);
      return true;
    }
    ++c.info.to_radio;
    c.waiting = true;
    if (Job* same = same_query(cmd)) {
      same->also.push_back(c.id);
    } else {
      enqueue({c.id, cmd, true});
    }
    return false;
  }
  // A setting: read whole by the radio's command set, or refused.
  const radio::Parsed setting = radio::Parse(cmd, radio::Direction::kCommand, mirror_.id());
  if (!setting || setting.message.use != radio::kSetting) {
    error(c);
    return true;
  }
  if (transmits(cmd) && !c.info.may_transmit) {
    note(c.id, "may not transmit or switch the power: " + cmd + " refused");
    error(c);
    return true;
  }
  if (c.jobs + 1 > opt_.queue_limit) {
    drop(c, std::to_string(c.jobs + 1) + " settings waiting for the radio (flood)");
    return true;
  }
  // The mirror and the component's model take it now, the radio when its
  // turn in the queue comes.
  if (cmd == "TX1") {
    tx_owner_ = c.id;
  } else if (cmd == "TX0") {
    tx_owner_ = -1;
  }
  if (mirror_.learn_setting(cmd)) {
    inject(cmd);
    // Until the write; a setting dropped with its client holds no longer than this.
    for (const auto& h : held_by(std::string_view(cmd).substr(0, 2))) {
      held_[h] = now_ms_() + kHoldLimitMs;
    }
  }
  ++c.info.to_radio;
  ++c.jobs;
  enqueue({c.id, cmd, false});
  notify_changes(c.id);
  check_tx();
  return true;
}

void ShareServer::enqueue(Job job, bool front) {
  if (front) {
    jobs_.push_front(std::move(job));
  } else {
    jobs_.push_back(std::move(job));
  }
  kick();
}

void ShareServer::inject(const std::string& setting) {
  // The component's model takes the setting as if the radio had told it.
  radio_apt_.post([rig = &rig_, text = "$" + setting + ";"] {
    int16_t format = 0;
    rig->SetCommand(format, text);
  });
}

ShareServer::Job* ShareServer::same_query(const std::string& text) {
  auto same = [&](const std::optional<Job>& j) { return j && j->query && j->text == text; };
  if (same(awaiting_)) return &*awaiting_;
  if (same(writing_)) return &*writing_;
  auto it = std::ranges::find_if(jobs_, [&](const Job& j) { return j.query && j.text == text; });
  return it == jobs_.end() ? nullptr : &*it;
}

void ShareServer::kick() {
  if (writing_ || awaiting_ || jobs_.empty()) return;
  writing_ = std::move(jobs_.front());
  jobs_.pop_front();
  const Job& job = *writing_;
  if (Client* c = find(job.client); c && !job.query && c->jobs > 0) --c->jobs;
  // On the component's thread. A setting takes the component's command
  // path: spacing after the last command, the whole command written at
  // once, and the component's quarter second for the answer. A query is the
  // station's write alone, spaced from the component's: its answer comes
  // back through the receive path as soon as the radio gives it. The server
  // goes on answering meanwhile.
  std::weak_ptr<bool> alive = alive_;
  radio_apt_.post([this, alive, &apt = apt_, radio = &radio_apt_, rig = &rig_, text = job.text,
                   query = job.query] {
    bool sent = true;
    if (query) {
      sent = radio->send(text);
    } else {
      int16_t format = 0;
      rig->SetCommand(format, text);
    }
    apt.post([this, alive, sent] {
      if (auto a = alive.lock(); a && *a) written(sent);
    });
  });
}

void ShareServer::written(bool sent) {
  Job job = std::move(*writing_);
  writing_.reset();
  last_writer_ = job.client;
  last_write_ms_ = now_ms_();
  if (!job.query) {
    for (const auto& h : held_by(std::string_view(job.text).substr(0, 2))) {
      if (auto it = held_.find(h); it != held_.end()) it->second = last_write_ms_ + kSettleMs;
    }
  } else {
    awaiting_until_ = last_write_ms_ + kForwardTimeoutMs;
    awaiting_ = std::move(job);
    ticker_->set_enabled(true);
    // The port is closed or lost: no answer comes, as from a silent radio.
    if (!sent) return forward_timed_out();
  }
  kick();
}

void ShareServer::radio_wrote(std::string_view bytes) {
  radio_bytes_written_ += static_cast<int64_t>(bytes.size());
  emit('W', -1, bytes);
  // Released is what reached the radio's port, not what was meant to.
  if (releasing_ && bytes.find("TX0;") != std::string_view::npos) {
    releasing_ = false;
    note(-1, "transmitter released");
  }
}

void ShareServer::radio_lost() {
  note(-1, "the radio's port is lost: nothing is answered from what was known");
  mirror_.forget_all();
  held_.clear();
  radio_line_.clear();
  radio_skipping_ = false;
}

void ShareServer::radio_read(std::string_view bytes) {
  // Taken while the component reads; handled once it has decoded them.
  // Text without ";" longer than any answer is noise: it is thrown away up
  // to the next ";", so that the server's copy stays small.
  if (radio_skipping_) {
    const size_t semi = bytes.find(';');
    if (semi == std::string_view::npos) return;
    bytes.remove_prefix(semi + 1);
    radio_skipping_ = false;
  }
  const bool idle = radio_line_.find(';') == std::string::npos;
  radio_line_.append(bytes);
  const size_t last = radio_line_.rfind(';');
  const size_t kept = last == std::string::npos ? 0 : last + 1;
  if (radio_line_.size() - kept > kRadioLineLimit) {
    radio_line_.resize(kept);
    radio_skipping_ = true;
  }
  if (!idle || kept == 0) return;
  std::weak_ptr<bool> alive = alive_;
  apt_.post([this, alive] {
    if (auto a = alive.lock(); !a || !*a) return;
    size_t start = 0;
    for (size_t semi; (semi = radio_line_.find(';', start)) != std::string::npos;
         start = semi + 1) {
      const std::string answer(
          radio::SkipBlanks(std::string_view(radio_line_).substr(start, semi - start)));
      if (!answer.empty()) answer_arrived(answer);
    }
    radio_line_.erase(0, start);
  });
}

void ShareServer::answer_arrived(std::string_view a) {
  emit('R', -1, a);
  auto held = held_.find(std::string(a.substr(0, std::min<size_t>(2, a.size()))));
  if (held != held_.end() && now_ms_() >= held->second) {
    held_.erase(held);
    held = held_.end();
  }
  if (held == held_.end()) mirror_.learn_answer(a);
  if (a == "?") {
    if (awaiting_) {
      forward_ended("refused by the radio: ", [this](Client& c) { error(c); });
    } else if (Client* c = find(last_writer_);
               c && now_ms_() - last_write_ms_ <= kRefusalWindowMs) {
      error(*c);
    }
  } else if (awaiting_ && a.size() >= 2 && a.substr(0, 2) == awaiting_->text.substr(0, 2)) {
    forward_ended("", [this, a](Client& c) { reply(c, a); });
  }
  notify_changes(-1);
  check_tx();
}

void ShareServer::forward_timed_out() {
  if (awaiting_) forward_ended("no answer from the radio to ", nullptr);
}

void ShareServer::forward_ended(const std::string& why, const std::function<void(Client&)>& done) {
  const Job job = std::move(*awaiting_);
  awaiting_.reset();
  if (!why.empty()) note(job.client, why + job.text);
  std::vector<int> all{job.client};
  all.insert(all.end(), job.also.begin(), job.also.end());
  for (int id : all) {
    if (Client* c = find(id)) {
      if (done) done(*c);
      c->waiting = false;
      service(*c);
    }
  }
  kick();
}

void ShareServer::notify_changes(int origin) {
  // What a client is told of on its own with automatic information on.
  for (const std::string& q : radio::ToldQueries()) {
    auto a = mirror_.answer(q);
    if (!a) continue;
    std::string& last = told_[q];
    if (last == *a) continue;
    const bool first = last.empty();
    last = *a;
    if (first) continue;  // learning a value is no change of it
    for (auto& [id, c] : clients_) {
      if (id != origin && c->info.ai && !c->dead) reply(*c, *a);
    }
  }
}

void ShareServer::release_tx(const std::string& why) {
  note(tx_owner_, why + ": releasing the transmitter");
  releasing_ = true;
  tx_owner_ = -1;
  tx_since_ = -1;
  mirror_.learn_setting("TX0");
  inject("TX0");
  enqueue({-1, "TX0", false}, true);
  notify_changes(-1);
}

void ShareServer::check_tx() {
  const bool keyed = mirror_.state().ptt;
  if (!keyed) tx_since_ = -1;
  if (keyed && opt_.tx_timeout_s > 0) {
    const int64_t now = now_ms_();
    if (tx_since_ < 0) tx_since_ = now;
    if (now - tx_since_ >= static_cast<int64_t>(opt_.tx_timeout_s * 1000)) {
      char limit[32];
      std::snprintf(limit, sizeof limit, "%g", opt_.tx_timeout_s);
      release_tx("transmitting longer than " + std::string(limit) + " s");
    }
  }
  ticker_->set_enabled(awaiting_.has_value() || (opt_.tx_timeout_s > 0 && mirror_.state().ptt));
}

}  // namespace tovrak::share
