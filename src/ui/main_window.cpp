#include "ui/main_window.h"

#include <QAccessible>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QStyle>
#include <QStyleOptionButton>

#include "codegen/code_generator.h"
#include "model/recovery.h"
#include "resources/skin_layout.h"
#include "resources/ui_strings.h"
#include "ui/accessibility.h"
#include "ui/action_grid.h"
#include "ui/action_palette.h"
#include "ui/action_widget.h"
#include "ui/code_view.h"
#include "ui/drag_tile.h"
#include "ui/help_texts.h"
#include "ui/main_dialogs.h"
#include "ui/main_lists.h"
#include "ui/mission_panel.h"
#include "ui/port_box.h"
#include "ui/program_files.h"
#include "ui/progress_window.h"
#include "ui/robot_state_panel.h"
#include "ui/run_controller.h"
#include "ui/simulator_window.h"
#include "ui/skin_buttons.h"
#include "ui/test_window.h"
#include "ui/ui_text.h"
#include "ui/window_face.h"
#include "ui/window_place.h"

namespace kavrin::ui {

namespace {

namespace str = resources::str;

constexpr char kSkyBlue[] = "#A6CAF0";
constexpr int kCaptionPixels = 11;
// The help area's key for a mission's note on a tile: one per kind, apart from the string numbers.
constexpr int kHelpKeysPerNote = 16;

// The first help names the port the way the system does: COM ports on Windows only.
#if defined(_WIN32)
constexpr int kWelcomeHelp = str::kHelpWelcome;
#else
constexpr int kWelcomeHelp = str::kHelpWelcomeSerialPort;
#endif

bool IsAdvanced(model::TMode mode) { return mode == model::TMode::Advanced; }

void PaintLightBlueOnBlack(QWidget* widget, bool bold) {
    widget->setFont(ArialFont(kCaptionPixels, bold));
    // Buttons fill their background from the Button role; caption controls use the window's.
    widget->setBackgroundRole(QPalette::Window);
    widget->setAutoFillBackground(true);
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, Qt::black);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text}) {
        pal.setColor(role, QColor(QString::fromLatin1(kSkyBlue)));
    }
    widget->setPalette(pal);
}

// A check box caption wider than its fixed bounds is drawn a little condensed, and if need be a
// pixel smaller (Windows' type sets Arial a little wider), rather than cut.
void FitCheckBoxCaption(QCheckBox& box) {
    constexpr int kNarrowestStretch = 80;
    constexpr int kRightMargin = 8;  // the caption ends short of the column's edge
    QStyleOptionButton option;
    option.initFrom(&box);
    const int room =
        box.style()->subElementRect(QStyle::SE_CheckBoxContents, &option, &box).width() -
        kRightMargin;
    box.setFont(
        TypeThatFits(box.font(), {box.text()}, room, kNarrowestStretch, kCaptionPixels - 1));
}

// The commands of the skin buttons, by their tag.
constexpr model::TCommand kButtonCommands[] = {
    model::TCommand::None, model::TCommand::Run,  model::TCommand::Clear, model::TCommand::Test,
    model::TCommand::Load, model::TCommand::Save, model::TCommand::Quit,  model::TCommand::Delete,
    model::TCommand::Copy, model::TCommand::Cut,  model::TCommand::Paste, model::TCommand::Undo,
};

}  // namespace

TMainForm::TMainForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::FramelessWindowHint),
      dialogs_(std::make_unique<TMainDialogs>()) {
    InstallAccessibility();  // before the skin's pictures are made
    setWindowTitle(UiString(str::kProgramName));
    setAttribute(Qt::WA_Hover);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    setPalette(pal);
    recoveryTimer_.setSingleShot(true);
    connect(&recoveryTimer_, &QTimer::timeout, this, &TMainForm::WriteRecoveryCopy);
}

TMainForm::~TMainForm() = default;

void TMainForm::SetDialogs(std::unique_ptr<TMainDialogs> dialogs) { dialogs_ = std::move(dialogs); }

