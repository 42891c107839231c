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
inline constexpr unsigned kStrCounted = 512;  // STR array without "\ n": up to a zero
inline constexpr unsigned kStrWithEnd = 512;  // STR array \ n \ eol
inline constexpr unsigned kRepeatFlag = 1024;
inline constexpr unsigned kSkipFlag = 1024;
inline constexpr unsigned kSpStrFlag = 4096;
inline constexpr unsigned kWaitStrFlag = 2048;
inline constexpr unsigned kWaitStrCounted = 2560;
inline constexpr unsigned kWaitFlag = 3140;
inline constexpr int kMaxWaitValues = 6;
inline constexpr unsigned kSpace = 32, kEquals = 61, kQuote = 34, kCarriageReturn = 13;

unsigned DebugBaud(TokenizerState& s) {
    const std::uint8_t m = Module(s);
    return (m == 4 || m == 5) ? kDebugBaudKR4 : kDebugBaudKR2;
}

// One character of an echo, as a list entry followed by "another entry follows".
void EchoCharacter(CodeWriter& w, unsigned code) {
    EmitConstant(w, code, false);
    EmitBit(w, false);
    EmitBit(w, true);
}

// Sends the source text of elements [first, end) as written, then " = " and maybe a quote.
void EmitEcho(TokenizerState& s, int first, int end, bool quote) {
    if (end > first) {
        const Elem a = ElemAt(s, first);
        const Elem b = ElemAt(s, end - 1);
        const auto& text = s.result.SourceText;
        for (int i = a.start; i < b.start + b.length; ++i)
            EchoCharacter(s.writer, static_cast<unsigned char>(text[static_cast<std::size_t>(i)]));
    }
    EchoCharacter(s.writer, kSpace);
    EchoCharacter(s.writer, kEquals);
    EchoCharacter(s.writer, kSpace);
    if (quote) EchoCharacter(s.writer, kQuote);
}

// The closing parts of an echoed entry, each a list entry of its own: [K(34) 0] K(13) 0. The
// leading bit of K is the "another entry follows" bit; the entry itself starts bare.
void EmitEchoTail(CodeWriter& w, bool quote) {
    if (quote) {
        EmitConstant(w, kQuote, true);
        EmitBit(w, false);
    }
    EmitConstant(w, kCarriageReturn, true);
    EmitBit(w, false);
}

// The byte array of STR and WAITSTR; returns its byte address.
unsigned ReadByteArray(TokenizerState& s) {
    const Elem e = ReadElem(s);
    if (e.kind != ekVariable || VariableSize(e.value) != kSizeByte)
        RaiseError(err::kExpectedByteVariable);
    return VariableAddress(e.value);
}

// Compiles an expression into buffer 1 and returns the element range it covered.
void CompileEchoedValue(TokenizerState& s, int& first, int& end) {
    first = ReadPosition(s);
    CompileExpr(s, 1);
    end = ReadPosition(s);
    CopyBuffer(s, 0, 1);
}

// STR bytearray [\ count]   (an output entry; with echo the name is sent first)
void CompileStrOutput(TokenizerState& s, bool echo) {
    const int first = ReadPosition(s);
    const unsigned address = ReadByteArray(s);
    if (echo) EmitEcho(s, first, first + 1, true);
    if (PeekIs(s, ekBackslash)) {
        ReadElem(s);
        CompileExpr(s, 1);
        EmitConstant(s.writer, address, false);
        EmitBuffer(s, 0, true);
    } else {
        EmitConstant(s.writer, kStrCounted + address, false);
        EmitConstant(s.writer, kSpace, true);
    }
    EmitBit(s.writer, false);
    if (echo) EmitEchoTail(s.writer, true);
}

