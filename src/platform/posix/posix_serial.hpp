// The serial control of the Linux apartment: a local serial device driven
// through termios, or a port served over the network (rfc2217://host:port),
// its input and output buffered here, its communication event raised on the
// apartment thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/posix/posix_loop.hpp"
#include "platform/posix/serial_link.hpp"
#include "platform/serial_settings.hpp"
#include "tovrak/platform.hpp"

namespace tovrak::platform {

class PosixSerial : public SerialControl, private LoopWatcher {
 public:
  // Received bytes beyond this many wait in no buffer: they are dropped.
  static constexpr size_t kInputLimit = 64 * 1024;
  // Reads of the device per wake-up of the loop, each of up to kReadSize
  // bytes: a device that streams faster than it is read leaves the loop its
  // turn for the timers, the other descriptors and a stop request.
  static constexpr int kReadsPerWakeup = 16;
  static constexpr size_t kReadSize = 4096;

  explicit PosixSerial(std::shared_ptr<PosixLoop> loop);
  ~PosixSerial() override;

  void CommPort(int16_t port) override;
  void Settings(const std::string& settings) override;
  void InputMode(int16_t mode) override;
  void Handshaking(int16_t mode) override;
  void DTREnable(bool on) override;
  void RTSEnable(bool on) override;
  void PortOpen(bool open) override;
  bool PortOpen() const override;
  void Output(std::string_view bytes) override;
  int32_t OutBufferCount() override;
  void ClearOutBuffer() override;
  int32_t InBufferCount() override;
  void InputTo(std::string& buffer) override;
  void OnComm(std::function<void()> handler) override;
  void Device(const std::string& locator) override;
  std::string Device() const override;
  std::string DeviceLost() const override;

  // How the port is named to the user: the locator, or /dev/ttyS<n-1>.
  std::string port_name() const;
  // False when the open device has no modem lines (a pseudo-terminal):
  // DTREnable and RTSEnable are then remembered but drive nothing.
  bool modem_lines_supported() const { return modem_lines_; }
  // True from the moment the open device went away (unplugged, hung up)
  // until the port is closed.
  bool device_lost() const { return lost_; }

 private:
  void on_ready(uint32_t events) override;
  void close_port();
  // Takes what the device has received into the input buffer, up to the
  // budget of one wake-up. A short read took all there was: bytes that come
  // after it make the device ready again, so no read is spent on learning
  // that nothing is left (each system call is dear on a virtual machine).
  // True when the device has nothing more now. A device that hung up is
  // read to its end, where it says why.
  bool read_available(bool hung_up = false);
  // Hands queued output to the device, as much as it takes now.
  void flush_output();
  // Asks the loop for room to write while output or link bytes wait.
  void want_room();
  void lose_device(int err);
  void ensure_writable(const char* operation) const;

  std::shared_ptr<PosixLoop> loop_;
  std::unique_ptr<SerialLink> link_;
  uint64_t watch_ = 0;

  int16_t port_ = 1;
  std::string device_;
  std::string settings_text_ = "9600,N,8,1";
  LineParams params_;
  bool dtr_ = false;
  bool rts_ = false;

  bool open_ = false;
  bool lost_ = false;
  std::string lost_reason_;
  bool modem_lines_ = true;

  std::string input_;
  std::string output_;  // bytes the device has not taken yet, from out_pos_
  size_t out_pos_ = 0;

  // The loop's wake-up read the device to its end just now: the handler's
  // first take of the input needs no read of its own.
  bool just_drained_ = false;
  bool data_event_ = false;  // bytes arrived since the last event
  bool line_event_ = false;  // the line changed state since the last event
  std::function<void()> handler_;
  // Gone with the control: a handler that destroyed it is seen after it returns.
  std::shared_ptr<const char> alive_ = std::make_shared<const char>();
};

}  // namespace tovrak::platform
