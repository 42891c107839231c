// The files kavrin-cli reads and writes: nothing lost (a write that fails leaves the old file,
// two downloads at once each report what the file holds), nothing that hangs (a FIFO, a folder,
// a huge file are refused at once), and every message about a file names it.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "sim/eeprom_store.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string Source(const std::string& body) { return "' {$KORBLE KR2}\r\n" + body; }

// The image the tokenizer makes of a source.
sim::StoredEeprom ImageOf(const std::string& source) {
    tokenizer::TTokenizer tokenizer;
    EXPECT_TRUE(tokenizer.LoadSource(source));
    EXPECT_EQ(tokenizer.Tokenize(), 1);
    sim::StoredEeprom image{};
    std::copy(tokenizer.Result().EepromImage.begin(), tokenizer.Result().EepromImage.end(),
              image.begin());
    return image;
}

std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Two downloads to the virtual robot at once, a hundred times: the file always ends with one
// whole image, the download whose image it is said "Downloaded", and neither reports a failure
// (each image was written; the other's came after it). The rounds run in four streams, each on
// a file of its own, so that the hundred take a quarter of the time.
TEST(CliFiles, DownloadsAtOnceEachReportWhatTheFileHolds) {
    const std::string dir = TempDir();
    // The two programs fill the same rows, so each image is whole whatever the robot held before.
    const std::string a = Source("DEBUG \"A\"\r\nEND\r\n"), b = Source("DEBUG \"B\"\r\nEND\r\n");
    WriteFile(dir + "/a.vel", a);
    WriteFile(dir + "/b.vel", b);
    const sim::StoredEeprom imageA = ImageOf(a), imageB = ImageOf(b);
    ASSERT_NE(imageA, imageB);
    constexpr int kStreams = 4, kRounds = 25;
    fs::create_directory(dir + "/runs");
    for (int s = 1; s <= kStreams; ++s) fs::create_directory(dir + "/robot" + std::to_string(s));
    const CliRun all = RunScript("d=" + ShellQuote(dir) +
                                 "\n"
                                 "stream() {\n"
                                 "  export KAVRIN_SIM_EEPROM=\"$d/robot$1/robot.eeprom\"\n"
                                 "  i=1\n"
                                 "  while [ $i -le " +
                                 std::to_string(kRounds) +
                                 " ]; do\n"
                                 "    r=\"$d/runs/$1.$i\"\n"
                                 "    \"$KAVRIN_CLI\" download \"$d/a.vel\" --port SIM "
                                 ">\"$r.a.out\" 2>\"$r.a.err\" & pa=$!\n"
                                 "    \"$KAVRIN_CLI\" download \"$d/b.vel\" --port SIM "
                                 ">\"$r.b.out\" 2>\"$r.b.err\" & pb=$!\n"
                                 "    wait $pa; echo $? >\"$r.a.rc\"\n"
                                 "    wait $pb; echo $? >\"$r.b.rc\"\n"
                                 "    cp \"$KAVRIN_SIM_EEPROM\" \"$r.held\"\n"
                                 "    i=$((i + 1))\n"
                                 "  done\n"
                                 "}\n"
                                 "s=1\n"
                                 "while [ $s -le " +
                                 std::to_string(kStreams) +
                                 " ]; do stream $s & s=$((s + 1)); done\n"
                                 "wait\n");
    ASSERT_EQ(all.exitCode, 0) << all.err;
    int heldA = 0, heldB = 0;
    for (int s = 1; s <= kStreams; ++s) {
        for (int i = 1; i <= kRounds; ++i) {
            SCOPED_TRACE("stream " + std::to_string(s) + ", round " + std::to_string(i));
            const std::string r = dir + "/runs/" + std::to_string(s) + "." + std::to_string(i);
            sim::StoredEeprom held{};
            std::string problem;
            ASSERT_TRUE(sim::LoadEepromFile(r + ".held", held, &problem)) << problem;
            ASSERT_TRUE(held == imageA || held == imageB);
            (held == imageA ? heldA : heldB) += 1;
            for (const char* who : {"a", "b"}) {
                const std::string out = ReadFile(r + "." + who + ".out");
                EXPECT_EQ(ReadFile(r + "." + who + ".rc"), "0\n")
                    << who << ": " << ReadFile(r + "." + who + ".err");
                EXPECT_NE(out.find("Downloaded"), std::string::npos) << who << ": " << out;
            }
        }
        // Nothing but the file and its lock: no writer's temporary was left behind.
        EXPECT_EQ(Entries(dir + "/robot" + std::to_string(s)),
                  (std::vector<std::string>{"robot.eeprom", "robot.eeprom.lock"}));
    }
    EXPECT_EQ(heldA + heldB, kStreams * kRounds);
}

