// The only POSIX-specific file of the virtual robot.

#include "sim/pty_server.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>
#define KAVRIN_HAVE_PTY 1
#endif

namespace kavrin::sim {

#ifdef KAVRIN_HAVE_PTY

namespace {

constexpr std::size_t kReadChunk = 256;

bool WriteAll(int fd, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

PtyServer::~PtyServer() {
    if (slave_ >= 0) {
        close(slave_);
    }
    if (master_ >= 0) {
        close(master_);
    }
}

bool PtyServer::Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ptsname(master_);
    if (name == nullptr) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    slave_ = open(name, O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        error = std::string("cannot open ") + slavePath_ + ": " + std::strerror(errno);
        return false;
    }
    // Raw from the start: a line discipline that echoes or edits would answer for the module.
    termios raw{};
    if (tcgetattr(slave_, &raw) == 0) {
        cfmakeraw(&raw);
        tcsetattr(slave_, TCSANOW, &raw);
    }
    return true;
}

void PtyServer::Serve(const std::atomic<bool>& stop, int pollMs, int quietMs) {
    std::vector<std::uint8_t> answer;
    std::uint8_t chunk[kReadChunk];
    const auto quietSpell = std::chrono::milliseconds(quietMs);
    auto lastInput = std::chrono::steady_clock::now();
    while (!stop.load()) {
        pollfd fd{master_, POLLIN, 0};
        const int ready = poll(&fd, 1, pollMs);
        const bool quietNow = std::chrono::steady_clock::now() - lastInput >= quietSpell;
        if (quietNow && !quiet_.load()) {
            module_.LineQuiet();
            quiet_.store(true);
        }
        if (ready <= 0 || (fd.revents & POLLIN) == 0) {
            continue;
        }
        const ssize_t n = read(master_, chunk, sizeof chunk);
        if (n <= 0) {
            continue;
        }
        quiet_.store(false);
        lastInput = std::chrono::steady_clock::now();
        answer.clear();
        for (ssize_t i = 0; i < n; ++i) {
            module_.Receive(chunk[i], answer);
        }
        if (!module_.Vanished()) {
            WriteAll(master_, answer);
        }
    }
}

#else

PtyServer::~PtyServer() = default;

bool PtyServer::Open(std::string& error) {
    error = "pseudo-terminals are not available on this system";
    return false;
}

void PtyServer::Serve(const std::atomic<bool>&, int, int) {}

#endif

}  // namespace kavrin::sim
