#include "hosts/cli/link_watch.hpp"

#include <sys/time.h>

#include <cmath>
#include <ctime>
#include <stdexcept>

#include "hosts/cli/script.hpp"
#include "tovrak/posix_apartment.hpp"

namespace tovrak::hosts {

void LinkHealth::opened(double t) {
  *this = LinkHealth{};
  opened_at_ = t;
}

void LinkHealth::wrote(double t) {
  if (first_unanswered_ < 0) first_unanswered_ = t;
}

void LinkHealth::heard(double t) {
  last_heard_ = t;
  first_unanswered_ = -1;
}

void LinkHealth::lost(double, std::string reason) {
  lost_ = true;
  lost_reason_ = std::move(reason);
}

bool LinkHealth::answering(double t) const { return !lost_ && silent_for(t) == 0; }

double LinkHealth::silent_for(double t) const {
  if (first_unanswered_ < 0 || t - first_unanswered_ < kSilentAfter) return 0;
  return t - first_unanswered_;
}

std::string LinkHealth::describe(double t, bool port_open) const {
  if (lost_) return "port lost: " + lost_reason_;
  if (!port_open) return "port closed";
  double silent = silent_for(t);
  if (silent > 0) {
    return "silent for " + std::to_string(static_cast<long>(silent)) + " s" +
           (last_heard_ < 0 ? " (never answered: radio off, wrong port or speed?)" : "");
  }
  if (last_heard_ < 0) return "no answer yet";
  return "answering";
}

WireLog::~WireLog() {
  if (file_) std::fclose(file_);
}

void WireLog::open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "a");
  if (!file_) throw std::runtime_error("cannot write the log " + path);
}

void WireLog::line(const char* what, std::string_view bytes) {
  if (!file_) return;
  timeval tv{};
  gettimeofday(&tv, nullptr);
  std::tm local{};
  localtime_r(&tv.tv_sec, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);
  std::fprintf(file_, "%s.%03ld  %s %s\n", stamp, static_cast<long>(tv.tv_usec / 1000), what,
               format_bytes(bytes).c_str());
  std::fflush(file_);
}

LinkWatch::LinkWatch(platform::PosixApartment& apt, Clock now) : apt_(apt), now_(std::move(now)) {
  apt_.on_serial_write([this](std::string_view b) {
    health_.wrote(now_());
    log_.tx(b);
    if (on_write_) on_write_(b);
  });
  apt_.on_serial_read([this](std::string_view b) {
    health_.heard(now_());
    log_.rx(b);
    if (on_read_) on_read_(b);
  });
  apt_.on_serial_lost([this](const std::string& reason) {
    health_.lost(now_(), reason);
    log_.note("port lost: " + reason);
    if (on_lost_) on_lost_(reason);
  });
}

LinkWatch::~LinkWatch() {
  apt_.on_serial_write(nullptr);
  apt_.on_serial_read(nullptr);
  apt_.on_serial_lost(nullptr);
}

}  // namespace tovrak::hosts
