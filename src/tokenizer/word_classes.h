#pragma once
// What a word of VELIC source is to the tokenizer, for editors that colour the source. The
// answer comes from the same reserved-word tables the tokenizer compiles with.

#include <cstdint>
#include <string_view>

namespace kavrin::tokenizer {

enum class TWordClass : std::uint8_t {
    None,         // not a reserved word: a name of the program, or nothing known
    Instruction,  // HIGH, PAUSE, GOSUB, IF, ...
    Declaration,  // VAR, CON, PIN, DATA and the sizes BIT, NIB, BYTE, WORD
    Operator,     // AND, MIN, SQR, <<, ...
    Predefined,   // variables, modifiers, formatters and named constants (W0, HIGHBYTE, DEC, CR)
    Directive,    // $KORBLE, $PORT, $VELIC, the module names, #IF, #DEFINE, ...
};

// The class of a word, case-insensitive, as a KR6 program of the newest language version sees
// it (the widest set, so every word any program may use is known).
TWordClass ClassifyWord(std::string_view word);

}  // namespace kavrin::tokenizer
