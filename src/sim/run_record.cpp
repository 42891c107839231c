#include "sim/run_record.h"

#include <algorithm>

namespace kavrin::sim {

RunningStep RunSample::Running() const {
    RunningStep r;
    r.at = {list, step};
    r.interrupted = interrupted;
    r.command = command;
    r.left = static_cast<VirtualTime>(leftMs) * kMicrosPerMs;
    return r;
}

void RunRecord::Clear() {
    samples_.clear();
    marks_.clear();
    full_ = false;
}

void RunRecord::Add(const RunSample& sample) {
    if (full_ || samples_.size() >= kMaxSamples) {
        full_ = true;
        return;
    }
    // A moment already kept (the robot moved by hand before time went on) is kept as it is now.
    if (!samples_.empty() && samples_.back().time == sample.time) {
        samples_.back() = sample;
        return;
    }
    // Grown by doubling, but never past the limit: a full record holds no spare room.
    if (samples_.size() == samples_.capacity()) {
        samples_.reserve(
            std::min(kMaxSamples, std::max<std::size_t>(1024, samples_.capacity() * 2)));
    }
    samples_.push_back(sample);
}

void RunRecord::AddMark(const RunMark& mark) {
    if (full_) return;
    if (marks_.size() >= kMaxMarks) {
        full_ = true;
        return;
    }
    if (marks_.size() == marks_.capacity()) {
        marks_.reserve(std::min(kMaxMarks, std::max<std::size_t>(256, marks_.capacity() * 2)));
    }
    marks_.push_back(mark);
}

std::size_t RunRecord::IndexAt(VirtualTime t) const {
    const auto after =
        std::upper_bound(samples_.begin(), samples_.end(), t,
                         [](VirtualTime v, const RunSample& s) { return v < s.time; });
    return after == samples_.begin() ? 0 : static_cast<std::size_t>(after - samples_.begin()) - 1;
}

const RunSample& RunRecord::At(VirtualTime t) const { return samples_[IndexAt(t)]; }

StepRef RunRecord::StepAt(VirtualTime t) const {
    StepRef step;
    for (const RunMark& mark : marks_) {
        if (mark.time > t) break;
        if (mark.kind == RunMark::Kind::Step) step = mark.step;
    }
    return step;
}

std::size_t RunRecord::Bytes() const {
    return samples_.capacity() * sizeof(RunSample) + marks_.capacity() * sizeof(RunMark);
}

}  // namespace kavrin::sim
