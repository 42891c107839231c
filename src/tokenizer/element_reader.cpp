// The element list and its reader. Every phase after lexing sees the program only through
// ReadElement/PeekElement, which skip cancelled elements and look undefined names up again, so
// that conditional compilation and finished declarations simply vanish from later phases.

#include <algorithm>

#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {

void FailTooManyElements(int start, int length) {
    RaiseErrorAt(err::kTooManyElements, start, std::max(0, length));
}

namespace {

// LookUpName, also telling which record it found (-1 none).
TElement LookUp(TokenizerState& s, const char* text, int length, int& index) {
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
    index = s.symbols.Find(name.name(), hash);
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

}  // namespace

TElement LookUpName(TokenizerState& s, const char* text, int length) {
    int index = -1;
    return LookUp(s, text, length, index);
}

void RememberNotFound(TokenizerState& s, int i) {
    NameLookup& last = s.lookups[static_cast<std::size_t>(i)];
    last.symbol = -1;
    last.symbolsSearched = static_cast<std::uint16_t>(s.symbols.Count());
    last.declaredSearched = static_cast<std::uint16_t>(s.declared.Count());
    last.declaredElsewhere = s.declaredElsewhere;
}

TElement ResolveName(TokenizerState& s, int i) {
    const TElement& element = s.elements[static_cast<std::size_t>(i)];
    NameLookup& last = s.lookups[static_cast<std::size_t>(i)];
    const char* text = s.result.SourceText.data() + element.Start;
    TElement e = element;
    if (last.symbol < 0 && last.symbolsSearched != s.symbols.Count()) {
        // Never looked up, or names have been entered since: search again.
        int index = -1;
        const TElement found = LookUp(s, text, element.Length, index);
        last.symbol = static_cast<std::int16_t>(index);
        last.symbolsSearched = static_cast<std::uint16_t>(s.symbols.Count());
        last.declaredSearched = static_cast<std::uint16_t>(s.declared.Count());
        last.declaredElsewhere = s.declaredElsewhere;
        e.Kind = found.Kind;
        e.Value = found.Value;
        return e;
    }
    TSymbol& name = s.currentName;
    if (last.symbol >= 0) {
        // Found before: records stay where they are, only a value may have changed since.
        const TSymbol& found = s.symbols.At(last.symbol);
        name.Name = found.Name;
        name.NameLength = found.NameLength;
        e.Kind = found.Kind;
        e.Value = found.Value;
        s.declaredElsewhere = false;
    } else {
        // Not a symbol, and none entered since; the declared names may have grown (the lister
        // enters them as it goes).
        const int n = std::min(static_cast<int>(element.Length), kMaxNameLength);
        std::uint32_t hash = SymbolTable::Hash({});
        for (int k = 0; k < n; ++k) {
            const char c = UpperAscii(text[k]);
            name.Name[static_cast<std::size_t>(k)] = c;
            hash = SymbolTable::HashStep(hash, c);
        }
        name.NameLength = static_cast<std::uint8_t>(n);
        if (last.declaredSearched != s.declared.Count()) {
            last.declaredElsewhere = s.declared.Find(name.name(), hash) >= 0;
            last.declaredSearched = static_cast<std::uint16_t>(s.declared.Count());
        }
        e.Value = 0;
        s.declaredElsewhere = last.declaredElsewhere;
    }
    name.Kind = e.Kind;
    name.Value = e.Value;
    return e;
}

void CancelElements(TokenizerState& s, int a, int b) {
    a = std::max(a, 0);
    b = std::min(b, s.elementCount - 1);
    if (a > b) return;
    for (int i = a; i <= b; ++i) s.elements[static_cast<std::size_t>(i)].Kind = ekCancelled;
    s.links.Cancel(a, b);
    const int after = NextLive(s, b + 1);
    if (after >= s.elementCount || s.elements[static_cast<std::size_t>(after)].Kind != ekEnd)
        return;
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
