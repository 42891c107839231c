#include "ui/simulator_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <string_view>

#include "fileio/file_reason.h"
#include "judge/judge.h"
#include "resources/ui_strings.h"
#include "ui/arena_view.h"
#include "ui/class_results.h"
#include "ui/mission_panel.h"
#include "ui/program_files.h"
#include "ui/robot_state_panel.h"
#include "ui/run_timeline.h"
#include "ui/ui_text.h"
#include "ui/window_place.h"

namespace kavrin::ui {

namespace {

using namespace resources::str;

constexpr qint64 kNsPerVirtualUs = 1000;
constexpr int kBarSpacing = 12;
constexpr int kViewStretch = 4;  // the table against the terminal pane
constexpr char kLongestTime[] = "00000.0";

// The built-in arenas' names as the chooser shows them; one the table does not know shows as the
// core names it.
struct TArenaName {
    std::string_view key;
    int text;
};
constexpr TArenaName kArenaNames[] = {{sim::kArenaOpen, kSimArenaOpen},
                                      {sim::kArenaWallAhead, kSimArenaWallAhead},
                                      {sim::kArenaCorridor, kSimArenaCorridor},
                                      {sim::kArenaMaze, kSimArenaMaze}};

QString ArenaTitle(const std::string& key) {
    for (const TArenaName& name : kArenaNames) {
        if (name.key == key) {
            return UiString(name.text);
        }
    }
    return FromCore(key);
}

sim::Arena DefaultArena() { return *sim::BuiltInArena(sim::kDefaultArena); }

// A speed as the chooser shows it: ¼, ½, 1, 2...
QString SpeedFactor(int quarters) {
    if (quarters == 1) {
        return QStringLiteral("\u00BC");
    }
    if (quarters == 2) {
        return QStringLiteral("\u00BD");
    }
    return QString::number(static_cast<double>(quarters) / kQuartersPerFactor);
}

// Steps that differ only in the time left are the same step for the main window.
bool SameStep(const sim::RunningStep& a, const sim::RunningStep& b) {
    return a.at == b.at && a.interrupted == b.interrupted && a.command == b.command;
}

// The entry of a chooser with this key; a file not listed yet goes in before the last entry,
// which opens files.
int Listed(QComboBox* box, const QString& key) {
    int index = box->findData(key);
    if (index < 0) {
        index = box->count() - 1;
        box->insertItem(index, QFileInfo(key).fileName(), key);
    }
    return index;
}

QLabel* BuddyLabel(int text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(UiString(text), parent);
    label->setBuddy(buddy);
    return label;
}

}  // namespace

TSimulatorForm::TSimulatorForm(QWidget* parent)
    : QWidget(parent, Qt::Window),
      simulation_(DefaultArena()),
      arenaKey_(FromCore(sim::kDefaultArena)) {
    // Shown after a run, it must not take the keyboard from the window the user works in.
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(UiString(kSimTitle));

    view_ = new TArenaView(simulation_, this);
    panel_ = new TMissionPanel(this);
    panel_->hide();  // until a mission is chosen
    robotPanel_ = new TRobotStatePanel(this);
    timeline_ = new TRunTimeline(this);
    view_->setAccessibleName(UiString(kSpokenArena));
    view_->setAccessibleDescription(UiString(kSimArenaViewTip));
    timeline_->setAccessibleName(UiString(kSpokenTimeline));
    timeline_->setAccessibleDescription(UiString(kSimTimelineTip));
    auto* table = new QWidget(this);
    auto* beside = new QHBoxLayout(table);
    beside->setContentsMargins(0, 0, 0, 0);
    auto* under = new QVBoxLayout;
    under->addWidget(view_, 1);
    under->addWidget(timeline_);
    beside->addLayout(under, 1);
    auto* column = new QVBoxLayout;
    column->addWidget(robotPanel_);
    column->addWidget(panel_, 1);
    column->addStretch(0);
    beside->addLayout(column);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(table);
    splitter->addWidget(BuildTerminal());
    splitter->setStretchFactor(0, kViewStretch);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(BuildBar());
    layout->addLayout(BuildMissionLine());
    layout->addWidget(splitter, 1);

    timer_.setObjectName(QStringLiteral("frameTimer"));
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kSimulatorFrameMs);
    quietShow_.setSingleShot(true);
    quietShow_.setInterval(kQuietShowMs);
    ConnectControls();
    simulation_.PowerOff();  // nothing to run until a program comes
    UpdateControls();
}

