// kavrin-cli sim-pty: serves the virtual robot on a pseudo-terminal and prints the device to
// open, so that the real serial backend can be tried end to end:
//
//   kavrin-cli sim-pty &                      prints /dev/pts/N
//   kavrin-cli download prog.vel --port /dev/pts/N
//
// Runs until interrupted or until its standard input reaches its end.

#include <atomic>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>

#include "cli/commands.h"
#include "sim/pty_server.h"

namespace kavrin::cli {

namespace {

std::atomic<bool> stopServing{false};

extern "C" void StopServing(int) { stopServing.store(true); }

}  // namespace

int RunSimPty(Args args) {
    bool untilEndOfInput = false;
    for (std::string_view arg : args) {
        if (arg == "--help" || arg == "-h") {
            std::fputs(
                "usage: kavrin-cli sim-pty [--stdin]\n"
                "  --stdin   stop when standard input ends (for scripts)\n",
                stdout);
            return 0;
        }
        if (arg == "--stdin") {
            untilEndOfInput = true;
        } else {
            std::fputs("usage: kavrin-cli sim-pty [--stdin]\n", stderr);
            return 2;
        }
    }
    sim::PtyServer server;
    std::string error;
    if (!server.Open(error)) {
        std::fprintf(stderr, "kavrin-cli: %s\n", error.c_str());
        return 1;
    }
    std::signal(SIGINT, StopServing);
    std::signal(SIGTERM, StopServing);
    std::printf("%s\n", server.SlavePath().c_str());
    std::fflush(stdout);

    std::thread watcher;
    if (untilEndOfInput) {
        watcher = std::thread([] {
            while (std::fgetc(stdin) != EOF) {
            }
            stopServing.store(true);
        });
        watcher.detach();  // blocked in a read; the process ends with it
    }
    server.Serve(stopServing);
    const sim::VirtualModule& module = server.Module();
    std::fprintf(stderr, "kavrin-cli: served %d identification(s), %d block(s) written\n",
                 module.Identifications(), module.BlocksAccepted());
    return 0;
}

}  // namespace kavrin::cli
