#include "ui/action_grid.h"

#include <QFont>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QWheelEvent>

#include <algorithm>
#include <string_view>

#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "ui/action_widget.h"
#include "ui/help_texts.h"
#include "ui/skin.h"
#include "ui/spin_edit.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

const QColor kFixedFill(0x80, 0x80, 0x80);
const QColor kFixedOutline(0xC0, 0xC0, 0xC0);
const QColor kGridLineColour(0xC0, 0xC0, 0xC0);
const QColor kMoveMarker(0x20, 0x40, 0xC0);
const QColor kRunningFill(0xFF, 0xE0, 0x00);
const QColor kInterruptedFill(0xFF, 0xF2, 0xA8);

constexpr int kGridFontPixels = 11;
constexpr int kNarrowestMark = 70;  // percent of the font's width
// A word keeps this much room from the lines of its cell (narrowed to fit, not cut or touching).
constexpr int kCellMargin = 3;
constexpr int kNarrowestWord = 80;

std::string_view CommandLetters() {
    static const resources::TCommandLetters letters = resources::GetCommandLetters();
    return {letters.data(), letters.size()};
}

unsigned ModifiersOf(Qt::KeyboardModifiers modifiers) {
    unsigned m = model::kmNone;
    if (modifiers & Qt::ShiftModifier) {
        m |= model::kmShift;
    }
    if (modifiers & Qt::ControlModifier) {
        m |= model::kmCtrl;
    }
    if (modifiers & Qt::AltModifier) {
        m |= model::kmAlt;
    }
    return m;
}

}  // namespace

// Shared with the main window: the command a key event stands for.
model::TCommand CommandForKeyEvent(const QKeyEvent& event) {
    char32_t key = 0;
    const int code = event.key();
    if (code == Qt::Key_Delete) {
        key = model::kKeyDelete;
    } else if (code == Qt::Key_Up) {
        key = model::kKeyUp;
    } else if (code == Qt::Key_Down) {
        key = model::kKeyDown;
    } else if (code == Qt::Key_Return || code == Qt::Key_Enter) {
        key = model::kKeyEnter;
    } else if (code == Qt::Key_F2) {
        key = model::kKeyF2;
    } else if (code == Qt::Key_F6) {
        key = model::kKeyF6;
    } else if (code == Qt::Key_Plus || code == Qt::Key_Minus) {
        key = code == Qt::Key_Plus ? U'+' : U'-';
    } else if ((code >= Qt::Key_A && code <= Qt::Key_Z) ||
               (code >= Qt::Key_0 && code <= Qt::Key_9)) {
        key = static_cast<char32_t>(code);  // letter keys carry the upper-case code
    } else {
        return model::TCommand::None;
    }
    return model::CommandForKey(key, ModifiersOf(event.modifiers()), CommandLetters());
}

TActionGrid::TActionGrid(model::TActionDocument& document, int list, bool sensorColumns,
                         QWidget* parent)
    : QAbstractScrollArea(parent), document_(document), list_(list) {
    headers_ = {resources::str::kStepHeader, resources::str::kActionHeader};
    if (sensorColumns) {
        headers_.insert(headers_.end(), {resources::str::kBothHeader, resources::str::kLeftHeader,
                                         resources::str::kRightHeader});
    }
    widths_.assign(headers_.size(), 0);
    setFont(ArialFont(kGridFontPixels));
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setMouseTracking(true);
    viewport()->setBackgroundRole(QPalette::Base);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(pal);
    verticalScrollBar()->setSingleStep(1);
    InstallAccessibility();
    const bool advanced = sensorColumns || list != model::kMainList;
    setAccessibleName(list == model::kMainList ? UiString(resources::str::kMainListTitle)
                                               : UiString(resources::str::kSpokenSensorList)
                                                     .arg(UiString(resources::str::kFirstSensorSet +
                                                                   list - model::kSensorSetAll)));
    setAccessibleDescription(
        UiString(HelpForListKeys(advanced ? model::TMode::Advanced : model::TMode::Beginner)));
    connect(this, &TActionGrid::Changed, this, &TActionGrid::AnnounceChanges);
    ComputeColumnWidths();
    Refresh();
}

