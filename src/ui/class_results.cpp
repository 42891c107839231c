#include "ui/class_results.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "fileio/file_reason.h"
#include "fileio/output_file.h"
#include "judge/judge_text.h"
#include "judge/report.h"
#include "resources/ui_strings.h"
#include "ui/mission_panel.h"
#include "ui/program_files.h"
#include "ui/robot_state_panel.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

using namespace resources::str;

const QColor kPassedColour(0x1e, 0x7b, 0x34);
const QColor kNotPassedColour(0xc0, 0x20, 0x20);

constexpr char kCsvSuffix[] = ".csv";
constexpr char kReportSuffix[] = ".html";

QString LowerFirst(QString text) {
    if (!text.isEmpty()) {
        text[0] = text[0].toLower();
    }
    return text;
}

// Why a judged run did not pass, as the window says it; the time and the step have columns of
// their own.
QString Reason(const sim::Mission& mission, const sim::MissionOutcome& outcome) {
    if (outcome.rule) {
        return RuleBrokenText(*outcome.rule);
    }
    const QString why = MissionFailureText(outcome.failure, outcome.touched);
    if (outcome.failure == sim::Failure::Touched || outcome.failure == sim::Failure::MovedByHand) {
        return why;
    }
    QStringList open;
    for (const std::size_t task : outcome.open) {
        open.append(LowerFirst(MissionTaskText(mission, mission.tasks[task])));
    }
    return open.isEmpty() ? why
                          : UiString(kJudgeStillToDo).arg(why, open.join(QStringLiteral(", ")));
}

// The judge's runs leave a core or two to the windows.
unsigned WindowJobs() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? cores - 1 : 1;
}

}  // namespace

TClassRow ClassRow(const judge::Result& result, std::size_t program, std::size_t mission) {
    const judge::RowText line = judge::DescribeRow(result, program, mission);  // the tool's data
    const judge::ProgramResult& judged = result.programs[program];
    const judge::MissionRun& run = judged.runs[mission];
    TClassRow row;
    row.path = FromCorePath(judged.file);
    row.file = FromCorePath(judged.file.filename());
    row.mission = MissionTitle(result.missions[mission]);
    row.judged = run.judged;
    row.passed = line.passed;
    row.time = FromCore(line.time);
    if (!run.judged) {
        row.result = UiString(kJudgeNotJudged);
        const bool problem = judged.problem != judge::FileProblem::None &&
                             judged.problem != judge::FileProblem::Stopped;
        row.reason = problem ? FromCore(judged.message) : UiString(kJudgeStopped);
        return row;
    }
    row.result = UiString(row.passed ? kJudgePassed : kJudgeNotPassed);
    if (!row.passed) {
        row.reason = Reason(result.missions[mission], run.outcome);
    }
    if (!line.step.empty()) {
        row.step = StepText(run.outcome.step, run.outcome.letter);
    }
    return row;
}

TClassResults::TClassResults(QWidget* parent) : QWidget(parent, Qt::Window) {
    auto* folderCaption = new QLabel(UiString(kJudgeFolderLabel), this);
    folderLabel_ = new QLabel(this);
    folderLabel_->setObjectName(QStringLiteral("classFolder"));  // the user's folder: data
    folderLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* folderLine = new QHBoxLayout;
    folderLine->addWidget(folderCaption);
    folderLine->addWidget(folderLabel_, 1);

    progress_ = new QProgressBar(this);
    progress_->setTextVisible(false);
    cancel_ = new QPushButton(UiString(kJudgeCancel), this);
    auto* progressLine = new QHBoxLayout;
    progressLine->addWidget(progress_, 1);
    progressLine->addWidget(cancel_);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("classStatus"));
    status_->setWordWrap(true);

    table_ = new QTableWidget(0, ccColumnCount, this);
    table_->setProperty("dataColumns", QVariant::fromValue(QList<int>{ccFile}));
    QStringList headings;
    for (int column = 0; column < ccColumnCount; ++column) {
        headings.append(UiString(kJudgeFirstColumn + column));
    }
    table_->setHorizontalHeaderLabels(headings);
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setToolTip(UiString(kJudgeTableTip));
    QHeaderView* header = table_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(ccReason, QHeaderView::Stretch);

    saveCsv_ = new QPushButton(UiString(kJudgeSaveCsv), this);
    saveReport_ = new QPushButton(UiString(kJudgeSaveReport), this);
    close_ = new QPushButton(UiString(kClose), this);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(saveCsv_);
    buttons->addWidget(saveReport_);
    buttons->addStretch(1);
    buttons->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(folderLine);
    layout->addLayout(progressLine);
    layout->addWidget(status_);
    layout->addWidget(table_, 1);
    layout->addLayout(buttons);

    connect(cancel_, &QPushButton::clicked, this, &TClassResults::Cancel);
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    connect(saveCsv_, &QPushButton::clicked, this, [this] {
        AskAndSave(kJudgeCsvTitle, kJudgeCsvFilter, kCsvSuffix, &TClassResults::SaveCsv);
    });
    connect(saveReport_, &QPushButton::clicked, this, [this] {
        AskAndSave(kJudgeReportTitle, kJudgeReportFilter, kReportSuffix,
                   &TClassResults::SaveReport);
    });
    connect(table_, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { ChooseRow(row); });
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter =
            new QShortcut(QKeySequence(key), table_, nullptr, nullptr, Qt::WidgetShortcut);
        connect(enter, &QShortcut::activated, this, [this] { ChooseRow(table_->currentRow()); });
    }
    saveCsv_->setEnabled(false);
    saveReport_->setEnabled(false);
}

