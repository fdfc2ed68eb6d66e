// The port list over a fake sysfs, /dev and /proc laid out the way the
// kernel lays them out.
#include "tovrak/port_list.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace tovrak::platform {
namespace {

namespace fs = std::filesystem;

// A machine under a directory of its own: files and links made with their parents.
struct FakeMachine {
  fs::path root = fs::temp_directory_path() / ("tovrak-ports-" + std::to_string(getpid()));
  PortScanRoots roots{root / "sys", root / "dev", root / "proc"};

  FakeMachine() { fs::remove_all(root); }
  ~FakeMachine() { fs::remove_all(root); }
  void file(const fs::path& p, const std::string& text = "") {
    fs::create_directories(p.parent_path());
    std::ofstream(p) << text;
  }
  void link(const fs::path& at, const fs::path& target) {
    fs::create_directories(at.parent_path());
    fs::create_symlink(target, at);
  }
  // A tty the way sysfs shows it: a class entry linking into the device
  // tree, with the driver linked from its device.
  void tty(const std::string& name, const std::string& device_dir, const std::string& driver) {
    const fs::path dev = roots.sys / "devices" / device_dir, drivers = roots.sys / "bus/drivers";
    fs::create_directories(drivers / driver);
    link(dev / "tty" / name / "device", "../..");
    link(dev / "driver", drivers / driver);
    link(roots.sys / "class/tty" / name, "../../devices/" + device_dir + "/tty/" + name);
    file(roots.dev / name);
  }
};

TEST(PortList, ListsDevicesWithUsbDetailsStableNamesAndUse) {
  FakeMachine m;
  const PortScanRoots& r = m.roots;
  fs::create_directories(r.sys / "class/tty");  // no serial port yet, no machine at all
  EXPECT_TRUE(list_serial_ports(r).empty());
  EXPECT_TRUE(list_serial_ports({m.root / "none", m.root / "none", m.root / "none"}).empty());
  // A UART, a ttyS without one, a virtual console, two USB adapters.
  m.tty("ttyS0", "pnp0/00:01", "serial8250");
  m.file(r.sys / "class/tty/ttyS0/type", "4\n");
  m.tty("ttyS1", "platform/serial8250", "serial8250");
  m.file(r.sys / "class/tty/ttyS1/type", "0\n");
  fs::create_directories(r.sys / "devices/virtual/tty/tty0");
  m.link(r.sys / "class/tty/tty0", "../../devices/virtual/tty/tty0");
  m.file(r.dev / "tty0");
  const fs::path usb = r.sys / "devices/pci0/usb1";  // the USB devices' strings
  m.file(usb / "1-2/idVendor", "0403\n"), m.file(usb / "1-2/idProduct", "6001\n");
  m.file(usb / "1-2/manufacturer", "Example Corp\n");
  m.file(usb / "1-2/product", "USB Serial Cable\n");
  m.file(usb / "1-3/idVendor", "1a2b\n"), m.file(usb / "1-3/idProduct", "00c1\n");
  m.tty("ttyUSB0", "pci0/usb1/1-2/1-2:1.0/ttyUSB0", "ftdi_sio");
  m.tty("ttyACM10", "pci0/usb1/1-3/1-3:1.0", "cdc_acm");
  m.tty("ttyACM2", "pci0/usb1/1-4/1-4:1.0", "cdc_acm");  // USB strings unreadable
  m.link(r.dev / "serial/by-id/usb-Example_Cable_A1-if00-port0", "../../ttyUSB0");
  // A process holds ttyACM10 open; another holds a socket.
  m.link(r.proc / "4242/fd/7", r.dev / "ttyACM10");
  m.link(r.proc / "4243/fd/3", "socket:[1234]");

  // Each port as "path driver vendor:product maker/product by-id use",
  // paths under the fake root.
  std::vector<std::string> got;
  for (const auto& p : list_serial_ports(r)) {
    auto under = [&](const std::string& path) {
      return path.empty() ? "-" : fs::path(path).lexically_relative(m.root).string();
    };
    got.push_back(under(p.path) + " " + p.driver + " " + p.vendor_id + ":" + p.product_id + " " +
                  p.manufacturer + "/" + p.product + " " + under(p.by_id) +
                  (p.in_use ? " in use" : " free"));
  }
  EXPECT_EQ(got, (std::vector<std::string>{
                     "dev/ttyACM2 cdc_acm : / - free",
                     "dev/ttyACM10 cdc_acm 1a2b:00c1 / - in use",
                     "dev/ttyS0 serial8250 : / - free",
                     "dev/ttyUSB0 ftdi_sio 0403:6001 Example Corp/USB Serial Cable "
                     "dev/serial/by-id/usb-Example_Cable_A1-if00-port0 free",
                 }));
}

}  // namespace
}  // namespace tovrak::platform
