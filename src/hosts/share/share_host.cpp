#include "hosts/share/share_host.hpp"

#include <chrono>
#include <stdexcept>

namespace tovrak::share {

RadioThread::RadioThread(std::function<void(station::Station&)> configure, PortNews news) {
  std::promise<std::exception_ptr> opened;
  auto result = opened.get_future();
  thread_ = std::thread([this, &opened, configure = std::move(configure), news = std::move(news)] {
    run(configure, news, opened);
  });
  if (std::exception_ptr failed = result.get()) {
    thread_.join();
    std::rethrow_exception(failed);
  }
}

void RadioThread::run(const std::function<void(station::Station&)>& configure, const PortNews& news,
                      std::promise<std::exception_ptr>& opened) {
  platform::PosixApartment apt;
  const auto start = std::chrono::steady_clock::now();
  station::Station station(apt, [start] {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  });
  station.on_write([&](std::string_view b) { news('W', std::string(b)); });
  station.on_read([&](std::string_view b) { news('R', std::string(b)); });
  station.on_lost([&](const std::string& reason) { news('L', reason); });
  station.on_note([&](const std::string& text) { news('N', text); });
  try {
    configure(station);  // what it throws reaches the caller as it was
    if (std::string why; !station.open(why)) throw std::runtime_error(why);
  } catch (...) {
    opened.set_value(std::current_exception());
    return;
  }
  {
    std::lock_guard lock(mutex_);
    apt_ = &apt;
    radio_apt_ = &station.apartment();
    rig_ = &station.rig();
    link_ = station.link();
  }
  opened.set_value({});
  // A lost port (a cable pulled, a server restarted) is opened again as
  // soon as it can be: the clients go on. The link's health is told to
  // the clients' thread.
  auto keep = apt.create_timer(250, true, [&] {
    station.reopen_if_lost();
    std::lock_guard lock(mutex_);
    link_ = station.link();
  });
  for (;;) {
    apt.run();  // until quit() or a stop request
    std::unique_lock lock(mutex_);
    ending_.wait(lock, [&] { return end_ || !platform::PosixApartment::stop_requested(); });
    if (end_) {
      apt_ = nullptr;  // nobody calls quit() on it any more
      break;
    }
  }
  // Whoever heard the news has gone; the wire log still sees the way out.
  keep.reset();
  station.on_write(nullptr);
  station.on_read(nullptr);
  station.on_lost(nullptr);
  station.on_note(nullptr);
  farewell_ = station.close();
}

std::string RadioThread::end() {
  if (thread_.joinable()) {
    {
      std::lock_guard lock(mutex_);
      end_ = true;
      if (apt_) apt_->quit();
    }
    ending_.notify_all();
    thread_.join();
  }
  return farewell_;
}

std::string RadioThread::link() {
  std::lock_guard lock(mutex_);
  return link_;
}

RadioThread::~RadioThread() { end(); }

ClientGlue::~ClientGlue() = default;

platform::StreamHandler ClientGlue::handler(const std::string& name, ClientKind kind,
                                            std::function<void(const std::string&)> log) {
  platform::StreamHandler h;
  h.opened = [this, name, kind](platform::StreamConnection& c) {
    auto link = std::make_unique<Link>(c);
    int id = server_.attach(*link, name + " " + c.peer(), kind);
    if (id < 0) return false;
    links_[&c] = {id, std::move(link)};
    return true;
  };
  h.bytes = [this](platform::StreamConnection& c, std::string_view b) {
    if (auto it = links_.find(&c); it != links_.end()) server_.receive(it->second.first, b);
  };
  h.closed = [this](platform::StreamConnection& c) {
    if (auto it = links_.find(&c); it != links_.end()) {
      server_.detach(it->second.first);
      links_.erase(it);
    }
  };
  h.log = std::move(log);
  return h;
}

}  // namespace tovrak::share
