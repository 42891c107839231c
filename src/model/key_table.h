#pragma once
// The keys a list grid answers to, as data shared by the window and the tests. Delete and the
// Ctrl combinations (C, X, V, Z and P) are fixed; the twelve Alt letters come from the
// command-letter resource, in the order of the commands below. The keyboard's own keys (moving
// steps, their durations, the panes and the sensor sets) are fixed too and never take an Alt letter
// or a key that types.

#include <string_view>

namespace kavrin::model {

enum class TCommand {
    None,
    // The order of the first twelve is the order of the letters in the letter table.
    Delete,
    Copy,
    Cut,
    Paste,
    Undo,
    Run,
    View,
    Clear,
    Test,
    Load,
    Save,
    Quit,
    // Ctrl+P only: the program sheet.
    Print,
    // The selected steps of a list one row up or down (Ctrl+Up, Ctrl+Down).
    MoveStepsUp,
    MoveStepsDown,
    // The selected step's duration one tenth of a second longer or shorter (+, -).
    LongerStep,
    ShorterStep,
    // The selected step's value into its spin control (F2, Enter).
    EditValue,
    // The keyboard to the next or previous pane: palette, main list, sensor list (F6, Shift+F6).
    NextPane,
    PreviousPane,
    // The sensor notebook's tab (Ctrl+1 to Ctrl+5), in the order of the sets.
    SensorSetAll,
    SensorSet1,
    SensorSet2,
    SensorSet3,
    SensorSet4,
    // The current set into the Both, Left or Right column of the selected main-list steps
    // (Ctrl+Shift+B, L, R).
    SetBothColumn,
    SetLeftColumn,
    SetRightColumn,
};

inline constexpr std::string_view kDefaultCommandLetters = "DCTPUGVRELSQ";
inline constexpr int kCommandLetterCount = 12;

enum TKeyModifier : unsigned {
    kmNone = 0,
    kmShift = 1u << 0,
    kmCtrl = 1u << 1,
    kmAlt = 1u << 2,
};

// Keys are given as their character (letters in either case, digits, '+', '-') or as one of
// these codes (from the private use area, where no character of a keyboard lies).
inline constexpr char32_t kKeyDelete = 0x7F;
inline constexpr char32_t kKeyUp = 0xE000;
inline constexpr char32_t kKeyDown = 0xE001;
inline constexpr char32_t kKeyEnter = 0xE002;
inline constexpr char32_t kKeyF2 = 0xE003;
inline constexpr char32_t kKeyF6 = 0xE004;

// The command a key press in a list grid stands for, or TCommand::None.
TCommand CommandForKey(char32_t key, unsigned modifiers,
                       std::string_view letters = kDefaultCommandLetters);

// Whether a command's key acts wherever the keyboard is in the main window (the palette, a
// list, a value, the port box), not only in a list: the sheet, the panes, the sensor sets and
// their columns. The Alt letters act everywhere too.
bool ActsInWholeWindow(TCommand command);

// The sensor set (0: All, 1..4) a SensorSet command chooses, or -1.
int SensorSetOf(TCommand command);
// The grid column (gcBoth, gcLeft, gcRight of document.h: 2 to 4) a Set...Column command
// writes, or -1.
int SensorColumnOf(TCommand command);

}  // namespace kavrin::model
