#pragma once
// The tokenizer's one error mechanism. Every failure is a numbered message ("110-Undefined
// symbol") copied into the message area at the tail of SourceText, plus the span of the faulty
// element in ErrorPos/ErrorLength. A failure unwinds to the frame of the run as an
// ETokenizeError, which says what to write; the frame writes it into the run's result record
// (RecordError). Raising an error therefore needs no state: only RaiseMessage, whose text may
// not outlive the unwinding, writes its message into the record it is given before it throws.

#include <string_view>

#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {

struct ETokenizeError {
    int number = 0;               // the numbered message to write
    bool messageWritten = false;  // RaiseMessage has written its own message; number is unused
    bool atSpan = false;          // pos and length replace the span in ErrorPos/ErrorLength
    int pos = 0;
    int length = 0;
};

// Message of a numbered error, or nullptr when the number does not exist. 199 gives the bare
// prefix of #ERROR messages.
const char* ErrorText(int number);

// Raises error `number` at the span already in ErrorPos/ErrorLength (the element read last).
[[noreturn]] void RaiseError(int number);
// Raises error `number` at an explicit source span.
[[noreturn]] void RaiseErrorAt(int number, int pos, int length);
// Raises a message of the tokenizer's own making (#ERROR texts), written into r at once. The text
// is cut to fit the message area.
[[noreturn]] void RaiseMessage(TTokenizerResult& r, std::string_view text);

// Writes a raised error into the record of the run it ended: the message, and the span when
// the error brought one.
void RecordError(TTokenizerResult& r, const ETokenizeError& e);

// Fails the run in r for a fault of the tokenizer itself (an exception that is no
// ETokenizeError); the message names what was caught.
void RecordInternalError(TTokenizerResult& r, std::string_view what);

}  // namespace kavrin::tokenizer
