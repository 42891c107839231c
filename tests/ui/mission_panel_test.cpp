// The simulator window on a mission: choosing one puts its table, zones and panel up; the tasks
// are ticked off while the program drives; the end says how it went and pauses; a power cycle
// starts over; a move by hand fails it; a file's own title shows.

#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "resources/ui_strings.h"
#include "tokenizer/tokenizer.h"
#include "ui/arena_view.h"
#include "ui/mission_panel.h"
#include "ui/robot_state_panel.h"
#include "ui/simulator_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

namespace str = resources::str;

// Both wheels forward for that many drive cycles (about 22 ms and 0.39 cm each), then END.
sim::Eeprom DriveImage(int cycles) {
    const std::string program = "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\nFOR W1 = 1 TO " +
                                std::to_string(cycles) +
                                ": PULSOUT 13, 850: PULSOUT 12, 650: PAUSE 18: NEXT\r\nEND\r\n";
    tokenizer::TTokenizer tokenizer;
    EXPECT_TRUE(tokenizer.LoadSource(program));
    EXPECT_EQ(tokenizer.Tokenize(), 1) << tokenizer.Result().ErrorMessage;
    sim::Eeprom image{};
    std::copy_n(tokenizer.Result().EepromImage.begin(), image.size(), image.begin());
    return image;
}

QComboBox* BoxWithTip(QWidget& window, int tip) {
    for (QComboBox* box : window.findChildren<QComboBox*>()) {
        if (box->toolTip() == UiString(tip)) {
            return box;
        }
    }
    ADD_FAILURE() << "no box " << tip;
    return nullptr;
}

// Picks an entry the way the keyboard does on the closed box (it reports it as chosen).
void Choose(QComboBox* box, int index) {
    box->setFocus();
    while (box->currentIndex() > index) {
        QTest::keyClick(box, Qt::Key_Up);
    }
    while (box->currentIndex() < index) {
        QTest::keyClick(box, Qt::Key_Down);
    }
}

QString Mark(const QString& row) { return row.left(1); }

constexpr char kOpen[] = "\u25CB";
constexpr char kMet[] = "\u2713";
constexpr char kMissed[] = "\u2717";

struct TMissionWindow {
    TSimulatorForm window;
    TMissionPanel* panel = nullptr;
    TArenaView* view = nullptr;

    explicit TMissionWindow(const char* mission = "bay") {
        window.resize(900, 720);
        window.show();
        EXPECT_TRUE(window.SetMission(QString::fromLatin1(mission)));
        panel = window.findChild<TMissionPanel*>();
        view = window.findChild<TArenaView*>();
    }
    QColor At(sim::Vec2 table) const {
        return view->grab().toImage().pixelColor(view->ToWidget(table).toPoint());
    }
    // Runs until the judge decides (or the limit and a second), in frames like the timer's.
    void RunToTheEnd() {
        for (int i = 0; i < 2000 && window.Simulation().Judge()->GetVerdict() == sim::Verdict::Open;
             ++i) {
            window.Advance(16 * sim::kMicrosPerMs);
        }
    }
};

