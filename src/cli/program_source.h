#pragma once
// What the commands that read programs share: reading a source file, the mode options, loading
// an action program file as the editor would, and generating the robot program from it. Loading
// and generating print their message on standard error when they fail.

#include <filesystem>
#include <span>
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

// Takes "FILE [--advanced] [--sensors]" for a command whose only options are those. Returns -1
// when the command should go on, else the exit code (0 after --help, 2 after a usage error, with
// the usage printed).
int ParseProgramArgs(std::span<const std::string_view> args, bool withSensors, const char* usage,
                     ProgramOptions& options);

// Reads a source file ("-" for standard input) as bytes. Reads one character more than a source
// may have at most, never further, so that an endless input is refused by its length. False
// when it cannot be read.
bool ReadSourceFile(const std::filesystem::path& name, std::string& text);

// "kavrin-cli: NAME: source is longer than 65535 characters" on standard error.
void PrintTooLong(const std::string& name);

// Whether the file is an action program (a .kvn file, in any letter case) rather than a source.
bool IsActionFile(const std::string& path);

bool LoadProgramFile(const ProgramOptions& options, model::TActionProgram& program);

bool GenerateProgram(const ProgramOptions& options, codegen::TProgramText& text);

}  // namespace kavrin::cli
