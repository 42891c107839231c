// The download: choose the target among the scanned ports, check its version, send the blocks.
// Every message goes to the observer; nothing is retried, the user simply runs again.

#include <algorithm>
#include <chrono>

#include "link/download_state.h"
#include "link/target_link.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::link {

using resources::GetUIString;

std::string TargetLink::NotFoundMessage() const {
    std::string message = GetUIString(resources::str::kRobotNotFound);
    if (permissionRefused_) {
        message += "\n" + GetUIString(resources::str::kNoPermissionFix);
    }
    return message;
}

int TargetLink::FindDownloadTarget(int targetModel, LinkObserver& observer) {
    // With the automatic setting a real robot wins over the virtual one, so that a user with one
    // robot attached is never asked to choose between it and "SIM".
    bool realMatch = false;
    if (selectedPort_ == kAutoPort) {
        for (std::size_t k = 0; k < status_.rows.size() && k < portList_.size(); ++k) {
            realMatch |= portList_[k] != kVirtualPortName && status_.ModelOf(k) == targetModel;
        }
    }
    int target = kNoTarget;
    int matches = 0;
    for (std::size_t k = 0; k < status_.rows.size(); ++k) {
        const bool simRow = k < portList_.size() && portList_[k] == kVirtualPortName;
        if (status_.ModelOf(k) == targetModel && !(realMatch && simRow)) {
            status_.rows[k].candidate = true;
            ++matches;
            target = static_cast<int>(k);  // with several, the last is the default
        }
    }
    if (matches == 0) {
        observer.ShowError(NotFoundMessage());
        observer.ProgressClosed();
        return kNoTarget;
    }
    if (matches > 1) {
        observer.ProgressClosed();
        // The choice opens with the first candidate at the top, where the user looks first.
        for (std::size_t k = 0; k < status_.rows.size(); ++k) {
            if (status_.IsCandidate(k)) {
                status_.ScrollToTop(static_cast<int>(k) + 1);
                break;
            }
        }
        const int chosen =
            observer.ChooseTarget(status_, GetUIString(resources::str::kSeveralModules));
        if (chosen < 0 || !status_.IsCandidate(static_cast<std::size_t>(chosen))) {
            return kNoTarget;
        }
        target = chosen;
        OpenProgress(false, observer);
    }
    status_.ScrollTo(target + 1);
    return target;
}

DownloadOutcome TargetLink::DownloadIt(const DownloadRequest& request, bool keepOpen,
                                       LinkObserver& observer) {
    DownloadOutcome outcome;
    if (request.programCount <= 0) {
        outcome.status = DownloadStatus::NothingToSend;
        return outcome;
    }
    OpenProgress(true, observer);
    ScanPorts(request.model, observer, request.stop);
    if (request.stop.stop_requested()) {
        outcome.status = DownloadStatus::Stopped;
        observer.ProgressClosed();
        return outcome;
    }
    const int target = FindDownloadTarget(request.model, observer);
    if (target == kNoTarget) {
        const auto candidates =
            std::count_if(status_.rows.begin(), status_.rows.end(),
                          [](const PortStatusRow& row) { return row.candidate; });
        outcome.status =
            candidates > 1 ? DownloadStatus::ChoiceCancelled : DownloadStatus::NotFound;
        if (outcome.status == DownloadStatus::NotFound) {
            outcome.message = NotFoundMessage();
            outcome.uiString = resources::str::kRobotNotFound;
        }
        return outcome;
    }
    observer.TargetMarked(target);
    outcome.portName = portList_[static_cast<std::size_t>(target)];

    const auto k = static_cast<std::size_t>(target);
    if (status_.rows[k][kColVersion] != request.version) {
        outcome.status = DownloadStatus::WrongVersion;
        outcome.message = std::string(kWrongVersionMessage);
        observer.ShowError(outcome.message);
        observer.ProgressClosed();
        return outcome;
    }

    const SlotResult opened = pool_.OpenPortSlot(portList_[k]);
    if (opened.slot == kNoPortSlot) {
        // Say which port failed and why, where that is known, instead of ending in silence.
        outcome.status = DownloadStatus::PortNotOpened;
        outcome.message = GetUIString(resources::str::kCannotOpenPort) + portList_[k];
        outcome.uiString = resources::str::kCannotOpenPort;
        const auto error = static_cast<OpenError>(opened.error);
        if (error == OpenError::NoSuchPort) {
            outcome.message += "\n" + GetUIString(resources::str::kNoSuchPortReason);
        } else if (error == OpenError::InUse) {
            outcome.message += "\n" + GetUIString(resources::str::kAccessDeniedReason);
        } else if (error == OpenError::NoPermission) {
            outcome.message += "\n" + GetUIString(resources::str::kNoPermissionFix);
        }
        observer.ShowError(outcome.message);
        observer.ProgressClosed();
        return outcome;
    }
    outcome.portSlot = opened.slot;
    outcome.status = DownloadStatus::Delivered;
    for (int p = 0; p < request.programCount; ++p) {
        outcome.status = DownloadProgram(request, p, opened.slot, observer, outcome);
        if (outcome.status != DownloadStatus::Delivered) {
            break;
        }
    }
    if (outcome.status == DownloadStatus::Stopped) {
        // The slot is closed and may be claimed again at once: a caller that asked to keep it
        // must not get its number, or it would later close someone else's port.
        pool_.ClosePort(opened.slot);
        outcome.portSlot = kNoPortSlot;
    } else if (!keepOpen) {
        pool_.ClosePort(opened.slot);
    }
    observer.ProgressClosed();
    return outcome;
}

