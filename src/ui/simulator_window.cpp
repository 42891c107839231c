#include "ui/simulator_window.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>

#include "ui/arena_view.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

constexpr char kDefaultArena[] = "open";
constexpr qint64 kNsPerVirtualUs = 1000;

sim::Arena DefaultArena() { return *sim::BuiltInArena(kDefaultArena); }

}  // namespace

SimulatorWindow::SimulatorWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), simulation_(DefaultArena()), arenaKey_(QString::fromLatin1(kDefaultArena)) {
    setWindowTitle(tr("Kavrin Simulator"));

    runButton_ = new QPushButton(this);
    runButton_->setToolTip(tr("Run or pause the simulation (Space)"));
    powerButton_ = new QPushButton(this);
    powerButton_->setToolTip(tr("Switch the robot off, or on again at the start with its program restarted"));
    speedBox_ = new QComboBox(this);
    for (const int s : kSimulatorSpeeds) speedBox_->addItem(QStringLiteral("%1x").arg(s), s);
    speedBox_->setToolTip(tr("How fast virtual time runs"));
    arenaBox_ = new QComboBox(this);
    for (const std::string& name : sim::BuiltInArenaNames()) {
        const QString text = FromCore(name);
        arenaBox_->addItem(text, text);
    }
    arenaBox_->addItem(tr("Arena file..."));
    arenaBox_->setToolTip(tr("The table the robot drives on"));
    timeLabel_ = new QLabel(this);
    timeLabel_->setMinimumWidth(timeLabel_->fontMetrics().horizontalAdvance(QStringLiteral("Time 00000.0 s")));
    timeLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    stateLabel_ = new QLabel(this);

    auto* speedLabel = new QLabel(tr("&Speed:"), this);
    speedLabel->setBuddy(speedBox_);
    auto* arenaLabel = new QLabel(tr("&Arena:"), this);
    arenaLabel->setBuddy(arenaBox_);
    auto* bar = new QHBoxLayout;
    bar->addWidget(runButton_);
    bar->addWidget(powerButton_);
    bar->addSpacing(12);
    bar->addWidget(speedLabel);
    bar->addWidget(speedBox_);
    bar->addSpacing(12);
    bar->addWidget(arenaLabel);
    bar->addWidget(arenaBox_);
    bar->addSpacing(12);
    bar->addWidget(stateLabel_, 1);
    bar->addWidget(timeLabel_);

    view_ = new ArenaView(simulation_, this);

    auto* terminalPane = new QWidget(this);
    terminal_ = new QPlainTextEdit(terminalPane);
    terminal_->setReadOnly(true);
    terminal_->setMaximumBlockCount(kTerminalMaxLines);
    terminal_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    terminal_->setPlaceholderText(tr("What the program sends to the computer (DEBUG) appears here."));
    input_ = new QLineEdit(terminalPane);
    input_->setPlaceholderText(tr("Type here and press Enter to send it to the program (DEBUGIN)"));
    auto* terminalLayout = new QVBoxLayout(terminalPane);
    terminalLayout->setContentsMargins(0, 0, 0, 0);
    terminalLayout->addWidget(terminal_);
    terminalLayout->addWidget(input_);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(view_);
    splitter->addWidget(terminalPane);
    splitter->setStretchFactor(0, 4);
    splitter->setStretchFactor(1, 1);
    splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(splitter, 1);

    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kSimulatorFrameMs);
    connect(&timer_, &QTimer::timeout, this, &SimulatorWindow::Tick);
    connect(runButton_, &QPushButton::clicked, this, [this] { SetRunning(!running_); });
    connect(powerButton_, &QPushButton::clicked, this, [this] { SetPower(!simulation_.Powered()); });
    connect(speedBox_, &QComboBox::activated, this, [this](int index) { SetSpeed(speedBox_->itemData(index).toInt()); });
    connect(arenaBox_, &QComboBox::activated, this, [this](int index) {
        const QString name = arenaBox_->itemData(index).toString();
        if (name.isEmpty()) ChooseArenaFile();
        else SetArena(name);
    });
    connect(input_, &QLineEdit::returnPressed, this, [this] {
        SendLine(input_->text());
        input_->clear();
    });
    connect(view_, &ArenaView::robotMoved, this, &SimulatorWindow::UpdateControls);
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), view_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(space, &QShortcut::activated, this, [this] { SetRunning(!running_); });

    simulation_.PowerOff();  // nothing to run until a program comes
    UpdateControls();
}

void SimulatorWindow::StartProgram(const sim::Eeprom& image) {
    simulation_.Load(image);
    AppendTerminal(tr("[program downloaded: powered on at the start]\n"));
    SetRunning(true);
}

