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
            std::string text = "FREQOUT " + pin + " " + std::to_string(e.us / kMicrosPerMs) + " " + std::to_string(e.f1);
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
    BodyEvent e;
    e.kind = BodyEvent::Kind::Drive;
    e.pin = pin;
    e.time = t;
    e.output = output;
    e.high = high;
    Record(e);
}

void RecordingBody::OnPulse(int pin, std::uint32_t widthUs, VirtualTime t) {
    BodyEvent e;
    e.kind = BodyEvent::Kind::Pulse;
    e.pin = pin;
    e.time = t;
    e.us = widthUs;
    Record(e);
}

void RecordingBody::OnTone(int pin, std::uint32_t durationUs, std::uint32_t f1, std::uint32_t f2, VirtualTime t) {
    BodyEvent e;
    e.kind = BodyEvent::Kind::Tone;
    e.pin = pin;
    e.time = t;
    e.us = durationUs;
    e.f1 = f1;
    e.f2 = f2;
    Record(e);
}

}  // namespace kavrin::sim
