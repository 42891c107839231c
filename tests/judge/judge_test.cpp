// Judging many programs against missions: the order of the results whatever the number of jobs,
// the progress and the stop, files that cannot be judged, the rules of what a program is made of,
// and what a picture of a run needs.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <atomic>
#include <cmath>
#include <fstream>

#include "fileio/input_file.h"
#include "judge/judge.h"
#include "judge/judge_text.h"
#include "judge/rules.h"
#include "judge_test_util.h"
#include "language_scope.h"
#include "sim/mission_words.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::judge::test {
namespace {

using kavrin::test::TLanguageScope;
using model::akForward;
using model::akGoBack;
using model::akRotateLeft;
using model::akRotateRight;
using model::akStopWait;
using model::akTurnLeft;

sim::Mission Builtin(const char* name) { return *sim::BuiltInMission(name); }

// Every row's line, in order.
std::vector<std::string> Lines(const Result& result) {
    std::vector<std::string> lines;
    for (std::size_t p = 0; p < result.programs.size(); ++p) {
        for (std::size_t m = 0; m < result.missions.size(); ++m)
            lines.push_back(RowLine(result, p, m));
    }
    return lines;
}

TEST(MissionRules, TheFirstRuleBrokenNamesItsStepOrTheListsLength) {
    sim::MissionRules rules;
    rules.tiles = "FLRS";
    rules.maxSteps = 3;
    model::TActionProgram program =
        ProgramOf({{akForward, 10}, {akTurnLeft, 9}, {akRotateRight, 5}});
    std::optional<sim::RuleBreak> broken = CheckRules(program, rules);
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->step, (sim::StepRef{sim::kMainList, 3}));
    EXPECT_EQ(sim::RuleBreakText(*broken),
              "step 3 uses rotate right, which this mission does not allow");
    // The main list's length comes first: three steps are allowed, four are not.
    program.Step(model::kMainList, 4) = {akGoBack, 1, {0, 0, 0}};
    program.Count(model::kMainList) = 4;
    EXPECT_EQ(sim::RuleBreakText(*CheckRules(program, rules)),
              "the main list has 4 steps, this mission allows at most 3");
    // Sensor sets count too, named by their set.
    program = ProgramOf({{akForward, 10}});
    program.Step(model::kSensorSet1, 1) = {akStopWait, 2, {0, 0, 0}};
    program.Step(model::kSensorSet1, 2) = {akRotateLeft, 2, {0, 0, 0}};
    program.Count(model::kSensorSet1) = 2;
    broken = CheckRules(program, rules);
    ASSERT_TRUE(broken);
    EXPECT_FALSE(CheckRules(program, sim::MissionRules{}));
    // A broken rule fails at once, every task still to do.
    const sim::Mission square = Builtin("square");
    const sim::MissionOutcome o = sim::RuleOutcome(square, *broken);
    EXPECT_EQ(o.at, 0);
    EXPECT_EQ(o.open.size(), square.tasks.size());
    EXPECT_EQ(sim::VerdictText(square, o),
              "mission not passed: step 2 of Sensor Set 1 uses rotate left, which this mission "
              "does not allow");

    // The samples that pass and fail each built-in in tests/data/missions do so by driving.
    for (const std::string& name : sim::BuiltInMissionNames()) {
        for (const std::string end : {"-pass.kvn", "-fail.kvn"}) {
            const bool advanced = name == "maze" && end == "-pass.kvn";
            model::TActionProgram sample;
            const std::string path = std::string(KAVRIN_TEST_DATA) + "/missions/" + name + end;
            ASSERT_TRUE(
                model::LoadActionFile(
                    path, advanced ? model::TMode::Advanced : model::TMode::Beginner, sample)
                    .ok);
            EXPECT_FALSE(CheckRules(sample, Builtin(name.c_str()).rules)) << path;
        }
    }
}

TEST(JudgeOne, AProgramInMemoryIsCompiledOnceAndJudgedWithinTheTimeGiven) {
    tokenizer::TTokenizer tokenizer;
    const CompileResult parks = CompileProgram(Parks(), model::TMode::Beginner, false, tokenizer);
    ASSERT_TRUE(parks.compiled) << parks.message;
    EXPECT_TRUE(parks.compiled->variables);  // its running step can be followed
    const sim::Mission bay = Builtin("bay");
    EXPECT_TRUE(JudgeProgram(Parks(), *parks.compiled, bay, 0).outcome.Passed());
    // Cut short, the run is judged but still open.
    const MissionRun cut = JudgeProgram(Parks(), *parks.compiled, bay, 0.5);
    EXPECT_TRUE(cut.judged);
    EXPECT_EQ(cut.outcome.verdict, sim::Verdict::Open);
    // Lists that make no program say why, and give nothing to run.
    const CompileResult outside =
        CompileProgram(ProgramOf({{akGoBack, 2}}), model::TMode::Beginner, false, tokenizer);
    EXPECT_FALSE(outside.compiled);
    EXPECT_FALSE(outside.message.empty());
}

