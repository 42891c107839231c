// kavrin-cli compile: exit codes, the compiler-style error report, --directives-only, and the
// output forms of a full compile (summary, --blocks, --image, --listing).

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
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
    const std::string path =
        WriteSource("bad.src", "' {$KORBLE KR2}\r\nHIGH 1\r\n\tX = 65536 + 1\r\n");
    const CliRun run = RunCli({"compile", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, path +
                           ":3:6: error: 109-Constant exceeds 16 bits\n"
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
    const CliRun run =
        RunCli({"compile", "-", "--directives-only"},
               "' {$KORBLE KR3, one.src, \"two files\"}\n' {$PORT COM4}\n' {$VELIC 2.5}\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out,
              "module 3\nversion 250\nport COM4\nproject-file one.src\nproject-file two files\n");

    const CliRun none = RunCli({"compile", "--directives-only", "-"}, "");
    EXPECT_EQ(none.exitCode, 0);
    EXPECT_EQ(none.out, "module 0\nversion 200\nport none\n");

    const CliRun bad =
        RunCli({"compile", "--directives-only", "-"}, "' {$KORBLE KR2}\n' {$VELIC 1.0}\n");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("error: 232-"), std::string::npos);
}

// END alone: slot 0 and two END tokens, 28 bits in bytes 2044 to 2047, one block for row 127.
constexpr char kEndOnly[] = "' {$KORBLE KR2}\nEND\n";

TEST(CliCompile, SuccessReportsModuleVersionBlocksBitsAndBytes) {
    const CliRun run = RunCli({"compile", "-"}, kEndOnly);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "module KR2\nversion 200\nblocks 1\ncode-bits 28\neeprom-used 4\n");
    const CliRun data =
        RunCli({"compile", "-"}, "' {$KORBLE KR4}\n' {$VELIC 2.5}\nDATA 1, (3)\nEND\n");
    EXPECT_EQ(data.out, "module KR4\nversion 250\nblocks 2\ncode-bits 28\neeprom-used 8\n");
}

TEST(CliCompile, BlocksAreUpperCaseHexOneALine) {
    const CliRun run = RunCli({"compile", "-", "--blocks"}, "' {$KORBLE KR2}\nDATA 171\nEND\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Row 0 (128 + 171 = 299, checksum 213), then row 127 (255 + 4 + 192 = 451, checksum 61).
    EXPECT_EQ(run.out,
              "80AB0000000000000000000000000000"
              "00D5\n"
              "FF000000000000000000000000000004C03D\n");
}

TEST(CliCompile, ImageIsTheWholeEeprom) {
    const std::string image = TempDir() + "/image.bin";
    const CliRun run = RunCli({"compile", "-", "--image", image}, kEndOnly);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    std::ifstream in(image, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 2048u);
    EXPECT_EQ(static_cast<unsigned char>(bytes[2047]), 0xC0);
    EXPECT_EQ(static_cast<unsigned char>(bytes[2046]), 0x04);
    EXPECT_EQ(bytes.find_first_not_of('\0'), 2046u);
    EXPECT_EQ(
        RunCli({"compile", "-", "--image", TempDir() + "/no/such/dir/x.bin"}, kEndOnly).exitCode,
        1);
}

TEST(CliCompile, ListingShowsStatementStartsAndData) {
    const CliRun run =
        RunCli({"compile", "-", "--listing"}, "' {$KORBLE KR2}\nDATA @16, 7, (2)\nHIGH 1\nEND\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("     3     14  HIGH 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("     4     29  END\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  0016: 07 .. ..\n"), std::string::npos) << run.out;
}

TEST(CliCompile, EveryFormReportsErrorsTheSameWay) {
    for (const char* form : {"--blocks", "--listing"}) {
        const CliRun run = RunCli({"compile", "-", form}, "' {$KORBLE KR2}\nGOTO Nowhere\n");
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find("-:2:6: error: 111-Undefined label"), std::string::npos) << run.err;
    }
    const std::string image = TempDir() + "/never.bin";
    EXPECT_EQ(
        RunCli({"compile", "-", "--image", image}, "' {$KORBLE KR2}\nGOTO Nowhere\n").exitCode, 1);
    EXPECT_FALSE(std::ifstream(image).good());
}

TEST(CliCompile, OneOutputFormAtATime) {
    EXPECT_EQ(RunCli({"compile", "-", "--blocks", "--listing"}, kEndOnly).exitCode, 2);
    EXPECT_EQ(RunCli({"compile", "-", "--image"}, kEndOnly).exitCode, 2);
}

TEST(CliCompile, Kr1ProgramsHaveA256ByteImage) {
    const std::string source = "' {$KORBLE KR1}\nEEPROM (9)\nHIGH 1\nEND\n";
    const CliRun run = RunCli({"compile", "-"}, source);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // 19 header bits, HIGH 1 (9 bits), END (5) and the closing END (5): 38 bits in 5 bytes.
    EXPECT_EQ(run.out, "module KR1\nversion 100\nblocks 1\ncode-bits 38\neeprom-used 6\n");

    const std::string image = TempDir() + "/kr1.bin";
    EXPECT_EQ(RunCli({"compile", "-", "--image", image}, source).exitCode, 0);
    std::ifstream in(image, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(bytes.size(), 256u);
    EXPECT_EQ(bytes[0], 9);
    EXPECT_EQ(static_cast<unsigned char>(bytes[255]), 256 - 5)
        << "the header: where the code begins";

    const CliRun listing = RunCli({"compile", "-", "--listing"}, source);
    EXPECT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_NE(listing.out.find("     3     19  HIGH 1\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("     4     28  END\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("  0000: 09\n"), std::string::npos) << listing.out;

    const CliRun bad = RunCli({"compile", "-"}, "' {$KORBLE KR1}\nHIGH 1 2\n");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("-:2:8: error: 129-Expected ':' or end-of-line"), std::string::npos)
        << bad.err;
}

TEST(CliCompile, RefusalsBeforeTokenizing) {
    const CliRun tooLong = RunCli({"compile", "-"}, std::string(65536, ' '));
    EXPECT_EQ(tooLong.exitCode, 1);
    EXPECT_NE(tooLong.err.find("longer than 65535 characters"), std::string::npos) << tooLong.err;
    // An endless standard input is read only as far as the limit, then refused the same way.
    const CliRun endless = RunScript("exec \"$KAVRIN_CLI\" compile - </dev/zero");
    EXPECT_EQ(endless.exitCode, 1);
    EXPECT_NE(endless.err.find("kavrin-cli: -: source is longer than 65535 characters"),
              std::string::npos)
        << endless.err;
    // A device named as the source is no source: refused before a byte is read.
    const CliRun device = RunCli({"compile", "/dev/zero"});
    EXPECT_EQ(device.exitCode, 1);
    EXPECT_NE(device.err.find("kavrin-cli: /dev/zero: cannot read: not a regular file"),
              std::string::npos)
        << device.err;

    EXPECT_EQ(RunCli({"compile", TempDir() + "/missing.src"}).exitCode, 1);
    const CliRun directory = RunCli({"compile", TempDir()});
    EXPECT_EQ(directory.exitCode, 1) << "a directory is no source, and no reason to abort";
    EXPECT_NE(directory.err.find("cannot read: Is a directory"), std::string::npos)
        << directory.err;
    EXPECT_EQ(RunCli({"compile"}).exitCode, 2);
    EXPECT_EQ(RunCli({"compile", "a", "b"}).exitCode, 2);
    EXPECT_EQ(RunCli({"compile", "--bogus", "a"}).exitCode, 2);
}

}  // namespace
}  // namespace kavrin::test
