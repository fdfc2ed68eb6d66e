#include "hosts/station/station.hpp"

#include "tovrak/errors.hpp"
#include "tovrak/posix_apartment.hpp"
#include "tovrak/virtual_apartment.hpp"

namespace tovrak::station {

namespace {

// A stop request ends the component's waits; once they are over, the way
// out withdraws it, so that the clean-up keeps the command spacing.
void withdraw_stop(platform::Apartment& apt) {
  if (!apt.stopping()) return;
  if (dynamic_cast<platform::PosixApartment*>(&apt)) {
    platform::PosixApartment::clear_stop();
  } else if (auto* virtual_apt = dynamic_cast<platform::VirtualApartment*>(&apt)) {
    virtual_apt->clear_stop();
  }
}

}  // namespace

Station::Station(platform::Apartment& apt, Clock now) : tap_(apt, now), now_(std::move(now)) {
  tap_.on_write([this](std::string_view bytes) {
    health_.wrote(now_());
    guard_.on_write(bytes);
    log_->tx(bytes);
    if (on_write_) on_write_(bytes);
  });
  tap_.on_read([this](std::string_view bytes) {
    health_.heard(now_());
    log_->rx(bytes);
    if (on_read_) on_read_(bytes);
  });
  tap_.on_opened([this] { opened(); });
  tap_.on_closed([this] { closed(); });
  tap_.on_lost([this](const std::string& reason) { lost(reason); });
  connector_ = std::make_unique<TOVRAK_Connector>(tap_);
  rig_ = connector_->get_TOVRAK_Protocol();
}

Station::~Station() {
  // The front end's observers may be gone already; the way out goes on
  // without them.
  on_write_ = on_read_ = nullptr;
  on_lost_ = on_note_ = nullptr;
  try {
    close();
  } catch (...) {  // leaving anyway
  }
}

bool Station::open(std::string& error) {
  VBool open = VTrue;
  std::string address, code;
  if (!rig_->SetPort(open, address, code, error)) return false;
  int16_t on = 1;
  rig_->SetCAT(on);
  return true;
}

std::string Station::close() {
  withdraw_stop(tap_.inner());
  std::string done = release();
  if (!done.empty()) log_->note(done);
  try {
    int16_t off = 0;
    rig_->SetCAT(off);
    VBool open = VFalse;
    std::string address, code, msg;
    rig_->SetPort(open, address, code, msg);
  } catch (const ComError&) {  // the port is going anyway
  }
  return done;
}

bool Station::reopen_if_lost() {
  if (!health_.is_lost() || now_() - last_reopen_ < kReopenEvery) return false;
  last_reopen_ = now_();
  const std::string reason = health_.lost_reason();
  VBool shut = VFalse;
  std::string address, code, msg, error;
  rig_->SetPort(shut, address, code, msg);
  if (!open(error)) {
    health_.lost(reason);  // still lost: tried again later
    return false;
  }
  note("port reopened");
  return true;
}

std::string Station::release() {
  std::string why;
  if (health_.is_lost()) {
    why = "the port is lost (" + health_.lost_reason() + ")";
  } else if (!health_.is_open()) {
    why = "the port is closed";
  }
  return guard_.release(*rig_, why);
}

void Station::opened() {
  health_.opened();
  log_->note("port opened");
  if (!guard_.keyed()) return;
  // The transmitter was left keyed when the port went: released as soon as
  // the component is done opening.
  tap_.post([self = std::weak_ptr<Station*>(self_)] {
    auto s = self.lock();
    if (!s) return;
    std::string done = (*s)->release();
    if (!done.empty()) (*s)->note(done + " (left keyed when the port went)");
  });
}

void Station::closed() {
  if (!health_.is_open()) return;  // closing a closed port changes nothing
  health_.closed();
  log_->note("port closed");
}

void Station::lost(const std::string& reason) {
  ++losses_;
  health_.lost(reason);
  log_->note("port lost: " + reason);
  if (on_lost_) on_lost_(reason);
}

void Station::note(const std::string& text) {
  log_->note(text);
  if (on_note_) on_note_(text);
}

}  // namespace tovrak::station
