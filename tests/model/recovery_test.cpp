#include "model/recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "document_test_util.h"
#include "model/document.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#include <csignal>
#endif

namespace kavrin::model {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = TRecoveryKeeper::Clock;

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kavrin-recovery-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::vector<fs::path> Files() const {
        std::vector<fs::path> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.push_back(entry.path().filename());
        }
        std::ranges::sort(names);
        return names;
    }

    fs::path dir_;
};

TEST_F(Recovery, ACopyIsDueAfterAQuietSpellButNeverLaterThanItsLatestMoment) {
    TRecoveryKeeper keeper(dir_, RecoveryStem(1, 1));
    ASSERT_TRUE(keeper.Active());
    TActionDocument doc;
    const Clock::time_point t0{};
    EXPECT_FALSE(keeper.Noticed(doc, t0)) << "nothing changed yet";

    doc.AppendAction(akForward);
    EXPECT_EQ(keeper.Noticed(doc, t0), kRecoveryQuietTime);
    EXPECT_EQ(keeper.Noticed(doc, t0 + 200ms), kRecoveryQuietTime - 200ms)
        << "no change since: the same moment";
    // A change every 300 ms: each one puts the write off, up to the latest moment.
    Clock::time_point now = t0;
    for (int i = 0; i < 4; ++i) {
        now += 300ms;
        doc.AppendAction(akBackward);
        const auto due = keeper.Noticed(doc, now);
        ASSERT_TRUE(due);
        EXPECT_EQ(now + *due, std::min(now + kRecoveryQuietTime, t0 + kRecoveryLatestWrite)) << i;
    }
    now = t0 + kRecoveryLatestWrite + 1ms;
    doc.AppendAction(akBackward);
    EXPECT_EQ(keeper.Noticed(doc, now), 0ms) << "overdue: at once";
    ASSERT_TRUE(keeper.Write(doc).ok);
    EXPECT_TRUE(fs::exists(keeper.Files().program));
    EXPECT_FALSE(keeper.Noticed(doc, now)) << "the copy holds the document as it is";

    // The next change starts a new latest moment of its own.
    doc.SetStepValue(kMainList, 1, 40);
    EXPECT_EQ(keeper.Noticed(doc, t0 + 10s), kRecoveryQuietTime);
    keeper.Remove();
    EXPECT_FALSE(fs::exists(keeper.Files().program));
}

TEST_F(Recovery, TheCopyGoesWhenNothingUnsavedIsLeft) {
    TRecoveryKeeper keeper(dir_, RecoveryStem(1, 1));
    TActionDocument doc;
    doc.AppendAction(akForward);
    ASSERT_TRUE(keeper.Write(doc).ok);
    ASSERT_TRUE(fs::exists(keeper.Files().program));

    // Saved: not modified any more.
    ASSERT_TRUE(doc.SaveFile(dir_ / "saved.kvn").ok);
    EXPECT_FALSE(keeper.Noticed(doc, Clock::now()));
    EXPECT_FALSE(fs::exists(keeper.Files().program));
    EXPECT_FALSE(fs::exists(keeper.Files().name));
    EXPECT_TRUE(keeper.Write(doc).ok);
    EXPECT_FALSE(fs::exists(keeper.Files().program)) << "a saved program needs no copy";

    // Cleared: modified, but no step left to lose.
    doc.AppendAction(akForward);
    ASSERT_TRUE(keeper.Write(doc).ok);
    doc.Clear();
    EXPECT_FALSE(keeper.Noticed(doc, Clock::now()));
    EXPECT_FALSE(fs::exists(keeper.Files().program));
    doc.Undo();
    EXPECT_TRUE(keeper.Noticed(doc, Clock::now()));
}

