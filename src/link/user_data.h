#pragma once
// Where the programs keep files in the user's data folder. Both kavrin and kavrin-cli use it, so
// the virtual robot holds the same program whichever of them downloaded it last.

#include <string>

namespace kavrin::link {

// The virtual robot's EEPROM file: $KAVRIN_SIM_EEPROM when set (tests use it), else
// "virtual-robot.eeprom" in the application data folder of "Kavrin"; empty when the platform
// has no such folder.
std::string VirtualRobotEepromPath();

}  // namespace kavrin::link
