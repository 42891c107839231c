#pragma once
// A tokenizer's whole state: the result record and every work table, allocated once by the
// TTokenizer that owns it and rebuilt by the phases of each run. Nothing else is kept between
// or during runs. Every phase is handed the state it works on (or the part of it it needs, such as
// the code writer) by its caller, down from the run of TTokenizer that owns it; no phase finds a
// state of its own accord, so two tokenizers on two threads share nothing. Nothing outside the
// tokenizer reaches into this state: what callers need is in the result record.
//
// Element reader contract (the statement compiler leans on it):
//   - ReadElement returns the next element that is not cancelled and sets ErrorPos/ErrorLength
//     to its span; at the end of the list it returns false and an ekEnd element.
//   - PeekElement returns the same element without moving and without touching the span.
//   - An ekUndefined element is looked up again by its source text, so a name declared after
//     the point of use is seen as declared by later phases; the lookup also fills currentName
//     and declaredElsewhere.
//   - lastRead is the index of the element returned by the last ReadElement (-1 before any).

#include <algorithm>
#include <array>
#include <cstdint>

#include "tokenizer/code_writer.h"
#include "tokenizer/elements.h"
#include "tokenizer/kr1_tokenizer.h"
#include "tokenizer/skip_links.h"
#include "tokenizer/symbol_table.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {

// One open control structure or conditional-compile block.
inline constexpr int kMaxOpenBlocks = 64;
inline constexpr int kMaxNesting = 16;  // per structure kind
inline constexpr int kMaxPendingFields = 16;

// Block kinds. 0..3 are the states of a single-line IF.
namespace bk {
inline constexpr std::uint8_t kIfAfterElse = 4, kIf = 5, kFor = 6, kDo = 7, kSelect = 8;
}  // namespace bk

struct BlockRecord {
    std::uint8_t kind = 0;
    std::uint16_t element = 0;    // element index of the opening statement or directive
    std::uint16_t selector = 0;   // SELECT / #SELECT: element index of the selector expression
    std::uint8_t comparison = 0;  // operator spliced into CASE tests
    std::uint16_t state = 0;      // #IF: 1 skipped, 0 taken; #SELECT: 1 none yet, 0 taken, 2 done
    std::uint16_t stretchStart = 0;  // element index where the current branch or case begins
    std::uint16_t takenEnd = 0;      // element index where the taken case ends
    std::uint16_t loopTop = 0;       // code address
    std::int32_t pending = -1;       // position of a 14-bit field still to be filled, -1 none
    std::array<std::uint16_t, kMaxPendingFields> exits{};
    std::uint8_t exitCount = 0;
};

// Expression buffers: bit strings of items, 496 bits each.
inline constexpr int kExprBufferCount = 4;
inline constexpr int kExprBufferWords = 32;
inline constexpr int kExprBufferBits = 496;
inline constexpr int kOperatorStackSize = 255;
inline constexpr std::uint8_t kOperatorMark = 128;  // open parenthesis or condition level
inline constexpr int kMaxEvalDepth = 8;

struct ExprBuffer {
    std::array<std::uint16_t, kExprBufferWords> words{};
    int bits = 0;
};

struct ExpressionState {
    std::array<ExprBuffer, kExprBufferCount> buffers{};
    std::array<std::uint8_t, kOperatorStackSize> ops{};
    int opTop = 0;         // entries in use
    int opBase = 0;        // base of the compilation under way
    int levels = 0;        // open levels of the compilation under way
    int depth = 0;         // values the target holds on its evaluation stack
    int indexNesting = 0;  // variable indexes open inside each other
};

// What the declaration passes note about the element list before they begin (declarations.cpp).
// Elements only ever turn into ekCancelled, so both stay true while the passes run.
struct ListedStatements {
    // Per element: the first element at or after it that is an end (elementCount when none).
    std::array<std::int16_t, kMaxElements> ends{};
    // Per kind: the index of the last element of that kind, -1 when there is none.
    std::array<std::int16_t, ekCancelled + 1> lastOfKind{};
};

// Per-run figures of the statement pass.
struct ProgramPass {
    int gosubCount = 0;
    int gosubNumber = 0;  // handed out in source order from 1
    bool anyStatement = false;
};

// What the reader last found for the name of an ekUndefined element. Phases read the same name
// again and again (a peek, then the read; every pass over a statement), so the reader keeps the
// record it found, or, when it found none, the table sizes it searched: while no name has been
// entered since, the name is still unknown.
struct NameLookup {
    static constexpr std::uint16_t kNotYet = 0xFFFF;  // no count reaches this
    std::uint16_t symbolsSearched = kNotYet;          // symbol count when the name was not found
    std::uint16_t declaredSearched = 0;               // the declared names' count then
    std::int16_t symbol = -1;                         // the record found, -1 none
    bool declaredElsewhere = false;
};
static_assert(kMaxSymbols < NameLookup::kNotYet, "a table's count never looks like kNotYet");

static_assert(kMaxStatements >= static_cast<std::size_t>(kMaxElements),
              "every statement's start fits the result record");

struct TokenizerState {
    TTokenizerResult result;

    SymbolTable symbols;
    SymbolTable declared;         // names declared with CON, DATA, PIN or VAR anywhere in the text
    ReservedWords reservedWords;  // the words of the module and version compiled last
    TSymbol currentName;          // the name just read and what the lookup found
    bool declaredElsewhere = false;
    TSymbol newSymbol;  // the symbol a declaring phase is about to enter

