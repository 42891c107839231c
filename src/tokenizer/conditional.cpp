// Conditional compilation (version 2.5): #DEFINE, #IF/#ELSE/#ENDIF, #SELECT/#CASE/#ENDSELECT
// and #ERROR, resolved in one pass over the element list by cancelling the directives and the
// branches not taken. The blocks live on the statement compiler's block stack; nothing here
// emits code, every expression is compiled into buffer 0 and evaluated at once.

#include <array>

#include "tokenizer/constant_eval.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/expression.h"
#include "tokenizer/front_end.h"

namespace kavrin::tokenizer {

namespace {

constexpr std::uint16_t kAllBitsSet = 0xFFFF;                           // a #DEFINE without a value
constexpr std::uint16_t kTaken = 0, kSkipped = 1;                       // #IF states
constexpr std::uint16_t kCaseTaken = 0, kNoCaseYet = 1, kCaseDone = 2;  // #SELECT states
constexpr std::uint16_t kRuntimeElse = 10;  // instruction number of ELSE
constexpr int kJoinBuffer = 2;              // the tests of a #CASE list joined so far
constexpr int kRangeBuffer = 1;

class Resolver {
public:
    explicit Resolver(TokenizerState& s) : s_(s) {}
    void Run();

private:
    int PassToDirective();
    bool InSkippedStretch() const;
    // Reads the statement's end (error when something else comes) and returns its index, or
    // the element count when the list ends there.
    int ExpectEnd(int error);
    void SkipLine();
    BlockRecord& Innermost(int missingError, std::uint8_t wantKind, int wrongKindError);

    void Define(int at);
    void If(int at);
    void Else(int at);
    void EndIf(int at);
    void Select(int at);
    void Case(int at);
    void EndSelect(int at);
    void Error(int at);
    void CompileCaseValue(const BlockRecord& b, int valueStart);

