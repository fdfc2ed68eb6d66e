#include "hosts/station/tapped_apartment.hpp"

#include <string>

#include "tovrak/errors.hpp"

namespace tovrak::station {

namespace {

class TappedSerial : public platform::SerialControl {
 public:
  TappedSerial(std::unique_ptr<platform::SerialControl> inner,
               std::shared_ptr<TappedApartment::Taps> taps)
      : in_(std::move(inner)), taps_(std::move(taps)) {}

  void CommPort(int16_t port) override { in_->CommPort(port); }
  void Settings(const std::string& settings) override { in_->Settings(settings); }
  void InputMode(int16_t mode) override { in_->InputMode(mode); }
  void Handshaking(int16_t mode) override { in_->Handshaking(mode); }
  void DTREnable(bool on) override { in_->DTREnable(on); }
  void RTSEnable(bool on) override { in_->RTSEnable(on); }
  void PortOpen(bool open) override {
    in_->PortOpen(open);
    told_lost_ = false;
    const auto& tell = open ? taps_->opened : taps_->closed;
    if (tell) tell();
  }
  bool PortOpen() const override { return in_->PortOpen(); }
  void Output(std::string_view bytes) override {
    try {
      in_->Output(bytes);
    } catch (const ComError&) {
      check_lost();
      throw;
    }
    if (taps_->write) taps_->write(bytes);
  }
  int32_t OutBufferCount() override { return in_->OutBufferCount(); }
  void ClearOutBuffer() override { in_->ClearOutBuffer(); }
  int32_t InBufferCount() override { return in_->InBufferCount(); }
  void InputTo(std::string& buffer) override {
    const size_t before = buffer.size();
    in_->InputTo(buffer);
    if (taps_->read && buffer.size() > before) {
      taps_->read(std::string_view(buffer).substr(before));
    }
  }
  void OnComm(std::function<void()> handler) override {
    // A loss raises the event: the observers hear of it before the
    // component handles the event.
    in_->OnComm(handler ? std::function<void()>([this, handler = std::move(handler)] {
      check_lost();
      handler();
    })
                        : nullptr);
  }
  void Device(const std::string& locator) override { in_->Device(locator); }
  std::string Device() const override { return in_->Device(); }
  std::string DeviceLost() const override { return in_->DeviceLost(); }

 private:
  void check_lost() {
    if (told_lost_) return;
    std::string reason = in_->DeviceLost();
    if (reason.empty()) return;
    told_lost_ = true;
    if (taps_->lost) taps_->lost(reason);
  }

  std::unique_ptr<platform::SerialControl> in_;
  std::shared_ptr<TappedApartment::Taps> taps_;
  bool told_lost_ = false;
};

}  // namespace

TappedApartment::~TappedApartment() {
  // The observers belong to whoever is ending: the component's last close
  // of the port, as the module ends, is not theirs to see.
  untap();
  release_module();
}

std::unique_ptr<platform::SerialControl> TappedApartment::create_serial() {
  return std::make_unique<TappedSerial>(inner_.create_serial(), taps_);
}

}  // namespace tovrak::station
