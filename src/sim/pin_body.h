#pragma once
// What the virtual module's pins are connected to. The processor (the interpreter of the object
// code) tells the body what it drives and asks it what the inputs read, always with the virtual
// time of the event; the body never sees a wall clock. A recording body serves the processor's
// tests; the robot's world (servos, whiskers, infrared, the table) plugs in the same way.
//
// Time runs forward only: every call carries a time at or after the previous call's.

#include <cstdint>

namespace kavrin::sim {

// Virtual time in microseconds since the module was powered on.
using VirtualTime = std::int64_t;

inline constexpr VirtualTime kMicrosPerMs = 1000;
inline constexpr VirtualTime kMicrosPerSecond = 1'000'000;
inline constexpr int kPinCount = 16;  // pins 0..15; pin 16 is the serial line to the computer

class PinBody {
public:
    virtual ~PinBody() = default;

    // Virtual time has reached t. The body brings its own state (motion, contacts) up to t.
    virtual void AdvanceTo(VirtualTime t) = 0;

    // From t on, pin is an output driving `high`, or (output false) an input that the module
    // no longer drives.
    virtual void OnPinDrive(int pin, bool output, bool high, VirtualTime t) = 0;

    // A pulse of widthUs microseconds on pin, starting at t (PULSOUT; the servos listen).
    virtual void OnPulse(int pin, std::uint32_t widthUs, VirtualTime t) = 0;

    // A tone burst on pin from t for durationUs microseconds, at frequencies f1 and f2 Hz (f2 0
    // for a single tone) (FREQOUT; the infrared LEDs listen).
    virtual void OnTone(int pin, std::uint32_t durationUs, std::uint32_t f1, std::uint32_t f2,
                        VirtualTime t) = 0;

    // The level an input pin reads at t: true for high. A pin nothing drives reads low.
    virtual bool ReadInput(int pin, VirtualTime t) = 0;
};

}  // namespace kavrin::sim
