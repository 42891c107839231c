#include "cli/program_source.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>

#include "codegen/code_generator.h"
#include "model/kvn_file.h"

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

// A read error (a directory opens fine on some systems, then fails to read) is thrown out of the
// stream buffer by the library, whatever the stream's exception mask: it must not end the program.
bool ReadSourceFile(const std::string& name, std::string& text) {
    try {
        if (name == "-") {
            text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
            return !std::cin.bad();
        }
        std::ifstream in(name, std::ios::binary);
        if (!in) return false;
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        return !in.bad();
    } catch (const std::ios_base::failure&) {
        return false;
    }
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
