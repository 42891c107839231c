#pragma once
// The real serial ports, through Qt's QSerialPort and QSerialPortInfo. Ports are used from the
// identification threads without an event loop: every read and write waits on its own time-out.
// On Linux a port is named by its device (ttyUSB0, ttyACM0), or by an absolute device path.
// OpenSystemPort and EnumeratePorts (system_port.h) are this backend's on Linux.

#include <string_view>

#include "link/system_port.h"

namespace kavrin::link {

// Opens a real port with the fixed line settings.
OpenResult OpenQtSerialPort(std::string_view name);

}  // namespace kavrin::link
