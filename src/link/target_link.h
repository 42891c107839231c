#pragma once
// The link to the target module as one object: the port pool, the port list and choice, the
// port status table, and the two operations that use them, the port scan and the download.
// The application keeps one for the run; tests make their own around fake ports.
//
// A download: refresh the port list, scan every port (or only the chosen one) with up to four
// identification threads, pick the port whose module matches the program, check its version,
// then send the download blocks, each echoed and acknowledged.

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

#include "link/identify.h"
#include "link/link_observer.h"
#include "link/link_timings.h"
#include "link/port_list.h"
#include "link/port_pool.h"
#include "link/port_status.h"
#include "resources/ui_strings.h"
#include "wire/wire_format.h"

namespace kavrin::link {

using wire::kBlockSize;
using DownloadBlock = std::array<std::uint8_t, kBlockSize>;

inline constexpr int kMaxThreads = 4;  // identification threads at a time
inline constexpr unsigned kAllThreadsBusy = (1u << kMaxThreads) - 1;
inline constexpr int kNoTarget = -10;
inline constexpr int kPumpIntervalMs = 10;  // how often a waiting scan calls Pump

inline constexpr std::string_view kWrongVersionMessage =
    "Cannot download to this version of the device.";

// Model code and acknowledgement values of the exchange.
using wire::kAckAccepted;
using wire::kAckVerifyFailed;
using wire::kEndOfDownload;

enum class DownloadStatus {
    Delivered,        // every block acknowledged
    TokenizeFailed,   // no blocks to send
    NothingToSend,    // no program slot to send
    NotFound,         // no module of the target model
    ChoiceCancelled,  // several found and none chosen
    WrongVersion,     // the module's version is not the one the program needs
    PortNotOpened,    // the target's port did not open for the download
    VerifyFailed,     // a block acknowledged with 2
    CommFailure,      // any other acknowledgement, or none
    NotKept,          // every block taken, but the module could not keep the program
    Stopped,          // the caller's stop token asked for an end
};

struct DownloadRequest {
    std::span<const DownloadBlock> blocks;  // sent in this order
    int model = kModelKR2;                  // the module the program is for
    std::string_view version;               // the version text that module must report
    int programCount = 1;                   // program slots to fill with the blocks
    // Checked between the exchanges of the scan and before every block: once a stop is
    // requested the run ends within one exchange's time-outs, its port slot closed.
    std::stop_token stop;
};

struct DownloadOutcome {
    // The port slot that was opened for the download (also when a block was refused), else
    // kNoPortSlot. With keepOpen the slot stays open and belongs to the caller; a stopped
    // download closes it and reports kNoPortSlot.
    int portSlot = kNoPortSlot;
    DownloadStatus status = DownloadStatus::NotFound;
    std::string message;   // what was shown, empty when nothing was
    int uiString = 0;      // the UI string number message starts with, 0 when none
    std::string portName;  // the port chosen as target, empty when none was
    int blocksSent = 0;    // blocks acknowledged, over every program slot
};

struct ScanReport;  // what one identification thread found

class TargetLink {
public:
    TargetLink(TPortPool& pool, PortEnumerator enumerate, LinkTimings timings = {});

    TPortPool& Pool() { return pool_; }
    const LinkTimings& Timings() const { return timings_; }

    // Port list and choice.
    void RefreshPortList();
    const std::vector<std::string>& PortList() const { return portList_; }
    PortChoice& Choice() { return choice_; }
    // "AUTO" or a port name: the scan probes only that port unless it is "AUTO".
    const std::string& SelectedPort() const { return selectedPort_; }
    void SetSelectedPort(std::string_view port) { selectedPort_ = std::string(port); }

    const PortStatusTable& Status() const { return status_; }

    // Tells the observer the progress window is open. With clearRows the port list is read
    // again and every row starts empty; without, the rows and their list stay as they are.
    void OpenProgress(bool clearRows, LinkObserver& observer);

    // Probes the ports for a module of targetModel and fills the table. Returns when every
    // probed port has reported, with every thread ended and every port slot it used free. After
    // a stop request no further port is probed and the probes under way end at their next
    // exchange; their rows stay as far as they got.
    void ScanPorts(int targetModel, LinkObserver& observer, std::stop_token stop = {});

    // Marks the rows whose module is targetModel and returns the port index to download to,
    // asking the observer when several match, or kNoTarget.
    int FindDownloadTarget(int targetModel, LinkObserver& observer);

    // Scan, choose, check the version and send the blocks. A stopped download closes its port
    // slot even with keepOpen.
    DownloadOutcome DownloadIt(const DownloadRequest& request, bool keepOpen,
                               LinkObserver& observer);

    // Resets and identifies the module on an open port slot, then sends the blocks and the
    // closing byte. Delivered, VerifyFailed, CommFailure, NotKept or Stopped; the message shown
    // goes into the outcome, and each acknowledged block counts in its blocksSent.
    DownloadStatus DownloadProgram(const DownloadRequest& request, int programSlot, int portSlot,
                                   LinkObserver& observer, DownloadOutcome& outcome);

private:
    void ReportResult(const ScanReport& report, LinkObserver& observer);
    DownloadStatus EndFailed(TSerial& port, LinkObserver& observer, DownloadOutcome& outcome);
    // "Robot not found", with the way to the ports when the scan was refused some of them.
    std::string NotFoundMessage() const;

    TPortPool& pool_;
    PortEnumerator enumerate_;
    LinkTimings timings_;
    std::vector<std::string> portList_;
    PortChoice choice_;
    std::string selectedPort_{kAutoPort};
    PortStatusTable status_;
    bool permissionRefused_ = false;  // the last scan could not open a port for lack of rights
};

}  // namespace kavrin::link