DownloadStatus TargetLink::DownloadProgram(const DownloadRequest& request, int programSlot,
                                           int portSlot, LinkObserver& observer,
                                           DownloadOutcome& outcome) {
    TSerial* port = pool_.Port(portSlot);
    if (port == nullptr || !port->IsOpen()) {
        outcome.message = GetUIString(resources::str::kCommFailure);
        outcome.uiString = resources::str::kCommFailure;
        observer.ShowError(outcome.message);
        return DownloadStatus::CommFailure;
    }
    // Puts the module into programming; what it says was already judged by the scan.
    Identification ignored;
    IdentifyModule(*port, request.model, request.model, timings_, ignored);
    if (request.model >= kModelKR3 && request.model <= kModelKR5) {
        port->WriteByte(static_cast<std::uint8_t>(programSlot), timings_.writeMs);
        port->ReadBuffer(1, timings_.answerMs);
    }

    observer.ProgressStarted(programSlot, static_cast<int>(request.blocks.size()));
    DownloadStatus status = DownloadStatus::Delivered;
    bool blinked = false;
    auto lastBlink = std::chrono::steady_clock::now();
    for (const DownloadBlock& block : request.blocks) {
        if (request.stop.stop_requested()) {
            status = DownloadStatus::Stopped;  // the closing byte below still ends the transfer
            break;
        }
        const auto now = std::chrono::steady_clock::now();
        if (!blinked || now - lastBlink >= std::chrono::milliseconds(timings_.blinkMs)) {
            observer.Blink();
            blinked = true;
            lastBlink = now;
        }
        port->WriteBuffer(block, timings_.writeMs);
        port->ReadBuffer(static_cast<int>(kBlockSize), timings_.blockEchoMs);
        const int ack = port->ReadByte(timings_.answerMs);
        if (ack == kAckAccepted) {
            ++outcome.blocksSent;
            observer.StepIt(programSlot);
            continue;
        }
        status =
            ack == kAckVerifyFailed ? DownloadStatus::VerifyFailed : DownloadStatus::CommFailure;
        outcome.uiString =
            ack == kAckVerifyFailed ? resources::str::kVerifyFailed : resources::str::kCommFailure;
        outcome.message = GetUIString(outcome.uiString);
        observer.ShowError(outcome.message);
        break;
    }
    const bool ended = port->WriteByte(kEndOfDownload, timings_.writeMs);
    if (!ended && status == DownloadStatus::Delivered) {
        status = EndFailed(*port, observer, outcome);
    }
    return status;
}

// The closing byte did not go out, or the module could not keep what it took: the program is
// not where the next power-on looks, so the download has failed, with the line's reason where
// it gives one.
DownloadStatus TargetLink::EndFailed(TSerial& port, LinkObserver& observer,
                                     DownloadOutcome& outcome) {
    const std::string reason = port.WriteFailure();
    outcome.uiString =
        reason.empty() ? resources::str::kCommFailure : resources::str::kProgramNotKept;
    outcome.message = GetUIString(outcome.uiString) + reason;
    observer.ShowError(outcome.message);
    return reason.empty() ? DownloadStatus::CommFailure : DownloadStatus::NotKept;
}

}  // namespace kavrin::link
