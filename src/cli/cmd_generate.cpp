// kavrin-cli generate: prints the robot program made from an action program file, exactly as
// the tokenizer would receive it (lines joined by CR LF, no final line break).

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "codegen/code_generator.h"
#include "model/kvn_file.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] = "usage: kavrin-cli generate FILE.kvn [--advanced] [--sensors]\n";

}  // namespace

int RunGenerate(Args args) {
    std::string file;
    model::TMode mode = model::TMode::Beginner;
    bool sensorsEnabled = false;
    for (std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "--advanced") {
            mode = model::TMode::Advanced;
        } else if (arg == "--sensors") {
            sensorsEnabled = true;  // the Beginner check box; Advanced mode always uses sensors
        } else if (arg.starts_with("-") || !file.empty()) {
            std::fputs(kUsage, stderr);
            return 2;
        } else {
            file = arg;
        }
    }
    if (file.empty()) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    model::TActionProgram program;
    const model::TFileResult loaded = model::LoadActionFile(file, mode, program);
    if (!loaded.ok) {
        std::fprintf(stderr, "%s\n", loaded.message.c_str());
        return 1;
    }
    codegen::TProgramText text;
    const codegen::TBuildResult built = codegen::BuildCode(program, mode, sensorsEnabled, text);
    if (!built.ok) {
        std::fprintf(stderr, "%s\n", built.message.c_str());
        return 1;
    }
    const std::string whole = text.WholeText();
    if (std::fwrite(whole.data(), 1, whole.size(), stdout) != whole.size() ||
        std::fflush(stdout) != 0) {
        std::fputs("kavrin-cli: cannot write the program to standard output\n", stderr);
        return 1;
    }
    return 0;
}

}  // namespace kavrin::cli
