#include "ui/arena_view.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "resources/ui_strings.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

constexpr double kMarginPx = 12.0;
constexpr double kWheelWidthCm = 1.8;
constexpr double kTreadSpacingCm = 1.2;    // stripes on the tyre, so turning shows
constexpr double kTurnPerNotchDeg = 10.0;  // a mouse wheel notch turns the robot this much
constexpr int kConeSamples = 12;
constexpr std::size_t kPathSearchBack = 4096;  // how far back the picture's last point is sought
constexpr double kConeAfterglowUs = 300'000;   // a cone fades out this long after its burst

const QColor kFloor(0x3c, 0x40, 0x46);
const QColor kTable(0xee, 0xe6, 0xd3);
const QColor kGrid(0xdd, 0xd2, 0xbb);
const QColor kSolid(0x5b, 0x61, 0x6b);
const QColor kPath(0x2a, 0x7a, 0xc7, 150);
const QColor kBody(0x2e, 0x8b, 0x57);
const QColor kBodyEdge(0x1c, 0x55, 0x35);
const QColor kTyre(0x22, 0x22, 0x22);
const QColor kTread(0x70, 0x70, 0x70);
const QColor kWhisker(0x9a, 0x9a, 0x9a);
const QColor kTouching(0xd6, 0x2f, 0x2f);
const QColor kConeLit(0xff, 0x5a, 0x36, 110);
const QColor kConeSeen(0xd6, 0x2f, 0x2f, 220);
const QColor kModule(0x1b, 0x1b, 0x1b);
const QColor kDetector(0x30, 0x30, 0x30);
const QColor kDetectorLit(0xff, 0x3b, 0x1f);
const QColor kDetectorGlow(0xff, 0x5a, 0x36, 120);
const QColor kArrow(255, 255, 255, 200);
const QColor kZone(0xf2, 0xb1, 0x1c, 60);
const QColor kZoneEdge(0xc0, 0x7d, 0x00);
const QColor kZoneMet(0x2f, 0xa0, 0x4e, 90);
const QColor kZoneName(0x8a, 0x59, 0x00);
constexpr double kZoneNameInsetPx = 4.0;
constexpr double kReplayTrailStepCm = 0.5;  // a replayed trail keeps points this far apart
constexpr double kReplayWhiskerBend = 0.3;  // a pressed whisker in replay, bent this much

QPointF P(sim::Vec2 v) { return {v.x, v.y}; }

QPolygonF Outline(const std::array<sim::Vec2, 4>& corners) {
    QPolygonF polygon;
    for (const sim::Vec2& c : corners) {
        polygon << P(c);
    }
    return polygon;
}

QPainterPath SectorPath(const sim::Sector& s) {
    QPainterPath path(P(s.apex));
    for (int i = 0; i <= kConeSamples; ++i) {
        const double a = s.axis - s.halfAngle + 2 * s.halfAngle * i / kConeSamples;
        path.lineTo(s.apex.x + s.radius * std::cos(a), s.apex.y + s.radius * std::sin(a));
    }
    path.closeSubpath();
    return path;
}

// Marks on the robot's body, in cm from the axle's centre (x forward, y to the left).
struct TBodyMarks {
    QRectF module{-3.0, -2.5, 5.0, 5.0};  // the module on the board
    double detectorInset = 0.8;           // infrared units, this far in from the front corners
    double detectorRadius = 0.7;
    double arrowTip = 1.2;  // the forward arrow, its tip and base back from the front edge
    double arrowBase = 3.2;
    double arrowHalfWidth = 1.3;
};
constexpr TBodyMarks kMarks{};

// An infrared cone under the robot: bright during a burst, fading after it, red-edged and marked
// at the end when the burst saw something.
void PaintCone(QPainter& painter, const sim::RobotBody& body, sim::Side side) {
    const sim::InfraredState ir = body.Infrared(side);
    if (ir.cone.radius <= 0 || ir.burstAt < 0) {
        return;
    }
    const double age = static_cast<double>(body.Now() - ir.burstAt);
    const double glow = ir.lit ? 1.0 : std::max(0.0, 1.0 - age / kConeAfterglowUs);
    if (glow <= 0) {
        return;
    }
    QColor fill = kConeLit;
    fill.setAlphaF(static_cast<float>(fill.alphaF() * glow));
    QColor line = ir.seen ? kConeSeen : kConeLit;
    line.setAlphaF(static_cast<float>(line.alphaF() * glow));
    QPen pen(line, ir.seen ? 2.0 : 1.0);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(fill);
    painter.drawPath(SectorPath(ir.cone));
    if (ir.seen) {
        painter.setBrush(line);
        painter.setPen(Qt::NoPen);
        const double a = ir.cone.axis;
        painter.drawEllipse(QPointF(ir.cone.apex.x + ir.cone.radius * std::cos(a),
                                    ir.cone.apex.y + ir.cone.radius * std::sin(a)),
                            1.2, 1.2);
    }
}

