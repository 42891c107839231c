#pragma once
// The wire format between the computer and a KR2 module, and the limits of the source text that
// produces it. The tokenizer builds blocks of this shape, the link sends them, the virtual
// module takes them, and the program text stays within the source limit: every one of them
// reads the sizes from here, so they cannot drift apart.
//
// A download block is one EEPROM row: a row byte (kRowMarker + row number), the row's data
// bytes, then a checksum that makes the sum of all bytes 0 modulo 256. Each block is echoed and
// answered with one acknowledgement byte.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kavrin::wire {

inline constexpr std::size_t kEepromSize = 2048;
inline constexpr std::size_t kRowSize = 16;  // data bytes per row and block
inline constexpr std::size_t kRowCount = kEepromSize / kRowSize;
inline constexpr std::size_t kBlockSize = 1 + kRowSize + 1;  // row byte, data, checksum
inline constexpr std::size_t kMaxBlocks = kRowCount;         // every row at most once
inline constexpr std::uint8_t kRowMarker = 0x80;             // added to the row number

// Acknowledgements of one block, and the byte that ends a download.
inline constexpr std::uint8_t kAckAccepted = 0;
inline constexpr std::uint8_t kAckVerifyFailed = 2;
inline constexpr std::uint8_t kEndOfDownload = 0;

// What a KR2 module answers to the identification request, and its version byte (v1.0).
inline constexpr std::string_view kKR2Signature = "KR2";
inline constexpr std::uint8_t kKR2VersionByte = 0x10;

// Source text the tokenizer takes: its buffer holds the text plus a terminating zero.
inline constexpr std::size_t kSourceBufferSize = 65536;
inline constexpr std::size_t kMaxSourceLength = kSourceBufferSize - 1;

static_assert(kRowCount * kRowSize == kEepromSize, "rows tile the EEPROM");
static_assert(kBlockSize == 18);
static_assert(kRowMarker + (kRowCount - 1) <= 0xFF, "every row number fits the row byte");
static_assert(kMaxSourceLength == 65535, "source offsets fit 16 bits");

}  // namespace kavrin::wire
