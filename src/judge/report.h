#pragma once
// The judged class as one HTML page for the teacher, self-contained (inline CSS, inline SVG, no
// scripts, nothing beside it): a table of every program against every mission, then for each
// program a section of its own (a new page when printed on A4) with its lists in words and, per
// mission, a picture of the table (walls, boxes, discs, the zones) with the path the robot drove
// and, where it touched, its outline in red. Every text taken from files or programs is escaped.

#include <string>
#include <string_view>

#include "judge/judge.h"

namespace kavrin::judge {

std::string ReportHtml(const Result& result);

// Text for HTML, in elements and in quoted attributes: & < > " ' as character references.
std::string HtmlEscaped(std::string_view text);

// The picture of one run: the table in centimetres (y up), the zones, obstacles, the start, the
// path and the touch.
std::string RunSvg(const sim::Mission& mission, const MissionRun& run);

}  // namespace kavrin::judge
