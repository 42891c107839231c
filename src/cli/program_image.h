#pragma once
// What the commands that run a program on the virtual robot share: the image to run (compiled
// from a source or an action program file, or the one the SIM robot holds from its last
// download) and the --seconds option. Failures print their message on standard error.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "cli/commands.h"
#include "cli/program_source.h"
#include "sim/processor.h"
#include "sim/step_probe.h"

namespace kavrin::cli {

inline constexpr double kMaxRunSeconds = 24.0 * 3600.0;

// Compiles the program; a .kvn file is generated first with the options' mode. With variables,
// a generated program's step variables are put there (nothing for a source), so that a run can
// follow its steps.
bool CompileProgramImage(const ProgramOptions& options, sim::Eeprom& image,
                         std::optional<sim::StepVariables>* variables = nullptr);

// The image kept in the SIM robot's EEPROM file.
bool LoadHeldImage(sim::Eeprom& image);

// Why the EEPROM file was not used (sim::LoadEepromFile's problem), nothing when empty.
void PrintEepromProblem(const std::string& problem);

// A number of virtual seconds above 0 and at most a day.
bool ParseRunSeconds(std::string_view text, double& seconds);

// The options of every command that runs a program on the virtual robot.
struct VirtualRunOptions {
    ProgramOptions program;
    bool held = false;
    double seconds = 0;
    bool trace = false;
};

// Takes args[i] when it is one of those options (with its value: i moves past it) or the
// program's file; false for anything else, which the command then reads or refuses.
bool TakeVirtualRunOption(Args args, std::size_t& i, VirtualRunOptions& options);

// A run needs exactly one program: a file, or the held image.
inline bool HasOneProgram(const VirtualRunOptions& options) {
    return options.held != !options.program.file.empty();
}

// Takes args[i] when it is one of the command's own options (with its value: i moves past it).
using OwnOptionTaker = std::function<bool(Args args, std::size_t& i)>;

// Reads a run command's arguments: --help, the command's own options (offered first), then the
// shared ones. Returns -1 when the command should go on, else the exit code (0 after --help,
// 2 after a usage error, with the usage printed).
int ParseVirtualRunArgs(Args args, const char* usage, VirtualRunOptions& options,
                        const OwnOptionTaker& takeOwn);

}  // namespace kavrin::cli
