#include "model/recovery.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <string_view>
#include <system_error>
#include <utility>

#include "fileio/file_reason.h"
#include "fileio/output_file.h"
#include "model/document.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace kavrin::model {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kPrefix = "kavrin-recovery-";
constexpr std::string_view kProgramSuffix = ".kvn";
constexpr std::string_view kNameSuffix = ".name";
constexpr std::string_view kLockSuffix = ".lock";
// What SaveActionFile and WriteNameFile leave beside their targets when cut short.
constexpr std::string_view kTemporarySuffix = ".saving";

std::uint64_t CurrentProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<std::uint64_t>(getpid());
#endif
}

fs::path WithSuffix(fs::path path, std::string_view suffix) {
    path += fs::path(std::string(suffix));
    return path;
}

// The stem of a file of the recovery folder, or empty for any other file.
std::string StemOf(const fs::path& file) {
    const std::u8string name8 = file.filename().u8string();
    std::string name(name8.begin(), name8.end());
    if (!name.starts_with(kPrefix)) {
        return {};
    }
    if (name.ends_with(kTemporarySuffix)) {
        name.resize(name.size() - kTemporarySuffix.size());
    }
    for (std::string_view suffix : {kProgramSuffix, kNameSuffix, kLockSuffix}) {
        if (name.ends_with(suffix) && name.size() > kPrefix.size() + suffix.size()) {
            return name.substr(0, name.size() - suffix.size());
        }
    }
    return {};
}

void RemoveFiles(const TRecoveryFiles& files, bool lockToo) {
    std::error_code ignored;
    for (const fs::path& path : {files.program, files.name}) {
        fs::remove(path, ignored);
        fs::remove(WithSuffix(path, kTemporarySuffix), ignored);
    }
    if (lockToo) {
        fs::remove(files.lock, ignored);
    }
}

// The file name a program belongs to, replaced whole like a program.
TFileResult WriteNameFile(const fs::path& path, const fs::path& fileName) {
    const std::u8string text = fileName.u8string();
    const std::error_code error = fileio::ReplaceFileWhole(
        path, std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
    if (!error) return {true, {}, false, {}, TFileProblem::None};
    const std::u8string shown = path.u8string();
    const std::string reason = fileio::SystemReasonText(error);
    return {false,
            resources::FormatUIString(resources::str::kCannotSaveFile,
                                      {std::string(shown.begin(), shown.end()), reason}),
            true, reason, TFileProblem::CannotSave};
}

fs::path ReadNameFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    return fs::path(std::u8string(text.begin(), text.end()));
}

// The program of a copy and the mode it was made in: a Beginner program reads in Beginner mode,
// an Advanced one only in Advanced mode.
std::optional<TMode> ReadProgram(const fs::path& path, TActionProgram& program) {
    for (const TMode mode : {TMode::Beginner, TMode::Advanced}) {
        if (LoadActionFile(path, mode, program).ok) {
            return mode;
        }
    }
    return std::nullopt;
}

}  // namespace

// --- Names ---------------------------------------------------------------------------------------

TRecoveryFiles RecoveryFiles(const fs::path& folder, const std::string& stem) {
    const fs::path base = folder / fs::path(stem);
    return {WithSuffix(base, kProgramSuffix), WithSuffix(base, kNameSuffix),
            WithSuffix(base, kLockSuffix)};
}

std::string RecoveryStem(std::uint64_t pid, std::int64_t startMs) {
    return std::string(kPrefix) + std::to_string(pid) + "-" + std::to_string(startMs);
}

const std::string& OwnRecoveryStem() {
    static const std::string stem =
        RecoveryStem(CurrentProcessId(), std::chrono::duration_cast<std::chrono::milliseconds>(
                                             std::chrono::system_clock::now().time_since_epoch())
                                             .count());
    return stem;
}

// --- Finding copies ------------------------------------------------------------------------------

