#pragma once
// The VELIC tokenizer: one call turns a source text into a module's EEPROM image and the
// download blocks that carry it. There is one tokenizer per process; its result record is the
// hand-over point with the rest of the program.
//
// Callers outside the tokenizer write SourceText/SourceLength (use LoadSource) and read
// Success, BlockCount and Blocks; the other fields explain errors and serve the tokenizer itself.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kavrin::tokenizer {

inline constexpr std::size_t kSourceBufferSize = 65536;     // text plus terminating zero
inline constexpr std::size_t kMaxSourceLength = kSourceBufferSize - 1;
inline constexpr std::size_t kMessageAreaSize = 1024;       // tail of SourceText
inline constexpr std::size_t kEepromSize = 2048;
inline constexpr std::size_t kBlockSize = 18;
inline constexpr std::size_t kMaxBlocks = 128;
inline constexpr std::size_t kMaxProjectFiles = 7;

using TDownloadBlock = std::array<std::uint8_t, kBlockSize>;

struct TTokenizerResult {
    std::uint8_t Success = 0;
    const char* ErrorMessage = nullptr;
    std::uint8_t DebugUsed = 0;
    std::int32_t DebugInfo = 0;
    std::uint8_t ModuleKind = 0;
    std::int32_t ModulePos = 0;
    std::array<const char*, kMaxProjectFiles> ProjectFiles{};
    std::array<std::int32_t, kMaxProjectFiles> ProjectFilePos{};
    const char* PortName = nullptr;
    std::int32_t PortPos = 0;
    std::int32_t LanguageVersion = 0;
    std::int32_t LanguagePos = 0;
    std::array<char, kSourceBufferSize> SourceText{};
    std::int32_t SourceLength = 0;
    std::int32_t ErrorPos = 0;
    std::int32_t ErrorLength = 0;
    std::array<std::uint8_t, kEepromSize> EepromImage{};
    std::array<std::uint8_t, kEepromSize> EepromUse{};
    std::array<std::uint8_t, 4> SizeCounts{};
    std::array<std::uint8_t, 5> KR1Extra{};
    std::uint8_t BlockCount = 0;
    std::array<TDownloadBlock, kMaxBlocks> Blocks{};
};

// The process-wide result record.
TTokenizerResult& TokenizerResult();

// Copies text into SourceText/SourceLength. Returns false, changing nothing, when the text is
// longer than kMaxSourceLength characters.
bool LoadSource(std::string_view text);

// Runs the tokenizer on SourceText. Returns 1 on success (also left in Success), 0 on error,
// with ErrorMessage, ErrorPos and ErrorLength describing it. A KR1 program is compiled by the
// KR1 tokenizer into the first 256 bytes of the image (kr1_tokenizer.h). A SourceLength outside
// 0..kMaxSourceLength is refused with 107.
std::uint8_t Tokenize(std::uint8_t DirectivesOnly, std::uint8_t UseModuleDirective,
                      std::uint8_t AnyVersion);

}  // namespace kavrin::tokenizer
