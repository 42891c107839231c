// The port scan: one identification thread per port, at most four at a time. Threads only
// touch their own port; everything they find travels back through a queue that the scanning
// thread empties, and ReportResult runs there, so the thread mask and the table are only ever
// changed on the thread that called ScanPorts.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <system_error>
#include <thread>

#include "link/target_link.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::link {

using resources::GetUIString;

namespace {

// The models tried on each port, in order.
constexpr int kProbedModels[] = {kModelKR2, kModelKR3, kModelKR4, kModelKR5};

std::string OpenFailureText(std::uint32_t error) {
    switch (static_cast<OpenError>(error)) {
        case OpenError::NoSuchPort:
            return GetUIString(resources::str::kInvalidPort);
        case OpenError::InUse:
            return GetUIString(resources::str::kPortInUse);
        default:
            return GetUIString(resources::str::kPortNotOpened);
    }
}

}  // namespace

struct ScanReport {
    int threadSlot = 0;
    int portIndex = 0;
    OpenError openError = OpenError::None;
    std::string loopbackText;
    Identification found;
};

namespace {

class ScanQueue {
public:
    void Push(ScanReport report) {
        {
            std::lock_guard lock(mutex_);
            reports_.push_back(std::move(report));
        }
        ready_.notify_one();
    }
    // The next report, or false when none came within the wait.
    bool Pop(ScanReport& report, int waitMs) {
        std::unique_lock lock(mutex_);
        if (!ready_.wait_for(lock, std::chrono::milliseconds(waitMs),
                             [this] { return !reports_.empty(); })) {
            return false;
        }
        report = std::move(reports_.front());
        reports_.pop_front();
        return true;
    }

private:
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<ScanReport> reports_;
};

// The thread body: open, loop-back test, identification of each model, close.
void Probe(TPortPool& pool, std::string name, int targetModel, LinkTimings timings,
           ScanReport report, ScanQueue& queue, std::stop_token stop);

}  // namespace

void TargetLink::ScanPorts(int targetModel, LinkObserver& observer, std::stop_token stop) {
    observer.ScanStarted();
    ScanQueue queue;
    std::array<std::thread, kMaxThreads> threads;
    // Normally every thread is joined when it reports. Should the observer throw out of the
    // scan, the threads still running are waited for (each ends within its time-outs and
    // closes its port) instead of ending the program.
    struct JoinLeftovers {
        std::array<std::thread, kMaxThreads>& threads;
        ~JoinLeftovers() {
            for (std::thread& t : threads) {
                if (t.joinable()) {
                    t.join();
                }
            }
        }
    } joinLeftovers{threads};
    unsigned running = 0;  // RunningThreads: bit s-1 for thread slot s

    // Waits for one report and handles it; lets the observer run its events meanwhile.
    const auto pump = [&] {
        ScanReport report;
        if (!queue.Pop(report, kPumpIntervalMs)) {
            observer.Pump();
            return;
        }
        const auto index = static_cast<std::size_t>(report.threadSlot - 1);
        threads[index].join();  // the body has returned: it reported last
        ReportResult(report, observer);
        running &= ~(1u << index);
    };

    status_.rows.resize(portList_.size());
    permissionRefused_ = false;
    const bool automatic = selectedPort_ == kAutoPort;
    for (std::size_t k = 0; k < portList_.size(); ++k) {
        if (!automatic && portList_[k] != selectedPort_) {
            status_.rows[k][kColDevice] = GetUIString(resources::str::kSkipped);
            continue;
        }
        while ((running & kAllThreadsBusy) == kAllThreadsBusy) {
            pump();
        }
        if (stop.stop_requested()) {
            break;
        }
        int slot = 1;
        while (running & (1u << (slot - 1))) {
            ++slot;
        }
        running |= 1u << (slot - 1);
        ScanReport report;
        report.threadSlot = slot;
        report.portIndex = static_cast<int>(k);
        observer.ProbeStarted(slot, static_cast<int>(k));
        try {
            threads[static_cast<std::size_t>(slot - 1)] =
                std::thread(Probe, std::ref(pool_), portList_[k], targetModel, timings_, report,
                            std::ref(queue), stop);
        } catch (const std::system_error&) {
            // No thread to be had: the port counts as not opened rather than waited for forever.
            report.found.deviceText = GetUIString(resources::str::kPortNotOpened);
            ReportResult(report, observer);
            running &= ~(1u << (slot - 1));
        }
    }
    while (running != 0) {
        pump();
    }
    observer.ScanFinished(status_);
}

void TargetLink::ReportResult(const ScanReport& report, LinkObserver& observer) {
    const auto k = static_cast<std::size_t>(report.portIndex);
    if (k >= status_.rows.size()) {
        return;
    }
    permissionRefused_ |= report.openError == OpenError::NoPermission;
    PortStatusRow& row = status_.rows[k];
    row[kColDevice] = report.found.deviceText;
    row[kColVersion] = report.found.versionText;
    row[kColLoopback] = report.loopbackText;
    row[kColEcho] = report.found.echoText;
    row.model = report.found.model;
    status_.ScrollTo(report.portIndex + 1);
    observer.PortReported(report.portIndex, status_);
}

namespace {

void Probe(TPortPool& pool, std::string name, int targetModel, LinkTimings timings,
           ScanReport report, ScanQueue& queue, std::stop_token stop) {
    const SlotResult opened = pool.OpenPortSlot(name);
    if (opened.slot == kNoPortSlot) {
        report.openError = static_cast<OpenError>(opened.error);
        report.found.deviceText = OpenFailureText(opened.error);
        queue.Push(std::move(report));
        return;
    }
    TSerial& port = *pool.Port(opened.slot);
    report.loopbackText = LoopbackTest(port, timings);
    for (const int model : kProbedModels) {
        if (stop.stop_requested()) {
            break;
        }
        if (IdentifyModule(port, model, targetModel, timings, report.found) ||
            !report.found.echoSeen) {
            break;
        }
    }
    pool.ClosePort(opened.slot);
    queue.Push(std::move(report));
}

}  // namespace

}  // namespace kavrin::link
