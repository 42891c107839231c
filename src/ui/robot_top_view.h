#pragma once
// The robot seen from above, front at the top, as the servo test window shows it: the build's
// picture of its still parts ("GIF" 247: chassis, circuit board, wheels, battery pack, sensor
// mounts) with the indicators drawn over it that follow the robot's answers: both infrared
// detectors with their lenses (black, red while detecting) and both whiskers (at rest, or bent
// back while touching). The per-wheel controls of the window sit on it as children.

#include <QPixmap>
#include <QWidget>

#include "link/servo_exchange.h"

namespace kavrin::ui {

class TRobotTopView : public QWidget {
    Q_OBJECT

public:
    explicit TRobotTopView(QWidget* parent = nullptr);

    const link::SensorState& Sensors() const { return sensors_; }
    void ShowSensors(const link::SensorState& sensors);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    link::SensorState sensors_;
    QPixmap still_;  // null when the picture is missing: the indicators still show
    int stillScale_ = 1;
};

}  // namespace kavrin::ui
