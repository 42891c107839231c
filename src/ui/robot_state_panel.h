#pragma once
// The simulator window's robot panel: both whiskers and infrared detectors, both servos' pulses
// and what they do, the command running and the step in words a child reads ("Step 3: turn
// left, 0.8 s left"). It draws one moment of a run as the record keeps it (sim::RunSample), so
// the live robot and a replayed moment show the same way.

#include <QFrame>
#include <QString>

#include "sim/robot_body.h"
#include "sim/run_record.h"

class QLabel;

namespace kavrin::ui {

// Seconds of virtual time as the simulator's windows show them: one decimal ("6.2").
QString SecondsText(sim::VirtualTime t);
// What a step of this command letter does, as the action tiles call it ("turn left").
QString StepKindText(char letter);
// A step with its kind: "Step 3: turn left", "Sensor Set 1, step 2: move backward"; in a sentence
// ("during step 3: ...") with inSentence. Empty when no step runs.
QString StepText(sim::StepRef step, char letter, bool inSentence = false);
// The step, its time left and, for a sensor set, the main step it interrupted, one to a line:
// what the panel shows of a moment.
QString RunningStepText(const sim::RunSample& sample);

class TRobotStatePanel : public QFrame {
    Q_OBJECT

public:
    explicit TRobotStatePanel(QWidget* parent = nullptr);

    // Shows this moment; labels are only touched where their text changes.
    void Show(const sim::RunSample& sample);

    // What the panel says now (tests).
    QString WhiskerText(sim::Side side) const;
    QString InfraredText(sim::Side side) const;
    QString ServoText(sim::Side side) const;
    QString CommandText() const;
    QString StepLine() const;

private:
    static void Put(QLabel* label, const QString& text);

    QLabel* whiskers_[2] = {};
    QLabel* infrared_[2] = {};
    QLabel* servos_[2] = {};
    QLabel* command_ = nullptr;
    QLabel* step_ = nullptr;
};

}  // namespace kavrin::ui
