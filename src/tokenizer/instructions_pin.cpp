// The pin and table instructions whose layouts do not fit the simple table: an optional
// argument that changes the token, arguments evaluated in an order far from the source order,
// and bracketed lists of labels, values or entries.

#include "tokenizer/code_writer.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/instructions.h"

namespace kavrin::tokenizer {

namespace {

inline constexpr unsigned kDefaultShiftBits = 8;
inline constexpr unsigned kDtmfDefaultOffTime = 50;
inline constexpr unsigned kDtmfDefaultOnTime = 200;
inline constexpr unsigned kXoutHouseFactor = 16;
inline constexpr unsigned kXoutDefaultCycles = 2;
inline constexpr std::uint8_t kLookdownDefault = op::kEqual;

// FREQOUT pin, duration, freq1 [, freq2]
void CompileFreqout(TokenizerState& s) {
    CompileExpr(s, 0, kExprPin);
    EmitBuffer(s, 0, true);
    ExpectComma(s);
    CompileExpr(s, 1);
    EmitBuffer(s, 0, true);
    ExpectComma(s);
    CompileExpr(s, 2);
    EmitBuffer(s, 0, true);
    bool second = false;
    if (PeekIs(s, ekComma)) {
        ReadElem(s);
        CompileExpr(s, 3);
        EmitBuffer(s, 0, true);
        second = true;
    }
    EmitToken(s.writer, second ? token::kFreqout2 : token::kFreqout1);
}

// BUTTON pin, downstate, delay, rate, workspace, targetstate, label
void CompileButton(TokenizerState& s) {
    CompileExpr(s, 5, kExprPin);
    CopyBuffer(s, 0, 1);
    for (int depth = 0; depth < 3; ++depth) {
        ExpectComma(s);
        CompileExpr(s, depth);
        EmitBuffer(s, 0, true);
    }
    ExpectComma(s);
    const int workspace = ReadPosition(s);
    CompileReadVar(s, 4);
    CopyBuffer(s, 0, 2);
    SeekElem(s, workspace);
    CompileTarget(s, 1);
    CopyBuffer(s, 0, 3);
    ExpectComma(s);
    CompileExpr(s, 3);
    EmitBuffer(s, 0, true);
    EmitBuffer(s, 2, true);
    EmitBuffer(s, 1, true);
    EmitToken(s.writer, token::kButton);
    EmitBuffer(s, 3, false);
    EmitBit(s.writer, false);
    ExpectComma(s);
    EmitLabelAddress(s);
}

// BRANCH index, [label, ...]
void CompileBranch(TokenizerState& s) {
    CompileExpr(s, 0);
    EmitBuffer(s, 0, true);
    EmitToken(s.writer, token::kBranch);
    ExpectComma(s);
    ExpectOpenBracket(s);
    do EmitLabelAddress(s);
    while (NextListEntry(s));
}

// The values of LOOKUP and LOOKDOWN and the tones of DTMFOUT: e(value) 0 each.
void CompileValueList(TokenizerState& s, int depth) {
    ExpectOpenBracket(s);
    do {
        CompileExpr(s, depth);
        EmitBuffer(s, 0, false);
        EmitBit(s.writer, false);
    } while (NextListEntry(s));
}

void CompileTrailingTarget(TokenizerState& s) {
    ExpectComma(s);
    CompileTarget(s, 1);
    EmitBuffer(s, 0, false);
    EmitBit(s.writer, false);
}

// LOOKUP index, [value, ...], variable
void CompileLookup(TokenizerState& s) {
    CompileExpr(s, 0);
    EmitBuffer(s, 0, true);
    EmitToken(s.writer, token::kLookup);
    ExpectComma(s);
    CompileValueList(s, 2);
    CompileTrailingTarget(s);
}

// LOOKDOWN target, [comparison] [value, ...], variable
void CompileLookdown(TokenizerState& s) {
    CompileExpr(s, 0);
    EmitBuffer(s, 0, true);
    EmitToken(s.writer, token::kLookdown);
    ExpectComma(s);
    std::uint8_t comparison = kLookdownDefault;
    if (PeekIs(s, ekComparison))
        comparison = static_cast<std::uint8_t>(ReadElem(s).value);
    else if (!PeekIs(s, ekOpenBracket)) {
        ReadElem(s);
        RaiseError(err::kExpectedComparisonOperator);
    }
    EmitField(s.writer, 3, comparison % 8u);
    CompileValueList(s, 3);
    CompileTrailingTarget(s);
}

// DTMFOUT pin, [ontime, offtime,] [tone, ...]
void CompileDtmfout(TokenizerState& s) {
    CompileExpr(s, 0, kExprPin);
    EmitBuffer(s, 0, true);
    ExpectComma(s);
    if (PeekIs(s, ekOpenBracket)) {
        EmitConstant(s.writer, kDtmfDefaultOffTime, true);
        EmitConstant(s.writer, kDtmfDefaultOnTime, true);
    } else {
        CompileExpr(s, 2);
        CopyBuffer(s, 0, 1);
        ExpectComma(s);
        CompileExpr(s, 1);
        EmitBuffer(s, 0, true);
        EmitBuffer(s, 1, true);
        ExpectComma(s);
    }
    EmitToken(s.writer, token::kDtmfout);
    CompileValueList(s, 3);
}

// XOUT mpin, zpin, [house \ command [\ cycles], ...]
void CompileXout(TokenizerState& s) {
    CompileExpr(s, 0, kExprPin);
    EmitBuffer(s, 0, true);
    ExpectComma(s);
    CompileExpr(s, 1, kExprPin);
    EmitBuffer(s, 0, true);
    EmitToken(s.writer, token::kXout);
    ExpectComma(s);
    ExpectOpenBracket(s);
    do {
        CompileExpr(s, 2);
        EmitBuffer(s, 0, false);
        EmitConstant(s.writer, kXoutHouseFactor, true);
        EmitOperator(s.writer, op::kModulo);
        ExpectElem(s, ekBackslash, err::kExpectedBackslash);
        CompileExpr(s, 3);
        EmitBuffer(s, 0, true);
        EmitConstant(s.writer, kXoutHouseFactor, true);
        EmitOperator(s.writer, op::kTimes);
        EmitOperator(s.writer, op::kPlus);
        if (PeekIs(s, ekBackslash)) {
            ReadElem(s);
            CompileExpr(s, 3);
            EmitBuffer(s, 0, true);
        } else {
            EmitConstant(s.writer, kXoutDefaultCycles, true);
        }
        EmitOperator(s.writer, op::kInvert);
        EmitBit(s.writer, false);
    } while (NextListEntry(s));
}

// The head shared by SHIFTOUT and SHIFTIN: dpin, cpin, mode, then the token.
void CompileShiftHead(TokenizerState& s, std::uint8_t code) {
    CompileExpr(s, 1, kExprPin);
    CopyBuffer(s, 0, 1);
    ExpectComma(s);
    CompileExpr(s, 2, kExprPin);
    CopyBuffer(s, 0, 2);
    ExpectComma(s);
    CompileExpr(s, 0);
    EmitBuffer(s, 0, true);
    EmitBuffer(s, 1, true);
    EmitBuffer(s, 2, true);
    EmitToken(s.writer, code);
    ExpectComma(s);
    ExpectOpenBracket(s);
}

// The optional "\ bits" of a shift entry: e(bits), or k(8) without it.
void CompileShiftBits(TokenizerState& s) {
    if (PeekIs(s, ekBackslash)) {
        ReadElem(s);
        CompileExpr(s, 3);
        EmitBuffer(s, 0, false);
    } else {
        EmitConstant(s.writer, kDefaultShiftBits, false);
    }
}

// SHIFTOUT dpin, cpin, mode, [value [\ bits], ...]
void CompileShiftout(TokenizerState& s) {
    CompileShiftHead(s, token::kShiftout);
    do {
        CompileExpr(s, 4);
        CopyBuffer(s, 0, 1);
        CompileShiftBits(s);
        EmitBuffer(s, 1, true);
        EmitBit(s.writer, false);
    } while (NextListEntry(s));
}

// SHIFTIN dpin, cpin, mode, [variable [\ bits], ...]
void CompileShiftin(TokenizerState& s) {
    CompileShiftHead(s, token::kShiftin);
    do {
        CompileTarget(s, 5);
        CopyBuffer(s, 0, 1);
        CompileShiftBits(s);
        EmitConstant(s.writer, 0, true);
        EmitBit(s.writer, false);
        EmitBuffer(s, 1, false);
        EmitBit(s.writer, false);
    } while (NextListEntry(s));
}

}  // namespace

void ExpectOpenBracket(TokenizerState& s) {
    ExpectElem(s, ekOpenBracket, err::kExpectedOpenBracket);
}

bool NextListEntry(TokenizerState& s) {
    const Elem e = ReadElem(s);
    if (e.kind == ekComma) {
        EmitBit(s.writer, true);
        return true;
    }
    if (e.kind == ekCloseBracket) {
        EmitBit(s.writer, false);
        return false;
    }
    RaiseError(err::kExpectedCommaOrCloseBracket);
}

bool CompilePinInstruction(TokenizerState& s, std::uint8_t number) {
    switch (number) {
        case instr::kFreqout:
            CompileFreqout(s);
            return true;
        case instr::kButton:
            CompileButton(s);
            return true;
        case instr::kBranch:
            CompileBranch(s);
            return true;
        case instr::kLookup:
            CompileLookup(s);
            return true;
        case instr::kLookdown:
            CompileLookdown(s);
            return true;
        case instr::kDtmfout:
            CompileDtmfout(s);
            return true;
        case instr::kXout:
            CompileXout(s);
            return true;
        case instr::kShiftout:
            CompileShiftout(s);
            return true;
        case instr::kShiftin:
            CompileShiftin(s);
            return true;
        default:
            return false;
    }
}

}  // namespace kavrin::tokenizer