void TMainForm::SetPortEnumerator(link::PortEnumerator enumerate) {
    enumerate_ = std::move(enumerate);
    if (portBox_ != nullptr) {
        portBox_->SetEnumerator(enumerate_);
    }
}

TActionGrid* TMainForm::Grid(int list) const {
    return lists_ != nullptr ? lists_->Grid(list) : nullptr;
}

const std::string& TMainForm::PortSetting() const {
    static const std::string automatic{link::kAutoPort};
    return portBox_ != nullptr ? portBox_->Setting() : automatic;
}

QString TMainForm::FileFolder() const { return files_ ? files_->Folder() : DefaultFileFolder(); }

int TMainForm::ButtonsBottom() const {
    const TSkinImage* go = skin_.Image(TSkinButtons::FirstSlot(sbGo));
    return go != nullptr ? go->y() + go->height() : height();
}

// --- Building the face ---------------------------------------------------------------------------

void TMainForm::ShowForMode(model::TMode mode) {
    const bool first = !document_;
    BuildForMode(mode);
    if (first) {
        shownForRun_ = true;
        LoadStoredSettings();
        CentreOnScreen(*this);
    }
    show();
    // The keyboard comes with the window, also where no window manager hands it over.
    activateWindow();
    FocusCurrentGrid();
    if (first) {
        LoadPendingFile();
    }
}

// The ports are listed on a worker meanwhile: the stored port is chosen when they come.
void TMainForm::LoadStoredSettings() {
    portBox_->ListPortsInBackground();
    TSettings settings;
    if (settingsStore_ != nullptr) {
        ReadSettings(*settingsStore_, settings);
    } else {
        ReadSettings(settings);
    }
    ApplySettings(settings);
}

void TMainForm::ShowRecovered(const model::TRecoveryCopy& copy) {
    pendingFile_.clear();
    ShowForMode(copy.mode);
    document_->TakeRecovered(copy.program, copy.fileName);
    RefreshAll();
    WriteRecoveryCopy();
}

void TMainForm::LoadPendingFile() {
    if (pendingFile_.isEmpty()) {
        return;
    }
    const QString name = std::exchange(pendingFile_, QString());
    files_->LoadNamed(name, *dialogs_);
    RefreshAll();
}

void TMainForm::BuildForMode(model::TMode mode) {
    if (document_) {
        return;
    }
    mode_ = mode;
    document_ = std::make_unique<model::TActionDocument>(mode);
    files_ = std::make_unique<TProgramFiles>(*document_, *this);
    PrepareSkin();
    CreateControls();
    ApplyControlLayout(resources::kMainWindowLayout, *this, mode);
    CreateFace();
    CreateButtons();
    CreateParts();
    ApplyCaptions();
    if (IsAdvanced(mode)) {
        sensorsEnabled_->hide();
    }
    HyperHelpClick();
    SetHelp(kWelcomeHelp);
    SetTabOrder();
    ForwardProgramMode();
    RefreshAll();
    FocusCurrentGrid();
}

void TMainForm::PrepareSkin() {
    skin_ = LoadSkin(this, mode_);
    for (int slot : {resources::kLogoSlot, resources::kSecondPictureSlot}) {
        if (TSkinImage* image = skin_.Image(slot)) {
            image->hide();
        }
    }
    if (TSkinImage* robot = skin_.Image(resources::kRobotPictureSlot)) {
        robot->show();
    }
}

void TMainForm::CreateFace() {
    using namespace resources;
    face_ = new TWindowFace(this, skin_.Image(kBottomBarSlot), skin_.Image(kCornerSlot));
    for (int slot : {kBackgroundSlot, kBottomBarSlot, kRightEdgeSlot, kTitleSlot, kLogoSlot,
                     kSettingsFrameSlot}) {
        face_->AddMoveHandle(skin_.Image(slot));
    }
    // Pieces without help of their own clear the help area under the pointer.
    for (int slot : {kBackgroundSlot, kBottomBarSlot, kRightEdgeSlot, kCornerSlot, kListFrameSlot,
                     kNotebookFrameSlot}) {
        if (TSkinImage* image = skin_.Image(slot)) {
            image->setMouseTracking(true);
            image->installEventFilter(this);
        }
    }
}

