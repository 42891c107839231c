// The recovery copy from the window's side: kept while the lists hold unsaved changes, gone with
// them, and offered at the next start when its Kavrin no longer runs.

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "language_scope.h"
#include "model/recovery.h"
#include "ui/main_dialogs.h"
#include "ui/main_window.h"
#include "ui/program_files.h"
#include "ui/recovery_offer.h"

namespace kavrin::ui {
namespace {

namespace fs = std::filesystem;
using model::TSaveAnswer;

// Answers every question alike; the restore questions asked are kept.
class TAnswers : public TMainDialogs {
public:
    bool restore = false;
    QString fileName;
    QStringList questions;

    TSaveAnswer AskToSave(QWidget*) override { return TSaveAnswer::No; }
    QString OpenFileName(QWidget*, const QString&) override { return fileName; }
    QString SaveFileName(QWidget*, const QString&, const QString&) override { return fileName; }
    void ShowError(QWidget*, const QString& message) override {
        ADD_FAILURE() << message.toStdString();
    }
    bool AskToRestore(QWidget*, const QString& question) override {
        questions << question;
        return restore;
    }
};

// A change is in the copy well within the 2 s the keeper allows (it writes after 0.5 s of quiet).
constexpr int kWithinMs = 2000;

class Recovery : public ::testing::Test {
protected:
    fs::path Folder() const { return ToCorePath(dir_.filePath(QStringLiteral("data"))); }
    fs::path File(const char* name) const {
        return ToCorePath(dir_.filePath(QString::fromLatin1(name)));
    }

    // A main window as kavrin makes it, with a keeper of its own and answers from a script.
    std::unique_ptr<TMainForm> MakeWindow(model::TRecoveryKeeper& keeper) {
        auto window = std::make_unique<TMainForm>();
        auto answers = std::make_unique<TAnswers>();
        answers_ = answers.get();
        window->SetDialogs(std::move(answers));
        window->SetSettingsStore(&settings_);
        window->SetRecoveryKeeper(&keeper);
        return window;
    }

    QTemporaryDir dir_;
    QSettings settings_{dir_.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat};
    TAnswers* answers_ = nullptr;
};

TEST_F(Recovery, TheCopyFollowsTheUnsavedChangesAndGoesAtANormalEnd) {
    model::TRecoveryKeeper keeper(Folder(), model::RecoveryStem(1, 1));
    const fs::path copy = keeper.Files().program;
    auto window = MakeWindow(keeper);
    window->ShowForMode(model::TMode::Beginner);
    EXPECT_FALSE(fs::exists(copy)) << "nothing to keep yet";

    window->ActionDblClick(model::akForward);
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(copy), kWithinMs);

    // Saved: gone at once. Changed again: back.
    answers_->fileName = QString::fromStdU16String(File("walk.kvn").u16string());
    window->SaveFile();
    EXPECT_FALSE(fs::exists(copy));
    window->ActionDblClick(model::akBackward);
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(copy), kWithinMs);

    // Loaded (the changes given up): gone. Cleared: gone; the undo brings the steps back.
    window->LoadFile();
    ASSERT_EQ(window->Document()->Count(model::kMainList), 1);
    EXPECT_FALSE(fs::exists(copy));
    window->ActionDblClick(model::akStopWait);
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(copy), kWithinMs);
    window->RunCommand(model::TCommand::Clear);
    EXPECT_FALSE(fs::exists(copy));
    window->RunCommand(model::TCommand::Undo);
    QTRY_VERIFY_WITH_TIMEOUT(fs::exists(copy), kWithinMs);

    // Quit, the changes given up: a normal end leaves nothing to offer.
    QSignalSpy ended(window.get(), &TMainForm::Ended);
    EXPECT_TRUE(window->Quit());
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_FALSE(fs::exists(keeper.Files().name));
}

