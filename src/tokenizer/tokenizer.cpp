#include "tokenizer/tokenizer.h"

#include <cstring>

namespace kavrin::tokenizer {

namespace {
TTokenizerResult g_result;
constexpr const char* kNotBuiltMessage = "Tokenizer not built yet";
}  // namespace

TTokenizerResult& TokenizerResult() { return g_result; }

bool LoadSource(std::string_view text) {
    if (text.size() > kMaxSourceLength) return false;
    TTokenizerResult& r = g_result;
    std::memcpy(r.SourceText.data(), text.data(), text.size());
    r.SourceText[text.size()] = '\0';
    r.SourceLength = static_cast<std::int32_t>(text.size());
    return true;
}

std::uint8_t Tokenize(std::uint8_t, std::uint8_t, std::uint8_t) {
    // Placeholder until the phases exist: never report success.
    g_result.Success = 0;
    g_result.ErrorMessage = kNotBuiltMessage;
    g_result.ErrorPos = 0;
    g_result.ErrorLength = 0;
    return 0;
}

}  // namespace kavrin::tokenizer
