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
inline constexpr std::uint8_t kSingleLineThen = 3, kSingleLineAfterThen = 2, kSingleLineElse = 1,
                              kSingleLineAfterElse = 0;
inline constexpr std::uint8_t kSingleLineLast = kSingleLineThen;  // kinds 0..3: single-line IF
inline constexpr int kGosubNumberBits = 8;
inline constexpr int kStartSlot = 0;              // GOSUB table slot of the program's start
inline constexpr std::uint16_t kNoCase = 0xFFFF;  // SELECT's loopTop before its first CASE
inline constexpr unsigned kDefaultStep = 1;       // FOR without STEP

bool IsSingleLineIf(const BlockRecord& b) { return b.kind <= kSingleLineLast; }
bool IsIf(const BlockRecord& b) { return b.kind <= bk::kIf; }

bool IsInstruction(const Elem& e, std::uint8_t number) {
    return e.kind == ekInstruction && e.value == number;
}

void Reserve(CodeWriter& w, std::int32_t& field) { field = w.Reserve(); }

void PatchHere(CodeWriter& w, int field) {
    if (field >= 0) w.Patch(field, static_cast<unsigned>(w.Position()));
}

// Patches the pending field and every exit field of a record to the current position.
void CloseFields(CodeWriter& w, BlockRecord& b) {
    PatchHere(w, b.pending);
    b.pending = -1;
    for (int i = 0; i < b.exitCount; ++i) PatchHere(w, b.exits[static_cast<std::size_t>(i)]);
    b.exitCount = 0;
}

void AddExit(CodeWriter& w, BlockRecord& b, int limit, int error) {
    if (b.exitCount >= limit) RaiseError(error);
    const int field = w.Reserve();
    b.exits[static_cast<std::size_t>(b.exitCount++)] = static_cast<std::uint16_t>(field);
}

// The innermost block must be of the wanted family; an unclosed structure inside it gives the
// error named for that structure.
struct InnerErrors {
    int forError, doError, selectError, ifError;
};
inline constexpr int kWantedFamily = 0;  // the error of the family asked for: never raised

