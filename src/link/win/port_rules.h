#pragma once
// The decisions of the Win32 serial backend that need no Windows: port name order, the device
// path a name opens, what a system error means to the caller, and the read time-outs. Kept apart
// so that they are built and tested on every platform.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace kavrin::link::win {

// "COM1", "COM2", ..., "COM10": COM ports by number, then any other names alphabetically.
void SortPortNames(std::vector<std::string>& names);

// The name CreateFileW opens: "\\.\COM10" for "COM10" (ports above 9 need the device prefix),
// names that already are a device path unchanged.
std::string DevicePathOf(std::string_view name);

// Maps the system error of a failed open to the reason the port status reports. Windows
// answers a port that another program holds with "access denied"; there is no per-user
// permission on COM ports, so both count as in use.
OpenError OpenErrorOf(std::uint32_t systemError);

// COMMTIMEOUTS read fields. A read returns as soon as any byte is there, else waits up to the
// constant for the first one; 0 ms returns at once with what has arrived.
struct ReadTimeouts {
    std::uint32_t interval = 0;
    std::uint32_t multiplier = 0;
    std::uint32_t constant = 0;
};
ReadTimeouts ReadTimeoutsFor(int timeoutMs);

}  // namespace kavrin::link::win
