#pragma once
// The main window: a borderless skinned face over the action program. It owns the document for
// the chosen mode, shows its six lists in grids with action widgets, hosts the palette, the
// buttons, the help area and the port choice, and starts every command. The window only maps
// gestures onto the document and draws what it leaves behind.

#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "link/port_list.h"
#include "model/document.h"
#include "model/key_table.h"
#include "run/run_program.h"
#include "ui/settings.h"
#include "ui/skin.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPlainTextEdit;
class QScrollArea;
class QTabBar;

namespace kavrin::ui {

class TActionGrid;
class TBotAction;
class TCodeForm;
class TTestForm;
class TMainDialogs;
class TRunController;
class TSimulatorForm;
class TSkinButtons;
class TWindowFace;

class TMainForm : public QWidget {
    Q_OBJECT

public:
    // A palette tile plays at this speed under the pointer (percent).
    static constexpr int kPaletteHoverSpeed = 200;
    static constexpr int kDragStartDistance = 4;

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // A file to load as soon as the mode is known (the command line's FILE.kvn).
    void SetPendingFile(const QString& path) { pendingFile_ = path; }

    // Builds the window for the mode of this run, centres and shows it; then loads the pending
    // file. Only the first call builds.
    void ShowForMode(model::TMode mode);
    // Builds the face for the mode without showing it or loading anything.
    void BuildForMode(model::TMode mode);

    // Null until the mode is known.
    model::TActionDocument* Document() const { return document_.get(); }

    // Replaces the questions and file dialogs (tests answer them without a modal loop).
    void SetDialogs(std::unique_ptr<TMainDialogs> dialogs);
    // The code view that View shows; without one the window makes its own.
    void SetCodeView(TCodeForm* codeView) { codeView_ = codeView; }
    // What Go runs the program with (its progress window included). Without one, Go only
    // builds the code.
    void SetRunController(TRunController* run);
    TRunController* RunController() const { return run_; }
    // The servo test window that Test shows (none: Test does nothing).
    void SetTestWindow(TTestForm* window) { testWindow_ = window; }
    // The window that drives a program delivered to "SIM"; none: such a run shows nothing more.
    void SetSimulator(TSimulatorForm* window) { simulator_ = window; }
    // Where the port box's list comes from (the computer's ports by default).
    void SetPortEnumerator(link::PortEnumerator enumerate) { enumerate_ = std::move(enumerate); }

    // --- Commands ------------------------------------------------------------------------------

    void RunCommand(model::TCommand command);
    void Go();
    void ViewButtonClick();
    void Clear();
    void Test();
    void LoadFile();
    void SaveFile();
    model::TSaveAnswer CheckIfSaved();
    // Asks about unsaved changes, writes the settings and ends; false when the user stays.
    bool Quit();
    // A palette tile dropped on a list grid at a point of the grid's viewport.
    void ToDoListDragDrop(TActionGrid* grid, const QPoint& pos, int kind);
    void ActionDblClick(int kind);
    void HyperHelpClick();

    // Settings go to this store instead of the user's own (tests).
    void SetSettingsStore(QSettings* store) { settingsStore_ = store; }
    // What the settings set: help area, calibration, port and file folder.
    void ApplySettings(const TSettings& settings);
    TSettings CurrentSettings() const;

    // "AUTO" or a port name.
    const std::string& PortSetting() const { return portSetting_; }
    // The file dialogs' folder.
    const QString& FileFolder() const { return fileFolder_; }

    // --- Parts, for the drag window and tests ---------------------------------------------------