TSimulatorForm::~TSimulatorForm() { DetachLine(); }

QHBoxLayout* TSimulatorForm::BuildBar() {
    runButton_ = new QPushButton(this);
    runButton_->setToolTip(UiString(kSimRunTip));
    powerButton_ = new QPushButton(this);
    powerButton_->setToolTip(UiString(kSimPowerTip));
    nextButton_ = new QPushButton(UiString(kSimNextStep), this);
    nextButton_->setToolTip(UiString(kSimNextStepTip));
    speedBox_ = new QComboBox(this);
    for (const int quarters : kSimulatorSpeedQuarters) {
        speedBox_->addItem(UiString(kSimSpeedItem).arg(SpeedFactor(quarters)), quarters);
    }
    speedBox_->setCurrentIndex(speedBox_->findData(quarters_));
    speedBox_->setToolTip(UiString(kSimSpeedTip));
    BuildArenaBox();
    timeLabel_ = new QLabel(this);
    const QString widest = UiString(kSimTime).arg(QLatin1String(kLongestTime));
    timeLabel_->setMinimumWidth(timeLabel_->fontMetrics().horizontalAdvance(widest));
    timeLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stateLabel_ = new QLabel(this);

    auto* bar = new QHBoxLayout;
    bar->addWidget(runButton_);
    bar->addWidget(powerButton_);
    bar->addWidget(nextButton_);
    bar->addSpacing(kBarSpacing);
    bar->addWidget(BuddyLabel(kSimSpeedLabel, speedBox_, this));
    bar->addWidget(speedBox_);
    bar->addSpacing(kBarSpacing);
    bar->addWidget(BuddyLabel(kSimArenaLabel, arenaBox_, this));
    bar->addWidget(arenaBox_);
    bar->addSpacing(kBarSpacing);
    bar->addWidget(stateLabel_, 1);
    bar->addWidget(timeLabel_);
    return bar;
}

// The built-ins by their shown names, with the core's name as the key; files join before the
// last entry, which opens a file.
void TSimulatorForm::BuildArenaBox() {
    arenaBox_ = new QComboBox(this);
    for (const std::string& name : sim::BuiltInArenaNames()) {
        arenaBox_->addItem(ArenaTitle(name), FromCore(name));
    }
    arenaBox_->addItem(UiString(kSimArenaFileItem));
    arenaBox_->setToolTip(UiString(kSimArenaTip));
    arenaBox_->setPlaceholderText(UiString(kMissionArenaItem));  // shown while a mission is on
}

// The mission's chooser, on a line of its own so that the bar keeps to the window's width: no
// mission first (an empty name), the built-ins, files as they are opened, and last the entry
// without data that opens a file.
QHBoxLayout* TSimulatorForm::BuildMissionLine() {
    missionBox_ = new QComboBox(this);
    missionBox_->addItem(UiString(kMissionNone), QString());
    for (const std::string& name : sim::BuiltInMissionNames()) {
        missionBox_->addItem(BuiltInMissionTitle(name), FromCore(name));
    }
    missionBox_->addItem(UiString(kMissionFileItem));
    missionBox_->setToolTip(UiString(kMissionTip));
    judgeButton_ = new QPushButton(UiString(kJudgeClassButton), this);
    judgeButton_->setToolTip(UiString(kJudgeClassTip));
    auto* line = new QHBoxLayout;
    line->addWidget(BuddyLabel(kMissionLabel, missionBox_, this));
    line->addWidget(missionBox_);
    line->addWidget(judgeButton_);
    line->addStretch(1);
    noteLabel_ = new QLabel(UiString(kSimOlderProgram), this);
    noteLabel_->setObjectName(QStringLiteral("programNote"));
    QPalette palette = noteLabel_->palette();
    palette.setColor(QPalette::WindowText, QColor(0xc0, 0x20, 0x20));
    noteLabel_->setPalette(palette);
    noteLabel_->hide();
    line->addWidget(noteLabel_);
    return line;
}