class JudgeClass : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        Save(dir_ / "B, the second.kvn", HitsTheWall());
        Save(dir_ / "anna.kvn", Parks());
        Save(dir_ / "c.KVN",
             ProgramOf({{akForward, 70}, {akRotateLeft, 5}}));  // breaks the bay's tiles
        std::ofstream(dir_ / "notes.txt") << "not a program";
        std::filesystem::create_directory(dir_ / "inner.kvn");  // a folder is no program
        Save(dir_ / "inner.kvn" / "deeper.kvn", Parks());
    }

    Request ClassRequest(unsigned jobs) const {
        Request request;
        const FolderPrograms found = ProgramsInFolder(dir_);
        EXPECT_TRUE(found.error.empty()) << found.error;
        request.programs = found.files;
        request.missions = {Builtin("bay"), Builtin("corridor")};
        request.jobs = jobs;
        return request;
    }

    std::filesystem::path dir_;
};

TEST_F(JudgeClass, RowsComeByFileNameThenMissionWhateverTheJobs) {
    const TLanguageScope english(resources::TLanguage::English);
    const FolderPrograms found = ProgramsInFolder(dir_);
    ASSERT_EQ(found.files.size(), 3u);
    EXPECT_EQ(found.files[0].filename(), "anna.kvn");
    EXPECT_EQ(found.files[1].filename(), "B, the second.kvn");
    EXPECT_EQ(found.files[2].filename(), "c.KVN");

    const Result one = Judge(ClassRequest(1));
    const std::vector<std::string> lines = Lines(one);
    ASSERT_EQ(lines.size(), 6u);
    const std::string d = ShownPath(dir_ / "");  // the folder with the system's separator
    EXPECT_EQ(lines[0].rfind(d + "anna.kvn: bay: mission passed in ", 0), 0u) << lines[0];
    EXPECT_EQ(lines[3].rfind(
                  d + "B, the second.kvn: corridor: mission not passed: touched a wall at ", 0),
              0u);
    EXPECT_EQ(
        lines[4],
        d + "c.KVN: bay: mission not passed: step 2 uses rotate left, which this mission does not "
            "allow");
    EXPECT_FALSE(one.AllPassed());
    // Each run has a fresh robot of its own: four workers give the same rows, byte for byte.
    for (unsigned jobs : {2u, 4u, 16u}) {
        const Result many = Judge(ClassRequest(jobs));
        EXPECT_EQ(Lines(many), lines) << jobs;
        EXPECT_EQ(CsvText(many), CsvText(one)) << jobs;
    }
    // The same file given twice, or through another spelling of its path, is judged once.
    Request twice = ClassRequest(2);
    twice.programs.push_back(dir_ / "." / "anna.kvn");
    EXPECT_EQ(Judge(twice).programs.size(), 3u);
}

TEST_F(JudgeClass, ProgressComesOneCallAtATimeAndAStopLeavesTheRestUndone) {
    std::atomic<int> inside{0};
    std::size_t last = 0;
    bool overlapped = false;
    Judge(ClassRequest(4), [&](const Progress& p) {
        overlapped |= inside.fetch_add(1) != 0;
        EXPECT_EQ(p.done, last + 1);
        EXPECT_EQ(p.total, 6u);
        last = p.done;
        inside.fetch_sub(1);
    });
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(last, 6u);

    // Stopped after the first run: what ran is kept, the rest is not judged.
    std::stop_source stop;
    const Result cut = Judge(
        ClassRequest(1), [&](const Progress&) { stop.request_stop(); }, stop.get_token());
    EXPECT_TRUE(cut.stopped);
    EXPECT_TRUE(cut.programs[0].runs[0].judged);
    EXPECT_FALSE(cut.programs[0].runs[1].judged);
    EXPECT_EQ(cut.programs[2].problem, FileProblem::Stopped);
    EXPECT_EQ(RowLine(cut, 0, 1), ShownPath(dir_ / "anna.kvn") + ": corridor: not judged: stopped");
    EXPECT_FALSE(cut.AllPassed());
}

TEST_F(JudgeClass, ARunKeepsThePathDrivenAndWhereItTouched) {
    const Result result = Judge(ClassRequest(2));
    const MissionRun& parked = result.programs[0].runs[0];
    ASSERT_TRUE(parked.outcome.Passed());
    EXPECT_FALSE(parked.touch);
    ASSERT_GT(parked.path.size(), 20u);
    EXPECT_EQ(parked.path.front().x, 30);  // from the bay's start
    EXPECT_GT(parked.path.back().x, 130);  // into the bay
    for (std::size_t i = 1; i < parked.path.size(); ++i) {
        EXPECT_GE(std::hypot(parked.path[i].x - parked.path[i - 1].x,
                             parked.path[i].y - parked.path[i - 1].y),
                  kPathSpacingCm * 0.999);
    }
    const MissionRun& crashed = result.programs[1].runs[0];
    ASSERT_TRUE(crashed.touch);
    double front = 0;
    for (const sim::Vec2& c : *crashed.touch) front = std::max(front, c.x);
    EXPECT_NEAR(front, 180, 0.5);  // against the bay's back wall
    EXPECT_EQ(result.programs[2].runs[0].path.size(),
              1u);  // a rule broken: it never left the start
}

