#pragma once
// The computer's real serial ports, through the backend this platform builds: Qt SerialPort
// (link/qt/) on Linux, the Win32 communications API (link/win/) on Windows. The programs hand
// OpenSystemPort to the port pool and EnumeratePorts to the port list.

#include <string>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace kavrin::link {

// Opens a real port with the fixed line settings.
OpenResult OpenSystemPort(std::string_view name);

// Fills the list with the computer's serial ports in the platform's order, and "SIM" last.
void EnumeratePorts(std::vector<std::string>& list);

}  // namespace kavrin::link
