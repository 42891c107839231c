#include "ui/accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <algorithm>

#include "resources/ui_strings.h"
#include "ui/action_grid.h"
#include "ui/action_widget.h"
#include "ui/skin.h"
#include "ui/spin_edit.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

namespace str = resources::str;

// The press action of a picture button, kept as a child of the picture.
class TPicturePress : public QObject {
public:
    TPicturePress(QObject* picture, std::function<void()> press, std::function<bool()> available)
        : QObject(picture), press_(std::move(press)), available_(std::move(available)) {
        setObjectName(QLatin1String(kName));
    }
    static constexpr char kName[] = "kavrinPicturePress";
    void Press() const {
        if (press_ && Available()) {
            press_();
        }
    }
    bool Available() const { return !available_ || available_(); }

private:
    std::function<void()> press_;
    std::function<bool()> available_;
};

// (No Q_OBJECT: found by its name, as findChild would take any object for it.)
TPicturePress* PressOf(const QObject* picture) {
    for (QObject* child : picture->children()) {
        if (child->objectName() == QLatin1String(TPicturePress::kName)) {
            if (auto* press = dynamic_cast<TPicturePress*>(child)) {
                return press;
            }
        }
    }
    return nullptr;
}

// A skin picture: a button when marked so, an image when it has a name, else a filler.
class TPictureAccessible : public QAccessibleWidget {
public:
    explicit TPictureAccessible(QWidget* picture)
        : QAccessibleWidget(picture, QAccessible::Client) {}

    QAccessible::Role role() const override {
        if (PressOf(widget()) != nullptr) {
            return QAccessible::Button;
        }
        return widget()->accessibleName().isEmpty() ? QAccessible::Client : QAccessible::Graphic;
    }
    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (const TPicturePress* press = PressOf(widget());
            press != nullptr && !press->Available()) {
            state.disabled = true;
        }
        return state;
    }
    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (PressOf(widget()) != nullptr) {
            names.prepend(pressAction());
        }
        return names;
    }
    void doAction(const QString& action) override {
        const TPicturePress* press = PressOf(widget());
        if (action == pressAction() && press != nullptr) {
            press->Press();
            return;
        }
        QAccessibleWidget::doAction(action);
    }
};

class TGridAccessible;

