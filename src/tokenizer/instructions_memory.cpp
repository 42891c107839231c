// GET, PUT, READ and WRITE: the scratch-pad and EEPROM transfers. Each variable or value moves
// one byte; in version 2.5 a list may follow and a WORD prefix moves two bytes, low byte first,
// at consecutive locations (location + k, k counting the bytes moved so far).

#include "tokenizer/code_writer.h"
#include "tokenizer/declarations.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/instructions.h"

namespace kavrin::tokenizer {

namespace {

inline constexpr unsigned kBitsPerByte = 8;
inline constexpr int kLocationBuffer = 1, kValueBuffer = 2, kScratchBuffer = 3;

// E(location + k) from the location kept in buffer 1; the first location goes out as written.
void EmitLocation(TokenizerState& s, unsigned k) {
    if (k == 0) {
        EmitBuffer(s, kLocationBuffer, true);
        return;
    }
    CopyBuffer(s, kLocationBuffer, 0);
    SetBufferConstant(s, kScratchBuffer, k);
    AppendToBuffer0(s, kScratchBuffer, op::kPlus);
    EmitBuffer(s, 0, true);
}

// A WORD prefix in version 2.5; any other size word is `error`.
bool ReadWordPrefix(TokenizerState& s, int error) {
    if (!Version25(s) || !PeekIs(s, ekSize)) return false;
    if (ReadElem(s).value != kSizeWord) RaiseError(error);
    return true;
}

bool MoreItems(TokenizerState& s) {
    if (!Version25(s) || !PeekIs(s, ekComma)) return false;
    ReadElem(s);
    return true;
}

// GET / READ location, [WORD] variable, ...
void CompileLoad(TokenizerState& s, std::uint8_t code, bool returnAddress) {
    CompileExpr(s, 0);
    CopyBuffer(s, 0, kLocationBuffer);
    ExpectComma(s);
    unsigned k = 0;
    do {
        const bool word = ReadWordPrefix(s, err::kExpectedVariableOrWord);
        EmitLocation(s, k);
        EmitToken(s.writer, code);
        if (returnAddress) EmitAddressHere(s.writer);
        const int variable = ReadPosition(s);
        if (word) {
            // Validate first, so that a modifier is refused before any code of it is written.
            CompileHighByteTarget(s, 1);
            SeekElem(s, variable);
        }
        CompileTarget(s, 1);
        EmitBuffer(s, 0, false);
        EmitBit(s.writer, false);
        ++k;
        if (word) {
            EmitLocation(s, k);
            EmitToken(s.writer, code);
            if (returnAddress) EmitAddressHere(s.writer);
            SeekElem(s, variable);
            CompileHighByteTarget(s, 1);
            EmitBuffer(s, 0, false);
            EmitBit(s.writer, false);
            ++k;
        }
    } while (MoreItems(s));
}

// The value shifted down to its high byte, into buffer 0.
void HighByteOfValue(TokenizerState& s) {
    CopyBuffer(s, kValueBuffer, 0);
    SetBufferConstant(s, kScratchBuffer, kBitsPerByte);
    AppendToBuffer0(s, kScratchBuffer, op::kShiftRight);
}

// PUT location, [WORD] value, ...
void CompilePut(TokenizerState& s) {
    CompileExpr(s, 0);
    CopyBuffer(s, 0, kLocationBuffer);
    ExpectComma(s);
    unsigned k = 0;
    do {
        const bool word = ReadWordPrefix(s, err::kExpectedConstantVariableOrWord);
        CompileExpr(s, 1);
        CopyBuffer(s, 0, kValueBuffer);
        EmitLocation(s, k);
        EmitBuffer(s, kValueBuffer, true);
        EmitToken(s.writer, token::kPut);
        ++k;
        if (word) {
            EmitLocation(s, k);
            HighByteOfValue(s);
            EmitBuffer(s, 0, true);
            EmitToken(s.writer, token::kPut);
            ++k;
        }
    } while (MoreItems(s));
}

// WRITE location, [WORD] value, ...
void CompileWrite(TokenizerState& s) {
    CompileExpr(s, 1);
    CopyBuffer(s, 0, kLocationBuffer);
    ExpectComma(s);
    unsigned k = 0;
    do {
        const bool word = ReadWordPrefix(s, err::kExpectedConstantVariableOrWord);
        CompileExpr(s, 0);
        CopyBuffer(s, 0, kValueBuffer);
        EmitBuffer(s, kValueBuffer, true);
        EmitLocation(s, k);
        EmitToken(s.writer, token::kWrite);
        EmitAddressHere(s.writer);
        ++k;
        if (word) {
            HighByteOfValue(s);
            EmitBuffer(s, 0, true);
            EmitLocation(s, k);
            EmitToken(s.writer, token::kWrite);
            EmitAddressHere(s.writer);
            ++k;
        }
    } while (MoreItems(s));
}

}  // namespace

bool CompileMemoryInstruction(TokenizerState& s, std::uint8_t number) {
    switch (number) {
        case instr::kGet:
            CompileLoad(s, token::kGet, false);
            return true;
        case instr::kRead:
            CompileLoad(s, token::kRead, true);
            return true;
        case instr::kPut:
            CompilePut(s);
            return true;
        case instr::kWrite:
            CompileWrite(s);
            return true;
        default:
            return false;
    }
}

}  // namespace kavrin::tokenizer
