// kavrin-cli generate: prints the robot program made from an action program file, exactly as
// the tokenizer would receive it (lines joined by CR LF, no final line break).

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/program_source.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] = "usage: kavrin-cli generate FILE.kvn [--advanced] [--sensors]\n";

}  // namespace

int RunGenerate(Args args) {
    ProgramOptions options;
    if (const int exitCode = ParseProgramArgs(args, true, kUsage, options); exitCode >= 0) {
        return exitCode;
    }
    codegen::TProgramText text;
    if (!GenerateProgram(options, text)) {
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
