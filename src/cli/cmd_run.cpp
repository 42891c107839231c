// kavrin-cli run: a program on the virtual robot, without a window.
//
//   kavrin-cli run SOURCE|FILE.kvn [--advanced] [--sensors] [--seconds N] [--input TEXT] [--trace]
//   kavrin-cli run --held [--seconds N] [--input TEXT] [--trace]
//
// Compiles the program (a .kvn file is generated first), or takes the image the virtual robot
// holds from its last download, and runs it on a fresh module for N virtual seconds as fast as
// it can. What the program sends to the computer (DEBUG, SEROUT 16) goes to standard output
// with carriage returns as line ends; --input is what the computer sends it; --trace adds a
// line per pin event with its virtual time. Diagnostics and why the run ended go to standard
// error. Every pin reads low.

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/commands.h"
#include "cli/program_image.h"
#include "link/user_data.h"
#include "sim/processor.h"
#include "sim/recording_body.h"
#include "sim/virtual_robot.h"

namespace kavrin::cli {

namespace {

constexpr char kUsage[] =
    "usage: kavrin-cli run SOURCE|FILE.kvn [--advanced] [--sensors] [--seconds N] [--input TEXT] "
    "[--trace]\n"
    "       kavrin-cli run --held [--seconds N] [--input TEXT] [--trace]\n";
constexpr double kDefaultSeconds = 10.0;
constexpr sim::VirtualTime kSlice = 10 * sim::kMicrosPerMs;  // output is printed as it comes

struct RunOptions : VirtualRunOptions {
    RunOptions() { seconds = kDefaultSeconds; }
    std::string input;
};

// Prints the program's output and the trace, keeping trace lines on lines of their own.
class Printer {
public:
    void Output(std::uint8_t byte) {
        const int c = byte == '\r' ? '\n' : byte;
        std::putchar(c);
        atLineStart_ = c == '\n';
    }
    void Trace(const sim::BodyEvent& e) {
        if (!atLineStart_) std::putchar('\n');
        std::printf("%.6f %s\n", static_cast<double>(e.time) / sim::kMicrosPerSecond,
                    sim::DescribeEvent(e).c_str());
        atLineStart_ = true;
    }

private:
    bool atLineStart_ = true;
};

}  // namespace

std::string SimEepromPath() { return link::VirtualRobotEepromPath(); }

void AttachSimEeprom() {
    sim::ModuleProgram& program = sim::SharedRobot()->Program();
    program.SetEepromFile(SimEepromPath());
    PrintEepromProblem(program.LoadProblem());
}

int RunRun(Args args) {
    RunOptions options;
    const auto takeOwn = [&options](Args a, std::size_t& i) {
        if (a[i] != "--input" || i + 1 >= a.size()) return false;
        options.input = a[++i];
        return true;
    };
    if (const int code = ParseVirtualRunArgs(args, kUsage, options, takeOwn); code >= 0)
        return code;
    sim::Eeprom image{};
    if (options.held ? !LoadHeldImage(image) : !CompileProgramImage(options.program, image))
        return kExitFailed;

    Printer printer;
    sim::RecordingBody body;
    body.keepEvents = false;
    sim::Processor cpu(body);
    if (options.trace) {
        body.onEvent = [&printer, &cpu](const sim::BodyEvent& e) {
            for (const sim::HostByte& b : cpu.TakeHostOutput())
                printer.Output(b.byte);  // sent before
            printer.Trace(e);
        };
    }
    cpu.Load(image);
    for (const char c : options.input) cpu.FeedHost(static_cast<std::uint8_t>(c), 0);
    const auto end = static_cast<sim::VirtualTime>(options.seconds * sim::kMicrosPerSecond);
    while (!cpu.Halted() && cpu.Now() < end) {
        cpu.Run(std::min(end, cpu.Now() + kSlice));
        for (const sim::HostByte& b : cpu.TakeHostOutput()) printer.Output(b.byte);
    }
    std::fflush(stdout);
    const double at =
        static_cast<double>(cpu.Halted() ? cpu.StopTime() : std::min(cpu.Now(), end)) /
        sim::kMicrosPerSecond;
    if (cpu.State() == sim::ProcessorState::Faulted) {
        std::fprintf(stderr, "kavrin-cli: the program stopped at %.6f s: %s\n", at,
                     cpu.Diagnostic().c_str());
        return kExitFailed;
    }
    if (cpu.Halted())
        std::fprintf(stderr, "kavrin-cli: the program ended with %s\n", cpu.StopReason().c_str());
    else
        std::fprintf(stderr, "kavrin-cli: still running after %.6f s\n", at);
    return 0;
}

}  // namespace kavrin::cli
