#include "sim/simulation.h"

#include <algorithm>
#include <cmath>
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

namespace {

constexpr VirtualTime kStepCheckInterval = 5 * kMicrosPerMs;
static_assert(kSampleInterval % kStepCheckInterval == 0);

std::uint16_t PulseMicros(const RobotBody& body, Side side) {
    return static_cast<std::uint16_t>(std::clamp(body.PulseMicros(side), 0.0, 65535.0));
}

WheelDrive Drive(double speed) {
    return speed > 0 ? WheelDrive::Forward : speed < 0 ? WheelDrive::Back : WheelDrive::Still;
}

}  // namespace

void Simulation::Load(const Eeprom& image, std::optional<StepVariables> variables) {
    image_ = image;
    variables_ = variables;
    probe_.reset();
    if (variables) probe_.emplace(*variables, image);
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
    missionEvents_.clear();
    decisionMarked_ = false;
    if (judge_) judge_->Restart();
    running_ = {};
    record_.Clear();
    record_.Add(SampleNow());
    nextSample_ = kSampleInterval;
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
    body_.SetStepListener(
        [this](VirtualTime t) { judge_->OnStep(t, body_.CurrentPose().Position()); });
}

bool Simulation::Place(const Pose& pose) {
    if (!body_.Place(pose)) return false;
    if (judge_ && powered_) judge_->OnHandMove(now_);
    if (powered_ && record_.End() == now_)
        record_.Add(SampleNow());  // the record shows where it stands
    return true;
}

void Simulation::RunUntil(VirtualTime t) {
    if (!powered_) return;
    while (now_ < t) Advance(std::min(t, (now_ / kStepCheckInterval + 1) * kStepCheckInterval));
}

bool Simulation::RunUntilNextStep(VirtualTime t) {
    if (!powered_) return false;
    while (now_ < t) {
        if (Advance(std::min(t, (now_ / kStepCheckInterval + 1) * kStepCheckInterval))) return true;
    }
    return false;
}

bool Simulation::Advance(VirtualTime t) {
    if (!cpu_->Halted()) cpu_->Run(t);
    body_.AdvanceTo(t);
    now_ = t;
    if (judge_) {
        const bool still = body_.WheelSpeed(Side::Left) == 0 && body_.WheelSpeed(Side::Right) == 0;
        judge_->Update(body_.MotionTime(), cpu_->Halted(), cpu_->StopTime(), still);
        TakeJudgeEvents();
    }
    bool changed = false;
    if (probe_) {
        if (const std::optional<RunningStep> read = probe_->Read(*cpu_)) {
            changed = read->at != running_.at || read->interrupted != running_.interrupted;
            if (read->at != running_.at) {
                RunMark mark;
                mark.time = now_;
                mark.step = read->at;
                record_.AddMark(mark);
            }
            running_ = *read;
        }
    }
    if (now_ >= nextSample_) {
        record_.Add(SampleNow());
        nextSample_ += kSampleInterval;
    }
    return changed;
}

void Simulation::TakeJudgeEvents() {
    for (const MissionEvent& e : judge_->TakeEvents()) {
        missionEvents_.push_back(e);
        RunMark mark;
        mark.time = e.time;
        mark.task = e.task;
        mark.thing = e.thing;
        mark.kind = e.kind == MissionEvent::Kind::Reached   ? RunMark::Kind::Reached
                    : e.kind == MissionEvent::Kind::Stopped ? RunMark::Kind::Stopped
                                                            : RunMark::Kind::Touched;
        record_.AddMark(mark);
    }
    if (!decisionMarked_ && judge_->GetVerdict() != Verdict::Open) {
        decisionMarked_ = true;
        RunMark mark;
        mark.time = judge_->DecidedAt();
        mark.kind = RunMark::Kind::Decided;
        mark.failure = judge_->GetFailure();
        record_.AddMark(mark);
    }
}

RunSample Simulation::SampleNow() const {
    RunSample s;
    s.time = now_;
    const Pose& pose = body_.CurrentPose();
    s.x = static_cast<float>(pose.x);
    s.y = static_cast<float>(pose.y);
    s.heading = static_cast<float>(pose.heading);
    s.leftPulse = PulseMicros(body_, Side::Left);
    s.rightPulse = PulseMicros(body_, Side::Right);
    s.leftDrive = Drive(body_.WheelSpeed(Side::Left));
    s.rightDrive = Drive(body_.WheelSpeed(Side::Right));
    s.leftWhisker = body_.Whisker(Side::Left).touching;
    s.rightWhisker = body_.Whisker(Side::Right).touching;
    // The detector reads low only for a millisecond after each burst; a sample says what the
    // last burst saw while the program keeps sending them.
    const auto sees = [this](Side side) {
        const InfraredState ir = body_.Infrared(side);
        return ir.detecting || (ir.seen && ir.burstAt >= 0 && now_ - ir.burstAt <= kIrSeenHold);
    };
    s.leftIr = sees(Side::Left);
    s.rightIr = sees(Side::Right);
    s.list = static_cast<std::uint8_t>(running_.at.list);
    s.step = static_cast<std::uint8_t>(running_.at.step);
    s.interrupted = static_cast<std::uint8_t>(running_.interrupted);
    s.command = running_.command;
    s.leftMs =
        static_cast<std::uint16_t>(std::clamp<VirtualTime>(running_.left / kMicrosPerMs, 0, 65535));
    return s;
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
    return std::exchange(missionEvents_, {});
}

MissionOutcome MissionOutcomeNow(const Simulation& simulation) {
    const MissionJudge& judge = *simulation.Judge();
    const VirtualTime decided =
        judge.GetVerdict() == Verdict::Open ? simulation.Now() : judge.DecidedAt();
    const StepRef step =
        simulation.Record().Empty() ? StepRef{} : simulation.Record().StepAt(decided);
    const char letter = simulation.Probe() != nullptr ? simulation.Probe()->Map().Letter(step) : 0;
    return OutcomeOf(judge, simulation.Now(), step, letter);
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
