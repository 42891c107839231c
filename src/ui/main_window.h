#pragma once
// The main window: a borderless skinned face over the action program. It owns the document for
// the chosen mode and composes its parts: the palette, the lists (grids, sensor notebook, the
// drop target of dragged tiles), the port box, the skin buttons, the help area and the file
// commands. It maps gestures onto the document and the run controller, and draws what they
// leave behind.

#include <QString>
#include <QTimer>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "link/port_list.h"
#include "model/document.h"
#include "model/key_table.h"
#include "run/run_program.h"
#include "sim/processor.h"
#include "sim/step_probe.h"
#include "ui/settings.h"
#include "ui/skin.h"

class QCheckBox;
class QLabel;
class QPlainTextEdit;

namespace kavrin::model {
class TRecoveryKeeper;
struct TRecoveryCopy;
}  // namespace kavrin::model

namespace kavrin::ui {

class TActionGrid;
class TActionPalette;
class TCodeForm;
class TMainDialogs;
class TMainLists;
class TPortBox;
class TProgramFiles;
class TRunController;
class TSimulatorForm;
class TSkinButtons;
class TTestForm;
class TWindowFace;

class TMainForm : public QWidget {
    Q_OBJECT

public:
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
    // The code view that View shows; without one the window makes its own. Its sheet button
    // saves the program sheet.
    void SetCodeView(TCodeForm* codeView);
    // What Go runs the program with (its progress window included). Without one, Go only
    // builds the code.
    void SetRunController(TRunController* run);
    TRunController* RunController() const { return run_; }
    // The servo test window that Test shows (none: Test does nothing).
    void SetTestWindow(TTestForm* window) { testWindow_ = window; }
    // The window that drives a program delivered to "SIM"; none: such a run shows nothing more.
    // While it runs a program that Go made of the lists as they still are, the lists mark the
    // step the robot runs. It judges a class in this window's mode, and a pupil's program chosen
    // there is loaded here and run (LoadAndRun). Its mission's rules are the ones the help area
    // names when a tile the mission does not allow goes into a list.
    void SetSimulator(TSimulatorForm* window);
    // Where the port box's list comes from (none: no port is listed). The application hands
    // in the one its runs use.
    void SetPortEnumerator(link::PortEnumerator enumerate);
    // What keeps the recovery copy of unsaved changes (none: no copy is kept). The window tells
    // it of every change and writes the copy when it is due; a normal end removes it.
    void SetRecoveryKeeper(model::TRecoveryKeeper* keeper) { recovery_ = keeper; }
    // Shows the window for the copy's mode with its program, under its file name and modified,
    // instead of a file given on the command line; the recovery copy is written at once.
    void ShowRecovered(const model::TRecoveryCopy& copy);

    // --- Commands ------------------------------------------------------------------------------

    void RunCommand(model::TCommand command);
    void Go();
    void ViewButtonClick();
    void Test();
    void LoadFile();
    void SaveFile();
    // Ctrl+P and the code view's button: the program sheet as a PDF, its dialogs on top of
    // parent (none: this window).
    void SaveSheet(QWidget* parent = nullptr);
    // Loads the file as Load does (after the unsaved-changes question) and runs it as Go does,
    // on the virtual robot.
    void LoadAndRun(const QString& path);
    // Asks about unsaved changes, writes the settings and ends; false when the user stays.
    bool Quit();
    void ActionDblClick(int kind);
    void HyperHelpClick();

    // Settings go to this store instead of the user's own (tests).
    void SetSettingsStore(QSettings* store) { settingsStore_ = store; }
    // What the settings set: help area, calibration, port and file folder.
    void ApplySettings(const TSettings& settings);
    TSettings CurrentSettings() const;

    // "AUTO" or a port name.
    const std::string& PortSetting() const;
    // The file dialogs' folder.
    QString FileFolder() const;

    // --- Parts, for tests -----------------------------------------------------------------------

