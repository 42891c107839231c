#include "sim/step_probe.h"

#include <algorithm>

namespace kavrin::sim {

namespace {

constexpr int kPairSize = 2;
constexpr int kSetTable = 4;  // start words of Sensor Set All and Sets 1 to 4
constexpr char kEnd = 'Q', kColumn = 'C', kGoBack = 'G';
constexpr int kCyclesPerTenth = 5;
constexpr VirtualTime kTenth = 100 * kMicrosPerMs;

bool IsPause(char letter) { return letter == 'S' || letter == 'H' || letter == 'P'; }

}  // namespace

std::optional<StepVariables> FindStepVariables(const VariableFinder& find) {
    StepVariables v;
    const std::pair<std::string_view, wire::VariableLocation*> names[] = {
        {"Offset", &v.offset}, {"InSet", &v.inSet},   {"SetPtr", &v.setPtr}, {"SetNo", &v.setNo},
        {"Cmd", &v.cmd},       {"Cycles", &v.cycles}, {"Value", &v.value}};
    for (const auto& [name, at] : names) {
        const auto found = find(name);
        if (!found) return std::nullopt;
        *at = *found;
    }
    return v;
}

StepMap StepMap::FromImage(const Eeprom& image) {
    StepMap map;
    const int size = static_cast<int>(image.size());
    for (int list = 1; list <= kStepListCount; ++list) {
        const auto i = static_cast<std::size_t>(list - 1);
        int address = kMainListStart;
        if (list != kMainList) {
            const auto word =
                static_cast<std::size_t>(kSetTable + kPairSize * (list - kSetAllList));
            address = image[word] | image[word + 1] << 8;
        }
        map.start_[i] = address;
        int step = 0;
        // "C" pairs (main list only) belong to the next step's pair.
        std::size_t pendingColumns = 0;
        for (; address + 1 < size && image[static_cast<std::size_t>(address)] != kEnd;
             address += kPairSize) {
            const char letter = static_cast<char>(image[static_cast<std::size_t>(address)]);
            map.pairs_[i].push_back({letter, 0});
            if (letter == kColumn && list == kMainList) {
                ++pendingColumns;
                continue;
            }
            ++step;
            for (std::size_t back = 0; back <= pendingColumns; ++back)
                map.pairs_[i][map.pairs_[i].size() - 1 - back].step = step;
            pendingColumns = 0;
            map.stepPair_[i].push_back(static_cast<int>(map.pairs_[i].size()) - 1);
        }
    }
    return map;
}

int StepMap::StepCount(int list) const {
    return list >= 1 && list <= kStepListCount
               ? static_cast<int>(stepPair_[static_cast<std::size_t>(list - 1)].size())
               : 0;
}

int StepMap::StepAt(int list, int address) const {
    if (list < 1 || list > kStepListCount) return 0;
    const auto i = static_cast<std::size_t>(list - 1);
    const int from = address - start_[i];
    if (from < 0 || from % kPairSize != 0) return 0;
    const auto pair = static_cast<std::size_t>(from / kPairSize);
    return pair < pairs_[i].size() ? pairs_[i][pair].step : 0;
}

char StepMap::LetterAt(int list, int address) const {
    if (StepAt(list, address) == 0) return 0;
    const auto i = static_cast<std::size_t>(list - 1);
    return pairs_[i][static_cast<std::size_t>((address - start_[i]) / kPairSize)].letter;
}

std::string_view EnglishKindText(char letter) {
    switch (letter) {
        case 'F':
            return "forward";
        case 'B':
            return "backward";
        case 'L':
            return "turn left";
        case 'R':
            return "turn right";
        case 'E':
            return "rotate left";
        case 'I':
            return "rotate right";
        case 'S':
        case 'H':
            return "stop and wait";
        case 'G':
            return "go back";
        default:
            return {};
    }
}

std::string EnglishStepText(StepRef step, char letter) {
    std::string text = "step " + std::to_string(step.step);
    if (step.list == kSetAllList) {
        text += " of Sensor Set All";
    } else if (step.list > kSetAllList) {
        text += " of Sensor Set " + std::to_string(step.list - kSetAllList);
    }
    if (const std::string_view kind = EnglishKindText(letter); !kind.empty()) {
        text += " (";
        text += kind;
        text += ')';
    }
    return text;
}

char StepMap::Letter(StepRef step) const {
    if (step.step < 1 || step.step > StepCount(step.list)) return 0;
    const auto i = static_cast<std::size_t>(step.list - 1);
    return pairs_[i]
                 [static_cast<std::size_t>(stepPair_[i][static_cast<std::size_t>(step.step - 1)])]
                     .letter;
}

std::optional<RunningStep> StepProbe::Read(const Processor& cpu) const {
    const char cmd = static_cast<char>(cpu.Peek(variables_.cmd));
    // A cleared RAM holds no letter: the program waits out its start delay.
    if (cpu.Halted() || cmd == 0) return RunningStep{};
    const std::uint16_t offset = cpu.Peek(variables_.offset);
    const int mainAddress = kMainListStart + static_cast<std::int16_t>(offset);
    const int mainStep = map_.StepAt(kMainList, mainAddress);
    RunningStep running;
    running.command = cmd;
    if (cpu.Peek(variables_.inSet) != 0) {
        const int list =
            kSetAllList + std::min<int>(cpu.Peek(variables_.setNo), kStepListCount - kSetAllList);
        const int step = map_.StepAt(list, cpu.Peek(variables_.setPtr) - kPairSize);
        if (step == 0 || map_.Letter({list, step}) != cmd) return std::nullopt;
        running.at = {list, step};
        running.interrupted = mainStep;
    } else {
        if (mainStep == 0) return std::nullopt;
        const char letter = map_.Letter({kMainList, mainStep});
        // Between two commands: a "C" pair read, a jump back or the end under way.
        if (cmd == kColumn || cmd == kEnd || map_.LetterAt(kMainList, mainAddress) == kColumn ||
            (cmd == kGoBack) != (letter == kGoBack))
            return std::nullopt;
        running.at = {kMainList, mainStep};
    }
    const std::uint16_t cycles = cpu.Peek(variables_.cycles);
    // "S" and "H" count drive cycles while the wheels slow down, then tenths while napping.
    const bool napping = IsPause(cmd) && cycles <= cpu.Peek(variables_.value);
    running.left = napping ? cycles * kTenth : cycles * (kTenth / kCyclesPerTenth);
    if (cmd == kGoBack) running.left = 0;
    return running;
}

}  // namespace kavrin::sim
