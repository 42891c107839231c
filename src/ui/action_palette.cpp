#include "ui/action_palette.h"

#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMovie>
#include <QScrollArea>

#include <cstdlib>

#include "ui/accessibility.h"
#include "ui/action_widget.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

// Action kinds of the palette tiles in slot order: go back comes before stop and wait.
constexpr std::array<int, resources::kTileCount> kTileKinds{0, 1, 2, 3, 4, 5, 7, 6};

constexpr int kFocusFrameWidth = 3;

QScrollArea* MakeScrollBox(QWidget& window) {
    auto* box = new QScrollArea(&window);
    box->setFrameShape(QFrame::NoFrame);
    box->setFocusPolicy(Qt::NoFocus);
    auto* inside = new QWidget;
    inside->setAutoFillBackground(true);
    QPalette black = inside->palette();
    black.setColor(QPalette::Window, Qt::black);
    inside->setPalette(black);
    box->setPalette(black);
    box->setWidget(inside);
    box->setWidgetResizable(true);
    return box;
}

}  // namespace

bool MovedPast(QPoint moved, int distance) {
    return std::abs(moved.x()) > distance || std::abs(moved.y()) > distance;
}

TActionPalette::TActionPalette(QWidget& window, const TSkin& skin, model::TMode mode)
    : QObject(&window), scrollBox_(MakeScrollBox(window)) {
    ApplyControlLayout(resources::kActionScrollBoxLayout, *scrollBox_, mode);
    QWidget* inside = scrollBox_->widget();
    for (std::size_t i = 0; i < tiles_.size(); ++i) {
        TSkinImage* tile = skin.Image(resources::kFirstTileSlot + static_cast<int>(i));
        tiles_[i] = tile;
        if (tile == nullptr) {
            continue;
        }
        const QRect bounds = tile->geometry();
        tile->setParent(inside);
        tile->setGeometry(bounds);
        tile->show();
        tile->SetTag(kTileKinds[i]);
        const int kind = kTileKinds[i];
        tile->setToolTip(UiString(ActionKindDescription(kind)));
        // A screen reader says the tile's name, then what it does; its press is Enter's.
        tile->setAccessibleName(UiString(ActionKindName(kind)));
        tile->setAccessibleDescription(tile->toolTip());
        MarkPictureButton(*tile, [this, kind] { Q_EMIT InsertRequested(kind); });
        tile->setMouseTracking(true);
        tile->installEventFilter(this);
        tile->StopAndRewind();
        tile->setFocusPolicy(Qt::StrongFocus);
        if (currentTile_ == nullptr) {
            currentTile_ = tile;
        }
    }
    // Drawn over the tiles' edges in yellow, which no tile has at its edge; the pointer goes
    // through it.
    focusFrame_ = new QWidget(inside);
    focusFrame_->setObjectName(QStringLiteral("paletteFocusFrame"));
    focusFrame_->setAttribute(Qt::WA_TransparentForMouseEvents);
    focusFrame_->setAttribute(Qt::WA_StyledBackground);
    focusFrame_->setStyleSheet(QStringLiteral("#paletteFocusFrame { border: %1px solid #FFE000; "
                                              "background: transparent; }")
                                   .arg(kFocusFrameWidth));
    focusFrame_->hide();
}

void TActionPalette::FocusCurrentTile(Qt::FocusReason reason) {
    if (currentTile_ != nullptr) {
        currentTile_->setFocus(reason);
    }
}

TSkinImage* TActionPalette::TileBeside(const TSkinImage* from, int dx, int dy) const {
    const QPoint start = from->geometry().center();
    TSkinImage* best = nullptr;
    int bestScore = 0;
    for (TSkinImage* tile : tiles_) {
        if (tile == nullptr || tile == from) {
            continue;
        }
        const QPoint d = tile->geometry().center() - start;
        const int along = d.x() * dx + d.y() * dy;
        const int across = std::abs(dx != 0 ? d.y() : d.x());
        if (along <= 0 || across > along) {
            continue;
        }
        const int score = along + 2 * across;
        if (best == nullptr || score < bestScore) {
            best = tile;
            bestScore = score;
        }
    }
    return best;
}

bool TActionPalette::HandleTileKey(TSkinImage* tile, const QKeyEvent& key) {
    if (key.modifiers() & (Qt::ControlModifier | Qt::AltModifier)) {
        return false;
    }
    int dx = 0;
    int dy = 0;
    switch (key.key()) {
        case Qt::Key_Left:
            dx = -1;
            break;
        case Qt::Key_Right:
            dx = 1;
            break;
        case Qt::Key_Up:
            dy = -1;
            break;
        case Qt::Key_Down:
            dy = 1;
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            Q_EMIT InsertRequested(tile->Tag());
            return true;
        default:
            return false;
    }
    if (TSkinImage* next = TileBeside(tile, dx, dy)) {
        next->setFocus(Qt::OtherFocusReason);
    }
    return true;  // at the edge the focus stays; the box does not scroll away from it
}

void TActionPalette::Stop() {
    for (TSkinImage* tile : tiles_) {
        if (tile != nullptr) {
            tile->StopAndRewind();
        }
    }
}

void TActionPalette::PlayOnly(TSkinImage* hovered) {
    for (TSkinImage* tile : tiles_) {
        if (tile == nullptr) {
            continue;
        }
        if (tile != hovered) {
            tile->StopAndRewind();
        } else if (tile->Animation() == nullptr || tile->Animation()->state() != QMovie::Running) {
            tile->Play(kHoverSpeed);
        }
    }
}

bool TActionPalette::eventFilter(QObject* watched, QEvent* event) {
    for (TSkinImage* tile : tiles_) {
        if (tile != nullptr && watched == tile) {
            return HandleTileEvent(tile, event);
        }
    }
    return QObject::eventFilter(watched, event);
}

bool TActionPalette::HandleTileEvent(TSkinImage* tile, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (pressedTile_ == tile && (mouse->buttons() & Qt::LeftButton)) {
                if (MovedPast(mouse->position().toPoint() - pressPoint_, kDragStartDistance)) {
                    pressedTile_ = nullptr;
                    tile->StopAndRewind();
                    Q_EMIT DragStarted(tile->Tag(), tile, pressPoint_);
                }
                return true;
            }
            PlayOnly(tile);
            Q_EMIT Hovered(tile->Tag());
            return false;
        }
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton) {
                pressedTile_ = tile;
                pressPoint_ = mouse->position().toPoint();
            }
            return true;
        }
        case QEvent::MouseButtonRelease:
            pressedTile_ = nullptr;
            tile->update();
            return true;
        case QEvent::MouseButtonDblClick:
            pressedTile_ = nullptr;
            Q_EMIT DoubleClicked(tile->Tag());
            return true;
        case QEvent::KeyPress:
            return HandleTileKey(tile, *static_cast<QKeyEvent*>(event));
        case QEvent::FocusIn: {
            currentTile_ = tile;
            const QRect around = tile->geometry().adjusted(-kFocusFrameWidth, -kFocusFrameWidth,
                                                           kFocusFrameWidth, kFocusFrameWidth);
            focusFrame_->setGeometry(around);
            focusFrame_->raise();
            focusFrame_->show();
            scrollBox_->ensureWidgetVisible(tile, kFocusFrameWidth, kFocusFrameWidth);
            const auto reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason) {
                Q_EMIT KeyboardEntered();
            }
            return false;
        }
        case QEvent::FocusOut:
            focusFrame_->hide();
            return false;
        default:
            return false;
    }
}

}  // namespace kavrin::ui
