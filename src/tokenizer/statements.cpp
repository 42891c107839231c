// The statement compiler: one pass over the element list that turns every run-time statement
// into object code, with the control structures kept on the block stack.
//
// The stream opens with the GOSUB table (slot 0: the first statement; slot k: the return address
// of the k-th GOSUB), then the statements in source order and a closing END. Jumps to labels
// defined further down leave a reserved 14-bit field on the fix-up list, filled after the pass.
//
// Single-line IF: the record's kind counts down through the parts of the line:
//   3  just behind "IF ... THEN"      -> 2 (the THEN part, ELSE may follow)
//   1  just behind "ELSE"             -> 0 (the ELSE part)
// and the line end closes every single-line IF still open.

#include "tokenizer/statements.h"

#include <array>

#include "tokenizer/back_end.h"
#include "tokenizer/code_writer.h"
#include "tokenizer/declarations.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/expression.h"
#include "tokenizer/instructions.h"

namespace kavrin::tokenizer {

namespace {

inline constexpr int kMaxGosubs = 255;
inline constexpr int kMaxCaseEndFields = 15;  // 16 CASEs: every one but the first ends a branch
// A single-line IF's states, counting down: THEN read (its statement comes), THEN's statement
// done (an ELSE may follow), ELSE read, ELSE's statement done.
inline constexpr std::uint8_t kSingleLineThen = 3, kSingleLineAfterThen = 2, kSingleLineElse = 1;
inline constexpr std::uint8_t kSingleLineLast = 3;  // kinds 0..3 are single-line IF states
inline constexpr int kGosubNumberBits = 8;

TokenizerState& S() { return State(); }
CodeWriter& W() { return TheCodeWriter(); }

// The statement pass's figures and listing record (one entry per compiled statement).
ProgramPass& P() { return State().program; }

bool IsSingleLineIf(const BlockRecord& b) { return b.kind <= kSingleLineLast; }
bool IsIf(const BlockRecord& b) { return b.kind <= bk::kIf; }

bool IsInstruction(const Elem& e, std::uint8_t number) {
    return e.kind == ekInstruction && e.value == number;
}

void Reserve(std::int32_t& field) { field = W().Reserve(); }

void PatchHere(int field) {
    if (field >= 0) W().Patch(field, static_cast<unsigned>(W().Position()));
}

// Patches the pending field and every exit field of a record to the current position.
void CloseFields(BlockRecord& b) {
    PatchHere(b.pending);
    b.pending = -1;
    for (int i = 0; i < b.exitCount; ++i) PatchHere(b.exits[static_cast<std::size_t>(i)]);
    b.exitCount = 0;
}

void AddExit(BlockRecord& b, int limit, int error) {
    if (b.exitCount >= limit) RaiseError(error);
    const int field = W().Reserve();
    b.exits[static_cast<std::size_t>(b.exitCount++)] = static_cast<std::uint16_t>(field);
}

// The innermost block must be of the wanted family; an unclosed structure inside it gives the
// error named for that structure.
struct InnerErrors {
    int forError, doError, selectError, ifError;
};

BlockRecord& Innermost(const InnerErrors& errors, bool (*wanted)(const BlockRecord&)) {
    BlockRecord* top = TopBlock(S());
    if (!wanted(*top)) {
        if (top->kind == bk::kFor) RaiseError(errors.forError);
        if (top->kind == bk::kDo) RaiseError(errors.doError);
        if (top->kind == bk::kSelect) RaiseError(errors.selectError);
        RaiseError(errors.ifError);
    }
    return *top;
}

bool IsFor(const BlockRecord& b) { return b.kind == bk::kFor; }
bool IsDo(const BlockRecord& b) { return b.kind == bk::kDo; }
bool IsSelect(const BlockRecord& b) { return b.kind == bk::kSelect; }

BlockRecord& OpenBlock(int& counter, int error, std::uint8_t kind, int element) {
    if (counter >= kMaxNesting) RaiseError(error);
    BlockRecord& b = PushBlock(S(), error);
    ++counter;
    b.kind = kind;
    b.element = static_cast<std::uint16_t>(element);
    return b;
}

void CloseBlock(int& counter) {
    PopBlock(S());
    --counter;
}

// condition (compiled into buffer 0), T(13), reserve, T(9), reserve as pending, first field
// patched here: the code that follows runs when the condition holds, the pending field jumps
// past it.
void EmitConditionalPart(BlockRecord& b) {
    EmitBuffer(0, true);
    EmitToken(token::kIfJump);
    std::int32_t taken = -1;
    Reserve(taken);
    EmitToken(token::kGoto);
    Reserve(b.pending);
    PatchHere(taken);
}

void CompileConditionalPart(BlockRecord& b) {
    CompileExpr(0, kExprCondition);
    EmitConditionalPart(b);
}

// --- IF ---------------------------------------------------------------------------------------

// In 2.5 "THEN label" and "THEN GOTO label" at the line end keep the old one-jump form. Looking
// ahead leaves the read position and the error span on THEN.
bool ThenIsJump() {
    if (!Version25()) return true;
    const Elem next = PeekElem();
    if (next.kind == ekLabel || next.kind == ekUndefined) return true;
    if (!IsInstruction(next, instr::kGoto)) return false;
    TTokenizerResult& r = S().result;
    const int resume = ReadPosition();
    const std::int32_t spanPos = r.ErrorPos, spanLength = r.ErrorLength;
    ReadElem();
    const Elem label = ReadElem();
    const Elem end = PeekElem();
    SeekElem(resume);
    r.ErrorPos = spanPos;
    r.ErrorLength = spanLength;
    return (label.kind == ekLabel || label.kind == ekUndefined) && end.kind == ekEnd &&
           end.value == kEndOfLine;
}

// IF condition THEN label
// IF condition THEN statement [ELSE statement]     (single line)
// IF condition THEN <line end> ... [ELSEIF ...] [ELSE ...] ENDIF
void CompileIf(const Elem& word) {
    CompileExpr(0, kExprCondition);
    ExpectElem(ekThen, err::kExpectedThen);
    if (ThenIsJump()) {
        EmitBuffer(0, true);
        EmitToken(token::kIfJump);
        if (IsInstruction(PeekElem(), instr::kGoto)) ReadElem();
        EmitLabelAddress();
        return;
    }
    // A block: the condition still in buffer 0 goes out under the block's own layout.
    BlockRecord& b = OpenBlock(S().ifDepth, err::kIfNestingLimit, bk::kIf, word.index);
    EmitConditionalPart(b);
    const Elem next = PeekElem();
    b.kind = (next.kind == ekEnd && next.value == kEndOfLine) ? bk::kIf : kSingleLineThen;
}

constexpr InnerErrors kInsideIf{err::kExpectedStatementOrNext, err::kExpectedStatementOrLoop,
                                err::kExpectedStatementOrEndselect, 0};

// ELSEIF condition THEN
void CompileElseIf() {
    if (S().ifDepth == 0) RaiseError(err::kElseifPrecededIf);
    BlockRecord& b = Innermost(kInsideIf, IsIf);
    if (b.kind == bk::kIfAfterElse || b.kind < kSingleLineAfterThen) RaiseError(err::kElseifAfterElse);
    EmitToken(token::kGoto);
    AddExit(b, kMaxPendingFields, err::kTooManyElseifs);
    PatchHere(b.pending);
    CompileConditionalPart(b);
    ExpectElem(ekThen, err::kExpectedThen);
    if (IsSingleLineIf(b)) b.kind = kSingleLineThen;
}

// ELSE
void CompileElse() {
    if (S().ifDepth == 0) RaiseError(err::kElsePrecededIfCase);
    BlockRecord& b = Innermost(kInsideIf, IsIf);
    if (b.kind == bk::kIfAfterElse) RaiseError(err::kExpectedStatementOrEndif);
    if (IsSingleLineIf(b) && b.kind != kSingleLineAfterThen) RaiseError(err::kExpectedStatementOrEnd);
    EmitToken(token::kGoto);
    std::int32_t field = -1;
    Reserve(field);
    PatchHere(b.pending);
    b.pending = field;
    b.kind = static_cast<std::uint8_t>(b.kind - 1);
}

// ENDIF
void CompileEndIf() {
    if (S().ifDepth == 0) RaiseError(err::kEndifPrecededIf);
    BlockRecord& b = Innermost(kInsideIf, IsIf);
    CloseFields(b);
    CloseBlock(S().ifDepth);
}

// --- FOR / NEXT ---------------------------------------------------------------------------------

// variable "=" expression: the value, then the target, then the assignment token.
void CompileAssignment(int targetIndex) {
    SeekElem(targetIndex);
    CompileTarget(1);
    CopyBuffer(0, 1);
    const Elem equals = ReadElem();
    if (equals.kind != ekComparison || equals.value != op::kEqual) RaiseError(err::kExpectedEquals);
    CompileExpr(0);
    EmitBuffer(0, true);
    EmitBuffer(1, true);
    EmitToken(token::kAssign);
}

// FOR variable = start TO end [STEP [-]step]
void CompileFor(const Elem& word) {
    TokenizerState& s = S();
    if (s.forDepth >= kMaxNesting) RaiseError(err::kForNestingLimit);
    CompileAssignment(word.index + 1);
    BlockRecord& b = OpenBlock(s.forDepth, err::kForNestingLimit, bk::kFor, word.index);
    b.loopTop = static_cast<std::uint16_t>(W().Position());
    ExpectElem(ekTo, err::kExpectedTo);
    CompileExpr(0);
    if (PeekIs(ekStep)) {
        ReadElem();
        CompileExpr(0);
    }
    if (!PeekIs(ekEnd)) {
        ReadElem();
        RaiseError(err::kExpectedStepOrEnd);
    }
}

constexpr InnerErrors kInsideFor{0, err::kExpectedStatementOrLoop,
                                 err::kExpectedStatementOrEndselect,
                                 err::kExpectedStatementOrEndif};

// NEXT: end, start, T(14), the variable read, the step, the variable written, the loop top; all
// taken from the FOR statement.
void CompileNext() {
    TokenizerState& s = S();
    if (s.forDepth == 0) RaiseError(err::kNextWithoutFor);
    BlockRecord& b = Innermost(kInsideFor, IsFor);
    const int resume = ReadPosition();
    const int variable = b.element + 1;
    SeekElem(variable);
    CompileReadVar(2);
    CopyBuffer(0, 1);
    SeekElem(variable);
    CompileTarget(1);
    CopyBuffer(0, 2);
    ReadElem();  // "="
    CompileExpr(1);
    CopyBuffer(0, 3);
    ReadElem();  // TO
    CompileExpr(0);
    EmitBuffer(0, true);
    EmitBuffer(3, true);
    EmitToken(token::kNext);
    EmitBuffer(1, false);
    if (PeekIs(ekStep)) {
        ReadElem();
        CompileExpr(1);
        EmitBuffer(0, true);
    } else {
        EmitConstant(1, true);
    }
    EmitBit(false);
    EmitBuffer(2, false);
    EmitBit(false);
    W().WriteAddress(b.loopTop);
    SeekElem(resume);
    CloseFields(b);
    CloseBlock(s.forDepth);
}

// --- DO / LOOP / EXIT ---------------------------------------------------------------------------

inline constexpr std::uint8_t kDoHasCondition = 1;

// DO [WHILE condition | UNTIL condition]
void CompileDo(const Elem& word) {
    TokenizerState& s = S();
    BlockRecord& b = OpenBlock(s.doDepth, err::kDoNestingLimit, bk::kDo, word.index);
    b.loopTop = static_cast<std::uint16_t>(W().Position());
    const Elem next = PeekElem();
    if (next.kind == ekWhile) {
        ReadElem();
        CompileConditionalPart(b);
        b.comparison = kDoHasCondition;
    } else if (next.kind == ekUntil) {
        ReadElem();
        CompileExpr(0, kExprCondition);
        EmitBuffer(0, true);
        EmitToken(token::kIfJump);
        Reserve(b.pending);
        b.comparison = kDoHasCondition;
    } else if (next.kind != ekEnd) {
        ReadElem();
        RaiseError(err::kExpectedWhileUntilOrEnd);
    }
}

constexpr InnerErrors kInsideDo{err::kExpectedStatementOrNext, 0,
                                err::kExpectedStatementOrEndselect, err::kExpectedStatementOrEndif};

// LOOP [WHILE condition | UNTIL condition]   (only when DO had none)
void CompileLoop() {
    TokenizerState& s = S();
    if (s.doDepth == 0) RaiseError(err::kLoopPrecededDo);
    BlockRecord& b = Innermost(kInsideDo, IsDo);
    const Elem next = PeekElem();
    if (next.kind == ekWhile || next.kind == ekUntil) {
        ReadElem();
        if (b.comparison == kDoHasCondition) RaiseError(err::kDoubleLoopCondition);
        CompileExpr(0, kExprCondition);
        EmitBuffer(0, true);
        EmitToken(token::kIfJump);
        if (next.kind == ekWhile) {
            W().WriteAddress(b.loopTop);
        } else {
            std::int32_t done = -1;
            Reserve(done);
            EmitToken(token::kGoto);
            W().WriteAddress(b.loopTop);
            PatchHere(done);
        }
    } else {
        EmitToken(token::kGoto);
        W().WriteAddress(b.loopTop);
    }
    CloseFields(b);
    CloseBlock(s.doDepth);
}

// EXIT   (leaves the innermost FOR or DO)
void CompileExit() {
    TokenizerState& s = S();
    for (int i = s.blockCount - 1; i >= 0; --i) {
        BlockRecord& b = s.blocks[static_cast<std::size_t>(i)];
        if (b.kind != bk::kFor && b.kind != bk::kDo) continue;
        EmitToken(token::kGoto);
        AddExit(b, kMaxPendingFields, err::kTooManyExits);
        return;
    }
    RaiseError(err::kExitOutsideLoop);
}

// --- SELECT / CASE / ENDSELECT --------------------------------------------------------------------

// SELECT expression
void CompileSelect(const Elem& word) {
    TokenizerState& s = S();
    BlockRecord& b = OpenBlock(s.selectDepth, err::kSelectNestingLimit, bk::kSelect, word.index);
    b.selector = static_cast<std::uint16_t>(NextLive(s, s.readIndex));
    b.comparison = op::kEqual;
    b.loopTop = 0xFFFF;  // no CASE yet
    CompileExpr(0);
    const Elem end = ReadElem();
    if (end.kind != ekEnd) RaiseError(err::kExpectedEndOfStatement);
    if (!IsInstruction(PeekElem(), instr::kCase)) {
        ReadElem();
        RaiseError(err::kExpectedCase);
    }
    SeekElem(end.index);  // the statement loop reads the end again
}

// True when code was emitted since the body of the last CASE began.
bool CaseHasBody(const BlockRecord& b) { return W().Position() != b.loopTop; }

constexpr InnerErrors kInsideSelect{err::kExpectedStatementOrNext, err::kExpectedStatementOrLoop, 0,
                                    err::kExpectedStatementOrEndif};

// The test of one value or range of a CASE list, into buffer 0.
void CompileCaseValue(const BlockRecord& b) {
    const int value = NextLive(S(), ReadPosition());
    CompileCaseTest(b.selector, value, b.comparison);
    if (!PeekIs(ekTo)) return;
    ReadElem();
    const int second = NextLive(S(), ReadPosition());
    // A range: selector >= first AND selector <= second.
    CompileCaseTest(b.selector, value, op::kGreaterEqual);
    CopyBuffer(0, 2);
    CompileCaseTest(b.selector, second, op::kLessEqual);
    CopyBuffer(0, 3);
    CopyBuffer(2, 0);
    AppendToBuffer0(3, op::kAnd);
}

// CASE [comparison] value [TO value], ...
// CASE ELSE
void CompileCase() {
    TokenizerState& s = S();
    if (s.selectDepth == 0) RaiseError(err::kCasePrecededSelect);
    BlockRecord& b = Innermost(kInsideSelect, IsSelect);
    if (b.pending >= 0) {
        if (!CaseHasBody(b)) RaiseError(err::kEmptyCase);
        EmitToken(token::kGoto);
        AddExit(b, kMaxCaseEndFields, err::kTooManyCases);
        PatchHere(b.pending);
        b.pending = -1;
    }
    if (IsInstruction(PeekElem(), instr::kElse)) {
        ReadElem();
        b.loopTop = static_cast<std::uint16_t>(W().Position());
        return;
    }
    CompileCaseValue(b);
    CopyBuffer(0, 1);
    while (PeekIs(ekComma)) {
        ReadElem();
        CompileCaseValue(b);
        CopyBuffer(0, 2);
        CopyBuffer(1, 0);
        AppendToBuffer0(2, op::kOr);
        CopyBuffer(0, 1);
    }
    if (!PeekIs(ekEnd)) {
        ReadElem();
        RaiseError(err::kExpectedCommaOrEnd);
    }
    CopyBuffer(1, 0);
    EmitConditionalPart(b);
    b.loopTop = static_cast<std::uint16_t>(W().Position());
}

// ENDSELECT
void CompileEndSelect() {
    TokenizerState& s = S();
    if (s.selectDepth == 0) RaiseError(err::kEndselectPrecededSelect);
    BlockRecord& b = Innermost(kInsideSelect, IsSelect);
    if (!CaseHasBody(b)) RaiseError(err::kEmptyCase);
    CloseFields(b);
    CloseBlock(s.selectDepth);
}

// --- GOSUB, GOTO, ON ... ----------------------------------------------------------------------------

// Numbers run from 1 in source order; the counting pass has made room for every one of them.
int NextGosubNumber() {
    if (P().gosubNumber >= P().gosubCount)
        RaiseError(err::kTooManyGosubs);  // the table has no slot
    return ++P().gosubNumber;
}

void PatchGosubSlot(int number) {
    W().Patch(number * kAddressBits, static_cast<unsigned>(W().Position()));
}

// GOSUB label
void CompileGosub() {
    EmitToken(token::kGosub);
    const int number = NextGosubNumber();
    EmitField(kGosubNumberBits, static_cast<unsigned>(number));
    EmitLabelAddress();
    PatchGosubSlot(number);
}

// ON index GOTO label, ...
// ON index GOSUB label, ...
void CompileOn() {
    CompileExpr(0);
    CopyBuffer(0, 1);
    const Elem how = ReadElem();
    const bool gosub = IsInstruction(how, instr::kGosub);
    if (!gosub && !IsInstruction(how, instr::kGoto)) RaiseError(err::kExpectedGotoOrGosub);
    int number = 0;
    if (gosub) {
        EmitToken(token::kGosub);
        number = NextGosubNumber();
        EmitField(kGosubNumberBits, static_cast<unsigned>(number));
        EmitAddressHere();
    }
    EmitBuffer(1, true);
    EmitToken(token::kBranch);
    for (;;) {
        EmitLabelAddress();
        if (!PeekIs(ekComma)) break;
        ReadElem();
        EmitBit(true);
    }
    EmitBit(false);
    if (!PeekIs(ekEnd)) {
        ReadElem();
        RaiseError(err::kExpectedCommaOrEnd);
    }
    if (gosub) {
        EmitToken(token::kReturn);
        PatchGosubSlot(number);
    }
}

bool CompileControl(const Elem& word) {
    switch (word.value) {
        case instr::kIf: CompileIf(word); return true;
        case instr::kElseif: CompileElseIf(); return true;
        case instr::kElse: CompileElse(); return true;
        case instr::kEndif: CompileEndIf(); return true;
        case instr::kFor: CompileFor(word); return true;
        case instr::kNext: CompileNext(); return true;
        case instr::kDo: CompileDo(word); return true;
        case instr::kLoop: CompileLoop(); return true;
        case instr::kExit: CompileExit(); return true;
        case instr::kSelect: CompileSelect(word); return true;
        case instr::kCase: CompileCase(); return true;
        case instr::kEndselect: CompileEndSelect(); return true;
        case instr::kGosub: CompileGosub(); return true;
        case instr::kGoto:
            EmitToken(token::kGoto);
            EmitLabelAddress();
            return true;
        case instr::kReturn: EmitToken(token::kReturn); return true;
        case instr::kEnd: EmitToken(token::kEnd); return true;
        case instr::kOn: CompileOn(); return true;
        default: return false;
    }
}

// --- the statement loop ---------------------------------------------------------------------------

// Closes every single-line IF still open at a line end.
void CloseSingleLineIfs() {
    TokenizerState& s = S();
    for (BlockRecord* top = TopBlock(s); top && IsSingleLineIf(*top); top = TopBlock(s)) {
        CloseFields(*top);
        CloseBlock(s.ifDepth);
    }
}

// After a statement: its end, or the next part of a single-line IF.
void FinishStatement() {
    BlockRecord* top = TopBlock(S());
    if (top && IsSingleLineIf(*top)) {
        if (top->kind == kSingleLineThen || top->kind == kSingleLineElse) {
            --top->kind;
            return;
        }
        if (top->kind == kSingleLineAfterThen) {
            const Elem next = PeekElem();
            if (IsInstruction(next, instr::kElse) || IsInstruction(next, instr::kElseif)) return;
        }
    }
    const Elem end = ReadElem();
    if (end.kind != ekEnd) RaiseError(err::kExpectedEndOfStatement);
    if (end.value == kEndOfLine) CloseSingleLineIfs();
}

void DefineLabel() {
    TokenizerState& s = S();
    s.symbols.Enter(s.currentName.name(), ekLabel, static_cast<std::uint16_t>(W().Position()));
    if (Version25()) {
        const Elem colon = ReadElem();
        if (colon.kind != ekEnd || colon.value != kEndColon) RaiseError(err::kLabelMissing);
    }
}

void CompileStatement(const Elem& first) {
    if (!P().anyStatement) {
        // Slot 0 of the GOSUB table: where the program starts.
        W().Patch(0, static_cast<unsigned>(W().Position()));
        P().anyStatement = true;
    }
    TTokenizerResult& r = S().result;
    if (r.StatementCount < static_cast<std::int32_t>(kMaxStatements)) {
        r.StatementStarts[static_cast<std::size_t>(r.StatementCount++)] = {
            first.start, static_cast<std::uint16_t>(W().Position())};
    }
    if (first.kind == ekInstruction) {
        if (!CompileInstruction(first)) RaiseError(err::kExpectedStatement);
    } else if (first.kind == ekVariable || first.kind == ekPinName) {
        CompileAssignment(first.index);
    } else {
        RaiseError(err::kExpectedStatement);
    }
    FinishStatement();
}

// The error for a block left open at the end of the program.
int UnclosedError(const BlockRecord& b) {
    if (b.kind == bk::kFor) return 169;
    if (b.kind == bk::kDo) return 170;
    if (b.kind == bk::kSelect) return 184;
    return 168;
}

}  // namespace

bool CompileInstruction(const Elem& word) {
    const auto number = static_cast<std::uint8_t>(word.value);
    return CompileControl(word) || CompileSimpleInstruction(number) ||
           CompilePinInstruction(number) || CompileSerialInstruction(number) ||
           CompileMemoryInstruction(number);
}

void CountGosubs() {
    TokenizerState& s = S();
    P().gosubCount = 0;
    for (int i = 0; i < s.elementCount; ++i) {
        const TElement& e = s.elements[static_cast<std::size_t>(i)];
        if (e.Kind != ekInstruction || e.Value != instr::kGosub) continue;
        if (++P().gosubCount > kMaxGosubs) RaiseErrorAt(err::kTooManyGosubs, e.Start, e.Length);
    }
    P().gosubNumber = 0;
}

void CompileStatements() {
    TokenizerState& s = S();
    s.blockCount = 0;
    s.ifDepth = s.forDepth = s.doDepth = s.selectDepth = 0;
    P().anyStatement = false;
    S().result.StatementCount = 0;
    // The GOSUB table: slot 0 and one slot per GOSUB, filled as the statements are compiled.
    for (int i = 0; i <= P().gosubCount; ++i) W().Reserve();
    s.readIndex = 0;
    for (;;) {
        TElement e;
        if (!ReadElement(s, e)) break;
        const Elem first{e.Kind, e.Value, e.Start, e.Length, s.lastRead};
        if (e.Kind == ekEnd) {
            if (e.Value == kEndOfLine) CloseSingleLineIfs();
            continue;
        }
        if (e.Kind == ekLabel) RaiseError(err::kLabelAlreadyDefined);
        if (e.Kind == ekUndefined) {
            DefineLabel();
            continue;
        }
        CompileStatement(first);
    }
    // A single-line IF whose last statement ends in ":" at the very end of the text never sees
    // its line end (the lister adds none behind a ":" end); the end of the text closes it, so
    // that it is neither reported as an open block nor left jumping past the closing END.
    CloseSingleLineIfs();
    if (P().anyStatement) EmitToken(token::kEnd);
    if (Version25() && s.blockCount > 0) {
        const BlockRecord& b = *TopBlock(s);
        const TElement& opener = s.elements[b.element];
        RaiseErrorAt(UnclosedError(b), opener.Start, opener.Length);
    }
}

void ResolveFixups() {
    TokenizerState& s = S();
    CodeWriter& w = W();
    for (int i = 0; i < w.FixupCount(); ++i) {
        const Fixup& f = w.FixupAt(i);
        s.readIndex = f.element;
        TElement e;
        ReadElement(s, e);
        if (e.Kind != ekLabel) RaiseError(err::kUndefinedLabel);
        w.Patch(f.field, e.Value);
    }
}

void CompileProgram(TokenizerState& s) {
    W().Start(s.result.ModuleKind);
    CountGosubs();
    CompileStatements();
    ResolveFixups();
    W().BuildBlocks();
    s.result.CodeBits = W().Position();
}

}  // namespace kavrin::tokenizer
