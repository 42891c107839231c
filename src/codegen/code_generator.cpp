// The code generator. The block it writes replaces the template's anchor line; everything it
// needs to know about the robot side (addresses, letters, the "C" pairs) is in code_generator.h
// and the motion template itself.

#include "codegen/code_generator.h"

#include <array>
#include <cctype>
#include <vector>

#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::codegen {

namespace {

using model::TActionProgram;
using model::TBotAction;
using model::TMode;

constexpr std::string_view kAnchorLabel = "ACTIONLIST";
constexpr std::string_view kDataWord = "DATA";

// The lists' names in the generated program's comments: the program text is the same in every
// language (and single-byte). Messages name them from the string table.
constexpr std::array<std::string_view, model::kListCount> kListNames{
    "Main Action List", "Sensor Set All", "Sensor Set 1",
    "Sensor Set 2",     "Sensor Set 3",   "Sensor Set 4",
};

namespace str = resources::str;
using resources::FormatUIString;

constexpr std::string_view kMainListStart = "ActionList\tDATA\t";
constexpr std::string_view kContinuationStart = "\t\tDATA \t";
constexpr std::string_view kValueGap = "   ";
constexpr std::string_view kListEnd = "\"Q\"";

// The robot's "C" command: high digit selects the column, low digit is the new sensor set.
// Written in the column order Both, Left, Right.
constexpr std::array<model::TSensorColumn, model::kSensorColumnCount> kColumnOrder{
    model::scBoth, model::scLeft, model::scRight};
constexpr std::array<char, model::kSensorColumnCount> kColumnCode{'3', '2', '1'};

// EEPROM bytes of one command pair and of the list terminator.
constexpr int kPairSize = 2;
constexpr int kEndSize = 1;

// address[0] is the main list's start; address[L] is the address right behind list L.
using TListAddresses = std::array<int, model::kListCount + 1>;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char UpperChar(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Whether s, upper-cased, begins with the upper-case word; nothing is copied.
bool StartsWithWord(std::string_view s, std::string_view word) {
    if (s.size() < word.size()) return false;
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (UpperChar(s[i]) != word[i]) return false;
    }
    return true;
}

// Where the upper-cased s first holds the upper-case word, npos when it does not.
std::size_t FindWord(std::string_view s, std::string_view word) {
    for (std::size_t at = 0; at + word.size() <= s.size(); ++at) {
        if (StartsWithWord(s.substr(at), word)) return at;
    }
    return std::string_view::npos;
}

std::string_view Trim(std::string_view s) {
    // Control characters count as blanks too, as they do for the editor's own trimming.
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= ' ') {
        s.remove_prefix(1);
    }
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= ' ') {
        s.remove_suffix(1);
    }
    return s;
}

// The label must stand in column 1: what lies between its end and the first DATA is checked in
// the untrimmed line, so an indented label leaves part of itself there and fails.
bool OnlyBlanksBeforeData(const std::string& line) {
    const std::size_t data = FindWord(line, kDataWord);
    if (data == std::string_view::npos) {
        return true;
    }
    if (data < kAnchorLabel.size()) {
        return false;
    }
    for (std::size_t i = kAnchorLabel.size(); i < data; ++i) {
        if (!IsBlank(line[i])) {
            return false;
        }
    }
    return true;
}

bool EmitsSensorPairs(int list, TMode mode) {
    return list == model::kMainList && mode == TMode::Advanced;
}

// One "C" pair: the column's code digit and the sensor set it now holds.
struct TSensorPair {
    char column;
    std::uint8_t set;
};

// The pairs ahead of one step: at most one per column for the change from the step before and
// one per column for a go-back's return to its target. Kept in place: a go-back's jump counts
// the pairs of every step it passes, for each such step.
struct TSensorPairs {
    std::array<TSensorPair, 2 * model::kSensorColumnCount> items{};
    std::size_t count = 0;

    std::size_t size() const { return count; }
    const TSensorPair* begin() const { return items.data(); }
    const TSensorPair* end() const { return items.data() + count; }
};