// A whisker: straight when free; touching, bent back from where it meets the obstacle.
void PaintWhisker(QPainter& painter, const sim::WhiskerState& w, sim::Side side) {
    QPen pen(w.touching ? kTouching : kWhisker, w.touching ? 3.0 : 1.5, Qt::SolidLine,
             Qt::RoundCap);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    if (!w.touching) {
        painter.drawLine(P(w.base), P(w.tip));
        return;
    }
    const sim::Vec2 along = w.tip - w.base;
    const sim::Vec2 contact = w.base + along * (1.0 - w.bend);
    const double outward = side == sim::Side::Left ? 1.0 : -1.0;
    const sim::Vec2 sideways = sim::Vec2{-along.y, along.x} * outward;  // away from the body
    const sim::Vec2 end = contact + sideways * (0.6 * w.bend) - along * (0.2 * w.bend);
    QPainterPath wire(P(w.base));
    wire.quadTo(P(contact), P(end));
    painter.drawPath(wire);
}

// A wheel seen from above, in the robot's own frame; its tread moves forward on top as the wheel
// turns forward.
void PaintWheel(QPainter& painter, const sim::RobotGeometry& g, double angle, sim::Side side) {
    const double radius = g.wheelDiameter / 2;
    const double y = (side == sim::Side::Left ? 1 : -1) * g.wheelTrack / 2;
    const QRectF tyre(-radius, y - kWheelWidthCm / 2, g.wheelDiameter, kWheelWidthCm);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kTyre);
    painter.drawRoundedRect(tyre, 0.4, 0.4);
    const double shift = std::fmod(angle * radius, kTreadSpacingCm);
    painter.setPen(QPen(kTread, 0.35));
    for (double x = -radius + std::fmod(shift + kTreadSpacingCm, kTreadSpacingCm); x < radius;
         x += kTreadSpacingCm) {
        painter.drawLine(QPointF(x, tyre.top() + 0.2), QPointF(x, tyre.bottom() - 0.2));
    }
}

// The robot as it is drawn at one moment: live from the body, in replay from the record.
struct TRobotLook {
    sim::Pose pose;
    double wheelAngle[2] = {0, 0};
    bool contact = false;
    bool ir[2] = {false, false};  // the detector sees: drawn lit
};

// The body, the wheels, the module, the infrared units at the front corners (lit while they see
// something) and an arrow that shows which way is forward; ringed while it touches something.
void PaintRobot(QPainter& painter, const sim::RobotGeometry& g, const TRobotLook& look) {
    const sim::Pose& pose = look.pose;
    painter.setPen(QPen(kBodyEdge, 0.4));
    painter.setBrush(kBody);
    painter.drawPolygon(Outline(sim::BodyCorners(g, pose)));
    painter.save();
    painter.translate(pose.x, pose.y);
    painter.rotate(pose.heading * 180.0 / std::numbers::pi);
    PaintWheel(painter, g, look.wheelAngle[0], sim::Side::Left);
    PaintWheel(painter, g, look.wheelAngle[1], sim::Side::Right);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kModule);
    painter.drawRect(kMarks.module);
    const double side = g.bodyWidth / 2 - kMarks.detectorInset;
    for (int i = 0; i < 2; ++i) {  // left (y > 0), then right
        const QPointF at(g.bodyFront - kMarks.detectorInset, i == 0 ? side : -side);
        if (look.ir[i]) {
            painter.setBrush(kDetectorGlow);
            painter.drawEllipse(at, 2 * kMarks.detectorRadius, 2 * kMarks.detectorRadius);
        }
        painter.setBrush(look.ir[i] ? kDetectorLit : kDetector);
        painter.drawEllipse(at, kMarks.detectorRadius, kMarks.detectorRadius);
    }
    painter.setBrush(kArrow);
    painter.drawPolygon(
        QPolygonF({QPointF(g.bodyFront - kMarks.arrowTip, 0),
                   QPointF(g.bodyFront - kMarks.arrowBase, kMarks.arrowHalfWidth),
                   QPointF(g.bodyFront - kMarks.arrowBase, -kMarks.arrowHalfWidth)}));
    painter.restore();
    if (look.contact) {
        QPen ring(kTouching, 2.0);
        ring.setCosmetic(true);
        painter.setPen(ring);
        painter.setBrush(Qt::NoBrush);
        painter.drawPolygon(Outline(sim::BodyCorners(g, pose)));
    }
}

