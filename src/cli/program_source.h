#pragma once
// What the commands that read an action program file share: the mode options, loading the file
// as the editor would, and generating the robot program from it. Failures print the message on
// standard error and return false.

#include <string>
#include <string_view>

#include "codegen/program_text.h"
#include "model/action_program.h"

namespace kavrin::cli {

struct ProgramOptions {
    std::string file;
    model::TMode mode = model::TMode::Beginner;
    bool sensorsEnabled = false;  // the Beginner check box; Advanced mode always uses the sensors
};

// Takes "--advanced" and, where the command has it, "--sensors". False for any other argument.
bool TakeModeOption(std::string_view arg, ProgramOptions& options, bool withSensors);

bool LoadProgramFile(const ProgramOptions& options, model::TActionProgram& program);

bool GenerateProgram(const ProgramOptions& options, codegen::TProgramText& text);

}  // namespace kavrin::cli
