// kavrin-cli download: the run button without the window. A .kvn file is turned into the robot
// program first (as `generate` does); the source is tokenized, the ports are scanned, and the
// blocks go to the robot. Exit codes: 0 every block acknowledged, 1 the download failed,
// 2 usage error or unknown port, 3 several robots answered and --port must pick one.

#if defined(__unix__) || defined(__APPLE__)
#include <unistd.h>
#define KAVRIN_HAVE_ISATTY 1
#endif

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "cli/commands.h"
#include "cli/program_source.h"
#include "fileio/input_file.h"
#include "fileio/output_file.h"
#include "link/system_port.h"
#include "link/target_link.h"
#include "resources/resources.h"
#include "run/run_program.h"
#include "sim/virtual_robot.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] =
    "usage: kavrin-cli download SOURCE|FILE.kvn [--port NAME] [--advanced] [--sensors]\n"
    "                           [--dump-eeprom FILE]\n";

constexpr int kProgressBarWidth = 40;

// Headings used when the string table has none.
constexpr std::string_view kFallbackHeadings[] = {
    "Port:", "Device type:", "Version:", "Test loop:", "Echo:"};

struct Options : ProgramOptions {
    std::string port{link::kAutoPort};
    std::string dumpFile;
};

// Characters a terminal shows for a UTF-8 text (every code point one column).
std::size_t DisplayWidth(std::string_view text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

void PrintPadded(std::string_view text, std::size_t width) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    for (std::size_t w = DisplayWidth(text); w < width; ++w) {
        std::fputc(' ', stdout);
    }
}

void PrintStatusTable(const link::PortStatusTable& table) {
    std::array<std::string, link::kHeadingCount> headings = link::PortStatusHeadings();
    for (std::size_t c = 0; c < headings.size(); ++c) {
        if (headings[c].empty()) {
            headings[c] = kFallbackHeadings[c];
        }
    }
    std::array<std::size_t, link::kHeadingCount> widths{};
    for (std::size_t c = 0; c < link::kHeadingCount; ++c) {
        widths[c] = DisplayWidth(headings[c]);
        for (const link::PortStatusRow& row : table.rows) {
            widths[c] = std::max(widths[c], DisplayWidth(row[c]));
        }
    }
    const auto printRow = [&](const auto& cells) {
        std::size_t last = link::kHeadingCount;
        while (last > 1 && cells[last - 1].empty()) {
            --last;  // no padding behind the last text
        }
        for (std::size_t c = 0; c + 1 < last; ++c) {
            PrintPadded(cells[c], widths[c] + 2);
        }
        PrintPadded(cells[last - 1], 0);
        std::fputc('\n', stdout);
    };
    printRow(headings);
    for (const link::PortStatusRow& row : table.rows) {
        printRow(row);
    }
    std::fflush(stdout);
}

// The progress window's part, on a terminal.
class CliObserver : public link::LinkObserver {
public:
    explicit CliObserver(bool progressBar) : progressBar_(progressBar) {}

    void ScanFinished(const link::PortStatusTable& table) override { PrintStatusTable(table); }

    int ChooseTarget(const link::PortStatusTable& table, std::string_view) override {
        for (std::size_t k = 0; k < table.rows.size(); ++k) {
            if (table.IsCandidate(k)) {
                candidates.push_back(k);
            }
        }
        return -1;  // the command line cannot ask; --port picks instead
    }

    void ProgressStarted(int, int blockCount) override {
        total_ = blockCount;
        done_ = 0;
        DrawBar();
    }
    void StepIt(int) override {
        ++done_;
        DrawBar();
    }
    void ProgressClosed() override {
        if (progressBar_ && barShown_) {
            std::fputc('\n', stderr);
            barShown_ = false;
        }
    }

    std::vector<std::size_t> candidates;

private:
    void DrawBar() {
        if (!progressBar_ || total_ <= 0) {
            return;
        }
        const int filled = done_ * kProgressBarWidth / total_;
        std::fprintf(stderr, "\r[%s%s] %3d%%",
                     std::string(static_cast<std::size_t>(filled), '#').c_str(),
                     std::string(static_cast<std::size_t>(kProgressBarWidth - filled), '.').c_str(),
                     done_ * 100 / total_);
        std::fflush(stderr);
        barShown_ = true;
    }

    bool progressBar_;
    bool barShown_ = false;
    int total_ = 0;
    int done_ = 0;
};

// What went wrong, in English where the string table has nothing for it.
std::string FailureText(const run::RunOutcome& outcome) {
    if (!outcome.message.empty()) {
        return outcome.message;
    }
    switch (outcome.download) {
        case link::DownloadStatus::NotFound:
            return "robot not found";
        case link::DownloadStatus::PortNotOpened:
            return "the port cannot be opened";
        case link::DownloadStatus::VerifyFailed:
            return "EEPROM verification failed";
        case link::DownloadStatus::CommFailure:
            return "hardware communication failure: check the serial cable and the power";
        default:
            return "download failed";
    }
}

bool ParseOptions(Args args, Options& options, bool& help) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--help" || arg == "-h") {
            help = true;
            return true;
        }
        if (TakeModeOption(arg, options, true)) {
            continue;
        }
        if (arg == "--port" && hasValue) {
            options.port = args[++i];
        } else if (arg == "--dump-eeprom" && hasValue) {
            options.dumpFile = args[++i];
        } else if (arg.starts_with("-") || !options.file.empty()) {
            return false;
        } else {
            options.file = arg;
        }
    }
    return !options.file.empty() && !options.port.empty();
}

// The source text to tokenize: the file itself, or the program generated from a .kvn file.
bool ReadSource(const Options& options, std::string& source) {
    return IsActionFile(options.file) ? GenerateSource(options, source)
                                      : ReadSourceFile(options.file, source);
}

