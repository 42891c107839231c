#pragma once
// The run: what the run button does, from the program to the robot, in one call that the
// command line and the windows share. The text is tokenized for a KR2 on the caller's own
// tokenizer; when that yields blocks, the link scans the ports, picks the target and sends them.
// Everything the user sees goes to the observer as it happens; the outcome says how it ended,
// for a caller that only reports.
//
// The call blocks its thread for the whole run. A caller that must stay responsive runs it on
// a worker thread and ends it early through the stop token: the scan and the download check it
// between exchanges, so a stopped run returns within one exchange's time-outs, with every
// thread it started joined and every port slot it opened closed.

#include <stop_token>
#include <string>
#include <string_view>

#include "link/link_observer.h"
#include "link/target_link.h"
#include "model/action_program.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::run {

enum class RunStatus {
    Delivered,       // every block acknowledged
    Stopped,         // the stop token ended the run
    GenerateFailed,  // no program text came from the action program
    TokenizeFailed,  // the text gave no blocks
    DownloadFailed,  // the link could not deliver (download says why)
};

struct RunOutcome {
    RunStatus status = RunStatus::TokenizeFailed;
    link::DownloadStatus download = link::DownloadStatus::TokenizeFailed;
    // The message shown to the user (also through the observer), and its UI string number
    // where it comes from the string table, else 0. Empty when nothing was shown.
    std::string message;
    int uiString = 0;
    // Why the tokenizer refused the text: its numbered message ("110-Undefined symbol") with
    // the span in the source; or, with sourceTooLong, the text never reached it and this says
    // how long it was.
    std::string tokenizerError;
    int errorPos = 0;
    int errorLength = 0;
    bool sourceTooLong = false;
    std::string portName;              // the target port, empty when none was chosen
    int portSlot = link::kNoPortSlot;  // still open for the caller only with keepOpen
    int blocksSent = 0;
};

struct RunSettings {
    std::string_view port = link::kAutoPort;  // "AUTO" or the name of the one port to use
    bool keepOpen = false;                    // leave the port slot open after a delivery
    std::stop_token stop;
};

// Tokenizes sourceText and downloads the blocks.
RunOutcome RunProgram(link::TargetLink& target, tokenizer::TTokenizer& tokenizer,
                      std::string_view sourceText, const RunSettings& settings,
                      link::LinkObserver& observer);

// Generates the program text of an action program first (as the run button of the editor
// does), then runs it. A generation failure is shown through the observer's error box.
RunOutcome RunActionProgram(link::TargetLink& target, tokenizer::TTokenizer& tokenizer,
                            const model::TActionProgram& program, model::TMode mode,
                            bool sensorsEnabled, const RunSettings& settings,
                            link::LinkObserver& observer);

}  // namespace kavrin::run
