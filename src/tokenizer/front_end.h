#pragma once
// The front-end phases that Tokenize runs before the back end.

#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

// Directive mode: marks line ends (every character below 32 but the tab becomes 3, plus one
// behind the text) and lists only the editor directives found in comments.
void ListDirectives(TokenizerState& s);
// Reads $KORBLE, $PORT and $VELIC from the directive elements and gives the directive symbols
// their values.
void ReadDirectives(TokenizerState& s, bool useModuleDirective, bool anyVersion);
// Full mode: lists every element of the (already marked) text.
void ListElements(TokenizerState& s);
// Resolves #DEFINE/#IF/#SELECT/#ERROR by cancelling the directives and the branches not taken.
void ResolveConditionals(TokenizerState& s);

}  // namespace kavrin::tokenizer
