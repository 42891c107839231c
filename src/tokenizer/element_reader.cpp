// The element list and its reader. Every phase after lexing sees the program only through
// ReadElement/PeekElement, which skip cancelled elements and look undefined names up again, so
// that conditional compilation and finished declarations simply vanish from later phases.

#include <algorithm>

#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

void AddElement(TokenizerState& s, std::uint8_t kind, std::uint16_t value, int start, int length) {
    if (s.elementCount >= kMaxElements) {
        RaiseErrorAt(err::kTooManyElements, start, std::max(0, length));
    }
    s.links.Add(s.elementCount);
    TElement& e = s.elements[static_cast<std::size_t>(s.elementCount++)];
    e.Kind = kind;
    e.Value = value;
    e.Start = static_cast<std::uint16_t>(start);
    e.Length = static_cast<std::uint8_t>(std::clamp(length, 0, kMaxElementLength));
}

TElement LookUpName(TokenizerState& s, const char* text, int length) {
    TSymbol& name = s.currentName;
    const int n = std::min(length, kMaxNameLength);
    std::uint32_t hash = SymbolTable::Hash({});
    for (int i = 0; i < n; ++i) {
        const char c = UpperAscii(text[i]);
        name.Name[static_cast<std::size_t>(i)] = c;
        hash = SymbolTable::HashStep(hash, c);
    }
    name.NameLength = static_cast<std::uint8_t>(n);
    TElement e;
    const int index = s.symbols.Find(name.name(), hash);
    if (index >= 0) {
        const TSymbol& found = s.symbols.At(index);
        e.Kind = found.Kind;
        e.Value = found.Value;
        s.declaredElsewhere = false;
    } else {
        e.Kind = ekUndefined;
        e.Value = 0;
        s.declaredElsewhere = s.declared.Find(name.name(), hash) >= 0;
    }
    name.Kind = e.Kind;
    name.Value = e.Value;
    return e;
}

int NextLive(const TokenizerState& s, int i) { return s.links.NextLive(i, s.elementCount); }

namespace {

// The element at index i as the reader hands it out: undefined names are looked up again.
TElement Resolve(TokenizerState& s, int i) {
    TElement e = s.elements[static_cast<std::size_t>(i)];
    if (e.Kind == ekUndefined) {
        const TElement found =
            LookUpName(s, s.result.SourceText.data() + e.Start, e.Length);
        e.Kind = found.Kind;
        e.Value = found.Value;
    }
    return e;
}

TElement EndOfList(const TokenizerState& s) {
    TElement e;
    e.Kind = ekEnd;
    e.Value = kEndOfLine;
    e.Start = static_cast<std::uint16_t>(std::clamp(s.result.SourceLength, 0,
                                                    static_cast<int>(kMaxSourceLength)));
    e.Length = 0;
    return e;
}

}  // namespace

bool ReadElement(TokenizerState& s, TElement& out) {
    const int i = NextLive(s, s.readIndex);
    if (i >= s.elementCount) {
        s.readIndex = s.elementCount;
        out = EndOfList(s);
        return false;
    }
    out = Resolve(s, i);
    s.readIndex = i + 1;
    s.lastRead = i;
    s.result.ErrorPos = out.Start;
    s.result.ErrorLength = out.Length;
    return true;
}

bool PeekElement(TokenizerState& s, TElement& out) {
    const int i = NextLive(s, s.readIndex);
    if (i >= s.elementCount) {
        out = EndOfList(s);
        return false;
    }
    out = Resolve(s, i);
    return true;
}

void CancelElements(TokenizerState& s, int a, int b) {
    a = std::max(a, 0);
    b = std::min(b, s.elementCount - 1);
    if (a > b) return;
    for (int i = a; i <= b; ++i) s.elements[static_cast<std::size_t>(i)].Kind = ekCancelled;
    s.links.Cancel(a, b);
    const int after = NextLive(s, b + 1);
    if (after >= s.elementCount || s.elements[static_cast<std::size_t>(after)].Kind != ekEnd) return;
    const int before = s.links.PrevLive(a - 1);
    if (before < 0 || s.elements[static_cast<std::size_t>(before)].Kind == ekEnd) {
        s.elements[static_cast<std::size_t>(after)].Kind = ekCancelled;
        s.links.Cancel(after, after);
    }
}

BlockRecord& PushBlock(TokenizerState& s, int errorWhenFull) {
    if (s.blockCount >= kMaxOpenBlocks) RaiseError(errorWhenFull);
    BlockRecord& b = s.blocks[static_cast<std::size_t>(s.blockCount++)];
    b = BlockRecord{};
    return b;
}

void PopBlock(TokenizerState& s) {
    if (s.blockCount > 0) --s.blockCount;
}

BlockRecord* TopBlock(TokenizerState& s) {
    return s.blockCount > 0 ? &s.blocks[static_cast<std::size_t>(s.blockCount - 1)] : nullptr;
}

}  // namespace kavrin::tokenizer
