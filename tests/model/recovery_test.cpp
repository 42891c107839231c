#include "model/recovery.h"

#include <gtest/gtest.h>

#include <filesystem>

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

class Recovery : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    const fs::path dir_ =
        fs::temp_directory_path() /
        ("kavrin-recovery-" +
         std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
};

TEST_F(Recovery, ACopyIsDueAfterAQuietSpellButNeverLaterThanItsLatestMoment) {
    TRecoveryKeeper keeper(dir_, RecoveryStem(1, 1));
    TActionDocument doc;
    const TRecoveryKeeper::Clock::time_point t0{};
    EXPECT_FALSE(keeper.Noticed(doc, t0)) << "nothing changed yet";
    doc.AppendAction(akForward);
    EXPECT_EQ(keeper.Noticed(doc, t0), kRecoveryQuietTime);
    EXPECT_EQ(keeper.Noticed(doc, t0 + 200ms), kRecoveryQuietTime - 200ms) << "no change since";

    // A change every 300 ms puts the write off, up to the latest moment.
    for (auto now = t0 + 300ms; now < t0 + kRecoveryLatestWrite; now += 300ms) {
        doc.AppendAction(akBackward);
        const auto due = keeper.Noticed(doc, now);
        ASSERT_TRUE(due);
        EXPECT_EQ(now + *due, std::min(now + kRecoveryQuietTime, t0 + kRecoveryLatestWrite));
    }
    doc.AppendAction(akBackward);
    EXPECT_EQ(keeper.Noticed(doc, t0 + kRecoveryLatestWrite + 1ms), 0ms) << "overdue: at once";
    ASSERT_TRUE(keeper.Write(doc).ok);
    EXPECT_FALSE(keeper.Noticed(doc, t0 + 2s)) << "the copy holds the document as it is";

    // The next change has a latest moment of its own; a save leaves nothing to keep.
    doc.SetStepValue(kMainList, 1, 40);
    EXPECT_EQ(keeper.Noticed(doc, t0 + 10s), kRecoveryQuietTime);
    ASSERT_TRUE(doc.SaveFile(dir_ / "saved.kvn").ok);
    EXPECT_FALSE(keeper.Noticed(doc, t0 + 10s));
    EXPECT_FALSE(fs::exists(keeper.Files().program));
}

#ifndef _WIN32
// Another Kavrin, a process of its own, keeps its copy for as long as it runs and loses the lock
// on it however it ends; the copy then comes back as it was written, claimed while offered.
TEST_F(Recovery, AnotherKavrinsCopyIsOfferedOnlyOnceItIsKilled) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        TRecoveryKeeper keeper(dir_, RecoveryStem(static_cast<std::uint64_t>(getpid()), 1));
        TActionDocument doc(TMode::Advanced);
        doc.DropAction(kSensorSet2, 1, akTurnRight);
        const char done = keeper.Write(doc).ok ? 'y' : 'n';
        (void)!write(ready[1], &done, 1);
        pause();
        _exit(0);
    }
    char done = 0;
    ASSERT_EQ(read(ready[0], &done, 1), 1);
    ASSERT_EQ(done, 'y');
    EXPECT_TRUE(FindRecoveryCopies(dir_).empty());

    kill(child, SIGKILL);
    ASSERT_EQ(waitpid(child, nullptr, 0), child);
    const std::vector<TRecoveryCopy> copies = FindRecoveryCopies(dir_);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].mode, TMode::Advanced);
    EXPECT_EQ(copies[0].program.Step(kSensorSet2, 1).kind, akTurnRight);
    EXPECT_TRUE(copies[0].fileName.empty());
    EXPECT_LE(copies[0].written, std::chrono::system_clock::now() + 2s);
    EXPECT_TRUE(FindRecoveryCopies(dir_).empty()) << "claimed while it is offered";
}
#endif

}  // namespace
}  // namespace kavrin::model
