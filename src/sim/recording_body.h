#pragma once
// A body that only records: every pin event the processor reports, with its virtual time, and
// fixed input levels that a test or the command line sets. It stands in for the robot's world
// wherever the program's own behaviour is what matters.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "sim/pin_body.h"

namespace kavrin::sim {

struct BodyEvent {
    enum class Kind { Drive, Pulse, Tone };
    Kind kind = Kind::Drive;
    int pin = 0;
    VirtualTime time = 0;
    bool output = false;           // Drive
    bool high = false;             // Drive
    std::uint32_t us = 0;          // Pulse width or Tone duration
    std::uint32_t f1 = 0, f2 = 0;  // Tone
};

// "HIGH 5", "LOW 5", "INPUT 5", "PULSOUT 13 850" (in the instruction's 2 us units),
// "FREQOUT 2 1 37500" (ms, Hz [, Hz]).
std::string DescribeEvent(const BodyEvent& e);

class RecordingBody : public PinBody {
public:
    void AdvanceTo(VirtualTime t) override { now = t; }
    void OnPinDrive(int pin, bool output, bool high, VirtualTime t) override;
    void OnPulse(int pin, std::uint32_t widthUs, VirtualTime t) override;
    void OnTone(int pin, std::uint32_t durationUs, std::uint32_t f1, std::uint32_t f2,
                VirtualTime t) override;
    bool ReadInput(int pin, VirtualTime) override {
        return pin >= 0 && pin < kPinCount && inputs[static_cast<std::size_t>(pin)];
    }

    std::vector<BodyEvent> events;
    bool keepEvents = true;  // off for long runs that only watch
    std::function<void(const BodyEvent&)> onEvent;
    std::array<bool, kPinCount> inputs{};  // what each input pin reads
    VirtualTime now = 0;

private:
    void Record(const BodyEvent& e);
};

}  // namespace kavrin::sim
