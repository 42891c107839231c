#include "ui/progress_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTableWidget>
#include <QTimer>
#include <QWindow>

#include <algorithm>

#include "resources/ui_strings.h"
#include "ui/ui_text.h"
#include "ui/window_place.h"

namespace kavrin::ui {

namespace {

constexpr char kWidestPortName[] = "COM99:";
constexpr char kCandidateMark[] = "+";

// Grid columns as the view counts them.
constexpr int kPortColumn = link::kColPort;
constexpr int kDeviceColumn = link::kColDevice;
constexpr int kVersionColumn = link::kColVersion;
constexpr int kEchoColumn = link::kColEcho;
constexpr int kTextColumns = static_cast<int>(link::kPortStatusColumns);

const QColor kTxGreen(0, 128, 0);
const QColor kTxLime(0, 255, 0);

QLabel* BoldLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

// --- Transmit mark -------------------------------------------------------------------------------

TTxStatus::TTxStatus(QWidget* parent) : QWidget(parent) {
    setFixedSize(kSize, kSize);
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TTxStatus::Toggle() {
    lit_ = !lit_;
    update();
}

void TTxStatus::Reset() {
    lit_ = false;
    update();
}

void TTxStatus::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::black);
    painter.setBrush(lit_ ? kTxLime : kTxGreen);
    painter.drawEllipse(QRectF(0.5, 0.5, kSize - 1, kSize - 1));
}

// --- Window --------------------------------------------------------------------------------------

TProgressForm::TProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint) {
    warningImage_ = new QLabel(this);
    warningImage_->setGeometry(kIconLeft, kIconTop, kIconSize, kIconSize);
    warningImage_->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(kIconSize, kIconSize));
    warningImage_->setAttribute(Qt::WA_TranslucentBackground);

    message_ = new QLabel(this);
    message_->setWordWrap(true);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message_->setFocusPolicy(Qt::NoFocus);

    portStatusLabel_ = BoldLabel(this);
    scanningLabel_ = new QLabel(this);
    scanningLabel_->hide();

    grid_ = new QTableWidget(this);
    grid_->setAccessibleName(UiString(resources::str::kPortStatus));
    grid_->setColumnCount(kColumnCount);
    grid_->setColumnHidden(kModelColumn, true);
    grid_->setColumnHidden(kCandidateColumn, true);
    grid_->verticalHeader()->hide();
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->verticalHeader()->setMinimumSectionSize(kRowPitch);
    grid_->verticalHeader()->setDefaultSectionSize(kRowPitch);
    grid_->horizontalHeader()->setFixedHeight(kRowPitch);
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid_->horizontalHeader()->setHighlightSections(false);
    grid_->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    grid_->setLineWidth(kGridFrame / 2);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Selections are made only by PortStatusSelectCell, which knows the candidate rows.
    grid_->setSelectionMode(QAbstractItemView::NoSelection);
    grid_->setWordWrap(false);
    connect(grid_, &QTableWidget::cellPressed, this,
            [this](int row, int) { PortStatusSelectCell(row + 1); });
    grid_->installEventFilter(this);
    connect(grid_->verticalScrollBar(), &QScrollBar::valueChanged, this, [this](int value) {
        topRow_ = value + 1;
        PlaceTxStatus();
    });

    txStatus_ = new TTxStatus(this);
    txStatus_->hide();

    downloadStatus_ = new QWidget(this);
    downloadStatusLabel_ = BoldLabel(downloadStatus_);
    downloadStatusLabel_->move(kPanelLabelLeft, kPanelLabelTop);
    progressBar0_ = new QProgressBar(downloadStatus_);
    progressBar0_->setTextVisible(true);
    progressBar0_->setFormat(QStringLiteral("%p%"));
    progressBar0_->setAlignment(Qt::AlignCenter);
    QPalette barColours = progressBar0_->palette();
    barColours.setColor(QPalette::Highlight, kTxGreen);
    barColours.setColor(QPalette::Base, barColours.color(QPalette::Window));
    progressBar0_->setPalette(barColours);

    downloadButton_ = new QPushButton(UiString(resources::str::kDownloadButton), this);
    downloadButton_->setDefault(true);
    downloadButton_->setFixedSize(kButtonWidth, kButtonHeight);
    connect(downloadButton_, &QPushButton::clicked, this, [this] { done(kDownloadResult); });

    closeTimer_ = new QTimer(this);
    closeTimer_->setSingleShot(true);
    closeTimer_->setInterval(kClosePauseMs);
    connect(closeTimer_, &QTimer::timeout, this, &QWidget::hide);

    ApplyTexts();
    SetColumnWidths();
    setFixedSize(kDesignWidth, kDesignHeight);
    RefreshDisplay();
}

