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

class FakeMachine : public ::testing::Test {
 protected:
  void SetUp() override { fs::remove_all(root_); }
  void TearDown() override { fs::remove_all(root_); }

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
    fs::path dev = roots_.sys / "devices" / device_dir;
    fs::path node = dev / "tty" / name;
    fs::create_directories(node);
    link(node / "device", "../..");
    fs::create_directories(roots_.sys / "bus" / "drivers" / driver);
    link(dev / "driver", roots_.sys / "bus" / "drivers" / driver);
    link(roots_.sys / "class" / "tty" / name, "../../devices/" + device_dir + "/tty/" + name);
    file(roots_.dev / name);
  }
  void usb(const std::string& device_dir, const std::string& vendor, const std::string& product,
           const std::string& maker, const std::string& name) {
    fs::path dir = roots_.sys / "devices" / device_dir;
    file(dir / "idVendor", vendor + "\n");
    file(dir / "idProduct", product + "\n");
    if (!maker.empty()) file(dir / "manufacturer", maker + "\n");
    if (!name.empty()) file(dir / "product", name + "\n");
  }

  fs::path root_ = fs::temp_directory_path() / ("tovrak-ports-" + std::to_string(getpid()));
  PortScanRoots roots_{root_ / "sys", root_ / "dev", root_ / "proc"};
};

TEST_F(FakeMachine, ListsDevicesWithUsbDetailsStableNamesAndUse) {
  fs::create_directories(roots_.sys / "class" / "tty");  // no serial port yet, no machine at all
  EXPECT_TRUE(list_serial_ports(roots_).empty());
  EXPECT_TRUE(list_serial_ports({root_ / "nothing", root_ / "nothing", root_ / "nothing"}).empty());
  // A UART, a ttyS without one, a virtual console, two USB adapters.
  tty("ttyS0", "pnp0/00:01", "serial8250");
  file(roots_.sys / "class" / "tty" / "ttyS0" / "type", "4\n");
  tty("ttyS1", "platform/serial8250", "serial8250");
  file(roots_.sys / "class" / "tty" / "ttyS1" / "type", "0\n");
  fs::create_directories(roots_.sys / "devices" / "virtual" / "tty" / "tty0");
  link(roots_.sys / "class" / "tty" / "tty0", "../../devices/virtual/tty/tty0");
  file(roots_.dev / "tty0");
  usb("pci0/usb1/1-2", "0403", "6001", "Example Corp", "USB Serial Cable");
  tty("ttyUSB0", "pci0/usb1/1-2/1-2:1.0/ttyUSB0", "ftdi_sio");
  usb("pci0/usb1/1-3", "1a2b", "00c1", "", "");
  tty("ttyACM10", "pci0/usb1/1-3/1-3:1.0", "cdc_acm");
  tty("ttyACM2", "pci0/usb1/1-4/1-4:1.0", "cdc_acm");  // USB strings unreadable
  link(roots_.dev / "serial" / "by-id" / "usb-Example_Cable_A1-if00-port0", "../../ttyUSB0");
  // A process holds ttyACM10 open; another holds a socket.
  link(roots_.proc / "4242" / "fd" / "7", roots_.dev / "ttyACM10");
  link(roots_.proc / "4243" / "fd" / "3", "socket:[1234]");

  // Each port as "path driver vendor:product maker/product by-id use",
  // paths under the fake root.
  std::vector<std::string> got;
  for (const auto& p : list_serial_ports(roots_)) {
    auto under = [&](const std::string& path) {
      return path.empty() ? "-" : fs::path(path).lexically_relative(root_).string();
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