// Every column of `to` that differs from `from`, in the order Both, Left, Right.
void AddColumnChanges(const TBotAction& from, const TBotAction& to, TSensorPairs& pairs) {
    for (std::size_t c = 0; c < kColumnOrder.size(); ++c) {
        const auto column = kColumnOrder[c];
        if (to.sensors[column] != from.sensors[column]) {
            pairs.items[pairs.count++] = {kColumnCode[c], to.sensors[column]};
        }
    }
}

// The "C" pairs written ahead of step k's own item: one per column that differs from the step
// before (the header slot, all columns 0, for the first step). A go-back step then also sets
// back every column in which it differs from its target: the jump lands on the target's action
// and skips the pairs ahead of it, so without these the target would run with the columns of
// the end of the loop instead of its own on every pass after the first.
TSensorPairs SensorPairs(const TActionProgram& program, int list, int k, TMode mode) {
    TSensorPairs pairs;
    if (!EmitsSensorPairs(list, mode)) {
        return pairs;
    }
    const TBotAction& step = program.Step(list, k);
    AddColumnChanges(k == 1 ? model::kHeaderSlot : program.Step(list, k - 1), step, pairs);
    if (step.kind == model::akGoBack) {
        AddColumnChanges(step, program.Step(list, step.value), pairs);
    }
    return pairs;
}

// The robot jumps back by command pairs. The target must lie in 1..k (checked before). Counting
// the "C" pairs of the steps after the target (the go-back step's own included) makes the jump
// land exactly on the target's action.
int JumpBack(const TActionProgram& program, int list, int k, TMode mode) {
    const int target = program.Step(list, k).value;
    int back = k - target;
    for (int j = target + 1; j <= k; ++j) {
        back += static_cast<int>(SensorPairs(program, list, j, mode).size());
    }
    return back;
}

std::string StepName(int list, int k) {
    return FormatUIString(str::kStepOfList, {std::to_string(k), ListName(list)});
}

// Refuses what the generator cannot turn into a meaningful program. Everything else (durations
// included) is written as stored.
TBuildResult CheckProgram(const TActionProgram& program, TMode mode) {
    for (int list = 1; list <= model::kListCount; ++list) {
        const int count = program.Count(list);
        if (count < 0 || count > model::kMaxSteps) {
            return {false, FormatUIString(str::kImpossibleStepCount,
                                          {ListName(list), std::to_string(count)})};
        }
        for (int k = 1; k <= count; ++k) {
            const TBotAction& step = program.Step(list, k);
            if (step.kind >= model::kActionKindCount) {
                return {false, FormatUIString(str::kUnknownKind,
                                              {StepName(list, k), std::to_string(step.kind)})};
            }
            if (EmitsSensorPairs(list, mode)) {
                for (std::uint8_t set : step.sensors) {
                    if (set >= model::kSensorSetCount) {
                        return {false, FormatUIString(str::kUnknownSensorSet,
                                                      {StepName(list, k), std::to_string(set)})};
                    }
                }
            }
            if (step.kind == model::akGoBack) {
                // Outside the list's own steps the robot would read other data as commands.
                if (step.value < 1 || step.value > k) {
                    return {false, FormatUIString(str::kGoBackOutside,
                                                  {StepName(list, k), std::to_string(step.value),
                                                   std::to_string(k)})};
                }
                const int back = JumpBack(program, list, k, mode);
                if (back > kMaxJumpBack) {
                    return {false, FormatUIString(str::kJumpTooFar,
                                                  {StepName(list, k), std::to_string(back),
                                                   std::to_string(kMaxJumpBack)})};
                }
            }
        }
    }
    return {true, {}};
}

// "C",$32, ... ahead of step k's own item.
void AppendSensorPairs(const TActionProgram& program, int list, int k, TMode mode,
                       std::string& line, int& address) {
    for (const TSensorPair& pair : SensorPairs(program, list, k, mode)) {
        line += "\"C\",$";
        line += pair.column;
        line += std::to_string(pair.set);
        line += ',';
        address += kPairSize;
    }
}

