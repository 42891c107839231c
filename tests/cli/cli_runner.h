#pragma once
// Runs the kavrin-cli binary under test and captures what it prints.

#include <string>
#include <vector>

namespace kavrin::test {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs kavrin-cli with the arguments, feeding stdinText to its standard input. It runs in the C
// locale with an empty settings folder, so its language is English unless environment (shell
// assignments such as "LC_ALL=el_GR.UTF-8") or the arguments say otherwise.
CliRun RunCli(const std::vector<std::string>& args, const std::string& stdinText = {},
              const std::string& environment = {});

// Runs a shell script (sh -c) in the same environment as RunCli, with $KAVRIN_CLI naming the tool:
// for what one run cannot say (limits set before the tool starts, several runs at once).
CliRun RunScript(const std::string& script, const std::string& stdinText = {});

// The text quoted for the shell.
std::string ShellQuote(const std::string& text);

// The settings folder the runs use (XDG_CONFIG_HOME): empty unless a test writes into it.
std::string SettingsFolder();

// A fresh empty folder for one test's files, removed when the test program ends.
std::string TempDir();

}  // namespace kavrin::test
