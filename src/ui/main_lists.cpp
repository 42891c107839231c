#include "ui/main_lists.h"

#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QTabBar>

#include <algorithm>

#include "resources/skin_layout.h"
#include "resources/ui_strings.h"
#include "ui/action_grid.h"
#include "ui/action_palette.h"
#include "ui/action_widget.h"
#include "ui/help_texts.h"
#include "ui/sensor_set_drop.h"
#include "ui/skin.h"
#include "ui/spin_edit.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

constexpr int kTabWidth = 39;
constexpr int kCaptionPixels = 11;
constexpr int kTilePixels = 16;
constexpr int kTileSize = 25;

bool StrictlyInside(const QRect& rect, QPoint p) {
    return p.x() > rect.left() && p.x() < rect.left() + rect.width() && p.y() > rect.top() &&
           p.y() < rect.top() + rect.height();
}

// A control's rectangle in the window's coordinates; empty while hidden.
QRect RectIn(const QWidget& window, const QWidget* control) {
    if (control == nullptr || !control->isVisible()) {
        return {};
    }
    return {control->mapTo(&window, QPoint(0, 0)), control->size()};
}

bool IsAdvanced(const model::TActionDocument& document) {
    return document.Mode() == model::TMode::Advanced;
}

}  // namespace

TRunMarks MarksForRunningStep(const sim::RunningStep& step, const model::TActionProgram& program) {
    TRunMarks marks;
    const auto mark = [&](int list, int row, TStepMarkKind kind) {
        if (model::IsValidList(list) && row >= 1 && row <= program.Count(list)) {
            marks.lists[static_cast<std::size_t>(list - 1)] = {row, kind};
        }
    };
    const int list = step.at.list;
    if (list == model::kMainList) {
        mark(list, step.at.step, TStepMarkKind::Running);
    } else if (list >= model::kSensorSetAll && list <= model::kSensorSet4) {
        mark(list, step.at.step, TStepMarkKind::Running);
        mark(model::kMainList, step.interrupted, TStepMarkKind::Interrupted);
        marks.sensorTab = list - model::kSensorSetAll;
    }
    return marks;
}

TMainLists::TMainLists(QWidget& window, model::TActionDocument& document)
    : QObject(&window), window_(window), document_(document) {
    CreateNotebook();
    CreateSensorSetTile();
    CreateGrids();
    new TSensorSetDropTarget(Grid(model::kMainList), [this] { Q_EMIT Changed(); });
    if (!IsAdvanced(document_)) {
        notebook_->hide();
        sensorSetTile_->hide();
    }
}

TActionGrid* TMainLists::Grid(int list) const {
    return model::IsValidList(list) ? grids_[static_cast<std::size_t>(list - 1)] : nullptr;
}

int TMainLists::SensorTab() const { return tabs_->currentIndex(); }

void TMainLists::ChooseSensorTab(int tab) {
    if (!IsAdvanced(document_) || tab < 0 || tab >= tabs_->count()) {
        return;
    }
    if (tab == SensorTab()) {
        ShowSensorSet(tab);  // the set and the keyboard come back to it all the same
    } else {
        tabs_->setCurrentIndex(tab);
    }
}

void TMainLists::CreateNotebook() {
    notebook_ = new QWidget(&window_);
    notebook_->setMouseTracking(true);
    notebook_->installEventFilter(this);
    ApplyControlLayout(resources::kSensorNotebookLayout, *notebook_, document_.Mode());
    tabs_ = new QTabBar(notebook_);
    tabs_->setExpanding(false);
    tabs_->setFont(ArialFont(kCaptionPixels, false));
    tabs_->setStyleSheet(
        QStringLiteral("QTabBar::tab { width: %1px; padding: 3px 0px; }").arg(kTabWidth - 2));
    tabs_->setMouseTracking(true);
    tabs_->installEventFilter(this);
    for (int tab = 0; tab < resources::str::kSensorSetCount; ++tab) {
        tabs_->addTab(UiString(resources::str::kFirstSensorSet + tab));
    }
    tabs_->setGeometry(0, 0, notebook_->width(), tabs_->sizeHint().height());
    tabs_->setAccessibleName(UiString(resources::str::kSensorListTitle));
    tabs_->setAccessibleDescription(UiString(HelpForSensorNotebook(0)));
    notebook_->setAccessibleName(tabs_->accessibleName());
    connect(tabs_, &QTabBar::currentChanged, this, &TMainLists::ShowSensorSet);
}