void TProgressForm::ApplyTexts() {
    setWindowTitle(UiString(resources::str::kProgressCaption));
    portStatusLabel_->setText(UiString(resources::str::kPortStatus));
    portStatusLabel_->adjustSize();
    downloadStatusLabel_->setText(UiString(resources::str::kDownloadStatus));
    downloadStatusLabel_->adjustSize();
    scanningLabel_->setText(UiString(resources::str::kScanning));
    QStringList headings;
    for (const std::string& heading : link::PortStatusHeadings()) {
        headings.append(FromCore(heading));
    }
    grid_->setHorizontalHeaderLabels(headings);
}

void TProgressForm::SetColumnWidths() {
    const QFontMetrics metrics(grid_->font());
    grid_->setColumnWidth(
        kPortColumn, metrics.horizontalAdvance(QString::fromLatin1(kWidestPortName)) + kPort0Extra);
    grid_->setColumnWidth(
        kDeviceColumn,
        metrics.horizontalAdvance(UiString(resources::str::kRobotNotFound)) + kDeviceExtra);
    const auto headings = link::PortStatusHeadings();
    for (int c = kVersionColumn; c <= kEchoColumn; ++c) {
        grid_->setColumnWidth(
            c, metrics.horizontalAdvance(FromCore(headings[static_cast<std::size_t>(c)])) +
                   kHeadingExtra);
    }
}

int TProgressForm::GridRowCount() const { return grid_->rowCount() + 1; }

bool TProgressForm::IsCandidateRow(int gridRow) const {
    const QTableWidgetItem* mark = grid_->item(gridRow - 1, kCandidateColumn);
    return mark != nullptr && mark->text() == QLatin1String(kCandidateMark);
}

void TProgressForm::FillRows(const link::PortStatusTable& table) {
    // No port at all still shows one empty data row.
    const int dataRows = std::max<int>(1, static_cast<int>(table.rows.size()));
    grid_->setRowCount(dataRows);
    const QBrush fixedFill = palette().brush(QPalette::Button);
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    const QColor normal = palette().color(QPalette::Active, QPalette::Text);
    for (int r = 0; r < dataRows; ++r) {
        const link::PortStatusRow* row = r < static_cast<int>(table.rows.size())
                                             ? &table.rows[static_cast<std::size_t>(r)]
                                             : nullptr;
        const bool candidate = row != nullptr && row->candidate;
        for (int c = 0; c < kColumnCount; ++c) {
            QString text;
            if (row != nullptr && c < kTextColumns) {
                text = FromCore((*row)[static_cast<std::size_t>(c)]);
            } else if (row != nullptr && c == kModelColumn && row->model != link::kNotScanned) {
                text = QString::number(row->model);
            } else if (candidate && c == kCandidateColumn) {
                text = QString::fromLatin1(kCandidateMark);
            }
            QTableWidgetItem* item = grid_->item(r, c);
            if (item == nullptr) {
                item = new QTableWidgetItem;
                item->setFlags(Qt::ItemIsEnabled |
                               (c == kPortColumn ? Qt::NoItemFlags : Qt::ItemIsSelectable));
                if (c == kPortColumn) {
                    item->setBackground(fixedFill);
                }
                grid_->setItem(r, c, item);
            }
            item->setText(text);
            if (c != kPortColumn) {
                // In the choice only the candidate rows look active.
                item->setForeground(choiceMode_ && !candidate ? grey : normal);
            }
        }
    }
}

void TProgressForm::ShowTable(const link::PortStatusTable& table) {
    const int rowsBefore = grid_->rowCount();
    FillRows(table);
    if (grid_->rowCount() != rowsBefore) {
        RefreshDisplay();
    }
    ScrollToTopRow(table.topRow);
}

void TProgressForm::ScrollToTopRow(int topRow) {
    // The range is set here too: the view recomputes it only once it is laid out again.
    QScrollBar* bar = grid_->verticalScrollBar();
    bar->setRange(0, std::max(0, grid_->rowCount() - link::kVisibleDataRows));
    bar->setValue(std::max(0, topRow - 1));
    topRow_ = bar->value() + 1;
}