TEST_F(Recovery, ACopyLeftBehindComesBackWithItsModeNameAndSteps) {
    TActionDocument doc(TMode::Advanced);
    doc.DropAction(kSensorSet2, 1, akRotateLeft);
    doc.DropAction(kMainList, 1, akGoBack);
    doc.SetStepValue(kSensorSet2, 1, 77);
    doc.SetCalibration(90, 110);
    const fs::path named = dir_ / u8"\u03c4\u03b5\u03c4\u03c1\u03ac\u03b3\u03c9\u03bd\u03bf.kvn";
    ASSERT_TRUE(doc.SaveFile(named).ok);
    doc.SetCurrentList(kSensorSet2);
    doc.AppendAction(akForward);  // unsaved
    const auto before = std::chrono::system_clock::now() - 2s;
    {
        TRecoveryKeeper keeper(dir_, RecoveryStem(42, 7));
        ASSERT_TRUE(keeper.Write(doc).ok);
        // Its Kavrin still runs: nobody is offered its copy.
        EXPECT_TRUE(FindRecoveryCopies(dir_).empty());
    }  // ended without removing it: as after a crash, but the lock is let go

    std::vector<TRecoveryCopy> copies = FindRecoveryCopies(dir_);
    ASSERT_EQ(copies.size(), 1u);
    TRecoveryCopy& copy = copies.front();
    EXPECT_EQ(copy.stem, RecoveryStem(42, 7));
    EXPECT_EQ(copy.mode, TMode::Advanced);
    EXPECT_EQ(copy.fileName, named);
    EXPECT_EQ(copy.program.counts, doc.Program().counts);
    EXPECT_EQ(copy.program.lists, doc.Program().lists);
    EXPECT_EQ(copy.program.leftServoCenter, 90);
    EXPECT_GE(copy.written, before);
    EXPECT_LE(copy.written, std::chrono::system_clock::now() + 2s);
    EXPECT_TRUE(FindRecoveryCopies(dir_).empty()) << "claimed while it is offered";

    TActionDocument restored(copy.mode);
    restored.TakeRecovered(copy.program, copy.fileName);
    EXPECT_TRUE(restored.Modified());
    EXPECT_EQ(restored.FileName(), named);
    EXPECT_EQ(restored.Count(kSensorSet2), 2);

    RemoveRecoveryCopy(dir_, copy);
    EXPECT_EQ(Files(), std::vector<fs::path>{named.filename()});
}

TEST_F(Recovery, AnUnnamedBeginnerProgramAndTheNewestFirst) {
    for (int n = 1; n <= 2; ++n) {
        TActionDocument doc;
        for (int i = 0; i < n; ++i) {
            doc.AppendAction(akStopWait);
        }
        TRecoveryKeeper keeper(dir_, RecoveryStem(100 + static_cast<unsigned>(n), 1));
        ASSERT_TRUE(keeper.Write(doc).ok);
        fs::last_write_time(keeper.Files().program,
                            fs::file_time_type::clock::now() - std::chrono::hours(3 - n));
    }
    const std::vector<TRecoveryCopy> copies = FindRecoveryCopies(dir_);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].program.Count(kMainList), 2);
    EXPECT_EQ(copies[1].program.Count(kMainList), 1);
    EXPECT_EQ(copies[0].mode, TMode::Beginner);
    EXPECT_TRUE(copies[0].fileName.empty());
}

TEST_F(Recovery, LeftoversWithoutAProgramAreClearedAndDamagedCopiesLeftAlone) {
    const TRecoveryFiles cut = RecoveryFiles(dir_, RecoveryStem(5, 5));
    std::ofstream(cut.name) << "somewhere.kvn";
    std::ofstream(cut.lock);
    std::ofstream(fs::path(cut.program) += ".saving") << "half";
    const TRecoveryFiles damaged = RecoveryFiles(dir_, RecoveryStem(6, 6));
    std::ofstream(damaged.program) << "not a program";
    std::ofstream(dir_ / "kavrin-recovery-.kvn");
    std::ofstream(dir_ / "notes.txt");

    EXPECT_TRUE(FindRecoveryCopies(dir_).empty());
    EXPECT_EQ(Files(), (std::vector<fs::path>{"kavrin-recovery-.kvn", damaged.program.filename(),
                                              damaged.lock.filename(), "notes.txt"}));
}

#ifndef _WIN32
// Another Kavrin, a process of its own, keeps its copy for as long as it runs, and loses the lock
// on it however it ends.
TEST_F(Recovery, AnotherRunningKavrinsCopyIsOfferedOnlyOnceItIsKilled) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TRecoveryKeeper keeper(dir_, RecoveryStem(static_cast<std::uint64_t>(getpid()), 1));
        TActionDocument doc;
        doc.AppendAction(akTurnRight);
        const char done = keeper.Write(doc).ok ? 'y' : 'n';
        (void)!write(ready[1], &done, 1);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char done = 0;
    ASSERT_EQ(read(ready[0], &done, 1), 1);
    close(ready[0]);
    ASSERT_EQ(done, 'y');
    EXPECT_TRUE(FindRecoveryCopies(dir_).empty());

    kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    const std::vector<TRecoveryCopy> copies = FindRecoveryCopies(dir_);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].program.Step(kMainList, 1).kind, akTurnRight);
}
#endif

}  // namespace
}  // namespace kavrin::model
