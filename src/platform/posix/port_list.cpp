#include "tovrak/port_list.hpp"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <string_view>
#include <system_error>
#include <utility>

namespace tovrak::platform {

namespace fs = std::filesystem;

namespace {

// First line of a sysfs attribute, without its newline; empty if missing.
std::string attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
  return line;
}

bool present(const fs::path& p) {
  std::error_code ec;
  return fs::exists(p, ec);
}

fs::path canonical_or_self(const fs::path& p) {
  std::error_code ec;
  fs::path c = fs::canonical(p, ec);
  return ec ? p : c;
}

// A ttyS node exists for every possible 8250 port; only those where the
// kernel found a UART (type other than 0, "unknown") lead anywhere.
bool has_uart(const fs::path& tty_class_dir) {
  std::string type = attribute(tty_class_dir / "type");
  return type.empty() || type != "0";
}

// The USB device (the directory with idVendor) above the tty's device, if any.
void read_usb(const fs::path& device, const fs::path& sys_root, PortInfo& info) {
  fs::path root = canonical_or_self(sys_root);
  for (fs::path dir = canonical_or_self(device); !dir.empty() && dir != root;
       dir = dir.parent_path()) {
    if (present(dir / "idVendor")) {
      info.vendor_id = attribute(dir / "idVendor");
      info.product_id = attribute(dir / "idProduct");
      info.manufacturer = attribute(dir / "manufacturer");
      info.product = attribute(dir / "product");
      info.serial_number = attribute(dir / "serial");
      return;
    }
    if (dir == dir.parent_path()) return;
  }
}

// Descriptor links of every process we may look at, resolved to the
// devices they hold open.
std::set<fs::path> held_open(const fs::path& proc_root) {
  std::set<fs::path> held;
  std::error_code ec;
  for (fs::directory_iterator pid(proc_root, ec), end; !ec && pid != end; pid.increment(ec)) {
    const std::string name = pid->path().filename().string();
    auto digit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    if (name.empty() || !std::all_of(name.begin(), name.end(), digit)) continue;
    std::error_code fd_ec;
    for (fs::directory_iterator fd(pid->path() / "fd", fd_ec), fd_end; !fd_ec && fd != fd_end;
         fd.increment(fd_ec)) {
      std::error_code link_ec;
      fs::path target = fs::read_symlink(fd->path(), link_ec);
      if (link_ec || !target.is_absolute()) continue;  // sockets, pipes: "socket:[...]"
      held.insert(target);
    }
  }
  return held;
}

// by-id links, resolved to the devices they name.
std::vector<std::pair<fs::path, fs::path>> stable_names(const fs::path& dev_root) {
  std::vector<std::pair<fs::path, fs::path>> names;
  std::error_code ec;
  for (fs::directory_iterator link(dev_root / "serial" / "by-id", ec), end; !ec && link != end;
       link.increment(ec)) {
    names.emplace_back(canonical_or_self(link->path()), link->path());
  }
  std::sort(names.begin(), names.end());
  return names;
}

bool is_digit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }

// The run of digits at `at`, without its leading zeros (a run of zeros is
// empty, and still the least); `at` moves past it.
std::string_view digit_run(const std::string& s, size_t& at) {
  const auto end =
      static_cast<size_t>(std::find_if_not(s.begin() + at, s.end(), is_digit) - s.begin());
  std::string_view run(s.data() + at, end - at);
  at = end;
  run.remove_prefix(std::min(run.find_first_not_of('0'), run.size()));
  return run;
}

// ttyS2 < ttyS10: digit runs compare by value.
bool natural_less(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    if (is_digit(a[i]) && is_digit(b[j])) {
      const std::string_view da = digit_run(a, i), db = digit_run(b, j);
      if (da != db) return std::pair(da.size(), da) < std::pair(db.size(), db);
    } else {
      if (a[i] != b[j]) return a[i] < b[j];
      ++i;
      ++j;
    }
  }
  return a.size() - i < b.size() - j;
}

}  // namespace

std::vector<PortInfo> list_serial_ports(const PortScanRoots& roots) {
  std::vector<PortInfo> ports;
  std::error_code ec;
  const fs::path tty_class = roots.sys / "class" / "tty";
  auto held = held_open(roots.proc);
  auto by_id = stable_names(roots.dev);
  for (fs::directory_iterator entry(tty_class, ec), end; !ec && entry != end; entry.increment(ec)) {
    const fs::path dir = entry->path();
    const std::string name = dir.filename().string();
    // Consoles, virtual terminals and pseudo-terminals have no device.
    const fs::path device = dir / "device";
    if (!present(device)) continue;
    if (name.starts_with("ttyS") && !has_uart(dir)) continue;

    PortInfo info;
    info.path = (roots.dev / name).string();
    std::error_code link_ec;
    fs::path driver = fs::read_symlink(device / "driver", link_ec);
    if (!link_ec) info.driver = driver.filename().string();
    read_usb(device, roots.sys, info);

    const fs::path real = canonical_or_self(roots.dev / name);
    for (const auto& [target, link] : by_id) {
      if (target == real) {
        info.by_id = link.string();
        break;
      }
    }
    info.in_use = held.count(fs::path(info.path)) > 0 || held.count(real) > 0;
    ports.push_back(std::move(info));
  }
  std::sort(ports.begin(), ports.end(),
            [](const PortInfo& a, const PortInfo& b) { return natural_less(a.path, b.path); });
  return ports;
}

}  // namespace tovrak::platform