void TMainLists::CreateSensorSetTile() {
    sensorSetTile_ = new QLabel(QStringLiteral("+"), &window_);
    sensorSetTile_->setAlignment(Qt::AlignCenter);
    sensorSetTile_->setFont(ArialFont(kTilePixels, true));
    sensorSetTile_->setFrameStyle(QFrame::Panel | QFrame::Raised);
    sensorSetTile_->setAutoFillBackground(true);
    sensorSetTile_->setGeometry(0, 0, kTileSize, kTileSize);
    sensorSetTile_->setAccessibleDescription(UiString(resources::str::kHelpSensorSetTile));
    sensorSetTile_->setMouseTracking(true);
    sensorSetTile_->installEventFilter(this);
    ApplyControlLayout(resources::kSensorActionPanelLayout, *sensorSetTile_, document_.Mode());
}

void TMainLists::CreateGrids() {
    const model::TMode mode = document_.Mode();
    auto* main = new TActionGrid(document_, model::kMainList, IsAdvanced(document_), &window_);
    ApplyControlLayout(resources::kToDoListLayout, *main, mode);
    grids_[0] = main;
    for (int list = model::kSensorSetAll; list <= model::kSensorSet4; ++list) {
        auto* grid = new TActionGrid(document_, list, false, notebook_);
        ApplyControlLayout(resources::kSensorListLayout, *grid, mode);
        grid->setVisible(list == model::kSensorSetAll);
        grids_[static_cast<std::size_t>(list - 1)] = grid;
    }
    mainWidgets_ = main->CreateWidgets();
    main->AttachWidgets(mainWidgets_);
    sensorWidgets_ = Grid(model::kSensorSetAll)->CreateWidgets();
    Grid(model::kSensorSetAll)->AttachWidgets(sensorWidgets_);
    for (TActionGrid* grid : grids_) {
        const int list = grid->List();
        connect(grid, &TActionGrid::Changed, this, &TMainLists::Changed);
        connect(grid, &TActionGrid::CommandRequested, this, &TMainLists::CommandRequested);
        connect(grid, &TActionGrid::Hovered, this, [this, list](int column) {
            Q_EMIT HelpWanted(HelpForGrid(list, column, SensorTab()));
        });
    }
}

// A tab makes its set the current list: the set's grid comes forward with the sensor
// widgets, and a double-clicked tile goes there. When the run turns the notebook, the current
// list and the keyboard stay where the user has them, unless that was another set.
void TMainLists::ShowSensorSet(int index) {
    if (index < 0) {
        return;
    }
    const int list = model::kSensorSetAll + index;
    TActionGrid* shown = Grid(list);
    tabs_->setAccessibleDescription(UiString(HelpForSensorNotebook(index)));
    const QWidget* focus = window_.focusWidget();
    const bool takeList = !followingRun_ || document_.CurrentList() != model::kMainList;
    const bool takeFocus = !followingRun_ || (focus != nullptr && notebook_->isAncestorOf(focus));
    if (takeList) {
        document_.SetCurrentList(list);
    }
    shown->show();
    // The keyboard goes with the set, before the grid that had it hides (hiding a focused
    // grid would hand the focus, and with it the current list, to the main list).
    if (takeFocus && window_.isVisible()) {
        shown->setFocus(Qt::TabFocusReason);
    }
    for (int other = model::kSensorSetAll; other <= model::kSensorSet4; ++other) {
        if (other != list) {
            Grid(other)->AttachWidgets({});
            Grid(other)->hide();
        }
    }
    for (TBotAction* widget : sensorWidgets_) {
        widget->MoveToGrid(shown);
    }
    shown->AttachWidgets(sensorWidgets_);
    shown->Refresh();
    Q_EMIT Changed();
}

void TMainLists::ShowRunMarks(const TRunMarks& marks) {
    if (marks.sensorTab >= 0 && marks.sensorTab != SensorTab() && IsAdvanced(document_)) {
        followingRun_ = true;
        tabs_->setCurrentIndex(marks.sensorTab);
        followingRun_ = false;
    }
    for (TActionGrid* grid : grids_) {
        grid->SetStepMark(marks.lists[static_cast<std::size_t>(grid->List() - 1)]);
    }
}

void TMainLists::Refresh(const model::TDocumentChange& change) {
    for (TActionGrid* grid : grids_) {
        if (change.list == model::TDocumentChange::kAllLists || change.list == grid->List()) {
            grid->Refresh();
        }
    }
}

