#pragma once
// The expression compiler and the compile-time evaluator.
//
// Expressions are compiled into buffer 0 as a string of 6-bit items: the first item bare, each
// further one behind a 1 bit. Operator items follow their right operand, so the target (and
// EvaluateBuffer) runs them on a value stack:
//
//   operator   item = value 0..31            (unary minus 3, NOT = "~" 2, AND/OR/XOR = 10/11/12)
//   constant   item = 32 + h, h = highest 1 bit of v (0 for 0 and 1), then
//                1 for v = 0 | 0 for a power of two | 1 and the h bits below the top bit
//   variable   item = 48 + 8*write + 4*indexed + size, then the address in 8/6/5/4 bits
//              (bit/nibble/byte/word); an index expression's items come first
//
// The compiler is a small state machine over the elements (condition start, operand expected,
// operand, operator), with an operator stack of marks (open levels) and pending operators.
// Binary operators apply strictly left to right; in condition mode comparisons bind weaker than
// arithmetic and AND/OR/XOR weakest. The depth rule tracks how many values the target will hold
// and refuses a ninth with 144.

#include <cstdint>

#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

struct ExpressionOptions {
    bool condition = false;    // comparisons, AND/OR/XOR and a leading NOT allowed
    bool pinContext = false;   // a PIN name is its pin number
    bool conditional = false;  // compile-time expression of conditional compilation
    // CASE tests: when spliceStart > 0 the read index is at the selector expression; when it
    // ends, reading continues at spliceStart behind `comparison` (or the value's own comparison
    // when `comparison` is "=").
    int spliceStart = 0;
    std::uint8_t comparison = 0;
};

// Compiles from the read index, appending to buffer 0, and stops before the first element that
// cannot continue the expression. The caller clears buffer 0 for a new expression (a nested
// one, such as an array index, appends) and presets the depth.
void CompileExpression(TokenizerState& s, const ExpressionOptions& options);

// Runs the items of a buffer on a 16-bit value stack and returns the bottom value. Division by 0
// raises 113 at the span already set.
std::uint16_t EvaluateBuffer(const TokenizerState& s, int buffer = 0);

// --- buffers ------------------------------------------------------------------------------------
void ClearBuffer(TokenizerState& s, int buffer);
// Appends the n low bits of value, most significant first; 144 when the buffer fills.
void AppendBits(TokenizerState& s, int buffer, int n, unsigned value);
// n bits of a buffer from bit position pos, most significant first.
unsigned BufferBits(const ExprBuffer& b, int pos, int n);
void CopyBuffer(TokenizerState& s, int from, int to);
// Buffer 0 += a 1 bit, buffer `from`, operator item `op` (joins two compiled tests).
void AppendBufferWithOperator(TokenizerState& s, int from, std::uint8_t op);

// --- items into buffer 0, each under the depth rule --------------------------------------------
void AddItem(TokenizerState& s, std::uint8_t item);  // bare 6-bit item (operators)
void AddConstantItem(TokenizerState& s, std::uint16_t value);
void AddVariableItem(TokenizerState& s, bool write, bool indexed, unsigned size, unsigned address);

// The comparison operators are ekComparison values 26..31; the rest of the helpers expose what
// statement handlers need to drive the operator stack themselves.
bool IsConditionalBinaryOperator(std::uint16_t value);

// A binary operator on two 16-bit values, as the module computes it (comparisons give $FFFF for
// true). A division by zero sets divideByZero and gives 0.
std::uint16_t ApplyOperator(std::uint8_t op, std::uint16_t a, std::uint16_t b, bool& divideByZero);

}  // namespace kavrin::tokenizer