QString TActionGrid::RowText(int row) const {
    const int count = document_.Count(list_);
    if (row < 1 || row > count + 1) {
        return {};
    }
    return SpokenRow(row, count, row <= count ? document_.Step(list_, row) : model::TBotAction{},
                     ColumnCount() > model::gcBoth);
}

QRect TActionGrid::RowRect(int row) const {
    const int display = row - document_.View(list_).topRow + 1;
    if (row < 1 || row > SpokenRowCount() || display < 1 ||
        display * kRowPitch + kRowHeight > viewport()->height()) {
        return {};
    }
    return {0, display * kRowPitch, ColumnLeft(ColumnCount()), kRowHeight};
}

bool TActionGrid::IsRowSelected(int row) const {
    const model::TSelection s = document_.View(list_).selection;
    return row >= s.top && row <= s.bottom;
}

void TActionGrid::ChooseRow(int row) {
    document_.SetCurrentList(list_);
    document_.SelectRow(list_, row, false);
    EnsureVisible(row);
    Q_EMIT Changed();
}

void TActionGrid::AnnounceChanges() {
    if (!Listening()) {  // no reader listens: nothing to keep
        spoken_.reset();
        return;
    }
    TSpokenRows now = SpokenRowsOf(*this);
    if (spoken_ && *spoken_ != now) {
        AnnounceRows(*this, *spoken_, now);
    }
    spoken_ = std::move(now);
}

int TActionGrid::VisibleStepRows() const {
    return list_ == model::kMainList ? model::kMainVisibleRows : model::kSensorVisibleRows;
}

int TActionGrid::ColumnLeft(int column) const {
    int x = 0;
    for (int c = 0; c < column && c < ColumnCount(); ++c) {
        x += widths_[static_cast<std::size_t>(c)] + kGridLine;
    }
    return x;
}

int TActionGrid::ColumnAt(int x) const {
    if (x < 0) {
        return -1;
    }
    for (int c = 0; c < ColumnCount(); ++c) {
        if (x < ColumnLeft(c + 1)) {
            return c;
        }
    }
    return -1;
}

int TActionGrid::RowAt(int y) const {
    if (y < 0) {
        return -1;
    }
    const int display = y / kRowPitch;
    if (display == 0) {
        return 0;
    }
    const int row = document_.View(list_).topRow + display - 1;
    return row < document_.RowCount(list_) ? row : -1;
}

void TActionGrid::ComputeColumnWidths() {
    const QFontMetrics metrics(font());
    const int client = width() - 2 * frameWidth();
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int needed = TBotAction::NeededColumnWidth();
    for (int padding = kHeaderPadding; padding >= kLeastHeaderPadding; --padding) {
        int others = 0;
        for (std::size_t c = 0; c < headers_.size(); ++c) {
            const bool action = c == static_cast<std::size_t>(model::gcAction);
            // A sensor column is as wide as its heading or the widest set name below it.
            int text = metrics.horizontalAdvance(UiString(headers_[c]));
            if (c >= static_cast<std::size_t>(model::gcBoth)) {
                for (int set = 0; set < model::kSensorSetCount; ++set) {
                    text = std::max(text, metrics.horizontalAdvance(
                                              UiString(resources::str::kFirstSensorSet + set)));
                }
            }
            widths_[c] = text + (action ? kHeaderPadding : padding);
            if (!action) {
                others += widths_[c] + kGridLine;
            }
        }
        // The action column takes what is left of the client width beside a scroll bar.
        widths_[model::gcAction] =
            std::max(widths_[model::gcAction], client - scrollBar - others - kGridLine);
        if (widths_[model::gcAction] >= needed) {
            return;
        }
    }
}

