// The serial devices present on the machine, as a host lists them for the
// user to pick the writer's port: each terminal device that stands for a
// real or USB serial line, with the stable /dev/serial/by-id name that udev
// gives a USB adapter (the name to put in a port string or the port
// table, since the /dev/ttyUSBn or /dev/ttyACMn name may change when the
// cable is plugged in again) and the USB vendor and product it reports.
//
// Legacy ports that the kernel reserves without hardware behind them
// (/dev/ttyS<n> of an unknown type) are left out. A snapshot: devices come
// and go at any time.
#pragma once

#include "platform/export.h"
#include "platform/string.h"

#include <vector>

struct KelmSerialPort {
  CString device;        // "/dev/ttyUSB0"
  CString byId;          // "/dev/serial/by-id/usb-..." or empty
  CString vendorId;      // four hex digits from USB, or empty
  CString productId;     // four hex digits from USB, or empty
  CString manufacturer;  // as the USB device names itself, or empty
  CString product;
};

// Sorted by device. `root` stands for "/" in tests (a folder holding dev/
// and sys/ trees); null for the machine's own. The paths returned are those
// under "/" either way.
KELM_EXPORT std::vector<KelmSerialPort> KelmEnumSerialPorts(const char* root = nullptr);
