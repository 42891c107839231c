#pragma once
// Helpers of the front-end tests: running the tokenizer on a text and looking at what is left.

#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "test_tokenizer.h"
#include "tokenizer/front_end.h"
#include "tokenizer/tokenizer.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer::front_test {

inline constexpr std::string_view kKr2 = "' {$KORBLE KR2}\n";
inline constexpr std::string_view kKr2v25 = "' {$KORBLE KR2}\n' {$VELIC 2.5}\n";

// The number of the error in the record, 0 after success.
inline int ErrorNumber() {
    const TTokenizerResult& r = TokenizerResult();
    return r.Success ? 0 : (r.ErrorMessage ? std::atoi(r.ErrorMessage) : -1);
}

inline int Directives(std::string_view text, std::uint8_t anyVersion = 0) {
    LoadSource(text);
    Tokenize({.directivesOnly = true, .anyVersion = anyVersion != 0});
    return ErrorNumber();
}

inline int FrontEnd(std::string_view text) {
    LoadSource(text);
    TestTokenizer().TokenizeFrontEnd({});
    return ErrorNumber();
}

inline int Full(std::string_view text) {
    LoadSource(text);
    Tokenize();
    return ErrorNumber();
}

struct Live {
    std::uint8_t kind;
    std::uint16_t value;
    bool operator==(const Live&) const = default;
};

// The elements that later phases will see, undefined names looked up again.
inline std::vector<Live> LiveElements() {
    TokenizerState& s = TestState();
    std::vector<Live> out;
    s.readIndex = 0;
    TElement e;
    while (ReadElement(s, e)) out.push_back({e.Kind, e.Value});
    return out;
}

// Just the kinds, the ends written as "|".
inline std::string Shape() {
    std::string out;
    for (const Live& e : LiveElements()) {
        if (!out.empty()) out += ' ';
        out += e.kind == ekEnd ? std::string("|") : std::to_string(e.kind);
    }
    return out;
}

// Source text of the live elements, separated by spaces, line ends as "|".
inline std::string LiveText() {
    TokenizerState& s = TestState();
    std::string out;
    for (int i = 0; i < s.elementCount; ++i) {
        const TElement& e = s.elements[static_cast<std::size_t>(i)];
        if (e.Kind == ekCancelled) continue;
        if (!out.empty()) out += ' ';
        if (e.Kind == ekEnd) {
            out += e.Value == kEndColon ? ":" : "|";
        } else {
            out.append(s.result.SourceText.data() + e.Start, e.Length);
        }
    }
    return out;
}

inline std::uint16_t SymbolValue(std::string_view name) {
    TokenizerState& s = TestState();
    const int i = s.symbols.Find(name);
    return i < 0 ? 0 : s.symbols.At(i).Value;
}

}  // namespace kavrin::tokenizer::front_test