QPoint TActionGrid::WidgetPlace(int displayRow) const {
    // In the grid's own coordinates: the widgets lie over the frame's inside.
    return {frameWidth() + widths_[model::gcStep] + 2, frameWidth() + kRowPitch * displayRow + 1};
}

std::vector<TBotAction*> TActionGrid::CreateWidgets() {
    ComputeColumnWidths();
    std::vector<TBotAction*> widgets;
    for (int display = 1; display <= VisibleStepRows(); ++display) {
        const QPoint place = WidgetPlace(display);
        widgets.push_back(new TBotAction(this, model::akForward, place.x(), place.y(),
                                         ColumnWidth(model::gcAction), false));
    }
    return widgets;
}

bool TActionGrid::DropActionAt(const QPoint& pos, int kind) {
    // The header counts as row 1, anything below the last row as the append row.
    const int row = RowAt(pos.y());
    const int target = row < 0 ? document_.Count(list_) + 1 : std::max(1, row);
    const auto actionKind = static_cast<std::uint8_t>(kind);
    const int refusal = HelpForRefusal(document_.InsertRefusal(list_, actionKind));
    const bool inserted = document_.DropAction(list_, target, actionKind);
    Refresh();
    if (!inserted && refusal != 0) {
        Q_EMIT Refused(refusal);
    }
    Q_EMIT Changed();
    return inserted;
}

bool TActionGrid::InsertAtSelection(int kind) {
    const auto actionKind = static_cast<std::uint8_t>(kind);
    const int refusal = HelpForRefusal(document_.InsertRefusal(list_, actionKind));
    document_.SetCurrentList(list_);
    const bool inserted = document_.InsertAtSelection(actionKind);
    if (inserted) {
        EnsureVisible(document_.View(list_).selection.top);
    } else {
        Refresh();
        if (refusal != 0) {
            Q_EMIT Refused(refusal);
        }
    }
    Q_EMIT Changed();
    return inserted;
}

bool TActionGrid::EditSelectedValue() {
    const int row = document_.View(list_).selection.top;
    if (row < 1 || row > document_.Count(list_)) {
        return false;
    }
    EnsureVisible(row);
    for (TBotAction* widget : widgets_) {
        if (widget->IsShown() && widget->Row() == row) {
            widget->SpinEdit()->Edit()->setFocus(Qt::OtherFocusReason);
            widget->SpinEdit()->Edit()->selectAll();
            return true;
        }
    }
    return false;
}

void TActionGrid::AttachWidgets(const std::vector<TBotAction*>& widgets) {
    widgets_ = widgets;
    for (TBotAction* widget : widgets_) {
        widget->OnValueChanged = [this, widget](int row, int value) {
            document_.SetStepValue(list_, row, static_cast<std::int16_t>(value));
            // The wheel turned over a focused value goes on stepping it, as in a spin box.
            if (!widget->SpinEdit()->WheelStepping()) {
                setFocus(Qt::OtherFocusReason);
            }
            Q_EMIT Changed();
        };
        widget->OnTypingKept = [this, widget](bool refused) {
            // Enter that changed nothing gives the keyboard back to the list all the same.
            if (widget->SpinEdit()->HasFocus()) {
                setFocus(Qt::OtherFocusReason);
            }
            if (refused) {
                Q_EMIT ValueRefused(widget->RangeHelp());
            }
        };
    }
    DisplayVisibleActions();
}

void TActionGrid::DisplayVisibleActions() {
    const int top = document_.View(list_).topRow;
    const int count = document_.Count(list_);
    const int shown = std::clamp(count - top + 1, 0, static_cast<int>(widgets_.size()));
    for (int i = 0; i < static_cast<int>(widgets_.size()); ++i) {
        TBotAction* widget = widgets_[static_cast<std::size_t>(i)];
        if (i < shown) {
            widget->Bind(top + i, document_.Step(list_, top + i));
            // The value's edit is read with its step.
            const QString words = RowText(top + i);
            if (widget->SpinEdit()->Edit()->accessibleName() != words) {
                widget->SpinEdit()->Edit()->setAccessibleName(words);
            }
        }
        widget->ShowWidget(i < shown);
    }
}

