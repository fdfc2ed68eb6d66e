#include "hosts/share/share_host.hpp"

#include <future>
#include <stdexcept>

#include "hosts/share/tap.hpp"
#include "tovrak/connector.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::share {

RadioThread::RadioThread(std::function<void(TOVRAK_Protocol&)> configure, PortBytes bytes) {
  std::promise<std::string> opened;
  auto result = opened.get_future();
  thread_ =
      std::thread([this, &opened, configure = std::move(configure), bytes = std::move(bytes)] {
        platform::PosixApartment apt;
        TappedApartment tap(apt);
        tap.on_read([&](std::string_view b) { bytes('R', std::string(b)); });
        tap.on_write([&](std::string_view b) { bytes('W', std::string(b)); });
        apt.on_serial_lost([&](const std::string& why) { bytes('L', why); });
        auto connector = std::make_unique<TOVRAK_Connector>(tap);
        auto rig = connector->get_TOVRAK_Protocol();
        std::string msg;
        try {
          configure(*rig);
          VBool open = VTrue;
          std::string address, code;
          if (!rig->SetPort(open, address, code, msg) && msg.empty()) msg = "the port did not open";
        } catch (const ComError& e) {
          msg = e.description();
        }
        if (!msg.empty()) {
          opened.set_value(msg);
          return;
        }
        int16_t on = 1;
        rig->SetCAT(on);
        apt_ = &apt;
        rig_ = rig.get();
        opened.set_value({});
        apt.run();
        int16_t off = 0;
        rig->SetCAT(off);
        VBool close = VFalse;
        std::string address, code;
        rig->SetPort(close, address, code, msg);
        tap.on_read(nullptr);
        tap.on_write(nullptr);
        rig.reset();
        connector.reset();
      });
  std::string why = result.get();
  if (!why.empty()) {
    thread_.join();
    throw std::runtime_error(why);
  }
}

RadioThread::~RadioThread() {
  apt_->quit();
  thread_.join();
}

ClientGlue::~ClientGlue() = default;

platform::StreamHandler ClientGlue::handler(const std::string& kind,
                                            std::function<void(const std::string&)> log) {
  platform::StreamHandler h;
  h.opened = [this, kind](platform::StreamConnection& c) {
    auto link = std::make_unique<Link>(c);
    int id = server_.attach(*link, kind + " " + c.peer());
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
