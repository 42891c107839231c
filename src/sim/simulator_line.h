#pragma once
// The serial line between the "SIM" port and a simulation that runs on another thread (the
// simulator window's). While a simulation is attached to the virtual robot, the bytes the
// computer sends to the running program go into this line instead of to the robot's own
// on-demand program, and the computer's reads wait (on the wall clock) for what the simulation
// sends back. The simulation's thread alone owns the body and the processor; the two threads
// meet only here, under one lock.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace kavrin::sim {

// What the simulation may have sent that nobody read yet; older bytes are lost beyond it, as in
// a serial driver's buffer.
inline constexpr std::size_t kSimulatorLineBuffer = 4096;

class SimulatorLine {
public:
    using Clock = std::chrono::steady_clock;

    // --- The computer's side (the thread that holds the SIM port) -----------------------------

    void ToRobot(std::uint8_t byte);
    // Waits until `want` bytes have come from the robot or the deadline passes; what came.
    std::vector<std::uint8_t> FromRobot(std::size_t want, Clock::time_point deadline);
    // Forgets what the robot sent that nobody has read.
    std::size_t DrainFromRobot();

    // --- The simulation's side ---------------------------------------------------------------

    std::vector<std::uint8_t> TakeToRobot();
    void Send(const std::vector<std::uint8_t>& bytes);

private:
    std::mutex mutex_;
    std::condition_variable arrived_;
    std::vector<std::uint8_t> toRobot_;
    std::deque<std::uint8_t> fromRobot_;
};

}  // namespace kavrin::sim
