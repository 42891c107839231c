// Judging a class in the simulator window: the table against what the core and kavrin-cli give
// for the same folder, the CSV byte for byte, a judging cancelled half-way, folders without
// programs, and a row chosen: loaded after the unsaved-changes question and run on its mission.

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <deque>
#include <memory>

#include "judge/judge.h"
#include "judge/judge_text.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "sim/virtual_robot.h"
#include "ui/class_results.h"
#include "ui/code_view.h"
#include "ui/main_dialogs.h"
#include "ui/main_window.h"
#include "ui/mission_panel.h"
#include "ui/port_box.h"
#include "ui/program_files.h"
#include "ui/progress_window.h"
#include "ui/robot_state_panel.h"
#include "ui/run_controller.h"
#include "ui/simulator_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

namespace str = resources::str;

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr int kWaitMs = 120000;
#else
constexpr int kWaitMs = 30000;
#endif

QPushButton* Button(QWidget& window, int text) {
    for (QPushButton* b : window.findChildren<QPushButton*>()) {
        if (b->text() == UiString(text)) {
            return b;
        }
    }
    ADD_FAILURE() << "no button " << text;
    return nullptr;
}

// Answers the unsaved-changes question from a script; shows nothing.
struct TAnswers {
    std::deque<model::TSaveAnswer> answers;
    int questions = 0;
    QStringList errors;
};

class TScriptedDialogs : public TMainDialogs {
public:
    explicit TScriptedDialogs(TAnswers& script) : script_(script) {}
    model::TSaveAnswer AskToSave(QWidget*) override {
        ++script_.questions;
        const model::TSaveAnswer answer =
            script_.answers.empty() ? model::TSaveAnswer::Cancel : script_.answers.front();
        if (!script_.answers.empty()) {
            script_.answers.pop_front();
        }
        return answer;
    }
    void ShowError(QWidget*, const QString& message) override { script_.errors << message; }
    void ShowMessage(QWidget*, const QString&) override {}
    void ShowCodeView(TCodeForm&) override {}

private:
    TAnswers& script_;
};

// Closes the next modal message box and keeps its text.
std::shared_ptr<QString> AnswerNextMessage() {
    auto text = std::make_shared<QString>();
    QTimer::singleShot(0, [text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->close();
        }
    });
    return text;
}

void SaveProgram(const QString& path, std::initializer_list<model::TBotAction> steps) {
    model::TActionDocument document(model::TMode::Beginner);
    int row = 1;
    for (const model::TBotAction& step : steps) {
        document.InsertStepIntoList(model::kMainList, row++, step);
    }
    ASSERT_TRUE(document.SaveFile(ToCorePath(path)).ok);
}

// The main window with a virtual robot behind "SIM", and the simulator window it drives, on the
// parking mission; a class of four in a folder: one parks, one hits the bay's back wall, one
// rotates (which the mission does not allow), and one file is not a program.
class ClassJudging : public ::testing::Test {
protected:
    void SetUp() override {
        TLinkSetup setup;
        setup.openPort = [robot = robot_](std::string_view name) {
            return name == "SIM" ? robot->Open()
                                 : link::OpenResult{nullptr, link::OpenError::NoSuchPort};
        };
        // A port without a robot beside the virtual one.
        setup.enumerate = [](std::vector<std::string>& list) { list = {"COM7", "SIM"}; };
        main_.SetPortEnumerator(setup.enumerate);
        run_ = std::make_unique<TRunController>(progress_, std::move(setup));
        main_.BuildForMode(model::TMode::Beginner);
        main_.SetDialogs(std::make_unique<TScriptedDialogs>(answers_));
        main_.SetCodeView(&code_);
        main_.SetRunController(run_.get());
        main_.SetSimulator(&simulator_);
        main_.show();
        simulator_.show();
        ASSERT_TRUE(simulator_.SetMission(QStringLiteral("bay")));
        simulator_.SetFolderAsker([this] { return folder_; });

        folder_ = dir_.path();
        SaveProgram(File("anna.kvn"), {{model::akForward, 70, {}}, {model::akStopWait, 20, {}}});
        SaveProgram(File("ben.kvn"), {{model::akForward, 100, {}}, {model::akStopWait, 20, {}}});
        SaveProgram(File("dora.kvn"), {{model::akRotateLeft, 5, {}}, {model::akForward, 70, {}}});
        QFile notes(File("notes.kvn"));
        ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
        notes.write("homework: the square, \"quoted\"\n");
    }
    void TearDown() override {
        if (TClassResults* results = simulator_.ClassResults()) {
            results->close();
        }
        simulator_.close();
    }