TEST(JudgeFiles, AFileThatCannotBeJudgedIsARowWithItsReason) {
    const TLanguageScope english(resources::TLanguage::English);
    const std::filesystem::path dir = FreshFolder("bad");
    std::ofstream(dir / "text.kvn") << "just some text";
    Save(dir / "damaged.kvn", Parks());
    {
        std::fstream f(dir / "damaged.kvn", std::ios::in | std::ios::out | std::ios::binary);
        f.seekp(static_cast<std::streamoff>(model::kOffsetLists +
                                            model::kStepSize));  // step 1 of the main list
        f.put(9);                                                // no such kind
    }
    Save(dir / "advanced.kvn", Parks(), model::TMode::Advanced);
    Save(dir / "outside.kvn", ProgramOf({{akForward, 10}, {akGoBack, 5}}));
#ifndef _WIN32
    ASSERT_EQ(::mkfifo((dir / "pipe.kvn").c_str(), 0600), 0);
#else
    std::filesystem::create_directory(dir / "pipe.kvn");  // a folder given by name is refused alike
#endif

    Request request;
    request.programs = {dir / "text.kvn",    dir / "damaged.kvn", dir / "advanced.kvn",
                        dir / "outside.kvn", dir / "pipe.kvn",    dir / "missing.kvn"};
    request.missions = {Builtin("bay")};
    const Result result = Judge(request);  // a FIFO is refused without waiting for a writer
    // By name: advanced, damaged, missing, outside, pipe, text.
    const std::pair<FileProblem, const char*> expected[] = {
        {FileProblem::WrongMode, "saved in Advanced Mode"},
        {FileProblem::Damaged, "Not proper Kavrin file format."},
        {FileProblem::Unreadable, "No such file or folder"},
        {FileProblem::NotGenerated, "goes back to step 5"},
#ifndef _WIN32
        {FileProblem::Unreadable, "It is not a regular file"},
#else
        {FileProblem::Unreadable, "It is a folder"},
#endif
        {FileProblem::NotKavrin, "Not proper Kavrin file format."}};
    ASSERT_EQ(result.programs.size(), std::size(expected));
    for (std::size_t p = 0; p < result.programs.size(); ++p) {
        EXPECT_EQ(result.programs[p].problem, expected[p].first) << p;
        EXPECT_FALSE(result.programs[p].runs[0].judged);
        const std::string line = RowLine(result, p, 0);
        EXPECT_NE(line.find(": bay: not judged: "), std::string::npos) << line;
        EXPECT_NE(line.find(expected[p].second), std::string::npos) << line;
    }
    EXPECT_FALSE(result.AllPassed());
    EXPECT_FALSE(ProgramsInFolder(dir / "missing-folder").error.empty());
}

TEST(JudgeText, CsvQuotesWhatNeedsQuotingAndListsReadAsWords) {
    EXPECT_EQ(CsvField("plain"), "plain");
    EXPECT_EQ(CsvField("Νίκος, Ελένη"), "\"Νίκος, Ελένη\"");
    EXPECT_EQ(CsvField("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvField("two\r\nlines"), "\"two\r\nlines\"");

    Result result;
    result.missions = {Builtin("square")};
    ProgramResult p;
    p.file =
        fileio::PathFromUtf8("class/\"Ελένη\", 2.kvn");  // UTF-8, whatever the system's code page
    p.problem = FileProblem::NotKavrin;
    p.message = "Not proper Kavrin file format.";
    p.runs.resize(1);
    result.programs.push_back(p);
    EXPECT_EQ(CsvText(result),
              "\xEF\xBB\xBF"
              "file,mission,passed,time_s,reason,step\r\n"
              "\"class/\"\"Ελένη\"\", 2.kvn\",square,no,,Not proper Kavrin file format.,\r\n");

    model::TActionProgram program = ProgramOf({{akForward, 12}, {akStopWait, 5}, {akGoBack, 1}});
    EXPECT_EQ(ListInWords(program, model::kMainList, model::TMode::Beginner),
              (std::vector<std::string>{"1. forward 1.2 s", "2. stop and wait 0.5 s",
                                        "3. go back to step 1"}));
    program.Step(model::kMainList, 1).sensors = {0, 1, 2};
    EXPECT_EQ(ListInWords(program, model::kMainList, model::TMode::Advanced)[0],
              "1. forward 1.2 s (both: Sensor Set All, left: Sensor Set 1, right: Sensor Set 2)");
    EXPECT_EQ(ListName(model::kSensorSetAll), "Sensor Set All");
    EXPECT_EQ(ListName(model::kSensorSet4), "Sensor Set 4");
}

}  // namespace
}  // namespace kavrin::judge::test