void TMainForm::CreateButtons() {
    buttons_ = new TSkinButtons(skin_, this);
    connect(buttons_, &TSkinButtons::Hovered, this, [this](int button) {
        palette_->Stop();
        if (button != sbNone) {
            SetHelp(HelpForButton(button));
        }
    });
    connect(buttons_, &TSkinButtons::OverlayHovered, this, &TMainForm::GeneralHover);
    connect(buttons_, &TSkinButtons::Clicked, this,
            [this](int button) { RunCommand(kButtonCommands[button]); });
}

void TMainForm::CreateControls() {
    hyperHelp_ = new QCheckBox(this);
    hyperHelp_->setChecked(true);
    sensorsEnabled_ = new QCheckBox(this);
    for (QCheckBox* box : {hyperHelp_, sensorsEnabled_}) {
        box->setCursor(Qt::PointingHandCursor);
        box->setMouseTracking(true);
        box->installEventFilter(this);
        PaintLightBlueOnBlack(box, box == hyperHelp_);
    }
    connect(hyperHelp_, &QCheckBox::clicked, this, &TMainForm::HyperHelpClick);
    connect(sensorsEnabled_, &QCheckBox::clicked, this, &TMainForm::SensorsEnabledClick);

    portLabel1_ = new QLabel(this);
    portLabel2_ = new QLabel(this);
    for (QLabel* label : {portLabel1_, portLabel2_}) {
        label->setAlignment(Qt::AlignCenter);
        PaintLightBlueOnBlack(label, true);
    }
    portBox_ = new TPortBox(this);
    portBox_->SetEnumerator(enumerate_);
    connect(portBox_, &TPortBox::Chosen, this, &TMainForm::FocusCurrentGrid);

    helpMemo_ = new QPlainTextEdit(this);
    helpMemo_->setReadOnly(true);
    helpMemo_->setFocusPolicy(Qt::NoFocus);
    helpMemo_->setFont(ArialFont(kCaptionPixels, false));
    helpMemo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    const std::pair<int, QWidget*> placed[] = {
        {resources::kHyperHelpLayout, hyperHelp_},
        {resources::kSerialPortLabel1Layout, portLabel1_},
        {resources::kSerialPortLabel2Layout, portLabel2_},
        {resources::kPortComboBoxLayout, portBox_},
        {resources::kSensorsEnabledLayout, sensorsEnabled_},
        {resources::kHelpMemoLayout, helpMemo_},
    };
    for (const auto& [record, control] : placed) {
        ApplyControlLayout(record, *control, mode_);
    }
}

void TMainForm::CreateParts() {
    palette_ = new TActionPalette(*this, skin_, mode_);
    lists_ = new TMainLists(*this, *document_);
    auto* dragger = new TDragger(*this, *lists_);
    connect(palette_, &TActionPalette::DragStarted, dragger, &TDragger::StartDrag);
    connect(palette_, &TActionPalette::DoubleClicked, this, &TMainForm::ActionDblClick);
    connect(palette_, &TActionPalette::InsertRequested, this, &TMainForm::InsertTile);
    connect(palette_, &TActionPalette::KeyboardEntered, this,
            [this] { ShowHoverHelp(str::kHelpPaletteKeys); });
    connect(palette_, &TActionPalette::Hovered, this, [this](int kind) {
        buttons_->HideEditHighlights();
        ShowTileHelp(kind);
    });
    connect(lists_, &TMainLists::Changed, this, &TMainForm::RefreshAll);
    connect(lists_, &TMainLists::CommandRequested, this, &TMainForm::RunCommand);
    connect(lists_, &TMainLists::HelpWanted, this, &TMainForm::ShowHoverHelp);
    connect(lists_, &TMainLists::ActionDropped, this, &TMainForm::NoteMissionRules);
    for (int list = model::kMainList; list <= model::kListCount; ++list) {
        connect(Grid(list), &TActionGrid::Refused, this, &TMainForm::ShowHoverHelp);
        connect(Grid(list), &TActionGrid::ValueRefused, this, [this](const QString& help) {
            // Each refusal is news, even when the same range was shown before.
            helpShown_ = 0;
            ShowHelpText(str::kHelpDurationRange, help);
        });
        connect(Grid(list), &TActionGrid::KeyboardEntered, this,
                [this] { ShowHoverHelp(HelpForListKeys(mode_)); });
    }
}

