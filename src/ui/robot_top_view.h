#pragma once
// The robot seen from above, front at the top, as the servo test window shows it: chassis,
// circuit board, wheels, battery pack and sensor mounts, with the indicators that follow the
// robot's answers: both infrared detectors with their lenses (black, red while detecting) and
// both whiskers (at rest, or bent back while touching). The per-wheel controls of the window
// sit on it as children.

#include <QRect>
#include <QWidget>

#include "link/servo_exchange.h"

namespace kavrin::ui {

// Places of the indicators, in the view's own coordinates.
inline constexpr QRect kLeftIrSensorRect{150, 52, 17, 9};
inline constexpr QRect kLeftIrLensRect{152, 40, 12, 13};
inline constexpr QRect kRightIrSensorRect{282, 52, 17, 9};
inline constexpr QRect kRightIrLensRect{285, 40, 12, 13};
// A whisker picture at rest, and bent back by a touch.
inline constexpr QRect kLeftWhiskerRestRect{21, -6, 218, 95};
inline constexpr QRect kLeftWhiskerBentRect{29, 2, 218, 95};
inline constexpr QRect kRightWhiskerRestRect{212, -6, 218, 95};
inline constexpr QRect kRightWhiskerBentRect{220, 2, 218, 95};

class TRobotTopView : public QWidget {
    Q_OBJECT

public:
    explicit TRobotTopView(QWidget* parent = nullptr);

    const link::SensorState& Sensors() const { return sensors_; }
    void ShowSensors(const link::SensorState& sensors);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    link::SensorState sensors_;
};

}  // namespace kavrin::ui
