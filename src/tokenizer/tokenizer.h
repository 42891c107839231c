#pragma once
// The VELIC tokenizer: one call turns a source text into a module's EEPROM image and the
// download blocks that carry it. A TTokenizer owns all of its state (about 1 MB of tables,
// allocated once when it is made); its result record is the hand-over point with the rest of
// the program. Each thread that compiles uses its own TTokenizer: a run touches nothing else,
// allocates nothing, and two runs on two threads share no data.
//
// Callers outside the tokenizer write SourceText/SourceLength (use LoadSource) and read
// Success, BlockCount and Blocks, and for listings CodeBits and the statement starts; the other
// fields explain errors and serve the tokenizer itself.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "wire/object_code.h"
#include "wire/wire_format.h"

namespace kavrin::tokenizer {

using wire::kMaxSourceLength;
using wire::kSourceBufferSize;                         // text plus terminating zero
inline constexpr std::size_t kMessageAreaSize = 1024;  // tail of SourceText
using wire::kBlockSize;
using wire::kEepromSize;
using wire::kMaxBlocks;
inline constexpr std::size_t kMaxProjectFiles = 7;

using TDownloadBlock = std::array<std::uint8_t, kBlockSize>;

// ModuleKind of a KR1 source: its image is no set of KR2 download blocks.
inline constexpr std::uint8_t kModuleKr1 = 1;

// At most one statement per element of the list.
inline constexpr std::size_t kMaxStatements = 10240;

// Where the code of a compiled statement begins; for listings.
struct StatementStart {
    std::uint16_t source = 0;  // source offset of the statement's first element
    std::uint16_t code = 0;    // stream bit position of its first bit
};

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
    // After a successful run: the length of the code in stream bits, and where the code of
    // each statement begins, in source order (KR1 programs included).
    std::int32_t CodeBits = 0;
    std::int32_t StatementCount = 0;
    std::array<StatementStart, kMaxStatements> StatementStarts{};
};

// True when the run read a KR1 program (its directives are enough). Its image is 256 bytes of
// another instruction set, no set of KR2 blocks: the download and the virtual robot, which speak
// KR2 only, refuse it on this test, each with its own words.
inline bool IsKr1Program(const TTokenizerResult& r) { return r.ModuleKind == kModuleKr1; }

struct TokenizeOptions {
    bool directivesOnly = false;     // read the directives, compile nothing
    bool useModuleDirective = true;  // the module comes from the text's own directive
    bool anyVersion = false;         // accept any VELIC version the directive names
};

struct TokenizerState;

class TTokenizer {
public:
    TTokenizer();
    ~TTokenizer();
    TTokenizer(const TTokenizer&) = delete;
    TTokenizer& operator=(const TTokenizer&) = delete;

    TTokenizerResult& Result();
    const TTokenizerResult& Result() const;

    // Copies text into SourceText/SourceLength. Returns false, changing nothing, when the text
    // is longer than kMaxSourceLength characters.
    bool LoadSource(std::string_view text);

    // Runs the tokenizer on SourceText. Returns 1 on success (also left in Success), 0 on
    // error, with ErrorMessage, ErrorPos and ErrorLength describing it. A KR1 program is compiled
    // by the KR1 tokenizer into the first 256 bytes of the image (kr1_tokenizer.h). A
    // SourceLength outside 0..kMaxSourceLength is refused with 107.
    std::uint8_t Tokenize(const TokenizeOptions& options = {});

    // Directives, elements and conditional compilation only; for the front-end's own checks.
    std::uint8_t TokenizeFrontEnd(const TokenizeOptions& options);

    // Where the last successful run placed a variable declared with VAR (the name in any case);
    // nothing for a name that is no variable or after a failed run.
    std::optional<wire::VariableLocation> FindVariable(std::string_view name) const;

    // The whole work state; for the tokenizer's own white-box tests.
    TokenizerState& State() { return *state_; }

private:
    std::unique_ptr<TokenizerState> state_;
};

}  // namespace kavrin::tokenizer
