#pragma once
// The code generator: turns the action program into the robot's VELIC program. It loads the
// motion template into the program text, finds the anchor line that defines ActionList, and
// writes the configuration statement and the six lists as DATA lines in its place:
//
//   Configure<TAB>DATA<TAB>@0,mode,0,left centre,right centre,WORD a1,...,WORD a5
//   (empty)
//   ' ----- Main Action List -----
//   ActionList<TAB>DATA<TAB>"F",12   ,"R",13   ,...          at most four steps a line
//   <TAB><TAB>DATA <TAB>"G",2   ,"Q"                          continuation lines, no label
//   ... the same for the five sensor sets, then the emptied anchor line.
//
// EEPROM: bytes 0..13 configuration (mode, 0, two centres, start words of the five sensor
// sets), main list from 14, each list a run of two-byte command pairs ended by a one-byte "Q".
//
// In Advanced mode a main-list step is preceded by "C",$cs pairs (column c: 3 Both, 2 Left,
// 1 Right; s its new sensor set) for each column that differs from the step before; a go-back
// step adds the pairs that set the columns back to those of its target. Its number counts
// command pairs, "C" pairs included, so that the robot lands on the target's own action.

#include <string>
#include <string_view>

#include "codegen/program_text.h"
#include "model/action_program.h"

namespace kavrin::codegen {

struct TBuildResult {
    bool ok = false;
    std::string message;  // why nothing was generated; empty on success
};

// EEPROM address of the main action list, right behind the 14 configuration bytes.
inline constexpr int kMainListAddress = 14;

// Steps on one DATA line.
inline constexpr int kItemsPerLine = 4;

// A jump back is one byte on the robot.
inline constexpr int kMaxJumpBack = 255;

// The first configuration byte: 2 in Advanced mode; in Beginner mode 1 when the sensors are
// enabled, else 0.
int SensorModeNumber(model::TMode mode, bool sensorsEnabled);

// A list's name as the messages (and the program sheet) show it: the main list, then the sensor
// sets All and 1 to 4, in the run's language.
std::string ListName(int list);

// Index of the anchor line: the first line that, trimmed and upper-cased, begins with
// ACTIONLIST, provided only blanks stand between the label (in column 1) and the first DATA.
// -1 when there is none or the first candidate fails.
int FindAnchorLine(const TProgramText& text);

// Loads the motion template ("DATA" 362) into text and fills it. On failure the message says
// why; the text then holds the freshly loaded template.
TBuildResult BuildCode(const model::TActionProgram& program, model::TMode mode, bool sensorsEnabled,
                       TProgramText& text);

// Fills whatever template text holds already (BuildCode without the loading). The text is left
// unchanged on failure.
TBuildResult FillTemplate(const model::TActionProgram& program, model::TMode mode,
                          bool sensorsEnabled, TProgramText& text);

}  // namespace kavrin::codegen
