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

void WireLog::open(const std::string& path) {
  std::unique_ptr<std::FILE, Close> file(std::fopen(path.c_str(), "a"));
  if (!file) throw std::runtime_error("cannot write the log " + path);
  std::lock_guard lock(mutex_);
  file_ = std::move(file);
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
  std::fprintf(file_.get(), "%s.%03ld  %.*s %s\n", stamp, ms, static_cast<int>(tag.size()),
               tag.data(), text.c_str());
  std::fflush(file_.get());
}

}  // namespace tovrak::station
