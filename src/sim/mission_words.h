#pragma once
// A mission's verdict, tasks and events in the command line's English, as `kavrin-cli simulate`
// prints them and the judge's CSV and report write them. The judging itself (mission_judge.h)
// only returns what happened; the window says it from the string table (ui/mission_panel.h).

#include <string>

#include "sim/mission_judge.h"

namespace kavrin::sim {

// The command line's English: "reached bay", "stopped in bay 1.0 s", "touched the table's edge".
std::string MissionEventText(const Mission& mission, const MissionEvent& event);
// "reach bay", "stop in bay for 1.0 s".
std::string TaskText(const Mission& mission, const MissionTask& task);
// "step 4 uses rotate right, which this mission does not allow", "the main list has 9 steps, this
// mission allows at most 8".
std::string RuleBreakText(const RuleBreak& rule);
// "mission passed in 10.4 s", "mission not passed: " and why; still open at now: what is left.
// A failure names the step that was running then, when there was one ("... during step 3
// (forward)"; the letter is the step's command).
std::string VerdictText(const Mission& mission, const MissionOutcome& outcome);
std::string VerdictText(const MissionJudge& judge, VirtualTime now, StepRef step = {},
                        char letter = 0);
// Why it was not passed ("touched a wall at 6.2 s", "time ran out at 60.0 s, still to do: reach
// B"), with the step as the verdict names it when withStep says so; empty when passed.
std::string ReasonText(const Mission& mission, const MissionOutcome& outcome,
                       bool withStep = false);

}  // namespace kavrin::sim
