// kavrin-cli compile: exit codes, the compiler-style error report, --directives-only.

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "cli_runner.h"

namespace kavrin::test {
namespace {

std::string WriteSource(const std::string& name, const std::string& text) {
    const std::string path = TempDir() + "/" + name;
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

TEST(CliCompile, ErrorIsReportedWithLineColumnAndCaret) {
    const std::string path = WriteSource("bad.src", "' {$KORBLE KR2}\r\nHIGH 1\r\n\tX = 65536 + 1\r\n");
    const CliRun run = RunCli({"compile", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, path + ":3:6: error: 109-Constant exceeds 16 bits\n"
                              "\tX = 65536 + 1\n"
                              "\t    ^^^^^\n");
    EXPECT_EQ(run.out, "");
}

TEST(CliCompile, ReadsStandardInput) {
    const CliRun run = RunCli({"compile", "-"}, "HIGH 1\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err,
              "-:1:1: error: 156-Unknown target module.  $KORBLE directive not found\n"
              "HIGH 1\n^\n");
}

TEST(CliCompile, ErrorAtTheEndOfTheLastLine) {
    const CliRun run = RunCli({"compile", "-"}, "' {$KORBLE KR2}\n' {$VELIC 2.5}\n#IF 1 #THEN");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "-:3:1: error: 191-'#IF' without '#ENDIF'\n#IF 1 #THEN\n^^^\n");
}

TEST(CliCompile, DirectivesOnly) {
    const CliRun run = RunCli({"compile", "-", "--directives-only"},
                              "' {$KORBLE KR3, one.src, \"two files\"}\n' {$PORT COM4}\n' {$VELIC 2.5}\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "module 3\nversion 250\nport COM4\nproject-file one.src\nproject-file two files\n");

    const CliRun none = RunCli({"compile", "--directives-only", "-"}, "");
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "module 0\nversion 200\nport none\n");

    const CliRun bad = RunCli({"compile", "--directives-only", "-"}, "' {$KORBLE KR2}\n' {$VELIC 1.0}\n");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("error: 232-"), std::string::npos);
}

TEST(CliCompile, SuccessReportsTheBlocks) {
    const CliRun run = RunCli({"compile", "-"}, "' {$KORBLE KR2}\nEND\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "blocks 1\n");
}

TEST(CliCompile, FullCompileNeverClaimsSuccessOnAnError) {
    const CliRun run = RunCli({"compile", "-"}, "' {$KORBLE KR1}\nHIGH 1\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("-:1:12: error: 156-"), std::string::npos) << run.err;
}

TEST(CliCompile, RefusalsBeforeTokenizing) {
    const CliRun tooLong = RunCli({"compile", "-"}, std::string(65536, ' '));
    EXPECT_EQ(tooLong.exitCode, 1);
    EXPECT_NE(tooLong.err.find("longer than 65535 characters"), std::string::npos) << tooLong.err;

    EXPECT_EQ(RunCli({"compile", TempDir() + "/missing.src"}).exitCode, 1);
    EXPECT_EQ(RunCli({"compile"}).exitCode, 2);
    EXPECT_EQ(RunCli({"compile", "a", "b"}).exitCode, 2);
    EXPECT_EQ(RunCli({"compile", "--bogus", "a"}).exitCode, 2);
}

}  // namespace
}  // namespace kavrin::test
