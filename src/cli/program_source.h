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

// Reads a source file ("-" for standard input) as bytes, through fileio::ReadInputFile: a
// regular file only (a FIFO, a device or a folder is refused at once). Reads one character more
// than a source may have at most, never further, so that a longer input (an endless pipe on
// standard input) is refused by its length. False, with "kavrin-cli: NAME: cannot read: REASON"
// on standard error, when it cannot be read.
bool ReadSourceFile(const std::string& name, std::string& text);

// Every message about a file names it first, as compilers do: "kavrin-cli: NAME: message".
void PrintFileMessage(const std::string& name, const std::string& message);

// "kavrin-cli: NAME: source is longer than 65535 characters" on standard error.
void PrintTooLong(const std::string& name);

// A tokenizer's refusal of a source, as a compiler reports it: "NAME:LINE:COLUMN: error:
// MESSAGE", the source line and a caret line under the span.
void PrintSourceError(const std::string& name, const std::string& text, const char* message,
                      int position, int length);

// Where an offset lies: 1-based line and column, and the line's first offset and length.
struct SourceLocation {
    int line = 1;
    int column = 1;
    std::size_t lineStart = 0;
    std::size_t lineLength = 0;
};
SourceLocation Locate(const std::string& text, std::size_t offset);

// Whether the file is an action program (a .kvn file, in any letter case) rather than a source.
bool IsActionFile(const std::string& path);

// Loading and generating name the file in their messages ("kavrin-cli: FILE: ...").
bool LoadProgramFile(const ProgramOptions& options, model::TActionProgram& program);

bool GenerateProgram(const ProgramOptions& options, codegen::TProgramText& text);

// The whole program text generated from the action program file, for the tokenizer.
bool GenerateSource(const ProgramOptions& options, std::string& source);

}  // namespace kavrin::cli
