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
#include "ui/list_drop_target.h"

class QLabel;
class QTabBar;
class QWidget;

namespace kavrin::ui {

class TActionGrid;
class TBotAction;

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

    // Re-reads what changed in the document into the grids.
    void Refresh(const model::TDocumentChange& change);
    void FocusCurrentGrid();
    void SetSensorSetTileEnabled(bool enabled);
    // The lists and their value edits in tab order.
    std::vector<QWidget*> TabChain() const;

    int DropListAt(QPoint hostPos, int kind) const override;
    QPoint LandingPoint(int list, QPoint hostPos) const override;
    void DropAction(int list, QPoint hostPos, int kind) override;

Q_SIGNALS:
    // The document changed through a list (selection, value, drop, tab).
    void Changed();
    void CommandRequested(kavrin::model::TCommand command);
    // The help text for what the pointer is over.
    void HelpWanted(int uiString);

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
    QPoint pressPoint_;
};

}  // namespace kavrin::ui
