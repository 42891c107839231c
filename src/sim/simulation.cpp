#include "sim/simulation.h"

#include <cmath>
#include <algorithm>
#include <cstdio>
#include <utility>

namespace kavrin::sim {

Simulation::Simulation(Arena arena, RobotGeometry geometry)
    : body_(std::move(arena), geometry), cpu_(std::make_unique<Processor>(body_)) {
    body_.SetEventListener([this](const WorldEvent& e) { OnWorldEvent(e); });
}

void Simulation::OnWorldEvent(const WorldEvent& e) {
    events_.push_back(e);
    if (judge_ && e.kind == WorldEventKind::Contact) {
        judge_->OnContact(e.time, BodyCorners(body_.Geometry(), body_.CurrentPose()));
    }
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
    if (judge_) judge_->Restart();
}

void Simulation::PowerOff() { powered_ = false; }

void Simulation::SetArena(Arena arena) {
    judge_.reset();
    body_.SetStepListener(nullptr);
    body_.SetArena(std::move(arena));
    PowerOn();
}

void Simulation::SetMission(Mission mission) {
    Arena arena = mission.arena;
    SetArena(std::move(arena));
    judge_.emplace(std::move(mission));
    body_.SetStepListener([this](VirtualTime t) { judge_->OnStep(t, body_.CurrentPose().Position()); });
}

bool Simulation::Place(const Pose& pose) {
    if (!body_.Place(pose)) return false;
    if (judge_ && powered_) judge_->OnHandMove(now_);
    return true;
}

void Simulation::RunUntil(VirtualTime t) {
    if (!powered_ || t <= now_) return;
    if (!cpu_->Halted()) cpu_->Run(t);
    body_.AdvanceTo(t);
    now_ = t;
    if (judge_) {
        const bool still = body_.WheelSpeed(Side::Left) == 0 && body_.WheelSpeed(Side::Right) == 0;
        judge_->Update(body_.MotionTime(), cpu_->Halted(), cpu_->StopTime(), still);
    }
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

std::vector<MissionEvent> Simulation::TakeMissionEvents() {
    return judge_ ? judge_->TakeEvents() : std::vector<MissionEvent>{};
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
