#pragma once
// One visible step of a list: the action kind's picture with the step's value in a spin control
// beside it, laid over a row of a list grid. A grid keeps a fixed set of them and re-binds them
// to whichever steps are scrolled into view.

#include <QObject>
#include <QPixmap>

#include <functional>

#include "model/action_program.h"

class QLabel;
class QString;
class QWidget;

namespace kavrin::ui {

class TSuperSpinEdit;

// The first frame of the palette tile of an action kind (0..7); a null pixmap for other kinds.
// At scale 2 the picture drawn at twice the size, of device pixel ratio 2 (ui/picture_scale.h).
QPixmap ActionKindPicture(int kind, int scale = 1);

// The UI string number of an action kind's name, or 0 for other kinds.
int ActionKindName(int kind);
// The UI string number of what an action kind makes the robot do (its name first), or 0 for
// other kinds.
int ActionKindDescription(int kind);

class TBotAction : public QObject {
    Q_OBJECT

public:
    static constexpr int kIconSize = 25;
    static constexpr int kIconGap = 4;  // between the icon and the spin control
    static constexpr int kAccelerationThreshold = 15;
    static constexpr int kAccelerationFactor = 2;

    // The width of grid column in which every value of every kind of step (up to the longest
    // list) shows in the spin control's own type, beside the icon and clear of the arrows.
    static int NeededColumnWidth();

    // left and top place the icon in the grid; width is that of the grid column it covers.
    TBotAction(QWidget* grid, int kind, int left, int top, int width, bool visible);

    void SetKind(int kind);
    int Kind() const { return kind_; }
    // Shows a step: kind, limits and labels for that kind, and its value. row is the step's
    // number (the highest target of a go-back step).
    void Bind(int row, const model::TBotAction& step);
    int Row() const { return row_; }
    void ShowWidget(bool visible);
    bool IsShown() const;
    // Puts the widget on another grid at the same place.
    void MoveToGrid(QWidget* grid);

    QLabel* Icon() const { return icon_; }
    TSuperSpinEdit* SpinEdit() const { return spin_; }

    // Called with the bound row and the new value after the user changed it.
    std::function<void(int row, int value)> OnValueChanged;
    // Called when typing in the value ended without a change; refused: the text was no value
    // the step can take (RangeHelp says which it can).
    std::function<void(bool refused)> OnTypingKept;

    // The help area's words for the values this step takes ("0.1 to 25.5 sec").
    QString RangeHelp() const;

private:
    void Place();

    QLabel* icon_;
    TSuperSpinEdit* spin_;
    int kind_ = -1;
    int row_ = 0;
    int left_;
    int top_;
    int width_;
};

}  // namespace kavrin::ui
