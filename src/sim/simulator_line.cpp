#include "sim/simulator_line.h"

#include <algorithm>
#include <cstddef>
#include <utility>

namespace kavrin::sim {

void SimulatorLine::ToRobot(std::uint8_t byte) {
    const std::lock_guard lock(mutex_);
    toRobot_.push_back(byte);
}

std::vector<std::uint8_t> SimulatorLine::FromRobot(std::size_t want, Clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    arrived_.wait_until(lock, deadline, [&] { return fromRobot_.size() >= want; });
    const std::size_t count = std::min(want, fromRobot_.size());
    std::vector<std::uint8_t> got(fromRobot_.begin(),
                                  fromRobot_.begin() + static_cast<std::ptrdiff_t>(count));
    fromRobot_.erase(fromRobot_.begin(), fromRobot_.begin() + static_cast<std::ptrdiff_t>(count));
    return got;
}

std::size_t SimulatorLine::DrainFromRobot() {
    const std::lock_guard lock(mutex_);
    const std::size_t count = fromRobot_.size();
    fromRobot_.clear();
    return count;
}

std::vector<std::uint8_t> SimulatorLine::TakeToRobot() {
    const std::lock_guard lock(mutex_);
    return std::exchange(toRobot_, {});
}

void SimulatorLine::Send(const std::vector<std::uint8_t>& bytes) {
    if (bytes.empty()) {
        return;
    }
    {
        const std::lock_guard lock(mutex_);
        fromRobot_.insert(fromRobot_.end(), bytes.begin(), bytes.end());
        while (fromRobot_.size() > kSimulatorLineBuffer) fromRobot_.pop_front();
    }
    arrived_.notify_all();
}

}  // namespace kavrin::sim
