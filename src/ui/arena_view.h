#pragma once
// The table seen from above, as the simulation has it now: the table and its walls and
// obstacles, a mission's zones (green once their tasks are met), the path driven, the robot with
// its turning wheels, bending whiskers and infrared cones (lit during a burst, marked when they
// detect), its detectors lit while they see and a pressed whisker drawn red; also a moment of the
// recorded run, as it was.
//
// The robot can be moved by hand: drag it with the left button; turn it with the mouse wheel or
// by dragging with the right button (it turns to face the pointer). A place where it would not
// fit is refused by the simulation and the robot stays where it was.

#include <QPixmap>
#include <QPointF>
#include <QTransform>
#include <QWidget>

#include <optional>

#include "sim/simulation.h"

namespace kavrin::ui {

class TArenaView : public QWidget {
    Q_OBJECT

public:
    explicit TArenaView(sim::Simulation& simulation, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {720, 540}; }

    // Where a table point (cm) is on the widget, for the current size.
    QPointF ToWidget(sim::Vec2 table) const;
    sim::Vec2 ToTable(QPointF widget) const;

    // The arena changed: the table is drawn again.
    void InvalidateBackground();

    // Shows the recorded run at time t (the robot, its trail up to then, its sensors), or with
    // nothing the simulation as it is now. The robot is not moved by hand while a moment shows.
    void ShowMoment(std::optional<sim::VirtualTime> t);
    std::optional<sim::VirtualTime> Moment() const { return moment_; }

Q_SIGNALS:
    // The robot was placed or turned by hand.
    void RobotMoved();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Drag { None, Move, Turn };

    QTransform TableTransform() const;
    void PaintTable(QPainter& painter) const;
    void UpdateBackground();
    void PaintMoment(sim::VirtualTime t);
    bool OnRobot(sim::Vec2 table) const;
    void TryPlace(const sim::Pose& pose);

    sim::Simulation& simulation_;
    Drag drag_ = Drag::None;
    sim::Vec2 grabOffset_;  // from the pointer to the robot's axle centre, in table cm
    QPixmap background_;    // the table and the path drawn so far
    std::size_t drawnPoints_ = 0;
    sim::Vec2 drawnBack_;  // the last path point in the picture
    QPixmap table_;        // the table alone, for replay
    std::optional<sim::VirtualTime> moment_;
};

}  // namespace kavrin::ui
