#include "link/target_link.h"

namespace kavrin::link {

TargetLink::TargetLink(TPortPool& pool, PortEnumerator enumerate, LinkTimings timings)
    : pool_(pool), enumerate_(std::move(enumerate)), timings_(timings) {}

void TargetLink::RefreshPortList() {
    portList_.clear();
    if (enumerate_) {
        enumerate_(portList_);
    }
    choice_.SetPorts(portList_);
}

void TargetLink::OpenProgress(bool clearRows, LinkObserver& observer) {
    if (clearRows) {
        RefreshPortList();
        status_.rows.assign(portList_.size(), PortStatusRow{});
        status_.topRow = 1;
    }
    // Reopened to go on with a download, the rows keep their scan results, so the list they
    // were made from stays too: a port plugged in or out meanwhile must not shift the rows
    // under the chosen target.
    status_.rows.resize(portList_.size());
    for (std::size_t k = 0; k < portList_.size(); ++k) {
        status_.rows[k][kColPort] = portList_[k] + ":";
    }
    observer.ProgressOpened(status_);
}

}  // namespace kavrin::link
