#pragma once
// The keys a list grid answers to, as data shared by the window and the tests. Delete and the
// Ctrl combinations (C, X, V, Z and P) are fixed; the twelve Alt letters come from the command-letter resource,
// in the order of the commands below.

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
};

inline constexpr std::string_view kDefaultCommandLetters = "DCTPUGVRELSQ";
inline constexpr int kCommandLetterCount = 12;

enum TKeyModifier : unsigned {
    kmNone = 0,
    kmShift = 1u << 0,
    kmCtrl = 1u << 1,
    kmAlt = 1u << 2,
};

// Keys are given as their character (letters in either case) or as kKeyDelete.
inline constexpr char32_t kKeyDelete = 0x7F;

// The command a key press in a list grid stands for, or TCommand::None.
TCommand CommandForKey(char32_t key, unsigned modifiers,
                       std::string_view letters = kDefaultCommandLetters);

}  // namespace kavrin::model
