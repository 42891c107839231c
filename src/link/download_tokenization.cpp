// The only place the link meets the tokenizer: the download itself takes plain blocks.

#include "link/download_state.h"
#include "tokenizer/tokenizer.h"

#include <type_traits>

namespace kavrin::link {

// The tokenizer's blocks are handed over as they are.
static_assert(std::is_same_v<DownloadBlock, tokenizer::TDownloadBlock>);

namespace {

// Tokenizes for the target model; true when the run succeeded with at least one block.
bool TokenizeStep(tokenizer::TTokenizer& tokenizer, std::string_view sourceText,
                  TDownloadState& state) {
    state.TargetModel = kModelKR2;  // whatever module the text's own directive names
    state.ProgramCount = 1;
    if (!tokenizer.LoadSource(sourceText)) {
        return false;
    }
    const tokenizer::TTokenizerResult& result = tokenizer.Result();
    if (tokenizer.Tokenize() != 1 || result.BlockCount == 0) {
        return false;
    }
    state.BlockCounts[0] = result.BlockCount;
    return true;
}

}  // namespace

DownloadOutcome DownloadTokenization(TargetLink& link, tokenizer::TTokenizer& tokenizer,
                                     std::string_view sourceText, bool keepOpen,
                                     LinkObserver& observer) {
    TDownloadState& state = DownloadState();
    if (!TokenizeStep(tokenizer, sourceText, state)) {
        DownloadOutcome failed;
        failed.status = DownloadStatus::TokenizeFailed;
        failed.message = std::string(kTokenizeFailedMessage);
        observer.ShowMessage(failed.message);
        return failed;
    }
    const tokenizer::TTokenizerResult& result = tokenizer.Result();
    DownloadRequest request;
    request.blocks = std::span<const DownloadBlock>(result.Blocks.data(), result.BlockCount);
    request.model = state.TargetModel;
    request.version = ModelVersions[state.TargetModel];
    request.programCount = state.ProgramCount;
    return link.DownloadIt(request, keepOpen, observer);
}

}  // namespace kavrin::link