// An output entry: value | ? value | formatter [?] value | ASC ? value | STR bytearray [\ n] |
// REP value \ count
void CompileOutputEntry(TokenizerState& s) {
    const Elem e = PeekElem(s);
    int first = 0, end = 0;
    switch (e.kind) {
        case ekQuestion:
            ReadElem(s);
            CompileEchoedValue(s, first, end);
            EmitEcho(s, first, end, false);
            EmitConstant(s.writer, kDecimalFormat, false);
            EmitBuffer(s, 1, true);
            EmitBit(s.writer, false);
            EmitEchoTail(s.writer, false);
            return;
        case ekFormatter: {
            ReadElem(s);
            unsigned format = e.value;
            if (PeekIs(s, ekQuestion)) {
                ReadElem(s);
                CompileEchoedValue(s, first, end);
                EmitEcho(s, first, end, false);
                // The indicated form keeps its flag: OR, so that IHEX is not pushed past it.
                if ((format & kFormatBaseMask) != kDecimalBase) format |= kIndicatedFormat;
                EmitConstant(s.writer, format, false);
                EmitBuffer(s, 1, true);
                EmitBit(s.writer, false);
                EmitEchoTail(s.writer, false);
                return;
            }
            CompileExpr(s, 1);
            EmitConstant(s.writer, format, false);
            EmitBuffer(s, 0, true);
            EmitBit(s.writer, false);
            return;
        }
        case ekAsc:
            ReadElem(s);
            ExpectElem(s, ekQuestion, err::kExpectedQuestionMark);
            CompileEchoedValue(s, first, end);
            EmitEcho(s, first, end, true);
            EmitBuffer(s, 1, false);
            EmitBit(s.writer, false);
            EmitEchoTail(s.writer, true);
            return;
        case ekStr:
            ReadElem(s);
            if (PeekIs(s, ekQuestion)) {
                ReadElem(s);
                CompileStrOutput(s, true);
            } else {
                CompileStrOutput(s, false);
            }
            return;
        case ekRep:
            ReadElem(s);
            CompileExpr(s, 0);
            EmitBuffer(s, 0, false);
            ExpectElem(s, ekBackslash, err::kExpectedBackslash);
            EmitConstant(s.writer, kRepeatFlag, true);
            CompileExpr(s, 2);
            EmitBuffer(s, 0, true);
            EmitBit(s.writer, false);
            return;
        default:
            CompileExpr(s, 1);
            EmitBuffer(s, 0, false);
            EmitBit(s.writer, false);
            return;
    }
}

// WAIT (v1, ..., vj): the values go out last first.
void CompileWait(TokenizerState& s) {
    ExpectElem(s, ekOpenParen, err::kExpectedOpenParen);
    int starts[kMaxWaitValues] = {};
    int count = 0;
    for (;;) {
        if (count == kMaxWaitValues) RaiseError(err::kTooManyValues);
        starts[count++] = ReadPosition(s);
        CompileExpr(s, 0);
        const Elem sep = ReadElem(s);
        if (sep.kind == ekCloseParen) break;
        if (sep.kind != ekComma) RaiseError(err::kExpectedCloseParen);
    }
    const int resume = ReadPosition(s);
    EmitBit(s.writer, true);
    for (int i = count - 1; i >= 0; --i) {
        SeekElem(s, starts[i]);
        CompileExpr(s, 0);
        EmitBuffer(s, 0, false);
        EmitBit(s.writer, true);
    }
    SeekElem(s, resume);
    EmitConstant(s.writer, kWaitFlag, false);
    EmitConstant(s.writer, static_cast<unsigned>(count), true);
    EmitBit(s.writer, false);
}

