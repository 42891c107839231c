#pragma once
// The recovery copy. While the lists hold unsaved changes, a running Kavrin keeps a copy of its
// program in the user's data folder, so that a crash, a kill or a power cut loses at most the
// last moments of work. Every running Kavrin has files of its own there, named after its
// process (its id and the moment it started, so that an id the system hands out again names
// other files):
//
//   kavrin-recovery-<pid>-<start>.kvn   the program: an ordinary .kvn file written by
//                                       SaveActionFile (beside, then renamed over), the mode in
//                                       its record, the moment of the last write its time
//   kavrin-recovery-<pid>-<start>.name  the file the program belongs to, as UTF-8; empty for an
//                                       unnamed program. Written (beside, then renamed over)
//                                       before the first program of that name
//   kavrin-recovery-<pid>-<start>.lock  locked by its Kavrin as long as that runs; the system
//                                       lets the lock go when the process ends, however it ends
//
// A copy is offered only once its lock is free: another Kavrin still running keeps its own.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "fileio/file_lock.h"
#include "model/action_program.h"
#include "model/kvn_file.h"

namespace kavrin::model {

class TActionDocument;

// A stream of changes writes the copy this long after the last of them...
inline constexpr std::chrono::milliseconds kRecoveryQuietTime{500};
// ...but never later than this after the first change not yet in the copy.
inline constexpr std::chrono::milliseconds kRecoveryLatestWrite{1500};

// The files of one Kavrin's copy, by their common stem ("kavrin-recovery-<pid>-<start>").
struct TRecoveryFiles {
    std::filesystem::path program;
    std::filesystem::path name;
    std::filesystem::path lock;
};
TRecoveryFiles RecoveryFiles(const std::filesystem::path& folder, const std::string& stem);
// The stem of this process's files: its id and the moment it started (ms since 1970).
std::string RecoveryStem(std::uint64_t pid, std::int64_t startMs);
// This process's stem, the same for the whole run.
const std::string& OwnRecoveryStem();

// An exclusive lock on a file that the system releases when the process ends, however it ends;
// taken without waiting, so not held while another process (or another lock in this one) holds it.
using TFileLock = fileio::FileLock;

// A copy left by a Kavrin that no longer runs.
struct TRecoveryCopy {
    std::string stem;
    TMode mode = TMode::Beginner;
    TActionProgram program;
    std::filesystem::path fileName;  // empty: an unnamed program
    std::chrono::system_clock::time_point written;
    // Held while the copy is offered, so that a Kavrin starting meanwhile does not offer it too.
    TFileLock claim;
};

// The copies in folder whose Kavrin no longer runs, newest first, each claimed. A copy that
// cannot be read stays where it is; what a Kavrin left without a program (it ended before its
// first write, or between writing the name and the program) is removed.
std::vector<TRecoveryCopy> FindRecoveryCopies(const std::filesystem::path& folder);

// Removes an offered copy's files and lets its claim go.
void RemoveRecoveryCopy(const std::filesystem::path& folder, TRecoveryCopy& copy);

// The running Kavrin's side: when its copy is due, writing it, and removing it.
class TRecoveryKeeper {
public:
    using Clock = std::chrono::steady_clock;

    // Locks the files of stem in folder (made if need be). Without the lock nothing is written.
    explicit TRecoveryKeeper(std::filesystem::path folder, std::string stem = OwnRecoveryStem());
    // Lets the lock go and removes the lock file; a copy still there stays for the next start.
    ~TRecoveryKeeper();
    TRecoveryKeeper(const TRecoveryKeeper&) = delete;
    TRecoveryKeeper& operator=(const TRecoveryKeeper&) = delete;

    // Called after anything that may have changed the document. Returns how long from now
    // the copy is due, or nothing when no write is due. Without unsaved steps (saved, loaded,
    // cleared, never changed) the copy is removed here.
    std::optional<std::chrono::milliseconds> Noticed(const TActionDocument& document,
                                                     Clock::time_point now);
    // Writes the copy now when the document holds unsaved steps that it does not hold yet.
    TFileResult Write(const TActionDocument& document);
    // The copy goes: the program was saved, loaded, cleared, or left unsaved at a normal end.
    void Remove();

    bool Active() const { return lock_.Held(); }
    bool HasCopy() const { return hasCopy_; }
    const TRecoveryFiles& Files() const { return files_; }

private:
    struct TPending {
        Clock::time_point first;  // the first change not in the copy
        Clock::time_point due;
        std::uint64_t revision = 0;  // the document's revision when last noticed
    };

    TRecoveryFiles files_;
    TFileLock lock_;
    bool hasCopy_ = false;
    std::optional<std::uint64_t> writtenRevision_;
    std::optional<std::filesystem::path> writtenName_;
    std::optional<TPending> pending_;
};

// Whether a document holds something worth a copy: unsaved changes and at least one step.
bool HasUnsavedSteps(const TActionDocument& document);

}  // namespace kavrin::model
