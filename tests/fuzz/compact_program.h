#pragma once
// The compact form of an action program that the kvn and judge targets read: three bytes a
// step, so that inputs stay small and every mutated byte changes a step's meaning.
//
//   byte 0  bits 0-2 the kind, bits 3-5 the list (taken modulo six), bits 6-7 the value's bits 8-9
//   byte 1  the value's low byte
//   byte 2  the sensor sets: Both + 5 * Left + 25 * Right, each taken modulo five
//
// A step for a full list is dropped; every step so made is one a record can hold.
// tests/fuzz/kvn_to_compact.py writes a .kvn file in this form.

#include <cstddef>
#include <cstdint>

#include "model/action_program.h"

namespace kavrin::fuzz {

inline constexpr std::size_t kCompactStepSize = 3;

// The steps of data, appended to a program emptied first (servo centres at their defaults).
inline void ExpandSteps(const std::uint8_t* data, std::size_t size,
                        model::TActionProgram& program) {
    program.Reset();
    for (std::size_t at = 0; at + kCompactStepSize <= size; at += kCompactStepSize) {
        const std::uint8_t head = data[at];
        const int list = ((head >> 3) & 7) % model::kListCount + 1;
        int& count = program.Count(list);
        if (count == model::kMaxSteps) continue;
        model::TBotAction& step = program.Step(list, ++count);
        step.kind = head & 7;
        step.value = static_cast<std::int16_t>(((head >> 6) << 8) | data[at + 1]);
        const std::uint8_t sets = data[at + 2];
        step.sensors = {static_cast<std::uint8_t>(sets % 5),
                        static_cast<std::uint8_t>(sets / 5 % 5),
                        static_cast<std::uint8_t>(sets / 25 % 5)};
    }
}

// The same lists, counts and servo centres.
inline bool SameProgram(const model::TActionProgram& a, const model::TActionProgram& b) {
    if (a.leftServoCenter != b.leftServoCenter || a.rightServoCenter != b.rightServoCenter ||
        a.counts != b.counts)
        return false;
    for (int list = 1; list <= model::kListCount; ++list) {
        for (int k = 1; k <= a.Count(list); ++k) {
            if (!(a.Step(list, k) == b.Step(list, k))) return false;
        }
    }
    return true;
}

}  // namespace kavrin::fuzz
