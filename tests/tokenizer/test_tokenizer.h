#pragma once
// The tokenizer of the white-box tests. It stays bound to the test thread for the whole run,
// because these tests call single phases directly and look at the state a run left behind; the
// helpers below run it the way a caller runs its own TTokenizer.

#include <cstdint>
#include <string_view>

#include "tokenizer/tokenizer.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

inline TTokenizer& TestTokenizer() {
    static TTokenizer tokenizer;
    return tokenizer;
}

// Made before any test runs, on the thread that runs them.
inline const ActiveState kTestBinding{TestTokenizer().State()};

inline TTokenizerResult& TokenizerResult() { return TestTokenizer().Result(); }
inline bool LoadSource(std::string_view text) { return TestTokenizer().LoadSource(text); }
inline std::uint8_t Tokenize(const TokenizeOptions& options = {}) {
    return TestTokenizer().Tokenize(options);
}

}  // namespace kavrin::tokenizer
