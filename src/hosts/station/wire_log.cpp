#include "hosts/station/wire_log.hpp"

#include <sys/time.h>

#include <cmath>
#include <ctime>
#include <stdexcept>

#include "hosts/station/bytes_text.hpp"

namespace tovrak::station {

namespace {

double system_time() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  return static_cast<double>(tv.tv_sec) + static_cast<double>(tv.tv_usec) / 1e6;
}

}  // namespace

WireLog::WireLog(WallClock wall) : wall_(wall ? std::move(wall) : WallClock(system_time)) {}

void WireLog::open(const std::string& path, long long limit_bytes) {
  std::unique_ptr<std::FILE, Close> file(std::fopen(path.c_str(), "a"));
  if (!file) throw std::runtime_error("cannot write the log " + path);
  std::fseek(file.get(), 0, SEEK_END);
  std::lock_guard lock(mutex_);
  size_ = std::ftell(file.get());
  file_ = std::move(file);
  path_ = path;
  limit_ = limit_bytes;
}

void WireLog::flush() {
  std::lock_guard lock(mutex_);
  if (file_) std::fflush(file_.get());
}

void WireLog::line(std::string_view tag, std::string_view bytes) {
  std::lock_guard lock(mutex_);
  if (!file_) return;
  const long long now_ms = std::llround(wall_() * 1000.0);
  const auto seconds = static_cast<std::time_t>(now_ms / 1000);
  const auto ms = static_cast<long>(now_ms % 1000);
  std::tm local{};
  localtime_r(&seconds, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  const std::string text = format_bytes(bytes);
  if (limit_ > 0 && size_ >= limit_) {
    // The old lines move aside once; a log that cannot start anew stops.
    file_.reset();
    std::rename(path_.c_str(), (path_ + ".1").c_str());
    file_.reset(std::fopen(path_.c_str(), "w"));
    size_ = 0;
    if (!file_) return;
  }
  const int n = std::fprintf(file_.get(), "%s.%03ld  %.*s %s\n", stamp, ms,
                             static_cast<int>(tag.size()), tag.data(), text.c_str());
  size_ += n > 0 ? n : 0;
  const double now = static_cast<double>(now_ms) / 1000.0;
  if (tag == "--" || now - flushed_ >= kFlushSeconds) {
    std::fflush(file_.get());
    flushed_ = now;
  }
}

}  // namespace tovrak::station