// An input entry: variable | formatter variable | STR bytearray \ n [\ end] | SKIP n | SPSTR n |
// WAITSTR bytearray [\ n] | WAIT (value, ...)
void CompileInputEntry(TokenizerState& s) {
    const Elem e = PeekElem(s);
    switch (e.kind) {
        case ekFormatter:
        case ekInputFormat:
            ReadElem(s);
            EmitConstant(s.writer, e.value, true);
            EmitConstant(s.writer, 0, true);
            EmitBit(s.writer, false);
            CompileTarget(s, 1);
            EmitBuffer(s, 0, false);
            EmitBit(s.writer, false);
            return;
        case ekStr: {
            ReadElem(s);
            const unsigned address = ReadByteArray(s);
            ExpectElem(s, ekBackslash, err::kExpectedBackslash);
            CompileExpr(s, 2);
            CopyBuffer(s, 0, 1);
            bool withEnd = false;
            if (PeekIs(s, ekBackslash)) {
                ReadElem(s);
                CompileExpr(s, 0);
                withEnd = true;
            }
            EmitBit(s.writer, true);
            if (withEnd) {
                EmitBuffer(s, 0, false);
                EmitBit(s.writer, true);
            }
            EmitConstant(s.writer, address + (withEnd ? kStrWithEnd : 0), false);
            EmitBuffer(s, 1, true);
            EmitBit(s.writer, false);
            return;
        }
        case ekSkip:
        case ekSpStr:
            ReadElem(s);
            EmitConstant(s.writer, e.kind == ekSkip ? kSkipFlag : kSpStrFlag, true);
            CompileExpr(s, 1);
            EmitBuffer(s, 0, true);
            EmitBit(s.writer, false);
            return;
        case ekWaitStr: {
            ReadElem(s);
            const unsigned address = ReadByteArray(s);
            if (PeekIs(s, ekBackslash)) {
                ReadElem(s);
                EmitConstant(s.writer, kWaitStrCounted + address, true);
                CompileExpr(s, 1);
                EmitBuffer(s, 0, true);
            } else {
                EmitConstant(s.writer, kWaitStrFlag + address, true);
                EmitConstant(s.writer, kSpace, true);
            }
            EmitBit(s.writer, false);
            return;
        }
        case ekWait:
            ReadElem(s);
            CompileWait(s);
            return;
        default:
            EmitBit(s.writer, false);
            CompileTarget(s, 1);
            EmitBuffer(s, 0, false);
            EmitBit(s.writer, false);
            return;
    }
}

// Entries separated by commas; a bare list (DEBUG, DEBUGIN) runs to the end of the statement, a
// bracketed one must close with "]" (122) where the commas stop.
template <typename Entry>
void CompileList(TokenizerState& s, bool bracketed, Entry entry) {
    if (bracketed) ExpectOpenBracket(s);
    for (;;) {
        entry(s);
        if (!PeekIs(s, ekComma)) break;
        ReadElem(s);
        EmitBit(s.writer, true);
    }
    EmitBit(s.writer, false);
    if (bracketed) ExpectElem(s, ekCloseBracket, err::kExpectedCloseBracket);
}

// The pin and options of SEROUT and SERIN: pin [\ fpin], baudmode, into buffers 1, 2 and 3.
bool CompileSerialHead(TokenizerState& s, int pinDepth) {
    CompileExpr(s, pinDepth, kExprPin);
    CopyBuffer(s, 0, 1);
    bool flowPin = false;
    if (PeekIs(s, ekBackslash)) {
        ReadElem(s);
        CompileExpr(s, pinDepth + 1, kExprPin);
        CopyBuffer(s, 0, 2);
        flowPin = true;
    }
    ExpectComma(s);
    CompileExpr(s, pinDepth - 1);
    CopyBuffer(s, 0, 3);
    ExpectComma(s);
    return flowPin;
}

void EmitSerialHead(TokenizerState& s, bool flowPin) {
    EmitBuffer(s, 3, true);
    EmitBuffer(s, 1, true);
    if (flowPin) EmitBuffer(s, 2, true);
}

// B8(221) A(label) ",": a timeout or parity label.
void CompileMarkedLabel(TokenizerState& s) {
    EmitField(s.writer, 8, kLabelMark);
    EmitLabelAddress(s);
    ExpectComma(s);
}

// SEROUT tpin [\ fpin], baudmode, [pace | timeout, tlabel,] [list]
void CompileSerout(TokenizerState& s) {
    const bool flowPin = CompileSerialHead(s, 3);
    if (!PeekIs(s, ekOpenBracket)) {
        CompileExpr(s, 1);
        ExpectComma(s);
        if (flowPin) CompileMarkedLabel(s);
        EmitBuffer(s, 0, true);
    }
    EmitSerialHead(s, flowPin);
    EmitToken(s.writer, flowPin ? token::kSeroutFlow : token::kSerout);
    CompileOutputList(s, true);
}

