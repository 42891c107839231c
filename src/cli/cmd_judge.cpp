// kavrin-cli judge: a whole class's programs against one or more missions.
//
//   kavrin-cli judge --mission NAME|FILE [--mission NAME|FILE ...] FILE.kvn|FOLDER ...
//                    [--csv FILE] [--report FILE.html] [--jobs N] [--advanced] [--sensors]
//
// A folder stands for every .kvn file in it (not in its folders). Each program runs against each
// mission on a virtual robot of its own (judge/judge.h), N at a time (by default as many as the
// machine has processors), and one line is printed per (program, mission), by file name and then
// by mission in the order given, whatever N is:
//
//   class/anna.kvn: square: mission passed in 10.4 s
//   class/anna.kvn: bay: mission not passed: touched a wall at 6.2 s during step 1 (forward)
//   class/notes.kvn: square: not judged: Not proper Kavrin file format.
//
// --csv writes the same rows as a table, --report an HTML page for printing (judge_text.h,
// report.h); both are written whole or not at all. Exit 0 when every row passed, 4 when some did
// not, 1 when the run could not be made (a mission with an error, a folder without programs, a
// file that cannot be written), 2 on a usage error.

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/program_source.h"
#include "fileio/input_file.h"
#include "judge/judge.h"
#include "judge/judge_text.h"
#include "judge/report.h"
#include "judge/whole_file.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] =
    "usage: kavrin-cli judge --mission NAME|FILE [--mission NAME|FILE ...] FILE.kvn|FOLDER ...\n"
    "                        [--csv FILE] [--report FILE.html] [--jobs N] [--advanced] "
    "[--sensors]\n"
    "Judges every program (a folder: every .kvn file in it) against every mission and prints one\n"
    "line for each; exit 0 when all passed, 4 when some did not.\n";
constexpr unsigned kMaxJobs = 256;

struct JudgeOptions {
    ProgramOptions mode;  // its file stays empty
    std::vector<std::string> missions;
    std::vector<std::string> programs;
    std::string csv;
    std::string report;
    unsigned jobs = 0;
};

bool ParseJobs(std::string_view text, unsigned& jobs) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    return ec == std::errc() && end == text.data() + text.size() && jobs >= 1 && jobs <= kMaxJobs;
}

// -1 to go on, else the exit code.
int ParseArgs(Args args, JudgeOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (TakeModeOption(arg, options.mode, true)) continue;
        if (arg == "--mission" && hasValue) {
            options.missions.emplace_back(args[++i]);
        } else if (arg == "--csv" && hasValue && options.csv.empty()) {
            options.csv = args[++i];
        } else if (arg == "--report" && hasValue && options.report.empty()) {
            options.report = args[++i];
        } else if (arg == "--jobs" && hasValue) {
            if (!ParseJobs(args[++i], options.jobs)) {
                std::fprintf(stderr, "kavrin-cli: --jobs %s: give a whole number from 1 to %u\n",
                             std::string(args[i]).c_str(), kMaxJobs);
                std::fputs(kUsage, stderr);
                return kExitUsage;
            }
        } else if (arg.starts_with("-") && arg != "-") {
            std::fputs(kUsage, stderr);
            return kExitUsage;
        } else {
            options.programs.emplace_back(arg);
        }
    }
    if (options.missions.empty() || options.programs.empty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    return -1;
}

// The files named, a folder by its .kvn files; false (with the message) when a folder has none.
bool GatherPrograms(const std::vector<std::string>& names,
                    std::vector<std::filesystem::path>& files) {
    for (const std::string& name : names) {
        const std::filesystem::path path = fileio::PathFromUtf8(name);
        std::error_code ec;
        if (!std::filesystem::is_directory(path, ec)) {
            files.push_back(path);  // a file that cannot be read is a row with its reason
            continue;
        }
        judge::FolderPrograms found = judge::ProgramsInFolder(path);
        if (!found.error.empty()) {
            std::fprintf(stderr, "kavrin-cli: cannot read the folder %s: %s\n", name.c_str(),
                         found.error.c_str());
            return false;
        }
        if (found.files.empty()) {
            std::fprintf(stderr, "kavrin-cli: the folder %s holds no .kvn files\n", name.c_str());
            return false;
        }
        files.insert(files.end(), found.files.begin(), found.files.end());
    }
    return true;
}

bool Write(const std::string& name, const std::string& bytes) {
    const std::string error = judge::WriteWholeFile(fileio::PathFromUtf8(name), bytes);
    if (!error.empty()) std::fprintf(stderr, "kavrin-cli: %s\n", error.c_str());
    return error.empty();
}

}  // namespace

int RunJudge(Args args) {
    JudgeOptions options;
    if (const int code = ParseArgs(args, options); code >= 0) return code;

    judge::Request request;
    for (const std::string& name : options.missions) {
        sim::MissionResult found = sim::FindMission(name);
        if (!found.mission) {
            std::fprintf(stderr, "kavrin-cli: %s\n", found.error.c_str());
            return kExitFailed;
        }
        request.missions.push_back(std::move(*found.mission));
    }
    if (!GatherPrograms(options.programs, request.programs)) return kExitFailed;
    request.mode = options.mode.mode;
    request.sensorsEnabled = options.mode.sensorsEnabled;
    request.jobs = options.jobs;

    const judge::Result result = judge::Judge(request);
    for (std::size_t p = 0; p < result.programs.size(); ++p) {
        for (std::size_t m = 0; m < result.missions.size(); ++m) {
            std::printf("%s\n", judge::RowLine(result, p, m).c_str());
        }
    }
    std::fflush(stdout);
    bool written = true;
    if (!options.csv.empty()) written = Write(options.csv, judge::CsvText(result)) && written;
    if (!options.report.empty())
        written = Write(options.report, judge::ReportHtml(result)) && written;
    if (!written) return kExitFailed;
    return result.AllPassed() ? 0 : kExitNotPassed;
}

}  // namespace kavrin::cli
