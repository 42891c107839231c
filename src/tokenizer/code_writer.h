#pragma once
// The code writer: the one place where object code meets the EEPROM image.
//
// A KR2..KR6 program is a single bit stream that fills the EEPROM from its last byte downwards
// while DATA grows from address 0 upwards. Stream bit p lives in byte 2047 - p/8, bit 7 - p%8:
//
//      byte 2047               byte 2046               byte 2045
//   +-------------------+   +-------------------+   +------ ...
//   | p0 p1 p2 ... p7   |   | p8 p9 ...     p15 |   | p16 ...
//   +-------------------+   +-------------------+   +------ ...
//    msb           lsb       msb           lsb
//
// Code addresses are stream bit positions, 14 bits wide, written as 3 bits of (a mod 8) and then
// 11 bits of (a div 8). Tokens are 7 bits and always start with a 0 bit; expression items in the
// stream always start with a 1 bit, which is how the target tells the two apart.

#include <array>
#include <cstdint>

#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {

inline constexpr int kMaxCodeBits = static_cast<int>(kEepromSize) * 8;  // the whole EEPROM
inline constexpr int kAddressBits = 14;
inline constexpr int kTokenBits = 7;
inline constexpr int kMaxFieldBits = 16;
inline constexpr int kMaxFixups = 1024;
inline constexpr int kRowBytes = static_cast<int>(wire::kRowSize);
inline constexpr int kTokenCodes = 64;

// Use values of EepromUse (low bits) and the mark for bytes already put into a block.
inline constexpr std::uint8_t kUseFree = 0;
inline constexpr std::uint8_t kUseReserved = 1;
inline constexpr std::uint8_t kUseData = 2;
inline constexpr std::uint8_t kUseCode = 3;
inline constexpr std::uint8_t kUseSent = 128;

// The source span of the DATA item that placed an EEPROM byte, so that code running into it
// can point at the item.
struct DataSpan {
    std::uint16_t start = 0;
    std::uint16_t length = 0;
};

// A 14-bit field that waits for a label defined later in the text.
struct Fixup {
    std::uint16_t element = 0;  // element index of the label reference
    std::uint16_t field = 0;    // code position of the reserved field
};

// Maps the compiler's instruction code to the token of the given module (2..6). Codes that are
// out of range have no token; the caller never asks for one.
std::uint8_t TranslateToken(std::uint8_t module, std::uint8_t code);

class CodeWriter {
public:
    explicit CodeWriter(TTokenizerResult& result) : result_(result) {}

    // Starts a new stream for the module (2..6); the image itself is cleared by the frame.
    void Start(std::uint8_t module);

    int Position() const { return position_; }
    void WriteField(int bits, unsigned value);
    void WriteBit(bool bit) { WriteField(1, bit ? 1u : 0u); }
    void WriteAddress(unsigned address);
    void WriteToken(std::uint8_t code);
    // Leaves a 14-bit field for an address that is known later; returns its position.
    int Reserve();
    void Patch(int field, unsigned address);

    // Queues a forward label reference; refused with 127 when the list is full, because only a
    // program that nearly fills the EEPROM with jumps can get there.
    void AddFixup(std::uint16_t element, int field);
    int FixupCount() const { return fixupCount_; }
    const Fixup& FixupAt(int i) const { return fixups_[static_cast<std::size_t>(i)]; }

    // Per-byte record of the DATA item that placed it.
    void RecordData(int address, std::uint16_t start, std::uint16_t length);
    void ClearDataSpans();

    // Cuts every row that holds code or a DATA value into a download block.
    void BuildBlocks();

private:
    void WriteRun(int bits, unsigned value);

    TTokenizerResult& result_;
    std::uint8_t module_ = 2;
    int position_ = 0;
    int fixupCount_ = 0;
    std::array<Fixup, kMaxFixups> fixups_{};
    std::array<DataSpan, kEepromSize> dataSpans_{};
};

}  // namespace kavrin::tokenizer
