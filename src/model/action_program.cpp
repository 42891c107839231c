#include "model/action_program.h"

namespace kavrin::model {

void TActionProgram::Reset() {
    leftServoCenter = kDefaultServoCenter;
    rightServoCenter = kDefaultServoCenter;
    for (TActionList& list : lists) {
        list.fill(kHeaderSlot);
    }
    counts.fill(0);
}

void EncodeStep(const TBotAction& step, std::span<std::uint8_t, kStepSize> out) {
    const auto value = static_cast<std::uint16_t>(step.value);
    out[0] = step.kind;
    out[1] = static_cast<std::uint8_t>(value & 0xFF);
    out[2] = static_cast<std::uint8_t>(value >> 8);
    out[3] = step.sensors[scBoth];
    out[4] = step.sensors[scLeft];
    out[5] = step.sensors[scRight];
}

TBotAction DecodeStep(std::span<const std::uint8_t, kStepSize> in) {
    TBotAction step;
    step.kind = in[0];
    step.value = static_cast<std::int16_t>(static_cast<std::uint16_t>(in[1] | (in[2] << 8)));
    step.sensors = {in[3], in[4], in[5]};
    return step;
}

}  // namespace kavrin::model
