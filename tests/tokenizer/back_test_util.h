#pragma once
// Helpers shared by the back-end tests: reading stream bits back and catching numbered errors.

#include <cstdlib>
#include <string>

#include "tokenizer/code_writer.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer::test {

// Stream bit p of the image, as the code writer places it.
inline int StreamBit(const TTokenizerResult& r, int p) {
    const auto address = kEepromSize - 1 - static_cast<std::size_t>(p / 8);
    return (r.EepromImage[address] >> (7 - p % 8)) & 1;
}

// n stream bits from position p, most significant first.
inline unsigned StreamBits(const TTokenizerResult& r, int p, int n) {
    unsigned v = 0;
    for (int i = 0; i < n; ++i) v = v * 2u + static_cast<unsigned>(StreamBit(r, p + i));
    return v;
}

// The stream from position p as a string of '0' and '1'.
inline std::string StreamString(const TTokenizerResult& r, int p, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('0' + StreamBit(r, p + i));
    return s;
}

// The number of the error left in the result record (0 when there is none).
inline int ErrorNumber(const TTokenizerResult& r) {
    return r.ErrorMessage ? std::atoi(r.ErrorMessage) : 0;
}

// Runs f and returns the number of the error it raised, 0 when it returned normally.
template <typename F>
int RaisedError(F&& f) {
    TTokenizerResult& r = TokenizerResult();
    r.ErrorMessage = nullptr;
    try {
        f();
    } catch (...) {
        return ErrorNumber(r);
    }
    return 0;
}

}  // namespace kavrin::tokenizer::test
