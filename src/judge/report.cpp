#include "judge/report.h"

#include <cstdio>
#include <span>

#include "judge/judge_text.h"
#include "sim/mission_words.h"
#include "sim/robot_geometry.h"

namespace kavrin::judge {

namespace {

constexpr char kStyle[] =
    "@page { size: A4; margin: 15mm; }\n"
    "body { font-family: 'DejaVu Sans', Arial, sans-serif; font-size: 10pt; color: #222; margin: "
    "0; }\n"
    "h1 { font-size: 16pt; margin: 0 0 4mm; }\n"
    "h2 { font-size: 13pt; margin: 0 0 3mm; border-bottom: 1px solid #999; }\n"
    "h3 { font-size: 10.5pt; margin: 3mm 0 1mm; }\n"
    "table.summary { border-collapse: collapse; width: 100%; }\n"
    "table.summary th, table.summary td { border: 1px solid #999; padding: 1mm 2mm; text-align: "
    "left;"
    " vertical-align: top; }\n"
    "table.summary thead th { background: #eee; }\n"
    ".passed { color: #1b5e20; font-weight: bold; }\n"
    ".failed { color: #b00020; font-weight: bold; }\n"
    ".unjudged { color: #555; font-style: italic; }\n"
    ".why { display: block; font-size: 8.5pt; color: #444; }\n"
    "section.pupil { page-break-before: always; break-before: page; }\n"
    ".lists { columns: 2; column-gap: 8mm; }\n"
    ".list { break-inside: avoid; page-break-inside: avoid; }\n"
    "ul.steps { list-style: none; margin: 0 0 2mm; padding: 0; }\n"
    ".run { display: inline-block; width: 48%; vertical-align: top; margin: 0 1% 3mm 0;"
    " break-inside: avoid; page-break-inside: avoid; }\n"
    ".run svg { width: 100%; height: auto; }\n"
    ".run p { margin: 0 0 1mm; }\n";

std::string Number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    std::string s = text;
    if (s == "-0.0") s = "0.0";
    return s;
}

std::string Attr(std::string_view name, double value) {
    return " " + std::string(name) + "=\"" + Number(value) + "\"";
}

std::string Points(std::span<const sim::Vec2> points) {
    std::string s;
    for (const sim::Vec2& p : points) {
        if (!s.empty()) s += ' ';
        s += Number(p.x) + "," + Number(p.y);
    }
    return s;
}

// The cell of the summary table.
std::string Cell(const Result& result, std::size_t p, std::size_t m) {
    const RowText row = DescribeRow(result, p, m);
    const MissionRun& run = result.programs[p].runs[m];
    if (!run.judged) {
        return "<td><span class=\"unjudged\">not judged</span><span class=\"why\">" +
               HtmlEscaped(row.reason) + "</span></td>";
    }
    if (row.passed) {
        return "<td class=\"passed\">passed " +
               Number(static_cast<double>(run.outcome.at) / sim::kMicrosPerSecond) + " s</td>";
    }
    const std::string why = sim::ReasonText(result.missions[m], run.outcome, true);
    return "<td><span class=\"failed\">not passed</span><span class=\"why\">" + HtmlEscaped(why) +
           "</span></td>";
}

void Lists(const ProgramResult& p, model::TMode mode, std::string& html) {
    html += "<div class=\"lists\">\n";
    for (int list = model::kMainList; list <= model::kListCount; ++list) {
        if (list != model::kMainList && p.program->Count(list) == 0) continue;
        html += "<div class=\"list\"><h3>" + HtmlEscaped(ListName(list)) +
                "</h3>\n<ul class=\"steps\">\n";
        const std::vector<std::string> steps = ListInWords(*p.program, list, mode);
        if (steps.empty()) html += "<li>(no steps)</li>\n";
        for (const std::string& step : steps) html += "<li>" + HtmlEscaped(step) + "</li>\n";
        html += "</ul></div>\n";
    }
    html += "</div>\n";
}

}  // namespace

