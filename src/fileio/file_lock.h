#pragma once
// An exclusive lock on a lock file, held for the lifetime of the object: processes (and threads)
// that lock the same file take turns. The file is made when missing and left in place: removing
// it would let a newcomer lock a fresh file while an older one still holds the removed one. The
// system drops the lock when its holder ends, however it ends, so a crash leaves none behind.
// POSIX: flock on a descriptor of its own; Windows: LockFileEx.

#include <filesystem>
#include <system_error>

namespace kavrin::fileio {

enum class LockWait {
    kUntilHeld,  // take turns: wait while another holds it
    kNotAtAll,   // held only if nobody else holds it now
};

class FileLock {
public:
    FileLock() = default;  // holds nothing
    // Locks the file, waiting or not; Held() says whether it is held, Error() why not (empty
    // when another holder refused a lock that does not wait).
    explicit FileLock(const std::filesystem::path& lockFile, LockWait wait = LockWait::kUntilHeld);
    ~FileLock() { Release(); }
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool Held() const;
    const std::error_code& Error() const { return error_; }
    void Release();

private:
#ifdef _WIN32
    void* handle_ = nullptr;
#else
    int fd_ = -1;
#endif
    std::error_code error_;
};

}  // namespace kavrin::fileio