QWidget* TSimulatorForm::BuildTerminal() {
    auto* pane = new QWidget(this);
    terminal_ = new QPlainTextEdit(pane);
    terminal_->setReadOnly(true);
    terminal_->setMaximumBlockCount(kTerminalMaxLines);
    terminal_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    terminal_->setPlaceholderText(UiString(kSimTerminalPlaceholder));
    terminal_->setAccessibleName(UiString(kSpokenTerminal));
    terminal_->setAccessibleDescription(terminal_->placeholderText());
    input_ = new QLineEdit(pane);
    input_->setPlaceholderText(UiString(kSimInputPlaceholder));
    input_->setAccessibleName(UiString(kSpokenInput));
    input_->setAccessibleDescription(input_->placeholderText());
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(terminal_);
    layout->addWidget(input_);
    return pane;
}

void TSimulatorForm::ConnectControls() {
    connect(&timer_, &QTimer::timeout, this, &TSimulatorForm::Tick);
    connect(runButton_, &QPushButton::clicked, this, [this] { SetRunning(!running_); });
    connect(powerButton_, &QPushButton::clicked, this,
            [this] { SetPower(!simulation_.Powered()); });
    connect(speedBox_, &QComboBox::activated, this,
            [this](int index) { SetSpeedQuarters(speedBox_->itemData(index).toInt()); });
    connect(nextButton_, &QPushButton::clicked, this, &TSimulatorForm::RunNextStep);
    connect(timeline_, &TRunTimeline::Moved, this, &TSimulatorForm::TimelineMoved);
    connect(timeline_, &QSlider::sliderReleased, this, [this] {
        if (timeline_->AtEnd()) {
            ReturnToLive();
        }
    });
    connect(panel_, &TMissionPanel::VerdictClicked, this,
            [this](sim::VirtualTime at) { timeline_->MoveTo(at); });
    connect(arenaBox_, &QComboBox::activated, this, &TSimulatorForm::ArenaChosen);
    connect(missionBox_, &QComboBox::activated, this, &TSimulatorForm::MissionChosen);
    connect(judgeButton_, &QPushButton::clicked, this, &TSimulatorForm::JudgeClass);
    connect(input_, &QLineEdit::returnPressed, this, [this] {
        SendLine(input_->text());
        input_->clear();
    });
    connect(view_, &TArenaView::RobotMoved, this, [this] {
        CheckMission();  // a move by hand decides a mission under way
        UpdateControls();
    });
    auto* space =
        new QShortcut(QKeySequence(Qt::Key_Space), view_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(space, &QShortcut::activated, this, [this] { SetRunning(!running_); });
    auto* next = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(next, &QShortcut::activated, this, &TSimulatorForm::RunNextStep);
}

void TSimulatorForm::ConnectRobot(std::shared_ptr<sim::VirtualRobot> robot) {
    DetachLine();
    robot_ = std::move(robot);
    if (isVisible()) {
        AttachLine();
    }
}

void TSimulatorForm::AttachLine() {
    if (robot_ == nullptr || line_ != nullptr) {
        return;
    }
    line_ = std::make_shared<sim::SimulatorLine>();
    robot_->AttachSimulator(line_);
}

void TSimulatorForm::DetachLine() {
    if (robot_ != nullptr && line_ != nullptr) {
        robot_->AttachSimulator(nullptr);
    }
    line_ = nullptr;
}

bool TSimulatorForm::event(QEvent* event) {
    if (event->type() == QEvent::WindowActivate && quietShow_.isActive()) {
        quietShow_.stop();
        QWidget* modal = QApplication::activeModalWidget();
        QWidget* back = modal != nullptr ? modal : parentWidget();
        if (back != nullptr && back->isVisible()) {
            back->activateWindow();
        }
    }
    return QWidget::event(event);
}

void TSimulatorForm::showEvent(QShowEvent* event) {
    AttachLine();
    QWidget::showEvent(event);
}

// Closed (not merely minimised), the window stops and gives the robot back to its port.
void TSimulatorForm::hideEvent(QHideEvent* event) {
    if (!event->spontaneous()) {
        SetRunning(false);
        DetachLine();
    }
    QWidget::hideEvent(event);
    UpdateStep();
}

void TSimulatorForm::ShowProgram(const sim::Eeprom& image,
                                 std::optional<sim::StepVariables> variables,
                                 std::optional<model::TActionProgram> lists) {
    StartProgram(image, variables, std::move(lists));
    quietShow_.start();
    PlaceFirstTime();
    show();
    raise();
    // A dialog that holds the user's answer stays on top.
    if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
        modal->raise();
    }
}

