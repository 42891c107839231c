#include "cli/program_source.h"

#include <cstdio>

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
