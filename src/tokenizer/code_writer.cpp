#include "tokenizer/code_writer.h"

#include <algorithm>

#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"

namespace kavrin::tokenizer {

namespace {

constexpr int kFirstModule = 2;
constexpr int kModuleCount = 5;  // KR2..KR6
constexpr int kFirstTranslatedCode = 26;
constexpr int kTranslatedCodes = 6;  // codes 26..31 differ between modules

// Rows 26..31 of the translation table; every other code is its own token.
constexpr std::uint8_t kTranslation[kTranslatedCodes][kModuleCount] = {
    {26, 29, 29, 31, 31},  // assignment
    {27, 26, 26, 26, 26},  // GET
    {28, 27, 27, 27, 27},  // PUT
    {29, 28, 28, 28, 28},  // RUN
    {30, 30, 30, 29, 29},  // MAINIO
    {31, 31, 31, 30, 30},  // AUXIO
};

constexpr unsigned kAddressLowBits = 3;
constexpr unsigned kAddressHighBits = kAddressBits - kAddressLowBits;
constexpr std::uint8_t kUseMask = 3;

}  // namespace

std::uint8_t TranslateToken(std::uint8_t module, std::uint8_t code) {
    const int row = code - kFirstTranslatedCode;
    const int column = module - kFirstModule;
    if (row < 0 || row >= kTranslatedCodes || column < 0 || column >= kModuleCount) return code;
    return kTranslation[row][column];
}

void CodeWriter::Start(std::uint8_t module) {
    module_ = module;
    position_ = 0;
    fixupCount_ = 0;
}

void CodeWriter::WriteField(int bits, unsigned value) {
    if (bits <= 0) return;
    if (bits > kMaxFieldBits || position_ + bits > kMaxCodeBits) RaiseError(err::kEepromFull);
    // Split the field into runs that stay inside one byte.
    while (bits > 0) {
        const int room = 8 - position_ % 8;
        const int run = std::min(room, bits);
        const unsigned part = (value >> (bits - run)) & ((1u << run) - 1u);
        WriteRun(run, part);
        bits -= run;
    }
}

void CodeWriter::WriteRun(int bits, unsigned value) {
    const auto address =
        static_cast<std::size_t>(kEepromSize - 1 - static_cast<std::size_t>(position_ / 8));
    std::uint8_t& use = result_.EepromUse[address];
    const std::uint8_t kind = use & kUseMask;
    if (kind == kUseReserved || kind == kUseData) {
        const DataSpan& span = dataSpans_[address];
        RaiseErrorAt(err::kDataOverlapsProgram, span.start, span.length);
    }
    const int shift = 8 - position_ % 8 - bits;
    result_.EepromImage[address] =
        static_cast<std::uint8_t>(result_.EepromImage[address] | (value << shift));
    use = static_cast<std::uint8_t>((use & ~kUseMask) | kUseCode);
    position_ += bits;
}

void CodeWriter::WriteAddress(unsigned address) {
    WriteField(kAddressLowBits, address % 8);
    WriteField(kAddressHighBits, address / 8);
}

void CodeWriter::WriteToken(std::uint8_t code) {
    WriteField(kTokenBits, TranslateToken(module_, code));
}

int CodeWriter::Reserve() {
    if (position_ + kAddressBits > kMaxCodeBits) RaiseError(err::kEepromFull);
    const int field = position_;
    position_ += kAddressBits;
    return field;
}

void CodeWriter::Patch(int field, unsigned address) {
    const int saved = position_;
    position_ = field;
    WriteAddress(address);
    position_ = saved;
}

void CodeWriter::AddFixup(std::uint16_t element, int field) {
    if (fixupCount_ >= kMaxFixups) RaiseError(err::kEepromFull);
    fixups_[static_cast<std::size_t>(fixupCount_++)] = {element, static_cast<std::uint16_t>(field)};
}

void CodeWriter::RecordData(int address, std::uint16_t start, std::uint16_t length) {
    if (address < 0 || address >= static_cast<int>(kEepromSize)) return;
    dataSpans_[static_cast<std::size_t>(address)] = {start, length};
}

void CodeWriter::ClearDataSpans() { dataSpans_.fill({}); }

void CodeWriter::BuildBlocks() {
    result_.BlockCount = 0;
    for (std::size_t row = 0; row < kEepromSize / kRowBytes; ++row) {
        const std::size_t base = row * kRowBytes;
        bool send = false;
        for (std::size_t i = 0; i < kRowBytes; ++i)
            send |= (result_.EepromUse[base + i] & kUseData) != 0;
        if (!send) continue;
        TDownloadBlock& block = result_.Blocks[result_.BlockCount++];
        block[0] = static_cast<std::uint8_t>(wire::kRowMarker + row);
        unsigned sum = block[0];
        for (std::size_t i = 0; i < kRowBytes; ++i) {
            block[1 + i] = result_.EepromImage[base + i];
            sum += block[1 + i];
            result_.EepromUse[base + i] =
                static_cast<std::uint8_t>(result_.EepromUse[base + i] | kUseSent);
        }
        block[kBlockSize - 1] = static_cast<std::uint8_t>((256u - sum % 256u) % 256u);
    }
}

}  // namespace kavrin::tokenizer
