#pragma once
// The subcommands of kavrin-cli. Each takes the arguments after its own name and returns the
// process exit code; each lives in its own file.

#include <span>
#include <string>
#include <string_view>

namespace kavrin::cli {

using Args = std::span<const std::string_view>;

// Every command's exit codes.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitSeveral = 3;    // download: several modules answer
inline constexpr int kExitNotPassed = 4;  // a mission not passed

int RunShow(Args args);
int RunGenerate(Args args);
int RunCompile(Args args);
int RunPorts(Args args);
int RunDownload(Args args);
int RunSimPty(Args args);
int RunRun(Args args);
int RunSimulate(Args args);
int RunJudge(Args args);

// Where the virtual robot keeps its EEPROM between runs (the data folder, or the file named by
// KAVRIN_SIM_EEPROM), and handing that file to the SIM port's robot.
std::string SimEepromPath();
void AttachSimEeprom();

}  // namespace kavrin::cli
