#pragma once
// A list grid: draws one list of the document (header row, numbered step rows and the empty
// append row, sensor-set names in the main list's sensor columns, the selection framed in red)
// and turns mouse and keys into document calls. The action column is covered by action widgets
// that the grid re-binds whenever its rows change.

#include <QAbstractScrollArea>
#include <QKeyEvent>

#include <optional>
#include <vector>

#include "model/document.h"
#include "model/key_table.h"
#include "ui/accessibility.h"

namespace kavrin::ui {

class TBotAction;

// How a grid marks the step the robot runs: its step-number cell in yellow with an arrow, paler
// for the main list's step that a sensor set interrupted.
enum class TStepMarkKind { None, Running, Interrupted };

struct TStepMark {
    int row = 0;  // the marked step, 0 for none
    TStepMarkKind kind = TStepMarkKind::None;
    friend bool operator==(const TStepMark&, const TStepMark&) = default;
};

// The command of the key table a key event stands for.
model::TCommand CommandForKeyEvent(const QKeyEvent& event);

class TActionGrid : public QAbstractScrollArea {
    Q_OBJECT

public:
    static constexpr int kRowHeight = 27;
    static constexpr int kGridLine = 1;
    static constexpr int kRowPitch = kRowHeight + kGridLine;
    static constexpr int kHeaderPadding = 12;      // added to a header's text width
    static constexpr int kLeastHeaderPadding = 4;  // when the action column needs the room
    static constexpr int kMoveThreshold = 4;       // pixels before a press on a step number drags

    // sensorColumns: the main list in Advanced mode, with Both, Left and Right.
    TActionGrid(model::TActionDocument& document, int list, bool sensorColumns, QWidget* parent);

    int List() const { return list_; }
    int VisibleStepRows() const;
    int ColumnCount() const { return static_cast<int>(widths_.size()); }
    int ColumnWidth(int column) const { return widths_[static_cast<std::size_t>(column)]; }
    int ColumnLeft(int column) const;
    // The grid column under a point of the viewport, or -1 beyond the last column.
    int ColumnAt(int x) const;
    // The words a cell shows (the action column's are its widget's): the heading in row 0, the
    // step number (with the arrow of a marked step), a sensor set's name; empty for the rest.
    QString CellText(int row, int column) const;
    // The grid row under a point of the viewport: 0 for the header, -1 below the last row.
    int RowAt(int y) const;

    // Computes the column widths from the grid's width (also on every resize). The action column
    // takes the rest, and as much of the other columns' padding as its values need.
    void ComputeColumnWidths();
    // Creates the widgets for the grid's visible rows, hidden, on this grid.
    std::vector<TBotAction*> CreateWidgets();
    // A palette tile dropped at a point of the viewport; returns whether a step was inserted.
    bool DropActionAt(const QPoint& pos, int kind);
    // A palette tile by the keyboard: before the selected step, or appended on the empty row.
    bool InsertAtSelection(int kind);
    // The selected step's value into its spin control (scrolled into view); false for none.
    bool EditSelectedValue();

    // Whether the sensor-set tile may land on the cell at a point of the viewport, and its
    // landing there: that sensor column of the step becomes the set.
    bool AcceptsSensorDrop(const QPoint& pos) const;
    void DropSensorSetAt(const QPoint& pos, int sensorSet);

    // The widgets that show the visible steps (created by the grid's owner); they are bound
    // from the top row on whenever the grid's rows change.
    void AttachWidgets(const std::vector<TBotAction*>& widgets);
    const std::vector<TBotAction*>& Widgets() const { return widgets_; }
    // Where a widget of a display row sits.
    QPoint WidgetPlace(int displayRow) const;
    // Re-reads the document: scroll range and position, widgets, paint.
    void Refresh();
    void DisplayVisibleActions();

    // Scrolls so that a row is in view.
    void EnsureVisible(int row);

    // What a screen reader reads (ui/accessibility.h): the steps and the empty row after them,
    // rows 1 to SpokenRowCount(), each in words; where a row is on the viewport (empty while
    // scrolled away); the selection and its first row; and a row chosen from the reader.
    const model::TActionDocument& Document() const { return document_; }
    int SpokenRowCount() const { return document_.Count(list_) + 1; }
    QString RowText(int row) const;
    QRect RowRect(int row) const;
    bool IsRowSelected(int row) const;
    int CurrentRow() const { return document_.View(list_).selection.top; }
    void ChooseRow(int row);

    // Marks the step the robot runs (a mark on another row than before scrolls it into view),
    // or no step.
    void SetStepMark(TStepMark mark);
    TStepMark StepMark() const { return stepMark_; }

Q_SIGNALS:
    // The document changed through this grid (selection, value, move, scroll): the owner
    // recomputes what depends on it.
    void Changed();
    // A key of the key table was pressed.
    void CommandRequested(kavrin::model::TCommand command);
    // The pointer moved over a column (-1: outside the columns), for context help.
    void Hovered(int column);
    // A tile did not go in; the UI string says why.
    void Refused(int uiString);
    // A typed value was not taken: the text gives the values the step takes.
    void ValueRefused(const QString& help);
    // The list took the keyboard from Tab or F6: the window says which keys do what.
    void KeyboardEntered();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void PaintCell(class QPainter& painter, int row, int column, const QRect& rect);
    void MoveSelection(int delta, bool extend);
    bool ListKey(model::TCommand command);
    // Tells a screen reader what changed in the rows since it was last told.
    void AnnounceChanges();

    model::TActionDocument& document_;
    int list_;
    std::vector<int> headers_;  // UI string numbers
    std::vector<int> widths_;
    std::vector<TBotAction*> widgets_;
    int pressRow_ = -1;  // step number pressed, for a row move
    QPoint pressPoint_;
    int moveTarget_ = -1;    // row a dragged step would go to
    int selectAnchor_ = -1;  // row where a selecting drag began
    bool syncing_ = false;
    TStepMark stepMark_;
    std::optional<TSpokenRows> spoken_;  // none while no screen reader listens
};

}  // namespace kavrin::ui