QRectF ZoneRect(const sim::MissionZone& zone) {
    return {zone.area.x, zone.area.y, zone.area.width, zone.area.height};
}

// A mission's zones: marked areas, dashed, with their names at the top left corner.
void PaintZones(QPainter& painter, const sim::Mission& mission) {
    QPen edge(kZoneEdge, 1.5, Qt::DashLine);
    edge.setCosmetic(true);
    painter.setPen(edge);
    painter.setBrush(kZone);
    for (const sim::MissionZone& zone : mission.zones) {
        painter.drawRect(ZoneRect(zone));
    }
    // The names upright: drawn in the widget's own coordinates.
    const QTransform table = painter.transform();
    painter.save();
    painter.resetTransform();
    QFont font = painter.font();
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(kZoneName);
    for (const sim::MissionZone& zone : mission.zones) {
        const QRectF r =
            table.mapRect(ZoneRect(zone))
                .adjusted(kZoneNameInsetPx, kZoneNameInsetPx, -kZoneNameInsetPx, -kZoneNameInsetPx);
        painter.drawText(r, Qt::AlignLeft | Qt::AlignTop, FromCore(zone.name));
    }
    painter.restore();
}

// Green over every zone whose tasks are all met.
void PaintMetZones(QPainter& painter, const sim::MissionJudge& judge) {
    const sim::Mission& mission = judge.GetMission();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kZoneMet);
    for (std::size_t z = 0; z < mission.zones.size(); ++z) {
        bool used = false;
        bool met = true;
        for (std::size_t t = 0; t < mission.tasks.size(); ++t) {
            if (mission.tasks[t].zone == z) {
                used = true;
                met = met && judge.Progress()[t].met;
            }
        }
        if (used && met) {
            painter.drawRect(ZoneRect(mission.zones[z]));
        }
    }
}

}  // namespace

TArenaView::TArenaView(sim::Simulation& simulation, QWidget* parent)
    : QWidget(parent), simulation_(simulation) {
    setMinimumSize(320, 240);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setToolTip(UiString(resources::str::kSimArenaViewTip));
}

QTransform TArenaView::TableTransform() const {
    const sim::Arena& arena = simulation_.Body().GetArena();
    const double scale = std::max(0.01, std::min((width() - 2 * kMarginPx) / arena.width,
                                                 (height() - 2 * kMarginPx) / arena.depth));
    const double left = (width() - arena.width * scale) / 2;
    const double bottom = (height() + arena.depth * scale) / 2;
    QTransform t;
    t.translate(left, bottom);
    t.scale(scale, -scale);  // y up on the table
    return t;
}

QPointF TArenaView::ToWidget(sim::Vec2 table) const { return TableTransform().map(P(table)); }

sim::Vec2 TArenaView::ToTable(QPointF widget) const {
    const QPointF p = TableTransform().inverted().map(widget);
    return {p.x(), p.y()};
}

void TArenaView::InvalidateBackground() {
    background_ = QPixmap();
    table_ = QPixmap();
}

void TArenaView::PaintTable(QPainter& painter) const {
    const sim::Arena& arena = simulation_.Body().GetArena();
    painter.setPen(Qt::NoPen);
    painter.setBrush(kTable);
    painter.drawRect(QRectF(0, 0, arena.width, arena.depth));
    QPen grid(kGrid, 1.0);
    grid.setCosmetic(true);
    painter.setPen(grid);
    for (double x = 10; x < arena.width; x += 10) {
        painter.drawLine(QPointF(x, 0), QPointF(x, arena.depth));
    }
    for (double y = 10; y < arena.depth; y += 10) {
        painter.drawLine(QPointF(0, y), QPointF(arena.width, y));
    }
    if (const sim::MissionJudge* judge = simulation_.Judge()) {
        PaintZones(painter, judge->GetMission());
    }

    painter.setPen(QPen(kSolid, 1.5, Qt::SolidLine, Qt::RoundCap));
    for (const sim::Segment& w : arena.walls) {
        painter.drawLine(P(w.a), P(w.b));
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(kSolid);
    for (const sim::ArenaBox& b : arena.boxes) {
        painter.drawRect(QRectF(b.x, b.y, b.width, b.height));
    }
    for (const sim::Disc& d : arena.discs) {
        painter.drawEllipse(P(d.centre), d.radius, d.radius);
    }
    QPen edge(kSolid, 3.0);
    edge.setCosmetic(true);
    painter.setPen(edge);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, 0, arena.width, arena.depth));
}

