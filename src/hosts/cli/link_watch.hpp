// What a front end shows of the link to the radio, derived from what passes
// on the port: whether the radio answers, has gone silent or the port was
// lost; and the wire log of --log FILE. Used by monitor, demo, script and
// the one-shot commands; any front end on a PosixApartment can attach it.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tovrak::platform {
class PosixApartment;
}

namespace tovrak::hosts {

// The health of the link at a time t (seconds on any one clock).
class LinkHealth {
 public:
  // A radio that has not answered a command for this long is silent.
  static constexpr double kSilentAfter = 2.0;

  void wrote(double t);
  void heard(double t);
  void lost(double t, std::string reason);
  // The port was opened (again): the link starts over.
  void opened(double t);

  bool is_lost() const { return lost_; }
  bool answering(double t) const;
  // Seconds since the first command the radio has not answered; 0 while it
  // answers.
  double silent_for(double t) const;
  // "answering", "no answer yet", "silent for 12 s", "port lost: reason",
  // "port closed".
  std::string describe(double t, bool port_open) const;

 private:
  double opened_at_ = 0;
  double last_heard_ = -1;
  double first_unanswered_ = -1;  // first write after the last answer
  bool lost_ = false;
  std::string lost_reason_;
};

// The wire with timestamps, as --log FILE writes it:
//   2026-12-06 23:30:01.123  TX FA;
//   2026-12-06 23:30:01.140  RX FA00014250000;
class WireLog {
 public:
  WireLog() = default;
  ~WireLog();
  WireLog(const WireLog&) = delete;
  WireLog& operator=(const WireLog&) = delete;

  // Appends to the file; raises std::runtime_error when it cannot be opened.
  void open(const std::string& path);
  bool is_open() const { return file_ != nullptr; }
  void tx(std::string_view bytes) { line("TX", bytes); }
  void rx(std::string_view bytes) { line("RX", bytes); }
  void note(std::string_view text) { line("--", text); }

 private:
  void line(const char* what, std::string_view bytes);
  std::FILE* file_ = nullptr;
};

// Watches the port of a PosixApartment: feeds the health, the log and the
// front end's own observers (trace lines, a transmit guard).
class LinkWatch {
 public:
  using Clock = std::function<double()>;
  LinkWatch(platform::PosixApartment& apt, Clock now);
  ~LinkWatch();

  LinkHealth& health() { return health_; }
  WireLog& log() { return log_; }
  void on_write(std::function<void(std::string_view)> f) { on_write_ = std::move(f); }
  void on_read(std::function<void(std::string_view)> f) { on_read_ = std::move(f); }
  void on_lost(std::function<void(const std::string&)> f) { on_lost_ = std::move(f); }

 private:
  platform::PosixApartment& apt_;
  Clock now_;
  LinkHealth health_;
  WireLog log_;
  std::function<void(std::string_view)> on_write_, on_read_;
  std::function<void(const std::string&)> on_lost_;
};

}  // namespace tovrak::hosts
