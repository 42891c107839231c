#include "cli/timeline.h"

#include <algorithm>

#include "sim/simulation.h"

namespace kavrin::cli {

std::string TimelineRow(const sim::RunSample& s, const sim::Pose* exact) {
    std::string pose = sim::PoseText(exact != nullptr ? *exact : s.GetPose());
    std::ranges::replace(pose, ' ', ',');
    char rest[96];
    std::snprintf(rest, sizeof rest, ",%d,%d,%d,%d,%u,%u,%u,%u", s.leftWhisker, s.rightWhisker,
                  s.leftIr, s.rightIr, unsigned{s.leftPulse}, unsigned{s.rightPulse},
                  unsigned{s.list}, unsigned{s.step});
    char time[32];
    std::snprintf(time, sizeof time, "%.3f,", static_cast<double>(s.time) / sim::kMicrosPerSecond);
    return time + pose + rest;
}

std::string TimelineCsv(const sim::RunRecord& record, const sim::RunSample& last,
                        const sim::Pose& lastPose) {
    std::string csv = std::string(kTimelineHeader) + "\n";
    csv.reserve(csv.size() + (record.Samples().size() + 1) * 48);
    for (const sim::RunSample& sample : record.Samples()) {
        if (sample.time >= last.time) break;  // the run's end is written from the body itself
        csv += TimelineRow(sample) + "\n";
    }
    csv += TimelineRow(last, &lastPose) + "\n";
    return csv;
}

}  // namespace kavrin::cli
