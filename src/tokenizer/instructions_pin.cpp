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
void CompileFreqout() {
    CompileExpr(0, kExprPin);
    EmitBuffer(0, true);
    ExpectComma();
    CompileExpr(1);
    EmitBuffer(0, true);
    ExpectComma();
    CompileExpr(2);
    EmitBuffer(0, true);
    bool second = false;
    if (PeekIs(ekComma)) {
        ReadElem();
        CompileExpr(3);
        EmitBuffer(0, true);
        second = true;
    }
    EmitToken(second ? token::kFreqout2 : token::kFreqout1);
}

// BUTTON pin, downstate, delay, rate, workspace, targetstate, label
void CompileButton() {
    CompileExpr(5, kExprPin);
    CopyBuffer(0, 1);
    for (int depth = 0; depth < 3; ++depth) {
        ExpectComma();
        CompileExpr(depth);
        EmitBuffer(0, true);
    }
    ExpectComma();
    const int workspace = ReadPosition();
    CompileReadVar(4);
    CopyBuffer(0, 2);
    SeekElem(workspace);
    CompileTarget(1);
    CopyBuffer(0, 3);
    ExpectComma();
    CompileExpr(3);
    EmitBuffer(0, true);
    EmitBuffer(2, true);
    EmitBuffer(1, true);
    EmitToken(token::kButton);
    EmitBuffer(3, false);
    EmitBit(false);
    ExpectComma();
    EmitLabelAddress();
}

// BRANCH index, [label, ...]
void CompileBranch() {
    CompileExpr(0);
    EmitBuffer(0, true);
    EmitToken(token::kBranch);
    ExpectComma();
    ExpectOpenBracket();
    do EmitLabelAddress();
    while (NextListEntry());
}

// The values of LOOKUP and LOOKDOWN and the tones of DTMFOUT: e(value) 0 each.
void CompileValueList(int depth) {
    ExpectOpenBracket();
    do {
        CompileExpr(depth);
        EmitBuffer(0, false);
        EmitBit(false);
    } while (NextListEntry());
}

void CompileTrailingTarget() {
    ExpectComma();
    CompileTarget(1);
    EmitBuffer(0, false);
    EmitBit(false);
}

// LOOKUP index, [value, ...], variable
void CompileLookup() {
    CompileExpr(0);
    EmitBuffer(0, true);
    EmitToken(token::kLookup);
    ExpectComma();
    CompileValueList(2);
    CompileTrailingTarget();
}

// LOOKDOWN target, [comparison] [value, ...], variable
void CompileLookdown() {
    CompileExpr(0);
    EmitBuffer(0, true);
    EmitToken(token::kLookdown);
    ExpectComma();
    std::uint8_t comparison = kLookdownDefault;
    if (PeekIs(ekComparison)) comparison = static_cast<std::uint8_t>(ReadElem().value);
    else if (!PeekIs(ekOpenBracket)) {
        ReadElem();
        RaiseError(err::kExpectedComparisonOperator);
    }
    EmitField(3, comparison % 8u);
    CompileValueList(3);
    CompileTrailingTarget();
}

// DTMFOUT pin, [ontime, offtime,] [tone, ...]
void CompileDtmfout() {
    CompileExpr(0, kExprPin);
    EmitBuffer(0, true);
    ExpectComma();
    if (PeekIs(ekOpenBracket)) {
        EmitConstant(kDtmfDefaultOffTime, true);
        EmitConstant(kDtmfDefaultOnTime, true);
    } else {
        CompileExpr(2);
        CopyBuffer(0, 1);
        ExpectComma();
        CompileExpr(1);
        EmitBuffer(0, true);
        EmitBuffer(1, true);
        ExpectComma();
    }
    EmitToken(token::kDtmfout);
    CompileValueList(3);
}

// XOUT mpin, zpin, [house \ command [\ cycles], ...]
void CompileXout() {
    CompileExpr(0, kExprPin);
    EmitBuffer(0, true);
    ExpectComma();
    CompileExpr(1, kExprPin);
    EmitBuffer(0, true);
    EmitToken(token::kXout);
    ExpectComma();
    ExpectOpenBracket();
    do {
        CompileExpr(2);
        EmitBuffer(0, false);
        EmitConstant(kXoutHouseFactor, true);
        EmitOperator(op::kModulo);
        ExpectElem(ekBackslash, err::kExpectedBackslash);
        CompileExpr(3);
        EmitBuffer(0, true);
        EmitConstant(kXoutHouseFactor, true);
        EmitOperator(op::kTimes);
        EmitOperator(op::kPlus);
        if (PeekIs(ekBackslash)) {
            ReadElem();
            CompileExpr(3);
            EmitBuffer(0, true);
        } else {
            EmitConstant(kXoutDefaultCycles, true);
        }
        EmitOperator(op::kInvert);
        EmitBit(false);
    } while (NextListEntry());
}

// The head shared by SHIFTOUT and SHIFTIN: dpin, cpin, mode, then the token.
void CompileShiftHead(std::uint8_t code) {
    CompileExpr(1, kExprPin);
    CopyBuffer(0, 1);
    ExpectComma();
    CompileExpr(2, kExprPin);
    CopyBuffer(0, 2);
    ExpectComma();
    CompileExpr(0);
    EmitBuffer(0, true);
    EmitBuffer(1, true);
    EmitBuffer(2, true);
    EmitToken(code);
    ExpectComma();
    ExpectOpenBracket();
}

// The optional "\ bits" of a shift entry: e(bits), or k(8) without it.
void CompileShiftBits() {
    if (PeekIs(ekBackslash)) {
        ReadElem();
        CompileExpr(3);
        EmitBuffer(0, false);
    } else {
        EmitConstant(kDefaultShiftBits, false);
    }
}

// SHIFTOUT dpin, cpin, mode, [value [\ bits], ...]
void CompileShiftout() {
    CompileShiftHead(token::kShiftout);
    do {
        CompileExpr(4);
        CopyBuffer(0, 1);
        CompileShiftBits();
        EmitBuffer(1, true);
        EmitBit(false);
    } while (NextListEntry());
}

// SHIFTIN dpin, cpin, mode, [variable [\ bits], ...]
void CompileShiftin() {
    CompileShiftHead(token::kShiftin);
    do {
        CompileTarget(5);
        CopyBuffer(0, 1);
        CompileShiftBits();
        EmitConstant(0, true);
        EmitBit(false);
        EmitBuffer(1, false);
        EmitBit(false);
    } while (NextListEntry());
}

}  // namespace

void ExpectOpenBracket() { ExpectElem(ekOpenBracket, err::kExpectedOpenBracket); }

bool NextListEntry() {
    const Elem e = ReadElem();
    if (e.kind == ekComma) {
        EmitBit(true);
        return true;
    }
    if (e.kind == ekCloseBracket) {
        EmitBit(false);
        return false;
    }
    RaiseError(err::kExpectedCommaOrCloseBracket);
}

bool CompilePinInstruction(std::uint8_t number) {
    switch (number) {
        case instr::kFreqout: CompileFreqout(); return true;
        case instr::kButton: CompileButton(); return true;
        case instr::kBranch: CompileBranch(); return true;
        case instr::kLookup: CompileLookup(); return true;
        case instr::kLookdown: CompileLookdown(); return true;
        case instr::kDtmfout: CompileDtmfout(); return true;
        case instr::kXout: CompileXout(); return true;
        case instr::kShiftout: CompileShiftout(); return true;
        case instr::kShiftin: CompileShiftin(); return true;
        default: return false;
    }
}

}  // namespace kavrin::tokenizer