void TProgressForm::RefreshDisplay() {
    txStatus_->hide();
    targetRow_ = -1;
    const int rowCount = GridRowCount();

    warningImage_->setVisible(choiceMode_);
    message_->setVisible(choiceMode_);
    // The whole message stays readable: the box grows below its designed height when the text
    // needs more lines.
    const int messageHeight = std::max(kMessageHeight, message_->heightForWidth(kMessageWidth));
    message_->setGeometry(kMessageLeft, kMessageTop, kMessageWidth, messageHeight);

    const int labelTop =
        choiceMode_ ? kMessageTop + messageHeight + kGapBelowMessage : kLabelTopWithoutMessage;
    portStatusLabel_->move(kMargin, labelTop);
    const int labelHeight = portStatusLabel_->sizeHint().height();
    // A caption longer than the designed one pushes the scanning note to its right.
    const int scanningLeft =
        std::max(kScanningLeft, kMargin + portStatusLabel_->sizeHint().width() + kScanningGap);
    scanningLabel_->setGeometry(scanningLeft, labelTop, kScanningWidth, labelHeight);
    const int gridTop = labelTop + labelHeight;

    int gridWidth = kGridExtraWidth;
    for (int c = kPortColumn; c <= kEchoColumn; ++c) {
        gridWidth += grid_->columnWidth(c);
    }
    const bool scrolls = rowCount > link::kVisibleDataRows + 1;
    if (scrolls) {
        gridWidth += kScrollBarWidth;
    }
    grid_->setVerticalScrollBarPolicy(scrolls ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    const int gridHeight = rowCount > link::kVisibleDataRows
                               ? kFullGridHeight
                               : (rowCount - 1) * kRowPitch + kRowPitch + kGridFrame;
    grid_->setGeometry(kMargin, gridTop, gridWidth, gridHeight);
    const int windowWidth = kMargin + gridWidth + kWindowExtraWidth;

    const int panelTop = gridTop + gridHeight + kPanelGap;
    downloadStatus_->setGeometry(kPanelLeft, panelTop, gridWidth + 8, kPanelHeight);
    progressBar0_->setGeometry(kBarLeft, kBarTop, gridWidth, kBarHeight);
    downloadStatus_->setVisible(!choiceMode_);
    AssignProgressBars();

    const int buttonTop = gridTop + gridHeight + kButtonGap;
    downloadButton_->move((windowWidth - kButtonWidth) / 2, buttonTop);
    downloadButton_->setVisible(choiceMode_);

    const int windowHeight =
        choiceMode_ ? buttonTop + kButtonHeight + kBottomBelowButton : panelTop + kPanelHeight;
    setFixedSize(windowWidth, windowHeight);
}

void TProgressForm::AssignProgressBars() {
    // One bar, for program slot 0. A bar without a maximum yet counts to 1, so that it shows an
    // empty bar instead of a busy one.
    const bool used = 0 < programCount_;
    progressBar0_->setVisible(used);
    if (used) {
        progressBar0_->setRange(0, std::max(1, blockCounts_[0]));
        progressBar0_->setValue(0);
    }
}

void TProgressForm::StartProgress(int programSlot, int blockCount) {
    if (programSlot < 0 || programSlot >= kProgramSlots) {
        return;
    }
    blockCounts_[static_cast<std::size_t>(programSlot)] = blockCount;
    AssignProgressBars();
}

void TProgressForm::StepIt(int programSlot) {
    if (programSlot == 0) {
        progressBar0_->setValue(std::min(progressBar0_->value() + 1, progressBar0_->maximum()));
    }
}

void TProgressForm::SetScanning(bool scanning) {
    scanningLabel_->setVisible(scanning);
    if (scanning == busyCursor_) {
        return;
    }
    busyCursor_ = scanning;
    if (scanning) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

void TProgressForm::MarkTarget(int portIndex) {
    targetRow_ = portIndex < 0 ? -1 : portIndex + 1;
    // The target's row is brought among the visible ones, as the download scrolls to it.
    if (targetRow_ > topRow_ + link::kVisibleDataRows - 1) {
        ScrollToTopRow(targetRow_ - (link::kVisibleDataRows - 1));
    } else if (targetRow_ > 0 && targetRow_ < topRow_) {
        ScrollToTopRow(targetRow_);
    }
    PlaceTxStatus();
}

void TProgressForm::PlaceTxStatus() {
    const int shown = targetRow_ - topRow_;
    if (targetRow_ < 0 || shown < 0 || shown >= link::kVisibleDataRows) {
        txStatus_->hide();
        return;
    }
    txStatus_->move(kTxLeft, grid_->y() + kTxOffset + kRowPitch * shown);
    txStatus_->show();
    txStatus_->raise();
}

void TProgressForm::Blink() { txStatus_->Toggle(); }

void TProgressForm::CloseAfterPause() {
    if (!isVisible()) {
        return;
    }
    repaint();
    closeTimer_->start();
}

bool TProgressForm::ClosePending() const { return closeTimer_->isActive(); }

void TProgressForm::Centre() {
    QRect around;
    if (anchor_ != nullptr && anchor_->isVisible()) {
        around = anchor_->geometry();
    } else if (const QScreen* screen = QApplication::primaryScreen()) {
        around = screen->availableGeometry();
    }
    move(around.left() + around.width() / 2 - width() / 2,
         around.top() + around.height() / 2 - height() / 2);
    KeepOnScreen(*this);
}

// Transient for the window that started the run, so that no window manager puts it behind;
// for a modal window open over it (the servo test), so that it stays usable above that one.
void TProgressForm::StayAboveAnchor() {
    QWidget* owner = QApplication::activeModalWidget();
    if (owner == nullptr || owner == this) {
        owner = anchor_;
    }
    if (owner == nullptr || !owner->isVisible()) {
        return;
    }
    winId();  // the native window exists from here on
    windowHandle()->setTransientParent(owner->window()->windowHandle());
}

void TProgressForm::Open(const link::PortStatusTable& table, const QString& message) {
    closeTimer_->stop();
    choiceMode_ = !message.isEmpty();
    message_->setText(message);
    grid_->clearSelection();
    txStatus_->Reset();
    blockCounts_.fill(0);
    FillRows(table);
    RefreshDisplay();
    int top = table.topRow;
    if (choiceMode_) {
        for (int r = 1; r < GridRowCount(); ++r) {
            if (IsCandidateRow(r)) {
                top = r;
                break;
            }
        }
        downloadButton_->setEnabled(false);
    }
    const Qt::WindowModality modality = choiceMode_ ? Qt::ApplicationModal : Qt::NonModal;
    if (isVisible() && windowModality() != modality) {
        hide();  // modality changes only while hidden
    }
    setWindowModality(modality);
    Centre();
    StayAboveAnchor();
    show();  // always on top: no raise needed
    ScrollToTopRow(top);
    if (choiceMode_) {
        QApplication::beep();
    }
}

void TProgressForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    ScrollToTopRow(topRow_);
}

void TProgressForm::PortStatusSelectCell(int gridRow) {
    if (choiceMode_ && gridRow >= 1 && IsCandidateRow(gridRow)) {
        const QModelIndex first = grid_->model()->index(gridRow - 1, kDeviceColumn);
        const QModelIndex last = grid_->model()->index(gridRow - 1, kEchoColumn);
        grid_->selectionModel()->select(QItemSelection(first, last),
                                        QItemSelectionModel::ClearAndSelect);
    }
    UpdateDownloadButton();
}

void TProgressForm::SelectRow(int gridRow) { PortStatusSelectCell(gridRow); }

bool TProgressForm::eventFilter(QObject* watched, QEvent* event) {
    // The arrow keys move the choice from candidate to candidate; the grid's own current cell
    // would select the first row as soon as the grid takes the focus.
    if (watched == grid_ && event->type() == QEvent::KeyPress && choiceMode_) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            const int step = key == Qt::Key_Down ? 1 : -1;
            const int from =
                SelectedPort() >= 0 ? SelectedPort() + 1 : (step > 0 ? 0 : GridRowCount());
            for (int r = from + step; r >= 1 && r < GridRowCount(); r += step) {
                if (IsCandidateRow(r)) {
                    PortStatusSelectCell(r);
                    grid_->scrollToItem(grid_->item(r - 1, kDeviceColumn));
                    break;
                }
            }
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TProgressForm::UpdateDownloadButton() { downloadButton_->setEnabled(SelectedPort() >= 0); }

int TProgressForm::SelectedPort() const {
    const QModelIndexList selected = grid_->selectionModel()->selectedIndexes();
    if (selected.isEmpty()) {
        return -1;
    }
    int top = selected.front().row();
    for (const QModelIndex& index : selected) {
        top = std::min(top, index.row());
    }
    return top;
}

void TProgressForm::done(int result) {
    closeTimer_->stop();
    const bool choice = choiceMode_;
    const int chosen = result == kDownloadResult ? SelectedPort() : -1;
    QDialog::done(result);
    if (choice) {
        Q_EMIT ChoiceMade(chosen);
    } else {
        Q_EMIT CancelRequested();
    }
}

}  // namespace kavrin::ui
