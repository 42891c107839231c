#pragma once
// The judged class in words, in English: the command line's lines, the CSV table and the lists of
// a program as a teacher reads them. Every text of a run comes from sim::VerdictText and
// sim::ReasonText, so `kavrin-cli judge` says exactly what `kavrin-cli simulate` says.

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "judge/judge.h"

namespace kavrin::judge {

// One (program, mission) in words.
struct RowText {
    std::string file;     // the path as given (UTF-8)
    std::string mission;  // the mission's name: a built-in's, or its file's path
    bool passed = false;
    std::string time;    // "10.412" seconds; empty when not judged
    std::string reason;  // why not passed or not judged; empty when passed
    std::string step;    // the step running when it failed ("step 3 (forward)"), or empty
    std::string
        verdict;  // "mission passed in 10.4 s", "mission not passed: ...", "not judged: ..."
};
RowText DescribeRow(const Result& result, std::size_t program, std::size_t mission);

// "FILE: MISSION: VERDICT", the line `kavrin-cli judge` prints.
std::string RowLine(const Result& result, std::size_t program, std::size_t mission);

// The table for a spreadsheet: UTF-8 with a byte-order mark (so that a spreadsheet in any
// language reads the names as UTF-8), CR LF after every row, the header
// file,mission,passed,time_s,reason,step and one row per (program, mission) in the result's
// order; passed is "yes" or "no", the time has a point and three decimals.
std::string CsvText(const Result& result);
// A field as RFC 4180 has it: in double quotes, its quotes doubled, when it holds a comma, a
// quote or a line break; otherwise as it is.
std::string CsvField(const std::string& field);

// The steps of a list, one line each: "1. forward 1.2 s", "2. go back to step 1"; in Advanced
// mode a main-list step adds the sensor sets it hands its sensors to ("both: Sensor Set All,
// left: Sensor Set 1, right: Sensor Set 2").
std::vector<std::string> ListInWords(const model::TActionProgram& program, int list,
                                     model::TMode mode);
// "Main list", "Sensor Set All", "Sensor Set 1".
std::string ListName(int list);

// A path as UTF-8, as it was given.
std::string ShownPath(const std::filesystem::path& path);

}  // namespace kavrin::judge
