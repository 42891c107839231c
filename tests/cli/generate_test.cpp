// kavrin-cli generate: loading with the mode rules of show, the three sensor modes, and the
// program text on standard output byte for byte as the tokenizer takes it.

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

using kavrin::test::RunCli;
using kavrin::test::TempDir;

// The .kvn record, written field by field: signature, version 0x13, advanced flag, the two
// servo centres, then six lists of 256 six-byte slots (kind, value LE, Both, Left, Right).
// Slot 0 and every slot after a list's last step hold the header slot (value -1).
struct KvnStep {
    std::uint8_t kind;
    std::int16_t value;
    std::array<std::uint8_t, 3> sensors{};
};

constexpr std::size_t kRecordSize = 9240;
constexpr std::size_t kListsOffset = 24;
constexpr std::size_t kSlotSize = 6;
constexpr std::size_t kSlotsPerList = 256;

std::string WriteKvn(bool advanced, const std::vector<std::vector<KvnStep>>& lists) {
    std::vector<std::uint8_t> bytes(kRecordSize, 0);
    const std::string signature = "Kavrin Action List";
    bytes[0] = static_cast<std::uint8_t>(signature.size());
    std::copy(signature.begin(), signature.end(), bytes.begin() + 1);
    bytes[20] = 0x13;
    bytes[21] = advanced ? 1 : 0;
    bytes[22] = 100;
    bytes[23] = 100;
    for (std::size_t list = 0; list < 6; ++list) {
        for (std::size_t slot = 0; slot < kSlotsPerList; ++slot) {
            KvnStep step{0, -1, {0, 0, 0}};
            if (list < lists.size() && slot >= 1 && slot <= lists[list].size()) {
                step = lists[list][slot - 1];
            }
            const std::size_t at = kListsOffset + (list * kSlotsPerList + slot) * kSlotSize;
            const auto value = static_cast<std::uint16_t>(step.value);
            bytes[at] = step.kind;
            bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
            bytes[at + 2] = static_cast<std::uint8_t>(value >> 8);
            bytes[at + 3] = step.sensors[0];
            bytes[at + 4] = step.sensors[1];
            bytes[at + 5] = step.sensors[2];
        }
    }
    const std::string path = TempDir() + (advanced ? "/advanced.kvn" : "/beginner.kvn");
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}

// The worked example: forward, turn right, rotate left, stop, go back to 1, all with the Left
// column on Sensor Set 2; Sensor Set All backs up and rotates right; Sensor Set 2 stops.
std::string WorkedExample(bool advanced) {
    const std::array<std::uint8_t, 3> left2{0, 2, 0};
    return WriteKvn(
        advanced, {{{0, 20, left2}, {3, 13, left2}, {4, 15, left2}, {6, 10, left2}, {7, 1, left2}},
                   {{1, 10}, {5, 15}},
                   {},
                   {{6, 5}}});
}

const std::string kBlock =
    "\r\nConfigure\tDATA\t@0,2,0,100,100,WORD 27,WORD 32,WORD 33,WORD 36,WORD 37\r\n"
    "\r\n' ----- Main Action List -----\r\n"
    "ActionList\tDATA\t\"C\",$22,\"F\",20   ,\"R\",13   ,\"E\",15   ,\"S\",10   \r\n"
    "\t\tDATA \t\"G\",4   ,\"Q\"\r\n"
    "\r\n' ----- Sensor Set All -----\r\n\t\tDATA \t\"B\",10   ,\"I\",15   ,\"Q\"\r\n"
    "\r\n' ----- Sensor Set 1 -----\r\n\t\tDATA \t\"Q\"\r\n"
    "\r\n' ----- Sensor Set 2 -----\r\n\t\tDATA \t\"S\",5   ,\"Q\"\r\n"
    "\r\n' ----- Sensor Set 3 -----\r\n\t\tDATA \t\"Q\"\r\n"
    "\r\n' ----- Sensor Set 4 -----\r\n\t\tDATA \t\"Q\"\r\n"
    "\r\n";  // the emptied anchor line

TEST(CliGenerate, PrintsTheWholeProgramWithCrLfAndNoFinalBreak) {
    const auto run = RunCli({"generate", WorkedExample(true), "--advanced"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_TRUE(run.out.starts_with("'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n"));
    EXPECT_NE(run.out.find(kBlock), std::string::npos);
    ASSERT_FALSE(run.out.empty());
    EXPECT_NE(run.out.back(), '\n');
    for (std::size_t i = 0; i < run.out.size(); ++i) {
        if (run.out[i] == '\n') {
            ASSERT_EQ(run.out[i - 1], '\r') << "bare line feed at " << i;
        }
    }
}

TEST(CliGenerate, SensorModeFollowsModeAndSensorsFlag) {
    const std::string beginnerFile = WorkedExample(false);
    const auto configOf = [&](std::vector<std::string> args) {
        args.insert(args.begin(), {"generate", beginnerFile});
        const auto run = RunCli(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        const std::string start = "Configure\tDATA\t@0,";
        const std::size_t at = run.out.find(start);
        return at == std::string::npos ? std::string() : run.out.substr(at + start.size(), 2);
    };
    EXPECT_EQ(configOf({}), "0,");
    EXPECT_EQ(configOf({"--sensors"}), "1,");
    EXPECT_EQ(configOf({"--advanced"}), "2,");  // a Beginner file opens in Advanced mode
    EXPECT_EQ(configOf({"--sensors", "--advanced"}), "2,");
}

TEST(CliGenerate, RefusedFilesAndBadArguments) {
    const auto refused = RunCli({"generate", WorkedExample(true)});  // Advanced file, Beginner
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_NE(refused.err.find("Advanced Mode"), std::string::npos);

    const auto missing = RunCli({"generate", TempDir() + "/none.kvn"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(missing.out, "");
    EXPECT_NE(missing.err, "");

    // Go-back to a later step: a damaged file the generator refuses rather than mistranslates.
    const auto damaged = RunCli({"generate", WriteKvn(false, {{{0, 5}, {7, 3}}})});
    EXPECT_EQ(damaged.exitCode, 1);
    EXPECT_EQ(damaged.out, "");
    EXPECT_NE(damaged.err.find("Step 2 of Main Action List"), std::string::npos);

    EXPECT_EQ(RunCli({"generate"}).exitCode, 2);
    EXPECT_EQ(RunCli({"generate", "a.kvn", "b.kvn"}).exitCode, 2);
    EXPECT_EQ(RunCli({"generate", "a.kvn", "--bogus"}).exitCode, 2);
}

}  // namespace
