#include "ui/run_timeline.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>

#include "resources/ui_strings.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

const QColor kStepMark(0x2a, 0x7a, 0xc7, 170);
const QColor kMissionMark(0xc0, 0x7d, 0x00);
constexpr int kPageMs = 1000;  // Page Up and Down move a second; the arrows a sample
constexpr int kMarkTopPx = 2;

int Ms(sim::VirtualTime t) { return static_cast<int>(t / sim::kMicrosPerMs); }

}  // namespace

TRunTimeline::TRunTimeline(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setObjectName(QStringLiteral("timeline"));
    setToolTip(UiString(resources::str::kSimTimelineTip));
    setRange(0, 0);
    setSingleStep(static_cast<int>(sim::kSampleInterval / sim::kMicrosPerMs));
    setPageStep(kPageMs);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumHeight(fontMetrics().height() + 2 * kMarkTopPx);
    // Only the user's moves go out; Follow blocks its own.
    connect(this, &QSlider::valueChanged, this, [this](int ms) {
        Q_EMIT Moved(static_cast<sim::VirtualTime>(ms) * sim::kMicrosPerMs);
    });
}

void TRunTimeline::Follow(const sim::RunRecord& record, sim::VirtualTime at) {
    const QSignalBlocker quiet(this);
    const std::vector<sim::RunMark>& marks = record.Marks();
    if (marks.size() < markCount_) {  // a new run
        marks_.clear();
        markCount_ = 0;
    }
    const bool newMarks = marks.size() != markCount_;
    for (; markCount_ < marks.size(); ++markCount_) {
        const sim::RunMark& m = marks[markCount_];
        marks_.push_back({Ms(m.time), m.kind != sim::RunMark::Kind::Step});
    }
    const int end = Ms(record.End());
    if (end != maximum() || newMarks) {
        setMaximum(end);
        update();
    }
    setValue(Ms(at));
}

void TRunTimeline::MoveTo(sim::VirtualTime t) { setValue(Ms(t)); }

void TRunTimeline::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (marks_.empty() || maximum() <= 0) {
        return;
    }
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre runs from half a handle in at each end.
    const int from = groove.left() + handle.width() / 2;
    const int span = std::max(1, groove.width() - handle.width());
    QPainter painter(this);
    int lastX = -1;
    for (const bool mission : {false, true}) {
        painter.setPen(mission ? kMissionMark : kStepMark);
        for (const TMark& m : marks_) {
            if (m.mission != mission) {
                continue;
            }
            const int x = from + static_cast<int>(static_cast<qint64>(m.ms) * span / maximum());
            if (x == lastX && !mission) {
                continue;  // many steps in a pixel: one line
            }
            lastX = x;
            const int top = mission ? kMarkTopPx : height() / 3;
            painter.drawLine(x, top, x, height() - kMarkTopPx);
        }
    }
}

}  // namespace kavrin::ui
