// The one reader and the one writer of the files Kavrin reads and writes itself, and the lock
// that makes writers take turns.

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "fileio/file_lock.h"
#include "fileio/file_reason.h"
#include "fileio/input_file.h"
#include "fileio/output_file.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::fileio {
namespace {

namespace fs = std::filesystem;

class FileIo : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("kavrin-fileio-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Path(const std::string& name) const { return dir_ / name; }

    static std::string Read(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    static void Write(const fs::path& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    // The names in the test's folder, sorted: a temporary left behind shows here.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

TEST_F(FileIo, ReadsARegularFileUpToItsLimitAndOneBytePast) {
    Write(Path("exact"), std::string(100, 'a'));
    std::string content = "stale";
    ReadResult r = ReadInputFile(Path("exact"), 100, content);
    EXPECT_TRUE(r.Ok()) << r.Reason();
    EXPECT_EQ(content, std::string(100, 'a'));

    // A file past the limit is read no further than one byte beyond it.
    Write(Path("long"), std::string(300000, 'b'));
    r = ReadInputFile(Path("long"), 100, content);
    EXPECT_EQ(r.problem, ReadProblem::kTooLarge);
    EXPECT_EQ(r.Reason(), "larger than 100 bytes");
    EXPECT_EQ(content.size(), 101u);

    r = ReadInputFile(Path("missing"), 100, content);
    EXPECT_EQ(r.problem, ReadProblem::kSystem);
    EXPECT_EQ(r.error, std::errc::no_such_file_or_directory);
    EXPECT_TRUE(content.empty());
    r = ReadInputFile(dir_, 100, content);
    EXPECT_EQ(r.error, std::errc::is_a_directory);
}

#ifndef _WIN32
TEST_F(FileIo, WhatIsNotARegularFileIsRefusedWithoutWaiting) {
    // No writer ever comes: opening the FIFO to read would wait for ever.
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    for (const fs::path& path : {Path("pipe"), fs::path("/dev/zero"), fs::path("/dev/null")}) {
        std::string content;
        const ReadResult r = ReadInputFile(path, 100, content);
        EXPECT_EQ(r.problem, ReadProblem::kNotRegular) << path;
        EXPECT_EQ(r.Reason(), "not a regular file");
        EXPECT_TRUE(content.empty());
    }
    // A link to a regular file is that file.
    Write(Path("real"), "linked");
    fs::create_symlink(Path("real"), Path("link"));
    std::string content;
    EXPECT_TRUE(ReadInputFile(Path("link"), 100, content).Ok());
    EXPECT_EQ(content, "linked");
}
#endif

TEST_F(FileIo, ReplaceWritesWholeAndLeavesNoTemporary) {
    EXPECT_FALSE(ReplaceFileWhole(Path("out.bin"), "first"));
    EXPECT_EQ(Read(Path("out.bin")), "first");
    EXPECT_FALSE(ReplaceFileWhole(Path("out.bin"), "the second, longer"));
    EXPECT_EQ(Read(Path("out.bin")), "the second, longer");
    EXPECT_FALSE(ReplaceFileWhole(Path("out.bin"), ""));
    EXPECT_EQ(Read(Path("out.bin")), "");
    EXPECT_EQ(Entries(), std::vector<std::string>{"out.bin"});

    std::vector<std::string> expected{"folder", "out.bin"};
#ifndef _WIN32
    // A name near the system's limit still leaves room for the temporary's.
    const std::string longName(250, 'n');
    EXPECT_FALSE(ReplaceFileWhole(Path(longName), "long"));
    EXPECT_EQ(Read(Path(longName)), "long");
    expected.insert(expected.begin() + 1, longName);
    // A folder that does not exist is the system's reason.
    EXPECT_EQ(ReplaceFileWhole(Path("none") / "x", "x"), std::errc::no_such_file_or_directory);
#endif

    // A folder in the way is refused and kept as it was.
    fs::create_directory(Path("folder"));
    Write(Path("folder") / "inside", "kept");
    EXPECT_EQ(ReplaceFileWhole(Path("folder"), "x"), std::errc::is_a_directory);
    EXPECT_EQ(Read(Path("folder") / "inside"), "kept");
    EXPECT_TRUE(static_cast<bool>(ReplaceFileWhole(Path("none") / "x", "x")));
    EXPECT_EQ(Entries(), expected);
}

#ifndef _WIN32
TEST_F(FileIo, AWriteThatFailsHalfWayKeepsTheOldFile) {
    const std::string old(300, 'o');
    Write(Path("image.bin"), old);
    // In a child: a file-size limit of 1,000 bytes stops the 4,096-byte write after its start.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(ReplaceFileWhole(Path("image.bin"), std::string(4096, 'n')) ==
                      std::errc::file_too_large
                  ? 0
                  : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "the error is the system's: file too large";
    EXPECT_EQ(Read(Path("image.bin")), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"image.bin"});
}

TEST_F(FileIo, ReplaceKeepsPermissionsFollowsLinksAndWritesThroughDevices) {
    Write(Path("private"), "old");
    ASSERT_EQ(chmod(Path("private").c_str(), 0640), 0);
    EXPECT_FALSE(ReplaceFileWhole(Path("private"), "new"));
    EXPECT_EQ(fs::status(Path("private")).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A link stays a link; the file it names is replaced.
    fs::create_symlink(Path("private"), Path("link"));
    EXPECT_FALSE(ReplaceFileWhole(Path("link"), "through the link"));
    EXPECT_TRUE(fs::is_symlink(Path("link")));
    EXPECT_EQ(Read(Path("private")), "through the link");

    // A device has no old content to keep: it is written to, never replaced.
    EXPECT_FALSE(ReplaceFileWhole("/dev/null", "gone"));
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
    // Unless the caller owns the path and wants a file there, whatever stands there now.
    ASSERT_EQ(mkfifo(Path("pipe").c_str(), 0600), 0);
    EXPECT_FALSE(ReplaceFileWhole(Path("pipe"), "a file now", SpecialTarget::kReplace));
    EXPECT_TRUE(fs::is_regular_file(Path("pipe")));
    EXPECT_EQ(Read(Path("pipe")), "a file now");
    EXPECT_EQ(Entries(), (std::vector<std::string>{"link", "pipe", "private"}));
}
#endif

TEST_F(FileIo, ALockIsHeldByOneAtATime) {
    auto first = std::make_unique<FileLock>(Path("x.lock"));
    ASSERT_TRUE(first->Held()) << first->Error().message();
    std::atomic<bool> second{false};
    std::thread other([&] {
        const FileLock lock(Path("x.lock"));
        second = lock.Held();
    });
    // While the first holds it the second waits (it could only pass too early here, never fail
    // too early); released, the second gets it.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(second.load());
    first.reset();
    other.join();
    EXPECT_TRUE(second.load());
    EXPECT_TRUE(fs::exists(Path("x.lock")));  // left for the next writer

    const FileLock nowhere(Path("none") / "x.lock");
    EXPECT_FALSE(nowhere.Held());
    EXPECT_TRUE(static_cast<bool>(nowhere.Error()));
}

// A reason is words, never a bare number: the ones a user can act on by name, the rest with the
// system's own words (a Greek or Cyrillic path once gave only "System error 22").
TEST(FileReason, NamesWhatAUserCanActOnAndGivesTheSystemsWordsForTheRest) {
    namespace str = resources::str;
    EXPECT_EQ(SystemReasonText(std::make_error_code(std::errc::invalid_argument)),
              resources::GetUIString(str::kReasonBadName));
    EXPECT_EQ(SystemReasonText(std::make_error_code(std::errc::file_exists)),
              resources::GetUIString(str::kReasonExists));
    const std::error_code other = std::make_error_code(std::errc::too_many_files_open);
    EXPECT_EQ(SystemReasonText(other),
              resources::FormatUIString(
                  str::kReasonSystemError,
                  {std::to_string(other.value()) + " (" + SystemWords(other) + ")"}));
    EXPECT_FALSE(SystemWords(other).empty());
    EXPECT_NE(SystemWords(other).back(), '.');
}

}  // namespace
}  // namespace kavrin::fileio