void TMainLists::FocusCurrentGrid() {
    if (TActionGrid* grid = Grid(document_.CurrentList())) {
        grid->setFocus(Qt::OtherFocusReason);
    }
}

void TMainLists::SetSensorSetTileEnabled(bool enabled) { sensorSetTile_->setEnabled(enabled); }

std::vector<QWidget*> TMainLists::TabChain() const {
    std::vector<QWidget*> chain{Grid(model::kMainList)};
    for (TBotAction* widget : mainWidgets_) {
        chain.push_back(widget->SpinEdit()->Edit());
    }
    if (!IsAdvanced(document_)) {
        return chain;
    }
    chain.push_back(tabs_);
    for (int list = model::kSensorSetAll; list <= model::kSensorSet4; ++list) {
        chain.push_back(Grid(list));
    }
    for (TBotAction* widget : sensorWidgets_) {
        chain.push_back(widget->SpinEdit()->Edit());
    }
    return chain;
}

// --- Dropped palette tiles -----------------------------------------------------------------------

// The sensor notebook's current list (Advanced mode; a set never takes a go-back step), then
// the main list, which wins where they overlap.
int TMainLists::DropListAt(QPoint hostPos, int kind) const {
    int target = 0;
    if (kind != model::akGoBack && IsAdvanced(document_) &&
        StrictlyInside(RectIn(window_, notebook_), hostPos)) {
        target = model::kSensorSetAll + SensorTab();
    }
    if (StrictlyInside(RectIn(window_, Grid(model::kMainList)), hostPos)) {
        target = model::kMainList;
    }
    return target;
}

// The start of the target row's action cell.
QPoint TMainLists::LandingPoint(int list, QPoint hostPos) const {
    const TActionGrid* grid = Grid(list);
    const QWidget* viewport = grid->viewport();
    // The header counts as row 1, anything below the last row as the empty append row.
    int row = grid->RowAt(viewport->mapFrom(&window_, hostPos).y());
    if (row == 0) {
        row = 1;
    } else if (row < 0) {
        row = document_.RowCount(list) - 1;
    }
    // An append row scrolled out of sight (a pointer over the notebook's tabs): land on the
    // last row in view rather than somewhere below the grid.
    const int display =
        std::clamp(row - document_.View(list).topRow + 1, 1, grid->VisibleStepRows());
    QPoint landing = viewport->mapTo(
        &window_, QPoint(grid->ColumnWidth(model::gcStep) + 1, display * TActionGrid::kRowPitch));
    landing.ry() += 1;
    return landing;
}

void TMainLists::DropAction(int list, QPoint hostPos, int kind) {
    if (TActionGrid* grid = Grid(list)) {
        grid->DropActionAt(grid->viewport()->mapFrom(&window_, hostPos), kind);
        Q_EMIT Changed();
        Q_EMIT ActionDropped(kind);
    }
}

// --- Hover and the "+" tile ----------------------------------------------------------------------

bool TMainLists::eventFilter(QObject* watched, QEvent* event) {
    if (watched == sensorSetTile_) {
        return HandleSensorSetTileEvent(event);
    }
    if (event->type() == QEvent::MouseMove && (watched == notebook_ || watched == tabs_)) {
        Q_EMIT HelpWanted(HelpForSensorNotebook(SensorTab()));
    }
    return QObject::eventFilter(watched, event);
}

// The "+" tile starts an ordinary drag once the pointer has moved far enough with the button
// held; the main list decides where it may land.
bool TMainLists::HandleSensorSetTileEvent(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && sensorSetTile_->isEnabled()) {
                draggingSensorSet_ = true;
                pressPoint_ = mouse->position().toPoint();
            }
            return true;
        }
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (!draggingSensorSet_ || !(mouse->buttons() & Qt::LeftButton)) {
                Q_EMIT HelpWanted(resources::str::kHelpSensorSetTile);
                return false;
            }
            if (MovedPast(mouse->position().toPoint() - pressPoint_,
                          TActionPalette::kDragStartDistance)) {
                draggingSensorSet_ = false;
                DragSensorSet(sensorSetTile_, SensorTab());
            }
            return true;
        }
        case QEvent::MouseButtonRelease:
            draggingSensorSet_ = false;
            return true;
        default:
            return false;
    }
}

}  // namespace kavrin::ui