TEST(MissionPanel, ChoosingAMissionPutsItsTableZonesAndTasksUpAndNoMissionTakesThemAway) {
    TSimulatorForm window;
    window.resize(900, 720);
    window.show();
    auto* panel = window.findChild<TMissionPanel*>();
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->isVisible());
    QComboBox* missions = BoxWithTip(window, str::kMissionTip);
    QComboBox* arenas = BoxWithTip(window, str::kSimArenaTip);
    ASSERT_NE(missions, nullptr);
    EXPECT_EQ(missions->currentText(), UiString(str::kMissionNone));
    const int bay = missions->findData(QStringLiteral("bay"));
    ASSERT_GT(bay, 0);
    EXPECT_EQ(missions->itemText(bay), UiString(str::kMissionBayTitle));
    auto* view = window.findChild<TArenaView*>();
    const QColor tableBefore =
        view->grab().toImage().pixelColor(view->ToWidget({150, 75}).toPoint());

    Choose(missions, bay);
    EXPECT_EQ(window.MissionKey(), QStringLiteral("bay"));
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(window.Simulation().Body().GetArena().walls.size(), 3u);  // the bay's walls
    EXPECT_EQ(arenas->currentIndex(), -1);                              // the mission's table
    EXPECT_EQ(arenas->placeholderText(), UiString(str::kMissionArenaItem));
    auto* title = panel->findChild<QLabel*>(QStringLiteral("missionTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), UiString(str::kMissionBayTitle));
    for (const QLabel* label : panel->findChildren<QLabel*>()) {
        EXPECT_FALSE(label->text().isEmpty());
    }
    const QStringList rows = panel->RowTexts();
    ASSERT_EQ(rows.size(), 5);  // reach, stop, touch nothing, the limit, the tiles allowed
    EXPECT_EQ(rows[0], QString::fromUtf8(kOpen) + "  " + UiString(str::kMissionReach).arg("P"));
    EXPECT_EQ(rows[1],
              QString::fromUtf8(kOpen) + "  " + UiString(str::kMissionStop).arg("P", "1.0"));
    EXPECT_EQ(rows[2], QString::fromUtf8(kOpen) + "  " + UiString(str::kMissionNoTouch));
    EXPECT_EQ(rows[3], QString::fromUtf8(kOpen) + "  " + UiString(str::kMissionLimit).arg("25"));
    const QString tiles = StepKindText('F') + ", " + StepKindText('B') + ", " + StepKindText('S');
    EXPECT_EQ(rows[4],
              QString::fromUtf8(kOpen) + "  " + UiString(str::kMissionOnlyTiles).arg(tiles));
    EXPECT_EQ(panel->ResultText(), UiString(str::kMissionWaiting));  // no program yet
    // The bay's zone is marked on the table.
    EXPECT_NE(view->grab().toImage().pixelColor(view->ToWidget({150, 75}).toPoint()), tableBefore);

    // No mission: the arena chosen before comes back, without zones or panel.
    Choose(missions, 0);
    EXPECT_TRUE(window.MissionKey().isEmpty());
    EXPECT_FALSE(panel->isVisible());
    EXPECT_EQ(window.Simulation().Judge(), nullptr);
    EXPECT_EQ(arenas->currentData().toString(), QStringLiteral("open"));
    EXPECT_TRUE(panel->findChildren<QLabel*>().isEmpty());

    // So does choosing an arena while a mission is on.
    Choose(missions, bay);
    Choose(arenas, arenas->findData(QStringLiteral("corridor")));
    EXPECT_TRUE(window.MissionKey().isEmpty());
    EXPECT_EQ(missions->currentIndex(), 0);
    EXPECT_FALSE(panel->isVisible());
}

TEST(MissionPanel, TasksAreTickedWhileTheProgramDrivesAndThePassIsShownAndPausesTheRun) {
    TMissionWindow m;
    m.window.StartProgram(DriveImage(330));  // about 128 cm: well into the bay
    EXPECT_TRUE(m.window.IsRunning());
    m.window.SetRunning(false);
    const QColor bayBefore = m.At({165, 90});
    m.window.Advance(4 * sim::kMicrosPerSecond);
    EXPECT_EQ(Mark(m.panel->RowTexts()[0]), QString::fromUtf8(kOpen));
    EXPECT_EQ(m.panel->ResultText(), UiString(str::kMissionUnderWay));
    m.window.Advance(3 * sim::kMicrosPerSecond);
    QStringList rows = m.panel->RowTexts();
    EXPECT_EQ(Mark(rows[0]), QString::fromUtf8(kMet));
    const double reached =
        static_cast<double>(m.window.Simulation().Judge()->Progress()[0].at) / 1e6;
    EXPECT_TRUE(rows[0].endsWith(
        " (" + UiString(str::kMissionMetAt).arg(QString::number(reached, 'f', 1)) + ")"))
        << rows[0].toStdString();
    EXPECT_EQ(Mark(rows[1]), QString::fromUtf8(kOpen));

    m.window.SetRunning(true);
    m.RunToTheEnd();
    const sim::MissionJudge& judge = *m.window.Simulation().Judge();
    ASSERT_EQ(judge.GetVerdict(), sim::Verdict::Passed);
    EXPECT_FALSE(m.window.IsRunning());  // paused where it was decided
    const QString passed =
        UiString(str::kMissionPassed)
            .arg(QString::number(static_cast<double>(judge.DecidedAt()) / 1e6, 'f', 1));
    EXPECT_EQ(m.panel->ResultText(), passed);
    // A program written as source has no lists: what it is made of stays unchecked.
    rows = m.panel->RowTexts();
    for (const QString& row : rows.mid(0, rows.size() - 1)) {
        EXPECT_EQ(Mark(row), QString::fromUtf8(kMet)) << row.toStdString();
    }
    EXPECT_EQ(Mark(rows.back()), QString::fromUtf8(kOpen));
    EXPECT_TRUE(
        m.window.TerminalText().contains(UiString(str::kMissionNoteDecided).arg(passed) + "\n"));
    EXPECT_EQ(m.window.TerminalText().count(UiString(str::kMissionNoteDecided).arg(passed)), 1);
    // The zone is shown done.
    EXPECT_NE(m.At({165, 90}), bayBefore);
}

TEST(MissionPanel, AFailureSaysWhatWentWrongAndAPowerCycleStartsOver) {
    TMissionWindow m;
    m.window.StartProgram(DriveImage(600));  // on into the bay's back wall
    m.RunToTheEnd();
    ASSERT_EQ(m.window.Simulation().Judge()->GetFailure(), sim::Failure::Touched);
    EXPECT_EQ(m.panel->ResultText(),
              UiString(str::kMissionNotPassed).arg(UiString(str::kMissionTouchedWall)) + "\n" +
                  UiString(str::kMissionTryAgain));
    QStringList rows = m.panel->RowTexts();
    EXPECT_EQ(Mark(rows[0]), QString::fromUtf8(kMet));
    EXPECT_EQ(Mark(rows[1]), QString::fromUtf8(kMissed));  // never stood in the bay
    EXPECT_EQ(Mark(rows[2]), QString::fromUtf8(kMissed));  // touched
    EXPECT_EQ(Mark(rows[3]), QString::fromUtf8(kOpen));    // the clock was not what failed it

    // Off and on again: the mission starts over with the program.
    auto button = [&m](int text) {
        for (QPushButton* b : m.window.findChildren<QPushButton*>()) {
            if (b->text() == UiString(text)) {
                return b;
            }
        }
        return static_cast<QPushButton*>(nullptr);
    };
    QTest::mouseClick(button(str::kSimPowerOff), Qt::LeftButton);
    QTest::mouseClick(button(str::kSimPowerOn), Qt::LeftButton);
    EXPECT_TRUE(m.window.IsRunning());
    EXPECT_EQ(m.window.Simulation().Judge()->GetVerdict(), sim::Verdict::Open);
    EXPECT_EQ(m.panel->ResultText(), UiString(str::kMissionUnderWay));
    for (const QString& row : m.panel->RowTexts()) {
        EXPECT_EQ(Mark(row), QString::fromUtf8(kOpen)) << row.toStdString();
    }

    // Put down by hand while it runs, the robot fails the mission at once.
    m.window.SetRunning(false);
    const sim::Pose start = m.window.Simulation().Body().CurrentPose();
    const QPoint grab = m.view->ToWidget(start.Position()).toPoint();
    const QPoint drop = m.view->ToWidget({start.x + 100, start.y}).toPoint();
    QTest::mousePress(m.view, Qt::LeftButton, {}, grab);
    QTest::mouseMove(m.view, drop);
    QTest::mouseRelease(m.view, Qt::LeftButton, {}, drop);
    EXPECT_EQ(m.window.Simulation().Judge()->GetFailure(), sim::Failure::MovedByHand);
    EXPECT_EQ(m.panel->ResultText(),
              UiString(str::kMissionNotPassed).arg(UiString(str::kMissionMovedByHand)) + "\n" +
                  UiString(str::kMissionTryAgain));
}

TEST(MissionPanel, AMissionFileShowsItsOwnTitleAndJoinsTheChooser) {
    const QString path =
        QDir(QString::fromStdString(::testing::TempDir())).filePath("στόχος.mission");
    QFile file(path);  // (a narrow std::ofstream path is not UTF-8 on Windows)
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("title Ο στόχος μου\nzone Z 150 60 30 30\nreach Z\n");
    file.close();
    TMissionWindow m("bay");
    ASSERT_TRUE(m.window.SetMission(path));
    auto* title = m.panel->findChild<QLabel*>(QStringLiteral("missionTitle"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->text(), QStringLiteral("Ο στόχος μου"));
    EXPECT_EQ(m.panel->RowTexts().size(), 1);  // no rules: only its one task
    QComboBox* missions = BoxWithTip(m.window, str::kMissionTip);
    EXPECT_EQ(missions->currentText(), QStringLiteral("στόχος.mission"));
    EXPECT_EQ(missions->currentData().toString(), path);
    // The file entry comes before the one that opens files.
    EXPECT_EQ(missions->currentIndex(), missions->count() - 2);
    EXPECT_EQ(missions->itemText(missions->count() - 1), UiString(str::kMissionFileItem));
}

}  // namespace
}  // namespace kavrin::ui
