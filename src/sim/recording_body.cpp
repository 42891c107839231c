#include "sim/recording_body.h"

namespace kavrin::sim {

namespace {

constexpr std::uint32_t kPulseUnitUs = 2;

}  // namespace

std::string DescribeEvent(const BodyEvent& e) {
    const std::string pin = std::to_string(e.pin);
    switch (e.kind) {
        case BodyEvent::Kind::Drive:
            return (e.output ? (e.high ? "HIGH " : "LOW ") : "INPUT ") + pin;
        case BodyEvent::Kind::Pulse:
            return "PULSOUT " + pin + " " + std::to_string(e.us / kPulseUnitUs);
        case BodyEvent::Kind::Tone: {
            std::string text = "FREQOUT " + pin + " " + std::to_string(e.us / kMicrosPerMs) + " " +
                               std::to_string(e.f1);
            if (e.f2 != 0) text += " " + std::to_string(e.f2);
            return text;
        }
    }
    return {};
}

void RecordingBody::Record(const BodyEvent& e) {
    if (keepEvents) events.push_back(e);
    if (onEvent) onEvent(e);
}

void RecordingBody::OnPinDrive(int pin, bool output, bool high, VirtualTime t) {
    Record({.kind = BodyEvent::Kind::Drive, .pin = pin, .time = t, .output = output, .high = high});
}

void RecordingBody::OnPulse(int pin, std::uint32_t widthUs, VirtualTime t) {
    Record({.kind = BodyEvent::Kind::Pulse, .pin = pin, .time = t, .us = widthUs});
}

void RecordingBody::OnTone(int pin, std::uint32_t durationUs, std::uint32_t f1, std::uint32_t f2,
                           VirtualTime t) {
    Record({.kind = BodyEvent::Kind::Tone,
            .pin = pin,
            .time = t,
            .us = durationUs,
            .f1 = f1,
            .f2 = f2});
}

}  // namespace kavrin::sim
