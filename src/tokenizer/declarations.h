#pragma once
// The declaration phases: PIN, CON, DATA and VAR give every declared name its kind and value,
// place DATA in the EEPROM from address 0 up and the variables in the 16-word RAM, and cancel
// each finished declaration so that the statement compiler sees only run-time statements.

#include <cstdint>

#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

// RAM: 16 words; words 0..2 are the I/O registers, 3..15 hold the program's variables.
inline constexpr int kFirstVariableWord = 3;
inline constexpr int kVariableBits = 208;  // 13 words
inline constexpr int kMaxDeclaredUnits = 255;
inline constexpr int kSizeCodes = 4;  // bit, nibble, byte, word
inline constexpr std::uint16_t kSizeBit = 0, kSizeNibble = 1, kSizeByte = 2, kSizeWord = 3;
inline constexpr int kMaxDataAddress = 2047;

inline unsigned VariableSize(std::uint16_t value) { return value >> 8; }
inline unsigned VariableAddress(std::uint16_t value) { return value & 0xFFu; }

// Reads ". modifier" pairs behind a variable of the given value and returns the value of the
// part they name (138, 137, 139, 140 on misuse).
std::uint16_t ApplyModifiers(TokenizerState& s, std::uint16_t value);

// The eight passes, in the frame's order.
void CompileDeclarations(TokenizerState& s);

}  // namespace kavrin::tokenizer
