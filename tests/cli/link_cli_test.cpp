// kavrin-cli ports, download and sim-pty, run as a user would. Downloads go to the virtual
// robot only, so no test depends on the serial hardware of the machine.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli_runner.h"
#include "model/document.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::test {
namespace {

constexpr std::size_t kEepromSize = 2048;
constexpr std::size_t kRowSize = 16;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// The EEPROM a robot holds after receiving the source's blocks: the tokenizer's image on every
// row sent, zero elsewhere (the virtual robot starts empty in each process).
std::string ExpectedEeprom(const std::string& source) {
    tokenizer::TTokenizer tokenizer;
    EXPECT_TRUE(tokenizer.LoadSource(source));
    EXPECT_EQ(tokenizer.Tokenize(), 1);
    const tokenizer::TTokenizerResult& result = tokenizer.Result();
    std::string eeprom(kEepromSize, '\0');
    for (std::size_t b = 0; b < result.BlockCount; ++b) {
        const std::size_t row = result.Blocks[b][0] - 0x80u;
        for (std::size_t i = 0; i < kRowSize; ++i) {
            eeprom[row * kRowSize + i] = static_cast<char>(result.EepromImage[row * kRowSize + i]);
        }
    }
    return eeprom;
}

const std::string kProgram = "' {$KORBLE KR2}\r\nx VAR Byte\r\nx = 5\r\nEND";

TEST(CliPorts, ListsTheVirtualRobotLast) {
    const CliRun run = RunCli({"ports"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    ASSERT_GE(run.out.size(), 4u);
    EXPECT_EQ(run.out.substr(run.out.size() - 4), "SIM\n");
    EXPECT_EQ(RunCli({"ports", "extra"}).exitCode, 2);
}

TEST(CliDownload, SourceToTheVirtualRobotLeavesTheTokenizersImage) {
    const std::string dir = TempDir();
    WriteFile(dir + "/prog.vel", kProgram);
    const CliRun run = RunCli(
        {"download", dir + "/prog.vel", "--port", "SIM", "--dump-eeprom", dir + "/eeprom.bin"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("SIM:"), std::string::npos);  // the port status table
    EXPECT_NE(run.out.find("v1.0"), std::string::npos);
    EXPECT_NE(run.out.find("to SIM."), std::string::npos);
    const std::string eeprom = ReadFile(dir + "/eeprom.bin");
    ASSERT_EQ(eeprom.size(), kEepromSize);
    EXPECT_EQ(eeprom, ExpectedEeprom(kProgram));
    std::filesystem::remove_all(dir);
}

TEST(CliDownload, ActionFileIsGeneratedThenDownloaded) {
    const std::string dir = TempDir();
    const std::string file = dir + "/prog.kvn";
    model::TActionDocument doc(model::TMode::Beginner);
    doc.InsertStepIntoList(model::kMainList, 1, model::TBotAction{model::akForward, 20, {}});
    doc.InsertIntoList(model::kMainList, 2, 1, model::akGoBack);
    ASSERT_TRUE(doc.SaveFile(file).ok);

    const CliRun generated = RunCli({"generate", file, "--sensors"});
    ASSERT_EQ(generated.exitCode, 0) << generated.err;
    const CliRun run = RunCli(
        {"download", file, "--sensors", "--port", "SIM", "--dump-eeprom", dir + "/eeprom.bin"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadFile(dir + "/eeprom.bin"), ExpectedEeprom(generated.out));
    std::filesystem::remove_all(dir);
}

TEST(CliDownload, TokenizerErrorSendsNothing) {
    const std::string dir = TempDir();
    WriteFile(dir + "/bad.vel", "' {$KORBLE KR2}\r\nGOTO nowhere\r\n");
    const CliRun run = RunCli({"download", dir + "/bad.vel", "--port", "SIM"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("Error! Tokenization Failed!"), std::string::npos);
    EXPECT_EQ(run.out.find("SIM:"), std::string::npos);  // no scan was made
    std::filesystem::remove_all(dir);
}

TEST(CliDownload, OverlongSourceSaysWhy) {
    const std::string dir = TempDir();
    WriteFile(dir + "/long.vel", std::string(65536, '\''));
    const CliRun run = RunCli({"download", dir + "/long.vel", "--port", "SIM"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find(dir + "/long.vel: Error! Tokenization Failed!"), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find(dir + "/long.vel: source is longer than 65535 characters"),
              std::string::npos)
        << run.err;
    // An endless device is refused before it is read.
    const CliRun device = RunCli({"download", "/dev/zero", "--port", "SIM"});
    EXPECT_EQ(device.exitCode, 1);
    EXPECT_NE(device.err.find("/dev/zero: cannot read: not a regular file"), std::string::npos)
        << device.err;
}

TEST(CliDownload, Kr1ProgramIsRefusedNotSent) {
    const std::string dir = TempDir();
    WriteFile(dir + "/kr1.vel", "' {$KORBLE KR1}\r\nHIGH 1\r\n");
    const CliRun run = RunCli({"download", dir + "/kr1.vel", "--port", "SIM"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("is a KR1 program; downloads go to KR2-type modules only"),
              std::string::npos)
        << run.err;
    EXPECT_EQ(run.out.find("SIM:"), std::string::npos);
    EXPECT_EQ(run.out.find("Downloaded"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(CliDownload, UnknownPortIsAnErrorNotAnAutomaticSearch) {
    const std::string dir = TempDir();
    WriteFile(dir + "/prog.vel", kProgram);
    const CliRun run = RunCli({"download", dir + "/prog.vel", "--port", "ttyNoSuchPort"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("ttyNoSuchPort"), std::string::npos);
    EXPECT_NE(run.err.find("SIM"), std::string::npos);  // the ports there are
    EXPECT_EQ(run.out, "");
    std::filesystem::remove_all(dir);
}

TEST(CliDownload, UsageErrors) {
    EXPECT_EQ(RunCli({"download"}).exitCode, 2);
    EXPECT_EQ(RunCli({"download", "a.vel", "--port"}).exitCode, 2);
    EXPECT_EQ(RunCli({"download", "a.vel", "b.vel"}).exitCode, 2);
    EXPECT_EQ(RunCli({"download", "a.vel", "--bogus"}).exitCode, 2);
    // The EEPROM can only be read back from the virtual robot.
    EXPECT_EQ(RunCli({"download", "a.vel", "--port", "/dev/null", "--dump-eeprom", "x"}).exitCode,
              2);
    EXPECT_EQ(RunCli({"download", "--help"}).exitCode, 0);
    EXPECT_EQ(RunCli({"download", "/no/such/file.vel", "--port", "SIM"}).exitCode, 1);
    const CliRun folder = RunCli({"download", TempDir(), "--port", "SIM"});  // read error, no abort
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_NE(folder.err.find("cannot read"), std::string::npos);
}

// sim-pty serves the robot on a pseudo-terminal that download reaches through the real serial
// backend, named by its device path.
TEST(CliSimPty, DownloadThroughThePseudoTerminal) {
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(pipe(toChild), 0);
    ASSERT_EQ(pipe(fromChild), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDERR_FILENO);
        close(toChild[1]);
        close(fromChild[0]);
        execl(KAVRIN_CLI, KAVRIN_CLI, "sim-pty", "--stdin", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    FILE* out = fdopen(fromChild[0], "r");
    char line[256] = {};
    const bool named = out != nullptr && std::fgets(line, sizeof line, out) != nullptr;
    std::string device = named ? line : "";
    if (!device.empty() && device.back() == '\n') {
        device.pop_back();
    }

    CliRun run;
    const std::string dir = TempDir();
    if (device.starts_with("/")) {
        WriteFile(dir + "/prog.vel", kProgram);
        run = RunCli({"download", dir + "/prog.vel", "--port", device});
    }
    close(toChild[1]);  // ends the server
    int status = 0;
    waitpid(pid, &status, 0);
    if (out) {
        std::fclose(out);
    }
    std::filesystem::remove_all(dir);
    if (!device.starts_with("/")) {
        GTEST_SKIP() << "no pseudo-terminal available";
    }
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("to " + device), std::string::npos);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

}  // namespace
}  // namespace kavrin::test
