#include "cli/program_source.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "codegen/code_generator.h"
#include "fileio/input_file.h"
#include "model/kvn_file.h"
#include "wire/wire_format.h"

namespace kavrin::cli {

bool TakeModeOption(std::string_view arg, ProgramOptions& options, bool withSensors) {
    if (arg == "--advanced") {
        options.mode = model::TMode::Advanced;
        return true;
    }
    if (withSensors && arg == "--sensors") {
        options.sensorsEnabled = true;
        return true;
    }
    return false;
}

int ParseProgramArgs(std::span<const std::string_view> args, bool withSensors, const char* usage,
                     ProgramOptions& options) {
    for (std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (TakeModeOption(arg, options, withSensors)) {
            continue;
        }
        if (arg.starts_with("-") || !options.file.empty()) {
            std::fputs(usage, stderr);
            return 2;
        }
        options.file = arg;
    }
    if (options.file.empty()) {
        std::fputs(usage, stderr);
        return 2;
    }
    return -1;
}

bool ReadSourceFile(const std::string& name, std::string& text) {
    const fileio::ReadResult read =
        fileio::ReadInputFile(fileio::PathFromUtf8(name), wire::kMaxSourceLength, text,
                              fileio::Source::kFileOrStandardInput);
    // One character past the limit is kept: the length check that follows says what is wrong.
    if (read.Ok() || read.problem == fileio::ReadProblem::kTooLarge) return true;
    PrintFileMessage(name, "cannot read: " + read.Reason());
    return false;
}

void PrintFileMessage(const std::string& name, const std::string& message) {
    std::fprintf(stderr, "kavrin-cli: %s: %s\n", name.c_str(), message.c_str());
}

void PrintTooLong(const std::string& name) {
    PrintFileMessage(
        name, "source is longer than " + std::to_string(wire::kMaxSourceLength) + " characters");
}

SourceLocation Locate(const std::string& text, std::size_t offset) {
    SourceLocation loc;
    offset = std::min(offset, text.size());
    for (std::size_t i = 0; i < offset; ++i) {
        const char c = text[i];
        if (c == '\n' || (c == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n'))) {
            ++loc.line;
            loc.lineStart = i + 1;
        }
    }
    loc.column = static_cast<int>(offset - loc.lineStart) + 1;
    std::size_t end = loc.lineStart;
    while (end < text.size() && text[end] != '\n' && text[end] != '\r') ++end;
    loc.lineLength = end - loc.lineStart;
    return loc;
}

void PrintSourceError(const std::string& name, const std::string& text, const char* message,
                      int position, int length) {
    const std::size_t pos = position > 0 ? static_cast<std::size_t>(position) : 0;
    const SourceLocation loc = Locate(text, pos);
    std::fprintf(stderr, "%s:%d:%d: error: %s\n", name.c_str(), loc.line, loc.column,
                 message != nullptr && *message != '\0' ? message : "Tokenization failed");
    const std::string line = text.substr(loc.lineStart, loc.lineLength);
    std::string caret;
    const std::size_t before = std::min(pos - loc.lineStart, line.size());
    for (std::size_t i = 0; i < before; ++i) caret += line[i] == '\t' ? '\t' : ' ';
    const std::size_t room = line.size() > before ? line.size() - before : 1;
    const std::size_t span = length > 0 ? static_cast<std::size_t>(length) : 1;
    caret.append(std::min(span, room), '^');
    std::fprintf(stderr, "%s\n%s\n", line.c_str(), caret.c_str());
}

bool IsActionFile(const std::string& path) {
    std::string ext = fileio::ShownPath(fileio::PathFromUtf8(path).extension());
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".kvn";
}

bool LoadProgramFile(const ProgramOptions& options, model::TActionProgram& program) {
    const model::TFileResult loaded =
        model::LoadActionFile(fileio::PathFromUtf8(options.file), options.mode, program);
    if (!loaded.ok) {
        PrintFileMessage(options.file, loaded.reason);
    }
    return loaded.ok;
}

bool GenerateProgram(const ProgramOptions& options, codegen::TProgramText& text) {
    model::TActionProgram program;
    if (!LoadProgramFile(options, program)) {
        return false;
    }
    const codegen::TBuildResult built =
        codegen::BuildCode(program, options.mode, options.sensorsEnabled, text);
    if (!built.ok) {
        PrintFileMessage(options.file, built.message);
    }
    return built.ok;
}

bool GenerateSource(const ProgramOptions& options, std::string& source) {
    codegen::TProgramText text;
    if (!GenerateProgram(options, text)) {
        return false;
    }
    const codegen::TTextResult whole = text.TextForTokenizer(source);
    if (!whole.ok) {
        PrintFileMessage(options.file, whole.message);
    }
    return whole.ok;
}

}  // namespace kavrin::cli
