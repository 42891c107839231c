#pragma once
// The real serial ports, through Qt's QSerialPort and QSerialPortInfo. Ports are used from the
// identification threads without an event loop: every read and write waits on its own time-out.
// On Linux a port is named by its device (ttyUSB0, ttyACM0), or by an absolute device path.

#include <string>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace kavrin::link {

// Opens a real port with the fixed line settings.
OpenResult OpenQtSerialPort(std::string_view name);

// Fills the list with the computer's serial ports, sorted by name, and "SIM" last.
void EnumeratePorts(std::vector<std::string>& list);

}  // namespace kavrin::link
