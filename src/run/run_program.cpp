#include "run/run_program.h"

#include <span>
#include <type_traits>

#include "codegen/code_generator.h"
#include "codegen/program_text.h"
#include "link/download_state.h"
#include "link/identify.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::run {

// The tokenizer's blocks are handed to the link as they are.
static_assert(std::is_same_v<link::DownloadBlock, tokenizer::TDownloadBlock>);

namespace {

// tooLong: the length of a text the tokenizer never took, 0 when it refused it.
RunOutcome TokenizeFailure(const tokenizer::TTokenizerResult& result, std::size_t tooLong,
                           link::LinkObserver& observer) {
    RunOutcome outcome;
    outcome.status = RunStatus::TokenizeFailed;
    outcome.uiString = resources::str::kTokenizeFailed;
    outcome.message = resources::GetUIString(outcome.uiString);
    outcome.sourceTooLong = tooLong != 0;
    if (outcome.sourceTooLong) {
        outcome.tokenizerError = codegen::SourceTooLongMessage(tooLong);
    } else if (result.ErrorMessage != nullptr) {
        outcome.tokenizerError = result.ErrorMessage;
        outcome.errorPos = result.ErrorPos;
        outcome.errorLength = result.ErrorLength;
    }
    observer.ShowMessage(outcome.message);
    return outcome;
}

}  // namespace

RunOutcome RunProgram(link::TargetLink& target, tokenizer::TTokenizer& tokenizer,
                      std::string_view sourceText, const RunSettings& settings,
                      link::LinkObserver& observer) {
    const tokenizer::TTokenizerResult& result = tokenizer.Result();
    if (!tokenizer.LoadSource(sourceText)) {
        return TokenizeFailure(result, sourceText.size(), observer);
    }
    // A KR2 program, whatever module the text's own directive names.
    if (tokenizer.Tokenize() != 1 || result.BlockCount == 0) {
        return TokenizeFailure(result, 0, observer);
    }
    // A KR1 image is no set of KR2 blocks: sending it would overwrite a KR2 program with garbage.
    if (tokenizer::IsKr1Program(result)) {
        return TokenizeFailure(result, 0, observer);
    }

    link::DownloadRequest request;
    request.blocks = std::span<const link::DownloadBlock>(result.Blocks.data(), result.BlockCount);
    request.model = link::kModelKR2;
    request.version = link::ModelVersions[link::kModelKR2];
    request.programCount = 1;
    request.stop = settings.stop;
    target.SetSelectedPort(settings.port);
    const link::DownloadOutcome sent = target.DownloadIt(request, settings.keepOpen, observer);

    RunOutcome outcome;
    outcome.download = sent.status;
    outcome.status = sent.status == link::DownloadStatus::Delivered ? RunStatus::Delivered
                     : sent.status == link::DownloadStatus::Stopped ? RunStatus::Stopped
                                                                    : RunStatus::DownloadFailed;
    outcome.message = sent.message;
    outcome.uiString = sent.uiString;
    outcome.portName = sent.portName;
    outcome.portSlot = sent.portSlot;
    outcome.blocksSent = sent.blocksSent;
    return outcome;
}

RunOutcome RunActionProgram(link::TargetLink& target, tokenizer::TTokenizer& tokenizer,
                            const model::TActionProgram& program, model::TMode mode,
                            bool sensorsEnabled, const RunSettings& settings,
                            link::LinkObserver& observer) {
    codegen::TProgramText text;
    const codegen::TBuildResult built = codegen::BuildCode(program, mode, sensorsEnabled, text);
    if (!built.ok) {
        RunOutcome outcome;
        outcome.status = RunStatus::GenerateFailed;
        outcome.message = built.message;
        observer.ShowError(outcome.message);
        return outcome;
    }
    std::string source;
    if (!text.TextForTokenizer(source).ok) {
        return TokenizeFailure(tokenizer.Result(), text.WholeText().size(), observer);
    }
    return RunProgram(target, tokenizer, source, settings, observer);
}

}  // namespace kavrin::run