void SimulatorWindow::SetRunning(bool run) {
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

void SimulatorWindow::SetPower(bool on) {
    if (on) {
        simulation_.PowerOn();
        AppendTerminal(tr("[power on: the program starts again]\n"));
        SetRunning(true);
    } else {
        simulation_.PowerOff();
        AppendTerminal(tr("[power off]\n"));
        SetRunning(false);
    }
    view_->update();
}

void SimulatorWindow::SetSpeed(int factor) {
    speed_ = std::clamp(factor, kSimulatorSpeeds[0], kSimulatorSpeeds[std::size(kSimulatorSpeeds) - 1]);
    const int index = speedBox_->findData(speed_);
    if (index >= 0) speedBox_->setCurrentIndex(index);
}

bool SimulatorWindow::SetArena(const QString& nameOrPath) {
    const sim::ArenaResult result = sim::FindArena(nameOrPath.toStdString());
    if (!result.arena) {
        QMessageBox::warning(this, windowTitle(), FromCore(result.error));
        UpdateControls();
        return false;
    }
    // A new table restarts the robot at its start; a robot switched off stays off.
    const bool wasPowered = simulation_.Powered();
    const bool wasRunning = running_;
    simulation_.SetArena(*result.arena);
    view_->InvalidateBackground();
    if (!wasPowered) simulation_.PowerOff();
    int index = arenaBox_->findData(nameOrPath);
    if (index < 0) {  // a file: listed before the "Arena file..." entry
        index = arenaBox_->count() - 1;
        arenaBox_->insertItem(index, QFileInfo(nameOrPath).fileName(), nameOrPath);
    }
    arenaKey_ = nameOrPath;
    if (wasPowered) AppendTerminal(tr("[arena %1: the robot starts again at its start]\n").arg(arenaBox_->itemText(index)));
    SetRunning(wasRunning);
    view_->update();
    return true;
}

void SimulatorWindow::ChooseArenaFile() {
    const QString path = QFileDialog::getOpenFileName(this, tr("Open an arena"), QString(),
                                                      tr("Arenas (*.arena *.txt);;All files (*)"));
    if (path.isEmpty() || !SetArena(path)) UpdateControls();
}

void SimulatorWindow::SendLine(const QString& text) {
    if (!simulation_.Powered()) return;
    const QByteArray bytes = text.toLatin1() + '\r';
    for (const char c : bytes) simulation_.FeedHost(static_cast<std::uint8_t>(c));
    AppendTerminal(QStringLiteral("> %1\n").arg(text));
}

SimulatorWindow::~SimulatorWindow() {
    if (robot_ != nullptr) {
        robot_->AttachSimulator(nullptr);
    }
}

void SimulatorWindow::ConnectRobot(std::shared_ptr<sim::VirtualRobot> robot) {
    if (robot_ != nullptr) {
        robot_->AttachSimulator(nullptr);
    }
    robot_ = std::move(robot);
    line_ = robot_ != nullptr ? std::make_shared<sim::SimulatorLine>() : nullptr;
    if (robot_ != nullptr) {
        robot_->AttachSimulator(line_);
    }
}

void SimulatorWindow::TakeInput() {
    if (line_ == nullptr) return;
    for (const std::uint8_t b : line_->TakeToRobot()) simulation_.FeedHost(b);
}

void SimulatorWindow::Advance(sim::VirtualTime duration) {
    TakeInput();
    simulation_.RunFor(duration);
    TakeOutput();
    UpdateControls();
    view_->update();
}

void SimulatorWindow::Tick() {
    const qint64 elapsedNs = std::min(clock_.nsecsElapsed(), kSimulatorMaxCatchUpMs * 1'000'000);
    clock_.restart();
    remainderNs_ += elapsedNs * speed_;
    const sim::VirtualTime step = remainderNs_ / kNsPerVirtualUs;
    remainderNs_ -= step * kNsPerVirtualUs;
    Advance(step);
}

void SimulatorWindow::TakeOutput() {
    QString text;
    std::vector<sim::HostByte> output = simulation_.TakeHostOutput();
    if (robot_ != nullptr && robot_->PortOpen()) {
        // A program on the computer holds the robot's port: the bytes are its answers.
        std::vector<std::uint8_t> bytes;
        bytes.reserve(output.size());
        for (const sim::HostByte& b : output) bytes.push_back(b.byte);
        line_->Send(bytes);
        output.clear();
    }
    for (const sim::HostByte& b : output)
        text += b.byte == '\r' ? QChar('\n') : QChar(static_cast<char16_t>(b.byte));
    if (!text.isEmpty()) AppendTerminal(text);
    if (const auto notice = simulation_.TakeStopNotice()) {
        const bool fault = simulation_.Cpu().State() == sim::ProcessorState::Faulted;
        AppendTerminal((fault ? tr("[the program stopped: %1]\n") : tr("[the program ended with %1]\n"))
                           .arg(FromCore(*notice)));
    }
    simulation_.TakeEvents();  // the picture shows them
}

void SimulatorWindow::AppendTerminal(const QString& text) {
    // Notes in brackets always stand on lines of their own.
    QString piece = text;
    if (piece.startsWith(QLatin1Char('[')) && !terminalAtLineStart_) piece.prepend(QLatin1Char('\n'));
    QScrollBar* bar = terminal_->verticalScrollBar();
    const bool atEnd = bar->value() == bar->maximum();
    QTextCursor cursor(terminal_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(piece);
    if (atEnd) bar->setValue(bar->maximum());
    terminalAtLineStart_ = piece.endsWith(QLatin1Char('\n'));
}

QString SimulatorWindow::TerminalText() const { return terminal_->toPlainText(); }

void SimulatorWindow::UpdateControls() {
    const bool powered = simulation_.Powered();
    runButton_->setText(running_ ? tr("&Pause") : tr("&Run"));
    runButton_->setEnabled(powered);
    powerButton_->setText(powered ? tr("Power &off") : tr("Power &on"));
    timeLabel_->setText(tr("Time %1 s").arg(static_cast<double>(simulation_.Now()) / sim::kMicrosPerSecond, 0, 'f', 1));
    QString state;
    if (!powered) state = tr("Power off");
    else if (simulation_.Cpu().Halted()) state = tr("Program ended");
    else state = running_ ? tr("Running") : tr("Paused");
    stateLabel_->setText(state);
    arenaBox_->setCurrentIndex(arenaBox_->findData(arenaKey_));  // also after a file was refused
}

SimulatorWindow* ShowSimulator(const sim::Eeprom& image) {
    static QPointer<SimulatorWindow> window;
    if (!window) {
        window = new SimulatorWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->setAttribute(Qt::WA_QuitOnClose, false);  // closing the main window still quits
        window->ConnectRobot(sim::SharedRobot());
    }
    window->StartProgram(image);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

}  // namespace kavrin::ui
