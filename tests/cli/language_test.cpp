// The language of kavrin-cli's string-table texts (the download's port status table, the file
// and link messages), chosen as kavrin chooses it: --language, else the "Language" setting, else
// the system's; its own messages stay English.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cli_runner.h"

namespace kavrin::test {
namespace {

const std::string kProgram = "' {$KORBLE KR2}\r\nx VAR Byte\r\nx = 5\r\nEND";

class CliLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = TempDir() + "/prog.vel";
        std::ofstream(source_, std::ios::binary) << kProgram;
    }
    void TearDown() override { std::filesystem::remove_all(SettingsFolder() + "/Tessaly"); }

    // "Language" in the settings store kavrin reads (QSettings' file on this platform).
    static void SetLanguageSetting(const std::string& code) {
        std::filesystem::create_directories(SettingsFolder() + "/Tessaly");
        std::ofstream(SettingsFolder() + "/Tessaly/Kavrin.conf")
            << "[1.0]\nLanguage=" << code << "\n";
    }

    // The port status table's heading line of a download to the virtual robot.
    std::string Heading(const std::vector<std::string>& extra, const std::string& environment) {
        std::vector<std::string> args{"download", source_, "--port", "SIM"};
        args.insert(args.end(), extra.begin(), extra.end());
        const CliRun run = RunCli(args, {}, environment);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        return run.out.substr(0, run.out.find('\n'));
    }

    std::string source_;
};

constexpr char kGreekSystem[] = "LC_ALL=el_GR.UTF-8";
constexpr char kEnglishSystem[] = "LC_ALL=en_US.UTF-8";

TEST_F(CliLanguage, TheSystemThenTheSettingThenTheOption) {
    EXPECT_EQ(Heading({}, kGreekSystem).rfind("Θύρα:", 0), 0u);
    EXPECT_EQ(Heading({}, kEnglishSystem).rfind("Port:", 0), 0u);
    EXPECT_EQ(Heading({}, "").rfind("Port:", 0), 0u);  // the C locale is no Greek
    EXPECT_EQ(Heading({"--language", "en"}, kGreekSystem).rfind("Port:", 0), 0u);
    SetLanguageSetting("en");
    EXPECT_EQ(Heading({}, kGreekSystem).rfind("Port:", 0), 0u);
    EXPECT_EQ(Heading({"--language", "el"}, kGreekSystem).rfind("Θύρα:", 0), 0u);
    SetLanguageSetting("el");
    EXPECT_EQ(Heading({}, kEnglishSystem).rfind("Θύρα:", 0), 0u);
    // A setting that names no language is none: the system decides.
    SetLanguageSetting("fr");
    EXPECT_EQ(Heading({}, kEnglishSystem).rfind("Port:", 0), 0u);
}

TEST_F(CliLanguage, OwnMessagesStayEnglishAndTheOptionIsChecked) {
    const CliRun missing =
        RunCli({"--language", "el", "download", "/no/such.vel", "--port", "SIM"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_NE(missing.err.find("kavrin-cli: /no/such.vel: cannot read: No such file or directory"),
              std::string::npos)
        << missing.err;
    // The option may stand anywhere; without a language, or with another, it is a usage error.
    EXPECT_EQ(RunCli({"download", source_, "--port", "SIM", "--language", "el"}).exitCode, 0);
    EXPECT_EQ(RunCli({"--language"}).exitCode, 2);
    EXPECT_EQ(RunCli({"--language", "fr", "ports"}).exitCode, 2);
    EXPECT_EQ(RunCli({"ports", "--language"}).exitCode, 2);
}

}  // namespace
}  // namespace kavrin::test
