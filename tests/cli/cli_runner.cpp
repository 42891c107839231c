#include "cli_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace kavrin::test {

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Folders handed out by TempDir, removed when the test program ends.
struct TempDirs {
    std::vector<std::string> made;
    ~TempDirs() {
        std::error_code ec;
        for (const std::string& dir : made) {
            std::filesystem::remove_all(dir, ec);
        }
    }
};

TempDirs& Made() {
    static TempDirs dirs;
    return dirs;
}

// The virtual robot keeps its EEPROM in the user's data folder; a test run must not touch it. A
// test that sets the variable itself keeps its own file.
std::string SimEepromAssignment() {
    if (std::getenv("KAVRIN_SIM_EEPROM") != nullptr) return {};
    static const std::string file = TempDir() + "/virtual-robot.eeprom";
    return "KAVRIN_SIM_EEPROM=" + ShellQuote(file) + " ";
}

// The language and settings of the user running the tests must not change what the tool prints.
std::string NeutralEnvironment() {
    return "LANGUAGE= LC_ALL=C.UTF-8 XDG_CONFIG_HOME=" + ShellQuote(SettingsFolder()) + " ";
}

}  // namespace

std::string SettingsFolder() {
    static const std::string folder = TempDir();
    return folder;
}

std::string TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kavrin-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
        return std::filesystem::temp_directory_path().string();
    }
    Made().made.push_back(pattern);
    return pattern;
}

namespace {

// Runs the command line with stdinText as its standard input, capturing what it prints.
CliRun RunCommand(const std::string& command, const std::string& stdinText) {
    const std::string dir = TempDir();
    const std::string in = dir + "/stdin", out = dir + "/stdout", err = dir + "/stderr";
    std::ofstream(in, std::ios::binary) << stdinText;
    const std::string cmd =
        command + " <" + ShellQuote(in) + " >" + ShellQuote(out) + " 2>" + ShellQuote(err);
    const int status = std::system(cmd.c_str());
    CliRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(out);
    run.err = ReadAll(err);
    std::filesystem::remove_all(dir);
    return run;
}

}  // namespace

CliRun RunCli(const std::vector<std::string>& args, const std::string& stdinText,
              const std::string& environment) {
    // A command that hangs fails its test (exit 124) instead of stopping the suite.
    std::string cmd = SimEepromAssignment() + NeutralEnvironment() + environment + " timeout 120 " +
                      ShellQuote(KAVRIN_CLI);
    for (const std::string& a : args) {
        cmd += " " + ShellQuote(a);
    }
    return RunCommand(cmd, stdinText);
}

CliRun RunScript(const std::string& script, const std::string& stdinText) {
    return RunCommand(SimEepromAssignment() + NeutralEnvironment() + "KAVRIN_CLI=" +
                          ShellQuote(KAVRIN_CLI) + " timeout 120 sh -c " + ShellQuote(script),
                      stdinText);
}

}  // namespace kavrin::test
