#include "ui/sensor_set_drop.h"

#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

#include "model/action_program.h"
#include "ui/action_grid.h"

namespace kavrin::ui {

QMimeData* SensorSetMimeData(int sensorSet) {
    auto* data = new QMimeData;
    data->setData(kSensorSetMimeType, QByteArray::number(sensorSet));
    return data;
}

int SensorSetOf(const QMimeData* data) {
    if (data == nullptr || !data->hasFormat(kSensorSetMimeType)) {
        return -1;
    }
    bool ok = false;
    const int set = data->data(kSensorSetMimeType).toInt(&ok);
    return ok && set >= 0 && set < model::kSensorSetCount ? set : -1;
}

bool DragSensorSet(QWidget* source, int sensorSet) {
    auto* drag = new QDrag(source);
    drag->setMimeData(SensorSetMimeData(sensorSet));
    drag->setPixmap(source->grab());
    drag->setHotSpot(QPoint(source->width() / 2, source->height() / 2));
    return drag->exec(Qt::CopyAction) == Qt::CopyAction;
}

TSensorSetDropTarget::TSensorSetDropTarget(TActionGrid* grid, std::function<void()> dropped)
    : QObject(grid), grid_(grid), viewport_(grid->viewport()), dropped_(std::move(dropped)) {
    viewport_->setAcceptDrops(true);
    viewport_->installEventFilter(this);
    // Events the viewport sends while the grid is being destroyed never ask the grid anything
    // (they are not drags); once it is gone, the filter leaves the viewport.
    connect(grid, &QObject::destroyed, this, [this] {
        if (viewport_) {
            viewport_->removeEventFilter(this);
        }
        grid_ = nullptr;
    });
}

bool TSensorSetDropTarget::eventFilter(QObject* watched, QEvent* event) {
    if (grid_ == nullptr || viewport_ == nullptr || watched != viewport_) {
        return false;
    }
    switch (event->type()) {
        case QEvent::DragEnter:
        case QEvent::DragMove: {
            auto* drag = static_cast<QDragMoveEvent*>(event);
            if (SensorSetOf(drag->mimeData()) >= 0 &&
                (event->type() == QEvent::DragEnter ||
                 grid_->AcceptsSensorDrop(drag->position().toPoint()))) {
                drag->acceptProposedAction();
            } else {
                drag->ignore();
            }
            return true;
        }
        case QEvent::DragLeave:
            return true;
        case QEvent::Drop: {
            auto* drop = static_cast<QDropEvent*>(event);
            const int set = SensorSetOf(drop->mimeData());
            const QPoint at = drop->position().toPoint();
            if (set < 0 || !grid_->AcceptsSensorDrop(at)) {
                drop->ignore();
                return true;
            }
            drop->acceptProposedAction();
            grid_->DropSensorSetAt(at, set);
            if (dropped_) {
                dropped_();
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace kavrin::ui