// The table and the path so far are kept in a picture that only grows at the path's end; it is
// drawn again when the size, the arena or the path's beginning change.
void TArenaView::UpdateBackground() {
    const std::deque<sim::Vec2>& path = simulation_.Body().Path();
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = size() * ratio;
    // Where the picture's last point lies in the path now (the path drops its oldest points
    // beyond its limit, and starts over when the robot is restarted or placed).
    std::size_t from = path.size();
    if (!background_.isNull() && background_.size() == pixels && drawnPoints_ > 0) {
        const std::size_t lookBack = std::min<std::size_t>(path.size(), kPathSearchBack);
        for (std::size_t i = path.size(); i-- > path.size() - lookBack;) {
            if (path[i] == drawnBack_) {
                from = i;
                break;
            }
        }
        if (path.size() < drawnPoints_ && path.size() < sim::kMaxPathPoints) {
            from = path.size();  // restarted
        }
    }
    QPainter painter;
    if (from == path.size()) {  // draw it all again
        background_ = QPixmap(pixels);
        background_.setDevicePixelRatio(ratio);
        background_.fill(kFloor);
        painter.begin(&background_);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(TableTransform());
        PaintTable(painter);
        from = 0;
    } else {
        if (from + 1 == path.size()) {  // nothing new
            return;
        }
        painter.begin(&background_);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setTransform(TableTransform());
    }
    if (path.size() > from + 1) {
        QPolygonF line;
        line.reserve(static_cast<qsizetype>(path.size() - from));
        for (std::size_t i = from; i < path.size(); ++i) {
            line << P(path[i]);
        }
        QPen pen(kPath, 2.0, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawPolyline(line);
    }
    drawnPoints_ = path.size();
    drawnBack_ = path.empty() ? sim::Vec2{} : path.back();
}

void TArenaView::resizeEvent(QResizeEvent* event) {
    InvalidateBackground();
    QWidget::resizeEvent(event);
}

void TArenaView::ShowMoment(std::optional<sim::VirtualTime> t) {
    if (t && simulation_.Record().Empty()) {
        t.reset();
    }
    if (moment_ != t) {
        moment_ = t;
        update();
    }
}

void TArenaView::paintEvent(QPaintEvent*) {
    if (moment_) {
        PaintMoment(*moment_);
        return;
    }
    UpdateBackground();
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(TableTransform());

    if (const sim::MissionJudge* judge = simulation_.Judge()) {
        PaintMetZones(painter, *judge);
    }
    const sim::RobotBody& body = simulation_.Body();
    if (!body.Path().empty()) {  // from the last point kept to the robot
        QPen pen(kPath, 2.0, Qt::SolidLine, Qt::FlatCap);
        pen.setCosmetic(true);
        painter.setPen(pen);
        painter.drawLine(P(body.Path().back()), P(body.CurrentPose().Position()));
    }
    for (const sim::Side side : {sim::Side::Left, sim::Side::Right}) {
        PaintCone(painter, body, side);
    }
    for (const sim::Side side : {sim::Side::Left, sim::Side::Right}) {
        PaintWhisker(painter, body.Whisker(side), side);
    }
    const sim::RunSample now = simulation_.SampleNow();
    TRobotLook look;
    look.pose = body.CurrentPose();
    look.wheelAngle[0] = body.WheelAngle(sim::Side::Left);
    look.wheelAngle[1] = body.WheelAngle(sim::Side::Right);
    look.contact = body.InContact();
    look.ir[0] = now.leftIr;
    look.ir[1] = now.rightIr;
    PaintRobot(painter, body.Geometry(), look);
}

// A moment of the recorded run: the table, the trail driven up to it and the robot as the record
// has it then, with its whiskers and detectors.
void TArenaView::PaintMoment(sim::VirtualTime t) {
    const qreal ratio = devicePixelRatioF();
    if (table_.isNull() || table_.size() != size() * ratio) {
        table_ = QPixmap(size() * ratio);
        table_.setDevicePixelRatio(ratio);
        table_.fill(kFloor);
        QPainter p(&table_);
        p.setRenderHint(QPainter::Antialiasing);
        p.setTransform(TableTransform());
        PaintTable(p);
    }
    QPainter painter(this);
    painter.drawPixmap(0, 0, table_);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setTransform(TableTransform());

    const sim::RunRecord& record = simulation_.Record();
    const std::size_t last = record.IndexAt(t);
    const sim::RunSample& at = record.Samples()[last];
    QPolygonF trail;
    sim::Vec2 kept{record.Samples()[0].x, record.Samples()[0].y};
    trail << P(kept);
    for (std::size_t i = 1; i <= last; ++i) {
        const sim::Vec2 p{record.Samples()[i].x, record.Samples()[i].y};
        if (std::hypot(p.x - kept.x, p.y - kept.y) >= kReplayTrailStepCm || i == last) {
            trail << P(p);
            kept = p;
        }
    }
    QPen pen(kPath, 2.0, Qt::SolidLine, Qt::FlatCap, Qt::RoundJoin);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawPolyline(trail);

    const sim::RobotGeometry& g = simulation_.Body().Geometry();
    const sim::Pose pose = at.GetPose();
    const bool pressed[] = {at.leftWhisker, at.rightWhisker};
    for (const sim::Side side : {sim::Side::Left, sim::Side::Right}) {
        const int i = side == sim::Side::Left ? 0 : 1;
        const double sign = i == 0 ? 1.0 : -1.0;
        sim::WhiskerState w;
        w.base = pose.ToTable({g.bodyFront, sign * g.bodyWidth / 2});
        w.tip = pose.ToTable(
            {g.bodyFront + g.whiskerForward, sign * (g.bodyWidth / 2 + g.whiskerOutward)});
        w.touching = pressed[i];
        w.bend = pressed[i] ? kReplayWhiskerBend : 0;
        PaintWhisker(painter, w, side);
    }
    TRobotLook look;
    look.pose = pose;
    look.ir[0] = at.leftIr;
    look.ir[1] = at.rightIr;
    PaintRobot(painter, g, look);
}

bool TArenaView::OnRobot(sim::Vec2 table) const {
    const sim::RobotBody& body = simulation_.Body();
    const sim::Pose& pose = body.CurrentPose();
    const sim::Vec2 d = table - pose.Position();
    const sim::Vec2 f = sim::Direction(pose.heading);
    const double along = d.x * f.x + d.y * f.y;
    const double across = -d.x * f.y + d.y * f.x;
    const sim::RobotGeometry& g = body.Geometry();
    return along >= g.BodyRear() - 1 && along <= g.bodyFront + g.whiskerForward &&
           std::abs(across) <= g.bodyWidth / 2 + g.whiskerOutward;
}

void TArenaView::TryPlace(const sim::Pose& pose) {
    if (simulation_.Place(pose)) {
        update();
        Q_EMIT RobotMoved();
    }
}

void TArenaView::mousePressEvent(QMouseEvent* event) {
    if (moment_) {
        return;  // a moment of the past is not moved
    }
    const sim::Vec2 at = ToTable(event->position());
    if (event->button() == Qt::LeftButton && OnRobot(at)) {
        drag_ = Drag::Move;
        grabOffset_ = simulation_.Body().CurrentPose().Position() - at;
        setCursor(Qt::ClosedHandCursor);
    } else if (event->button() == Qt::RightButton) {
        drag_ = Drag::Turn;
        mouseMoveEvent(event);
    }
}

void TArenaView::mouseMoveEvent(QMouseEvent* event) {
    const sim::Vec2 at = ToTable(event->position());
    sim::Pose pose = simulation_.Body().CurrentPose();
    if (drag_ == Drag::Move) {
        pose.x = at.x + grabOffset_.x;
        pose.y = at.y + grabOffset_.y;
        TryPlace(pose);
    } else if (drag_ == Drag::Turn) {
        const sim::Vec2 d = at - pose.Position();
        if (std::hypot(d.x, d.y) < 1.0) {
            return;
        }
        pose.heading = std::atan2(d.y, d.x);
        TryPlace(pose);
    } else {
        setCursor(OnRobot(at) ? Qt::OpenHandCursor : Qt::ArrowCursor);
    }
}

void TArenaView::mouseReleaseEvent(QMouseEvent*) {
    drag_ = Drag::None;
    unsetCursor();
}

void TArenaView::wheelEvent(QWheelEvent* event) {
    if (moment_) {
        return;
    }
    const double notches = event->angleDelta().y() / 120.0;
    if (notches == 0) {
        return;
    }
    sim::Pose pose = simulation_.Body().CurrentPose();
    pose.heading += sim::DegreesToRadians(notches * kTurnPerNotchDeg);
    TryPlace(pose);
    event->accept();
}

}  // namespace kavrin::ui
