#pragma once
// The palette of the main window: the eight action tiles in their black scroll box. A tile
// plays under the pointer, starts a drag once pulled past a few pixels, and a double-click asks
// for its action at the end of the current list. Its tooltip and accessible description say
// what the robot does for it, its accessible name is its action's. The tiles take the keyboard
// too: the arrow keys move between them, a frame shows the one in focus, and Enter or Space (or
// a screen reader's press) asks for its action in the current list. The palette only reports
// these gestures; the window decides what they do.

#include <QObject>
#include <QPoint>

#include <array>

#include "model/document.h"
#include "resources/skin_layout.h"
#include "ui/skin.h"

class QKeyEvent;
class QScrollArea;
class QWidget;

namespace kavrin::ui {

class TActionPalette : public QObject {
    Q_OBJECT

public:
    // A palette tile plays at this speed under the pointer (percent).
    static constexpr int kHoverSpeed = 200;
    static constexpr int kDragStartDistance = 4;

    // Makes the scroll box on the window (placed by its layout record) and moves the skin's
    // tile pictures into it.
    TActionPalette(QWidget& window, const TSkin& skin, model::TMode mode);

    QScrollArea* ScrollBox() const { return scrollBox_; }
    // Rewinds every tile to its first frame.
    void Stop();

    // The tiles in slot order (a missing picture: nullptr), and the one the keyboard had last.
    const std::array<TSkinImage*, resources::kTileCount>& Tiles() const { return tiles_; }
    TSkinImage* CurrentTile() const { return currentTile_; }
    // The keyboard to the tile it had last (the first at first).
    void FocusCurrentTile(Qt::FocusReason reason);
    // The frame around the tile in focus (hidden while no tile has it).
    QWidget* FocusFrame() const { return focusFrame_; }

Q_SIGNALS:
    // A tile was pulled far enough to drag: its kind, the tile and the grabbed point in it.
    void DragStarted(int kind, kavrin::ui::TSkinImage* tile, QPoint grabPoint);
    void DoubleClicked(int kind);
    // Enter or Space on the tile in focus.
    void InsertRequested(int kind);
    // A tile took the keyboard from Tab or F6: the window says which keys do what.
    void KeyboardEntered();
    // The pointer is over a tile of this kind.
    void Hovered(int kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool HandleTileEvent(TSkinImage* tile, QEvent* event);
    bool HandleTileKey(TSkinImage* tile, const QKeyEvent& key);
    void PlayOnly(TSkinImage* hovered);
    // The nearest tile from one in a direction of the arrow keys, or nullptr at the edge.
    TSkinImage* TileBeside(const TSkinImage* from, int dx, int dy) const;

    QScrollArea* scrollBox_ = nullptr;
    std::array<TSkinImage*, resources::kTileCount> tiles_{};
    TSkinImage* pressedTile_ = nullptr;  // pressed, waiting for a drag
    TSkinImage* currentTile_ = nullptr;  // the keyboard's, or the first
    QWidget* focusFrame_ = nullptr;
    QPoint pressPoint_;
};

// Whether the pointer left the square of the given half-width around where it was pressed.
bool MovedPast(QPoint moved, int distance);

}  // namespace kavrin::ui
