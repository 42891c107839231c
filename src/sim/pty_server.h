#pragma once
// The virtual robot on a pseudo-terminal, so that a program talking to a real serial port (the
// QSerialPort backend, or anything else) can be tested end to end without hardware. Linux and
// other POSIX systems only; elsewhere Open reports that it is unavailable.
//
// A pseudo-terminal has no break and no modem lines, so the module served here starts an
// identification whenever it is idle and hears "K".

#include <atomic>
#include <string>

#include "sim/virtual_module.h"

namespace kavrin::sim {

class PtyServer {
public:
    PtyServer() = default;
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;
    ~PtyServer();

    // Makes the pseudo-terminal. False with the reason when the system cannot.
    bool Open(std::string& error);
    // The device a client opens (/dev/pts/N).
    const std::string& SlavePath() const { return slavePath_; }

    // Answers the client until stop is set; checks stop at least every pollMs. Input after a
    // pause of quietMs or more finds the module out of any exchange it was in (see
    // VirtualModule::LineQuiet); no exchange of the link pauses that long.
    void Serve(const std::atomic<bool>& stop, int pollMs = 50, int quietMs = 1000);
    // True from the moment Serve has seen the line quiet for quietMs (and put the module out of
    // any exchange) until the next input. Safe to read while Serve runs.
    bool LineQuiet() const { return quiet_.load(); }

    // Read it only after Serve has returned.
    const VirtualModule& Module() const { return module_; }
    VirtualModule& Module() { return module_; }

private:
    int master_ = -1;
    int slave_ = -1;  // held open so the master never sees a hang-up between clients
    std::string slavePath_;
    VirtualModule module_{true};
    std::atomic<bool> quiet_{false};
};

}  // namespace kavrin::sim