void TActionGrid::Refresh() {
    syncing_ = true;
    const int maxTop = std::max(1, document_.RowCount(list_) - VisibleStepRows());
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(1, maxTop);
    bar->setPageStep(VisibleStepRows());
    bar->setValue(document_.View(list_).topRow);
    syncing_ = false;
    if (bar->value() != document_.View(list_).topRow) {
        document_.SetTopRow(list_, bar->value());
    }
    DisplayVisibleActions();
    viewport()->update();
    AnnounceChanges();
}

void TActionGrid::EnsureVisible(int row) {
    const int top = document_.View(list_).topRow;
    if (row < top) {
        document_.SetTopRow(list_, std::max(1, row));
    } else if (row >= top + VisibleStepRows()) {
        document_.SetTopRow(list_, row - VisibleStepRows() + 1);
    }
    Refresh();
}

void TActionGrid::SetStepMark(TStepMark mark) {
    if (mark.kind == TStepMarkKind::None || mark.row < 1) {
        mark = {};
    }
    if (mark == stepMark_) {
        return;
    }
    const bool moved = mark.row != stepMark_.row;
    stepMark_ = mark;
    if (moved && mark.row >= 1) {
        EnsureVisible(mark.row);  // repaints
    } else {
        viewport()->update();
    }
}

void TActionGrid::scrollContentsBy(int /*dx*/, int /*dy*/) {
    if (syncing_) {
        return;
    }
    document_.SetTopRow(list_, verticalScrollBar()->value());
    DisplayVisibleActions();
    viewport()->update();
    Q_EMIT Changed();
}

bool TActionGrid::event(QEvent* event) {
    // The step widgets lie on the grid itself, over the viewport: the wheel turned over one of
    // them (and not taken by a focused value) scrolls the list as it does over the cells.
    if (event->type() == QEvent::Wheel) {
        QAbstractScrollArea::wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::event(event);
}

void TActionGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    ComputeColumnWidths();
    viewport()->update();
}

QString TActionGrid::CellText(int row, int column) const {
    if (row == 0) {
        return UiString(headers_[static_cast<std::size_t>(column)]);
    }
    if (column == model::gcStep) {
        if (row == stepMark_.row && stepMark_.kind != TStepMarkKind::None) {
            return UiString(resources::str::kRunningStepNumber).arg(row);
        }
        return QString::number(row);
    }
    if (column >= model::gcBoth && row <= document_.Count(list_)) {
        const int set =
            document_.Step(list_, row).sensors[static_cast<std::size_t>(column - model::gcBoth)];
        return UiString(resources::str::kFirstSensorSet + set);
    }
    return {};
}

void TActionGrid::PaintCell(QPainter& painter, int row, int column, const QRect& rect) {
    const bool fixed = row == 0 || column == model::gcStep;
    const bool marked = column == model::gcStep && row >= 1 && row == stepMark_.row &&
                        stepMark_.kind != TStepMarkKind::None;
    if (fixed) {
        painter.setPen(kFixedOutline);
        QColor fill = kFixedFill;
        if (marked) {
            fill = stepMark_.kind == TStepMarkKind::Running ? kRunningFill : kInterruptedFill;
        }
        painter.setBrush(fill);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    } else {
        painter.fillRect(rect, Qt::white);
    }
    const QString text = CellText(row, column);
    if (!text.isEmpty()) {
        painter.setPen(Qt::black);
        // The arrow before a long step number narrows the words rather than cutting them.
        const QFont font = painter.font();
        if (marked) {
            painter.setFont(CondensedToFit(font, text, rect.width() - 2, kNarrowestMark));
        } else if (QFontMetrics(font).horizontalAdvance(text) > rect.width() - 2 * kCellMargin) {
            painter.setFont(
                CondensedToFit(font, text, rect.width() - 2 * kCellMargin, kNarrowestWord));
        }
        painter.drawText(rect, Qt::AlignCenter, text);
        painter.setFont(font);
    }
}

