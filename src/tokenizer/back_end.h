#pragma once
// The hand-over from the tokenizer's front end to its back end.
//
// Tokenize runs the front end (directives, reserved words, full lexing, conditional
// compilation) and then, for KR2..KR6 and DirectivesOnly 0, calls in this order:
//   1. CompileDeclarations: the eight declaration passes (PIN 1, CON 1, DATA 1, CON 2, PIN 2,
//      DATA 2, VAR count, VAR allocate). The element list then holds only run-time statements
//      and labels, with cancelled elements skipped by the reader.
//   2. CompileProgram: GOSUB count, statement pass, fix-up resolution, download blocks; it must
//      leave BlockCount set (0 makes the frame raise 157).
// Both may raise any numbered error. They find the element list, the reader, the symbol
// tables, the block stack and the expression compiler in TokenizerState (tokenizer_state.h,
// expression.h, constant_eval.h). The frame has already cleared EepromImage/EepromUse and the
// block stack; everything else of the back end's own is theirs to reset.
//
// The expression compiler calls CompileVariableRead for a variable operand (ekVariable, its
// element just read): it appends the read item (modifiers and index included) to buffer 0,
// keeping the depth rule, via AddVariableItem and friends of expression.h.

#include "tokenizer/elements.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

void CompileDeclarations(TokenizerState& s);
void CompileProgram(TokenizerState& s);
void CompileVariableRead(TokenizerState& s, const TElement& first);

}  // namespace kavrin::tokenizer
