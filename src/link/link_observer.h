#pragma once
// What the download shows while it runs; the progress window and kavrin-cli implement it. Every
// call comes on the thread that called the download or the scan, which need not be the window's:
// an observer that draws takes copies of what it is handed (the table is the link's own and
// changes as the scan goes on).
// The defaults do nothing, so an observer overrides only what it shows.

#include <string_view>

#include "link/port_status.h"

namespace kavrin::link {

class LinkObserver {
public:
    virtual ~LinkObserver() = default;

    // The progress window opens (or reopens after a choice) showing the table.
    virtual void ProgressOpened(const PortStatusTable&) {}
    virtual void ScanStarted() {}
    // An identification thread with this thread slot (1..4) starts on a port.
    virtual void ProbeStarted(int /*threadSlot*/, int /*portIndex*/) {}
    // A port's row has been filled in.
    virtual void PortReported(int /*portIndex*/, const PortStatusTable&) {}
    virtual void ScanFinished(const PortStatusTable&) {}
    // Called repeatedly while the scan waits for its threads; a window lets its events run.
    virtual void Pump() {}

    // Several modules match: the user picks one of the rows marked as candidates, shown from
    // the table's top row (the first candidate's, as far as the table scrolls). Returns the
    // port index picked, or -1 when the choice was cancelled.
    virtual int ChooseTarget(const PortStatusTable&, std::string_view /*message*/) { return -1; }
    // The download goes to this port; its row gets the transmit mark.
    virtual void TargetMarked(int /*portIndex*/) {}
    // The progress bar of a program slot runs from 0 to blockCount.
    virtual void ProgressStarted(int /*programSlot*/, int /*blockCount*/) {}
    // The transmit mark changes colour (at most every 25 ms while blocks go out).
    virtual void Blink() {}
    // One block of a program slot was acknowledged.
    virtual void StepIt(int /*programSlot*/) {}
    virtual void ProgressClosed() {}

    // The error message box.
    virtual void ShowError(std::string_view /*text*/) {}
    // A plain information message.
    virtual void ShowMessage(std::string_view /*text*/) {}
};

}  // namespace kavrin::link