// The comment line and DATA lines of one list; advances address to the byte behind the list.
void WriteList(const TActionProgram& program, int list, TMode mode, int& address,
               std::vector<std::string>& lines) {
    lines.emplace_back();
    lines.push_back("' ----- " + std::string(kListNames[static_cast<std::size_t>(list - 1)]) +
                    " -----");
    std::string line(list == model::kMainList ? kMainListStart : kContinuationStart);
    int items = 0;
    for (int k = 1; k <= program.Count(list); ++k) {
        AppendSensorPairs(program, list, k, mode, line, address);
        const TBotAction& step = program.Step(list, k);
        line += '"';
        line += model::kActionKinds[step.kind].letter;
        line += "\",";
        const int number =
            step.kind == model::akGoBack ? JumpBack(program, list, k, mode) : step.value;
        line += std::to_string(number);
        line += kValueGap;
        address += kPairSize;
        if (++items == kItemsPerLine) {
            lines.push_back(line);
            line = kContinuationStart;
            items = 0;
        } else {
            line += ',';
        }
    }
    line += kListEnd;
    address += kEndSize;
    lines.push_back(line);
}

std::string ConfigureLine(const TActionProgram& program, TMode mode, bool sensorsEnabled,
                          const TListAddresses& address) {
    std::string line =
        "Configure\tDATA\t@0," + std::to_string(SensorModeNumber(mode, sensorsEnabled)) + ",0," +
        std::to_string(program.leftServoCenter) + "," + std::to_string(program.rightServoCenter);
    // The robot finds the five sensor sets through these words; the main list needs none.
    for (int list = model::kMainList; list < model::kListCount; ++list) {
        line += ",WORD " + std::to_string(address[static_cast<std::size_t>(list)]);
    }
    return line;
}

}  // namespace

std::string ListName(int list) {
    if (list == model::kMainList) return resources::GetUIString(str::kMainListName);
    if (list == model::kSensorSetAll) return resources::GetUIString(str::kSensorSetAllName);
    return FormatUIString(str::kSensorSetName, {std::to_string(list - model::kSensorSetAll)});
}

int SensorModeNumber(TMode mode, bool sensorsEnabled) {
    if (mode == TMode::Advanced) {
        return 2;
    }
    return sensorsEnabled ? 1 : 0;
}

int FindAnchorLine(const TProgramText& text) {
    for (int i = 0; i < text.Count(); ++i) {
        const std::string& line = text.Line(i);
        if (!StartsWithWord(Trim(line), kAnchorLabel)) {
            continue;
        }
        return OnlyBlanksBeforeData(line) ? i : -1;
    }
    return -1;
}

TBuildResult FillTemplate(const TActionProgram& program, TMode mode, bool sensorsEnabled,
                          TProgramText& text) {
    const int anchor = FindAnchorLine(text);
    if (anchor < 0) {
        return {false, resources::GetUIString(str::kAnchorMissing)};
    }
    if (TBuildResult checked = CheckProgram(program, mode); !checked.ok) {
        return checked;
    }
    TListAddresses address{};
    address[0] = kMainListAddress;
    std::vector<std::string> block;
    for (int list = 1; list <= model::kListCount; ++list) {
        int& end = address[static_cast<std::size_t>(list)];
        end = address[static_cast<std::size_t>(list - 1)];
        WriteList(program, list, mode, end, block);
    }
    // The configuration goes first: it is the DATA that places its bytes at address 0.
    block.insert(block.begin(), ConfigureLine(program, mode, sensorsEnabled, address));
    const int at = anchor + static_cast<int>(block.size());
    text.InsertLines(anchor, std::move(block));
    text.ReplaceLine(at, {});  // the anchor line itself, now behind the block
    return {true, {}};
}

TBuildResult BuildCode(const TActionProgram& program, TMode mode, bool sensorsEnabled,
                       TProgramText& text) {
    text.LoadTextResource(resources::kMotionTemplateId);
    return FillTemplate(program, mode, sensorsEnabled, text);
}

}  // namespace kavrin::codegen
