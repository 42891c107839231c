// kavrin-cli judge: a class's programs against missions, one line each in a fixed order, the
// exit codes, the CSV table and the report, and what it refuses; simulate with a mission's rules.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>

#include "cli_runner.h"
#include "model/kvn_file.h"

namespace kavrin::test {
namespace {

using namespace kavrin::model;

void Save(const std::string& path, std::initializer_list<TBotAction> steps) {
    TActionProgram program;
    int k = 0;
    for (const TBotAction& s : steps) program.Step(kMainList, ++k) = s;
    program.Count(kMainList) = k;
    ASSERT_TRUE(SaveActionFile(path, program, TMode::Beginner).ok);
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Three pupils: one parks in the bay, one drives into its wall, one turns, which parking forbids.
std::string Class() {
    const std::string dir = TempDir() + "/class";
    std::filesystem::create_directories(dir);
    Save(dir + "/zoe.kvn", {{akForward, 70, {}}, {akStopWait, 20, {}}});
    Save(dir + "/Ανδρέας, Β2.kvn", {{akForward, 100, {}}, {akStopWait, 20, {}}});
    Save(dir + "/mia.kvn", {{akForward, 30, {}}, {akTurnLeft, 9, {}}});
    std::ofstream(dir + "/readme.txt") << "not judged";
    return dir;
}

TEST(CliJudge, PrintsALinePerProgramAndMissionInOrderAndExitsFourWhenOneFailed) {
    const std::string dir = Class();
    const CliRun run = RunCli({"judge", "--mission", "bay", "--mission", "square", dir});
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_EQ(run.err, "");
    const std::string d = dir + "/";
    EXPECT_TRUE(std::regex_match(
        run.out, std::regex(d +
                            "mia\\.kvn: bay: mission not passed: step 2 uses turn left, which this "
                            "mission does not allow\n" +
                            d +
                            "mia\\.kvn: square: mission not passed: the program ended at "
                            "\\d+\\.\\d s, still to do: "
                            "[^\n]+\n" +
                            d + "zoe\\.kvn: bay: mission passed in \\d+\\.\\d s\n" + d +
                            "zoe\\.kvn: square: mission not passed: [^\n]+\n" + d +
                            "Ανδρέας, Β2\\.kvn: bay: mission not passed: touched a wall at "
                            "\\d+\\.\\d s during step 1 "
                            "\\(forward\\)\n" +
                            d + "Ανδρέας, Β2\\.kvn: square: mission not passed: [^\n]+\n")))
        << run.out;

    // All passed: exit 0, with the verdict simulate gives.
    const CliRun one = RunCli({"judge", d + "zoe.kvn", "--mission", "bay"});
    EXPECT_EQ(one.exitCode, 0) << one.err;
    const std::string simulated = RunCli({"simulate", d + "zoe.kvn", "--mission", "bay"}).out;
    EXPECT_EQ(one.out, d + "zoe.kvn: bay: " + simulated.substr(simulated.rfind("mission passed")));

    // A file that is no program is a row, not the end of the run.
    const CliRun notes = RunCli({"judge", "--mission", "bay", d + "readme.txt", d + "zoe.kvn"});
    EXPECT_EQ(notes.exitCode, 4);
    EXPECT_EQ(notes.out.substr(0, notes.out.find('\n')),
              d + "readme.txt: bay: not judged: Not proper Kavrin file format.");
}

TEST(CliJudge, JobsChangeNothingInTheLinesTheTableOrTheReport) {
    const std::string dir = Class();
    std::vector<std::string> outputs[2];
    for (int i = 0; i < 2; ++i) {
        const std::string csv = TempDir() + "/jobs" + std::to_string(i) + ".csv";
        const std::string html = TempDir() + "/jobs" + std::to_string(i) + ".html";
        const CliRun run = RunCli({"judge", "--jobs", i == 0 ? "1" : "4", "--mission", "bay",
                                   "--mission", "corridor", dir, "--csv", csv, "--report", html});
        EXPECT_EQ(run.exitCode, 4) << run.err;
        outputs[i] = {run.out, Slurp(csv), Slurp(html)};
    }
    EXPECT_EQ(outputs[0], outputs[1]);

    // The table: a byte-order mark, CR LF, names with commas quoted, a row per line printed.
    const std::string& csv = outputs[0][1];
    EXPECT_EQ(csv.rfind("\xEF\xBB\xBF"
                        "file,mission,passed,time_s,reason,step\r\n",
                        0),
              0u)
        << csv;
    EXPECT_TRUE(std::regex_search(
        csv, std::regex("\r\n\"" + dir +
                        "/Ανδρέας, Β2\\.kvn\",bay,no,\\d+\\.\\d{3},"
                        "touched a wall at \\d+\\.\\d s,step 1 \\(forward\\)\r\n")))
        << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 7);
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\r'), 7);
    EXPECT_EQ(std::count(outputs[0][0].begin(), outputs[0][0].end(), '\n'), 6);
}

TEST(CliJudge, RefusesWhatStopsTheWholeRun) {
    const std::string dir = Class();
    const std::string empty = TempDir() + "/empty";
    std::filesystem::create_directories(empty);
    const CliRun none = RunCli({"judge", "--mission", "bay", empty});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.err, "kavrin-cli: the folder " + empty + " holds no .kvn files\n");
    EXPECT_EQ(none.out, "");