void TActionGrid::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(viewport());
    painter.fillRect(viewport()->rect(), Qt::white);
    const int rows = document_.RowCount(list_);
    const int top = document_.View(list_).topRow;
    const int lastColumn = ColumnCount() - 1;
    const int right = ColumnLeft(lastColumn + 1);
    const int displayRows = viewport()->height() / kRowPitch + 1;
    const model::TSelection selection = document_.View(list_).selection;
    for (int display = 0; display <= displayRows; ++display) {
        const int row = display == 0 ? 0 : top + display - 1;
        if (row >= rows) {
            break;
        }
        const int y = display * kRowPitch;
        for (int c = 0; c <= lastColumn; ++c) {
            PaintCell(painter, row, c, QRect(ColumnLeft(c), y, ColumnWidth(c), kRowHeight));
        }
        painter.setPen(kGridLineColour);
        painter.drawLine(0, y + kRowHeight, right - 1, y + kRowHeight);
        for (int c = 1; c <= lastColumn + 1; ++c) {
            painter.drawLine(ColumnLeft(c) - 1, y, ColumnLeft(c) - 1, y + kRowHeight);
        }
        if (row >= 1 && row >= selection.top && row <= selection.bottom) {
            // Selected rows are framed as a whole from the action column to the last one.
            painter.setPen(Qt::red);
            painter.setBrush(Qt::NoBrush);
            const int left = ColumnLeft(model::gcAction);
            painter.drawRect(left, y, right - kGridLine - left - 1, kRowHeight - 1);
        }
    }
    if (moveTarget_ >= 1) {
        const int display = moveTarget_ - top + 1;
        const int y = display * kRowPitch + (moveTarget_ > pressRow_ ? kRowHeight : 0);
        painter.fillRect(QRect(0, y - 1, right, 3), kMoveMarker);
    }
}

void TActionGrid::mousePressEvent(QMouseEvent* event) {
    document_.SetCurrentList(list_);
    const QPoint pos = event->position().toPoint();
    const int row = RowAt(pos.y());
    const int column = ColumnAt(pos.x());
    pressRow_ = -1;
    moveTarget_ = -1;
    selectAnchor_ = -1;
    if (event->button() == Qt::LeftButton && row >= 1 && column >= 0) {
        setFocus(Qt::MouseFocusReason);
        document_.SelectRow(list_, row, (event->modifiers() & Qt::ShiftModifier) != 0);
        if (column == model::gcStep && row <= document_.Count(list_)) {
            pressRow_ = row;
            pressPoint_ = pos;
        } else if (column != model::gcStep) {
            selectAnchor_ = document_.View(list_).selection.top;  // dragging widens the rows
        }
    }
    viewport()->update();
    Q_EMIT Changed();
}

void TActionGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    Q_EMIT Hovered(ColumnAt(pos.x()));
    if (selectAnchor_ >= 1 && (event->buttons() & Qt::LeftButton)) {
        const int row = RowAt(pos.y());
        if (row >= 1) {
            document_.SetSelection(list_,
                                   {std::min(selectAnchor_, row), std::max(selectAnchor_, row)});
            viewport()->update();
            Q_EMIT Changed();
        }
        return;
    }
    if (pressRow_ < 1 || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    if (moveTarget_ < 0 && (pos - pressPoint_).manhattanLength() <= kMoveThreshold) {
        return;
    }
    const int row = RowAt(pos.y());
    const int count = document_.Count(list_);
    const int target = row < 0 ? count : std::clamp(row, 1, count);
    if (target != moveTarget_) {
        moveTarget_ = target;
        viewport()->update();
    }
}