    QString File(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    // Clicks Judge a class and waits for the table.
    TClassResults* JudgeTheFolder() {
        QTest::mouseClick(Button(simulator_, str::kJudgeClassButton), Qt::LeftButton);
        TClassResults* results = simulator_.ClassResults();
        if (results == nullptr) {
            ADD_FAILURE() << "no results";
            return nullptr;
        }
        EXPECT_TRUE(QTest::qWaitFor([results] { return !results->Running(); }, kWaitMs));
        return results;
    }

    int RowOf(const TClassResults& results, const QString& file) {
        for (int r = 0; r < results.Table()->rowCount(); ++r) {
            if (results.Table()->item(r, ccFile)->text() == file) {
                return r;
            }
        }
        ADD_FAILURE() << "no row " << file.toStdString();
        return -1;
    }

    // Through the window, as the platform delivers a double click.
    void DoubleClickRow(TClassResults& results, int row) {
        QTableWidget* table = results.Table();
        const QRect cell = table->visualItemRect(table->item(row, ccResult));
        QTest::mouseDClick(results.windowHandle(), Qt::LeftButton, {},
                           table->viewport()->mapTo(&results, cell.center()));
    }

    QTemporaryDir dir_;
    QString folder_;
    TAnswers answers_;
    std::shared_ptr<sim::VirtualRobot> robot_ = std::make_shared<sim::VirtualRobot>();
    TProgressForm progress_;
    TCodeForm code_;
    TMainForm main_;
    TSimulatorForm simulator_{&main_};
    std::unique_ptr<TRunController> run_;
};

TEST_F(ClassJudging, TheTableHoldsTheCoresRowsAndTheCsvIsTheCommandLines) {
    TClassResults* results = JudgeTheFolder();
    ASSERT_NE(results, nullptr);

    judge::Request request;
    request.programs = judge::ProgramsInFolder(ToCorePath(folder_)).files;
    request.missions = {*sim::BuiltInMission("bay")};
    const judge::Result core = judge::Judge(request);
    ASSERT_EQ(core.programs.size(), 4u);
    QTableWidget* table = results->Table();
    ASSERT_EQ(table->rowCount(), 4);
    for (int r = 0; r < table->rowCount(); ++r) {
        const judge::RowText row = judge::DescribeRow(core, static_cast<std::size_t>(r), 0);
        const auto cell = [&](int column) { return table->item(r, column)->text(); };
        SCOPED_TRACE(row.file);
        EXPECT_EQ(cell(ccFile), FromCorePath(ToCorePath(FromCore(row.file)).filename()));
        EXPECT_EQ(cell(ccMission), UiString(str::kMissionBayTitle));
        const bool judged = core.programs[static_cast<std::size_t>(r)].runs[0].judged;
        EXPECT_EQ(cell(ccResult), UiString(!judged      ? str::kJudgeNotJudged
                                           : row.passed ? str::kJudgePassed
                                                        : str::kJudgeNotPassed));
        EXPECT_EQ(cell(ccTime), FromCore(row.time));
        EXPECT_EQ(cell(ccReason).isEmpty(), row.reason.empty());
        EXPECT_EQ(cell(ccStep).isEmpty(), row.step.empty());
        if (!judged) {
            EXPECT_EQ(cell(ccReason), FromCore(row.reason));  // the file's message, as the tool's
        }
    }
    // The words are the window's: a wall, a tile the mission does not allow and its step.
    EXPECT_EQ(table->item(RowOf(*results, "ben.kvn"), ccReason)->text(),
              UiString(str::kMissionTouchedWall));
    const int dora = RowOf(*results, "dora.kvn");
    EXPECT_EQ(table->item(dora, ccReason)->text(),
              RuleBrokenText(*core.programs[2].runs[0].outcome.rule));
    EXPECT_EQ(table->item(dora, ccStep)->text(),
              UiString(str::kSimStepMain).arg(1).arg(StepKindText('E')));
    EXPECT_EQ(results->StatusText(), UiString(str::kJudgeDone).arg(4).arg(1).arg(2).arg(1));

    // Save as CSV writes what `kavrin-cli judge --csv` writes for the same folder and mission.
    const QString csv = dir_.filePath(QStringLiteral("out/window.csv"));
    const QString cliCsv = dir_.filePath(QStringLiteral("out/cli.csv"));
    ASSERT_TRUE(QDir().mkpath(dir_.filePath(QStringLiteral("out"))));
    int asked = 0;
    results->SetSaveAsker([&](int title, int, const QString& proposed) {
        ++asked;
        EXPECT_EQ(title, str::kJudgeCsvTitle);
        EXPECT_TRUE(proposed.endsWith(QStringLiteral(".csv"))) << proposed.toStdString();
        return csv;
    });
    QTest::mouseClick(results->CsvButton(), Qt::LeftButton);
    EXPECT_EQ(asked, 1);
    QProcess cli;
    cli.start(QStringLiteral(KAVRIN_CLI),
              {QStringLiteral("--language"),
               QString::fromLatin1(resources::LanguageCode(resources::CurrentLanguage())),
               QStringLiteral("judge"), QStringLiteral("--mission"), QStringLiteral("bay"), folder_,
               QStringLiteral("--csv"), cliCsv});
    ASSERT_TRUE(cli.waitForFinished(kWaitMs));
    EXPECT_EQ(cli.exitCode(), 4) << cli.readAllStandardError().toStdString();  // some did not pass
    QFile mine(csv);
    QFile theirs(cliCsv);
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    ASSERT_TRUE(theirs.open(QIODevice::ReadOnly));
    const QByteArray bytes = mine.readAll();
    EXPECT_EQ(bytes, theirs.readAll());
    EXPECT_EQ(results->StatusText(), UiString(str::kJudgeSaved).arg(QDir::toNativeSeparators(csv)));
}

// Many programs that each stand still until a long limit: Cancel at the first run done stops
// the judging, which says so, and nothing of it can be saved.
TEST_F(ClassJudging, ACancelledJudgingStopsSaysSoAndSavesNothing) {
    QTemporaryDir many;
    QFile mission(many.filePath(QStringLiteral("wait.mission")));
    ASSERT_TRUE(mission.open(QIODevice::WriteOnly));
    mission.write(
        "title Long wait\ntable 200 150\nstart 30 75 0\nzone A 150 50 30 30\nreach A\nlimit 600\n");
    mission.close();
    ASSERT_TRUE(simulator_.SetMission(mission.fileName()));
    constexpr int kPrograms = 40;
    for (int i = 0; i < kPrograms; ++i) {
        SaveProgram(many.filePath(QStringLiteral("p%1.kvn").arg(i, 2, 10, QLatin1Char('0'))),
                    {{model::akStopWait, 250, {}}, {model::akGoBack, 1, {}}});
    }
    folder_ = many.path();
    QTest::mouseClick(Button(simulator_, str::kJudgeClassButton), Qt::LeftButton);
    TClassResults* results = simulator_.ClassResults();
    ASSERT_NE(results, nullptr);
    EXPECT_TRUE(results->Running());
    EXPECT_FALSE(results->CsvButton()->isEnabled());
    bool cancelled = false;
    QObject::connect(results, &TClassResults::Progressed, results, [&](int, int total) {
        EXPECT_EQ(total, kPrograms);
        if (!std::exchange(cancelled, true)) {
            EXPECT_TRUE(results->Running());  // the window heard of it while the runs went on
            QTest::mouseClick(results->CancelButton(), Qt::LeftButton);
        }
    });
    QSignalSpy finished(results, &TClassResults::Finished);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished.count() == 1; }, kWaitMs));
    ASSERT_TRUE(cancelled);
    ASSERT_TRUE(results->Result().has_value());
    EXPECT_TRUE(results->Result()->stopped);
    const QString status = results->StatusText();
    EXPECT_TRUE(status.startsWith(UiString(str::kJudgeCancelled).section(QLatin1Char('%'), 0, 0)))
        << status.toStdString();
    int stopped = 0;
    for (int r = 0; r < results->Table()->rowCount(); ++r) {
        stopped += results->Table()->item(r, ccReason)->text() == UiString(str::kJudgeStopped);
    }
    EXPECT_GT(stopped, 0);
    EXPECT_LT(stopped, kPrograms);

    // Neither the buttons nor a direct call write the half-done judging.
    int asked = 0;
    results->SetSaveAsker([&](int, int, const QString&) {
        ++asked;
        return many.filePath(QStringLiteral("half.csv"));
    });
    QTest::mouseClick(results->CsvButton(), Qt::LeftButton);
    QTest::mouseClick(results->ReportButton(), Qt::LeftButton);
    EXPECT_FALSE(results->SaveCsv(many.filePath(QStringLiteral("half.csv"))));
    EXPECT_EQ(asked, 0);
    EXPECT_FALSE(QFile::exists(many.filePath(QStringLiteral("half.csv"))));
}