TClassResults::~TClassResults() { Stop(); }

// Stopped at the runs' next slice of virtual time; what the worker posted after that is dropped
// with this window, or by its generation.
void TClassResults::Stop() {
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join();
    }
    running_ = false;
}

void TClassResults::Start(const QString& folder, std::vector<std::filesystem::path> programs,
                          const sim::Mission& mission, const QString& missionKey, model::TMode mode,
                          bool sensorsEnabled) {
    Stop();
    ++generation_;
    folder_ = folder;
    missionKey_ = missionKey;
    missionTitle_ = MissionTitle(mission);
    result_.reset();
    table_->setRowCount(0);
    judge::Request request;
    request.programs = std::move(programs);
    request.missions = {mission};
    request.mode = mode;
    request.sensorsEnabled = sensorsEnabled;
    request.jobs = WindowJobs();
    running_ = true;
    done_ = 0;
    total_ = static_cast<int>(request.programs.size() * request.missions.size());
    progress_->setRange(0, std::max(total_, 1));
    progress_->setValue(0);
    progress_->show();
    cancel_->show();
    cancel_->setEnabled(true);
    saveCsv_->setEnabled(false);
    saveReport_->setEnabled(false);
    folderLabel_->setText(QDir::toNativeSeparators(folder));
    setWindowTitle(UiString(kJudgeTitle).arg(missionTitle_));
    status_->setText(Summary());

    const int generation = generation_;
    worker_ = std::jthread([this, generation, request = std::move(request)](std::stop_token stop) {
        judge::Result result = judge::Judge(
            request,
            [this, generation](const judge::Progress& p) {
                const int done = static_cast<int>(p.done);
                const int total = static_cast<int>(p.total);
                QMetaObject::invokeMethod(
                    this,
                    [this, generation, done, total] {
                        if (generation == generation_) {
                            ShowProgress(done, total);
                        }
                    },
                    Qt::QueuedConnection);
            },
            stop);
        auto shared = std::make_shared<judge::Result>(std::move(result));
        QMetaObject::invokeMethod(
            this,
            [this, generation, shared] {
                if (generation == generation_) {
                    Finish(std::move(*shared));
                }
            },
            Qt::QueuedConnection);
    });
}

void TClassResults::ShowProgress(int done, int total) {
    if (!running_) {
        return;
    }
    done_ = done;
    total_ = total;
    progress_->setValue(done);
    status_->setText(Summary());
    Q_EMIT Progressed(done, total);
}

void TClassResults::Cancel() {
    if (running_ && worker_.joinable()) {
        worker_.request_stop();
        cancel_->setEnabled(false);
    }
}

void TClassResults::Finish(judge::Result result) {
    if (worker_.joinable()) {
        worker_.join();  // its last act was to post this
    }
    running_ = false;
    ShowResult(folder_, missionKey_, std::move(result));
    Q_EMIT Finished();
}

