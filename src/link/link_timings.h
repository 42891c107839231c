#pragma once
// Every time-out and pause of the link in one place. The defaults are what the module needs;
// tests shrink them so that a silent line costs milliseconds instead of seconds.

#include <chrono>
#include <thread>

namespace kavrin::link {

struct LinkTimings {
    int firstEchoMs = 340;   // echo of each identification character of "KR2"
    int answerMs = 240;      // every other answer or echo byte
    int writeMs = 1000;      // every write
    int blockEchoMs = 1000;  // the 18-byte echo of a download block
    int resetDtrMs = 2;      // DTR and break together
    int resetBreakMs = 50;   // break alone
    int resetSettleMs = 15;  // after the break, before the input is drained
    int loopbackMs = 2;      // for DSR to follow RTS
    int blinkMs = 25;        // least time between two blinks of the transmit mark
};

// Waits on the steady clock without sleeping, as the reset sequence needs exact short pauses
// that a sleep would stretch on a busy machine.
inline void BusyWait(int ms) {
    if (ms <= 0) {
        return;
    }
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        std::this_thread::yield();
    }
}

}  // namespace kavrin::link
