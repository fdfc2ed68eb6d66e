// The serial control of the Windows apartment, over the Win32 communications
// API. A reader thread keeps one overlapped read pending on the port; what it
// receives waits in the control's input buffer, and a message to the
// apartment's window raises the communication event on the apartment thread.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "platform/serial_settings.hpp"
#include "tovrak/platform.hpp"

namespace tovrak::platform {

class Win32Apartment;

class Win32Serial final : public SerialControl {
 public:
  // The message that carries a communication event to the apartment's window.
  static constexpr UINT kEventMessage = WM_APP + 0x12;
  // Received bytes beyond this many are dropped.
  static constexpr size_t kInputLimit = 64 * 1024;

  Win32Serial(Win32Apartment& apartment, uintptr_t id);
  ~Win32Serial() override;

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
  // A device name beyond the port number: "COM12", or a full path such as
  // \\.\CNCA0. Empty returns to COM<port>.
  void Device(const std::string& locator) override;
  std::string Device() const override;

  // How the port is named to the user: the locator, or COM<n>.
  std::string port_name() const;
  // False when the open device has no modem lines (DTR and RTS are then
  // remembered but drive nothing).
  bool modem_lines_supported() const { return modem_lines_; }

 private:
  friend class Win32Apartment;
  struct PendingWrite;

  // The apartment's message arrived: raise the communication event.
  void on_event();
  void reader_loop(HANDLE port, HANDLE stop);
  void post_event();
  void close_port();
  void apply_state();
  void apply_lines();
  void reap_writes(bool wait);
  void ensure_open(const char* operation);
  [[noreturn]] void fail(int number, const std::string& what, DWORD error) const;

  Win32Apartment& apt_;
  uintptr_t id_;

  int16_t port_ = 1;
  std::string device_;
  std::string settings_text_ = "9600,N,8,1";
  SerialSettings settings_;
  int16_t handshaking_ = 0;
  bool dtr_ = false;
  bool rts_ = false;
  bool modem_lines_ = true;

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  HANDLE stop_ = nullptr;
  std::thread reader_;
  std::list<std::unique_ptr<PendingWrite>> writes_;
  std::function<void()> handler_;

  // Shared with the reader thread.
  std::mutex mutex_;
  std::string input_;
  bool event_posted_ = false;
  DWORD lost_error_ = 0;  // the reading failed for good with this error
};

}  // namespace tovrak::platform