TEST_F(ClassJudging, AFolderWithoutProgramsOrThatCannotBeReadIsNamed) {
    QTemporaryDir empty;
    QFile other(empty.filePath(QStringLiteral("readme.txt")));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    folder_ = empty.path();
    std::shared_ptr<QString> said = AnswerNextMessage();
    QTest::mouseClick(Button(simulator_, str::kJudgeClassButton), Qt::LeftButton);
    EXPECT_EQ(*said, UiString(str::kJudgeNoPrograms).arg(QDir::toNativeSeparators(folder_)));
    EXPECT_EQ(simulator_.ClassResults(), nullptr);

    const QString missing = empty.filePath(QStringLiteral("gone"));
    said = AnswerNextMessage();
    EXPECT_FALSE(simulator_.JudgeFolder(missing));
    EXPECT_TRUE(said->startsWith(
        UiString(str::kJudgeCannotReadFolder).arg(QDir::toNativeSeparators(missing), QString())))
        << said->toStdString();
    EXPECT_EQ(simulator_.ClassResults(), nullptr);
}

// A row's program goes into the main window as Load puts it there (the unsaved lists first), and
// Go runs it on the virtual robot, whatever port is chosen, on the mission it was judged on, to
// the verdict the table gave.
TEST_F(ClassJudging, ARowChosenIsLoadedAfterTheQuestionAndRunsOnItsMission) {
    TClassResults* results = JudgeTheFolder();
    ASSERT_NE(results, nullptr);
    main_.ActionDblClick(model::akTurnLeft);
    ASSERT_TRUE(main_.Document()->Modified());
    ASSERT_TRUE(simulator_.SetMission(QStringLiteral("square")));  // chosen since
    main_.PortBox()->ListPorts();
    main_.PortBox()->Choose("COM7");
    ASSERT_EQ(main_.PortSetting(), "COM7");

    // Cancel keeps the lists; nothing runs.
    const int ben = RowOf(*results, "ben.kvn");
    answers_.answers = {model::TSaveAnswer::Cancel};
    DoubleClickRow(*results, ben);
    EXPECT_EQ(answers_.questions, 1);
    EXPECT_TRUE(main_.Document()->Modified());
    EXPECT_FALSE(run_->Busy());

    // No: the pupil's program is loaded and delivered to the simulator, on the parking mission.
    answers_.answers = {model::TSaveAnswer::No};
    QSignalSpy delivered(run_.get(), &TRunController::Finished);
    DoubleClickRow(*results, ben);
    EXPECT_EQ(answers_.questions, 2);
    EXPECT_EQ(FromCorePath(main_.Document()->FileName()).toStdString(),
              File("ben.kvn").toStdString());
    EXPECT_FALSE(main_.Document()->Modified());
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.count() == 1; }, kWaitMs));
    const auto outcome = delivered.back().front().value<run::RunOutcome>();
    EXPECT_EQ(outcome.status, run::RunStatus::Delivered) << outcome.message;
    EXPECT_EQ(outcome.portName, "SIM");
    EXPECT_EQ(simulator_.MissionKey(), QStringLiteral("bay"));
    simulator_.SetRunning(false);
    simulator_.Advance(30 * sim::kMicrosPerSecond);
    const sim::MissionJudge& judge = *simulator_.Simulation().Judge();
    ASSERT_EQ(judge.GetVerdict(), sim::Verdict::NotPassed);
    EXPECT_EQ(
        QString::number(static_cast<double>(judge.DecidedAt()) / sim::kMicrosPerSecond, 'f', 3),
        results->Table()->item(ben, ccTime)->text());
    EXPECT_EQ(UiString(str::kMissionNotPassed).arg(results->Table()->item(ben, ccReason)->text()),
              MissionResultText(judge));

    // A program that breaks a rule has failed before it moves, as the table says.
    const int dora = RowOf(*results, "dora.kvn");
    DoubleClickRow(*results, dora);
    EXPECT_EQ(answers_.questions, 2);  // nothing unsaved this time
    ASSERT_TRUE(QTest::qWaitFor([&] { return delivered.count() == 2; }, kWaitMs));
    ASSERT_TRUE(simulator_.RuleCheck().broken.has_value());
    EXPECT_FALSE(simulator_.IsRunning());
    auto* panel = simulator_.findChild<TMissionPanel*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->ResultText().startsWith(
        UiString(str::kMissionNotPassed).arg(results->Table()->item(dora, ccReason)->text())));
}

}  // namespace
}  // namespace kavrin::ui
