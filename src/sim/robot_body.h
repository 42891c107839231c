#pragma once
// The virtual robot's body on its table: two servo-driven wheels, two whiskers and two infrared
// detectors, wired to the virtual module's pins (see robot_geometry.h for every figure).
//
// The processor drives it through PinBody with virtual time only. Motion is integrated in fixed
// steps of 1 ms; the body never enters a wall or obstacle (a blocked move is dropped: the robot
// stops moving that way and its wheels slip). The same calls always give the same path.
//
// Sensor changes and contacts are reported, with their virtual time, to a listener; the pose,
// wheels, whiskers, infrared cones and the path driven can be read at any time for drawing.
// Not thread-safe: a caller sharing it between threads guards it with its own lock.

#include <array>
#include <deque>
#include <functional>
#include <string>

#include "sim/arena.h"
#include "sim/pin_body.h"
#include "sim/plane.h"
#include "sim/robot_geometry.h"

namespace kavrin::sim {

enum class Side { Left, Right };

enum class WorldEventKind { Whisker, Infrared, Contact };

struct WorldEvent {
    VirtualTime time = 0;
    WorldEventKind kind = WorldEventKind::Contact;
    Side side = Side::Left;  // whiskers and infrared
    bool on = true;          // whiskers and infrared: touching / seeing; a contact is always on

    friend bool operator==(const WorldEvent&, const WorldEvent&) = default;
};

// "whisker left on", "infrared right off", "contact".
std::string EventText(const WorldEvent& event);

struct WhiskerState {
    Vec2 base;  // on the body's front corner
    Vec2 tip;   // where the straight wire would end
    bool touching = false;
    double bend = 0;  // 0 free, towards 1 the nearer to the base it touches
};

struct InfraredState {
    Sector cone;               // the last burst's detection cone (radius 0 before any burst)
    bool lit = false;          // a burst is on now
    bool detecting = false;    // the detector reads low now
    bool seen = false;         // the last burst saw an obstacle
    VirtualTime burstAt = -1;  // when the last burst began, -1 before any
};

class RobotBody : public PinBody {
public:
    explicit RobotBody(Arena arena, RobotGeometry geometry = {});

    // PinBody.
    void AdvanceTo(VirtualTime t) override;
    void OnPinDrive(int pin, bool output, bool high, VirtualTime t) override;
    void OnPulse(int pin, std::uint32_t widthUs, VirtualTime t) override;
    void OnTone(int pin, std::uint32_t durationUs, std::uint32_t f1, std::uint32_t f2,
                VirtualTime t) override;
    bool ReadInput(int pin, VirtualTime t) override;

    // Power on again: time 0, servos still, the robot at the arena's start, the path cleared.
    void Restart();
    // A new table; restarts.
    void SetArena(Arena arena);
    // Move the robot by hand (time goes on). Refused, changing nothing, where the body would
    // leave the table or overlap an obstacle. Starts a new path.
    bool Place(const Pose& pose);
    // The servos' stand-still pulse widths (in pulse units).
    void SetStandstill(double left, double right);

    void SetEventListener(std::function<void(const WorldEvent&)> listener) {
        listener_ = std::move(listener);
    }
    // Told the end of every motion step in which a wheel turned, with the pose already moved and
    // before the step's contact and whisker events (a mission's judge).
    void SetStepListener(std::function<void(VirtualTime)> listener) {
        stepListener_ = std::move(listener);
    }

    const Arena& GetArena() const { return arena_; }
    const Obstacles& Outlines() const { return outlines_; }
    const RobotGeometry& Geometry() const { return geometry_; }
    VirtualTime Now() const { return now_; }
    // How far the motion is integrated: whole steps, at most Now().
    VirtualTime MotionTime() const { return stepTime_; }
    const Pose& CurrentPose() const { return pose_; }
    // How far each wheel has turned, radians, forward positive (they turn even while slipping).
    double WheelAngle(Side side) const { return wheels_[Index(side)].angle; }
    // The wheel's speed now, -1 (full backward) to 1 (full forward).
    double WheelSpeed(Side side) const;
    // The width of the servo's last pulse in µs while it still drives the wheel, else 0.
    double PulseMicros(Side side) const;
    const WhiskerState& Whisker(Side side) const { return whiskers_[Index(side)]; }
    InfraredState Infrared(Side side) const;
    bool InContact() const { return blocked_; }
    const std::deque<Vec2>& Path() const { return path_; }

private:
    struct Wheel {
        VirtualTime lastPulse = -1;  // -1: no pulse yet
        double pulseUnits = 0;
        double angle = 0;
    };
    struct Burst {
        VirtualTime from = 0;
        VirtualTime litUntil = 0;
        VirtualTime lowUntil = 0;  // the detector reads low before this, if it saw something
        bool seen = false;
        bool reported = false;  // the seeing state last reported
        Sector cone;
    };
    static std::size_t Index(Side side) { return side == Side::Left ? 0 : 1; }

    double Fraction(Side side, VirtualTime t) const;
    bool ServosIdle(VirtualTime t) const;
    void Step();
    void UpdateWhiskers(VirtualTime t);
    void AddPathPoint();
    double RangeAt(std::uint32_t hz) const;
    void Report(const WorldEvent& event);

    Arena arena_;
    Obstacles outlines_;
    RobotGeometry geometry_;
    Pose pose_;
    VirtualTime now_ = 0;
    VirtualTime stepTime_ = 0;  // motion is integrated up to here
    std::array<Wheel, 2> wheels_;
    std::array<WhiskerState, 2> whiskers_;
    std::array<Burst, 2> bursts_;
    bool blocked_ = false;
    VirtualTime lastBlocked_ = -1;
    std::deque<Vec2> path_;
    std::function<void(const WorldEvent&)> listener_;
    std::function<void(VirtualTime)> stepListener_;
};

}  // namespace kavrin::sim
