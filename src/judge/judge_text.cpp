#include "judge/judge_text.h"

#include <cstdio>

#include "sim/mission_words.h"
#include "sim/step_probe.h"

namespace kavrin::judge {

namespace {

std::string Decimals(double value, const char* format) {
    char text[48];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string SetName(int set) {
    return set == 0 ? std::string("Sensor Set All") : "Sensor Set " + std::to_string(set);
}

std::string StepInWords(const model::TBotAction& step, int list, model::TMode mode) {
    const char letter =
        step.kind < model::kActionKindCount ? model::kActionKinds[step.kind].letter : '?';
    std::string text(sim::EnglishKindText(letter));
    if (step.kind == model::akGoBack) {
        text += " to step " + std::to_string(step.value);
    } else {
        text += " " + Decimals(step.value / 10.0, "%.1f") + " s";
    }
    if (list == model::kMainList && mode == model::TMode::Advanced) {
        text += " (both: " + SetName(step.sensors[model::scBoth]) +
                ", left: " + SetName(step.sensors[model::scLeft]) +
                ", right: " + SetName(step.sensors[model::scRight]) + ")";
    }
    return text;
}

}  // namespace

std::string ShownPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

RowText DescribeRow(const Result& result, std::size_t program, std::size_t mission) {
    const ProgramResult& p = result.programs[program];
    const sim::Mission& m = result.missions[mission];
    const MissionRun& run = p.runs[mission];
    RowText row;
    row.file = ShownPath(p.file);
    row.mission = m.name;
    if (!run.judged) {
        row.reason = p.problem != FileProblem::None ? p.message : std::string("stopped");
        row.verdict = "not judged: " + row.reason;
        return row;
    }
    const sim::MissionOutcome& o = run.outcome;
    row.passed = o.Passed();
    row.time = Decimals(static_cast<double>(o.at) / sim::kMicrosPerSecond, "%.3f");
    row.reason = sim::ReasonText(m, o);
    if (!o.Passed() && o.step.Runs()) row.step = sim::EnglishStepText(o.step, o.letter);
    row.verdict = sim::VerdictText(m, o);
    return row;
}

std::string RowLine(const Result& result, std::size_t program, std::size_t mission) {
    const RowText row = DescribeRow(result, program, mission);
    return row.file + ": " + row.mission + ": " + row.verdict;
}

std::string CsvField(const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) return field;
    std::string quoted = "\"";
    for (const char c : field) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::string CsvText(const Result& result) {
    std::string csv =
        "\xEF\xBB\xBF"
        "file,mission,passed,time_s,reason,step\r\n";
    for (std::size_t p = 0; p < result.programs.size(); ++p) {
        for (std::size_t m = 0; m < result.missions.size(); ++m) {
            const RowText row = DescribeRow(result, p, m);
            csv += CsvField(row.file) + ',' + CsvField(row.mission) + ',' +
                   (row.passed ? "yes" : "no") + ',' + row.time + ',' + CsvField(row.reason) + ',' +
                   CsvField(row.step) + "\r\n";
        }
    }
    return csv;
}

std::string ListName(int list) {
    if (list == model::kMainList) return "Main list";
    return SetName(list - model::kSensorSetAll);
}

std::vector<std::string> ListInWords(const model::TActionProgram& program, int list,
                                     model::TMode mode) {
    std::vector<std::string> lines;
    for (int k = 1; k <= program.Count(list); ++k) {
        lines.push_back(std::to_string(k) + ". " + StepInWords(program.Step(list, k), list, mode));
    }
    return lines;
}

}  // namespace kavrin::judge
