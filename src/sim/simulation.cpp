#include "sim/simulation.h"

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace kavrin::sim {

Simulation::Simulation(Arena arena, RobotGeometry geometry)
    : body_(std::move(arena), geometry), cpu_(std::make_unique<Processor>(body_)) {
    body_.SetEventListener([this](const WorldEvent& e) { events_.push_back(e); });
}

void Simulation::Load(const Eeprom& image) {
    image_ = image;
    PowerOn();
}

void Simulation::PowerOn() {
    body_.Restart();
    // A processor keeps its time across a reset; a fresh one starts at 0 with the body.
    cpu_ = std::make_unique<Processor>(body_);
    cpu_->Load(image_);
    now_ = 0;
    powered_ = true;
    stopNoticed_ = false;
    events_.clear();
}

void Simulation::PowerOff() { powered_ = false; }

void Simulation::SetArena(Arena arena) {
    body_.SetArena(std::move(arena));
    PowerOn();
}

bool Simulation::Place(const Pose& pose) { return body_.Place(pose); }

void Simulation::RunUntil(VirtualTime t) {
    if (!powered_ || t <= now_) return;
    if (!cpu_->Halted()) cpu_->Run(t);
    body_.AdvanceTo(t);
    now_ = t;
}

void Simulation::FeedHost(std::uint8_t byte) {
    if (powered_) cpu_->FeedHost(byte, std::max(now_, cpu_->Now()));
}

std::vector<WorldEvent> Simulation::TakeEvents() { return std::exchange(events_, {}); }

std::vector<HostByte> Simulation::TakeHostOutput() { return cpu_->TakeHostOutput(); }

std::optional<std::string> Simulation::TakeStopNotice() {
    if (!cpu_->Halted() || stopNoticed_) return std::nullopt;
    stopNoticed_ = true;
    return cpu_->StopReason();
}

std::string PoseText(const Pose& pose) {
    char text[96];
    // Rounding may turn a heading just above -180 into "-180.0"; that is the same as 180.
    double heading = std::round(pose.HeadingDegrees() * 10) / 10;
    if (heading <= -180.0) heading += 360.0;
    auto tidy = [](double v) { return v == 0 ? 0.0 : v; };  // no "-0.0"
    std::snprintf(text, sizeof text, "%.1f %.1f %.1f", tidy(std::round(pose.x * 10) / 10),
                  tidy(std::round(pose.y * 10) / 10), tidy(heading));
    return text;
}

}  // namespace kavrin::sim
