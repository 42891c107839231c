// DEBUG and the serial instructions, and the output and input lists they share.
//
// A list is a run of entries, each ending in a 0 bit and followed by a 1 bit when another entry
// follows or a 0 bit after the last. Some source entries expand into several list entries (the
// "?" echo sends the expression's text, " = ", the value and a carriage return), so the
// separator bits are emitted between the parts as well.

#include "tokenizer/code_writer.h"
#include "tokenizer/declarations.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/instructions.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {

namespace {

inline constexpr unsigned kDebugBaudKR2 = 84;   // KR2, KR3, KR6
inline constexpr unsigned kDebugBaudKR4 = 240;  // KR4, KR5
inline constexpr unsigned kDebugPin = 16;
inline constexpr unsigned kDecimalFormat = 438;  // DEC
inline constexpr unsigned kIndicatedFormat = 2048;
inline constexpr unsigned kFormatBaseMask = 15;
inline constexpr unsigned kDecimalBase = 6;
inline constexpr unsigned kStrCounted = 512;     // STR array without "\ n": up to a zero
inline constexpr unsigned kStrWithEnd = 512;     // STR array \ n \ eol
inline constexpr unsigned kRepeatFlag = 1024;
inline constexpr unsigned kSkipFlag = 1024;
inline constexpr unsigned kSpStrFlag = 4096;
inline constexpr unsigned kWaitStrFlag = 2048;
inline constexpr unsigned kWaitStrCounted = 2560;
inline constexpr unsigned kWaitFlag = 3140;
inline constexpr int kMaxWaitValues = 6;
inline constexpr unsigned kSpace = 32, kEquals = 61, kQuote = 34, kCarriageReturn = 13;

unsigned DebugBaud() {
    const std::uint8_t m = Module();
    return (m == 4 || m == 5) ? kDebugBaudKR4 : kDebugBaudKR2;
}

// One character of an echo, as a list entry followed by "another entry follows".
void EchoCharacter(unsigned code) {
    EmitConstant(code, false);
    EmitBit(false);
    EmitBit(true);
}

// Sends the source text of elements [first, end) as written, then " = " and maybe a quote.
void EmitEcho(int first, int end, bool quote) {
    if (end > first) {
        const Elem a = ElemAt(first);
        const Elem b = ElemAt(end - 1);
        const auto& text = State().result.SourceText;
        for (int i = a.start; i < b.start + b.length; ++i)
            EchoCharacter(static_cast<unsigned char>(text[static_cast<std::size_t>(i)]));
    }
    EchoCharacter(kSpace);
    EchoCharacter(kEquals);
    EchoCharacter(kSpace);
    if (quote) EchoCharacter(kQuote);
}

// The closing parts of an echoed entry, each a list entry of its own: [K(34) 0] K(13) 0. The
// leading bit of K is the "another entry follows" bit; the entry itself starts bare.
void EmitEchoTail(bool quote) {
    if (quote) {
        EmitConstant(kQuote, true);
        EmitBit(false);
    }
    EmitConstant(kCarriageReturn, true);
    EmitBit(false);
}

// The byte array of STR and WAITSTR; returns its byte address.
unsigned ReadByteArray() {
    const Elem e = ReadElem();
    if (e.kind != ekVariable || VariableSize(e.value) != kSizeByte)
        RaiseError(err::kExpectedByteVariable);
    return VariableAddress(e.value);
}

// Compiles an expression into buffer 1 and returns the element range it covered.
void CompileEchoedValue(int& first, int& end) {
    first = ReadPosition();
    CompileExpr(1);
    end = ReadPosition();
    CopyBuffer(0, 1);
}

// STR bytearray [\ count]   (an output entry; with echo the name is sent first)
void CompileStrOutput(bool echo) {
    const int first = ReadPosition();
    const unsigned address = ReadByteArray();
    if (echo) EmitEcho(first, first + 1, true);
    if (PeekIs(ekBackslash)) {
        ReadElem();
        CompileExpr(1);
        EmitConstant(address, false);
        EmitBuffer(0, true);
    } else {
        EmitConstant(kStrCounted + address, false);
        EmitConstant(kSpace, true);
    }
    EmitBit(false);
    if (echo) EmitEchoTail(true);
}

// An output entry: value | ? value | formatter [?] value | ASC ? value | STR bytearray [\ n] |
// REP value \ count
void CompileOutputEntry() {
    const Elem e = PeekElem();
    int first = 0, end = 0;
    switch (e.kind) {
        case ekQuestion:
            ReadElem();
            CompileEchoedValue(first, end);
            EmitEcho(first, end, false);
            EmitConstant(kDecimalFormat, false);
            EmitBuffer(1, true);
            EmitBit(false);
            EmitEchoTail(false);
            return;
        case ekFormatter: {
            ReadElem();
            unsigned format = e.value;
            if (PeekIs(ekQuestion)) {
                ReadElem();
                CompileEchoedValue(first, end);
                EmitEcho(first, end, false);
                // The indicated form keeps its flag: OR, so that IHEX is not pushed past it.
                if ((format & kFormatBaseMask) != kDecimalBase) format |= kIndicatedFormat;
                EmitConstant(format, false);
                EmitBuffer(1, true);
                EmitBit(false);
                EmitEchoTail(false);
                return;
            }
            CompileExpr(1);
            EmitConstant(format, false);
            EmitBuffer(0, true);
            EmitBit(false);
            return;
        }
        case ekAsc:
            ReadElem();
            ExpectElem(ekQuestion, err::kExpectedQuestionMark);
            CompileEchoedValue(first, end);
            EmitEcho(first, end, true);
            EmitBuffer(1, false);
            EmitBit(false);
            EmitEchoTail(true);
            return;
        case ekStr:
            ReadElem();
            if (PeekIs(ekQuestion)) {
                ReadElem();
                CompileStrOutput(true);
            } else {
                CompileStrOutput(false);
            }
            return;
        case ekRep:
            ReadElem();
            CompileExpr(0);
            EmitBuffer(0, false);
            ExpectElem(ekBackslash, err::kExpectedBackslash);
            EmitConstant(kRepeatFlag, true);
            CompileExpr(2);
            EmitBuffer(0, true);
            EmitBit(false);
            return;
        default:
            CompileExpr(1);
            EmitBuffer(0, false);
            EmitBit(false);
            return;
    }
}

// WAIT (v1, ..., vj): the values go out last first.
void CompileWait() {
    ExpectElem(ekOpenParen, err::kExpectedOpenParen);
    int starts[kMaxWaitValues] = {};
    int count = 0;
    for (;;) {
        if (count == kMaxWaitValues) RaiseError(err::kTooManyValues);
        starts[count++] = ReadPosition();
        CompileExpr(0);
        const Elem sep = ReadElem();
        if (sep.kind == ekCloseParen) break;
        if (sep.kind != ekComma) RaiseError(err::kExpectedCloseParen);
    }
    const int resume = ReadPosition();
    EmitBit(true);
    for (int i = count - 1; i >= 0; --i) {
        SeekElem(starts[i]);
        CompileExpr(0);
        EmitBuffer(0, false);
        EmitBit(true);
    }
    SeekElem(resume);
    EmitConstant(kWaitFlag, false);
    EmitConstant(static_cast<unsigned>(count), true);
    EmitBit(false);
}

// An input entry: variable | formatter variable | STR bytearray \ n [\ end] | SKIP n | SPSTR n |
// WAITSTR bytearray [\ n] | WAIT (value, ...)
void CompileInputEntry() {
    const Elem e = PeekElem();
    switch (e.kind) {
        case ekFormatter:
        case ekInputFormat:
            ReadElem();
            EmitConstant(e.value, true);
            EmitConstant(0, true);
            EmitBit(false);
            CompileTarget(1);
            EmitBuffer(0, false);
            EmitBit(false);
            return;
        case ekStr: {
            ReadElem();
            const unsigned address = ReadByteArray();
            ExpectElem(ekBackslash, err::kExpectedBackslash);
            CompileExpr(2);
            CopyBuffer(0, 1);
            bool withEnd = false;
            if (PeekIs(ekBackslash)) {
                ReadElem();
                CompileExpr(0);
                withEnd = true;
            }
            EmitBit(true);
            if (withEnd) {
                EmitBuffer(0, false);
                EmitBit(true);
            }
            EmitConstant(address + (withEnd ? kStrWithEnd : 0), false);
            EmitBuffer(1, true);
            EmitBit(false);
            return;
        }
        case ekSkip:
        case ekSpStr:
            ReadElem();
            EmitConstant(e.kind == ekSkip ? kSkipFlag : kSpStrFlag, true);
            CompileExpr(1);
            EmitBuffer(0, true);
            EmitBit(false);
            return;
        case ekWaitStr: {
            ReadElem();
            const unsigned address = ReadByteArray();
            if (PeekIs(ekBackslash)) {
                ReadElem();
                EmitConstant(kWaitStrCounted + address, true);
                CompileExpr(1);
                EmitBuffer(0, true);
            } else {
                EmitConstant(kWaitStrFlag + address, true);
                EmitConstant(kSpace, true);
            }
            EmitBit(false);
            return;
        }
        case ekWait:
            ReadElem();
            CompileWait();
            return;
        default:
            EmitBit(false);
            CompileTarget(1);
            EmitBuffer(0, false);
            EmitBit(false);
            return;
    }
}

// Entries separated by commas; a bare list (DEBUG, DEBUGIN) runs to the end of the statement, a
// bracketed one must close with "]" (122) where the commas stop.
template <typename Entry>
void CompileList(bool bracketed, Entry entry) {
    if (bracketed) ExpectOpenBracket();
    for (;;) {
        entry();
        if (!PeekIs(ekComma)) break;
        ReadElem();
        EmitBit(true);
    }
    EmitBit(false);
    if (bracketed) ExpectElem(ekCloseBracket, err::kExpectedCloseBracket);
}

// The pin and options of SEROUT and SERIN: pin [\ fpin], baudmode, into buffers 1, 2 and 3.
bool CompileSerialHead(int pinDepth) {
    CompileExpr(pinDepth, kExprPin);
    CopyBuffer(0, 1);
    bool flowPin = false;
    if (PeekIs(ekBackslash)) {
        ReadElem();
        CompileExpr(pinDepth + 1, kExprPin);
        CopyBuffer(0, 2);
        flowPin = true;
    }
    ExpectComma();
    CompileExpr(pinDepth - 1);
    CopyBuffer(0, 3);
    ExpectComma();
    return flowPin;
}

void EmitSerialHead(bool flowPin) {
    EmitBuffer(3, true);
    EmitBuffer(1, true);
    if (flowPin) EmitBuffer(2, true);
}

// B8(221) A(label) ",": a timeout or parity label.
void CompileMarkedLabel() {
    EmitField(8, kLabelMark);
    EmitLabelAddress();
    ExpectComma();
}

// SEROUT tpin [\ fpin], baudmode, [pace | timeout, tlabel,] [list]
void CompileSerout() {
    const bool flowPin = CompileSerialHead(3);
    if (!PeekIs(ekOpenBracket)) {
        CompileExpr(1);
        ExpectComma();
        if (flowPin) CompileMarkedLabel();
        EmitBuffer(0, true);
    }
    EmitSerialHead(flowPin);
    EmitToken(flowPin ? token::kSeroutFlow : token::kSerout);
    CompileOutputList(true);
}

// SERIN rpin [\ fpin], baudmode, [plabel,] [timeout, tlabel,] [list]
void CompileSerin() {
    const bool flowPin = CompileSerialHead(4);
    if (PeekIs(ekOpenBracket)) {
        EmitConstant(1, true);
    } else {
        bool timeout = true;
        if (PeekIs(ekLabel) || PeekIs(ekUndefined)) {
            CompileMarkedLabel();
            if (PeekIs(ekOpenBracket)) {
                EmitConstant(0, true);
                EmitConstant(1, true);
                timeout = false;
            }
        }
        if (timeout) {
            CompileExpr(2);
            ExpectComma();
            CompileMarkedLabel();
            EmitBuffer(0, true);
        }
    }
    EmitSerialHead(flowPin);
    EmitToken(flowPin ? token::kSerinFlow : token::kSerin);
    CompileInputList(true);
}

// I2CIN / I2COUT pin, slaveid, [address [\ lowaddress],] [list]
void CompileI2c(bool input) {
    CompileExpr(3, kExprPin);
    CopyBuffer(0, 1);
    ExpectComma();
    CompileExpr(2);
    CopyBuffer(0, 2);
    ExpectComma();
    bool lowAddress = false;
    if (!PeekIs(ekOpenBracket)) {
        CompileExpr(1);
        CopyBuffer(0, 3);
        if (PeekIs(ekBackslash)) {
            ReadElem();
            CompileExpr(0);
            EmitBuffer(0, true);
            lowAddress = true;
        }
        ExpectComma();
        EmitBuffer(3, true);
        EmitBuffer(2, true);
    } else {
        EmitBuffer(2, true);
        EmitConstant(0, true);
    }
    EmitBuffer(1, true);
    if (input) {
        EmitToken(lowAddress ? token::kI2cinLowAddress : token::kI2cin);
        CompileInputList(true);
    } else {
        EmitToken(lowAddress ? token::kI2coutLowAddress : token::kI2cout);
        CompileOutputList(true);
    }
}

// LCDIN / LCDOUT / OWIN / OWOUT pin, value, [list]
void CompilePinValueList(std::uint8_t code, bool input) {
    CompileExpr(1, kExprPin);
    CopyBuffer(0, 1);
    ExpectComma();
    CompileExpr(0);
    EmitBuffer(0, true);
    EmitBuffer(1, true);
    EmitToken(code);
    ExpectComma();
    if (input) CompileInputList(true);
    else CompileOutputList(true);
}

}  // namespace

