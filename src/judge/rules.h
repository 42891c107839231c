#pragma once
// A mission's rules about what the program is made of (sim::MissionRules: the `tiles` and `steps`
// lines), checked against the program's lists before it runs. Every caller that runs an action
// program on a mission checks them here: the class judge, `kavrin-cli simulate` with a .kvn file
// and the simulator window with the lists that Go sent.

#include <optional>

#include "model/action_program.h"
#include "sim/mission.h"
#include "sim/mission_judge.h"

namespace kavrin::judge {

// The first rule the program breaks, or nothing: first the main list's length, then each step of
// the main list and of Sensor Set All and Sets 1 to 4, in order, whose kind is not allowed.
std::optional<sim::RuleBreak> CheckRules(const model::TActionProgram& program,
                                         const sim::MissionRules& rules);

}  // namespace kavrin::judge