// A port the platform does not list (a pseudo-terminal) can still be named by its device path.
bool IsDevicePath(const std::string& port) {
    std::error_code ec;
    return port.starts_with("/") && std::filesystem::is_character_file(port, ec);
}

// A progress bar only makes sense where someone watches it. Elsewhere the command keeps to
// plain lines, so it builds without the POSIX terminal query.
bool ErrorsGoToATerminal() {
#ifdef KAVRIN_HAVE_ISATTY
    return isatty(STDERR_FILENO) != 0;
#else
    return false;
#endif
}

// The download path speaks to KR2-type modules only; a KR1 image must never be sent to one. The
// directives alone say which module a text is for.
bool IsKr1Source(std::string_view source) {
    tokenizer::TTokenizer tokenizer;
    return tokenizer.LoadSource(source) && tokenizer.Tokenize({.directivesOnly = true}) == 1 &&
           tokenizer::IsKr1Program(tokenizer.Result());
}

// The dump replaces the file whole or not at all.
bool WriteEeprom(const std::string& path) {
    const auto& eeprom = sim::SharedRobot()->Module().Eeprom();
    const std::string_view bytes(reinterpret_cast<const char*>(eeprom.data()), eeprom.size());
    if (const std::error_code error = fileio::ReplaceFileWhole(fileio::PathFromUtf8(path), bytes)) {
        PrintFileMessage(path, "cannot write: " + error.message());
        return false;
    }
    return true;
}

// Why the download did not happen. A refused program is a message about its file: it names the
// file, and a source's tokenizer error its place there as `compile` gives it.
void PrintFailure(const Options& options, const std::string& source,
                  const run::RunOutcome& outcome) {
    if (outcome.status != run::RunStatus::TokenizeFailed) {
        std::fprintf(stderr, "kavrin-cli: %s\n", FailureText(outcome).c_str());
        return;
    }
    PrintFileMessage(options.file, FailureText(outcome));
    if (outcome.sourceTooLong) {
        PrintTooLong(options.file);
    } else if (outcome.tokenizerError.empty()) {
        return;
    } else if (IsActionFile(options.file)) {
        PrintFileMessage(options.file, outcome.tokenizerError);
    } else {
        PrintSourceError(options.file, source, outcome.tokenizerError.c_str(), outcome.errorPos,
                         outcome.errorLength);
    }
}

}  // namespace

int RunDownload(Args args) {
    Options options;
    bool help = false;
    if (!ParseOptions(args, options, help)) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    if (help) {
        std::fputs(kUsage, stdout);
        return kExitOk;
    }
    const bool automatic = options.port == link::kAutoPort;
    if (!options.dumpFile.empty() && !automatic && options.port != sim::kSimPortName) {
        std::fputs("kavrin-cli: --dump-eeprom needs the virtual robot (--port SIM)\n", stderr);
        return kExitUsage;
    }

    const std::string extraPort = IsDevicePath(options.port) ? options.port : std::string();
    link::TPortPool pool(sim::WithVirtualRobot(link::OpenSystemPort));
    link::TargetLink target(pool, [extraPort](std::vector<std::string>& list) {
        link::EnumeratePorts(list);
        if (!extraPort.empty() && std::find(list.begin(), list.end(), extraPort) == list.end()) {
            list.insert(list.end() - 1, extraPort);  // before "SIM", which stays last
        }
    });
    target.RefreshPortList();
    const auto& ports = target.PortList();
    if (!automatic && std::find(ports.begin(), ports.end(), options.port) == ports.end()) {
        std::fprintf(stderr, "kavrin-cli: no port %s; the ports are:\n", options.port.c_str());
        for (const std::string& name : ports) {
            std::fprintf(stderr, "  %s\n", name.c_str());
        }
        return kExitUsage;
    }
    target.SetSelectedPort(options.port);

    std::string source;
    if (!ReadSource(options, source)) {
        return kExitFailed;
    }
    if (IsKr1Source(source)) {
        std::fprintf(stderr,
                     "kavrin-cli: %s is a KR1 program; downloads go to KR2-type modules only "
                     "(compile it with kavrin-cli compile --image)\n",
                     options.file.c_str());
        return kExitFailed;
    }

    const bool onTerminal = ErrorsGoToATerminal();
    sim::SharedRobot()->SetRealTime(onTerminal);  // a progress bar worth watching
    CliObserver observer(onTerminal);
    tokenizer::TTokenizer tokenizer;
    const run::RunSettings settings{.port = options.port, .keepOpen = false, .stop = {}};
    const run::RunOutcome outcome = run::RunProgram(target, tokenizer, source, settings, observer);

    if (!observer.candidates.empty() && outcome.download == link::DownloadStatus::ChoiceCancelled) {
        std::fputs("kavrin-cli: more than one robot answered:\n", stderr);
        for (const std::size_t k : observer.candidates) {
            std::fprintf(stderr, "  %s\n", ports[k].c_str());
        }
        std::fputs("kavrin-cli: choose one with --port NAME\n", stderr);
        return kExitSeveral;
    }
    if (outcome.status != run::RunStatus::Delivered) {
        PrintFailure(options, source, outcome);
        return kExitFailed;
    }
    std::printf("Downloaded %d block(s) to %s.\n", outcome.blocksSent, outcome.portName.c_str());
    if (!options.dumpFile.empty()) {
        if (outcome.portName != sim::kSimPortName) {
            std::fputs("kavrin-cli: --dump-eeprom: the program went to a real robot, not SIM\n",
                       stderr);
            return kExitFailed;
        }
        if (!WriteEeprom(options.dumpFile)) {
            return kExitFailed;
        }
    }
    return kExitOk;
}

}  // namespace kavrin::cli
