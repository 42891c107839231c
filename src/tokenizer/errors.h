#pragma once
// The tokenizer's one error mechanism. Every failure is a numbered message ("110-Undefined
// symbol") copied into the message area at the tail of SourceText, plus the span of the faulty
// element in ErrorPos/ErrorLength. ETokenizeError carries nothing; it only unwinds to Tokenize.

#include <string_view>

#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {

struct ETokenizeError {};

// Message of a numbered error, or nullptr when the number does not exist. 199 gives the bare
// prefix of #ERROR messages.
const char* ErrorText(int number);

// Raises error `number` at the span already in ErrorPos/ErrorLength (the element read last).
[[noreturn]] void RaiseError(int number);
// Raises error `number` at an explicit source span.
[[noreturn]] void RaiseErrorAt(int number, int pos, int length);
// Raises a message of the tokenizer's own making (#ERROR texts). The text is cut to fit the
// message area.
[[noreturn]] void RaiseMessage(std::string_view text);

// Fails the run in r for a fault of the tokenizer itself (an exception that is no
// ETokenizeError); the message names what was caught.
void RecordInternalError(TTokenizerResult& r, std::string_view what);

}  // namespace kavrin::tokenizer
