#include "cli/program_image.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

#include "cli/commands.h"
#include "sim/eeprom_store.h"
#include "tokenizer/tokenizer.h"
#include "wire/wire_format.h"

namespace kavrin::cli {

bool CompileProgramImage(const ProgramOptions& options, sim::Eeprom& image,
                         std::optional<sim::StepVariables>* variables) {
    std::string source;
    const bool generated = IsActionFile(options.file);
    if (generated ? !GenerateSource(options, source) : !ReadSourceFile(options.file, source)) {
        return false;
    }
    if (source.size() > wire::kMaxSourceLength) {
        PrintTooLong(options.file);
        return false;
    }
    tokenizer::TTokenizer tokenizer;
    const tokenizer::TTokenizerResult& r = tokenizer.Result();
    if (!tokenizer.LoadSource(source) || tokenizer.Tokenize() != 1) {
        // A source's error has its place in the file; a generated program's is in a text the
        // user never wrote.
        if (generated || r.ErrorMessage == nullptr) {
            PrintFileMessage(options.file,
                             r.ErrorMessage ? r.ErrorMessage : "the program does not compile");
        } else {
            PrintSourceError(options.file, source, r.ErrorMessage, r.ErrorPos, r.ErrorLength);
        }
        return false;
    }
    // A KR1 image is 256 bytes of another instruction set: run as KR2 code it would do
    // something, but not what the program says.
    if (tokenizer::IsKr1Program(r)) {
        std::fprintf(stderr,
                     "kavrin-cli: %s is a KR1 program; the virtual robot runs KR2 programs only\n",
                     options.file.c_str());
        return false;
    }
    std::copy(r.EepromImage.begin(), r.EepromImage.end(), image.begin());
    if (variables != nullptr) {
        *variables = generated ? sim::FindStepVariables([&tokenizer](std::string_view name) {
            return tokenizer.FindVariable(name);
        })
                               : std::nullopt;
    }
    return true;
}

bool LoadHeldImage(sim::Eeprom& image) {
    sim::StoredEeprom stored{};
    const std::string path = SimEepromPath();
    std::string problem;
    if (path.empty() || !sim::LoadEepromFile(path, stored, &problem)) {
        PrintEepromProblem(problem);
        std::fputs("kavrin-cli: the virtual robot holds no program (download one to SIM first)\n",
                   stderr);
        return false;
    }
    std::copy(stored.begin(), stored.end(), image.begin());
    return true;
}

void PrintEepromProblem(const std::string& problem) {
    if (!problem.empty()) {
        std::fprintf(stderr, "kavrin-cli: %s; the virtual robot's EEPROM reads as empty\n",
                     problem.c_str());
    }
}

bool ParseRunSeconds(std::string_view text, double& seconds) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
    return ec == std::errc() && end == text.data() + text.size() && seconds > 0 &&
           seconds <= kMaxRunSeconds;
}

bool TakeVirtualRunOption(Args args, std::size_t& i, VirtualRunOptions& options) {
    const std::string_view arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (TakeModeOption(arg, options.program, true)) return true;
    if (arg == "--held") {
        options.held = true;
    } else if (arg == "--trace") {
        options.trace = true;
    } else if (arg == "--seconds" && hasValue) {
        if (!ParseRunSeconds(args[++i], options.seconds)) {
            std::fprintf(
                stderr,
                "kavrin-cli: --seconds %s: give a number of seconds above 0 and at most %.0f\n",
                std::string(args[i]).c_str(), kMaxRunSeconds);
            return false;
        }
    } else if ((arg.starts_with("-") && arg != "-") || !options.program.file.empty()) {
        return false;
    } else {
        options.program.file = arg;
    }
    return true;
}

int ParseVirtualRunArgs(Args args, const char* usage, VirtualRunOptions& options,
                        const OwnOptionTaker& takeOwn) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(usage, stdout);
            return 0;
        }
        if (!takeOwn(args, i) && !TakeVirtualRunOption(args, i, options)) {
            std::fputs(usage, stderr);
            return kExitUsage;
        }
    }
    if (!HasOneProgram(options)) {
        std::fputs(usage, stderr);
        return kExitUsage;
    }
    return -1;
}

}  // namespace kavrin::cli