// A write cut short by the file-size limit (SIGXFSZ ignored, so the write fails instead of the
// process) is reported, and the old file stays whole where it was.
TEST(CliFiles, AWriteThatFailsHalfWayKeepsTheOldFile) {
    const std::string dir = TempDir();
    const std::string source = dir + "/prog.vel";
    WriteFile(source, Source("DEBUG \"x\"\r\nPULSOUT 13, 850\r\nPAUSE 20\r\nEND\r\n"));
    const std::string old(300, 'o');
    const std::string limited = "trap '' XFSZ; ulimit -f 1; exec \"$KAVRIN_CLI\" ";  // 512 bytes
    struct Case {
        const char* file;
        std::string args;
    };
    const Case cases[] = {
        {"image.bin", "compile " + ShellQuote(source) + " --image "},
        {"run.csv", "simulate " + ShellQuote(source) + " --seconds 2 --timeline "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const std::string target = dir + "/" + c.file;
        WriteFile(target, old);
        const CliRun run = RunScript(limited + c.args + ShellQuote(target));
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find("kavrin-cli: " + target + ": cannot write"), std::string::npos)
            << run.err;
        EXPECT_NE(run.err.find("File too large"), std::string::npos) << run.err;
        EXPECT_EQ(ReadFile(target), old);
        // Without the limit the same command replaces it.
        EXPECT_EQ(RunScript("exec \"$KAVRIN_CLI\" " + c.args + ShellQuote(target)).exitCode, 0);
        EXPECT_NE(ReadFile(target), old);
    }
    // The dump names its file when it cannot be written.
    const CliRun dump =
        RunCli({"download", source, "--port", "SIM", "--dump-eeprom", dir + "/none/dump.bin"});
    EXPECT_EQ(dump.exitCode, 1);
    EXPECT_NE(dump.err.find(dir + "/none/dump.bin: cannot write: No such file or directory"),
              std::string::npos)
        << dump.err;
    EXPECT_EQ(Entries(dir), (std::vector<std::string>{"image.bin", "prog.vel", "run.csv"}));
}