// One row of a grid: a list item read as its step.
class TGridRowAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    TGridRowAccessible(TActionGrid* grid, int row) : grid_(grid), row_(row) {}

    bool isValid() const override { return grid_ != nullptr && row_ <= grid_->SpokenRowCount(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return grid_ != nullptr ? grid_->window()->windowHandle() : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(grid_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? grid_->RowText(row_) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) {
            return {};
        }
        const QRect inViewport = grid_->RowRect(row_);
        if (inViewport.isEmpty()) {
            return {};
        }
        return {grid_->viewport()->mapToGlobal(inViewport.topLeft()), inViewport.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        state.selectable = true;
        state.focusable = true;
        state.selected = grid_->IsRowSelected(row_);
        state.focused = grid_->hasFocus() && grid_->CurrentRow() == row_;
        if (!grid_->isVisible() || grid_->RowRect(row_).isEmpty()) {
            state.invisible = true;
            state.offscreen = true;
        }
        return state;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    bool isSelected() const override { return isValid() && grid_->IsRowSelected(row_); }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return 0; }
    int rowIndex() const override { return row_ - 1; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<TActionGrid> grid_;
    int row_;
};

// A grid: a list of one column, its rows first, then the widgets on it (the values' edits).
class TGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit TGridAccessible(TActionGrid* grid) : QAccessibleWidget(grid, QAccessible::List) {}
    ~TGridAccessible() override { DropRowsFrom(1); }

    TActionGrid* Grid() const { return static_cast<TActionGrid*>(widget()); }
    int Rows() const { return Grid()->SpokenRowCount(); }

    // The item of a grid row (1 to Rows()).
    QAccessibleInterface* Row(int row) const {
        if (row < 1 || row > Rows()) {
            return nullptr;
        }
        auto found = rows_.constFind(row);
        if (found != rows_.constEnd()) {
            return QAccessible::accessibleInterface(*found);
        }
        auto* item = new TGridRowAccessible(Grid(), row);
        rows_.insert(row, QAccessible::registerAccessibleInterface(item));
        return item;
    }
    // Forgets the items of the rows from this one on (they come again when asked for).
    void DropRowsFrom(int first) {
        for (auto it = rows_.begin(); it != rows_.end();) {
            if (it.key() >= first) {
                QAccessible::deleteAccessibleInterface(it.value());
                it = rows_.erase(it);
            } else {
                ++it;
            }
        }
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::TableInterface) {
            return static_cast<QAccessibleTableInterface*>(this);
        }
        return QAccessibleWidget::interface_cast(type);
    }
    int childCount() const override { return Rows() + QAccessibleWidget::childCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0) {
            return nullptr;
        }
        return index < Rows() ? Row(index + 1) : QAccessibleWidget::child(index - Rows());
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (const auto* item = dynamic_cast<const TGridRowAccessible*>(child)) {
            return item->isValid() && item->parent() == this ? item->rowIndex() : -1;
        }
        const int index = QAccessibleWidget::indexOfChild(child);
        return index < 0 ? -1 : index + Rows();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint inViewport = Grid()->viewport()->mapFromGlobal(QPoint(x, y));
        if (Grid()->viewport()->rect().contains(inViewport)) {
            const int row = Grid()->RowAt(inViewport.y());
            if (row >= 1 && row <= Rows()) {
                return Row(row);
            }
        }
        return QAccessibleWidget::childAt(x, y);
    }
    QAccessibleInterface* focusChild() const override {
        if (Grid()->hasFocus()) {
            return Row(Grid()->CurrentRow());
        }
        return QAccessibleWidget::focusChild();
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        return column == 0 ? Row(row + 1) : nullptr;
    }
    int selectedCellCount() const override { return selectedRowCount(); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> cells;
        for (int row : selectedRows()) {
            cells.append(Row(row + 1));
        }
        return cells;
    }
    QString columnDescription(int) const override { return UiString(str::kActionHeader); }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return static_cast<int>(selectedRows().size()); }
    int columnCount() const override { return 1; }
    int rowCount() const override { return Rows(); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> rows;
        for (int row = 1; row <= Rows(); ++row) {
            if (Grid()->IsRowSelected(row)) {
                rows.append(row - 1);
            }
        }
        return rows;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override { return Grid()->IsRowSelected(row + 1); }
    bool selectRow(int row) override {
        if (row < 0 || row >= Rows()) {
            return false;
        }
        Grid()->ChooseRow(row + 1);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int) override { return false; }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent* event) override {
        // Rows moved up or down: their items are asked for afresh.
        DropRowsFrom(std::max(1, event->firstRow() + 1));
    }

private:
    mutable QHash<int, QAccessible::Id> rows_;
};

QAccessibleInterface* Factory(const QString& className, QObject* object) {
    if (object == nullptr || !object->isWidgetType()) {
        return nullptr;
    }
    if (className == QLatin1String(TActionGrid::staticMetaObject.className())) {
        return new TGridAccessible(static_cast<TActionGrid*>(object));
    }
    if (className == QLatin1String(TSkinImage::staticMetaObject.className())) {
        return new TPictureAccessible(static_cast<QWidget*>(object));
    }
    return nullptr;
}

TGridAccessible* GridInterface(TActionGrid& grid) {
    return dynamic_cast<TGridAccessible*>(QAccessible::queryAccessibleInterface(&grid));
}

std::function<void(QAccessibleEvent&)>& Hook() {
    static std::function<void(QAccessibleEvent&)> hook;
    return hook;
}

}  // namespace

void Announce(QAccessibleEvent& event) {
    QAccessible::updateAccessibility(&event);
    if (Hook()) {
        Hook()(event);
    }
}

