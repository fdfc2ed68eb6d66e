#include "hosts/share/tap.hpp"

#include <string>

namespace tovrak::share {

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
  void PortOpen(bool open) override { in_->PortOpen(open); }
  bool PortOpen() const override { return in_->PortOpen(); }
  void Output(std::string_view bytes) override {
    in_->Output(bytes);
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
  void OnComm(std::function<void()> handler) override { in_->OnComm(std::move(handler)); }
  void Device(const std::string& locator) override { in_->Device(locator); }
  std::string Device() const override { return in_->Device(); }

 private:
  std::unique_ptr<platform::SerialControl> in_;
  std::shared_ptr<TappedApartment::Taps> taps_;
};

}  // namespace

TappedApartment::~TappedApartment() {
  release_module();
  taps_->read = nullptr;
  taps_->write = nullptr;
}

std::unique_ptr<platform::SerialControl> TappedApartment::create_serial() {
  return std::make_unique<TappedSerial>(inner_.create_serial(), taps_);
}

}  // namespace tovrak::share