std::string HtmlEscaped(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string RunSvg(const sim::Mission& mission, const MissionRun& run) {
    const sim::Arena& a = mission.arena;
    const double margin = 2;
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" + Number(-margin) +
                      " " + Number(-margin) + " " + Number(a.width + 2 * margin) + " " +
                      Number(a.depth + 2 * margin) + "\" role=\"img\">\n";
    svg += "<title>" + HtmlEscaped(mission.title) + "</title>\n";
    // The table's own coordinates: x right, y up.
    svg += "<g transform=\"matrix(1 0 0 -1 0 " + Number(a.depth) + ")\">\n";
    svg += "<rect class=\"table\" x=\"0\" y=\"0\"" + Attr("width", a.width) +
           Attr("height", a.depth) + " fill=\"#f6f3ea\" stroke=\"#555\" stroke-width=\"0.8\"/>\n";
    for (const sim::MissionZone& z : mission.zones) {
        svg += "<rect class=\"zone\"" + Attr("x", z.area.x) + Attr("y", z.area.y) +
               Attr("width", z.area.width) + Attr("height", z.area.height) +
               " fill=\"#bbdefb\" fill-opacity=\"0.6\" stroke=\"#1e88e5\" stroke-width=\"0.5\" "
               "stroke-dasharray=\"2 1\"/>\n";
    }
    for (const sim::ArenaBox& b : a.boxes) {
        svg += "<rect class=\"box\"" + Attr("x", b.x) + Attr("y", b.y) + Attr("width", b.width) +
               Attr("height", b.height) +
               " fill=\"#8d6e63\" stroke=\"#4e342e\" stroke-width=\"0.5\"/>\n";
    }
    for (const sim::Disc& d : a.discs) {
        svg += "<circle class=\"disc\"" + Attr("cx", d.centre.x) + Attr("cy", d.centre.y) +
               Attr("r", d.radius) +
               " fill=\"#8d6e63\" stroke=\"#4e342e\" stroke-width=\"0.5\"/>\n";
    }
    for (const sim::Segment& w : a.walls) {
        svg += "<line class=\"wall\"" + Attr("x1", w.a.x) + Attr("y1", w.a.y) + Attr("x2", w.b.x) +
               Attr("y2", w.b.y) +
               " stroke=\"#333\" stroke-width=\"1.5\" stroke-linecap=\"round\"/>\n";
    }
    const sim::Pose& start = a.start;
    const sim::Vec2 ahead = start.Position() + sim::Direction(start.heading) * 6.0;
    svg += "<circle class=\"start\"" + Attr("cx", start.x) + Attr("cy", start.y) +
           " r=\"1.5\" fill=\"#2e7d32\"/>\n<line class=\"start\"" + Attr("x1", start.x) +
           Attr("y1", start.y) + Attr("x2", ahead.x) + Attr("y2", ahead.y) +
           " stroke=\"#2e7d32\" stroke-width=\"0.6\"/>\n";
    if (run.path.size() > 1) {
        std::vector<sim::Vec2> points;
        for (const sim::Pose& p : run.path) points.push_back(p.Position());
        svg += "<polyline class=\"path\" points=\"" + Points(points) +
               "\" fill=\"none\" stroke=\"#1565c0\" stroke-width=\"0.8\" "
               "stroke-linejoin=\"round\"/>\n";
    }
    if (!run.path.empty()) {
        const auto body = sim::BodyCorners(sim::RobotGeometry{}, run.path.back());
        svg +=
            "<polygon class=\"robot\" points=\"" + Points(body) +
            "\" fill=\"#90a4ae\" fill-opacity=\"0.5\" stroke=\"#37474f\" stroke-width=\"0.4\"/>\n";
    }
    if (run.touch) {
        sim::Vec2 centre;
        for (const sim::Vec2& c : *run.touch) centre = centre + c * 0.25;
        svg += "<polygon class=\"touch\" points=\"" + Points(*run.touch) +
               "\" fill=\"none\" stroke=\"red\" stroke-width=\"0.8\"/>\n<circle class=\"touch\"" +
               Attr("cx", centre.x) + Attr("cy", centre.y) +
               " r=\"10\" fill=\"none\" stroke=\"red\" stroke-width=\"0.8\"/>\n";
    }
    svg += "</g>\n";
    // Names upright, so outside the flipped group.
    for (const sim::MissionZone& z : mission.zones) {
        svg += "<text class=\"zone-name\"" + Attr("x", z.area.x + 1.5) +
               Attr("y", a.depth - (z.area.y + z.area.height) + 6) +
               " font-size=\"5\" fill=\"#0d47a1\">" + HtmlEscaped(z.name) + "</text>\n";
    }
    svg += "</svg>\n";
    return svg;
}

std::string ReportHtml(const Result& result) {
    std::string html =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Kavrin: "
        "missions judged</title>\n"
        "<style>\n";
    html += kStyle;
    html += "</style>\n</head>\n<body>\n<h1>Missions judged</h1>\n";
    std::size_t passed = 0, rows = 0;
    for (const ProgramResult& p : result.programs) {
        for (const MissionRun& r : p.runs) {
            ++rows;
            passed += r.judged && r.outcome.Passed();
        }
    }
    html +=
        "<p>" + std::to_string(result.programs.size()) + " programs, " +
        std::to_string(result.missions.size()) + " missions, " +
        std::string(result.mode == model::TMode::Advanced ? "Advanced" : "Beginner") + " mode" +
        (result.mode == model::TMode::Beginner && result.sensorsEnabled ? " with sensors" : "") +
        ": " + std::to_string(passed) + " of " + std::to_string(rows) + " passed" +
        (result.stopped ? " (stopped before the end)" : "") + ".</p>\n";

    html += "<table class=\"summary\">\n<thead><tr><th>Program</th>";
    for (const sim::Mission& m : result.missions) html += "<th>" + HtmlEscaped(m.title) + "</th>";
    html += "</tr></thead>\n<tbody>\n";
    for (std::size_t p = 0; p < result.programs.size(); ++p) {
        html += "<tr><th><a href=\"#program-" + std::to_string(p + 1) + "\">" +
                HtmlEscaped(ShownPath(result.programs[p].file)) + "</a></th>";
        for (std::size_t m = 0; m < result.missions.size(); ++m) html += Cell(result, p, m);
        html += "</tr>\n";
    }
    html += "</tbody>\n</table>\n";

    for (std::size_t p = 0; p < result.programs.size(); ++p) {
        const ProgramResult& program = result.programs[p];
        html += "<section class=\"pupil\" id=\"program-" + std::to_string(p + 1) + "\">\n<h2>" +
                HtmlEscaped(ShownPath(program.file)) + "</h2>\n";
        if (program.problem != FileProblem::None) {
            html += "<p class=\"unjudged\">Not judged: " + HtmlEscaped(program.message) + "</p>\n";
        }
        if (program.program) Lists(program, result.mode, html);
        for (std::size_t m = 0; m < result.missions.size(); ++m) {
            const MissionRun& run = program.runs[m];
            if (!run.judged) continue;
            const sim::Mission& mission = result.missions[m];
            const RowText row = DescribeRow(result, p, m);
            html += "<div class=\"run\">\n<h3>" + HtmlEscaped(mission.title) +
                    "</h3>\n<p class=\"" + (row.passed ? "passed" : "failed") + "\">" +
                    HtmlEscaped(row.verdict) + "</p>\n";
            html += RunSvg(mission, run);
            html += "</div>\n";
        }
        html += "</section>\n";
    }
    html += "</body>\n</html>\n";
    return html;
}

}  // namespace kavrin::judge
