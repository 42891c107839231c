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
void EmitLocation(unsigned k) {
    if (k == 0) {
        EmitBuffer(kLocationBuffer, true);
        return;
    }
    CopyBuffer(kLocationBuffer, 0);
    SetBufferConstant(kScratchBuffer, k);
    AppendToBuffer0(kScratchBuffer, op::kPlus);
    EmitBuffer(0, true);
}

// A WORD prefix in version 2.5; any other size word is `error`.
bool ReadWordPrefix(int error) {
    if (!Version25() || !PeekIs(ekSize)) return false;
    if (ReadElem().value != kSizeWord) RaiseError(error);
    return true;
}

bool MoreItems() {
    if (!Version25() || !PeekIs(ekComma)) return false;
    ReadElem();
    return true;
}

// GET / READ location, [WORD] variable, ...
void CompileLoad(std::uint8_t code, bool returnAddress) {
    CompileExpr(0);
    CopyBuffer(0, kLocationBuffer);
    ExpectComma();
    unsigned k = 0;
    do {
        const bool word = ReadWordPrefix(err::kExpectedVariableOrWord);
        EmitLocation(k);
        EmitToken(code);
        if (returnAddress) EmitAddressHere();
        const int variable = ReadPosition();
        if (word) {
            // Validate first, so that a modifier is refused before any code of it is written.
            CompileHighByteTarget(1);
            SeekElem(variable);
        }
        CompileTarget(1);
        EmitBuffer(0, false);
        EmitBit(false);
        ++k;
        if (word) {
            EmitLocation(k);
            EmitToken(code);
            if (returnAddress) EmitAddressHere();
            SeekElem(variable);
            CompileHighByteTarget(1);
            EmitBuffer(0, false);
            EmitBit(false);
            ++k;
        }
    } while (MoreItems());
}

// The value shifted down to its high byte, into buffer 0.
void HighByteOfValue() {
    CopyBuffer(kValueBuffer, 0);
    SetBufferConstant(kScratchBuffer, kBitsPerByte);
    AppendToBuffer0(kScratchBuffer, op::kShiftRight);
}

// PUT location, [WORD] value, ...
void CompilePut() {
    CompileExpr(0);
    CopyBuffer(0, kLocationBuffer);
    ExpectComma();
    unsigned k = 0;
    do {
        const bool word = ReadWordPrefix(err::kExpectedConstantVariableOrWord);
        CompileExpr(1);
        CopyBuffer(0, kValueBuffer);
        EmitLocation(k);
        EmitBuffer(kValueBuffer, true);
        EmitToken(token::kPut);
        ++k;
        if (word) {
            EmitLocation(k);
            HighByteOfValue();
            EmitBuffer(0, true);
            EmitToken(token::kPut);
            ++k;
        }
    } while (MoreItems());
}

// WRITE location, [WORD] value, ...
void CompileWrite() {
    CompileExpr(1);
    CopyBuffer(0, kLocationBuffer);
    ExpectComma();
    unsigned k = 0;
    do {
        const bool word = ReadWordPrefix(err::kExpectedConstantVariableOrWord);
        CompileExpr(0);
        CopyBuffer(0, kValueBuffer);
        EmitBuffer(kValueBuffer, true);
        EmitLocation(k);
        EmitToken(token::kWrite);
        EmitAddressHere();
        ++k;
        if (word) {
            HighByteOfValue();
            EmitBuffer(0, true);
            EmitLocation(k);
            EmitToken(token::kWrite);
            EmitAddressHere();
            ++k;
        }
    } while (MoreItems());
}

}  // namespace

bool CompileMemoryInstruction(std::uint8_t number) {
    switch (number) {
        case instr::kGet: CompileLoad(token::kGet, false); return true;
        case instr::kRead: CompileLoad(token::kRead, true); return true;
        case instr::kPut: CompilePut(); return true;
        case instr::kWrite: CompileWrite(); return true;
        default: return false;
    }
}

}  // namespace kavrin::tokenizer
