#include "sim/mission_words.h"

#include <cstdio>

namespace kavrin::sim {

namespace {

std::string Seconds(VirtualTime t, const char* format = "%.1f") {
    char text[32];
    std::snprintf(text, sizeof text, format, static_cast<double>(t) / kMicrosPerSecond);
    return text;
}

const char* ThingText(Thing thing) {
    switch (thing) {
        case Thing::TableEdge:
            return "the table's edge";
        case Thing::Wall:
            return "a wall";
        case Thing::Box:
            return "a box";
        case Thing::Disc:
            return "a disc";
    }
    return "something";
}

}  // namespace

std::string TaskText(const Mission& mission, const MissionTask& task) {
    const std::string& zone = mission.zones[task.zone].name;
    if (task.kind == TaskKind::Reach) return "reach " + zone;
    return "stop in " + zone + " for " + Seconds(task.hold) + " s";
}

std::string MissionEventText(const Mission& mission, const MissionEvent& event) {
    switch (event.kind) {
        case MissionEvent::Kind::Reached:
            return "reached " + mission.zones[mission.tasks[event.task].zone].name;
        case MissionEvent::Kind::Stopped: {
            const MissionTask& task = mission.tasks[event.task];
            return "stopped in " + mission.zones[task.zone].name + " " + Seconds(task.hold) + " s";
        }
        case MissionEvent::Kind::Touched:
            return std::string("touched ") + ThingText(event.thing);
    }
    return {};
}

std::string RuleBreakText(const RuleBreak& rule) {
    if (rule.kind == RuleBreak::Kind::Steps) {
        return "the main list has " + std::to_string(rule.steps) +
               " steps, this mission allows at most " + std::to_string(rule.allowed);
    }
    const std::string_view kind = EnglishKindText(rule.letter);
    return EnglishStepText(rule.step, 0) + " uses " +
           (kind.empty() ? std::string(1, rule.letter) : std::string(kind)) +
           ", which this mission does not allow";
}

namespace {

// The reason, with " during " and the step after the time when withStep says so.
std::string Reason(const Mission& mission, const MissionOutcome& outcome, bool withStep) {
    if (outcome.rule) return RuleBreakText(*outcome.rule);
    const std::string at = Seconds(outcome.at) + " s" +
                           (withStep && outcome.step.Runs()
                                ? " during " + EnglishStepText(outcome.step, outcome.letter)
                                : std::string());
    std::string why;
    switch (outcome.failure) {
        case Failure::Touched:
            return "touched " + std::string(ThingText(outcome.touched)) + " at " + at;
        case Failure::MovedByHand:
            return "the robot was moved by hand at " + at;
        case Failure::TimeUp:
            why = "time ran out at ";
            break;
        case Failure::ProgramEnded:
            why = "the program ended at ";
            break;
        case Failure::None:
            why = "the run ended at ";
            break;
    }
    std::string open;
    for (const std::size_t i : outcome.open) {
        if (!open.empty()) open += ", ";
        open += TaskText(mission, mission.tasks[i]);
    }
    return why + at + ", still to do: " + open;
}

}  // namespace

std::string ReasonText(const Mission& mission, const MissionOutcome& outcome, bool withStep) {
    return outcome.Passed() ? std::string() : Reason(mission, outcome, withStep);
}

std::string VerdictText(const Mission& mission, const MissionOutcome& outcome) {
    if (outcome.Passed()) return "mission passed in " + Seconds(outcome.at) + " s";
    return "mission not passed: " + Reason(mission, outcome, true);
}

std::string VerdictText(const MissionJudge& judge, VirtualTime now, StepRef step, char letter) {
    return VerdictText(judge.GetMission(), OutcomeOf(judge, now, step, letter));
}

}  // namespace kavrin::sim
