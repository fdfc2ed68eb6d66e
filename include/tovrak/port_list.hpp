// The serial ports of this machine, as the kernel describes them in sysfs,
// for a user choosing the port the radio hangs on.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "tovrak/export.hpp"

namespace tovrak::platform {

struct PortInfo {
  std::string path;          // /dev/ttyUSB0
  std::string by_id;         // /dev/serial/by-id/... naming the same device; empty if none
  std::string driver;        // kernel driver: ftdi_sio, cdc_acm, serial8250, ...
  std::string vendor_id;     // USB vendor id, four hex digits; empty if not USB
  std::string product_id;    // USB product id
  std::string manufacturer;  // USB strings where the device gives them
  std::string product;
  std::string serial_number;
  bool in_use = false;  // a process we can see holds it open
};

// Where the scan looks; tests point these at a fake tree.
struct PortScanRoots {
  std::filesystem::path sys = "/sys";
  std::filesystem::path dev = "/dev";
  std::filesystem::path proc = "/proc";
};

// Every tty with a device behind it (ttyS only where a UART is present),
// in natural order of their paths: ttyS2 before ttyS10. Opens no port.
TOVRAK_API std::vector<PortInfo> list_serial_ports(const PortScanRoots& roots = {});

}  // namespace tovrak::platform
