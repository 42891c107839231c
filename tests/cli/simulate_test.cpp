// kavrin-cli simulate: a program driving the virtual robot on a table, its sensor and contact
// lines, the pose trace and the final pose, and the arguments it refuses.

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>

#include "cli_runner.h"

namespace kavrin::test {
namespace {

// Both wheels forward for about five seconds.
std::string DriveProgram() {
    const std::string path = TempDir() + "/drive.vel";
    std::ofstream(path, std::ios::binary) << "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n"
                                          << "FOR W1 = 1 TO 250: PULSOUT 13, 850: PULSOUT 12, 650: PAUSE 18: NEXT\r\n";
    return path;
}

TEST(CliSimulate, PrintsSensorsContactsTraceAndTheFinalPose) {
    const CliRun run = RunCli({"simulate", DriveProgram(), "--arena", "wall-ahead", "--seconds", "6", "--trace"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The wall stops the robot 40 cm ahead of the start: whiskers first, then the contact.
    const std::size_t whisker = run.out.find(" whisker left on\n");
    const std::size_t contact = run.out.find(" contact\n");
    ASSERT_NE(whisker, std::string::npos) << run.out;
    ASSERT_NE(contact, std::string::npos) << run.out;
    EXPECT_LT(whisker, contact);
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\n0\\.500 pose 3\\d\\.\\d 75\\.0 -?0\\.\\d\n"))) << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\n\\d\\.\\d{3} contact\n")));
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\npose 6[23]\\.\\d 7[45]\\.\\d -?0\\.\\d\n$"))) << run.out;

    // Without --trace only the events and the last line; placed elsewhere, facing up the table.
    const CliRun up = RunCli({"simulate", DriveProgram(), "--start", "100,20,90", "--seconds", "2"});
    ASSERT_EQ(up.exitCode, 0) << up.err;
    EXPECT_TRUE(std::regex_match(up.out, std::regex("pose 100\\.\\d [45]\\d\\.\\d (89|90)\\.\\d\n"))) << up.out;
}

TEST(CliSimulate, RefusesWhatItCannotRun) {
    const std::string program = DriveProgram();
    EXPECT_EQ(RunCli({"simulate"}).exitCode, 2);
    EXPECT_EQ(RunCli({"simulate", program, "--start", "1,2"}).exitCode, 2);
    EXPECT_EQ(RunCli({"simulate", program, "--held"}).exitCode, 2);
    for (const char* start : {"30,75,nan", "30,75,inf", "nan,75,0", "30,75,1e999"}) {
        const CliRun refused = RunCli({"simulate", program, "--start", start});
        EXPECT_EQ(refused.exitCode, 2) << start;
        EXPECT_EQ(refused.err.rfind(std::string("kavrin-cli: --start ") + start +
                                        ": give X,Y,HEADING as three finite numbers\n",
                                    0),
                  0u)
            << refused.err;
    }
    // Any finite heading is an angle on the table.
    const CliRun turned = RunCli({"simulate", program, "--start", "30,75,1e308", "--seconds", "0.1"});
    EXPECT_EQ(turned.exitCode, 0) << turned.err;
    EXPECT_EQ(turned.out.find("nan"), std::string::npos) << turned.out;

    const CliRun outside = RunCli({"simulate", program, "--start", "1,1,0"});
    EXPECT_EQ(outside.exitCode, 1);
    EXPECT_EQ(outside.err, "kavrin-cli: the robot does not fit at 1.0 1.0 0.0 on the table\n");

    const std::string arena = TempDir() + "/bad.arena";
    std::ofstream(arena) << "table 100 100\nwall 1 2 3\n";
    const CliRun bad = RunCli({"simulate", program, "--arena", arena});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("bad.arena:2"), std::string::npos) << bad.err;
}

}  // namespace
}  // namespace kavrin::test
