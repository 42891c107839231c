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

// Tokenize without the back end: a full run that stops after conditional compilation, leaving
// the element list as the declarations would receive it. For tests and tools.
std::uint8_t TokenizeFrontEnd(std::uint8_t UseModuleDirective, std::uint8_t AnyVersion);

}  // namespace kavrin::tokenizer
