#include "platform/serial/serial_ports.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "testing/scratch_folder.h"

namespace {

namespace fs = std::filesystem;

void write(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << text << '\n';
}

void link(const fs::path& at, const std::string& target) {
  fs::create_directories(at.parent_path());
  fs::create_symlink(target, at);
}

std::string shown(const KelmSerialPort& p) {
  return std::string(p.device.View()) + " [" + std::string(p.byId.View()) + "] " +
         std::string(p.vendorId.View()) + ":" + std::string(p.productId.View()) + " " +
         std::string(p.manufacturer.View()) + " / " + std::string(p.product.View());
}

// A machine laid out as sysfs and udev lay it out: a USB adapter with its
// by-id link, a legacy port with a chip behind it and one without, and a
// virtual console with no device at all.
TEST(SerialPorts, ListsTheLinesPresentWithTheirStableNamesAndUsbDetails) {
  const ScratchFolder root;
  const fs::path top = root.path("");
  const fs::path usb = top / "sys/devices/pci0/usb1/1-2";
  write(usb / "idVendor", "0403");
  write(usb / "idProduct", "6001");
  write(usb / "manufacturer", "FTDI");
  write(usb / "product", "FT232R USB UART");
  fs::create_directories(usb / "1-2:1.0/ttyUSB0");
  link(top / "sys/class/tty/ttyUSB0/device", "../../../devices/pci0/usb1/1-2/1-2:1.0/ttyUSB0");
  fs::create_directories(top / "sys/devices/platform/serial8250");
  link(top / "sys/class/tty/ttyS0/device", "../../../devices/platform/serial8250");
  write(top / "sys/class/tty/ttyS0/type", "4");
  link(top / "sys/class/tty/ttyS1/device", "../../../devices/platform/serial8250");
  write(top / "sys/class/tty/ttyS1/type", "0");
  fs::create_directories(top / "sys/class/tty/tty0");
  link(top / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0", "../../ttyUSB0");

  const std::vector<KelmSerialPort> ports = KelmEnumSerialPorts(top.c_str());
  std::string all;
  for (const KelmSerialPort& p : ports) all += shown(p) + "\n";
  EXPECT_EQ(
      "/dev/ttyS0 [] :  / \n"
      "/dev/ttyUSB0 [/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1-if00-port0] 0403:6001 FTDI / "
      "FT232R USB UART\n",
      all);
}

TEST(SerialPorts, AMachineWithoutTheTreesHasNone) {
  const ScratchFolder root;
  EXPECT_TRUE(KelmEnumSerialPorts(root.path("").c_str()).empty());
}

}  // namespace