void CompileOutputList(bool bracketed) { CompileList(bracketed, CompileOutputEntry); }
void CompileInputList(bool bracketed) { CompileList(bracketed, CompileInputEntry); }

bool CompileSerialInstruction(std::uint8_t number) {
    switch (number) {
        case instr::kDebug:
            SetDebugUsed();
            EmitConstant(DebugBaud(), true);
            EmitConstant(kDebugPin, true);
            EmitToken(token::kSerout);
            CompileOutputList(false);
            return true;
        case instr::kDebugin:
            SetDebugUsed();
            EmitConstant(1, true);
            EmitConstant(DebugBaud(), true);
            EmitConstant(kDebugPin, true);
            EmitToken(token::kSerin);
            CompileInputList(false);
            return true;
        case instr::kSerout: CompileSerout(); return true;
        case instr::kSerin: CompileSerin(); return true;
        case instr::kI2cin: CompileI2c(true); return true;
        case instr::kI2cout: CompileI2c(false); return true;
        case instr::kLcdin: CompilePinValueList(token::kLcdin, true); return true;
        case instr::kLcdout: CompilePinValueList(token::kLcdout, false); return true;
        case instr::kOwin: CompilePinValueList(token::kOwin, true); return true;
        case instr::kOwout: CompilePinValueList(token::kOwout, false); return true;
        default: return false;
    }
}

}  // namespace kavrin::tokenizer
