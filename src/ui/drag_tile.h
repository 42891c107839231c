#pragma once
// The tile that follows the pointer while a palette tile is dragged into a list, and its landing.
//
// It is a frameless overlay inside the main window (never a window of its own), so it behaves the
// same on every windowing system and cannot leave the main window. While the button is held it
// grabs the mouse and moves from the grabbed mouse events; on release it shrinks and slides onto
// the target row's action cell on a timer, disappears, and hands the drop to the drop target.

#include <QPixmap>
#include <QPoint>
#include <QRect>
#include <QTimer>
#include <QWidget>

namespace kavrin::ui {

class TListDropTarget;
class TSkinImage;

class TDragger : public QWidget {
    Q_OBJECT

public:
    static constexpr int kTileSize = 54;          // the picture while dragged
    static constexpr int kLandingFirstSize = 53;  // first and last size of the landing frames
    static constexpr int kLandingLastSize = 27;
    static constexpr int kLandingFrameMs = 12;
    static constexpr int kLandingFrames = kLandingFirstSize - kLandingLastSize + 1;
    // Corner ellipse of the rounded square, as a fraction of its size (27 x 27 at 54).
    static constexpr int kCornerDivisor = 2;

    // Lives inside the host window; the target answers where drops go.
    TDragger(QWidget& host, TListDropTarget& target);
    ~TDragger() override;

    bool Dragging() const { return dragging_; }
    bool Landing() const { return landing_.isActive(); }
    int Kind() const { return kind_; }

    // Takes a drag over from a palette tile grabbed at a point inside it.
    void StartDrag(int kind, TSkinImage* tile, QPoint grabPoint);

Q_SIGNALS:
    // One frame of the landing: the picture's rectangle in the main window.
    void LandingFrame(QRect picture);
    // The drag is over (dropped, landed elsewhere or cancelled).
    void Finished();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Follow(QPoint hostPointer);
    void UpdateCursor(QPoint hostPointer);
    void Release(QPoint hostPointer);
    void ShowLandingFrame();
    void EndGrab();
    void Finish();
    // Places the picture (size x size) with its rounded square one pixel wider.
    void PlacePicture(QPoint topLeft, int size);

    QWidget& host_;
    TListDropTarget& target_;
    QPixmap picture_;
    int kind_ = 0;
    int pictureSize_ = kTileSize;
    QPoint grabOffset_;
    bool dragging_ = false;
    // The landing: from the picture's place at the release to the landing point.
    QTimer landing_;
    int frame_ = 0;
    QPoint landingStart_;
    QPoint landingEnd_;
    int targetList_ = 0;
    QPoint dropPoint_;  // in the host
};

}  // namespace kavrin::ui
