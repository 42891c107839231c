#pragma once
// Every figure of the virtual robot's body in one place. Lengths are centimetres, angles
// degrees, times microseconds of virtual time, pulse widths the module's 2-microsecond units.
//
// The body frame has its origin on the wheel axle, midway between the wheels, x pointing
// forward and y to the robot's left. A `RobotGeometry` holds the defaults below; the servo
// stand-still points can be changed (the virtual servos are deliberately not centred, so that
// calibrating them matters as it does on a real robot).

#include <array>
#include <cstddef>
#include <numbers>

#include "sim/pin_body.h"
#include "sim/plane.h"

namespace kavrin::sim {

// Fixed integration step of the motion: the pose advances in steps of this much virtual time.
inline constexpr VirtualTime kMotionStepUs = 1 * kMicrosPerMs;

// Microseconds per pulse unit of the module (PULSOUT counts in 2-microsecond units).
inline constexpr double kMicrosPerPulseUnit = 2.0;

struct RobotGeometry {
    // Wheels and drive. Top speed: 50 rpm on a 6.6 cm wheel, about 17.3 cm/s.
    double wheelDiameter = 6.6;
    double wheelTrack = 10.5;                     // distance between the wheels' contact points
    double servoTopRpm = 50.0;                    // full speed of a continuous-rotation servo
    double servoPulseSpan = 50.0;                 // pulse units from stand-still to full speed
    VirtualTime servoHoldUs = 40 * kMicrosPerMs;  // a servo stops this long after its last pulse

    // Pulse width (units) at which each servo stands still. A real servo is never exactly at
    // the nominal 750 (1.5 ms); these differ on purpose.
    double leftStandstill = 753.0;
    double rightStandstill = 747.0;

    // Body: a rectangle around the axle.
    double bodyLength = 12.0;
    double bodyWidth = 11.0;
    double bodyFront = 7.0;  // front edge ahead of the axle (the rear is 5 cm behind)

    // Whiskers: spring wires from the front corners, their tips this far forward and outward.
    double whiskerForward = 5.0;
    double whiskerOutward = 2.0;

    // Infrared LED and detector pairs on the front corners, looking outward from straight ahead.
    double irOutwardDeg = 30.0;
    double irHalfConeDeg = 15.0;
    double irRangeAtPeak = 25.0;  // detection range at the detector's own frequency
    double irPeakHz = 38'500.0;
    double irFalloffHz = 4'500.0;             // range falls linearly to 0 this far from the peak
    VirtualTime irHoldUs = 1 * kMicrosPerMs;  // the detector stays low this long after a burst

    // Wiring (module pin numbers). The right servo is mounted mirrored: a shorter pulse turns
    // it forward. Each servo also answers on the pin the servo test program uses.
    std::array<int, 2> leftServoPins{13, 15};
    std::array<int, 2> rightServoPins{12, 14};
    int leftWhiskerPin = 5;  // whisker inputs read low while touching
    int rightWhiskerPin = 7;
    int leftIrLedPin = 8;
    int rightIrLedPin = 2;
    int leftIrDetectorPin = 9;  // detector inputs read low while they see an obstacle
    int rightIrDetectorPin = 0;

    double BodyRear() const { return bodyFront - bodyLength; }
    // Wheel rim speed at full servo speed, cm/s.
    double TopSpeed() const { return std::numbers::pi * wheelDiameter * servoTopRpm / 60.0; }
};

// The body's outline on the table, corners counter-clockwise from the front right.
inline std::array<Vec2, 4> BodyCorners(const RobotGeometry& g, const Pose& pose) {
    const double half = g.bodyWidth / 2;
    const Vec2 forward = Direction(pose.heading);
    const Vec2 left{-forward.y, forward.x};
    const Vec2 p = pose.Position();
    return {p + forward * g.bodyFront - left * half, p + forward * g.bodyFront + left * half,
            p + forward * g.BodyRear() + left * half, p + forward * g.BodyRear() - left * half};
}

// Bookkeeping limits of the world.
inline constexpr VirtualTime kContactGapUs = 200 * kMicrosPerMs;  // blocked again after this
                                                                  // long counts as a new contact
inline constexpr double kPathStepCm = 0.5;  // the driven path keeps a point this far apart
inline constexpr std::size_t kMaxPathPoints = 20'000;  // oldest points drop beyond this

}  // namespace kavrin::sim
