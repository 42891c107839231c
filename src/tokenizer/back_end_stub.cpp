// Stand-ins for the back end until its own definitions exist; delete this file then. A full
// compile must never report success without code, so the program phase fails.

#include "tokenizer/back_end.h"
#include "tokenizer/errors.h"
#include "tokenizer/expression.h"

namespace kavrin::tokenizer {

void CompileDeclarations(TokenizerState&) {}

void CompileProgram(TokenizerState& s) {
    s.result.ErrorPos = 0;
    s.result.ErrorLength = 0;
    RaiseMessage("Code generation is not built yet");
}

// A plain variable read without modifiers or index.
void CompileVariableRead(TokenizerState& s, const TElement& first) {
    AddVariableItem(s, false, false, first.Value >> 8, first.Value & 0xFF);
}

}  // namespace kavrin::tokenizer
