#include "model/key_table.h"

namespace kavrin::model {

namespace {

char32_t Upper(char32_t c) { return c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c; }

// The keys of the keyboard's own commands: none of them types into a control or is an Alt
// letter.
TCommand KeyboardCommand(char32_t key, bool shift, bool ctrl, bool alt) {
    if (alt) {
        return TCommand::None;
    }
    switch (key) {
        case kKeyUp:
            return ctrl ? TCommand::MoveStepsUp : TCommand::None;
        case kKeyDown:
            return ctrl ? TCommand::MoveStepsDown : TCommand::None;
        case kKeyF6:
            return ctrl ? TCommand::None : shift ? TCommand::PreviousPane : TCommand::NextPane;
        case kKeyF2:
        case kKeyEnter:
            return ctrl || shift ? TCommand::None : TCommand::EditValue;
        // '+' is a shifted key on many layouts.
        case U'+':
            return ctrl ? TCommand::None : TCommand::LongerStep;
        case U'-':
            return ctrl || shift ? TCommand::None : TCommand::ShorterStep;
        default:
            break;
    }
    if (ctrl && !shift && key >= U'1' && key <= U'5') {
        return static_cast<TCommand>(static_cast<int>(TCommand::SensorSetAll) +
                                     static_cast<int>(key - U'1'));
    }
    if (ctrl && shift) {
        switch (Upper(key)) {
            case U'B':
                return TCommand::SetBothColumn;
            case U'L':
                return TCommand::SetLeftColumn;
            case U'R':
                return TCommand::SetRightColumn;
            default:
                break;
        }
    }
    return TCommand::None;
}

}  // namespace

TCommand CommandForKey(char32_t key, unsigned modifiers, std::string_view letters) {
    const bool shift = (modifiers & kmShift) != 0;
    const bool ctrl = (modifiers & kmCtrl) != 0;
    const bool alt = (modifiers & kmAlt) != 0;
    if (key == kKeyDelete) {
        return ctrl || alt ? TCommand::None : TCommand::Delete;
    }
    if (const TCommand own = KeyboardCommand(key, shift, ctrl, alt); own != TCommand::None) {
        return own;
    }
    key = Upper(key);
    if (ctrl && !alt) {
        switch (key) {
            case U'C':
                return TCommand::Copy;
            case U'X':
                return TCommand::Cut;
            case U'V':
                return TCommand::Paste;
            case U'Z':
                return TCommand::Undo;
            case U'P':
                return TCommand::Print;
            default:
                return TCommand::None;
        }
    }
    if (alt && !ctrl) {
        const std::size_t n =
            letters.size() < kCommandLetterCount ? letters.size() : kCommandLetterCount;
        for (std::size_t i = 0; i < n; ++i) {
            const auto letter = static_cast<unsigned char>(letters[i]);
            if (Upper(letter) == key) {
                return static_cast<TCommand>(static_cast<int>(TCommand::Delete) +
                                             static_cast<int>(i));
            }
        }
    }
    return TCommand::None;
}

bool ActsInWholeWindow(TCommand command) {
    return command == TCommand::Print || command == TCommand::NextPane ||
           command == TCommand::PreviousPane || SensorSetOf(command) >= 0 ||
           SensorColumnOf(command) >= 0;
}

int SensorSetOf(TCommand command) {
    const int n = static_cast<int>(command) - static_cast<int>(TCommand::SensorSetAll);
    return n >= 0 && n <= static_cast<int>(TCommand::SensorSet4) -
                              static_cast<int>(TCommand::SensorSetAll)
               ? n
               : -1;
}

int SensorColumnOf(TCommand command) {
    constexpr int kFirstSensorColumn = 2;  // gcBoth
    const int n = static_cast<int>(command) - static_cast<int>(TCommand::SetBothColumn);
    return n >= 0 && n <= static_cast<int>(TCommand::SetRightColumn) -
                              static_cast<int>(TCommand::SetBothColumn)
               ? kFirstSensorColumn + n
               : -1;
}

}  // namespace kavrin::model