// SERIN rpin [\ fpin], baudmode, [plabel,] [timeout, tlabel,] [list]
void CompileSerin(TokenizerState& s) {
    const bool flowPin = CompileSerialHead(s, 4);
    if (PeekIs(s, ekOpenBracket)) {
        EmitConstant(s.writer, 1, true);
    } else {
        bool timeout = true;
        if (PeekIs(s, ekLabel) || PeekIs(s, ekUndefined)) {
            CompileMarkedLabel(s);
            if (PeekIs(s, ekOpenBracket)) {
                EmitConstant(s.writer, 0, true);
                EmitConstant(s.writer, 1, true);
                timeout = false;
            }
        }
        if (timeout) {
            CompileExpr(s, 2);
            ExpectComma(s);
            CompileMarkedLabel(s);
            EmitBuffer(s, 0, true);
        }
    }
    EmitSerialHead(s, flowPin);
    EmitToken(s.writer, flowPin ? token::kSerinFlow : token::kSerin);
    CompileInputList(s, true);
}

// I2CIN / I2COUT pin, slaveid, [address [\ lowaddress],] [list]
void CompileI2c(TokenizerState& s, bool input) {
    CompileExpr(s, 3, kExprPin);
    CopyBuffer(s, 0, 1);
    ExpectComma(s);
    CompileExpr(s, 2);
    CopyBuffer(s, 0, 2);
    ExpectComma(s);
    bool lowAddress = false;
    if (!PeekIs(s, ekOpenBracket)) {
        CompileExpr(s, 1);
        CopyBuffer(s, 0, 3);
        if (PeekIs(s, ekBackslash)) {
            ReadElem(s);
            CompileExpr(s, 0);
            EmitBuffer(s, 0, true);
            lowAddress = true;
        }
        ExpectComma(s);
        EmitBuffer(s, 3, true);
        EmitBuffer(s, 2, true);
    } else {
        EmitBuffer(s, 2, true);
        EmitConstant(s.writer, 0, true);
    }
    EmitBuffer(s, 1, true);
    if (input) {
        EmitToken(s.writer, lowAddress ? token::kI2cinLowAddress : token::kI2cin);
        CompileInputList(s, true);
    } else {
        EmitToken(s.writer, lowAddress ? token::kI2coutLowAddress : token::kI2cout);
        CompileOutputList(s, true);
    }
}

// LCDIN / LCDOUT / OWIN / OWOUT pin, value, [list]
void CompilePinValueList(TokenizerState& s, std::uint8_t code, bool input) {
    CompileExpr(s, 1, kExprPin);
    CopyBuffer(s, 0, 1);
    ExpectComma(s);
    CompileExpr(s, 0);
    EmitBuffer(s, 0, true);
    EmitBuffer(s, 1, true);
    EmitToken(s.writer, code);
    ExpectComma(s);
    if (input)
        CompileInputList(s, true);
    else
        CompileOutputList(s, true);
}

}  // namespace

void CompileOutputList(TokenizerState& s, bool bracketed) {
    CompileList(s, bracketed, CompileOutputEntry);
}
void CompileInputList(TokenizerState& s, bool bracketed) {
    CompileList(s, bracketed, CompileInputEntry);
}

bool CompileSerialInstruction(TokenizerState& s, std::uint8_t number) {
    switch (number) {
        case instr::kDebug:
            SetDebugUsed(s);
            EmitConstant(s.writer, DebugBaud(s), true);
            EmitConstant(s.writer, kDebugPin, true);
            EmitToken(s.writer, token::kSerout);
            CompileOutputList(s, false);
            return true;
        case instr::kDebugin:
            SetDebugUsed(s);
            EmitConstant(s.writer, 1, true);
            EmitConstant(s.writer, DebugBaud(s), true);
            EmitConstant(s.writer, kDebugPin, true);
            EmitToken(s.writer, token::kSerin);
            CompileInputList(s, false);
            return true;
        case instr::kSerout:
            CompileSerout(s);
            return true;
        case instr::kSerin:
            CompileSerin(s);
            return true;
        case instr::kI2cin:
            CompileI2c(s, true);
            return true;
        case instr::kI2cout:
            CompileI2c(s, false);
            return true;
        case instr::kLcdin:
            CompilePinValueList(s, token::kLcdin, true);
            return true;
        case instr::kLcdout:
            CompilePinValueList(s, token::kLcdout, false);
            return true;
        case instr::kOwin:
            CompilePinValueList(s, token::kOwin, true);
            return true;
        case instr::kOwout:
            CompilePinValueList(s, token::kOwout, false);
            return true;
        default:
            return false;
    }
}

}  // namespace kavrin::tokenizer