void TMainForm::ApplyCaptions() {
    hyperHelp_->setText(UiString(str::kHyperHelp));
    portLabel1_->setText(UiString(str::kPortLabel1));
    portLabel2_->setText(UiString(str::kPortLabel2));
    sensorsEnabled_->setText(UiString(str::kSensorsEnabled));
    for (QCheckBox* box : {hyperHelp_, sensorsEnabled_}) {
        FitCheckBoxCaption(*box);
    }
    // A screen reader: the help the pointer brings, the port box by its label, the help area.
    hyperHelp_->setAccessibleDescription(UiString(str::kHelpHyperHelp));
    sensorsEnabled_->setAccessibleDescription(UiString(str::kHelpSensorsEnabled));
    portBox_->setAccessibleName(
        (portLabel1_->text() + QLatin1Char(' ') + portLabel2_->text()).simplified());
    portLabel2_->setBuddy(portBox_);  // on Linux a reader names a combo box by its label
    helpMemo_->setAccessibleName(UiString(str::kSpokenHelpArea));
}

void TMainForm::SetTabOrder() {
    // The palette's tiles, the lists, each followed by its values; then the port and the check
    // boxes.
    std::vector<QWidget*> chain;
    for (TSkinImage* tile : palette_->Tiles()) {
        if (tile != nullptr) {
            chain.push_back(tile);
        }
    }
    const std::vector<QWidget*> lists = lists_->TabChain();
    chain.insert(chain.end(), lists.begin(), lists.end());
    chain.insert(chain.end(), {portBox_, hyperHelp_});
    if (!IsAdvanced(mode_)) {
        chain.push_back(sensorsEnabled_);
    }
    for (std::size_t i = 1; i < chain.size(); ++i) {
        QWidget::setTabOrder(chain[i - 1], chain[i]);
    }
}

// --- Refreshing ----------------------------------------------------------------------------------

void TMainForm::RefreshAll() {
    if (!document_) {
        return;
    }
    // An edit while the robot runs is allowed; the lists no longer say what it runs.
    if (marksShown_ && !SimulatorRunsTheLists()) {
        ClearRunMarks();
    }
    lists_->Refresh(document_->TakeChanges());
    AutoEnableDisable();
    KeepRecoveryCopy();
}

void TMainForm::KeepRecoveryCopy() {
    if (recovery_ == nullptr || !document_ || ended_) {
        return;
    }
    const std::optional<std::chrono::milliseconds> due =
        recovery_->Noticed(*document_, model::TRecoveryKeeper::Clock::now());
    if (due) {
        recoveryTimer_.start(*due);  // a later change puts it off, within the keeper's limit
    } else {
        recoveryTimer_.stop();
    }
}

void TMainForm::WriteRecoveryCopy() {
    recoveryTimer_.stop();
    if (recovery_ == nullptr || !document_ || ended_) {
        return;
    }
    const model::TFileResult written = recovery_->Write(*document_);
    if (!written.ok && !std::exchange(recoveryFailureShown_, true)) {
        qWarning("kavrin: %s", written.message.c_str());
    }
}

void TMainForm::AutoEnableDisable() {
    if (!document_ || buttons_ == nullptr) {
        return;
    }
    buttons_->SetAvailability(document_->AutoEnableDisable());
    UpdateTitle();
}

void TMainForm::UpdateTitle() {
    QString title = UiString(str::kProgramName);
    if (!document_->FileName().empty()) {
        title += QStringLiteral(" - ") + QFileInfo(FromCorePath(document_->FileName())).fileName();
    }
    if (document_->Modified()) {
        title += QStringLiteral(" *");
    }
    setWindowTitle(title);
}

void TMainForm::FocusCurrentGrid() {
    if (lists_ != nullptr) {
        lists_->FocusCurrentGrid();
    }
}

