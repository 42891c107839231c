// The only place the link meets the tokenizer: the download itself takes plain blocks.

#include "link/download_state.h"
#include "tokenizer/tokenizer.h"

#include <type_traits>

namespace kavrin::link {

// The tokenizer's blocks are handed over as they are.
static_assert(std::is_same_v<DownloadBlock, tokenizer::TDownloadBlock>);

namespace {

// Tokenizes for the target model; true when the run succeeded with at least one block.
bool TokenizeStep(std::string_view sourceText) {
    TDownloadState& state = DownloadState();
    state.TargetModel = kModelKR2;  // whatever module the text's own directive names
    state.ProgramCount = 1;
    if (!tokenizer::LoadSource(sourceText)) {
        return false;
    }
    const tokenizer::TTokenizerResult& result = tokenizer::TokenizerResult();
    if (tokenizer::Tokenize(0, 1, 0) != 1 || result.BlockCount == 0) {
        return false;
    }
    // A KR1 image is no set of KR2 blocks: sending it would overwrite a KR2 program with garbage.
    if (result.ModuleKind == kModelKR1) {
        return false;
    }
    state.BlockCounts[0] = result.BlockCount;
    return true;
}

}  // namespace

DownloadOutcome DownloadTokenization(TargetLink& link, std::string_view sourceText, bool keepOpen,
                                     LinkObserver& observer) {
    if (!TokenizeStep(sourceText)) {
        DownloadOutcome failed;
        failed.status = DownloadStatus::TokenizeFailed;
        failed.message = std::string(kTokenizeFailedMessage);
        observer.ShowMessage(failed.message);
        return failed;
    }
    const TDownloadState& state = DownloadState();
    const tokenizer::TTokenizerResult& result = tokenizer::TokenizerResult();
    DownloadRequest request;
    request.blocks = std::span<const DownloadBlock>(result.Blocks.data(), result.BlockCount);
    request.model = state.TargetModel;
    request.version = ModelVersions[state.TargetModel];
    request.programCount = state.ProgramCount;
    return link.DownloadIt(request, keepOpen, observer);
}

}  // namespace kavrin::link
