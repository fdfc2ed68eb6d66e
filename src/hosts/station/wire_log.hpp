// The wire log of --log FILE: one line per write to the radio, per answer
// from it and per note, with the wall-clock time to the millisecond:
//   2026-12-06 23:30:01.123  TX FA;
//   2026-12-06 23:30:01.140  RX FA00014250000;
//   2026-12-06 23:30:09.002  -- port lost: /dev/ttyUSB0: disconnected or hung up
// Another party on the line (a client of the sharing server) has lines of
// its own in the same form, tagged by the front end ("C3 FA;").
// Lines may come from several threads; each is written whole. Notes reach
// the file at once, other lines at least every kFlushSeconds (and on
// flush()), so that a busy line costs no write per line. A log given a limit
// starts anew past it, the old lines kept in FILE.1.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

namespace tovrak::station {

class WireLog {
 public:
  // Seconds since the epoch; the system's clock unless given.
  using WallClock = std::function<double()>;

  explicit WireLog(WallClock wall = {});

  static constexpr double kFlushSeconds = 0.5;

  // Appends to the file; raises std::runtime_error when it cannot be opened.
  // `limit_bytes` 0: no limit.
  void open(const std::string& path, long long limit_bytes = 0);
  // Whatever is buffered reaches the file.
  void flush();
  void tx(std::string_view bytes) { line("TX", bytes); }
  void rx(std::string_view bytes) { line("RX", bytes); }
  void note(std::string_view text) { line("--", text); }
  // A line with the given tag; bytes other than printable text are shown
  // as \xNN, as everywhere the wire is shown.
  void line(std::string_view tag, std::string_view bytes);

 private:
  WallClock wall_;
  std::mutex mutex_;
  struct Close {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::unique_ptr<std::FILE, Close> file_;
  std::string path_;
  long long limit_ = 0;
  long long size_ = 0;
  double flushed_ = 0;  // when lines last reached the file
};

}  // namespace tovrak::station