    const TSkin& Skin() const { return skin_; }
    TSkinButtons* Buttons() const { return buttons_; }
    TActionGrid* Grid(int list) const;
    const std::vector<TBotAction*>& MainWidgets() const { return mainWidgets_; }
    const std::vector<TBotAction*>& SensorWidgets() const { return sensorWidgets_; }
    QCheckBox* HyperHelp() const { return hyperHelp_; }
    QCheckBox* SensorsEnabled() const { return sensorsEnabled_; }
    QLabel* SerialPortLabel(int n) const { return n == 1 ? portLabel1_ : portLabel2_; }
    QComboBox* PortBox() const;
    QWidget* SensorNotebook() const { return notebook_; }
    QTabBar* SensorTabs() const { return tabs_; }
    QLabel* SensorActionPanel() const { return sensorPanel_; }
    QScrollArea* ActionScrollBox() const { return actionScrollBox_; }
    QPlainTextEdit* HelpMemo() const { return helpMemo_; }
    TWindowFace* Face() const { return face_; }
    // The bottom of the command buttons, below which the help area lies.
    int ButtonsBottom() const;

Q_SIGNALS:
    // A drag started on a palette tile (the drag window takes it from here): the kind, the
    // tile and the point inside it where it was grabbed.
    void PaletteDragStarted(int kind, kavrin::ui::TSkinImage* tile, QPoint grabPoint);
    // Quit ended the run.
    void Ended();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void CreateControls();
    void CreateGrids();
    void SetUpPalette();
    void ApplyCaptions();
    void SetTabOrder();
    void SensorTabbedNotebookChange(int index);
    void ComPortComboBoxUpdate();
    void ComChange(int index);
    std::vector<std::string> PortList() const;
    QStringList PortNames() const;
    void FillPortBox();
    void SensorsEnabledClick();
    // Re-reads the document into every grid, the buttons and the title.
    void RefreshAll();
    void AutoEnableDisable();
    void UpdateTitle();
    void SetHelp(int uiString);
    // The pointer over the background, a frame or anything else without help.
    void GeneralHover();
    void GridHover(int list, int column);
    void ActionMouseMove(TSkinImage* tile);
    void StopPalette();
    bool HandlePaletteEvent(TSkinImage* tile, QEvent* event);
    bool HandleSensorPanelEvent(QEvent* event);
    void FocusCurrentGrid();
    int SensorTab() const;
    bool BuildCode();
    TCodeForm& CodeView();
    void RunFinished(const run::RunOutcome& outcome);

    model::TMode mode_ = model::TMode::Beginner;
    std::unique_ptr<model::TActionDocument> document_;
    std::unique_ptr<TMainDialogs> dialogs_;
    TSkin skin_;
    TSkinButtons* buttons_ = nullptr;
    TWindowFace* face_ = nullptr;
    QCheckBox* hyperHelp_ = nullptr;
    QCheckBox* sensorsEnabled_ = nullptr;
    QLabel* portLabel1_ = nullptr;
    QLabel* portLabel2_ = nullptr;
    QComboBox* portBox_ = nullptr;
    QWidget* notebook_ = nullptr;
    QTabBar* tabs_ = nullptr;
    QLabel* sensorPanel_ = nullptr;
    QScrollArea* actionScrollBox_ = nullptr;
    QPlainTextEdit* helpMemo_ = nullptr;
    std::array<TActionGrid*, model::kListCount> grids_{};
    std::vector<TBotAction*> mainWidgets_;
    std::vector<TBotAction*> sensorWidgets_;
    std::array<TSkinImage*, 8> tiles_{};
    TRunController* run_ = nullptr;
    TCodeForm* codeView_ = nullptr;
    TTestForm* testWindow_ = nullptr;
    TSimulatorForm* simulator_ = nullptr;
    std::unique_ptr<TCodeForm> ownCodeView_;
    link::PortChoice portChoice_;
    link::PortEnumerator enumerate_;
    std::string portSetting_{link::kAutoPort};
    QString fileFolder_;
    QSettings* settingsStore_ = nullptr;
    QString pendingFile_;
    int helpShown_ = 0;  // UI string in the help area
    // Palette tile or "+" tile pressed, waiting for a drag.
    TSkinImage* pressedTile_ = nullptr;
    QPoint pressPoint_;
    bool draggingSensorSet_ = false;
    bool shownForRun_ = false;
    bool ended_ = false;
};

}  // namespace kavrin::ui