    std::array<TElement, kMaxElements> elements{};
    SkipLinks links;  // over the cancelled elements; kept by AddElement and CancelElements
    std::array<NameLookup, kMaxElements> lookups{};  // per element; reset by AddElement
    ListedStatements listed;                         // the list as the declaration passes found it
    int elementCount = 0;
    int readIndex = 0;
    int lastRead = -1;

    bool syntax25 = false;  // LanguageVersion is 250

    std::array<BlockRecord, kMaxOpenBlocks> blocks{};
    int blockCount = 0;
    int ifDepth = 0, forDepth = 0, doDepth = 0, selectDepth = 0;
    int condIfDepth = 0, condSelectDepth = 0;

    ExpressionState expr;
    CodeWriter writer{result};
    ProgramPass program;

    TokenizerState() = default;
    TokenizerState(const TokenizerState&) = delete;
    TokenizerState& operator=(const TokenizerState&) = delete;

    Kr1Tokenizer kr1;  // the KR1 compiler, run instead of the phases above for a KR1 source
};

// --- element list -----------------------------------------------------------------------------
[[noreturn]] void FailTooManyElements(int start, int length);
// Appends an element; 107 when the list is full.
inline void AddElement(TokenizerState& s, std::uint8_t kind, std::uint16_t value, int start,
                       int length) {
    if (s.elementCount >= kMaxElements) FailTooManyElements(start, length);
    const auto i = static_cast<std::size_t>(s.elementCount++);
    s.links.Add(static_cast<int>(i));
    s.lookups[i] = NameLookup{};
    TElement& e = s.elements[i];
    e.Kind = kind;
    e.Value = value;
    e.Start = static_cast<std::uint16_t>(start);
    e.Length = static_cast<std::uint8_t>(length < 0 ? 0 : std::min(length, kMaxElementLength));
}
inline bool ReadElement(TokenizerState& s, TElement& out);
inline bool PeekElement(TokenizerState& s, TElement& out);
// Cancels elements a..b inclusive, and the line end behind b when that would otherwise leave an
// empty statement (the nearest live element before a is a line end, or there is none).
void CancelElements(TokenizerState& s, int a, int b);
// Index of the next live element at or after i, elementCount when there is none.
inline int NextLive(const TokenizerState& s, int i) { return s.links.NextLive(i, s.elementCount); }

// Looks a name up (upper case expected) and fills currentName and declaredElsewhere; returns
// the kind and value it yields (ekUndefined, 0 when the name is unknown).
TElement LookUpName(TokenizerState& s, const char* text, int length);

// The ekUndefined element at index i as the reader hands it out: its name looked up again.
TElement ResolveName(TokenizerState& s, int i);
// The lister has just looked up the name of element i, in vain: the reader need not search the
// symbols again until a name is entered.
void RememberNotFound(TokenizerState& s, int i);

// The reader is inline: every phase reads each element several times.
namespace reader_detail {

inline TElement ElementAsRead(TokenizerState& s, int i) {
    const TElement& e = s.elements[static_cast<std::size_t>(i)];
    return e.Kind == ekUndefined ? ResolveName(s, i) : e;
}

inline TElement EndOfList(const TokenizerState& s) {
    TElement e;
    e.Kind = ekEnd;
    e.Value = kEndOfLine;
    e.Start =
        static_cast<std::uint16_t>(s.result.SourceLength < 0 ? 0
                                   : s.result.SourceLength > static_cast<int>(kMaxSourceLength)
                                       ? static_cast<int>(kMaxSourceLength)
                                       : s.result.SourceLength);
    e.Length = 0;
    return e;
}

}  // namespace reader_detail

inline bool ReadElement(TokenizerState& s, TElement& out) {
    const int i = NextLive(s, s.readIndex);
    if (i >= s.elementCount) {
        s.readIndex = s.elementCount;
        out = reader_detail::EndOfList(s);
        return false;
    }
    out = reader_detail::ElementAsRead(s, i);
    s.readIndex = i + 1;
    s.lastRead = i;
    s.result.ErrorPos = out.Start;
    s.result.ErrorLength = out.Length;
    return true;
}

inline bool PeekElement(TokenizerState& s, TElement& out) {
    const int i = NextLive(s, s.readIndex);
    if (i >= s.elementCount) {
        out = reader_detail::EndOfList(s);
        return false;
    }
    out = reader_detail::ElementAsRead(s, i);
    return true;
}

// The kind of the element that PeekElement would return, with the same lookup.
inline std::uint8_t PeekKind(TokenizerState& s) {
    const int i = NextLive(s, s.readIndex);
    if (i >= s.elementCount) return ekEnd;
    const std::uint8_t kind = s.elements[static_cast<std::size_t>(i)].Kind;
    return kind == ekUndefined ? ResolveName(s, i).Kind : kind;
}

// Block stack. The nesting counters keep the depth far below kMaxOpenBlocks, but a push
// on a full stack still fails cleanly with the given error.
BlockRecord& PushBlock(TokenizerState& s, int errorWhenFull);
void PopBlock(TokenizerState& s);
BlockRecord* TopBlock(TokenizerState& s);

}  // namespace kavrin::tokenizer