// Opening a FIFO to read waits for a writer: every command refuses one at once (a hang would end
// in the time-out's exit 124), naming it; so are a folder and a file far past its format's size.
TEST(CliFiles, FifosFoldersAndHugeFilesAreRefusedAtOnce) {
    const std::string dir = TempDir();
    const std::string kvn = dir + "/p.kvn", vel = dir + "/p.vel", table = dir + "/p.arena";
    for (const std::string& fifo : {kvn, vel, table}) ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const std::string good = dir + "/good.vel";
    WriteFile(good, Source("END\r\n"));
    struct Case {
        std::vector<std::string> args;
        std::string named;  // the file the message starts with, and what it says
        std::string reason;
    };
    const std::string kvnReason = ": It is not a regular file";
    const std::string velReason = ": cannot read: not a regular file";
    const std::vector<Case> cases = {
        {{"show", kvn}, kvn, kvnReason},
        {{"generate", kvn}, kvn, kvnReason},
        {{"compile", vel}, vel, velReason},
        {{"run", kvn}, kvn, kvnReason},
        {{"run", vel}, vel, velReason},
        {{"simulate", kvn}, kvn, kvnReason},
        {{"simulate", vel}, vel, velReason},
        {{"download", kvn, "--port", "SIM"}, kvn, kvnReason},
        {{"download", vel, "--port", "SIM"}, vel, velReason},
        {{"simulate", good, "--arena", table}, table, ": cannot read: It is not a regular file"},
        {{"simulate", good, "--mission", table}, table, ": cannot read: It is not a regular file"},
        {{"show", dir}, dir, ": It is a folder"},
        {{"compile", dir}, dir, ": cannot read: Is a directory"},
    };
    for (const Case& c : cases) {
        std::string line = "exec timeout 10 \"$KAVRIN_CLI\"";
        for (const std::string& a : c.args) line += " " + ShellQuote(a);
        SCOPED_TRACE(line);
        const CliRun run = RunScript(line);
        EXPECT_EQ(run.exitCode, 1) << run.err;
        EXPECT_NE(run.err.find("kavrin-cli: " + c.named + c.reason + "\n"), std::string::npos)
            << run.err;
    }

    // 110 MB (a sparse file, read no further than the format's limit and one byte).
    constexpr std::uintmax_t kHuge = 110u * 1024u * 1024u;
    const std::string bigKvn = dir + "/big.kvn", bigVel = dir + "/big.vel",
                      bigTable = dir + "/big.arena";
    for (const std::string& big : {bigKvn, bigVel, bigTable}) {
        WriteFile(big, "");
        fs::resize_file(big, kHuge);
    }
    const CliRun kvnRun = RunCli({"show", bigKvn});
    EXPECT_EQ(kvnRun.exitCode, 1);
    EXPECT_EQ(kvnRun.err, "kavrin-cli: " + bigKvn + ": Not proper Kavrin file format.\n");
    const CliRun velRun = RunCli({"compile", bigVel});
    EXPECT_EQ(velRun.exitCode, 1);
    EXPECT_EQ(velRun.err, "kavrin-cli: " + bigVel + ": source is longer than 65535 characters\n");
    const CliRun tableRun = RunCli({"simulate", good, "--arena", bigTable});
    EXPECT_EQ(tableRun.exitCode, 1);
    EXPECT_EQ(tableRun.err,
              "kavrin-cli: " + bigTable + ": cannot read: It is larger than 1048576 bytes\n");
}

// What is wrong with a file is said after its name, and a source's error at its line and column
// in every command that compiles one, as `compile` does.
TEST(CliFiles, MessagesNameTheFileAndThePlaceInIt) {
    const std::string dir = TempDir();
    const std::string bad = dir + "/square.kvn";
    WriteFile(bad, std::string(9240, 'x'));
    for (const char* command : {"show", "generate", "run", "simulate"}) {
        const CliRun run = RunCli({command, bad});
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_EQ(run.err, "kavrin-cli: " + bad + ": Not proper Kavrin file format.\n") << command;
    }
    const std::string source = dir + "/bad.vel";
    WriteFile(source, Source("GOTO nowhere\r\n"));
    const std::string place = source + ":2:6: error: ";
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"compile", source},
                                               {"download", source, "--port", "SIM"},
                                               {"run", source},
                                               {"simulate", source}}) {
        const CliRun run = RunCli(args);
        EXPECT_EQ(run.exitCode, 1) << args[0];
        EXPECT_NE(run.err.find(place), std::string::npos) << args[0] << ": " << run.err;
        EXPECT_NE(run.err.find("GOTO nowhere\n     ^"), std::string::npos)
            << args[0] << ": " << run.err;
    }

    // A damaged EEPROM file is said to be damaged, not merely empty.
    const std::string eeprom = dir + "/robot.eeprom";
    WriteFile(eeprom, std::string(2056, 'x'));
    const CliRun held = RunCli({"run", "--held"}, {}, "KAVRIN_SIM_EEPROM=" + ShellQuote(eeprom));
    EXPECT_EQ(held.exitCode, 1);
    EXPECT_NE(held.err.find("kavrin-cli: " + eeprom +
                            " is damaged: it does not start with KEE1; the virtual "
                            "robot's EEPROM reads as empty\n"),
              std::string::npos)
        << held.err;
    EXPECT_NE(held.err.find("the virtual robot holds no program"), std::string::npos) << held.err;
}

}  // namespace
}  // namespace kavrin::test
