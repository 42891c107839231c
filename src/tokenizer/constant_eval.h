#pragma once
// The constant evaluator of declarations, at-sign addresses, repeat counts and #SELECT:
// operands and the nine operators & | ^ + - * / << >>, strictly left to right, 16-bit unsigned,
// no precedence, no parentheses. It stops before the first element that is not one of the nine
// operators, leaving it unread.

#include <cstdint>

#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

struct ConstantValue {
    std::uint16_t value = 0;
    bool defined = true;  // false when a first pass met an undefined name (counted as 1)
};

// finalPass: undefined names are 110 instead of counting as 1. conditional: #DEFINE'd names are
// operands, undefined names count as 0 (195 when declared elsewhere), other operands are 225.
ConstantValue EvaluateConstant(TokenizerState& s, bool finalPass, bool conditional);

}  // namespace kavrin::tokenizer
