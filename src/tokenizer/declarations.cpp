// The declaration phases. Each pass walks the whole element list statement by statement, looks
// at the first two elements and passes over every statement that is not its own:
//
//   PIN 1, CON 1, DATA 1, CON 2, PIN 2, DATA 2, VAR count, VAR allocate
//
// First passes let names declared further down count as 1 and leave such statements for the
// second pass; DATA places its bytes only in the second pass, when every value is known, but
// both passes walk the same locations so that DATA labels are right from the first.

#include "tokenizer/declarations.h"

#include <algorithm>

#include "tokenizer/code_writer.h"
#include "tokenizer/constant_eval.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"

namespace kavrin::tokenizer {

namespace {

constexpr int kBitsPerUnit[kSizeCodes] = {1, 4, 8, 16};
constexpr std::uint16_t kModifierHighest = 128;
constexpr std::uint16_t kModifierOffsetMask = 127;
constexpr std::uint16_t kMaxPinNumber = 15;

// Per-run figures of the VAR passes.
struct VarCounts {
    int total = 0;              // declared bits
    int next[kSizeCodes] = {};  // next free address per size
};

TElement Read(TokenizerState& s) {
    TElement e;
    ReadElement(s, e);
    return e;
}

// Raw kind of the live element at or after index i (ekEnd past the list). Reserved words,
// punctuation and ends never change kind when read, so a pass can look for its own statements
// without resolving every name it passes.
std::uint8_t RawKindAt(const TokenizerState& s, int i) {
    i = NextLive(s, i);
    return i < s.elementCount ? s.elements[static_cast<std::size_t>(i)].Kind : std::uint8_t{ekEnd};
}

// Every pass skips the statements that are not its own. Elements only ever turn into
// ekCancelled, so the end that closes a statement is one of the ends listed when the passes
// began, and no statement behind the last element of a pass's kind can be the pass's: a skip
// hops from one listed end to the next instead of walking every element, and a pass stops
// behind its last declaration instead of walking the program's statements.
void ListStatements(TokenizerState& s) {
    ListedStatements& listed = s.listed;
    listed.lastOfKind.fill(-1);
    int next = s.elementCount;
    for (int i = s.elementCount - 1; i >= 0; --i) {
        const std::uint8_t kind = s.elements[static_cast<std::size_t>(i)].Kind;
        if (kind == ekEnd) next = i;
        listed.ends[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(next);
        std::int16_t& last = listed.lastOfKind[kind];
        if (last < 0) last = static_cast<std::int16_t>(i);
    }
}

// Passes over the rest of the statement, its end included.
void SkipStatement(TokenizerState& s) {
    int i = NextLive(s, s.readIndex);
    while (i < s.elementCount && s.elements[static_cast<std::size_t>(i)].Kind != ekEnd) {
        i = NextLive(s, s.listed.ends[static_cast<std::size_t>(i)]);
    }
    s.readIndex = i < s.elementCount ? i + 1 : s.elementCount;
}

// Moves to the next statement whose first or second element has the given raw kind; false at
// the end of the list. The read index is then on the statement's first element.
bool FindStatement(TokenizerState& s, std::uint8_t kind) {
    const int last = s.listed.lastOfKind[kind];
    for (;;) {
        const int first = NextLive(s, s.readIndex);
        if (first >= s.elementCount || first > last) return false;
        const std::uint8_t firstKind = s.elements[static_cast<std::size_t>(first)].Kind;
        s.readIndex = first;
        if (firstKind != ekEnd && (firstKind == kind || RawKindAt(s, first + 1) == kind))
            return true;
        if (firstKind == ekEnd) {
            s.readIndex = first + 1;
            continue;
        }
        SkipStatement(s);
    }
}

// The statement must end here (129); returns the index of the last element before its end.
int ExpectStatementEnd(TokenizerState& s) {
    const int last = s.lastRead;
    if (Read(s).Kind != ekEnd) RaiseError(err::kExpectedEndOfStatement);
    return last;
}

// The name of the element just read, to be entered by the declaring phase.
void TakeNewSymbol(TokenizerState& s) { s.newSymbol = s.currentName; }

void EnterNewSymbol(TokenizerState& s, std::uint8_t kind, std::uint16_t value) {
    s.symbols.Enter(s.newSymbol.name(), kind, value);
}

// Runs `handle` on every statement whose second element has the given kind; the read index is
// then behind the first element.
template <typename Handler>
void ForEachDeclaration(TokenizerState& s, std::uint8_t secondKind, Handler handle) {
    s.readIndex = 0;
    while (FindStatement(s, secondKind)) {
        TElement first;
        ReadElement(s, first);
        const int firstIndex = s.lastRead;
        if (PeekKind(s) != secondKind) {
            SkipStatement(s);
            continue;
        }
        if (first.Kind != ekUndefined) RaiseError(err::kSymbolAlreadyDefined);
        TakeNewSymbol(s);
        Read(s);
        handle(first, firstIndex);
    }
}

// PIN and CON: name KEYWORD expression.
void NamedConstantPass(TokenizerState& s, std::uint8_t keyword, std::uint8_t kind, bool finalPass) {
    ForEachDeclaration(s, keyword, [&](const TElement&, int firstIndex) {
        TElement head;
        PeekElement(s, head);
        const ConstantValue c = EvaluateConstant(s, finalPass, false);
        if (!c.defined) {
            ExpectStatementEnd(s);
            return;
        }
        if (kind == ekPinName && c.value > kMaxPinNumber) {
            const TElement& tail = s.elements[static_cast<std::size_t>(s.lastRead)];
            RaiseErrorAt(err::kPinNumberRange, head.Start, tail.Start + tail.Length - head.Start);
        }
        EnterNewSymbol(s, kind, c.value);
        CancelElements(s, firstIndex, ExpectStatementEnd(s));
    });
}

// --- DATA ---------------------------------------------------------------------------------------

struct DataPass {
    TokenizerState& s;
    bool second;
    int location = 0;
    bool labelPending = false;

    void DefinePendingLabel() {
        if (!labelPending) return;
        labelPending = false;
        EnterNewSymbol(s, ekConstant, static_cast<std::uint16_t>(location));
    }

    void PlaceByte(std::uint8_t use, std::uint8_t value, int itemStart, int itemLength) {
        if (location > kMaxDataAddress) RaiseError(err::kLocationOutOfRange);
        if (second) {
            const auto at = static_cast<std::size_t>(location);
            TTokenizerResult& r = s.result;
            if ((r.EepromUse[at] & kUseCode) != 0) RaiseError(err::kLocationAlreadyContainsData);
            r.EepromUse[at] = use;
            r.EepromImage[at] = use == kUseData ? value : 0;
            s.writer.RecordData(location, static_cast<std::uint16_t>(itemStart),
                                static_cast<std::uint16_t>(itemLength));
        }
        ++location;
    }

    // "(" count ")" behind a value or a WORD; the "(" is read already.
    int ReadCount() {
        const ConstantValue count = EvaluateConstant(s, true, false);
        if (Read(s).Kind != ekCloseParen) RaiseError(err::kExpectedCloseParen);
        return count.value;
    }

    void Item() {
        if (PeekKind(s) == ekAt) {
            Read(s);
            const ConstantValue at = EvaluateConstant(s, true, false);
            if (at.value > kMaxDataAddress) RaiseError(err::kLocationOutOfRange);
            location = at.value;
            DefinePendingLabel();
            return;
        }
        TElement head;
        PeekElement(s, head);
        bool word = false;
        if (head.Kind == ekSize && head.Value == kSizeWord) {
            Read(s);
            word = true;
        }
        bool hasValue = true;
        ConstantValue value;
        int count = 1;
        if (PeekKind(s) == ekOpenParen) {
            Read(s);
            hasValue = false;
            count = ReadCount();
        } else {
            value = EvaluateConstant(s, second, false);
            if (PeekKind(s) == ekOpenParen) {
                Read(s);
                count = ReadCount();
            }
        }
        const TElement& tail = s.elements[static_cast<std::size_t>(s.lastRead)];
        const int itemLength = tail.Start + tail.Length - head.Start;
        DefinePendingLabel();
        const std::uint8_t use = hasValue ? kUseData : kUseReserved;
        const auto low = static_cast<std::uint8_t>(value.value & 0xFFu);
        const auto high = static_cast<std::uint8_t>(value.value >> 8);
        for (int i = 0; i < count; ++i) {
            PlaceByte(use, low, head.Start, itemLength);
            if (word) PlaceByte(use, high, head.Start, itemLength);
        }
    }

    // The items behind DATA (just read); the statement is cancelled in the second pass.
    void Statement(int firstIndex) {
        int last = s.lastRead;
        if (PeekKind(s) == ekEnd) {
            DefinePendingLabel();
            Read(s);
        } else {
            for (;;) {
                Item();
                last = s.lastRead;
                const TElement sep = Read(s);
                if (sep.Kind == ekEnd) break;
                if (sep.Kind != ekComma) RaiseError(err::kExpectedCommaOrEnd);
            }
        }
        if (second) CancelElements(s, firstIndex, last);
    }

    void Run() {
        s.readIndex = 0;
        while (FindStatement(s, ekData)) {
            TElement first;
            ReadElement(s, first);
            const int firstIndex = s.lastRead;
            if (first.Kind == ekData) {
                Statement(firstIndex);
                continue;
            }
            if (first.Kind != ekEnd && PeekKind(s) == ekData) {
                // A label: entered by the first item that places bytes; the second pass sees
                // the statement without it.
                if (first.Kind != ekUndefined) RaiseError(err::kSymbolAlreadyDefined);
                TakeNewSymbol(s);
                labelPending = true;
                CancelElements(s, firstIndex, firstIndex);
                Read(s);
                Statement(s.lastRead);
                labelPending = false;
                continue;
            }
            if (first.Kind != ekEnd) SkipStatement(s);
        }
    }
};

// --- VAR ----------------------------------------------------------------------------------------

// The alias forms: a variable with modifiers, or a name declared further down.
void VarAlias(TokenizerState& s, const TElement& target, int firstIndex, bool allocating) {
    if (target.Kind == ekVariable) {
        const std::uint16_t value = ApplyModifiers(s, target.Value);
        EnterNewSymbol(s, ekVariable, value);
        CancelElements(s, firstIndex, ExpectStatementEnd(s));
        return;
    }
    if (allocating) RaiseError(err::kUndefinedSymbol);
    ApplyModifiers(s, static_cast<std::uint16_t>(kSizeWord << 8));
    ExpectStatementEnd(s);
}

// With a size word: the number of units, 1 or the bracketed constant (125 for 0).
int VarCount(TokenizerState& s) {
    if (PeekKind(s) != ekOpenParen) return 1;
    Read(s);
    const ConstantValue count = EvaluateConstant(s, true, false);
    if (count.value == 0) RaiseError(err::kZeroArraySize);
    if (Read(s).Kind != ekCloseParen) RaiseError(err::kExpectedCloseParen);
    return count.value;
}

void VarCountingPass(TokenizerState& s, VarCounts& counts) {
    TTokenizerResult& r = s.result;
    r.SizeCounts.fill(0);
    counts = VarCounts{};
    ForEachDeclaration(s, ekVar, [&](const TElement&, int firstIndex) {
        const TElement what = Read(s);
        if (what.Kind == ekSize) {
            const auto size = static_cast<std::size_t>(what.Value % kSizeCodes);
            const int count = VarCount(s);
            const int bits = count * kBitsPerUnit[size];
            if (count > kMaxDeclaredUnits || bits > kMaxDeclaredUnits ||
                counts.total + bits > kVariableBits ||
                r.SizeCounts[size] + count > kMaxDeclaredUnits)
                RaiseError(err::kOutOfVariableSpace);
            r.SizeCounts[size] = static_cast<std::uint8_t>(r.SizeCounts[size] + count);
            counts.total += bits;
            ExpectStatementEnd(s);
            return;
        }
        if (what.Kind == ekVariable || what.Kind == ekUndefined) {
            VarAlias(s, what, firstIndex, false);
            return;
        }
        RaiseError(err::kExpectedVariable);
    });
}

void VarAllocationPass(TokenizerState& s, VarCounts& counts) {
    const TTokenizerResult& r = s.result;
    counts.next[kSizeWord] = kFirstVariableWord;
    counts.next[kSizeByte] = 2 * (counts.next[kSizeWord] + r.SizeCounts[kSizeWord]);
    counts.next[kSizeNibble] = 2 * (counts.next[kSizeByte] + r.SizeCounts[kSizeByte]);
    counts.next[kSizeBit] = 4 * (counts.next[kSizeNibble] + r.SizeCounts[kSizeNibble]);
    ForEachDeclaration(s, ekVar, [&](const TElement&, int firstIndex) {
        const TElement what = Read(s);
        if (what.Kind == ekSize) {
            const auto size = static_cast<std::size_t>(what.Value % kSizeCodes);
            const int count = VarCount(s);
            EnterNewSymbol(
                s, ekVariable,
                static_cast<std::uint16_t>((size << 8) + static_cast<unsigned>(counts.next[size])));
            counts.next[size] += count;
            CancelElements(s, firstIndex, ExpectStatementEnd(s));
            return;
        }
        if (what.Kind == ekVariable || what.Kind == ekUndefined) {
            VarAlias(s, what, firstIndex, true);
            return;
        }
        RaiseError(err::kExpectedVariable);
    });
}

}  // namespace

std::uint16_t ApplyModifiers(TokenizerState& s, std::uint16_t value) {
    while (PeekKind(s) == ekPeriod) {
        Read(s);
        const unsigned size = VariableSize(value);
        if (size == kSizeBit) RaiseError(err::kVariableAlreadyBitSize);
        const TElement modifier = Read(s);
        if (modifier.Kind != ekModifier) RaiseError(err::kExpectedVariableModifier);
        const unsigned target = modifier.Value >> 8;
        if (target >= size) RaiseError(err::kExpectedSmallerModifier);
        const unsigned shift = size - target + (target == kSizeBit ? 1u : 0u);
        const unsigned base = VariableAddress(value) << shift;
        const unsigned top = (1u << shift) - 1u;
        unsigned offset = modifier.Value & kModifierOffsetMask;
        if ((modifier.Value & kModifierHighest) != 0) offset = top;
        if (offset > top) RaiseError(err::kModifierOutOfRange);
        value = static_cast<std::uint16_t>((target << 8) + base + offset);
    }
    return value;
}

void CompileDeclarations(TokenizerState& s) {
    s.result.DebugUsed = 0;  // set again by DEBUG and DEBUGIN
    s.writer.ClearDataSpans();
    ListStatements(s);
    NamedConstantPass(s, ekPin, ekPinName, false);
    NamedConstantPass(s, ekCon, ekConstant, false);
    DataPass{s, false}.Run();
    NamedConstantPass(s, ekCon, ekConstant, true);
    NamedConstantPass(s, ekPin, ekPinName, true);
    DataPass{s, true}.Run();
    VarCounts counts;
    VarCountingPass(s, counts);
    VarAllocationPass(s, counts);
    s.readIndex = 0;
}

}  // namespace kavrin::tokenizer