// The first time it opens, beside the main window and on the screen; later where the user left it.
void TSimulatorForm::PlaceFirstTime() {
    if (placed_ || !isWindow()) return;  // (a picture may hold it as a child)
    placed_ = true;
    if (!testAttribute(Qt::WA_Resized)) adjustSize();
    if (const QWidget* main = parentWidget(); main != nullptr && main->isVisible()) {
        MoveBeside(*this, *main);
    } else {
        KeepOnScreen(*this);
    }
}

void TSimulatorForm::StartProgram(const sim::Eeprom& image,
                                  std::optional<sim::StepVariables> variables,
                                  std::optional<model::TActionProgram> lists) {
    simulation_.Load(image, variables);
    lists_ = std::move(lists);
    olderProgram_ = false;
    verdictNoted_ = false;
    UpdateRules();
    ReturnToLive();
    AppendNote(UiString(kSimNoteDownloaded));
    SetRunning(true);
    CheckMission();  // a rule broken has decided it already
}

void TSimulatorForm::UpdateRules() {
    const sim::Mission* mission = CurrentMission();
    rules_ =
        mission != nullptr && lists_ ? CheckProgramRules(*lists_, mission->rules) : TRuleCheck{};
    panel_->SetRuleCheck(rules_);
}

const sim::Mission* TSimulatorForm::CurrentMission() const {
    const sim::MissionJudge* judge = simulation_.Judge();
    return judge != nullptr ? &judge->GetMission() : nullptr;
}

void TSimulatorForm::NoteOlderProgram() {
    olderProgram_ = true;
    UpdateControls();
}

QString TSimulatorForm::NoteText() const { return olderProgram_ ? noteLabel_->text() : QString(); }

void TSimulatorForm::RunNextStep() {
    if (!simulation_.Powered() || simulation_.Probe() == nullptr || simulation_.Cpu().Halted()) {
        return;
    }
    ReturnToLive();
    SetRunning(true);
    stepping_ = running_;
    UpdateControls();
}

void TSimulatorForm::ShowMoment(sim::VirtualTime t) {
    if (simulation_.Record().Empty()) {
        return;
    }
    SetRunning(false);
    moment_ = std::clamp<sim::VirtualTime>(t, 0, simulation_.Record().End());
    view_->ShowMoment(moment_);
    UpdateControls();
}

void TSimulatorForm::ReturnToLive() {
    if (!moment_) {
        return;
    }
    moment_.reset();
    view_->ShowMoment(std::nullopt);
    UpdateControls();
}

// The user moved the timeline: the run as it was then; dropped at the end by a key, live again
// (a drag goes live when it is released there).
void TSimulatorForm::TimelineMoved(sim::VirtualTime t) {
    if (timeline_->AtEnd() && !timeline_->isSliderDown()) {
        ReturnToLive();
    } else {
        ShowMoment(t);
    }
}

void TSimulatorForm::SetRunning(bool run) {
    if (run) {
        ReturnToLive();
    }
    stepping_ = false;
    running_ = run && simulation_.Powered();
    if (running_) {
        clock_.start();
        remainderNs_ = 0;
        timer_.start();
    } else {
        timer_.stop();
    }
    UpdateControls();
}

void TSimulatorForm::SetPower(bool on) {
    if (on) {
        simulation_.PowerOn();
        AppendNote(UiString(kSimNotePowerOn));
    } else {
        simulation_.PowerOff();
        AppendNote(UiString(kSimNotePowerOff));
    }
    ReturnToLive();
    SetRunning(on);
    view_->update();
}

void TSimulatorForm::SetSpeedQuarters(int quarters) {
    int nearest = kSimulatorSpeedQuarters[0];
    for (const int offered : kSimulatorSpeedQuarters) {
        if (std::abs(offered - quarters) < std::abs(nearest - quarters)) {
            nearest = offered;
        }
    }
    quarters_ = nearest;
    const int index = speedBox_->findData(quarters_);
    if (index >= 0) {
        speedBox_->setCurrentIndex(index);
    }
}

void TSimulatorForm::ArenaChosen(int index) {
    const QString name = arenaBox_->itemData(index).toString();
    if (name.isEmpty()) {
        ChooseArenaFile();
    } else {
        SetArena(name);
    }
}

