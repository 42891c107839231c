// kavrin-cli show: prints an action program file as the editor would load it.

#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/program_source.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] = "usage: kavrin-cli show FILE.kvn [--advanced]\n";

void PrintProgram(const model::TActionProgram& program) {
    std::printf("calibration %d %d\n", program.leftServoCenter, program.rightServoCenter);
    for (int list = 1; list <= model::kListCount; ++list) {
        std::printf("list %d: %d steps\n", list, program.Count(list));
    }
    for (int list = 1; list <= model::kListCount; ++list) {
        for (int k = 1; k <= program.Count(list); ++k) {
            const model::TBotAction& step = program.Step(list, k);
            std::printf("%d.%d %c %d %d %d %d\n", list, k, model::kActionKinds[step.kind].letter,
                        step.value, step.sensors[model::scBoth], step.sensors[model::scLeft],
                        step.sensors[model::scRight]);
        }
    }
}

}  // namespace

int RunShow(Args args) {
    ProgramOptions options;
    if (const int exitCode = ParseProgramArgs(args, false, kUsage, options); exitCode >= 0) {
        return exitCode;
    }
    model::TActionProgram program;
    if (!LoadProgramFile(options, program)) {
        return 1;
    }
    PrintProgram(program);
    return 0;
}

}  // namespace kavrin::cli
