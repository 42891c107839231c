#pragma once
// The recorded run as a table for a spreadsheet: one row per sample of the record,
//
//   time_s,x_cm,y_cm,heading_deg,left_whisker,right_whisker,left_ir,right_ir,left_pulse,right_pulse,list,step
//
// whiskers 1 pressed, detectors 1 seeing, pulses in µs (0 while the servo rests), list 1 the
// main list, 2 Sensor Set All, 3 to 6 Sets 1 to 4, and 0 0 while no step runs. The pose is
// written as the "pose" line of simulate writes it, so that a last row taken at the run's end
// reads the same.

#include <cstdio>
#include <string>

#include "sim/plane.h"
#include "sim/run_record.h"

namespace kavrin::cli {

inline constexpr char kTimelineHeader[] =
    "time_s,x_cm,y_cm,heading_deg,left_whisker,right_whisker,left_ir,right_ir,left_pulse,right_"
    "pulse,list,step";

// A sample's row; the pose is the sample's own unless given.
std::string TimelineRow(const sim::RunSample& sample, const sim::Pose* pose = nullptr);

// The header, the record's samples before the run's end and last the moment `last` at the end,
// with the body's exact pose `lastPose`.
std::string TimelineCsv(const sim::RunRecord& record, const sim::RunSample& last,
                        const sim::Pose& lastPose);

}  // namespace kavrin::cli
