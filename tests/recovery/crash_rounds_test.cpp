// Rounds of: start the real kavrin with its random edits, kill it with SIGKILL at a random
// moment, and compare the recovery copy it left (read as the next start reads it) with the
// states it logged. Acceptable: the state it was in 2 s before the kill, or any later one; no
// copy counts as the state "none" (nothing unsaved).
//
//   KAVRIN_RECOVERY_ROUNDS   rounds (5)
//   KAVRIN_RECOVERY_SEED     the run's seed (else a fresh one, printed)
//   KAVRIN_RECOVERY_PLATFORM Qt platform of kavrin (offscreen; xcb needs a DISPLAY)

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "model/kvn_file.h"
#include "model/recovery.h"

extern char** environ;

namespace kavrin {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr std::int64_t kLatestAgeMs = 2000;  // the copy may lag this much behind
constexpr int kStartTimeoutMs = 30'000;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

int EnvInt(const char* name, int fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? std::atoi(value) : fallback;
}

// The digest kavrin's hook logs: FNV-1a over the record's bytes, 16 hex digits.
std::string Digest(const model::TRecordBytes& bytes) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::uint8_t byte : bytes) {
        hash = (hash ^ byte) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

struct TState {
    std::int64_t since = 0;
    std::string digest;
};

struct TLog {
    fs::path folder;
    std::vector<TState> states;
};

TLog ReadLog(const fs::path& path) {
    TLog log;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("folder ")) {
            log.folder = line.substr(7);
            continue;
        }
        std::istringstream fields(line);
        TState state;
        if (fields >> state.since >> state.digest) {
            log.states.push_back(state);
        }
    }
    return log;
}

// kavrin with its hook, in a world of its own: settings, data folder and EEPROM under dir.
pid_t StartKavrin(const fs::path& dir, std::uint32_t seed) {
    std::vector<std::string> env;
    const std::vector<std::string> own = {
        "QT_QPA_PLATFORM=" + std::string(std::getenv("KAVRIN_RECOVERY_PLATFORM") != nullptr
                                             ? std::getenv("KAVRIN_RECOVERY_PLATFORM")
                                             : "offscreen"),
        "HOME=" + dir.string(),
        "XDG_CONFIG_HOME=" + (dir / "config").string(),
        "XDG_DATA_HOME=" + (dir / "data").string(),
        "XDG_RUNTIME_DIR=" + dir.string(),
        "KAVRIN_SIM_EEPROM=" + (dir / "robot.eeprom").string(),
        "KAVRIN_TEST_RANDOM_EDITS=" + std::to_string(seed) + ":" + (dir / "log").string(),
    };
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string key = entry.substr(0, entry.find('=') + 1);
        const bool replaced =
            std::ranges::any_of(own, [&](const std::string& o) { return o.starts_with(key); });
        if (!replaced) {
            env.push_back(entry);
        }
    }
    env.insert(env.end(), own.begin(), own.end());
    std::vector<char*> envp;
    for (std::string& entry : env) {
        envp.push_back(entry.data());
    }
    envp.push_back(nullptr);
    const std::string output = (dir / "output").string();

    std::fflush(stdout);  // or the child would write what is buffered once more
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen(output.c_str(), "w", stdout) == nullptr) _exit(126);
        if (std::freopen(output.c_str(), "a", stderr) == nullptr) _exit(126);
        char app[] = KAVRIN_APP;
        char language[] = "--language";
        char english[] = "en";
        char* argv[] = {app, language, english, nullptr};
        execve(app, argv, envp.data());
        _exit(127);
    }
    return child;
}

TEST(CrashRounds, AKilledKavrinLeavesTheStateOfTwoSecondsBeforeOrALaterOne) {
    const int rounds = EnvInt("KAVRIN_RECOVERY_ROUNDS", 5);
    const auto seed = static_cast<std::uint32_t>(
        EnvInt("KAVRIN_RECOVERY_SEED", static_cast<int>(std::random_device{}() & 0x7FFFFFFF)));
    std::printf("crash rounds: %d, seed %u (KAVRIN_RECOVERY_SEED=%u replays them)\n", rounds, seed,
                seed);
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
        const std::int64_t started = NowMs();
        while (ReadLog(dir / "log").states.size() < 2 && NowMs() - started < kStartTimeoutMs) {
            std::this_thread::sleep_for(20ms);
        }
        std::this_thread::sleep_for(
            std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 6000)(random)));
        const std::int64_t killedAt = NowMs();
        kill(kavrin, SIGKILL);
        int status = 0;
        ASSERT_EQ(waitpid(kavrin, &status, 0), kavrin);
        ASSERT_TRUE(WIFSIGNALED(status)) << "round " << round << ": kavrin ended before the kill";

        const TLog log = ReadLog(dir / "log");
        ASSERT_GE(log.states.size(), 2u) << "round " << round << ": kavrin never started editing";
        std::vector<model::TRecoveryCopy> copies = model::FindRecoveryCopies(log.folder);
        ASSERT_LE(copies.size(), 1u) << "round " << round;
        const std::string onDisk =
            copies.empty() ? "none"
                           : Digest(model::EncodeRecord(copies[0].program, copies[0].mode));
        withCopy += copies.empty() ? 0 : 1;

        // The state 2 s before the kill is the last one that began by then.
        std::size_t oldest = 0;
        for (std::size_t i = 0; i < log.states.size(); ++i) {
            if (log.states[i].since <= killedAt - kLatestAgeMs) {
                oldest = i;
            }
        }
        std::size_t found = log.states.size();
        for (std::size_t i = oldest; i < log.states.size(); ++i) {
            if (log.states[i].digest == onDisk) {
                found = i;  // the latest such state
            }
        }
        ASSERT_LT(found, log.states.size())
            << "round " << round << " (seed " << roundSeed << "): the copy (" << onDisk
            << ") is none of the " << log.states.size() - oldest << " states of the last "
            << kLatestAgeMs << " ms before the kill at " << killedAt << ", " << dir;
        const std::int64_t lag =
            found + 1 < log.states.size() ? killedAt - log.states[found + 1].since : 0;
        longestLag = std::max(longestLag, lag);
        std::printf("round %d: %zu states, killed after %" PRId64 " ms, copy %s, behind by %" PRId64
                    " ms\n",
                    round, log.states.size(), killedAt - log.states.front().since, onDisk.c_str(),
                    lag);
        copies.clear();
        fs::remove_all(dir);
    }
    std::printf("crash rounds: %d passed, %d with a copy, the copy at most %" PRId64
                " ms behind the lists\n",
                rounds, withCopy, longestLag);
}

}  // namespace
}  // namespace kavrin
