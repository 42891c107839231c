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

// Runs kavrin-cli with the arguments, feeding stdinText to its standard input.
CliRun RunCli(const std::vector<std::string>& args, const std::string& stdinText = {});

// A fresh empty folder for one test's files, removed when the test program ends.
std::string TempDir();

}  // namespace kavrin::test
