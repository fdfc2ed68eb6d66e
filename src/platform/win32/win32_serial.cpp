#include "platform/win32/win32_serial.hpp"

#include <algorithm>
#include <utility>

#include "platform/serial_errors.hpp"
#include "platform/win32/win32_apartment.hpp"
#include "tovrak/errors.hpp"

namespace tovrak::platform {

namespace {

std::string system_text(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return "there is no such port";
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return "the port is in use by another program";
    default:
      break;
  }
  char* text = nullptr;
  DWORD n = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
  std::string out = n && text ? std::string(text, n) : std::string();
  if (text) LocalFree(text);
  while (!out.empty() &&
         (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.')) {
    out.pop_back();
  }
  if (out.empty()) out = "system error";
  return out + " (error " + std::to_string(error) + ")";
}

BYTE parity_of(char p) {
  switch (p) {
    case 'E':
      return EVENPARITY;
    case 'O':
      return ODDPARITY;
    case 'M':
      return MARKPARITY;
    case 'S':
      return SPACEPARITY;
    default:
      return NOPARITY;
  }
}

}  // namespace

struct Win32Serial::PendingWrite {
  OVERLAPPED ov{};
  std::string bytes;
  PendingWrite() { ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr); }
  ~PendingWrite() {
    if (ov.hEvent) CloseHandle(ov.hEvent);
  }
};

Win32Serial::Win32Serial(Win32Apartment& apartment, uintptr_t id) : apt_(apartment), id_(id) {
  settings_ = parse_serial_settings(settings_text_);
  apt_.serials_[id_] = this;
}

Win32Serial::~Win32Serial() {
  close_port();
  apt_.serials_.erase(id_);
}

// ---------------------------------------------------------------- configuration

void Win32Serial::CommPort(int16_t port) {
  if (PortOpen()) serial_error::already_open();
  serial_error::check_port_number(port);
  port_ = port;
}

void Win32Serial::Device(const std::string& locator) {
  if (PortOpen()) serial_error::already_open();
  device_ = locator;
}

std::string Win32Serial::Device() const { return device_; }

std::string Win32Serial::port_name() const {
  return device_.empty() ? "COM" + std::to_string(port_) : device_;
}

void Win32Serial::Settings(const std::string& settings) {
  SerialSettings previous = std::exchange(settings_, parse_serial_settings(settings));
  std::string previous_text = std::exchange(settings_text_, settings);
  if (!PortOpen()) return;
  try {
    apply_state();
  } catch (const ComError&) {
    settings_ = previous;
    settings_text_ = previous_text;
    throw;
  }
}

void Win32Serial::InputMode(int16_t mode) { serial_error::check_input_mode(mode); }

void Win32Serial::Handshaking(int16_t mode) {
  serial_error::check_handshaking(mode);
  int16_t before = std::exchange(handshaking_, mode);
  if (!PortOpen()) return;
  try {
    apply_state();
  } catch (const ComError&) {
    handshaking_ = before;
    throw;
  }
}

void Win32Serial::DTREnable(bool on) {
  dtr_ = on;
  if (PortOpen()) apply_lines();
}

void Win32Serial::RTSEnable(bool on) {
  rts_ = on;
  if (PortOpen()) apply_lines();
}

void Win32Serial::apply_state() {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(handle_, &dcb)) {
    fail(serial_error::kCannotSetLine, "Cannot read the line settings of", GetLastError());
  }
  dcb.BaudRate = static_cast<DWORD>(settings_.speed);
  dcb.ByteSize = static_cast<BYTE>(settings_.data_bits);
  dcb.Parity = parity_of(settings_.parity);
  dcb.StopBits = settings_.stop_bits == 2    ? TWOSTOPBITS
                 : settings_.stop_bits == 15 ? ONE5STOPBITS
                                             : ONESTOPBIT;
  dcb.fBinary = TRUE;
  dcb.fParity = settings_.parity != 'N';
  const bool rts_cts = handshaking_ & 2;
  const bool xon_xoff = handshaking_ & 1;
  dcb.fOutxCtsFlow = rts_cts;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fDtrControl = dtr_ ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
  dcb.fRtsControl = rts_cts ? RTS_CONTROL_HANDSHAKE
                    : rts_  ? RTS_CONTROL_ENABLE
                            : RTS_CONTROL_DISABLE;
  dcb.fOutX = xon_xoff;
  dcb.fInX = xon_xoff;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.XonLim = 1024;
  dcb.XoffLim = 1024;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
  if (SetCommState(handle_, &dcb)) return;
  DWORD error = GetLastError();
  // A device without modem lines may refuse to drive them: the rest of the
  // settings still apply.
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  if (!rts_cts) dcb.fRtsControl = RTS_CONTROL_DISABLE;
  if (!SetCommState(handle_, &dcb)) {
    fail(serial_error::kCannotSetLine, "Cannot set the line settings \"" + settings_text_ + "\" of",
         error);
  }
  modem_lines_ = false;
}