void TClassResults::ShowResult(const QString& folder, const QString& missionKey,
                               judge::Result result) {
    folder_ = folder;
    missionKey_ = missionKey;
    missionTitle_ = result.missions.empty() ? QString() : MissionTitle(result.missions.front());
    folderLabel_->setText(QDir::toNativeSeparators(folder));
    setWindowTitle(UiString(kJudgeTitle).arg(missionTitle_));
    result_ = std::move(result);
    FillTable();
    progress_->hide();
    cancel_->hide();
    // A judging cancelled half-way is shown, but not saved as if it were the class's.
    const bool complete = !result_->stopped;
    saveCsv_->setEnabled(complete);
    saveReport_->setEnabled(complete);
    status_->setText(Summary());
}

void TClassResults::FillTable() {
    const judge::Result& result = *result_;
    const int rows = static_cast<int>(result.programs.size() * result.missions.size());
    table_->setRowCount(rows);
    int r = 0;
    for (std::size_t p = 0; p < result.programs.size(); ++p) {
        for (std::size_t m = 0; m < result.missions.size(); ++m, ++r) {
            const TClassRow row = ClassRow(result, p, m);
            const QString cells[ccColumnCount] = {row.file, row.mission, row.result,
                                                  row.time, row.reason,  row.step};
            for (int c = 0; c < ccColumnCount; ++c) {
                auto* item = new QTableWidgetItem(cells[c]);
                item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
                table_->setItem(r, c, item);
            }
            QTableWidgetItem* file = table_->item(r, ccFile);
            file->setData(Qt::UserRole, row.path);
            file->setToolTip(QDir::toNativeSeparators(row.path));
            table_->item(r, ccReason)->setToolTip(row.reason);
            table_->item(r, ccTime)->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (row.judged) {
                table_->item(r, ccResult)
                    ->setForeground(row.passed ? kPassedColour : kNotPassedColour);
            }
        }
    }
}

QString TClassResults::StatusText() const { return status_->text(); }

QString TClassResults::Summary() const {
    if (running_) {
        return UiString(kJudgeRunning).arg(done_).arg(total_);
    }
    if (!result_) {
        return {};
    }
    if (result_->stopped) {
        return UiString(kJudgeCancelled).arg(done_).arg(total_);
    }
    int passed = 0;
    int notPassed = 0;
    int notJudged = 0;
    for (const judge::ProgramResult& program : result_->programs) {
        for (const judge::MissionRun& run : program.runs) {
            ++(!run.judged ? notJudged : run.outcome.Passed() ? passed : notPassed);
        }
    }
    return UiString(kJudgeDone)
        .arg(passed + notPassed + notJudged)
        .arg(passed)
        .arg(notPassed)
        .arg(notJudged);
}

void TClassResults::ChooseRow(int row) {
    const QTableWidgetItem* file = row >= 0 ? table_->item(row, ccFile) : nullptr;
    if (file != nullptr) {
        Q_EMIT ProgramChosen(file->data(Qt::UserRole).toString(), missionKey_);
    }
}

void TClassResults::AskAndSave(int title, int filter, const char* suffix,
                               bool (TClassResults::*save)(const QString&)) {
    if (!result_ || result_->stopped) {
        return;
    }
    const QString proposed =
        QDir(folder_).filePath(QFileInfo(folder_).fileName() + QLatin1String(suffix));
    QString path =
        askSave_ ? askSave_(title, filter, proposed)
                 : QFileDialog::getSaveFileName(this, UiString(title), proposed, UiString(filter));
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += QLatin1String(suffix);
    }
    (this->*save)(path);
}

bool TClassResults::SaveCsv(const QString& path) {
    return result_ && !result_->stopped && !running_ && Write(path, judge::CsvText(*result_));
}

bool TClassResults::SaveReport(const QString& path) {
    return result_ && !result_->stopped && !running_ && Write(path, judge::ReportHtml(*result_));
}

// Whole or not at all: a write that fails leaves the old file as it was.
bool TClassResults::Write(const QString& path, const std::string& bytes) {
    const QString shown = QDir::toNativeSeparators(path);
    if (const std::error_code error = fileio::ReplaceFileWhole(ToCorePath(path), bytes)) {
        QMessageBox::warning(
            this, windowTitle(),
            UiString(kCannotSaveFile).arg(shown, FromCore(fileio::SystemReasonText(error))));
        return false;
    }
    status_->setText(UiString(kJudgeSaved).arg(shown));
    return true;
}

void TClassResults::closeEvent(QCloseEvent* event) {
    Stop();
    QWidget::closeEvent(event);
}

}  // namespace kavrin::ui
