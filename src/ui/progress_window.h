#pragma once
// The progress window: a small always-on-top dialog shown during every download. Its grid lists
// the serial ports with what the scan found on each; below it a progress bar runs while the
// blocks go out. When several robots answer it turns into a modal choice window in which the
// user clicks one of the candidate rows and confirms with Download.
//
// The window only draws the port status table the link hands it; it never talks to a port.
// Every method runs on the UI thread. Showing it in choice mode does not block: the answer
// comes back through ChoiceMade.

#include <QDialog>
#include <QString>

#include <array>

#include "link/port_status.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTimer;

namespace kavrin::ui {

// The round transmit mark beside the target row; it blinks while blocks go out.
class TTxStatus : public QWidget {
    Q_OBJECT

public:
    static constexpr int kSize = 10;
    explicit TTxStatus(QWidget* parent = nullptr);
    bool Lit() const { return lit_; }
    void Toggle();
    void Reset();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool lit_ = false;  // lime instead of green
};

class TProgressForm : public QDialog {
    Q_OBJECT

public:
    // Client area and control places as designed; RefreshDisplay lays the window out again.
    static constexpr int kDesignWidth = 368;
    static constexpr int kDesignHeight = 205;
    static constexpr int kMargin = 21;  // left of the labels and the grid
    static constexpr int kMessageLeft = 63;
    static constexpr int kMessageTop = 12;
    static constexpr int kMessageWidth = 282;
    static constexpr int kMessageHeight = 39;
    static constexpr int kIconLeft = 22;
    static constexpr int kIconTop = 10;
    static constexpr int kIconSize = 32;
    static constexpr int kScanningLeft = 109;
    static constexpr int kScanningWidth = 161;
    static constexpr int kScanningGap = 6;  // least room between the caption and the note
    static constexpr int kLabelTopWithoutMessage = 10;
    static constexpr int kGapBelowMessage = 25;
    static constexpr int kRowPitch = 19;  // row height 18 plus its grid line
    static constexpr int kGridFrame = 4;  // both borders of the grid
    static constexpr int kGridExtraWidth = 9;
    static constexpr int kScrollBarWidth = 16;
    static constexpr int kFullGridHeight = 137;  // heading and six data rows
    static constexpr int kTxLeft = 8;
    static constexpr int kTxOffset = 25;  // from the grid top to the mark of the top row
    static constexpr int kPanelLeft = 17;
    static constexpr int kPanelGap = 9;
    static constexpr int kPanelHeight = 89;
    static constexpr int kPanelLabelLeft = 4;
    static constexpr int kPanelLabelTop = 6;
    static constexpr int kBarLeft = 3;
    static constexpr int kBarTop = 25;
    static constexpr int kBarHeight = 19;
    static constexpr int kButtonWidth = 75;
    static constexpr int kButtonHeight = 25;
    static constexpr int kButtonGap = 15;
    static constexpr int kBottomBelowButton = 37;
    static constexpr int kWindowExtraWidth = 26;
    static constexpr int kPort0Extra = 5;     // column 0: "COM99:" + 5
    static constexpr int kDeviceExtra = 15;   // column 1: UI string 412 + 15
    static constexpr int kHeadingExtra = 10;  // columns 2 to 4: heading + 10
    // Columns: the five the link fills, then two data columns nobody sees.
    static constexpr int kModelColumn = 5;
    static constexpr int kCandidateColumn = 6;
    static constexpr int kColumnCount = 7;
    static constexpr int kDownloadResult = 4;  // the Download button's result
    static constexpr int kClosePauseMs = 500;  // the final state stays this long
    static constexpr int kProgramSlots = 1;    // progress bars: one program slot

    explicit TProgressForm(QWidget* parent = nullptr);

    // The window the dialog is centred on (the main window); none centres it on the screen.
    void SetAnchor(QWidget* anchor) { anchor_ = anchor; }
    QWidget* Anchor() const { return anchor_; }

    // Shows the table. An empty message shows the window in progress mode, not modal. A message
    // turns it into the modal choice window: warning icon, the message, the grid scrolled to the
    // first candidate, a beep, Download disabled until a candidate row is selected.
    void Open(const link::PortStatusTable& table, const QString& message = {});
    bool ChoiceMode() const { return choiceMode_; }

    // The table changed (a port reported): rows, texts and the scroll position.
    void ShowTable(const link::PortStatusTable& table);
    void SetScanning(bool scanning);
    // The download goes to this port: the transmit mark beside its row.
    void MarkTarget(int portIndex);
    void Blink();
    // The bar of a program slot runs from 0 to blockCount from now on.
    void StartProgress(int programSlot, int blockCount);
    // Shows the bars of the program slots in use, each at 0 with its block count as maximum,
    // and hides the others.
    void AssignProgressBars();
    void StepIt(int programSlot);
    // The run is over: the final state stays visible for a moment, then the window hides.
    void CloseAfterPause();

    // The port index of the selected row, or -1.
    int SelectedPort() const;
    // Selects a data row (1-based grid row) as the user's click would, if it is a candidate.
    void SelectRow(int gridRow);

    // Parts, for tests and the screenshots.
    QTableWidget* PortStatus() const { return grid_; }
    QLabel* WarningImage() const { return warningImage_; }
    QLabel* Message() const { return message_; }
    QLabel* PortStatusLabel() const { return portStatusLabel_; }
    QLabel* ScanningLabel() const { return scanningLabel_; }
    TTxStatus* TxStatus() const { return txStatus_; }
    QWidget* DownloadStatus() const { return downloadStatus_; }
    QProgressBar* ProgressBar0() const { return progressBar0_; }
    QPushButton* DownloadButton() const { return downloadButton_; }
    bool ClosePending() const;

Q_SIGNALS:
    // Choice mode ended: the chosen port index, or -1 when the window was left another way.
    void ChoiceMade(int portIndex);
    // The user closed the window while it showed a run in progress.
    void CancelRequested();

public Q_SLOTS:
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyTexts();
    void SetColumnWidths();
    void FillRows(const link::PortStatusTable& table);
    void RefreshDisplay();
    void ScrollToTopRow(int topRow);
    void PlaceTxStatus();
    void Centre();
    void StayAboveAnchor();
    void PortStatusSelectCell(int row);
    void UpdateDownloadButton();
    bool IsCandidateRow(int gridRow) const;
    int GridRowCount() const;

    QWidget* anchor_ = nullptr;
    QLabel* warningImage_ = nullptr;
    QLabel* message_ = nullptr;
    QLabel* portStatusLabel_ = nullptr;
    QLabel* scanningLabel_ = nullptr;
    QTableWidget* grid_ = nullptr;
    TTxStatus* txStatus_ = nullptr;
    QWidget* downloadStatus_ = nullptr;
    QLabel* downloadStatusLabel_ = nullptr;
    QProgressBar* progressBar0_ = nullptr;
    QPushButton* downloadButton_ = nullptr;
    QTimer* closeTimer_ = nullptr;
    std::array<int, kProgramSlots> blockCounts_{};
    int programCount_ = kProgramSlots;
    bool choiceMode_ = false;
    bool busyCursor_ = false;
    int topRow_ = 1;
    int targetRow_ = -1;  // grid row of the transmit mark, -1 when hidden
};

}  // namespace kavrin::ui
