#include "cli/program_source.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>

#include "codegen/code_generator.h"
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

namespace {

// Reads up to limit characters; a stream that goes on (a device, an endless pipe) is left there.
bool ReadAtMost(std::istream& in, std::size_t limit, std::string& text) {
    text.clear();
    char chunk[4096];
    while (text.size() < limit && in) {
        in.read(chunk, static_cast<std::streamsize>(std::min(sizeof chunk, limit - text.size())));
        text.append(chunk, static_cast<std::size_t>(in.gcount()));
    }
    return !in.bad();
}

}  // namespace

// A read error (a directory opens fine on some systems, then fails to read) is thrown out of the
// stream buffer by the library, whatever the stream's exception mask: it must not end the program.
bool ReadSourceFile(const std::filesystem::path& name, std::string& text) {
    constexpr std::size_t kReadLimit = wire::kMaxSourceLength + 1;
    try {
        if (name == "-") {
            return ReadAtMost(std::cin, kReadLimit, text);
        }
        std::ifstream in(name, std::ios::binary);
        if (!in) return false;
        return ReadAtMost(in, kReadLimit, text);
    } catch (const std::ios_base::failure&) {
        return false;
    }
}

void PrintTooLong(const std::string& name) {
    std::fprintf(stderr, "kavrin-cli: %s: source is longer than %zu characters\n", name.c_str(),
                 wire::kMaxSourceLength);
}

bool IsActionFile(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".kvn";
}

bool LoadProgramFile(const ProgramOptions& options, model::TActionProgram& program) {
    const model::TFileResult loaded = model::LoadActionFile(options.file, options.mode, program);
    if (!loaded.ok) {
        std::fprintf(stderr, "%s\n", loaded.message.c_str());
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
        std::fprintf(stderr, "%s\n", built.message.c_str());
    }
    return built.ok;
}

}  // namespace kavrin::cli
