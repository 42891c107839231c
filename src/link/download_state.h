#pragma once
// The download state shared by the run path and the progress window: which model the program
// is for, how many programs go out and how many blocks each has. Process-global like the
// tokenizer's result record it is filled from.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/identify.h"
#include "link/target_link.h"

namespace kavrin::tokenizer {
class TTokenizer;
}

namespace kavrin::link {

inline constexpr std::size_t kMaxProgramSlots = 8;

struct TDownloadState {
    std::uint8_t TargetModel = kModelKR2;
    std::uint8_t ProgramCount = 1;
    std::array<std::uint8_t, kMaxProgramSlots> BlockCounts{};
};

TDownloadState& DownloadState();

// The version text each model must report before a program is written to it.
inline constexpr std::array<std::string_view, kModelCount> ModelVersions{
    "", "v0.0", "v1.0", "v1.0", "v1.0", "v1.2"};

inline constexpr std::string_view kTokenizeFailedMessage = "Error! Tokenization Failed!";

// The run: tokenizes the source text for a KR2 and, when that yields download blocks, downloads
// them (TargetLink::DownloadIt). With keepOpen the port slot stays open for the caller.
DownloadOutcome DownloadTokenization(TargetLink& link, tokenizer::TTokenizer& tokenizer,
                                     std::string_view sourceText, bool keepOpen,
                                     LinkObserver& observer);

}  // namespace kavrin::link
