// Rounds of: start the real kavrin with its random edits (src/app/random_edits.h), kill it with
// SIGKILL at a random moment, and read the recovery copy it left as the next start reads it.
// It must hold the state of 2 s before the kill or a later one; no copy is the state "none".
//
//   KAVRIN_RECOVERY_ROUNDS    rounds (5)
//   KAVRIN_RECOVERY_SEED      the run's seed (else a fresh one, printed)
//   KAVRIN_RECOVERY_PLATFORM  kavrin's Qt platform (offscreen; xcb needs a DISPLAY)

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "model/kvn_file.h"
#include "model/recovery.h"

namespace kavrin {
namespace {

namespace fs = std::filesystem;

constexpr std::int64_t kLatestAgeMs = 2000;

std::int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string Env(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : fallback;
}

// What the hook logs: FNV-1a over the record, 16 hex digits.
std::string Digest(const model::TRecordBytes& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint8_t byte : bytes) hash = (hash ^ byte) * 1099511628211ull;
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

struct TLog {
    fs::path folder;
    std::vector<std::pair<std::int64_t, std::string>> states;  // since when, digest
};

TLog ReadLog(const fs::path& path) {
    TLog log;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        std::string first;
        std::string second;
        fields >> first;
        std::getline(fields >> std::ws, second);
        if (first == "folder") {
            log.folder = second;
        } else if (!second.empty()) {
            log.states.emplace_back(std::stoll(first), second);
        }
    }
    return log;
}

// kavrin in a world of its own under dir: settings, data folder, EEPROM.
pid_t StartKavrin(const fs::path& dir, std::uint32_t seed) {
    const std::string platform = Env("KAVRIN_RECOVERY_PLATFORM", "offscreen");
    const std::string edits = std::to_string(seed) + ":" + (dir / "log").string();
    const std::string output = (dir / "output").string();
    std::fflush(stdout);  // or the child would write what is buffered once more
    const pid_t child = fork();
    if (child == 0) {
        setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
        setenv("HOME", dir.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
        setenv("XDG_DATA_HOME", (dir / "data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
        setenv("KAVRIN_SIM_EEPROM", (dir / "robot.eeprom").c_str(), 1);
        setenv("KAVRIN_TEST_RANDOM_EDITS", edits.c_str(), 1);
        if (std::freopen(output.c_str(), "w", stdout) == nullptr) _exit(126);
        dup2(fileno(stdout), fileno(stderr));
        execl(KAVRIN_APP, KAVRIN_APP, "--language", "en", static_cast<char*>(nullptr));
        _exit(127);
    }
    return child;
}

TEST(CrashRounds, AKilledKavrinLeavesTheStateOfTwoSecondsBeforeOrALaterOne) {
    const int rounds = std::stoi(Env("KAVRIN_RECOVERY_ROUNDS", "5"));
    const auto seed = static_cast<std::uint32_t>(
        std::stoul(Env("KAVRIN_RECOVERY_SEED", std::to_string(std::random_device{}()))));
    std::printf("crash rounds: %d, KAVRIN_RECOVERY_SEED=%u\n", rounds, seed);
    std::mt19937 random(seed);
    int withCopy = 0;
    std::int64_t longestLag = 0;
    for (int round = 1; round <= rounds; ++round) {
        const auto roundSeed = static_cast<std::uint32_t>(random());
        const fs::path dir =
            fs::temp_directory_path() /
            ("kavrin-crash-" + std::to_string(getpid()) + "-" + std::to_string(round));
        fs::remove_all(dir);
        fs::create_directories(dir);
        const pid_t kavrin = StartKavrin(dir, roundSeed);
        ASSERT_GT(kavrin, 0);
        // Killed some time after its first edit: at once, or after seconds of work.
        for (int waited = 0; ReadLog(dir / "log").states.size() < 2 && waited < 3000; ++waited) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 6000)(random)));
        const std::int64_t killedAt = NowMs();
        kill(kavrin, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(kavrin, &status, 0), kavrin);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round << ": kavrin ended before the kill";

        const TLog log = ReadLog(dir / "log");
        ASSERT_GE(log.states.size(), 2u) << "round " << round << ": kavrin never edited, " << dir;
        const std::vector<model::TRecoveryCopy> copies = model::FindRecoveryCopies(log.folder);
        ASSERT_LE(copies.size(), 1u);
        const std::string onDisk =
            copies.empty() ? "none"
                           : Digest(model::EncodeRecord(copies[0].program, copies[0].mode));
        withCopy += copies.empty() ? 0 : 1;

        // From the state that had begun 2 s before the kill on, the latest the copy equals.
        std::size_t oldest = 0;
        while (oldest + 1 < log.states.size() &&
               log.states[oldest + 1].first <= killedAt - kLatestAgeMs) {
            ++oldest;
        }
        std::size_t found = log.states.size();
        for (std::size_t i = oldest; i < log.states.size(); ++i) {
            if (log.states[i].second == onDisk) found = i;
        }
        ASSERT_LT(found, log.states.size())
            << "round " << round << ": the copy " << onDisk << " is none of the "
            << log.states.size() - oldest << " states of the last 2 s, " << dir;
        const std::int64_t lag =
            found + 1 < log.states.size() ? killedAt - log.states[found + 1].first : 0;
        longestLag = std::max(longestLag, lag);
        std::printf(
            "round %d: %zu states, killed after %" PRId64 " ms, copy %s, %" PRId64 " ms behind\n",
            round, log.states.size(), killedAt - log.states.front().first, onDisk.c_str(), lag);
        fs::remove_all(dir);
    }
    std::printf("crash rounds: %d passed, %d with a copy, at most %" PRId64 " ms behind\n", rounds,
                withCopy, longestLag);
}

}  // namespace
}  // namespace kavrin