    const TSkin& Skin() const { return skin_; }
    TSkinButtons* Buttons() const { return buttons_; }
    TActionPalette* Palette() const { return palette_; }
    TMainLists* Lists() const { return lists_; }
    TActionGrid* Grid(int list) const;
    QCheckBox* HyperHelp() const { return hyperHelp_; }
    QCheckBox* SensorsEnabled() const { return sensorsEnabled_; }
    QLabel* SerialPortLabel(int n) const { return n == 1 ? portLabel1_ : portLabel2_; }
    TPortBox* PortBox() const { return portBox_; }
    QPlainTextEdit* HelpMemo() const { return helpMemo_; }
    TWindowFace* Face() const { return face_; }
    // The bottom of the command buttons, below which the help area lies.
    int ButtonsBottom() const;

Q_SIGNALS:
    // Quit ended the run.
    void Ended();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void PrepareSkin();
    void CreateFace();
    void CreateButtons();
    void CreateControls();
    void CreateParts();
    void ApplyCaptions();
    void SetTabOrder();
    void LoadStoredSettings();
    void LoadPendingFile();
    void SensorsEnabledClick();
    // Re-reads what changed in the document into the grids, the buttons and the title.
    void RefreshAll();
    void AutoEnableDisable();
    void UpdateTitle();
    void SetHelp(int uiString);
    // The pointer over something with help of its own: the other hover effects end.
    void ShowHoverHelp(int uiString);
    // The pointer over the background, a frame or anything else without help.
    void GeneralHover();
    void FocusCurrentGrid();
    // F6 and Shift+F6: the keyboard round the palette, the main list and (Advanced) the sensor
    // list shown, from wherever it is.
    void CyclePanes(int direction);
    // Enter or Space on a palette tile: into the current list, as its drop would.
    void InsertTile(int kind);
    // Generates a program's code into the code view; a failure goes to the error box.
    bool BuildCode(const model::TActionProgram& program, bool sensorsEnabled);
    TCodeForm& CodeView();
    // Go to this port ("AUTO" or a port's name).
    void GoTo(const std::string& port);
    void RunFinished(const run::RunOutcome& outcome);
    // The virtual robot runs another step: marked when it runs the lists as they are, else the
    // marks go and the simulator notes that its program is an older one.
    void RunningStepChanged(const sim::RunningStep& step);
    // Whether the virtual robot's program is the one Go made of the lists as they are now.
    bool SimulatorRunsTheLists() const;
    void ClearRunMarks();
    void ShowHelpText(int key, const QString& text);
    void ShowTileHelp(int kind);
    // A tile of this kind went into a list: the help area says so if the mission forbids it.
    void NoteMissionRules(int kind);
    // The simulator judges a class in this window's mode.
    void ForwardProgramMode();
    void ShowTokenizerRefusal(const run::RunOutcome& outcome);
    // Tells the recovery keeper the document may have changed and times its write.
    void KeepRecoveryCopy();
    void WriteRecoveryCopy();

    model::TMode mode_ = model::TMode::Beginner;
    std::unique_ptr<model::TActionDocument> document_;
    std::unique_ptr<TMainDialogs> dialogs_;
    std::unique_ptr<TProgramFiles> files_;
    TSkin skin_;
    TSkinButtons* buttons_ = nullptr;
    TWindowFace* face_ = nullptr;
    TActionPalette* palette_ = nullptr;
    TMainLists* lists_ = nullptr;
    QCheckBox* hyperHelp_ = nullptr;
    QCheckBox* sensorsEnabled_ = nullptr;
    QLabel* portLabel1_ = nullptr;
    QLabel* portLabel2_ = nullptr;
    TPortBox* portBox_ = nullptr;
    QPlainTextEdit* helpMemo_ = nullptr;
    TRunController* run_ = nullptr;
    TCodeForm* codeView_ = nullptr;
    TTestForm* testWindow_ = nullptr;
    TSimulatorForm* simulator_ = nullptr;
    std::unique_ptr<TCodeForm> ownCodeView_;
    // What the last Go ran, for showing its code at a tokenizer error.
    model::TActionProgram runProgram_;
    bool runSensorsEnabled_ = false;
    std::uint64_t runRevision_ = 0;  // the document's revision when Go took the program
    bool goRunning_ = false;         // the run under way is Go's
    // What Go delivered to the virtual robot, and the document's revision it was made of.
    std::optional<sim::Eeprom> simImage_;
    std::uint64_t simRevision_ = 0;
    bool marksShown_ = false;
    link::PortEnumerator enumerate_;
    model::TRecoveryKeeper* recovery_ = nullptr;
    QTimer recoveryTimer_;
    bool recoveryFailureShown_ = false;  // a failed write is logged once
    QSettings* settingsStore_ = nullptr;
    QString pendingFile_;
    int helpShown_ = 0;  // UI string in the help area (for a tile, its description)
    bool shownForRun_ = false;
    bool ended_ = false;
};

}  // namespace kavrin::ui
