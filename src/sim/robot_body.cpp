#include "sim/robot_body.h"

#include <algorithm>
#include <cmath>

namespace kavrin::sim {

namespace {

constexpr Side kSides[] = {Side::Left, Side::Right};

}  // namespace

std::string EventText(const WorldEvent& event) {
    if (event.kind == WorldEventKind::Contact) return "contact";
    std::string text = event.kind == WorldEventKind::Whisker ? "whisker " : "infrared ";
    text += event.side == Side::Left ? "left " : "right ";
    text += event.on ? "on" : "off";
    return text;
}

RobotBody::RobotBody(Arena arena, RobotGeometry geometry) : geometry_(geometry) {
    SetArena(std::move(arena));
}

void RobotBody::SetArena(Arena arena) {
    arena_ = std::move(arena);
    outlines_ = arena_.Outlines();
    Restart();
}

void RobotBody::Restart() {
    pose_ = arena_.start;
    now_ = 0;
    stepTime_ = 0;
    wheels_ = {};
    bursts_ = {};
    blocked_ = false;
    lastBlocked_ = -1;
    path_.clear();
    AddPathPoint();
    whiskers_ = {};
    UpdateWhiskers(0);
}

bool RobotBody::Place(const Pose& pose) {
    if (!std::isfinite(pose.x) || !std::isfinite(pose.y) || !std::isfinite(pose.heading) ||
        !PoseIsFree(arena_, outlines_, geometry_, pose))
        return false;
    pose_ = pose;
    blocked_ = false;
    path_.clear();
    AddPathPoint();
    UpdateWhiskers(now_);
    return true;
}

void RobotBody::SetStandstill(double left, double right) {
    geometry_.leftStandstill = left;
    geometry_.rightStandstill = right;
}

void RobotBody::AdvanceTo(VirtualTime t) {
    while (stepTime_ + kMotionStepUs <= t) {
        if (ServosIdle(stepTime_)) {  // nothing moves until the next pulse: skip ahead
            stepTime_ += (t - stepTime_) / kMotionStepUs * kMotionStepUs;
            break;
        }
        Step();
    }
    now_ = std::max(now_, t);
}

void RobotBody::OnPinDrive(int, bool, bool, VirtualTime t) { AdvanceTo(t); }

void RobotBody::OnPulse(int pin, std::uint32_t widthUs, VirtualTime t) {
    AdvanceTo(t);
    for (Side side : kSides) {
        const auto& pins = side == Side::Left ? geometry_.leftServoPins : geometry_.rightServoPins;
        if (std::find(pins.begin(), pins.end(), pin) == pins.end()) continue;
        Wheel& w = wheels_[Index(side)];
        w.lastPulse = t;
        w.pulseUnits = widthUs / kMicrosPerPulseUnit;
    }
}

double RobotBody::RangeAt(std::uint32_t hz) const {
    if (hz == 0) return 0;
    const double off = std::abs(static_cast<double>(hz) - geometry_.irPeakHz);
    return std::max(0.0, geometry_.irRangeAtPeak * (1.0 - off / geometry_.irFalloffHz));
}

void RobotBody::OnTone(int pin, std::uint32_t durationUs, std::uint32_t f1, std::uint32_t f2,
                       VirtualTime t) {
    AdvanceTo(t);
    for (Side side : kSides) {
        if (pin != (side == Side::Left ? geometry_.leftIrLedPin : geometry_.rightIrLedPin))
            continue;
        const double sign = side == Side::Left ? 1.0 : -1.0;
        Burst& b = bursts_[Index(side)];
        b.from = t;
        b.litUntil = t + durationUs;
        b.lowUntil = b.litUntil + geometry_.irHoldUs;
        b.cone = {pose_.ToTable({geometry_.bodyFront, sign * geometry_.bodyWidth / 2}),
                  pose_.heading + sign * DegreesToRadians(geometry_.irOutwardDeg),
                  DegreesToRadians(geometry_.irHalfConeDeg), std::max(RangeAt(f1), RangeAt(f2))};
        b.seen = b.cone.radius > 0 && SectorTouches(b.cone, outlines_);
        if (b.seen != b.reported) {
            b.reported = b.seen;
            Report({t, WorldEventKind::Infrared, side, b.seen});
        }
    }
}

bool RobotBody::ReadInput(int pin, VirtualTime t) {
    AdvanceTo(t);
    for (Side side : kSides) {
        const bool left = side == Side::Left;
        if (pin == (left ? geometry_.leftWhiskerPin : geometry_.rightWhiskerPin))
            return !whiskers_[Index(side)].touching;
        if (pin == (left ? geometry_.leftIrDetectorPin : geometry_.rightIrDetectorPin)) {
            const Burst& b = bursts_[Index(side)];
            return !(b.seen && b.from <= t && t < b.lowUntil);
        }
    }
    return false;  // nothing connected
}

InfraredState RobotBody::Infrared(Side side) const {
    const Burst& b = bursts_[Index(side)];
    InfraredState s;
    s.cone = b.cone;
    s.lit = b.from <= now_ && now_ < b.litUntil;
    s.detecting = b.seen && b.from <= now_ && now_ < b.lowUntil;
    s.seen = b.seen;
    s.burstAt = b.litUntil > 0 ? b.from : -1;
    return s;
}

double RobotBody::Fraction(Side side, VirtualTime t) const {
    const Wheel& w = wheels_[Index(side)];
    if (w.lastPulse < 0 || t - w.lastPulse >= geometry_.servoHoldUs) return 0;  // stopped
    const double off = side == Side::Left ? w.pulseUnits - geometry_.leftStandstill
                                          : geometry_.rightStandstill - w.pulseUnits;  // mirrored
    return std::clamp(off / geometry_.servoPulseSpan, -1.0, 1.0);
}

bool RobotBody::ServosIdle(VirtualTime t) const {
    return std::all_of(wheels_.begin(), wheels_.end(), [&](const Wheel& w) {
        return w.lastPulse < 0 || t - w.lastPulse >= geometry_.servoHoldUs;
    });
}

double RobotBody::WheelSpeed(Side side) const { return Fraction(side, now_); }

double RobotBody::PulseMicros(Side side) const {
    const Wheel& w = wheels_[Index(side)];
    if (w.lastPulse < 0 || now_ - w.lastPulse >= geometry_.servoHoldUs) return 0;
    return w.pulseUnits * kMicrosPerPulseUnit;
}

void RobotBody::Step() {
    const VirtualTime s = stepTime_;
    stepTime_ += kMotionStepUs;
    const double fl = Fraction(Side::Left, s);
    const double fr = Fraction(Side::Right, s);
    if (fl == 0 && fr == 0) return;  // nothing moves, nothing changes

    const double dt = static_cast<double>(kMotionStepUs) / kMicrosPerSecond;
    const double vl = fl * geometry_.TopSpeed();
    const double vr = fr * geometry_.TopSpeed();
    const double radius = geometry_.wheelDiameter / 2;
    wheels_[0].angle += vl * dt / radius;
    wheels_[1].angle += vr * dt / radius;

    const double v = (vl + vr) / 2;
    const double turn = (vr - vl) / geometry_.wheelTrack * dt;
    const double mid = pose_.heading + turn / 2;
    const Pose moved{pose_.x + v * dt * std::cos(mid), pose_.y + v * dt * std::sin(mid),
                     pose_.heading + turn};
    // The whole move, else the turn alone, else the shift alone, else nothing.
    const Pose candidates[] = {
        moved, {pose_.x, pose_.y, moved.heading}, {moved.x, moved.y, pose_.heading}};
    bool blocked = true;
    for (const Pose& c : candidates) {
        if (!PolygonTouches(BodyCorners(geometry_, c), outlines_)) {
            blocked = c != moved;
            pose_ = c;
            break;
        }
    }
    if (stepListener_) stepListener_(stepTime_);
    if (blocked) {
        if (lastBlocked_ < 0 || s - lastBlocked_ > kContactGapUs)
            Report({stepTime_, WorldEventKind::Contact, Side::Left, true});
        lastBlocked_ = s;
    }
    blocked_ = blocked;
    AddPathPoint();
    UpdateWhiskers(stepTime_);
}

void RobotBody::UpdateWhiskers(VirtualTime t) {
    const double half = geometry_.bodyWidth / 2;
    const double reach = std::hypot(geometry_.whiskerForward, geometry_.whiskerOutward);
    for (Side side : kSides) {
        const double sign = side == Side::Left ? 1.0 : -1.0;
        WhiskerState& w = whiskers_[Index(side)];
        w.base = pose_.ToTable({geometry_.bodyFront, sign * half});
        w.tip = pose_.ToTable({geometry_.bodyFront + geometry_.whiskerForward,
                               sign * (half + geometry_.whiskerOutward)});
        const auto hit = FirstHit({w.base, w.tip}, outlines_);
        const bool touching = hit.has_value();
        w.bend = touching ? 1.0 - *hit / reach : 0.0;
        if (touching != w.touching) {
            w.touching = touching;
            Report({t, WorldEventKind::Whisker, side, touching});
        }
    }
}

void RobotBody::AddPathPoint() {
    const Vec2 p = pose_.Position();
    if (!path_.empty() && Length(p - path_.back()) < kPathStepCm) return;
    path_.push_back(p);
    if (path_.size() > kMaxPathPoints) path_.pop_front();
}

void RobotBody::Report(const WorldEvent& event) {
    if (listener_) listener_(event);
}

}  // namespace kavrin::sim