BlockRecord& Innermost(TokenizerState& s, const InnerErrors& errors,
                       bool (*wanted)(const BlockRecord&)) {
    BlockRecord* top = TopBlock(s);
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

BlockRecord& OpenBlock(TokenizerState& s, int& counter, int error, std::uint8_t kind, int element) {
    if (counter >= kMaxNesting) RaiseError(error);
    BlockRecord& b = PushBlock(s, error);
    ++counter;
    b.kind = kind;
    b.element = static_cast<std::uint16_t>(element);
    return b;
}

void CloseBlock(TokenizerState& s, int& counter) {
    PopBlock(s);
    --counter;
}

// condition (compiled into buffer 0), T(13), reserve, T(9), reserve as pending, first field
// patched here: the code that follows runs when the condition holds, the pending field jumps
// past it.
void EmitConditionalPart(TokenizerState& s, BlockRecord& b) {
    EmitBuffer(s, 0, true);
    EmitToken(s.writer, token::kIfJump);
    std::int32_t taken = -1;
    Reserve(s.writer, taken);
    EmitToken(s.writer, token::kGoto);
    Reserve(s.writer, b.pending);
    PatchHere(s.writer, taken);
}

void CompileConditionalPart(TokenizerState& s, BlockRecord& b) {
    CompileExpr(s, 0, kExprCondition);
    EmitConditionalPart(s, b);
}

// --- IF ---------------------------------------------------------------------------------------

// In 2.5 "THEN label" and "THEN GOTO label" at the line end keep the old one-jump form. Looking
// ahead leaves the read position and the error span on THEN.
bool ThenIsJump(TokenizerState& s) {
    if (!Version25(s)) return true;
    const Elem next = PeekElem(s);
    if (next.kind == ekLabel || next.kind == ekUndefined) return true;
    if (!IsInstruction(next, instr::kGoto)) return false;
    TTokenizerResult& r = s.result;
    const int resume = ReadPosition(s);
    const std::int32_t spanPos = r.ErrorPos, spanLength = r.ErrorLength;
    ReadElem(s);
    const Elem label = ReadElem(s);
    const Elem end = PeekElem(s);
    SeekElem(s, resume);
    r.ErrorPos = spanPos;
    r.ErrorLength = spanLength;
    return (label.kind == ekLabel || label.kind == ekUndefined) && end.kind == ekEnd &&
           end.value == kEndOfLine;
}

// IF condition THEN label
// IF condition THEN statement [ELSE statement]     (single line)
// IF condition THEN <line end> ... [ELSEIF ...] [ELSE ...] ENDIF
void CompileIf(TokenizerState& s, const Elem& word) {
    CompileExpr(s, 0, kExprCondition);
    ExpectElem(s, ekThen, err::kExpectedThen);
    if (ThenIsJump(s)) {
        EmitBuffer(s, 0, true);
        EmitToken(s.writer, token::kIfJump);
        if (IsInstruction(PeekElem(s), instr::kGoto)) ReadElem(s);
        EmitLabelAddress(s);
        return;
    }
    // A block: the condition still in buffer 0 goes out under the block's own layout.
    BlockRecord& b = OpenBlock(s, s.ifDepth, err::kIfNestingLimit, bk::kIf, word.index);
    EmitConditionalPart(s, b);
    const Elem next = PeekElem(s);
    b.kind = (next.kind == ekEnd && next.value == kEndOfLine) ? bk::kIf : kSingleLineThen;
}

constexpr InnerErrors kInsideIf{err::kExpectedStatementOrNext, err::kExpectedStatementOrLoop,
                                err::kExpectedStatementOrEndselect, kWantedFamily};

// ELSEIF condition THEN
void CompileElseIf(TokenizerState& s) {
    if (s.ifDepth == 0) RaiseError(err::kElseifPrecededIf);
    BlockRecord& b = Innermost(s, kInsideIf, IsIf);
    if (b.kind == bk::kIfAfterElse || b.kind < kSingleLineAfterThen)
        RaiseError(err::kElseifAfterElse);
    EmitToken(s.writer, token::kGoto);
    AddExit(s.writer, b, kMaxPendingFields, err::kTooManyElseifs);
    PatchHere(s.writer, b.pending);
    CompileConditionalPart(s, b);
    ExpectElem(s, ekThen, err::kExpectedThen);
    if (IsSingleLineIf(b)) b.kind = kSingleLineThen;
}

// ELSE
void CompileElse(TokenizerState& s) {
    if (s.ifDepth == 0) RaiseError(err::kElsePrecededIfCase);
    BlockRecord& b = Innermost(s, kInsideIf, IsIf);
    if (b.kind == bk::kIfAfterElse) RaiseError(err::kExpectedStatementOrEndif);
    if (IsSingleLineIf(b) && b.kind != kSingleLineAfterThen)
        RaiseError(err::kExpectedStatementOrEnd);
    EmitToken(s.writer, token::kGoto);
    std::int32_t field = -1;
    Reserve(s.writer, field);
    PatchHere(s.writer, b.pending);
    b.pending = field;
    b.kind = IsSingleLineIf(b) ? kSingleLineElse : bk::kIfAfterElse;
}

// ENDIF
void CompileEndIf(TokenizerState& s) {
    if (s.ifDepth == 0) RaiseError(err::kEndifPrecededIf);
    BlockRecord& b = Innermost(s, kInsideIf, IsIf);
    CloseFields(s.writer, b);
    CloseBlock(s, s.ifDepth);
}

// --- FOR / NEXT ---------------------------------------------------------------------------------

// variable "=" expression: the value, then the target, then the assignment token.
void CompileAssignment(TokenizerState& s, int targetIndex) {
    SeekElem(s, targetIndex);
    CompileTarget(s, 1);
    CopyBuffer(s, 0, 1);
    const Elem equals = ReadElem(s);
    if (equals.kind != ekComparison || equals.value != op::kEqual) RaiseError(err::kExpectedEquals);
    CompileExpr(s, 0);
    EmitBuffer(s, 0, true);
    EmitBuffer(s, 1, true);
    EmitToken(s.writer, token::kAssign);
}

// FOR variable = start TO end [STEP [-]step]
void CompileFor(TokenizerState& s, const Elem& word) {
    if (s.forDepth >= kMaxNesting) RaiseError(err::kForNestingLimit);
    CompileAssignment(s, word.index + 1);
    BlockRecord& b = OpenBlock(s, s.forDepth, err::kForNestingLimit, bk::kFor, word.index);
    b.loopTop = static_cast<std::uint16_t>(s.writer.Position());
    ExpectElem(s, ekTo, err::kExpectedTo);
    CompileExpr(s, 0);
    if (PeekIs(s, ekStep)) {
        ReadElem(s);
        CompileExpr(s, 0);
    }
    if (!PeekIs(s, ekEnd)) {
        ReadElem(s);
        RaiseError(err::kExpectedStepOrEnd);
    }
}

constexpr InnerErrors kInsideFor{kWantedFamily, err::kExpectedStatementOrLoop,
                                 err::kExpectedStatementOrEndselect,
                                 err::kExpectedStatementOrEndif};

// NEXT: end, start, T(14), the variable read, the step, the variable written, the loop top; all
// taken from the FOR statement.
void CompileNext(TokenizerState& s) {
    if (s.forDepth == 0) RaiseError(err::kNextWithoutFor);
    BlockRecord& b = Innermost(s, kInsideFor, IsFor);
    const int resume = ReadPosition(s);
    const int variable = b.element + 1;
    SeekElem(s, variable);
    CompileReadVar(s, 2);
    CopyBuffer(s, 0, 1);
    SeekElem(s, variable);
    CompileTarget(s, 1);
    CopyBuffer(s, 0, 2);
    ReadElem(s);  // "="
    CompileExpr(s, 1);
    CopyBuffer(s, 0, 3);
    ReadElem(s);  // TO
    CompileExpr(s, 0);
    EmitBuffer(s, 0, true);
    EmitBuffer(s, 3, true);
    EmitToken(s.writer, token::kNext);
    EmitBuffer(s, 1, false);
    if (PeekIs(s, ekStep)) {
        ReadElem(s);
        CompileExpr(s, 1);
        EmitBuffer(s, 0, true);
    } else {
        EmitConstant(s.writer, kDefaultStep, true);
    }
    EmitBit(s.writer, false);
    EmitBuffer(s, 2, false);
    EmitBit(s.writer, false);
    s.writer.WriteAddress(b.loopTop);
    SeekElem(s, resume);
    CloseFields(s.writer, b);
    CloseBlock(s, s.forDepth);
}

// --- DO / LOOP / EXIT ---------------------------------------------------------------------------

inline constexpr std::uint8_t kDoHasCondition = 1;

// DO [WHILE condition | UNTIL condition]
void CompileDo(TokenizerState& s, const Elem& word) {
    BlockRecord& b = OpenBlock(s, s.doDepth, err::kDoNestingLimit, bk::kDo, word.index);
    b.loopTop = static_cast<std::uint16_t>(s.writer.Position());
    const Elem next = PeekElem(s);
    if (next.kind == ekWhile) {
        ReadElem(s);
        CompileConditionalPart(s, b);
        b.comparison = kDoHasCondition;
    } else if (next.kind == ekUntil) {
        ReadElem(s);
        CompileExpr(s, 0, kExprCondition);
        EmitBuffer(s, 0, true);
        EmitToken(s.writer, token::kIfJump);
        Reserve(s.writer, b.pending);
        b.comparison = kDoHasCondition;
    } else if (next.kind != ekEnd) {
        ReadElem(s);
        RaiseError(err::kExpectedWhileUntilOrEnd);
    }
}

constexpr InnerErrors kInsideDo{err::kExpectedStatementOrNext, kWantedFamily,
                                err::kExpectedStatementOrEndselect, err::kExpectedStatementOrEndif};

// LOOP [WHILE condition | UNTIL condition]   (only when DO had none)
void CompileLoop(TokenizerState& s) {
    if (s.doDepth == 0) RaiseError(err::kLoopPrecededDo);
    BlockRecord& b = Innermost(s, kInsideDo, IsDo);
    const Elem next = PeekElem(s);
    if (next.kind == ekWhile || next.kind == ekUntil) {
        ReadElem(s);
        if (b.comparison == kDoHasCondition) RaiseError(err::kDoubleLoopCondition);
        CompileExpr(s, 0, kExprCondition);
        EmitBuffer(s, 0, true);
        EmitToken(s.writer, token::kIfJump);
        if (next.kind == ekWhile) {
            s.writer.WriteAddress(b.loopTop);
        } else {
            std::int32_t done = -1;
            Reserve(s.writer, done);
            EmitToken(s.writer, token::kGoto);
            s.writer.WriteAddress(b.loopTop);
            PatchHere(s.writer, done);
        }
    } else {
        EmitToken(s.writer, token::kGoto);
        s.writer.WriteAddress(b.loopTop);
    }
    CloseFields(s.writer, b);
    CloseBlock(s, s.doDepth);
}

// EXIT   (leaves the innermost FOR or DO)
void CompileExit(TokenizerState& s) {
    for (int i = s.blockCount - 1; i >= 0; --i) {
        BlockRecord& b = s.blocks[static_cast<std::size_t>(i)];
        if (b.kind != bk::kFor && b.kind != bk::kDo) continue;
        EmitToken(s.writer, token::kGoto);
        AddExit(s.writer, b, kMaxPendingFields, err::kTooManyExits);
        return;
    }
    RaiseError(err::kExitOutsideLoop);
}

// --- SELECT / CASE / ENDSELECT
// --------------------------------------------------------------------

// SELECT expression
void CompileSelect(TokenizerState& s, const Elem& word) {
    BlockRecord& b = OpenBlock(s, s.selectDepth, err::kSelectNestingLimit, bk::kSelect, word.index);
    b.selector = static_cast<std::uint16_t>(NextLive(s, s.readIndex));
    b.comparison = op::kEqual;
    b.loopTop = kNoCase;
    CompileExpr(s, 0);
    const Elem end = ReadElem(s);
    if (end.kind != ekEnd) RaiseError(err::kExpectedEndOfStatement);
    if (!IsInstruction(PeekElem(s), instr::kCase)) {
        ReadElem(s);
        RaiseError(err::kExpectedCase);
    }
    SeekElem(s, end.index);  // the statement loop reads the end again
}

// True when code was emitted since the body of the last CASE began.
bool CaseHasBody(CodeWriter& w, const BlockRecord& b) { return w.Position() != b.loopTop; }

constexpr InnerErrors kInsideSelect{err::kExpectedStatementOrNext, err::kExpectedStatementOrLoop,
                                    kWantedFamily, err::kExpectedStatementOrEndif};

// The test of one value or range of a CASE list, into buffer 0.
void CompileCaseValue(TokenizerState& s, const BlockRecord& b) {
    const int value = NextLive(s, ReadPosition(s));
    CompileCaseTest(s, b.selector, value, b.comparison);
    if (!PeekIs(s, ekTo)) return;
    ReadElem(s);
    const int second = NextLive(s, ReadPosition(s));
    // A range: selector >= first AND selector <= second.
    CompileCaseTest(s, b.selector, value, op::kGreaterEqual);
    CopyBuffer(s, 0, 2);
    CompileCaseTest(s, b.selector, second, op::kLessEqual);
    CopyBuffer(s, 0, 3);
    CopyBuffer(s, 2, 0);
    AppendToBuffer0(s, 3, op::kAnd);
}

// CASE [comparison] value [TO value], ...
// CASE ELSE
void CompileCase(TokenizerState& s) {
    if (s.selectDepth == 0) RaiseError(err::kCasePrecededSelect);
    BlockRecord& b = Innermost(s, kInsideSelect, IsSelect);
    if (b.pending >= 0) {
        if (!CaseHasBody(s.writer, b)) RaiseError(err::kEmptyCase);
        EmitToken(s.writer, token::kGoto);
        AddExit(s.writer, b, kMaxCaseEndFields, err::kTooManyCases);
        PatchHere(s.writer, b.pending);
        b.pending = -1;
    }
    if (IsInstruction(PeekElem(s), instr::kElse)) {
        ReadElem(s);
        b.loopTop = static_cast<std::uint16_t>(s.writer.Position());
        return;
    }
    CompileCaseValue(s, b);
    CopyBuffer(s, 0, 1);
    while (PeekIs(s, ekComma)) {
        ReadElem(s);
        CompileCaseValue(s, b);
        CopyBuffer(s, 0, 2);
        CopyBuffer(s, 1, 0);
        AppendToBuffer0(s, 2, op::kOr);
        CopyBuffer(s, 0, 1);
    }
    if (!PeekIs(s, ekEnd)) {
        ReadElem(s);
        RaiseError(err::kExpectedCommaOrEnd);
    }
    CopyBuffer(s, 1, 0);
    EmitConditionalPart(s, b);
    b.loopTop = static_cast<std::uint16_t>(s.writer.Position());
}

// ENDSELECT
void CompileEndSelect(TokenizerState& s) {
    if (s.selectDepth == 0) RaiseError(err::kEndselectPrecededSelect);
    BlockRecord& b = Innermost(s, kInsideSelect, IsSelect);
    if (!CaseHasBody(s.writer, b)) RaiseError(err::kEmptyCase);
    CloseFields(s.writer, b);
    CloseBlock(s, s.selectDepth);
}

// --- GOSUB, GOTO, ON ...
// ----------------------------------------------------------------------------

// Numbers run from 1 in source order; the counting pass has made room for every one of them.
int NextGosubNumber(TokenizerState& s) {
    if (s.program.gosubNumber >= s.program.gosubCount)
        RaiseError(err::kTooManyGosubs);  // the table has no slot
    return ++s.program.gosubNumber;
}

void PatchGosubSlot(CodeWriter& w, int number) {
    w.Patch(number * kAddressBits, static_cast<unsigned>(w.Position()));
}

// GOSUB label
void CompileGosub(TokenizerState& s) {
    EmitToken(s.writer, token::kGosub);
    const int number = NextGosubNumber(s);
    EmitField(s.writer, kGosubNumberBits, static_cast<unsigned>(number));
    EmitLabelAddress(s);
    PatchGosubSlot(s.writer, number);
}

// ON index GOTO label, ...
// ON index GOSUB label, ...
void CompileOn(TokenizerState& s) {
    CompileExpr(s, 0);
    CopyBuffer(s, 0, 1);
    const Elem how = ReadElem(s);
    const bool gosub = IsInstruction(how, instr::kGosub);
    if (!gosub && !IsInstruction(how, instr::kGoto)) RaiseError(err::kExpectedGotoOrGosub);
    int number = 0;
    if (gosub) {
        EmitToken(s.writer, token::kGosub);
        number = NextGosubNumber(s);
        EmitField(s.writer, kGosubNumberBits, static_cast<unsigned>(number));
        EmitAddressHere(s.writer);
    }
    EmitBuffer(s, 1, true);
    EmitToken(s.writer, token::kBranch);
    for (;;) {
        EmitLabelAddress(s);
        if (!PeekIs(s, ekComma)) break;
        ReadElem(s);
        EmitBit(s.writer, true);
    }
    EmitBit(s.writer, false);
    if (!PeekIs(s, ekEnd)) {
        ReadElem(s);
        RaiseError(err::kExpectedCommaOrEnd);
    }
    if (gosub) {
        EmitToken(s.writer, token::kReturn);
        PatchGosubSlot(s.writer, number);
    }
}

bool CompileControl(TokenizerState& s, const Elem& word) {
    switch (word.value) {
        case instr::kIf:
            CompileIf(s, word);
            return true;
        case instr::kElseif:
            CompileElseIf(s);
            return true;
        case instr::kElse:
            CompileElse(s);
            return true;
        case instr::kEndif:
            CompileEndIf(s);
            return true;
        case instr::kFor:
            CompileFor(s, word);
            return true;
        case instr::kNext:
            CompileNext(s);
            return true;
        case instr::kDo:
            CompileDo(s, word);
            return true;
        case instr::kLoop:
            CompileLoop(s);
            return true;
        case instr::kExit:
            CompileExit(s);
            return true;
        case instr::kSelect:
            CompileSelect(s, word);
            return true;
        case instr::kCase:
            CompileCase(s);
            return true;
        case instr::kEndselect:
            CompileEndSelect(s);
            return true;
        case instr::kGosub:
            CompileGosub(s);
            return true;
        case instr::kGoto:
            EmitToken(s.writer, token::kGoto);
            EmitLabelAddress(s);
            return true;
        case instr::kReturn:
            EmitToken(s.writer, token::kReturn);
            return true;
        case instr::kEnd:
            EmitToken(s.writer, token::kEnd);
            return true;
        case instr::kOn:
            CompileOn(s);
            return true;
        default:
            return false;
    }
}

// --- the statement loop
// ---------------------------------------------------------------------------

// Closes every single-line IF still open at a line end.
void CloseSingleLineIfs(TokenizerState& s) {
    for (BlockRecord* top = TopBlock(s); top && IsSingleLineIf(*top); top = TopBlock(s)) {
        CloseFields(s.writer, *top);
        CloseBlock(s, s.ifDepth);
    }
}

// After a statement: its end, or the next part of a single-line IF.
void FinishStatement(TokenizerState& s) {
    BlockRecord* top = TopBlock(s);
    if (top && IsSingleLineIf(*top)) {
        if (top->kind == kSingleLineThen || top->kind == kSingleLineElse) {
            top->kind = top->kind == kSingleLineThen ? kSingleLineAfterThen : kSingleLineAfterElse;
            return;
        }
        if (top->kind == kSingleLineAfterThen) {
            const Elem next = PeekElem(s);
            if (IsInstruction(next, instr::kElse) || IsInstruction(next, instr::kElseif)) return;
        }
    }
    const Elem end = ReadElem(s);
    if (end.kind != ekEnd) RaiseError(err::kExpectedEndOfStatement);
    if (end.value == kEndOfLine) CloseSingleLineIfs(s);
}

void DefineLabel(TokenizerState& s) {
    s.symbols.Enter(s.currentName.name(), ekLabel, static_cast<std::uint16_t>(s.writer.Position()));
    if (Version25(s)) {
        const Elem colon = ReadElem(s);
        if (colon.kind != ekEnd || colon.value != kEndColon) RaiseError(err::kLabelMissing);
    }
}

void CompileStatement(TokenizerState& s, const Elem& first) {
    if (!s.program.anyStatement) {
        // Slot 0 of the GOSUB table: where the program starts.
        s.writer.Patch(kStartSlot, static_cast<unsigned>(s.writer.Position()));
        s.program.anyStatement = true;
    }
    TTokenizerResult& r = s.result;
    if (r.StatementCount < static_cast<std::int32_t>(kMaxStatements)) {
        r.StatementStarts[static_cast<std::size_t>(r.StatementCount++)] = {
            first.start, static_cast<std::uint16_t>(s.writer.Position())};
    }
    if (first.kind == ekInstruction) {
        if (!CompileInstruction(s, first)) RaiseError(err::kExpectedStatement);
    } else if (first.kind == ekVariable || first.kind == ekPinName) {
        CompileAssignment(s, first.index);
    } else {
        RaiseError(err::kExpectedStatement);
    }
    FinishStatement(s);
}

// The error for a block left open at the end of the program.
int UnclosedError(const BlockRecord& b) {
    if (b.kind == bk::kFor) return err::kForWithoutNext;
    if (b.kind == bk::kDo) return err::kDoWithoutLoop;
    if (b.kind == bk::kSelect) return err::kSelectWithoutEndselect;
    return err::kIfWithoutEndif;
}

}  // namespace

