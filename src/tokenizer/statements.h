#pragma once
// The statement compiler and the few operations that every statement and instruction handler is
// built from: reading elements, compiling expressions into the four buffers, and emitting
// buffers, constants, tokens and label addresses into the code stream.
//
// Handlers read their arguments in source order and emit them in the order the target evaluates
// them; the buffers bridge the two orders. Buffer 0 receives every compilation; buffers 1 to 3
// hold arguments that are emitted later.

#include <cstdint>

#include "tokenizer/elements.h"
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
Elem ReadElem();
Elem PeekElem();
Elem ElemAt(int index);      // any element of the list, read or not
int ReadPosition();          // index of the element the next read returns
void SeekElem(int index);    // go back to an element read before
Elem ExpectElem(std::uint8_t kind, int error);  // read one element of that kind, else raise
bool PeekIs(std::uint8_t kind);
bool Version25();
std::uint8_t Module();
void SetDebugUsed();

// --- expressions into buffer 0 -------------------------------------------------------------
enum ExprFlag : unsigned {
    kExprPlain = 0,
    kExprCondition = 1,  // comparisons, AND/OR/XOR and a leading NOT
    kExprPin = 2,        // a PIN name is its pin number
};
void CompileExpr(int depth, unsigned flags = kExprPlain);
// A CASE test: the selector at selectorStart, then the comparison and value at spliceStart.
void CompileCaseTest(int selectorStart, int spliceStart, std::uint8_t comparison);
void CompileReadVar(int depth);   // one variable as a read item
void CompileTarget(int depth);    // one variable as a write target
// The high byte of a word variable as a byte write target (GET and READ with WORD); 173 when
// the variable is not a plain or indexed word variable.
void CompileHighByteTarget(int depth);
void CopyBuffer(int from, int to);
void EmitBuffer(int buffer, bool lead);
void SetBufferConstant(int buffer, unsigned value);
// Buffer 0 += 1 bit, buffer `from`, operator item `op`.
void AppendToBuffer0(int from, std::uint8_t op);

// --- direct stream --------------------------------------------------------------------------
void EmitConstant(unsigned value, bool lead);  // K(n) with lead, k(n) without
void EmitOperator(std::uint8_t op);            // O(n)
void EmitBit(bool bit);
void EmitField(int bits, unsigned value);
void EmitToken(std::uint8_t code);
void EmitAddressHere();                        // A+: the position behind the field itself
void EmitLabelAddress();                       // reads a label: its address or a fix-up

// --- statements -----------------------------------------------------------------------------
// Compiles one instruction whose word has just been read; false when the number is not one.
bool CompileInstruction(const Elem& word);
// Counts the GOSUBs of the program (ON ... GOSUB included); 145 above 255.
void CountGosubs();
// Compiles the whole element list, then resolves the forward references.
void CompileStatements();
void ResolveFixups();

}  // namespace kavrin::tokenizer