// A copy left by a Kavrin that was killed, with another Kavrin still running beside.
TEST_F(Recovery, AStartOffersTheCopyOfAKavrinNoLongerRunningAndRestoresItAsItWas) {
    test::TLanguageScope english(resources::TLanguage::English);
    model::TActionDocument left(model::TMode::Advanced);
    left.DropAction(model::kMainList, 1, model::akRotateRight);
    left.DropAction(model::kSensorSet3, 1, model::akBackward);
    left.DropSensorSet(model::kMainList, 1, model::gcRight, 3);
    ASSERT_TRUE(left.SaveFile(File("square.kvn")).ok);
    left.SetStepValue(model::kSensorSet3, 1, 33);  // unsaved
    const std::string killed = model::RecoveryStem(77, 1);
    {
        model::TRecoveryKeeper gone(Folder(), killed);
        ASSERT_TRUE(gone.Write(left).ok);
    }
    model::TRecoveryKeeper running(Folder(), model::RecoveryStem(88, 1));
    model::TActionDocument other;
    other.AppendAction(model::akForward);
    ASSERT_TRUE(running.Write(other).ok);

    const auto written = std::chrono::file_clock::to_sys(
        fs::last_write_time(model::RecoveryFiles(Folder(), killed).program));

    model::TRecoveryKeeper keeper(Folder(), model::RecoveryStem(99, 1));
    auto window = MakeWindow(keeper);
    answers_->restore = true;
    ASSERT_TRUE(OfferRecoveredPrograms(
        Folder(), [&]() -> TMainForm& { return *window; }, *answers_));

    ASSERT_EQ(answers_->questions.size(), 1) << "the running Kavrin's copy is not offered";
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(
        std::chrono::duration_cast<std::chrono::milliseconds>(written.time_since_epoch()).count());
    EXPECT_EQ(answers_->questions.front(),
              QStringLiteral("Kavrin was closed without saving the program \"square.kvn\" at "
                             "%1. Restore it?")
                  .arg(at.toString(QStringLiteral("HH:mm"))));

    ASSERT_NE(window->Document(), nullptr);
    EXPECT_TRUE(window->isVisible());
    const model::TActionDocument& restored = *window->Document();
    EXPECT_EQ(restored.Mode(), model::TMode::Advanced);
    EXPECT_EQ(restored.Program().counts, left.Program().counts);
    EXPECT_EQ(restored.Program().lists, left.Program().lists);
    EXPECT_EQ(restored.Step(model::kSensorSet3, 1).value, 33);
    EXPECT_EQ(restored.FileName(), File("square.kvn"));
    EXPECT_TRUE(restored.Modified());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Kavrin - square.kvn *"));

    // The killed Kavrin's files are gone; the window keeps its own copy from the start.
    EXPECT_FALSE(fs::exists(model::RecoveryFiles(Folder(), killed).program));
    EXPECT_FALSE(fs::exists(model::RecoveryFiles(Folder(), killed).lock));
    EXPECT_TRUE(fs::exists(keeper.Files().program));
    EXPECT_TRUE(fs::exists(running.Files().program));
}

TEST_F(Recovery, ACopyTurnedDownIsRemovedAndTheStartGoesOnAsUsual) {
    model::TActionDocument left;
    left.AppendAction(model::akTurnLeft);
    model::TRecoveryKeeper(Folder(), model::RecoveryStem(5, 1)).Write(left);
    model::TRecoveryKeeper keeper(Folder(), model::RecoveryStem(6, 1));
    auto window = MakeWindow(keeper);
    EXPECT_FALSE(OfferRecoveredPrograms(
        Folder(), [&]() -> TMainForm& { return *window; }, *answers_));
    EXPECT_FALSE(OfferRecoveredPrograms(
        Folder(), [&]() -> TMainForm& { return *window; }, *answers_));
    EXPECT_EQ(answers_->questions.size(), 1) << "removed, so not asked a second time";
    EXPECT_EQ(window->Document(), nullptr) << "the start window chooses the mode";
}

}  // namespace
}  // namespace kavrin::ui
