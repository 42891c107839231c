#pragma once
// The statement compiler and the few operations that every statement and instruction handler is
// built from: reading elements, compiling expressions into the four buffers, and emitting
// buffers, constants, tokens and label addresses into the code stream.
//
// Handlers read their arguments in source order and emit them in the order the target evaluates
// them; the buffers bridge the two orders. Buffer 0 receives every compilation; buffers 1 to 3
// hold arguments that are emitted later.
//
// Every operation names what it works on: the run's whole state (the element reader, the
// expression buffers, the block stack, the symbols and the code writer within it), or only the
// code writer for the ones that write straight into the stream. A handler passes its own
// TokenizerState on, and s.writer to the direct-stream operations.

#include <cstdint>

#include "tokenizer/elements.h"
#include "tokenizer/expression.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

// One element of the list, with its index so that a handler can come back to it.
struct Elem {
    std::uint8_t kind = 0;
    std::uint16_t value = 0;
    std::uint16_t start = 0;
    std::uint8_t length = 0;
    int index = 0;
};

inline constexpr int kExprBuffers = 4;

// --- elements -------------------------------------------------------------------------------
Elem ReadElem(TokenizerState& s);
Elem PeekElem(TokenizerState& s);
Elem ElemAt(const TokenizerState& s, int index);  // any element of the list, read or not
int ReadPosition(const TokenizerState& s);        // index of the element the next read returns
void SeekElem(TokenizerState& s, int index);      // go back to an element read before
// Reads one element of that kind, else raises the error.
Elem ExpectElem(TokenizerState& s, std::uint8_t kind, int error);
bool PeekIs(TokenizerState& s, std::uint8_t kind);
bool Version25(const TokenizerState& s);
std::uint8_t Module(const TokenizerState& s);
void SetDebugUsed(TokenizerState& s);

// --- expressions into buffer 0 -------------------------------------------------------------
enum ExprFlag : unsigned {
    kExprPlain = 0,
    kExprCondition = 1,  // comparisons, AND/OR/XOR and a leading NOT
    kExprPin = 2,        // a PIN name is its pin number
};
void CompileExpr(TokenizerState& s, int depth, unsigned flags = kExprPlain);
// A CASE test: the selector at selectorStart, then the comparison and value at spliceStart.
void CompileCaseTest(TokenizerState& s, int selectorStart, int spliceStart,
                     std::uint8_t comparison);
void CompileReadVar(TokenizerState& s, int depth);  // one variable as a read item
void CompileTarget(TokenizerState& s, int depth);   // one variable as a write target
// The high byte of a word variable as a byte write target (GET and READ with WORD); 173 when
// the variable is not a plain or indexed word variable.
void CompileHighByteTarget(TokenizerState& s, int depth);
// Buffers move with CopyBuffer(s, from, to) of expression.h.
void EmitBuffer(TokenizerState& s, int buffer, bool lead);
void SetBufferConstant(TokenizerState& s, int buffer, unsigned value);
// Buffer 0 += 1 bit, buffer `from`, operator item `op`.
void AppendToBuffer0(TokenizerState& s, int from, std::uint8_t op);

// --- direct stream --------------------------------------------------------------------------
void EmitConstant(CodeWriter& w, unsigned value, bool lead);  // K(n) with lead, k(n) without
void EmitOperator(CodeWriter& w, std::uint8_t op);            // O(n)
void EmitBit(CodeWriter& w, bool bit);
void EmitField(CodeWriter& w, int bits, unsigned value);
void EmitToken(CodeWriter& w, std::uint8_t code);
void EmitAddressHere(CodeWriter& w);       // A+: the position behind the field itself
void EmitLabelAddress(TokenizerState& s);  // reads a label: its address or a fix-up

// --- statements -----------------------------------------------------------------------------
// Compiles one instruction whose word has just been read; false when the number is not one.
bool CompileInstruction(TokenizerState& s, const Elem& word);
// Counts the GOSUBs of the program (ON ... GOSUB included); 145 above 255.
void CountGosubs(TokenizerState& s);
// Compiles the whole element list, then resolves the forward references.
void CompileStatements(TokenizerState& s);
void ResolveFixups(TokenizerState& s);

}  // namespace kavrin::tokenizer
