#include "sim/mission_judge.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "sim/robot_geometry.h"

namespace kavrin::sim {

namespace {

std::size_t Index(Thing thing) { return static_cast<std::size_t>(thing); }

void AddRectangle(Obstacles& o, const ArenaBox& b) {
    const Vec2 r[4] = {
        {b.x, b.y}, {b.x + b.width, b.y}, {b.x + b.width, b.y + b.height}, {b.x, b.y + b.height}};
    for (int i = 0; i < 4; ++i) o.segments.push_back({r[i], r[(i + 1) % 4]});
}

// How far the body's outline is from the nearest of these outlines (0 where they meet).
double Gap(const std::array<Vec2, 4>& corners, const Obstacles& o) {
    double best = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const Segment edge{corners[i], corners[(i + 1) % corners.size()]};
        for (const Segment& s : o.segments) {
            if (SegmentsMeet(edge, s)) return 0;
            best = std::min({best, DistanceToSegment(s.a, edge), DistanceToSegment(s.b, edge),
                             DistanceToSegment(edge.a, s)});
        }
        for (const Disc& d : o.discs) {
            best = std::min(best, DistanceToSegment(d.centre, edge) - d.radius);
        }
    }
    return best;
}

}  // namespace

MissionJudge::MissionJudge(Mission mission) : mission_(std::move(mission)) {
    const Arena& a = mission_.arena;
    AddRectangle(parts_[Index(Thing::TableEdge)], {0, 0, a.width, a.depth});
    parts_[Index(Thing::Wall)].segments = a.walls;
    for (const ArenaBox& b : a.boxes) AddRectangle(parts_[Index(Thing::Box)], b);
    parts_[Index(Thing::Disc)].discs = a.discs;
    Restart();
}

void MissionJudge::Restart() {
    progress_.assign(mission_.tasks.size(), {});
    events_.clear();
    reachesMet_ = 0;
    nextReach_ = 0;
    while (nextReach_ < mission_.tasks.size() && mission_.tasks[nextReach_].kind != TaskKind::Reach)
        ++nextReach_;
    stillSince_ = 0;
    point_ = mission_.arena.start.Position();
    verdict_ = Verdict::Open;
    failure_ = Failure::None;
    decidedAt_ = -1;
}

void MissionJudge::OnStep(VirtualTime t, Vec2 point) {
    if (verdict_ != Verdict::Open) return;
    if (PastLimit(t)) {
        Update(*mission_.limit, false, 0, false);
        return;
    }
    CompleteStops(t - kMotionStepUs);  // it stood still until this step began
    if (verdict_ != Verdict::Open) return;
    stillSince_ = t;
    point_ = point;
    const std::size_t n = mission_.tasks.size();
    while (nextReach_ < n && mission_.zones[mission_.tasks[nextReach_].zone].Holds(point)) {
        progress_[nextReach_] = {true, t};
        events_.push_back({t, MissionEvent::Kind::Reached, nextReach_});
        ++reachesMet_;
        do {
            ++nextReach_;
        } while (nextReach_ < n && mission_.tasks[nextReach_].kind != TaskKind::Reach);
    }
    CheckPassed();
}

void MissionJudge::OnContact(VirtualTime t, const std::array<Vec2, 4>& corners) {
    if (verdict_ != Verdict::Open || !mission_.noTouch || PastLimit(t)) return;
    std::size_t nearest = 0;
    double gap = std::numeric_limits<double>::infinity();
    for (std::size_t i = 0; i < std::size(parts_); ++i) {
        const double g = Gap(corners, parts_[i]);
        if (g < gap) {
            gap = g;
            nearest = i;
        }
    }
    touched_ = static_cast<Thing>(nearest);
    touchOutline_ = corners;
    MissionEvent e{t, MissionEvent::Kind::Touched};
    e.thing = touched_;
    events_.push_back(e);
    Fail(Failure::Touched, t);
}

void MissionJudge::OnHandMove(VirtualTime t) {
    if (verdict_ == Verdict::Open) Fail(Failure::MovedByHand, t);
}

void MissionJudge::Update(VirtualTime now, bool programStopped, VirtualTime stoppedAt,
                          bool wheelsStill) {
    if (verdict_ != Verdict::Open) return;
    const bool pastLimit = mission_.limit && now >= *mission_.limit;
    CompleteStops(pastLimit ? *mission_.limit : now);
    if (verdict_ != Verdict::Open) return;
    if (pastLimit) {
        Fail(Failure::TimeUp, *mission_.limit);
        return;
    }
    if (!programStopped || !wheelsStill) return;
    // The robot will not move again: what it has not met where it stands, it never will.
    for (std::size_t i = 0; i < progress_.size(); ++i) {
        if (!progress_[i].met && !CanStillBeMet(i)) {
            Fail(Failure::ProgramEnded, std::max(stoppedAt, stillSince_));
            return;
        }
    }
}

bool MissionJudge::CanStillBeMet(std::size_t task) const {
    const MissionTask& t = mission_.tasks[task];
    return t.kind == TaskKind::Stop && reachesMet_ >= t.reachesBefore &&
           mission_.zones[t.zone].Holds(point_);
}

// A stop is met once the robot has stood in its zone for its time since its last step. Reaches
// are met on steps only, so the reaches above a stop were met when that stillness began.
void MissionJudge::CompleteStops(VirtualTime until) {
    std::vector<std::pair<VirtualTime, std::size_t>> met;
    for (std::size_t i = 0; i < progress_.size(); ++i) {
        if (progress_[i].met || !CanStillBeMet(i)) continue;
        const VirtualTime at = stillSince_ + mission_.tasks[i].hold;
        if (at <= until) met.emplace_back(at, i);
    }
    std::sort(met.begin(), met.end());
    for (const auto& [at, i] : met) {
        progress_[i] = {true, at};
        events_.push_back({at, MissionEvent::Kind::Stopped, i});
    }
    CheckPassed();
}

void MissionJudge::CheckPassed() {
    VirtualTime last = 0;
    for (const TaskProgress& p : progress_) {
        if (!p.met) return;
        last = std::max(last, p.at);
    }
    verdict_ = Verdict::Passed;
    decidedAt_ = last;
}

void MissionJudge::Fail(Failure failure, VirtualTime t) {
    verdict_ = Verdict::NotPassed;
    failure_ = failure;
    decidedAt_ = t;
}

std::vector<MissionEvent> MissionJudge::TakeEvents() { return std::exchange(events_, {}); }

MissionOutcome OutcomeOf(const MissionJudge& judge, VirtualTime now, StepRef step, char letter) {
    MissionOutcome o;
    o.verdict = judge.GetVerdict();
    o.failure = judge.GetFailure();
    o.touched = judge.Touched();
    o.at = o.verdict == Verdict::Open ? now : judge.DecidedAt();
    for (std::size_t i = 0; i < judge.Progress().size(); ++i) {
        if (!judge.Progress()[i].met) o.open.push_back(i);
    }
    if (o.verdict != Verdict::Passed) {
        o.step = step;
        o.letter = letter;
    }
    return o;
}

MissionOutcome RuleOutcome(const Mission& mission, const RuleBreak& rule) {
    MissionOutcome o;
    o.verdict = Verdict::NotPassed;
    for (std::size_t i = 0; i < mission.tasks.size(); ++i) o.open.push_back(i);
    o.step = rule.step;
    o.letter = rule.letter;
    o.rule = rule;
    return o;
}

}  // namespace kavrin::sim