void Win32Serial::apply_lines() {
  bool ok = EscapeCommFunction(handle_, dtr_ ? SETDTR : CLRDTR) != 0;
  // Under RTS/CTS handshaking the driver drives RTS.
  if (!(handshaking_ & 2)) ok = (EscapeCommFunction(handle_, rts_ ? SETRTS : CLRRTS) != 0) && ok;
  modem_lines_ = ok;
}

// ---------------------------------------------------------------- open, close

void Win32Serial::PortOpen(bool open) {
  if (!open) {
    close_port();
    return;
  }
  if (PortOpen()) serial_error::already_open();
  std::string path = port_name();
  if (path.rfind("\\\\", 0) != 0) path = "\\\\.\\" + path;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    using namespace serial_error;
    int number = (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) ? kInvalidPort
                 : (error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION)
                     ? kPortAlreadyOpen
                     : kHardwareUnavailable;
    fail(number, "Cannot open", error);
  }
  handle_ = h;
  modem_lines_ = true;
  try {
    SetupComm(handle_, 4096, 4096);
    apply_state();
    // No time-outs: a read waits until its bytes are there.
    COMMTIMEOUTS timeouts{};
    SetCommTimeouts(handle_, &timeouts);
    PurgeComm(handle_, PURGE_RXCLEAR | PURGE_TXCLEAR);
    apply_lines();
  } catch (const ComError&) {
    CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
    throw;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    input_.clear();
    lost_error_ = 0;
  }
  stop_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  reader_ = std::thread(&Win32Serial::reader_loop, this, handle_, stop_);
}

bool Win32Serial::PortOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

void Win32Serial::close_port() {
  if (!PortOpen()) return;
  SetEvent(stop_);
  if (reader_.joinable()) reader_.join();
  CloseHandle(std::exchange(stop_, nullptr));
  PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
  reap_writes(true);
  CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
  std::lock_guard<std::mutex> lock(mutex_);
  input_.clear();
  lost_error_ = 0;
}

void Win32Serial::ensure_open(const char* operation) {
  if (!PortOpen()) serial_error::not_open();
  DWORD lost;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lost = lost_error_;
  }
  if (lost) serial_error::device_gone(operation, port_name(), system_text(lost));
}

void Win32Serial::fail(int number, const std::string& what, DWORD error) const {
  throw ComError::with_text(number, what + " " + port_name() + ": " + system_text(error));
}

// ---------------------------------------------------------------- output

void Win32Serial::Output(std::string_view bytes) {
  ensure_open("write to");
  reap_writes(false);
  if (bytes.empty()) return;
  auto w = std::make_unique<PendingWrite>();
  w->bytes.assign(bytes);
  if (WriteFile(handle_, w->bytes.data(), static_cast<DWORD>(w->bytes.size()), nullptr, &w->ov)) {
    return;  // written at once
  }
  DWORD error = GetLastError();
  if (error != ERROR_IO_PENDING) fail(serial_error::kHardwareUnavailable, "Cannot write to", error);
  writes_.push_back(std::move(w));
}

void Win32Serial::reap_writes(bool wait) {
  for (auto it = writes_.begin(); it != writes_.end();) {
    DWORD n = 0;
    if (wait || HasOverlappedIoCompleted(&(*it)->ov)) {
      GetOverlappedResult(handle_, &(*it)->ov, &n, TRUE);
      it = writes_.erase(it);
    } else {
      ++it;
    }
  }
}

