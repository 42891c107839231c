#pragma once
// What the commands that run a program on the virtual robot share: the image to run (compiled
// from a source or an action program file, or the one the SIM robot holds from its last
// download) and the --seconds option. Failures print their message on standard error.

#include <string_view>

#include "cli/program_source.h"
#include "sim/processor.h"

namespace kavrin::cli {

inline constexpr double kMaxRunSeconds = 24.0 * 3600.0;

// Compiles the program; a .kvn file is generated first with the options' mode.
bool CompileProgramImage(const ProgramOptions& options, sim::Eeprom& image);

// The image kept in the SIM robot's EEPROM file.
bool LoadHeldImage(sim::Eeprom& image);

// A number of virtual seconds above 0 and at most a day.
bool ParseRunSeconds(std::string_view text, double& seconds);

}  // namespace kavrin::cli
