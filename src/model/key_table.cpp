#include "model/key_table.h"

namespace kavrin::model {

namespace {

char32_t Upper(char32_t c) { return c >= U'a' && c <= U'z' ? c - U'a' + U'A' : c; }

}  // namespace

TCommand CommandForKey(char32_t key, unsigned modifiers, std::string_view letters) {
    const bool ctrl = (modifiers & kmCtrl) != 0;
    const bool alt = (modifiers & kmAlt) != 0;
    if (key == kKeyDelete) {
        return ctrl || alt ? TCommand::None : TCommand::Delete;
    }
    key = Upper(key);
    if (ctrl && !alt) {
        switch (key) {
            case U'C': return TCommand::Copy;
            case U'X': return TCommand::Cut;
            case U'V': return TCommand::Paste;
            case U'Z': return TCommand::Undo;
            case U'P': return TCommand::Print;
            default: return TCommand::None;
        }
    }
    if (alt && !ctrl) {
        const std::size_t n = letters.size() < kCommandLetterCount ? letters.size() : kCommandLetterCount;
        for (std::size_t i = 0; i < n; ++i) {
            const auto letter = static_cast<unsigned char>(letters[i]);
            if (Upper(letter) == key) {
                return static_cast<TCommand>(static_cast<int>(TCommand::Delete) + static_cast<int>(i));
            }
        }
    }
    return TCommand::None;
}

}  // namespace kavrin::model