bool CompileInstruction(TokenizerState& s, const Elem& word) {
    const auto number = static_cast<std::uint8_t>(word.value);
    return CompileControl(s, word) || CompileSimpleInstruction(s, number) ||
           CompilePinInstruction(s, number) || CompileSerialInstruction(s, number) ||
           CompileMemoryInstruction(s, number);
}

void CountGosubs(TokenizerState& s) {
    s.program.gosubCount = 0;
    for (int i = 0; i < s.elementCount; ++i) {
        const TElement& e = s.elements[static_cast<std::size_t>(i)];
        if (e.Kind != ekInstruction || e.Value != instr::kGosub) continue;
        if (++s.program.gosubCount > kMaxGosubs)
            RaiseErrorAt(err::kTooManyGosubs, e.Start, e.Length);
    }
    s.program.gosubNumber = 0;
}

void CompileStatements(TokenizerState& s) {
    s.blockCount = 0;
    s.ifDepth = s.forDepth = s.doDepth = s.selectDepth = 0;
    s.program.anyStatement = false;
    s.result.StatementCount = 0;
    // The GOSUB table: slot 0 and one slot per GOSUB, filled as the statements are compiled.
    for (int i = 0; i <= s.program.gosubCount; ++i) s.writer.Reserve();
    s.readIndex = 0;
    for (;;) {
        TElement e;
        if (!ReadElement(s, e)) break;
        const Elem first{e.Kind, e.Value, e.Start, e.Length, s.lastRead};
        if (e.Kind == ekEnd) {
            if (e.Value == kEndOfLine) CloseSingleLineIfs(s);
            continue;
        }
        if (e.Kind == ekLabel) RaiseError(err::kLabelAlreadyDefined);
        if (e.Kind == ekUndefined) {
            DefineLabel(s);
            continue;
        }
        CompileStatement(s, first);
    }
    // A single-line IF whose last statement ends in ":" at the very end of the text never sees
    // its line end (the lister adds none behind a ":" end); the end of the text closes it, so
    // that it is neither reported as an open block nor left jumping past the closing END.
    CloseSingleLineIfs(s);
    if (s.program.anyStatement) EmitToken(s.writer, token::kEnd);
    if (Version25(s) && s.blockCount > 0) {
        const BlockRecord& b = *TopBlock(s);
        const TElement& opener = s.elements[b.element];
        RaiseErrorAt(UnclosedError(b), opener.Start, opener.Length);
    }
}

void ResolveFixups(TokenizerState& s) {
    CodeWriter& w = s.writer;
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
    s.writer.Start(s.result.ModuleKind);
    CountGosubs(s);
    CompileStatements(s);
    ResolveFixups(s);
    s.writer.BuildBlocks();
    s.result.CodeBits = s.writer.Position();
}

}  // namespace kavrin::tokenizer
