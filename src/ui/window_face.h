#pragma once
// The borderless main window's shape and movement: its rounded outline, the skin images that
// move the window when dragged, and the help area that the window uncovers downwards as it
// opens, one step per timer tick.
//
// The outline is the widget's mask, in units. Qt hands a mask to the display enlarged to the
// screen's pixels, its steps with it (two pixels a step at 200 %); so on a screen with more than
// one pixel to the unit the face gives the display the same outline drawn at the screen's own
// pixels, whenever it sets the mask and when the window shows or moves to another screen.

#include <QObject>
#include <QPoint>
#include <QRegion>
#include <QTimer>

class QWidget;

namespace kavrin::ui {

// A rounded rectangle at (0, 0) whose corners are ellipses of the given size.
QRegion RoundedRegion(int width, int height, qreal ellipse);

class TWindowFace : public QObject {
    Q_OBJECT

public:
    static constexpr int kCornerEllipse = 125;      // the window's outline at creation
    static constexpr int kHelpCornerEllipse = 50;   // the outline once the help area toggled
    static constexpr int kHelpBottomMargin = 30;    // window below the help area
    static constexpr int kUncoverOvershoot = 15;    // the first step hides this much more
    static constexpr int kClosedOutlineMargin = 4;  // outline below the bottom bar, help off
    static constexpr int kClosedHeightMargin = 15;  // window below the buttons, help off
    static constexpr int kUncoverIntervalMs = 4;

    // bottomBar and corner follow the bottom edge; they may be null.
    TWindowFace(QWidget* window, QWidget* bottomBar, QWidget* corner);

    // Pressing and dragging this widget moves the window.
    void AddMoveHandle(QWidget* handle);

    // buttonsBottom: the bottom of the command buttons, below which the help area lies.
    void ShowHelpArea(QWidget* helpArea, int buttonsBottom);
    void HideHelpArea(QWidget* helpArea, int buttonsBottom);
    bool Uncovering() const { return timer_.isActive(); }
    // Runs the uncovering to its end at once.
    void FinishUncovering();

Q_SIGNALS:
    // The help area is uncovered and shown.
    void HelpAreaShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void UncoverStep();
    // The outline: rounded corners of the ellipse, down to bottom (in units).
    void SetOutline(int bottom, int ellipse);
    void ShowOutlineAtScreenPixels();

    QWidget* window_;
    QWidget* bottomBar_;
    QWidget* corner_;
    QWidget* helpArea_ = nullptr;
    QTimer timer_;
    int hidden_ = 0;  // pixels still covered at the bottom
    int outlineBottom_ = 0;
    int outlineEllipse_ = kCornerEllipse;
    bool moving_ = false;
    QPoint pressGlobal_;
    QPoint pressWindowPos_;
};

}  // namespace kavrin::ui