    TokenizerState& s_;
};

void Resolver::Run() {
    s_.readIndex = 0;
    s_.blockCount = 0;
    s_.condIfDepth = 0;
    s_.condSelectDepth = 0;
    for (;;) {
        const int at = PassToDirective();
        if (at >= s_.elementCount) break;
        TElement e;
        ReadElement(s_, e);
        switch (e.Value) {
            case cdv::kDefine:
                Define(at);
                break;
            case cdv::kIf:
                If(at);
                break;
            case cdv::kElse:
                Else(at);
                break;
            case cdv::kEndif:
                EndIf(at);
                break;
            case cdv::kSelect:
                Select(at);
                break;
            case cdv::kCase:
                Case(at);
                break;
            case cdv::kEndselect:
                EndSelect(at);
                break;
            case cdv::kError:
                Error(at);
                break;
            default:
                break;
        }
    }
    if (const BlockRecord* open = TopBlock(s_)) {
        const TElement& opener = s_.elements[open->element];
        RaiseErrorAt(open->kind == bk::kSelect ? err::kCondSelectWithoutCondEndselect
                                               : err::kCondIfWithoutCondEndif,
                     opener.Start, opener.Length);
    }
}

// Moves the reader onto the next directive and returns its index (elementCount when there is
// none), leaving what reading every element before it one by one would have left: the last
// element read (lastRead, ErrorPos, ErrorLength) and the last name looked up (currentName,
// declaredElsewhere). No element but a directive does anything here, and a name cannot turn
// into a directive when looked up again, so the raw kinds tell where the next one is.
int Resolver::PassToDirective() {
    int lastLive = -1;
    int lastName = -1;
    int i = NextLive(s_, s_.readIndex);
    while (i < s_.elementCount) {
        const std::uint8_t kind = s_.elements[static_cast<std::size_t>(i)].Kind;
        if (kind == ekCondDirective) break;
        if (kind == ekUndefined) lastName = i;
        lastLive = i;
        i = NextLive(s_, i + 1);
    }
    if (lastName >= 0) ResolveName(s_, lastName);
    if (lastLive >= 0) {
        const TElement& e = s_.elements[static_cast<std::size_t>(lastLive)];
        s_.lastRead = lastLive;
        s_.result.ErrorPos = e.Start;
        s_.result.ErrorLength = e.Length;
    }
    s_.readIndex = i < s_.elementCount ? i : s_.elementCount;
    return i;
}

// A stretch is skipped when any enclosing branch is, so that a #DEFINE or #ERROR inside a
// taken branch of a skipped branch stays without effect.
bool Resolver::InSkippedStretch() const {
    for (int i = 0; i < s_.blockCount; ++i) {
        const BlockRecord& b = s_.blocks[static_cast<std::size_t>(i)];
        if (b.kind == bk::kSelect ? b.state != kCaseTaken : b.state != kTaken) return true;
    }
    return false;
}

int Resolver::ExpectEnd(int error) {
    TElement e;
    const bool found = ReadElement(s_, e);
    if (e.Kind != ekEnd) RaiseError(error);
    return found ? s_.lastRead : s_.elementCount;
}

void Resolver::SkipLine() {
    TElement e;
    while (ReadElement(s_, e) && e.Kind != ekEnd) {
    }
}

BlockRecord& Resolver::Innermost(int missingError, std::uint8_t wantKind, int wrongKindError) {
    const int open = wantKind == bk::kSelect ? s_.condSelectDepth : s_.condIfDepth;
    BlockRecord* top = TopBlock(s_);
    if (open == 0 || top == nullptr) RaiseError(missingError);
    const bool isSelect = top->kind == bk::kSelect;
    if (isSelect != (wantKind == bk::kSelect)) RaiseError(wrongKindError);
    return *top;
}

// #DEFINE name [ "=" expression ]
void Resolver::Define(int at) {
    if (InSkippedStretch()) {
        SkipLine();
        return;
    }
    TElement name;
    ReadElement(s_, name);
    int existing = -1;
    if (name.Kind == ekUndefined) {
        if (s_.declaredElsewhere) RaiseError(err::kSymbolAlreadyDefined);
    } else if (name.Kind == ekDefined) {
        existing = s_.symbols.Find(s_.currentName.name());
    } else {
        RaiseError(err::kExpectedUserDefinedSymbol);
    }
    const TSymbol symbol = s_.currentName;
    std::uint16_t value = kAllBitsSet;
    TElement e;
    PeekElement(s_, e);
    if (e.Kind != ekEnd) {
        ReadElement(s_, e);
        if (e.Kind != ekComparison || e.Value != op::kEqual) RaiseError(err::kExpectedEquals);
        ClearBuffer(s_, 0);
        s_.expr.depth = 0;
        ExpressionOptions options;
        options.conditional = true;
        CompileExpression(s_, options);
        value = EvaluateBuffer(s_);
    }
    // Entered before the line end is checked, so that a full table (128) points at the
    // definition rather than at the line end behind it.
    if (existing >= 0) {
        s_.symbols.SetValue(existing, value);
    } else {
        s_.symbols.Enter(symbol.name(), ekDefined, value);
    }
    const int end = ExpectEnd(err::kExpectedEndOfStatement);
    CancelElements(s_, at, end - 1);
}

// #IF condition #THEN
void Resolver::If(int at) {
    if (s_.condIfDepth >= kMaxNesting) RaiseError(err::kCondIfNestingLimit);
    BlockRecord& b = PushBlock(s_, err::kCondIfNestingLimit);
    ++s_.condIfDepth;
    b.kind = bk::kIf;
    b.element = static_cast<std::uint16_t>(at);
    ClearBuffer(s_, 0);
    s_.expr.depth = 0;
    ExpressionOptions options;
    options.condition = true;
    options.conditional = true;
    CompileExpression(s_, options);
    TElement e;
    ReadElement(s_, e);
    if (e.Kind != ekCondThen) RaiseError(err::kExpectedCondThen);
    const int then = s_.lastRead;
    CancelElements(s_, at, then);
    b.state = EvaluateBuffer(s_) == 0 ? kSkipped : kTaken;
    b.stretchStart = static_cast<std::uint16_t>(then + 1);
}

void Resolver::Else(int at) {
    BlockRecord& b =
        Innermost(err::kCondElsePrecededCondIf, bk::kIf, err::kExpectedDeclarationOrCondEndselect);
    if (b.kind == bk::kIfAfterElse) RaiseError(err::kExpectedCondEndif);
    b.kind = bk::kIfAfterElse;
    CancelElements(s_, b.state == kTaken ? at : b.stretchStart, at);
    b.state = b.state == kTaken ? kSkipped : kTaken;
    b.stretchStart = static_cast<std::uint16_t>(at + 1);
}

void Resolver::EndIf(int at) {
    BlockRecord& b =
        Innermost(err::kCondEndifPrecededCondIf, bk::kIf, err::kExpectedDeclarationOrCondEndselect);
    CancelElements(s_, b.state == kTaken ? at : b.stretchStart, at);
    PopBlock(s_);
    --s_.condIfDepth;
}

// #SELECT expression, then the first #CASE
void Resolver::Select(int at) {
    if (s_.condSelectDepth >= kMaxNesting) RaiseError(err::kCondSelectNestingLimit);
    BlockRecord& b = PushBlock(s_, err::kCondSelectNestingLimit);
    ++s_.condSelectDepth;
    b.kind = bk::kSelect;
    b.element = static_cast<std::uint16_t>(at);
    b.state = kNoCaseYet;
    b.comparison = op::kEqual;
    b.selector = static_cast<std::uint16_t>(NextLive(s_, at + 1));
    EvaluateConstant(s_, true, true);
    ExpectEnd(err::kExpectedEndOfStatement);
    TElement e;
    PeekElement(s_, e);
    if (e.Kind != ekCondDirective || e.Value != cdv::kCase) {
        ReadElement(s_, e);
        RaiseError(err::kExpectedCondCase);
    }
}

// One value of a #CASE list into buffer 0: selector = value, selector cmp value, or the range
// selector >= first AND selector <= second.
void Resolver::CompileCaseValue(const BlockRecord& b, int valueStart) {
    ExpressionOptions options;
    options.condition = true;
    options.conditional = true;
    options.spliceStart = valueStart;
    options.comparison = op::kEqual;
    const auto compile = [&] {
        ClearBuffer(s_, 0);
        s_.expr.depth = 0;
        s_.readIndex = b.selector;
        CompileExpression(s_, options);
    };
    compile();
    TElement e;
    if (!PeekElement(s_, e) || e.Kind != ekTo) return;
    options.comparison = op::kGreaterEqual;
    compile();
    ReadElement(s_, e);
    CopyBuffer(s_, 0, kRangeBuffer);
    options.spliceStart = NextLive(s_, s_.readIndex);
    options.comparison = op::kLessEqual;
    compile();
    AppendBufferWithOperator(s_, kRangeBuffer, static_cast<std::uint8_t>(op::kAnd));
}

// #CASE value { "," value } | #CASE #ELSE
void Resolver::Case(int at) {
    BlockRecord& b = Innermost(err::kCondCasePrecededCondSelect, bk::kSelect,
                               err::kExpectedDeclarationOrCondEndif);
    if (b.state == kCaseTaken) {
        b.takenEnd = static_cast<std::uint16_t>(at);
        b.state = kCaseDone;
    }
    TElement e;
    PeekElement(s_, e);
    if (e.Kind == ekInstruction && e.Value == kRuntimeElse) {
        ReadElement(s_, e);
        RaiseError(err::kExpectedCondElse);
    }
    bool match = false;
    int end = 0;
    if (e.Kind == ekCondDirective && e.Value == cdv::kElse) {
        ReadElement(s_, e);
        end = ExpectEnd(err::kExpectedCommaOrEnd);
        match = true;
    } else {
        for (bool first = true;; first = false) {
            CompileCaseValue(b, NextLive(s_, s_.readIndex));
            if (!first)
                AppendBufferWithOperator(s_, kJoinBuffer, static_cast<std::uint8_t>(op::kOr));
            CopyBuffer(s_, 0, kJoinBuffer);
            if (!PeekElement(s_, e) || e.Kind != ekComma) break;
            ReadElement(s_, e);
        }
        end = ExpectEnd(err::kExpectedCommaOrEnd);
        match = EvaluateBuffer(s_, kJoinBuffer) != 0;
    }
    if (b.state == kNoCaseYet && match) {
        b.state = kCaseTaken;
        b.stretchStart = static_cast<std::uint16_t>(end + 1);
    }
}

void Resolver::EndSelect(int at) {
    BlockRecord& b = Innermost(err::kCondEndselectPrecededCondSelect, bk::kSelect,
                               err::kExpectedDeclarationOrCondEndif);
    if (b.state == kCaseTaken) b.takenEnd = static_cast<std::uint16_t>(at);
    if (b.state == kNoCaseYet) {
        CancelElements(s_, b.element, at);
    } else {
        CancelElements(s_, b.element, b.stretchStart - 1);
        CancelElements(s_, b.takenEnd, at);
    }
    PopBlock(s_);
    --s_.condSelectDepth;
}

// #ERROR character { "," character }: fails the run with "199-" and the characters.
void Resolver::Error(int at) {
    if (InSkippedStretch()) {
        SkipLine();
        return;
    }
    std::array<char, kMessageAreaSize> message{};
    std::size_t length = 0;
    for (char c : std::string_view("199-")) message[length++] = c;
    const TElement& directive = s_.elements[static_cast<std::size_t>(at)];
    int spanEnd = directive.Start + directive.Length;
    TElement e;
    PeekElement(s_, e);
    if (e.Kind != ekEnd) {
        for (;;) {
            ReadElement(s_, e);
            if (e.Kind != ekConstant) RaiseError(err::kExpectedCharacterOrAscii);
            if (length < message.size() - 1) message[length++] = static_cast<char>(e.Value & 0xFF);
            spanEnd = e.Start + e.Length;
            PeekElement(s_, e);
            if (e.Kind == ekEnd) break;
            ReadElement(s_, e);
            if (e.Kind != ekComma) RaiseError(err::kExpectedCommaOrEnd);
        }
    }
    s_.result.ErrorPos = directive.Start;
    s_.result.ErrorLength = spanEnd - directive.Start;
    RaiseMessage(s_.result, std::string_view(message.data(), length));
}

}  // namespace

void ResolveConditionals(TokenizerState& s) { Resolver(s).Run(); }

}  // namespace kavrin::tokenizer
