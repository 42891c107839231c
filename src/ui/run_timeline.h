#pragma once
// The simulator window's timeline: a slider over the whole recorded run, in milliseconds of
// virtual time, with a mark at each step change and each mission event of the record. The
// window moves it along with the run and reads where the user drags it to.

#include <QSlider>

#include <vector>

#include "sim/run_record.h"

namespace kavrin::ui {

class TRunTimeline : public QSlider {
    Q_OBJECT

public:
    explicit TRunTimeline(QWidget* parent = nullptr);

    // The record's length and marks (only redrawn when they changed); the handle moves to
    // `at` without telling anyone.
    void Follow(const sim::RunRecord& record, sim::VirtualTime at);
    sim::VirtualTime Time() const {
        return static_cast<sim::VirtualTime>(value()) * sim::kMicrosPerMs;
    }
    // Moves the handle as the user would (tests and the verdict's click).
    void MoveTo(sim::VirtualTime t);
    bool AtEnd() const { return value() >= maximum(); }

Q_SIGNALS:
    // The user moved the handle (dragged, a key, a click, MoveTo).
    void Moved(kavrin::sim::VirtualTime t);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct TMark {
        int ms;
        bool mission;  // a mission event, drawn taller than a step change
    };
    std::vector<TMark> marks_;
    std::size_t markCount_ = 0;  // the record's marks seen
};

}  // namespace kavrin::ui
