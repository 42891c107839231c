// Where the frame meets the KR1 tokenizer: the text goes in, and the image, the symbols, the
// masks and the debug descriptions come back into the shared result record.

#include <algorithm>
#include <cstring>

#include "tokenizer/errors.h"
#include "tokenizer/kr1_tokenizer.h"

namespace kavrin::tokenizer {

void CopySourceToKr1(Kr1Tokenizer& k, const TTokenizerResult& r) {
    const auto length = static_cast<std::size_t>(
        std::clamp<std::int32_t>(r.SourceLength, 0, static_cast<std::int32_t>(kMaxSourceLength)));
    std::memcpy(k.record.source.data(), r.SourceText.data(), length + 1);
    k.record.sourceLength = static_cast<std::int32_t>(length);
}

namespace {

// Where the statements start, for listings, in the form every program gives them.
void CopyListing(const Kr1Work& w, TTokenizerResult& r) {
    r.CodeBits = w.codeLength;
    r.StatementCount = std::min(w.statementCount, static_cast<int>(kMaxStatements));
    for (int i = 0; i < r.StatementCount; ++i) {
        const Kr1StatementStart& k = w.statements[static_cast<std::size_t>(i)];
        r.StatementStarts[static_cast<std::size_t>(i)] = {static_cast<std::uint16_t>(k.source),
                                                          static_cast<std::uint16_t>(k.code)};
    }
}

}  // namespace

void RunKr1Phase(Kr1Tokenizer& k, TTokenizerResult& r, SymbolTable& symbols) {
    const TKr1Record& kr = k.record;
    RunKr1(k);
    r.Success = kr.success;
    r.ErrorMessage = kr.message;
    r.DebugInfo = kr.debugCount;
    r.DebugUsed = kr.debugCount > 0 ? 1 : 0;
    r.ErrorPos = kr.errorPos;
    r.ErrorLength = kr.errorLength;
    std::copy(kr.eeprom.begin(), kr.eeprom.end(), r.EepromImage.begin());
    std::copy(kr.use.begin(), kr.use.end(), r.EepromUse.begin());
    r.KR1Extra = kr.extra;
    if (!kr.success) RaiseMessage(r, kr.message);  // keeps the position set above

    for (int at = kKr1FirstRecord; at < kr.symbolEnd;) {
        const Kr1Symbol s = Kr1SymbolAt(kr, at);
        symbols.Enter(s.name, s.kind, s.value);
        at = s.next;
    }
    std::copy(kr.debugBuffer.begin(), kr.debugBuffer.end(),
              r.SourceText.end() - static_cast<std::ptrdiff_t>(kKr1DebugBufferSize));
    // The blocks carry the image as the module reads it: the byte of address 255 first.
    for (std::size_t i = 0; i < kKr1EepromSize; ++i) {
        r.Blocks[i / kBlockSize][i % kBlockSize] = kr.eeprom[kKr1EepromSize - 1 - i];
    }
    r.BlockCount = kr.success;
    CopyListing(k.work, r);
}

}  // namespace kavrin::tokenizer