    const std::string bad = TempDir() + "/bad.mission";
    std::ofstream(bad) << "zone A 10 10 5 5\nreach A\ntiles F Z\n";
    const CliRun mission = RunCli({"judge", "--mission", "bay", "--mission", bad, dir});
    EXPECT_EQ(mission.exitCode, 1);
    EXPECT_EQ(mission.err,
              "kavrin-cli: " + bad + ":3: \"Z\" is not a letter of a step: F B L R E I S G\n");
    EXPECT_EQ(mission.out, "");

    // A file that cannot be written (a folder stands there): the lines are printed, what was
    // there stays, exit 1.
    const std::string kept = TempDir() + "/kept.csv";
    std::filesystem::create_directories(kept);
    std::ofstream(kept + "/inside") << "old";
    const CliRun unwritable = RunCli({"judge", "--mission", "bay", dir, "--csv", kept});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("kavrin-cli: cannot write " + kept + ": "), std::string::npos)
        << unwritable.err;
    EXPECT_EQ(Slurp(kept + "/inside"), "old");
    EXPECT_NE(unwritable.out.find("zoe.kvn: bay: mission passed"), std::string::npos);

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"judge"},
             {"judge", dir},
             {"judge", "--mission", "bay"},
             {"judge", dir, "--mission"},
             {"judge", "--mission", "bay", dir, "--jobs", "0"},
             {"judge", "--mission", "bay", dir, "--jobs", "x"},
             {"judge", "--mission", "bay", dir, "--csv", "a", "--csv", "b"},
             {"judge", "--mission", "bay", dir, "--what"}}) {
        EXPECT_EQ(RunCli(args).exitCode, 2) << args.size();
    }
    const CliRun help = RunCli({"judge", "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.out.rfind("usage: kavrin-cli judge", 0), 0u);
    EXPECT_NE(RunCli({"--help"}).out.find("  judge --mission NAME|FILE"), std::string::npos);
}

TEST(CliSimulate, AProgramThatBreaksTheMissionsRulesFailsAtOnce) {
    const std::string program = TempDir() + "/nine.kvn";
    Save(program, {{akForward, 10, {}},
                   {akTurnLeft, 9, {}},
                   {akForward, 10, {}},
                   {akTurnLeft, 9, {}},
                   {akForward, 10, {}},
                   {akTurnLeft, 9, {}},
                   {akForward, 10, {}},
                   {akTurnLeft, 9, {}},
                   {akStopWait, 5, {}}});
    const CliRun run = RunCli({"simulate", program, "--mission", "square"});
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_EQ(run.out,
              "mission not passed: the main list has 9 steps, this mission allows at most 8\n");
    // A program written as source has no lists: the rules are not checked, and it says so.
    const std::string source = TempDir() + "/still.vel";
    std::ofstream(source, std::ios::binary) << "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\nEND\r\n";
    const CliRun plain = RunCli({"simulate", source, "--mission", "square", "--seconds", "1"});
    EXPECT_EQ(
        plain.err,
        "kavrin-cli: the mission's tiles and steps rules are checked for .kvn programs only\n");
    EXPECT_EQ(plain.exitCode, 4);
}

}  // namespace
}  // namespace kavrin::test
