// kavrin-cli run: a program on the virtual robot, its output, trace, input and stop reason, and
// the program the virtual robot keeps from a download to SIM.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>

#include "cli_runner.h"

namespace kavrin::test {
namespace {

std::string WriteProgram(const std::string& name, const std::string& body) {
    const std::string path = TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << "'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n" << body;
    return path;
}

void SetEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    setenv(name, value.c_str(), 1);
#endif
}

TEST(CliRun, PrintsWhatTheProgramSendsAndWhyItStopped) {
    const std::string path =
        WriteProgram("count.vel", "FOR B0 = 1 TO 3: DEBUG DEC B0, CR: NEXT\r\nDEBUG \"done\"\r\n");
    const CliRun run = RunCli({"run", path});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "1\n2\n3\ndone");
    EXPECT_EQ(run.err, "kavrin-cli: the program ended with END\n");
}

TEST(CliRun, TraceInputAndTimeLimit) {
    const std::string path = WriteProgram(
        "echo.vel", "SERIN 16, 84, [B0]\r\nDEBUG B0\r\nPULSOUT 13, 850\r\nPAUSE 5000\r\n");
    const CliRun run = RunCli({"run", path, "--input", "k", "--trace", "--seconds", "0.5"});
    EXPECT_EQ(run.exitCode, 0);
    // The byte, the pulse (the pin turns output first), each with its virtual time.
    ASSERT_EQ(run.out.substr(0, 2), "k\n");
    EXPECT_NE(run.out.find(" LOW 13\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(" PULSOUT 13 850\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.err, "kavrin-cli: still running after 0.500000 s\n");
}

TEST(CliRun, FaultsAndBadArguments) {
    const CliRun fault = RunCli({"run", WriteProgram("ret.vel", "RETURN\r\n")});
    EXPECT_EQ(fault.exitCode, 1);
    EXPECT_EQ(fault.err,
              "kavrin-cli: the program stopped at 0.000250 s: RETURN without GOSUB at bit 14\n");
    const CliRun bad = RunCli({"run", WriteProgram("bad.vel", "HIGH\r\n")});
    EXPECT_EQ(bad.exitCode, 1);
    // A KR1 image is no KR2 code: refused, not run as if it were.
    const std::string kr1 = TempDir() + "/kr1.vel";
    std::ofstream(kr1, std::ios::binary) << "' {$KORBLE KR1}\r\nDEBUG B0\r\n";
    const CliRun other = RunCli({"run", kr1});
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_EQ(other.out, "");
    EXPECT_NE(other.err.find("is a KR1 program"), std::string::npos) << other.err;
    EXPECT_EQ(RunCli({"run"}).exitCode, 2);
    EXPECT_EQ(RunCli({"run", "a.vel", "--held"}).exitCode, 2);
    EXPECT_EQ(RunCli({"run", "a.vel", "--seconds", "-1"}).exitCode, 2);
}

TEST(CliRun, HeldRunsTheLastDownloadToSim) {
    SetEnvironment("KAVRIN_SIM_EEPROM", TempDir() + "/held.eeprom");
    EXPECT_EQ(RunCli({"run", "--held"}).exitCode, 1);
    const std::string path = WriteProgram("held.vel", "DEBUG \"held\", CR\r\n");
    ASSERT_EQ(RunCli({"download", path, "--port", "SIM"}).exitCode, 0);
    const CliRun run = RunCli({"run", "--held"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "held\n");
}

TEST(CliRun, AnEepromPathThatIsNoFileNeitherHangsNorPassesForADownload) {
    const std::string path = WriteProgram("kept.vel", "DEBUG \"kept\", CR\r\n");
    const std::string folder = TempDir();
    SetEnvironment("KAVRIN_SIM_EEPROM", folder);
    const CliRun refused = RunCli({"download", path, "--port", "SIM"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out.find("Downloaded"), std::string::npos) << refused.out;
    EXPECT_NE(refused.err.find("cannot replace " + folder), std::string::npos) << refused.err;
    const CliRun none = RunCli({"run", "--held"});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(
        none.err.find(folder + " is not a regular file; the virtual robot's EEPROM reads as empty"),
        std::string::npos)
        << none.err;

    const std::string fifo = TempDir() + "/robot.eeprom";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    SetEnvironment("KAVRIN_SIM_EEPROM", fifo);
    const CliRun held = RunCli({"run", "--held"});
    EXPECT_EQ(held.exitCode, 1);
    EXPECT_NE(held.err.find(fifo + " is not a regular file"), std::string::npos) << held.err;
    const CliRun simulated = RunCli({"simulate", "--held"});
    EXPECT_EQ(simulated.exitCode, 1);
    // The download is not held up by what it replaces.
    ASSERT_EQ(RunCli({"download", path, "--port", "SIM"}).exitCode, 0);
    EXPECT_EQ(RunCli({"run", "--held"}).out, "kept\n");
    unsetenv("KAVRIN_SIM_EEPROM");
}

TEST(CliRun, ARefusedProgramOrTimeSaysWhy) {
    const std::string longSource = WriteProgram("long.vel", std::string(70000, '\'') + "\r\n");
    for (const char* command : {"run", "simulate"}) {
        const CliRun tooLong = RunCli({command, longSource});
        EXPECT_EQ(tooLong.exitCode, 1) << command;
        EXPECT_EQ(tooLong.err,
                  "kavrin-cli: " + longSource + ": source is longer than 65535 characters\n")
            << command;
    }
    const std::string program = WriteProgram("end.vel", "END\r\n");
    for (const char* value : {"0", "-1", "86401", "nan", "inf", "ten", "1e999"}) {
        for (const char* command : {"run", "simulate"}) {
            const CliRun bad = RunCli({command, program, "--seconds", value});
            EXPECT_EQ(bad.exitCode, 2) << command << " " << value;
            EXPECT_EQ(bad.err.rfind(std::string("kavrin-cli: --seconds ") + value +
                                        ": give a number of seconds above 0 and at most 86400\n",
                                    0),
                      0u)
                << bad.err;
        }
    }
}

}  // namespace
}  // namespace kavrin::test