int32_t Win32Serial::OutBufferCount() {
  ensure_open("count the output of");
  reap_writes(false);
  size_t pending = 0;
  for (const auto& w : writes_) pending += w->bytes.size();
  COMSTAT st{};
  DWORD errors = 0;
  size_t queued = ClearCommError(handle_, &errors, &st) ? st.cbOutQue : 0;
  return static_cast<int32_t>(std::min<size_t>(std::max(pending, queued), INT32_MAX));
}

void Win32Serial::ClearOutBuffer() {
  if (!PortOpen()) return;
  PurgeComm(handle_, PURGE_TXABORT | PURGE_TXCLEAR);
  reap_writes(true);
}

// ---------------------------------------------------------------- input

int32_t Win32Serial::InBufferCount() {
  size_t waiting;
  DWORD lost;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    waiting = input_.size();
    lost = lost_error_;
  }
  if (PortOpen() && !lost) {
    // Bytes the driver holds that the reader has not taken yet count too;
    // their event follows.
    COMSTAT st{};
    DWORD errors = 0;
    if (ClearCommError(handle_, &errors, &st)) waiting += st.cbInQue;
  }
  return static_cast<int32_t>(std::min<size_t>(waiting, INT32_MAX));
}

void Win32Serial::InputTo(std::string& buffer) {
  std::lock_guard<std::mutex> lock(mutex_);
  buffer += input_;
  input_.clear();  // keeps its storage for the next bytes
}

void Win32Serial::OnComm(std::function<void()> handler) { handler_ = std::move(handler); }

void Win32Serial::post_event() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!event_posted_) {
    event_posted_ = PostMessageW(apt_.window(), kEventMessage, static_cast<WPARAM>(id_), 0) != 0;
  }
}

void Win32Serial::on_event() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    event_posted_ = false;
  }
  if (!PortOpen() || !handler_) return;
  auto handler = handler_;  // the handler may replace itself or close the port
  handler();
}

// The reader thread: one read of one byte stays pending; when it completes,
// what else the driver holds is read at once, and the apartment is told.
void Win32Serial::reader_loop(HANDLE port, HANDLE stop) {
  OVERLAPPED ov{};
  ov.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  // Waits for the pending read; false when the port is closing.
  auto finish = [&](DWORD& got) -> bool {
    HANDLE waits[2] = {ov.hEvent, stop};
    if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0) {
      CancelIo(port);
      GetOverlappedResult(port, &ov, &got, TRUE);
      return false;
    }
    return true;
  };
  auto lose = [&](DWORD error) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      lost_error_ = error ? error : ERROR_GEN_FAILURE;
    }
    post_event();
  };
  std::string chunk;
  for (;;) {
    char first = 0;
    DWORD got = 0;
    ResetEvent(ov.hEvent);
    if (!ReadFile(port, &first, 1, nullptr, &ov) && GetLastError() != ERROR_IO_PENDING) {
      lose(GetLastError());
      break;
    }
    if (!finish(got)) break;
    if (!GetOverlappedResult(port, &ov, &got, FALSE)) {
      lose(GetLastError());
      break;
    }
    if (got == 0) {
      // Nothing came although the read ended: do not spin.
      if (WaitForSingleObject(stop, 20) == WAIT_OBJECT_0) break;
      continue;
    }
    chunk.assign(1, first);
    COMSTAT st{};
    DWORD errors = 0;
    if (ClearCommError(port, &errors, &st) && st.cbInQue > 0) {
      chunk.resize(1 + st.cbInQue);
      DWORD more = 0;
      ResetEvent(ov.hEvent);
      if (!ReadFile(port, &chunk[1], st.cbInQue, nullptr, &ov) &&
          GetLastError() != ERROR_IO_PENDING) {
        more = 0;
      } else if (!finish(more)) {
        break;
      } else if (!GetOverlappedResult(port, &ov, &more, FALSE)) {
        more = 0;
      }
      chunk.resize(1 + more);
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      size_t room = kInputLimit - std::min(input_.size(), kInputLimit);
      input_.append(chunk, 0, std::min(chunk.size(), room));
    }
    post_event();
  }
  CloseHandle(ov.hEvent);
}

}  // namespace tovrak::platform
