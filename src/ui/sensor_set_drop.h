#pragma once
// The "+" tile of the sensor notebook is an ordinary drag and drop: its data names the notebook's
// current sensor set, and the main list takes it only over the Both, Left and Right columns of a
// step row, where it writes that set into the column.

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QMimeData;
class QWidget;

namespace kavrin::ui {

class TActionGrid;

// The data type of a dragged sensor set (its number, 0 for All, as text).
inline const QString kSensorSetMimeType = QStringLiteral("application/x-kavrin-sensor-set");

QMimeData* SensorSetMimeData(int sensorSet);
// The set a drag carries, or -1 when it carries none.
int SensorSetOf(const QMimeData* data);

// Drags a sensor set from a source widget until the button is released; true when it was
// dropped on a list.
bool DragSensorSet(QWidget* source, int sensorSet);

// Makes a grid accept dropped sensor sets; dropped runs after each one that was written. The
// filter leaves the viewport when the grid goes.
class TSensorSetDropTarget : public QObject {
    Q_OBJECT

public:
    TSensorSetDropTarget(TActionGrid* grid, std::function<void()> dropped);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TActionGrid* grid_;
    // The watched viewport, taken once: while the grid is being destroyed its viewport still
    // sends events here, and the grid may no longer be asked for anything.
    QPointer<QWidget> viewport_;
    std::function<void()> dropped_;
};

}  // namespace kavrin::ui