bool TSimulatorForm::SetArena(const QString& nameOrPath) {
    const sim::ArenaResult result = sim::FindArena(nameOrPath.toStdString());
    if (!result.arena) {
        return Refuse(result.error);
    }
    const bool wasRunning = running_;
    const bool wasPowered = ReplaceTable([&] { simulation_.SetArena(*result.arena); });
    if (!missionKey_.isEmpty()) {  // a plain table ends the mission
        missionKey_.clear();
        panel_->Clear();
        panel_->hide();
        rules_ = {};
    }
    const int index = Listed(arenaBox_, nameOrPath);
    arenaKey_ = nameOrPath;
    if (wasPowered) {
        AppendNote(UiString(kSimNoteArena).arg(arenaBox_->itemText(index)));
    }
    SetRunning(wasRunning);
    view_->update();
    return true;
}

void TSimulatorForm::MissionChosen(int index) {
    const QVariant key = missionBox_->itemData(index);
    if (key.isValid()) {
        SetMission(key.toString());
    } else {
        ChooseMissionFile();
    }
}

bool TSimulatorForm::SetMission(const QString& nameOrPath) {
    if (nameOrPath.isEmpty()) {
        return missionKey_.isEmpty() || SetArena(arenaKey_);
    }
    const sim::MissionResult result = sim::FindMission(nameOrPath.toStdString());
    if (!result.mission) {
        return Refuse(result.error);
    }
    const bool wasRunning = running_;
    const bool wasPowered = ReplaceTable([&] { simulation_.SetMission(*result.mission); });
    Listed(missionBox_, nameOrPath);
    missionKey_ = nameOrPath;
    verdictNoted_ = false;
    panel_->SetMission(*result.mission);
    panel_->show();
    UpdateRules();
    if (wasPowered) {
        AppendNote(UiString(kMissionNoteChosen).arg(MissionTitle(*result.mission)));
    }
    SetRunning(wasRunning);
    if (wasPowered) {
        CheckMission();
    }
    view_->update();
    return true;
}

// A table that cannot be read is said; the choosers go back to what is still on.
bool TSimulatorForm::Refuse(const std::string& error) { return Refuse(FromCore(error)); }

bool TSimulatorForm::Refuse(const QString& message) {
    QMessageBox::warning(this, windowTitle(), message);
    UpdateControls();
    return false;
}

// A new table (an arena's or a mission's) restarts the robot at its start; a robot switched off
// stays off. Returns whether it was on.
bool TSimulatorForm::ReplaceTable(const std::function<void()>& put) {
    const bool wasPowered = simulation_.Powered();
    ReturnToLive();
    put();
    view_->InvalidateBackground();
    if (!wasPowered) {
        simulation_.PowerOff();
    }
    return wasPowered;
}

QString TSimulatorForm::AskForFile(int title, int filter) {
    return QFileDialog::getOpenFileName(this, UiString(title), QString(), UiString(filter));
}

void TSimulatorForm::ChooseMissionFile() {
    const QString path = AskForFile(kMissionDialogTitle, kMissionFilter);
    if (path.isEmpty() || !SetMission(path)) {
        UpdateControls();
    }
}

void TSimulatorForm::CheckMission() {
    const sim::MissionJudge* judge = simulation_.Judge();
    if (judge == nullptr || (!rules_.broken && judge->GetVerdict() == sim::Verdict::Open)) {
        verdictNoted_ = false;
        return;
    }
    if (verdictNoted_) {
        return;
    }
    verdictNoted_ = true;
    AppendNote(UiString(kMissionNoteDecided).arg(MissionResultText(*judge, rules_)));
    SetRunning(false);  // the robot stays where it was decided
}

void TSimulatorForm::SetProgramMode(model::TMode mode, bool sensorsEnabled) {
    programMode_ = mode;
    programSensors_ = sensorsEnabled;
}

TClassResults* TSimulatorForm::ClassResults() const { return classResults_; }

void TSimulatorForm::JudgeClass() {
    if (classResults_ != nullptr && classResults_->Running()) {
        classResults_->raise();
        classResults_->activateWindow();
        return;
    }
    const QString folder = askFolder_ ? askFolder_()
                                      : QFileDialog::getExistingDirectory(
                                            this, UiString(kJudgeFolderTitle), classFolder_);
    if (!folder.isEmpty()) {
        JudgeFolder(folder);
    }
}

