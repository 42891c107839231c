#pragma once
// The tokenizer of the white-box tests. It lives for the whole test program, because these tests
// call single phases directly on its state (TestState()) and look at the state a run left
// behind; the helpers below run it the way a caller runs its own TTokenizer.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tokenizer/errors.h"
#include "tokenizer/tokenizer.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

inline TTokenizer& TestTokenizer() {
    static TTokenizer tokenizer;
    return tokenizer;
}

// Its whole work state, to hand to a phase or to look into.
inline TokenizerState& TestState() { return TestTokenizer().State(); }

inline TTokenizerResult& TokenizerResult() { return TestTokenizer().Result(); }
inline bool LoadSource(std::string_view text) { return TestTokenizer().LoadSource(text); }
inline std::uint8_t Tokenize(const TokenizeOptions& options = {}) {
    return TestTokenizer().Tokenize(options);
}

// Runs f, a phase called directly, and returns the number of the error it raised (written into
// the result record as the frame of a run writes it), 0 when it returned normally.
template <typename F>
int RaisedError(F&& f) {
    TTokenizerResult& r = TokenizerResult();
    r.ErrorMessage = nullptr;
    try {
        f();
    } catch (const ETokenizeError& e) {
        RecordError(r, e);
        return r.ErrorMessage ? std::atoi(r.ErrorMessage) : 0;
    }
    return 0;
}

}  // namespace kavrin::tokenizer
