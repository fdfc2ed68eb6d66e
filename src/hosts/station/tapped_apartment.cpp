#include "hosts/station/tapped_apartment.hpp"

#include <algorithm>
#include <cmath>
#include <string>

#include "hosts/station/tapped_serial.hpp"
#include "tovrak/control_panel.hpp"

namespace tovrak::station {

TappedApartment::TappedApartment(platform::Apartment& inner, Clock now)
    : inner_(inner), sh_(std::make_shared<Shared>()) {
  sh_->now = std::move(now);
}

TappedApartment::~TappedApartment() {
  // The observers belong to whoever is ending: the component's last close
  // of the port, as the module ends, is not theirs to see.
  untap();
  release_module();
}

void TappedApartment::on_read(Observer f) { sh_->taps.read = std::move(f); }
void TappedApartment::on_write(Observer f) { sh_->taps.write = std::move(f); }
void TappedApartment::on_opened(std::function<void()> f) { sh_->taps.opened = std::move(f); }
void TappedApartment::on_closed(std::function<void()> f) { sh_->taps.closed = std::move(f); }
void TappedApartment::on_lost(std::function<void(const std::string&)> f) {
  sh_->taps.lost = std::move(f);
}
void TappedApartment::untap() { sh_->taps = Taps{}; }

bool TappedApartment::send(std::string text) {
  if (!sh_->open) return false;
  // The spacing as the component keeps it now (a host may have changed it
  // on the control panel); a negative one is none, as for the component.
  const double ms = ControlPanelOf(*this).CurrentValueMs(1);
  sh_->spacing_us = std::llround(std::max(0.0, ms) * 1000);
  return sh_->open->send(std::move(text));
}

void TappedApartment::sleep_ms(int32_t ms) {
  if (sh_->open) {
    sh_->open->sleep(ms);
  } else {
    inner_.sleep_ms(ms);
  }
}

std::unique_ptr<platform::SerialControl> TappedApartment::create_serial() {
  return std::make_unique<TappedSerial>(inner_, inner_.create_serial(), sh_);
}

}  // namespace tovrak::station
