// kavrin-cli simulate: a program driving the virtual robot on a table, its sensor and contact
// lines, the pose trace and the final pose, and the arguments it refuses; missions judged, their
// lines and exit codes.

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <regex>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace kavrin::test {
namespace {

// Both wheels forward for about five seconds.
std::string DriveProgram() {
    const std::string path = TempDir() + "/drive.vel";
    std::ofstream(path, std::ios::binary)
        << "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n"
        << "FOR W1 = 1 TO 250: PULSOUT 13, 850: PULSOUT 12, 650: PAUSE 18: NEXT\r\n";
    return path;
}

TEST(CliSimulate, PrintsSensorsContactsTraceAndTheFinalPose) {
    const CliRun run =
        RunCli({"simulate", DriveProgram(), "--arena", "wall-ahead", "--seconds", "6", "--trace"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // The wall stops the robot 40 cm ahead of the start: whiskers first, then the contact.
    const std::size_t whisker = run.out.find(" whisker left on\n");
    const std::size_t contact = run.out.find(" contact\n");
    ASSERT_NE(whisker, std::string::npos) << run.out;
    ASSERT_NE(contact, std::string::npos) << run.out;
    EXPECT_LT(whisker, contact);
    EXPECT_TRUE(
        std::regex_search(run.out, std::regex("\n0\\.500 pose 3\\d\\.\\d 75\\.0 -?0\\.\\d\n")))
        << run.out;
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\n\\d\\.\\d{3} contact\n")));
    EXPECT_TRUE(
        std::regex_search(run.out, std::regex("\npose 6[23]\\.\\d 7[45]\\.\\d -?0\\.\\d\n$")))
        << run.out;

    // Without --trace only the events and the last line; placed elsewhere, facing up the table.
    const CliRun up =
        RunCli({"simulate", DriveProgram(), "--start", "100,20,90", "--seconds", "2"});
    ASSERT_EQ(up.exitCode, 0) << up.err;
    EXPECT_TRUE(
        std::regex_match(up.out, std::regex("pose 100\\.\\d [45]\\d\\.\\d (89|90)\\.\\d\n")))
        << up.out;
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
    const CliRun turned =
        RunCli({"simulate", program, "--start", "30,75,1e308", "--seconds", "0.1"});
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

std::string MissionProgram(const char* name) {
    return std::string(KAVRIN_TEST_DATA) + "/missions/" + name;
}

TEST(CliSimulate, ListsTheBuiltInMissionsByNameAndTitle) {
    const CliRun run = RunCli({"simulate", "--list-missions"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(std::regex_search(run.out, std::regex("^square +Square\n")));
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\nbay +Parking\n")));
    EXPECT_TRUE(std::regex_search(run.out, std::regex("\nmaze +Out of the maze\n$")));
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5);
}

TEST(CliSimulate, JudgesAMissionPrintingItsEventsAndTheVerdict) {
    const CliRun passed = RunCli({"simulate", MissionProgram("bay-pass.kvn"), "--mission", "bay"});
    EXPECT_EQ(passed.exitCode, 0) << passed.err;
    EXPECT_TRUE(std::regex_match(passed.out, std::regex("\\d+\\.\\d{3} reached P\n"
                                                        "\\d+\\.\\d{3} stopped in P 1\\.0 s\n"
                                                        "mission passed in \\d+\\.\\d s\n")))
        << passed.out;

    // Decided, the run stops: nothing is printed after the contact that failed it.
    const CliRun touched =
        RunCli({"simulate", MissionProgram("bay-fail.kvn"), "--mission", "bay", "--trace"});
    EXPECT_EQ(touched.exitCode, 4) << touched.err;
    const std::size_t at = touched.out.find(" touched a wall\n");
    ASSERT_NE(at, std::string::npos) << touched.out;
    const std::string time =
        touched.out.substr(touched.out.rfind('\n', at) + 1, at - touched.out.rfind('\n', at) - 1);
    EXPECT_TRUE(std::regex_search(touched.out,
                                  std::regex("\n" + time +
                                             " contact\n(\\d+\\.\\d{3} [^\n]*\n){0,2}"
                                             "mission not passed: touched a wall at \\d+\\.\\d s "
                                             "during step 1 \\(forward\\)\n$")))
        << touched.out;
    EXPECT_NE(touched.out.find(" pose "), std::string::npos);  // --trace adds the world

    // A mission file, decided by its limit; a shorter run leaves it open.
    const std::string file = TempDir() + "/far.mission";
    std::ofstream(file) << "title Far\nzone F 180 10 10 10\nreach F\nlimit 2\n";
    const CliRun late = RunCli({"simulate", DriveProgram(), "--mission", file});
    EXPECT_EQ(late.exitCode, 4) << late.err;
    EXPECT_EQ(late.out, "mission not passed: time ran out at 2.0 s, still to do: reach F\n");
    const CliRun cut = RunCli({"simulate", DriveProgram(), "--mission", file, "--seconds", "1"});
    EXPECT_EQ(cut.exitCode, 4) << cut.err;
    EXPECT_EQ(cut.out, "mission not passed: the run ended at 1.0 s, still to do: reach F\n");
}

// The rows of a timeline, header first.
std::vector<std::vector<std::string>> CsvRows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    while (start < csv.size()) {
        const std::size_t end = csv.find('\n', start);
        const std::string line = csv.substr(start, end - start);
        std::vector<std::string> fields;
        std::size_t from = 0;
        for (std::size_t comma; (comma = line.find(',', from)) != std::string::npos;
             from = comma + 1)
            fields.push_back(line.substr(from, comma - from));
        fields.push_back(line.substr(from));
        rows.push_back(std::move(fields));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return rows;
}

TEST(CliSimulate, WritesTheRecordedRunAsATimeline) {
    const std::string csv = TempDir() + "/run.csv";
    const CliRun run = RunCli({"simulate", MissionProgram("bay-fail.kvn"), "--arena", "wall-ahead",
                               "--seconds", "8", "--timeline", csv});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::ifstream in(csv, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto rows = CsvRows(text);
    ASSERT_GT(rows.size(), 300u);
    EXPECT_EQ(text.substr(0, text.find('\n')),
              "time_s,x_cm,y_cm,heading_deg,left_whisker,right_whisker,left_ir,right_ir,left_pulse,"
              "right_pulse,list,step");
    double before = -0.02;
    bool stepped = false, pressed = false;
    for (std::size_t i = 1; i < rows.size(); ++i) {
        ASSERT_EQ(rows[i].size(), 12u) << i;
        const double time = std::stod(rows[i][0]);
        EXPECT_NEAR(time - before, 0.02, 1e-9) << i;  // a sample each 20 ms from power-on
        before = time;
        // No step before the start delay ends; then the forward step, whose servos both drive.
        if (rows[i][10] == "1") {
            EXPECT_EQ(rows[i][11], "1");
            stepped = true;
        } else {
            EXPECT_FALSE(stepped) << "the first step is still running at " << time;
            EXPECT_EQ(rows[i][11], "0");
        }
        if (rows[i][4] == "1" && rows[i][5] == "1") pressed = true;
    }
    EXPECT_TRUE(stepped);
    EXPECT_TRUE(pressed) << "the wall ahead presses both whiskers";
    EXPECT_EQ(rows.back()[0], "8.000");
    // The last row is where the run ended, as the pose line says.
    const std::vector<std::string>& last = rows.back();
    EXPECT_NE(run.out.find("pose " + last[1] + " " + last[2] + " " + last[3] + "\n"),
              std::string::npos)
        << run.out;

    // "-": the table alone on standard output, the run's lines on standard error; a program
    // that is not made of lists runs no steps.
    const CliRun piped = RunCli({"simulate", DriveProgram(), "--seconds", "1", "--timeline", "-"});
    ASSERT_EQ(piped.exitCode, 0) << piped.err;
    const auto pipedRows = CsvRows(piped.out);
    EXPECT_EQ(pipedRows.size(), 52u);
    for (std::size_t i = 1; i < pipedRows.size(); ++i)
        EXPECT_EQ(pipedRows[i][10] + pipedRows[i][11], "00");
    EXPECT_NE(piped.err.find("pose "), std::string::npos);

    // A robot placed by hand starts its record where it was placed.
    const CliRun placed = RunCli({"simulate", DriveProgram(), "--start", "100,20,90", "--seconds",
                                  "0.5", "--timeline", "-"});
    ASSERT_EQ(placed.exitCode, 0) << placed.err;
    EXPECT_EQ(CsvRows(placed.out).at(1)[1] + " " + CsvRows(placed.out).at(1)[2], "100.0 20.0");

    // A failed write is an error, not a run that went well.
    const CliRun unwritable = RunCli({"simulate", DriveProgram(), "--seconds", "1", "--timeline",
                                      TempDir() + "/no/such/folder/run.csv"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot write the timeline"), std::string::npos)
        << unwritable.err;
    EXPECT_EQ(RunCli({"simulate", DriveProgram(), "--timeline"}).exitCode, 2);
}

TEST(CliSimulate, RefusesMissionsItCannotRead) {
    const std::string program = DriveProgram();
    const std::string bad = TempDir() + "/bad.mission";
    std::ofstream(bad) << "zone A 10 10 5 5\nreach B\n";
    const CliRun unknown = RunCli({"simulate", program, "--mission", bad});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_EQ(unknown.err, "kavrin-cli: " + bad + ":2: unknown zone \"B\"\n");
    EXPECT_TRUE(unknown.out.empty());
    EXPECT_EQ(RunCli({"simulate", program, "--mission", TempDir() + "/none.mission"}).exitCode, 1);
    // A mission brings its table and start; a program is needed; the list takes nothing else.
    EXPECT_EQ(RunCli({"simulate", program, "--mission", "bay", "--arena", "open"}).exitCode, 2);
    EXPECT_EQ(RunCli({"simulate", program, "--mission", "bay", "--start", "30,75,0"}).exitCode, 2);
    EXPECT_EQ(RunCli({"simulate", "--mission", "bay"}).exitCode, 2);
    EXPECT_EQ(RunCli({"simulate", program, "--mission"}).exitCode, 2);
    EXPECT_EQ(RunCli({"simulate", program, "--list-missions"}).exitCode, 2);
}

}  // namespace
}  // namespace kavrin::test
