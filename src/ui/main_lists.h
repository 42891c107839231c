#pragma once
// The lists of the main window: the main list's grid and, in Advanced mode, the sensor notebook
// (five tabs over one grid each, sharing one set of action widgets) and the "+" tile that drags
// the current set into the main list's sensor columns. It maps the gestures on the lists onto
// the document and is the drop target of dragged palette tiles.

#include <QObject>
#include <QPoint>

#include <array>
#include <vector>

#include "model/document.h"
#include "model/key_table.h"
#include "sim/step_probe.h"
#include "ui/action_grid.h"
#include "ui/list_drop_target.h"

class QLabel;
class QTabBar;
class QWidget;

namespace kavrin::ui {

class TBotAction;

// What the lists show of the step the virtual robot runs: each grid's mark (by list number
// minus 1) and the sensor notebook's tab that comes forward (-1: it stays where it is).
struct TRunMarks {
    std::array<TStepMark, model::kListCount> lists{};
    int sensorTab = -1;
    friend bool operator==(const TRunMarks&, const TRunMarks&) = default;
};

// The main list's step is marked as running; a sensor set's step is marked in its list, its tab
// comes forward, and the main list's step it interrupted is marked as such. A step the lists
// do not hold (they were edited, or the step is none) is not marked.
TRunMarks MarksForRunningStep(const sim::RunningStep& step, const model::TActionProgram& program);

class TMainLists : public QObject, public TListDropTarget {
    Q_OBJECT

public:
    // Makes the grids, the notebook and the "+" tile on the window, placed by their layout
    // records; the notebook and the tile are hidden in Beginner mode.
    TMainLists(QWidget& window, model::TActionDocument& document);

    TActionGrid* Grid(int list) const;
    QWidget* Notebook() const { return notebook_; }
    QTabBar* Tabs() const { return tabs_; }
    QLabel* SensorSetTile() const { return sensorSetTile_; }
    const std::vector<TBotAction*>& MainWidgets() const { return mainWidgets_; }
    const std::vector<TBotAction*>& SensorWidgets() const { return sensorWidgets_; }
    // The sensor notebook's tab (0: All).
    int SensorTab() const;
    // Ctrl+1 to Ctrl+5: the tab comes forward as if clicked, its set the current list.
    void ChooseSensorTab(int tab);

    // Re-reads what changed in the document into the grids.
    void Refresh(const model::TDocumentChange& change);
    void FocusCurrentGrid();
    void SetSensorSetTileEnabled(bool enabled);
    // The lists and their value edits in tab order.
    std::vector<QWidget*> TabChain() const;

    // Marks the step the robot runs: a reacting set's tab comes forward without taking the
    // keyboard or the current list from the main list.
    void ShowRunMarks(const TRunMarks& marks);

    int DropListAt(QPoint hostPos, int kind) const override;
    QPoint LandingPoint(int list, QPoint hostPos) const override;
    void DropAction(int list, QPoint hostPos, int kind) override;

Q_SIGNALS:
    // The document changed through a list (selection, value, drop, tab).
    void Changed();
    void CommandRequested(kavrin::model::TCommand command);
    // The help text for what the pointer is over.
    void HelpWanted(int uiString);
    // A palette tile of this kind was dropped into a list.
    void ActionDropped(int kind);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateNotebook();
    void CreateSensorSetTile();
    void CreateGrids();
    void ShowSensorSet(int index);
    bool HandleSensorSetTileEvent(QEvent* event);

    QWidget& window_;
    model::TActionDocument& document_;
    QWidget* notebook_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QLabel* sensorSetTile_ = nullptr;
    std::array<TActionGrid*, model::kListCount> grids_{};
    std::vector<TBotAction*> mainWidgets_;
    std::vector<TBotAction*> sensorWidgets_;
    bool draggingSensorSet_ = false;
    bool followingRun_ = false;  // the run turns the notebook, not the user
    QPoint pressPoint_;
};

}  // namespace kavrin::ui