bool TSimulatorForm::JudgeFolder(const QString& folder) {
    const sim::Mission* mission = CurrentMission();
    if (mission == nullptr) {
        return false;
    }
    const QString shown = QDir::toNativeSeparators(folder);
    const judge::FolderPrograms found = judge::ProgramsInFolder(ToCorePath(folder));
    if (!found.error.empty()) {
        return Refuse(UiString(kJudgeCannotReadFolder)
                          .arg(shown, FromCore(fileio::SystemReasonText(found.reason))));
    }
    if (found.files.empty()) {
        return Refuse(UiString(kJudgeNoPrograms).arg(shown));
    }
    classFolder_ = folder;
    if (classResults_ != nullptr) {
        classResults_->close();  // it goes with its judging
    }
    auto* results = new TClassResults(this);
    results->setAttribute(Qt::WA_DeleteOnClose);
    connect(results, &TClassResults::ProgramChosen, this, &TSimulatorForm::ShowPupilProgram);
    classResults_ = results;
    results->Start(folder, found.files, *mission, missionKey_, programMode_, programSensors_);
    results->resize(results->sizeHint());
    results->show();
    results->raise();
    return true;
}

// The program runs on the mission it was judged on.
void TSimulatorForm::ShowPupilProgram(const QString& path, const QString& missionKey) {
    if (missionKey != missionKey_ && !SetMission(missionKey)) {
        return;
    }
    Q_EMIT ProgramChosen(path);
}

void TSimulatorForm::ChooseArenaFile() {
    const QString path = AskForFile(kSimArenaDialogTitle, kSimArenaFilter);
    if (path.isEmpty() || !SetArena(path)) {
        UpdateControls();
    }
}

void TSimulatorForm::SendLine(const QString& text) {
    if (!simulation_.Powered()) {
        return;
    }
    const QByteArray bytes = text.toLatin1() + '\r';
    for (const char c : bytes) {
        simulation_.FeedHost(static_cast<std::uint8_t>(c));
    }
    AppendTerminal(QStringLiteral("> %1\n").arg(text));
}

void TSimulatorForm::TakeInput() {
    if (line_ == nullptr) {
        return;
    }
    for (const std::uint8_t b : line_->TakeToRobot()) {
        simulation_.FeedHost(b);
    }
}

void TSimulatorForm::Advance(sim::VirtualTime duration) {
    TakeInput();
    simulation_.RunFor(duration);
    TakeOutput();
    CheckMission();
    UpdateControls();
    view_->update();
}

void TSimulatorForm::Tick() {
    const qint64 elapsedNs = std::min(clock_.nsecsElapsed(), kSimulatorMaxCatchUpMs * 1'000'000);
    clock_.restart();
    constexpr qint64 kUnit = kNsPerVirtualUs * kQuartersPerFactor;
    remainderNs_ += elapsedNs * quarters_;
    const sim::VirtualTime step = remainderNs_ / kUnit;
    remainderNs_ -= step * kUnit;
    if (!stepping_) {
        Advance(step);
        return;
    }
    TakeInput();
    const bool started = simulation_.RunUntilNextStep(simulation_.Now() + step);
    TakeOutput();
    CheckMission();
    if (started) {
        SetRunning(false);  // a new step begins: wait there
    }
    UpdateControls();
    view_->update();
}

void TSimulatorForm::TakeOutput() {
    std::vector<sim::HostByte> output = simulation_.TakeHostOutput();
    if (line_ != nullptr && robot_->PortOpen()) {
        // A program on the computer holds the robot's port: the bytes are its answers.
        std::vector<std::uint8_t> bytes;
        bytes.reserve(output.size());
        for (const sim::HostByte& b : output) {
            bytes.push_back(b.byte);
        }
        line_->Send(bytes);
        output.clear();
    }
    QString text;
    for (const sim::HostByte& b : output) {
        text += b.byte == '\r' ? QChar('\n') : QChar(static_cast<char16_t>(b.byte));
    }
    if (!text.isEmpty()) {
        AppendTerminal(text);
    }
    if (const auto notice = simulation_.TakeStopNotice()) {
        const bool fault = simulation_.Cpu().State() == sim::ProcessorState::Faulted;
        AppendNote(UiString(fault ? kSimNoteStopped : kSimNoteEnded).arg(FromCore(*notice)));
    }
    simulation_.TakeEvents();  // the picture and the mission panel show them
    simulation_.TakeMissionEvents();
}