void TActionGrid::mouseReleaseEvent(QMouseEvent* /*event*/) {
    if (pressRow_ >= 1 && moveTarget_ >= 1 && moveTarget_ != pressRow_) {
        document_.MoveRow(list_, pressRow_, moveTarget_);
        document_.SelectRow(list_, moveTarget_, false);
    }
    pressRow_ = -1;
    moveTarget_ = -1;
    selectAnchor_ = -1;
    Refresh();
    Q_EMIT Changed();
}

void TActionGrid::MoveSelection(int delta, bool extend) {
    const model::TSelection s = document_.View(list_).selection;
    const int lastRow = document_.RowCount(list_) - 1;
    if (extend) {
        document_.SetSelection(list_, {s.top, std::clamp(s.bottom + delta, s.top, lastRow)});
        EnsureVisible(document_.View(list_).selection.bottom);
    } else {
        const int row = std::clamp(s.top + delta, 1, lastRow);
        document_.SelectRow(list_, row, false);
        EnsureVisible(row);
    }
    Q_EMIT Changed();
}

// The keys of the list itself; the rest go to the window as commands.
bool TActionGrid::ListKey(model::TCommand command) {
    using model::TCommand;
    switch (command) {
        case TCommand::MoveStepsUp:
        case TCommand::MoveStepsDown: {
            document_.MoveSelectedSteps(list_, command == TCommand::MoveStepsUp ? -1 : +1);
            const model::TSelection s = document_.View(list_).selection;
            EnsureVisible(command == TCommand::MoveStepsUp ? s.top : s.bottom);
            break;
        }
        case TCommand::LongerStep:
        case TCommand::ShorterStep:
            document_.ChangeSelectedDuration(list_, command == TCommand::LongerStep ? +1 : -1);
            Refresh();
            break;
        case TCommand::EditValue:
            EditSelectedValue();
            break;
        default:
            return false;
    }
    Q_EMIT Changed();
    return true;
}

void TActionGrid::keyPressEvent(QKeyEvent* event) {
    const model::TCommand command = CommandForKeyEvent(*event);
    if (ListKey(command)) {
        return;
    }
    if (event->key() == Qt::Key_Escape && !hasFocus()) {
        // From a value's spin control, which has dropped what was typed: back to the list.
        setFocus(Qt::OtherFocusReason);
        return;
    }
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    switch (event->key()) {
        case Qt::Key_Up:
            MoveSelection(-1, shift);
            return;
        case Qt::Key_Down:
            MoveSelection(+1, shift);
            return;
        case Qt::Key_PageUp:
            MoveSelection(-VisibleStepRows(), shift);
            return;
        case Qt::Key_PageDown:
            MoveSelection(+VisibleStepRows(), shift);
            return;
        case Qt::Key_Home:
            MoveSelection(-document_.RowCount(list_), shift);
            return;
        case Qt::Key_End:
            MoveSelection(+document_.RowCount(list_), shift);
            return;
        default:
            break;
    }
    if (command != model::TCommand::None) {
        document_.SetCurrentList(list_);
        Q_EMIT CommandRequested(command);
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

void TActionGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason) {
        Q_EMIT KeyboardEntered();
    }
    if (document_.CurrentList() != list_) {
        document_.SetCurrentList(list_);
        Q_EMIT Changed();
    }
    AnnounceChanges();
}

bool TActionGrid::AcceptsSensorDrop(const QPoint& pos) const {
    return document_.AcceptsSensorSet(list_, RowAt(pos.y()), ColumnAt(pos.x()));
}

void TActionGrid::DropSensorSetAt(const QPoint& pos, int sensorSet) {
    if (!AcceptsSensorDrop(pos)) {
        return;
    }
    document_.DropSensorSet(list_, RowAt(pos.y()), ColumnAt(pos.x()), sensorSet);
    viewport()->update();
    Q_EMIT Changed();
}

}  // namespace kavrin::ui
