// The start as a user sees it: from the process's start to its first window mapped on the X
// display, for kavrin's start window and, in the same run, for a bare Qt Widgets window built
// beside it (this program started with --bare). Runs alternate, ten of each by default; the
// medians and their ratio are printed (the goal: at most 1.25).
//
//   kavrin_start_bench KAVRIN [RUNS]     (needs DISPLAY: under xvfb-run, say)
//   kavrin_start_bench --bare            (the bare window; started by the bench itself)

#include <QApplication>
#include <QWidget>

#include <X11/Xlib.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int Bare(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.resize(266, 112);  // the start window's size
    window.show();
    return QApplication::exec();
}

// Starts the program and waits for the first top-level window it maps; the program is then
// ended. Milliseconds, or a negative number when nothing was mapped within ten seconds.
double TimeToFirstMap(Display* display, const std::vector<std::string>& command) {
    XSelectInput(display, DefaultRootWindow(display), SubstructureNotifyMask);
    XSync(display, True);  // anything mapped before this start is dropped
    const Clock::time_point start = Clock::now();
    const pid_t child = fork();
    if (child == 0) {
        std::vector<char*> args;
        for (const std::string& word : command) args.push_back(const_cast<char*>(word.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    double ms = -1;
    const int fd = ConnectionNumber(display);
    while (ms < 0 && Clock::now() - start < std::chrono::seconds(10)) {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == MapNotify && ms < 0) {
                ms = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            }
        }
        fd_set read;
        FD_ZERO(&read);
        FD_SET(fd, &read);
        timeval wait{0, 2000};
        select(fd + 1, &read, nullptr, nullptr, &wait);
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    return ms;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc > 1 && std::strcmp(argv[1], "--bare") == 0) {
        return Bare(argc, argv);
    }
    if (argc < 2) {
        std::fprintf(stderr, "usage: kavrin_start_bench KAVRIN [RUNS]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "kavrin_start_bench: no X display (run it under xvfb-run)\n");
        return 1;
    }
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 10;
    // Fresh settings, so no stored port or language changes the start; no recovery copy waits.
    char home[] = "/tmp/kavrin-start-bench-XXXXXX";
    if (mkdtemp(home) == nullptr) return 1;
    setenv("XDG_CONFIG_HOME", home, 1);
    setenv("XDG_DATA_HOME", home, 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    const std::vector<std::string> bare{"/proc/self/exe", "--bare"};
    const std::vector<std::string> kavrin{argv[1]};
    std::vector<double> bareMs;
    std::vector<double> kavrinMs;
    TimeToFirstMap(display, bare);  // the first of each warms the caches
    TimeToFirstMap(display, kavrin);
    for (int i = 0; i < runs; ++i) {
        bareMs.push_back(TimeToFirstMap(display, bare));
        kavrinMs.push_back(TimeToFirstMap(display, kavrin));
    }
    const double b = Median(bareMs);
    const double k = Median(kavrinMs);
    std::printf(
        "bare window: median %.1f ms\nkavrin start window: median %.1f ms\nratio %.2f"
        " (goal at most 1.25), %d runs each\n",
        b, k, k / b, runs);
    XCloseDisplay(display);
    return 0;
}