void SetAnnounceHook(std::function<void(QAccessibleEvent&)> hook) { Hook() = std::move(hook); }

bool Listening() { return QAccessible::isActive() || Hook() != nullptr; }

void InstallAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(&Factory);
        return true;
    }();
    (void)installed;
}

void MarkPictureButton(QWidget& picture, std::function<void()> press,
                       std::function<bool()> available) {
    InstallAccessibility();
    delete PressOf(&picture);
    new TPicturePress(&picture, std::move(press), std::move(available));
}

QString SpokenRow(int row, int count, const model::TBotAction& step, bool sensorColumns) {
    if (row > count) {
        return UiString(str::kSpokenAppendRow);
    }
    const QString kind = UiString(ActionKindName(step.kind));
    QString text;
    if (step.kind == model::akGoBack) {
        text = UiString(str::kSpokenGoBack).arg(row).arg(count).arg(kind).arg(step.value);
    } else {
        const QString seconds =
            FormatSpinValue(step.value, {1, QString(), QString()}, false, SystemNumberChars());
        text = UiString(str::kSpokenStep).arg(row).arg(count).arg(kind, seconds);
    }
    if (sensorColumns) {
        QStringList sets;
        for (std::uint8_t set : step.sensors) {
            sets.append(UiString(str::kFirstSensorSet + set));
        }
        text =
            UiString(str::kSpokenSensorSets).arg(text, sets.value(0), sets.value(1), sets.value(2));
    }
    return text;
}

TSpokenRows SpokenRowsOf(const TActionGrid& grid) {
    TSpokenRows rows;
    const int count = grid.SpokenRowCount() - 1;
    for (int row = 1; row <= count + 1; ++row) {
        rows.steps.push_back(row <= count ? grid.Document().Step(grid.List(), row)
                                          : model::TBotAction{});
        rows.texts.push_back(grid.RowText(row));
    }
    rows.current = grid.CurrentRow();
    rows.focused = grid.hasFocus();
    return rows;
}

void AnnounceRows(TActionGrid& grid, const TSpokenRows& before, const TSpokenRows& now) {
    TGridAccessible* table = GridInterface(grid);
    if (table == nullptr) {
        return;
    }
    const int oldRows = static_cast<int>(before.steps.size());
    const int newRows = static_cast<int>(now.steps.size());
    const int added = newRows - oldRows;
    // Where the rows came or went: after the steps both have in front.
    int same = 0;
    while (same < std::min(oldRows, newRows) - 1 && before.steps[static_cast<std::size_t>(same)] ==
                                                        now.steps[static_cast<std::size_t>(same)]) {
        ++same;
    }
    if (added != 0) {
        table->DropRowsFrom(same + 1);
        QAccessibleTableModelChangeEvent change(
            &grid, added > 0 ? QAccessibleTableModelChangeEvent::RowsInserted
                             : QAccessibleTableModelChangeEvent::RowsRemoved);
        change.setFirstRow(same);
        change.setLastRow(same + std::abs(added) - 1);
        change.setFirstColumn(0);
        change.setLastColumn(0);
        Announce(change);
    }
    // The rows that still stand for a row of before: their words may have changed.
    for (int row = 0; row < newRows; ++row) {
        const bool inserted = added > 0 && row >= same && row < same + added;
        const int old = row < same ? row : row - added;
        if (inserted || old < 0 || old >= oldRows ||
            before.texts[static_cast<std::size_t>(old)] ==
                now.texts[static_cast<std::size_t>(row)]) {
            continue;
        }
        if (QAccessibleInterface* item = table->Row(row + 1)) {
            QAccessibleEvent renamed(item, QAccessible::NameChanged);
            Announce(renamed);
        }
    }
    if (now.focused && (now.current != before.current || !before.focused || added != 0)) {
        if (QAccessibleInterface* item = table->Row(now.current)) {
            QAccessibleEvent focus(item, QAccessible::Focus);
            Announce(focus);
        }
    }
}

}  // namespace kavrin::ui
