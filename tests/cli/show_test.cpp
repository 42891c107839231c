#include <gtest/gtest.h>

#include <filesystem>

#include "cli_runner.h"
#include "model/document.h"

namespace kavrin::test {
namespace {

using namespace kavrin::model;

TEST(CliShow, PrintsCalibrationListsAndSteps) {
    const std::string dir = TempDir();
    const std::string file = dir + "/prog.kvn";
    TActionDocument doc(TMode::Advanced);
    doc.SetCalibration(98, 103);
    doc.InsertStepIntoList(kMainList, 1, TBotAction{akForward, 20, {0, 2, 0}});
    doc.InsertIntoList(kMainList, 2, 1, akGoBack);
    doc.InsertIntoList(kSensorSet2, 1, 5, akStopWait);
    ASSERT_TRUE(doc.SaveFile(file).ok);

    const CliRun run = RunCli({"show", file, "--advanced"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "calibration 98 103\n"
              "list 1: 2 steps\nlist 2: 0 steps\nlist 3: 0 steps\n"
              "list 4: 1 steps\nlist 5: 0 steps\nlist 6: 0 steps\n"
              "1.1 F 20 0 2 0\n1.2 G 1 0 2 0\n4.1 S 5 0 0 0\n");

    const CliRun beginner = RunCli({"show", file});
    EXPECT_EQ(beginner.exitCode, 1);
    EXPECT_EQ(beginner.out, "");
    EXPECT_EQ(
        beginner.err,
        "kavrin-cli: " + file +
            ": This Kavrin file was saved in Advanced Mode.  You must switch to Advanced Mode "
            "before opening this file.\n");
    std::filesystem::remove_all(dir);
}

TEST(CliShow, UsageErrorsExitTwo) {
    EXPECT_EQ(RunCli({"show"}).exitCode, 2);
    EXPECT_EQ(RunCli({"show", "a.kvn", "--frobnicate"}).exitCode, 2);
    EXPECT_EQ(RunCli({"no-such-command"}).exitCode, 2);
    const CliRun help = RunCli({"show", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("usage: kavrin-cli show"), std::string::npos);
    EXPECT_EQ(RunCli({"--version"}).out, "kavrin-cli 1.3\n");
    EXPECT_EQ(RunCli({"show", "/no/such/file.kvn"}).exitCode, 1);
}

}  // namespace
}  // namespace kavrin::test