// --- Help and hover ------------------------------------------------------------------------------

void TMainForm::SetHelp(int uiString) { ShowHelpText(uiString, UiString(uiString)); }

void TMainForm::ShowHelpText(int key, const QString& text) {
    if (key == helpShown_ || helpMemo_ == nullptr) {
        return;
    }
    helpShown_ = key;
    helpMemo_->setPlainText(text);
    // A screen reader hears of the change: the area's description (Qt tells of it) and its value
    // are its text.
    helpMemo_->setAccessibleDescription(text);
    QAccessibleValueChangeEvent changed(helpMemo_, text);
    Announce(changed);
}

// What the tile makes the robot do, then how to use it.
void TMainForm::ShowTileHelp(int kind) {
    const int description = ActionKindDescription(kind);
    if (description == 0) {
        SetHelp(str::kHelpPaletteTile);
        return;
    }
    ShowHelpText(description,
                 UiString(description) + QLatin1Char('\n') + UiString(str::kHelpPaletteTile));
}

void TMainForm::NoteMissionRules(int kind) {
    const sim::Mission* mission = simulator_ != nullptr ? simulator_->CurrentMission() : nullptr;
    if (mission == nullptr || kind < 0 || kind >= model::kActionKindCount) {
        return;
    }
    const char letter = model::kActionKinds[static_cast<std::size_t>(kind)].letter;
    if (mission->rules.AllowsTile(letter)) {
        return;
    }
    ShowHelpText(
        str::kHelpMissionForbidsTile * kHelpKeysPerNote + kind,
        UiString(str::kHelpMissionForbidsTile).arg(MissionTitle(*mission), StepKindText(letter)));
}

void TMainForm::ShowHoverHelp(int uiString) {
    buttons_->HideHighlights();
    palette_->Stop();
    SetHelp(uiString);
}

void TMainForm::GeneralHover() { ShowHoverHelp(str::kHelpBlank); }

void TMainForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    RefreshAll();
}

void TMainForm::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    if (buttons_ != nullptr) {
        GeneralHover();
    }
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove) {
        if (watched == hyperHelp_) {
            SetHelp(str::kHelpHyperHelp);
        } else if (watched == sensorsEnabled_) {
            SetHelp(str::kHelpSensorsEnabled);
        } else {
            GeneralHover();  // background pieces and frames
        }
    }
    return QWidget::eventFilter(watched, event);
}

// --- Settings and check boxes --------------------------------------------------------------------

void TMainForm::ApplySettings(const TSettings& settings) {
    if (hyperHelp_->isChecked() != settings.hyperHelp) {
        hyperHelp_->setChecked(settings.hyperHelp);
        HyperHelpClick();
    }
    document_->SetCalibration(settings.leftServoCenter, settings.rightServoCenter);
    portBox_->Choose(settings.comPort.toStdString());
    files_->SetFolder(settings.lastDirectory);
}

TSettings TMainForm::CurrentSettings() const {
    TSettings settings;
    settings.hyperHelp = hyperHelp_->isChecked();
    settings.leftServoCenter = document_->Program().leftServoCenter;
    settings.rightServoCenter = document_->Program().rightServoCenter;
    settings.comPort = FromCore(portBox_->Setting());
    settings.lastDirectory = files_->Folder();
    return settings;
}

void TMainForm::SensorsEnabledClick() {
    lists_->SetSensorSetTileEnabled(sensorsEnabled_->isChecked());
    ForwardProgramMode();
    FocusCurrentGrid();
}

void TMainForm::ForwardProgramMode() {
    if (simulator_ != nullptr && document_) {
        simulator_->SetProgramMode(mode_, sensorsEnabled_->isChecked());
    }
}

void TMainForm::HyperHelpClick() {
    if (hyperHelp_->isChecked()) {
        SetHelp(str::kHelpBlank);
        face_->ShowHelpArea(helpMemo_, ButtonsBottom());
    } else {
        face_->HideHelpArea(helpMemo_, ButtonsBottom());
    }
    FocusCurrentGrid();
}

// --- Commands ------------------------------------------------------------------------------------

