// tovrak ports: the serial devices of this machine, as a user needs to pick one.
#include <iostream>

#include "hosts/cli/commands.hpp"
#include "hosts/cli/options.hpp"
#include "tovrak/port_list.hpp"

namespace tovrak::hosts {

int cmd_ports(const Args& args) {
  Options opt("ports",
              "Lists the serial devices of this machine: the path to give --port, the stable\n"
              "/dev/serial/by-id name where there is one, what the device says it is, and\n"
              "whether a program has it open.");
  if (auto status = opt.parse(args)) return *status;
  auto ports = platform::list_serial_ports();
  if (ports.empty()) {
    std::cout << "No serial devices found.\n"
                 "Check that the radio's cable is plugged in and the radio is on; a USB cable\n"
                 "shows up as /dev/ttyUSB0 or /dev/ttyACM0 a moment after it is plugged in\n"
                 "(`dmesg | tail` tells what the system saw).\n";
    return 0;
  }
  for (const auto& p : ports) {
    std::cout << p.path;
    if (p.in_use) std::cout << "  (in use)";
    std::cout << '\n';
    if (!p.by_id.empty()) std::cout << "    " << p.by_id << '\n';
    std::string what = p.manufacturer;
    auto add = [&what](const char* separator, const std::string& part) {
      if (!what.empty()) what += separator;
      what += part;
    };
    if (!p.product.empty()) add(" ", p.product);
    if (!p.vendor_id.empty()) add(" ", "[" + p.vendor_id + ":" + p.product_id + "]");
    if (!p.driver.empty()) add(", ", "driver " + p.driver);
    if (!what.empty()) std::cout << "    " << what << '\n';
  }
  return 0;
}

}  // namespace tovrak::hosts
