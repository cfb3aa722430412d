#include "platform/serial/serial_ports.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <system_error>

namespace {

namespace fs = std::filesystem;

// The first line of a sysfs attribute, or "" when there is none.
std::string attribute(const fs::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  return line;
}

// A terminal with a device behind it; a legacy port the kernel keeps ready
// for hardware that is not there reports type 0.
bool is_serial_line(const fs::path& tty) {
  std::error_code error;
  if (!fs::exists(tty / "device", error)) return false;
  const std::string name = tty.filename().string();
  return !name.starts_with("ttyS") || attribute(tty / "type") != "0";
}

// The USB device a terminal belongs to is the nearest folder above it that
// holds idVendor.
void add_usb_details(const fs::path& tty, const fs::path& sys, KelmSerialPort& port) {
  std::error_code error;
  fs::path at = fs::canonical(tty / "device", error);
  if (error) return;
  const fs::path top = fs::canonical(sys, error);
  for (; !error && at != at.root_path() && at.string().starts_with(top.string());
       at = at.parent_path()) {
    if (!fs::exists(at / "idVendor", error)) continue;
    port.vendorId = attribute(at / "idVendor").c_str();
    port.productId = attribute(at / "idProduct").c_str();
    port.manufacturer = attribute(at / "manufacturer").c_str();
    port.product = attribute(at / "product").c_str();
    return;
  }
}

// Terminal name ("ttyUSB0") to its by-id link's name under "/".
std::map<std::string, std::string> by_id_names(const fs::path& root) {
  std::map<std::string, std::string> names;
  std::error_code error;
  const fs::path folder = root / "dev/serial/by-id";
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
    std::error_code link_error;
    const fs::path target = fs::read_symlink(entry.path(), link_error);
    if (link_error) continue;
    names[target.filename().string()] = "/dev/serial/by-id/" + entry.path().filename().string();
  }
  return names;
}

}  // namespace

std::vector<KelmSerialPort> KelmEnumSerialPorts(const char* root) {
  const fs::path top = root != nullptr ? fs::path(root) : fs::path("/");
  const fs::path sys = top / "sys";
  std::map<std::string, std::string> by_id = by_id_names(top);
  std::vector<KelmSerialPort> ports;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(sys / "class/tty", error)) {
    const std::string name = entry.path().filename().string();
    if (!is_serial_line(entry.path()) && !by_id.contains(name)) continue;
    KelmSerialPort port;
    port.device = ("/dev/" + name).c_str();
    if (const auto id = by_id.find(name); id != by_id.end()) {
      port.byId = id->second.c_str();
      by_id.erase(id);
    }
    add_usb_details(entry.path(), sys, port);
    ports.push_back(port);
  }
  std::sort(ports.begin(), ports.end(), [](const KelmSerialPort& a, const KelmSerialPort& b) {
    return std::string_view(a.device.View()) < std::string_view(b.device.View());
  });
  return ports;
}