// Notes stand on lines of their own.
void TSimulatorForm::AppendNote(const QString& note) {
    AppendTerminal((terminalAtLineStart_ ? QString() : QStringLiteral("\n")) + note +
                   QLatin1Char('\n'));
}

void TSimulatorForm::AppendTerminal(const QString& text) {
    QScrollBar* bar = terminal_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(terminal_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    if (atEnd) {
        bar->setValue(bar->maximum());
    }
    terminalAtLineStart_ = text.endsWith(QLatin1Char('\n'));
}

QString TSimulatorForm::TerminalText() const { return terminal_->toPlainText(); }

QString TSimulatorForm::StatusText() const {
    if (!simulation_.Powered()) {
        return UiString(kSimStateOff);
    }
    // A replay says which moment it shows, also of a program that has ended since.
    if (moment_) {
        return UiString(kSimStateReplay).arg(SecondsText(*moment_));
    }
    if (simulation_.Cpu().Halted()) {
        return UiString(kSimStateEnded);
    }
    if (!running_) {
        return UiString(kSimStatePaused);
    }
    // Neither wheel has turned yet within the motion program's wait: say when it will start.
    const sim::RobotBody& body = simulation_.Body();
    const sim::VirtualTime left = kProgramStartDelay - simulation_.Now();
    if (left > 0 && body.WheelAngle(sim::Side::Left) == 0 &&
        body.WheelAngle(sim::Side::Right) == 0) {
        // Rounded up to the tenth, so that it never says 0.0 while it still waits.
        constexpr sim::VirtualTime kTenth = sim::kMicrosPerSecond / 10;
        return UiString(kSimStateStartsIn).arg(SecondsText((left + kTenth - 1) / kTenth * kTenth));
    }
    return UiString(kSimStateRunning);
}

void TSimulatorForm::UpdateControls() {
    const bool powered = simulation_.Powered();
    runButton_->setText(UiString(running_ ? kSimPause : kSimRun));
    runButton_->setEnabled(powered);
    powerButton_->setText(UiString(powered ? kSimPowerOff : kSimPowerOn));
    timeLabel_->setText(UiString(kSimTime).arg(SecondsText(simulation_.Now())));
    stateLabel_->setText(StatusText());
    // Also after a file was refused; with a mission on, the arena box shows its placeholder.
    arenaBox_->setCurrentIndex(missionKey_.isEmpty() ? arenaBox_->findData(arenaKey_) : -1);
    missionBox_->setCurrentIndex(missionBox_->findData(missionKey_));
    judgeButton_->setEnabled(!missionKey_.isEmpty());
    panel_->Refresh(simulation_);
    nextButton_->setEnabled(powered && simulation_.Probe() != nullptr &&
                            !simulation_.Cpu().Halted());
    noteLabel_->setVisible(olderProgram_);
    // The timeline follows the live run in tenths of a second, so that it is not drawn again
    // on every frame.
    const sim::RunRecord& record = simulation_.Record();
    if (moment_) {
        timeline_->Follow(record, *moment_);
    } else if (!running_ || record.End() < timeline_->Time() ||
               record.End() - timeline_->Time() >= kTimelineFollowStep) {
        timeline_->Follow(record, record.End());
    }
    robotPanel_->Show(ShownSample());
    UpdateStep();
}

sim::RunSample TSimulatorForm::ShownSample() const {
    if (moment_ && !simulation_.Record().Empty()) {
        return simulation_.Record().At(*moment_);
    }
    sim::RunSample now = simulation_.SampleNow();
    if (!simulation_.Powered()) {  // off: nothing runs
        now.list = now.step = now.interrupted = 0;
        now.command = 0;
        now.leftMs = 0;
        now.leftPulse = now.rightPulse = 0;
        now.leftDrive = now.rightDrive = sim::WheelDrive::Still;
    }
    return now;
}

sim::RunningStep TSimulatorForm::ShownStep() const {
    if (!isVisible()) {
        return {};
    }
    const sim::RunningStep step = ShownSample().Running();
    return step.at.Runs() ? step : sim::RunningStep{};
}

void TSimulatorForm::UpdateStep() {
    const sim::RunningStep step = ShownStep();
    if (!SameStep(step, shownStep_)) {
        shownStep_ = step;
        Q_EMIT RunningStepChanged(step);
    }
}

}  // namespace kavrin::ui