std::vector<TRecoveryCopy> FindRecoveryCopies(const fs::path& folder) {
    std::vector<std::string> stems;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        std::string stem = StemOf(it->path());
        if (!stem.empty() && stem != OwnRecoveryStem() &&
            std::ranges::find(stems, stem) == stems.end()) {
            stems.push_back(std::move(stem));
        }
    }
    std::vector<TRecoveryCopy> copies;
    for (const std::string& stem : stems) {
        const TRecoveryFiles files = RecoveryFiles(folder, stem);
        TFileLock claim = TFileLock(files.lock, fileio::LockWait::kNotAtAll);
        if (!claim.Held()) {
            continue;  // its Kavrin still runs, or another one is offering it right now
        }
        std::error_code ignored;
        if (!fs::is_regular_file(files.program, ignored)) {
            // Nothing to offer: what is left of a Kavrin that never wrote a program.
            RemoveFiles(files, false);
            claim.Release();
            fs::remove(files.lock, ignored);
            continue;
        }
        TRecoveryCopy copy;
        const std::optional<TMode> mode = ReadProgram(files.program, copy.program);
        const auto time = fs::last_write_time(files.program, error);
        if (!mode || error) {
            continue;  // left alone: perhaps a later Kavrin reads it
        }
        copy.stem = stem;
        copy.mode = *mode;
        copy.fileName = ReadNameFile(files.name);
        copy.written = std::chrono::time_point_cast<std::chrono::system_clock::duration>(
            std::chrono::file_clock::to_sys(time));
        copy.claim = std::move(claim);
        copies.push_back(std::move(copy));
    }
    std::ranges::sort(copies, [](const TRecoveryCopy& a, const TRecoveryCopy& b) {
        return a.written > b.written;
    });
    return copies;
}

void RemoveRecoveryCopy(const fs::path& folder, TRecoveryCopy& copy) {
    const TRecoveryFiles files = RecoveryFiles(folder, copy.stem);
    RemoveFiles(files, false);
    copy.claim.Release();
    std::error_code ignored;
    fs::remove(files.lock, ignored);
}

// --- The keeper ----------------------------------------------------------------------------------

bool HasUnsavedSteps(const TActionDocument& document) {
    if (!document.Modified()) {
        return false;
    }
    for (int list = 1; list <= kListCount; ++list) {
        if (document.Count(list) > 0) {
            return true;
        }
    }
    return false;
}

TRecoveryKeeper::TRecoveryKeeper(fs::path folder, std::string stem)
    : files_(RecoveryFiles(folder, stem)) {
    std::error_code ignored;
    fs::create_directories(folder, ignored);
    lock_ = TFileLock(files_.lock, fileio::LockWait::kNotAtAll);
}

TRecoveryKeeper::~TRecoveryKeeper() {
    if (lock_.Held()) {
        lock_.Release();
        std::error_code ignored;
        fs::remove(files_.lock, ignored);
    }
}

std::optional<std::chrono::milliseconds> TRecoveryKeeper::Noticed(const TActionDocument& document,
                                                                  Clock::time_point now) {
    if (!HasUnsavedSteps(document)) {
        Remove();
        return std::nullopt;
    }
    const std::uint64_t revision = document.Revision();
    if (!Active() || (hasCopy_ && writtenRevision_ == revision)) {
        pending_.reset();
        return std::nullopt;
    }
    if (!pending_) {
        pending_ = TPending{now, now + kRecoveryQuietTime, revision};
    } else if (pending_->revision != revision) {
        // Another change: the quiet time starts again, as long as the first one is not kept
        // waiting beyond the latest moment.
        pending_->revision = revision;
        pending_->due = std::min(now + kRecoveryQuietTime, pending_->first + kRecoveryLatestWrite);
    }
    return std::max(std::chrono::milliseconds::zero(),
                    std::chrono::ceil<std::chrono::milliseconds>(pending_->due - now));
}

TFileResult TRecoveryKeeper::Write(const TActionDocument& document) {
    pending_.reset();
    if (!Active() || !HasUnsavedSteps(document) ||
        (hasCopy_ && writtenRevision_ == document.Revision())) {
        return {true, {}, false, {}, TFileProblem::None};
    }
    if (writtenName_ != document.FileName()) {
        TFileResult named = WriteNameFile(files_.name, document.FileName());
        if (!named.ok) {
            return named;
        }
        writtenName_ = document.FileName();
    }
    TFileResult result = SaveActionFile(files_.program, document.Program(), document.Mode());
    if (result.ok) {
        hasCopy_ = true;
        writtenRevision_ = document.Revision();
    }
    return result;
}

void TRecoveryKeeper::Remove() {
    pending_.reset();
    if (!Active() || (!hasCopy_ && !writtenName_)) {
        return;
    }
    RemoveFiles(files_, false);
    hasCopy_ = false;
    writtenRevision_.reset();
    writtenName_.reset();
}

}  // namespace kavrin::model