void TMainForm::keyPressEvent(QKeyEvent* event) {
    // Keys that reach the window from its other controls: only the Alt letters and the keys of
    // the whole window (the sheet's Ctrl+P, F6, the sensor sets) count here.
    const model::TCommand command = CommandForKeyEvent(*event);
    const bool alt = (event->modifiers() & Qt::AltModifier) != 0;
    if (command != model::TCommand::None && (alt || model::ActsInWholeWindow(command))) {
        RunCommand(command);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TMainForm::CyclePanes(int direction) {
    std::vector<QWidget*> panes{static_cast<QWidget*>(palette_->ScrollBox()),
                                static_cast<QWidget*>(Grid(model::kMainList))};
    if (IsAdvanced(mode_)) {
        panes.push_back(lists_->Notebook());
    }
    const QWidget* focus = focusWidget();
    const int count = static_cast<int>(panes.size());
    int at = -1;
    for (int i = 0; i < count; ++i) {
        if (focus != nullptr && (panes[static_cast<std::size_t>(i)] == focus ||
                                 panes[static_cast<std::size_t>(i)]->isAncestorOf(focus))) {
            at = i;
        }
    }
    // From elsewhere (the port box, a check box) F6 starts at the palette, Shift+F6 at the end.
    const int next = at < 0 ? (direction > 0 ? 0 : count - 1) : (at + direction + count) % count;
    if (next == 0) {
        palette_->FocusCurrentTile(Qt::TabFocusReason);
    } else if (next == 1) {
        Grid(model::kMainList)->setFocus(Qt::TabFocusReason);
    } else {
        Grid(model::kSensorSetAll + lists_->SensorTab())->setFocus(Qt::TabFocusReason);
    }
}

void TMainForm::InsertTile(int kind) {
    if (!document_) {
        return;
    }
    if (TActionGrid* grid = Grid(document_->CurrentList())) {
        grid->InsertAtSelection(kind);  // the keyboard stays on the tile for the next one
    }
    RefreshAll();
}

void TMainForm::RunCommand(model::TCommand command) {
    if (!document_) {
        return;
    }
    using model::TCommand;
    switch (command) {
        case TCommand::Delete:
            document_->Delete();
            break;
        case TCommand::Copy:
            document_->Copy();
            break;
        case TCommand::Cut:
            document_->Cut();
            break;
        case TCommand::Paste:
            document_->Paste();
            break;
        case TCommand::Undo:
            document_->Undo();
            break;
        case TCommand::Run:
            Go();
            break;
        case TCommand::View:
            ViewButtonClick();
            break;
        case TCommand::Clear:
            document_->Clear();
            break;
        case TCommand::Test:
            Test();
            break;
        case TCommand::Load:
            LoadFile();
            break;
        case TCommand::Save:
            SaveFile();
            break;
        case TCommand::Print:
            SaveSheet();
            break;
        case TCommand::Quit:
            Quit();
            return;
        case TCommand::NextPane:
        case TCommand::PreviousPane:
            CyclePanes(command == TCommand::NextPane ? +1 : -1);
            return;
        case TCommand::SensorSetAll:
        case TCommand::SensorSet1:
        case TCommand::SensorSet2:
        case TCommand::SensorSet3:
        case TCommand::SensorSet4:
            lists_->ChooseSensorTab(model::SensorSetOf(command));
            break;
        case TCommand::SetBothColumn:
        case TCommand::SetLeftColumn:
        case TCommand::SetRightColumn:
            document_->SetSensorColumnOfSelection(model::SensorColumnOf(command),
                                                  lists_->SensorTab());
            break;
        // A list's own keys, which the list itself answers.
        case TCommand::MoveStepsUp:
        case TCommand::MoveStepsDown:
        case TCommand::LongerStep:
        case TCommand::ShorterStep:
        case TCommand::EditValue:
        case TCommand::None:
            return;
    }
    RefreshAll();
}

void TMainForm::ActionDblClick(int kind) {
    if (!document_) {
        return;
    }
    document_->AppendAction(static_cast<std::uint8_t>(kind));
    RefreshAll();
    NoteMissionRules(kind);
}

bool TMainForm::BuildCode(const model::TActionProgram& program, bool sensorsEnabled) {
    codegen::TProgramText text;
    const codegen::TBuildResult result = codegen::BuildCode(program, mode_, sensorsEnabled, text);
    if (!result.ok) {
        dialogs_->ShowError(this, FromCore(result.message));
        return false;
    }
    CodeView().SetProgramText(text);
    return true;
}

TCodeForm& TMainForm::CodeView() {
    if (codeView_ == nullptr) {
        ownCodeView_ = std::make_unique<TCodeForm>(this);
        SetCodeView(ownCodeView_.get());
    }
    return *codeView_;
}

void TMainForm::SetCodeView(TCodeForm* codeView) {
    if (codeView_ != nullptr) {
        disconnect(codeView_, nullptr, this, nullptr);
    }
    codeView_ = codeView;
    if (codeView_ != nullptr) {
        connect(codeView_, &TCodeForm::SheetRequested, this, [this] { SaveSheet(codeView_); });
    }
}

// --- The running step ----------------------------------------------------------------------------

void TMainForm::SetSimulator(TSimulatorForm* window) {
    if (simulator_ != nullptr) {
        disconnect(simulator_, nullptr, this, nullptr);
    }
    simulator_ = window;
    simImage_.reset();
    if (simulator_ != nullptr) {
        connect(simulator_, &TSimulatorForm::RunningStepChanged, this,
                &TMainForm::RunningStepChanged);
        connect(simulator_, &TSimulatorForm::ProgramChosen, this, &TMainForm::LoadAndRun);
        ForwardProgramMode();
    }
}

bool TMainForm::SimulatorRunsTheLists() const {
    return simulator_ != nullptr && simImage_ && document_ &&
           simulator_->Simulation().Image() == *simImage_ && document_->Revision() == simRevision_;
}

void TMainForm::RunningStepChanged(const sim::RunningStep& step) {
    if (!document_) {
        return;
    }
    if (!step.at.Runs()) {
        ClearRunMarks();
        return;
    }
    if (!SimulatorRunsTheLists()) {
        ClearRunMarks();
        simulator_->NoteOlderProgram();
        return;
    }
    lists_->ShowRunMarks(MarksForRunningStep(step, document_->Program()));
    marksShown_ = true;
}

void TMainForm::ClearRunMarks() {
    if (marksShown_ && lists_ != nullptr) {
        lists_->ShowRunMarks({});
    }
    marksShown_ = false;
}

void TMainForm::SetRunController(TRunController* run) {
    if (run_ != nullptr) {
        disconnect(run_, nullptr, this, nullptr);
    }
    run_ = run;
    if (run_ == nullptr) {
        return;
    }
    run_->Window().SetAnchor(this);
    connect(run_, &TRunController::ErrorShown, this,
            [this](const QString& text) { dialogs_->ShowError(this, text); });
    connect(run_, &TRunController::Finished, this, &TMainForm::RunFinished);
}

void TMainForm::Go() {
    portBox_->EnsureListed();  // the port setting is settled before a run uses it
    GoTo(PortSetting());
}

void TMainForm::GoTo(const std::string& port) {
    if (run_ == nullptr) {
        BuildCode(document_->Program(), sensorsEnabled_->isChecked());
        return;
    }
    // One run at a time: the progress window shows the one under way.
    if (run_->Busy()) {
        return;
    }
    runProgram_ = document_->Program();
    runSensorsEnabled_ = sensorsEnabled_->isChecked();
    runRevision_ = document_->Revision();
    goRunning_ = run_->StartActionProgram(runProgram_, mode_, runSensorsEnabled_, port);
}

void TMainForm::RunFinished(const run::RunOutcome& outcome) {
    const bool fromGo = std::exchange(goRunning_, false);
    // The virtual robot got the program: it drives it on its table, switched on afresh. Go's
    // motion program comes with where it keeps its step, so that the lists can mark it.
    if (outcome.status == run::RunStatus::Delivered && outcome.portName == link::kVirtualPortName &&
        simulator_ != nullptr) {
        const std::optional<sim::StepVariables> variables =
            fromGo ? run_->StepVariables() : std::nullopt;
        ClearRunMarks();
        simImage_.reset();
        if (variables) {
            simImage_ = run_->Image();
            simRevision_ = runRevision_;
        }
        // Go's program comes with its lists, for the mission's rules.
        simulator_->ShowProgram(run_->Image(), variables,
                                fromGo ? std::optional(runProgram_) : std::nullopt);
    }
    // Errors of the link were shown while the progress window was still up; what is left are
    // the tokenizer's refusal and the user's cancel.
    if (outcome.status == run::RunStatus::Stopped) {
        dialogs_->ShowMessage(this, UiString(str::kRunCancelled));
    } else if (outcome.status == run::RunStatus::TokenizeFailed) {
        ShowTokenizerRefusal(outcome);
    }
}

void TMainForm::ShowTokenizerRefusal(const run::RunOutcome& outcome) {
    const QString message = FromCore(outcome.message);
    const QString reason = FromCore(outcome.tokenizerError);
    if (outcome.sourceTooLong || reason.isEmpty()) {
        dialogs_->ShowMessage(this,
                              reason.isEmpty() ? message : message + QLatin1Char('\n') + reason);
        return;
    }
    if (!dialogs_->AskShowTokenizerError(this, message, reason)) {
        return;
    }
    // The code shown is the code that was run.
    if (BuildCode(runProgram_, runSensorsEnabled_)) {
        CodeView().ShowTokenizerError(outcome.errorPos, outcome.errorLength, reason);
        dialogs_->ShowCodeView(CodeView());
    }
}

void TMainForm::ViewButtonClick() {
    if (BuildCode(document_->Program(), sensorsEnabled_->isChecked())) {
        dialogs_->ShowCodeView(CodeView());
    }
}

void TMainForm::Test() {
    // The test downloads through the same link as Go: not while a run is going.
    if (testWindow_ == nullptr || (run_ != nullptr && run_->Busy())) {
        return;
    }
    portBox_->EnsureListed();
    testWindow_->SetDocument(*document_);
    testWindow_->Link().SetSelectedPort(PortSetting());
    dialogs_->ShowTestWindow(*testWindow_);
    RefreshAll();  // the calibration may have changed
}

void TMainForm::LoadFile() {
    files_->Load(*dialogs_);
    RefreshAll();
}

void TMainForm::LoadAndRun(const QString& path) {
    // One run at a time: the progress window shows the one under way.
    if (!document_ || (run_ != nullptr && run_->Busy())) {
        return;
    }
    const bool loaded = files_->LoadAsked(path, *dialogs_);
    RefreshAll();
    if (loaded) {
        GoTo(std::string(link::kVirtualPortName));  // to the simulator, whatever robot is attached
    }
}

void TMainForm::SaveFile() {
    files_->Save(*dialogs_);
    UpdateTitle();
    KeepRecoveryCopy();  // saved: the copy goes
}

void TMainForm::SaveSheet(QWidget* parent) {
    if (!document_) {
        return;
    }
    files_->SaveSheet(*dialogs_, sensorsEnabled_->isChecked(), parent != nullptr ? *parent : *this);
}

bool TMainForm::Quit() {
    if (!document_ || files_->CheckIfSaved(*dialogs_) == model::TSaveAnswer::Cancel) {
        UpdateTitle();
        return false;
    }
    // Saved or left unsaved on purpose: nothing to recover at the next start.
    recoveryTimer_.stop();
    if (recovery_ != nullptr) {
        recovery_->Remove();
    }
    buttons_->HideHighlights();
    portBox_->EnsureListed();
    const QStringList ports = portBox_->PortNames();
    if (settingsStore_ != nullptr) {
        SaveSettings(*settingsStore_, CurrentSettings(), ports);
    } else {
        SaveSettings(CurrentSettings(), ports);
    }
    ended_ = true;
    Q_EMIT Ended();
    return true;
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Closing by the system's means (task bar, window manager) is quitting.
    if (shownForRun_ && !ended_ && !Quit()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace kavrin::ui
