// libFuzzer target: any byte sequence must give success or a numbered error whose span lies
// inside the text, and must never read or write outside a table. The first byte picks the three
// flags; the rest is the source text.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "tokenizer/tokenizer.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kavrin::tokenizer;
    if (size == 0) return 0;
    const std::uint8_t flags = data[0];
    std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
    if (text.size() > kMaxSourceLength) text = text.substr(0, kMaxSourceLength);
    static TTokenizer tokenizer;  // one for every input: the runs share nothing but the tables
    Check(tokenizer.LoadSource(text));
    TTokenizerResult& r = tokenizer.Result();
    if (flags & 8) r.ModuleKind = static_cast<std::uint8_t>((flags >> 4) % 8);
    const std::uint8_t ok = tokenizer.Tokenize({.directivesOnly = (flags & 1) != 0,
                                                .useModuleDirective = (flags & 2) == 0,
                                                .anyVersion = ((flags >> 2) & 1) != 0});
    Check(ok == r.Success);
    const auto length = static_cast<std::int32_t>(text.size());
    if (ok) {
        Check(r.BlockCount <= kMaxBlocks);
        return 0;
    }
    Check(r.ErrorMessage != nullptr);
    const char* m = r.ErrorMessage;
    Check(IsDigit(m[0]) && IsDigit(m[1]) && IsDigit(m[2]) && m[3] == '-');
    Check(r.ErrorPos >= 0 && r.ErrorLength >= 0);
    Check(r.ErrorPos + r.ErrorLength <= length);
    return 0;
}
