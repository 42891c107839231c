#include "fileio/file_lock.h"

#include <cerrno>
#include <utility>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace kavrin::fileio {

#ifdef _WIN32

FileLock::FileLock(const std::filesystem::path& lockFile, LockWait wait) {
    const HANDLE file = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = {static_cast<int>(GetLastError()), std::system_category()};
        return;
    }
    // A synchronous handle: the call returns once the first byte's range is ours (or, not
    // waiting, at once).
    OVERLAPPED at{};
    const DWORD flags =
        LOCKFILE_EXCLUSIVE_LOCK | (wait == LockWait::kNotAtAll ? LOCKFILE_FAIL_IMMEDIATELY : 0);
    if (!LockFileEx(file, flags, 0, 1, 0, &at)) {
        const DWORD error = GetLastError();
        if (error != ERROR_LOCK_VIOLATION)
            error_ = {static_cast<int>(error), std::system_category()};
        CloseHandle(file);
        return;
    }
    handle_ = file;
}

bool FileLock::Held() const { return handle_ != nullptr; }

void FileLock::Release() {
    if (handle_ == nullptr) return;
    OVERLAPPED at{};
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

FileLock::FileLock(FileLock&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)), error_(other.error_) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        handle_ = std::exchange(other.handle_, nullptr);
        error_ = other.error_;
    }
    return *this;
}

#else

// flock, not fcntl: its lock belongs to the open file, so two threads of one process that each
// open the lock file exclude each other too, and closing some other descriptor of the same file
// does not drop it.
FileLock::FileLock(const std::filesystem::path& lockFile, LockWait wait) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        error_ = {errno, std::generic_category()};
        return;
    }
    const int operation = LOCK_EX | (wait == LockWait::kNotAtAll ? LOCK_NB : 0);
    int result = 0;
    while ((result = ::flock(fd, operation)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
        if (errno != EWOULDBLOCK) error_ = {errno, std::generic_category()};
        ::close(fd);
        return;
    }
    fd_ = fd;
}

bool FileLock::Held() const { return fd_ >= 0; }

void FileLock::Release() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));  // drops the lock
}

FileLock::FileLock(FileLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), error_(other.error_) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        Release();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
    }
    return *this;
}

#endif

}  // namespace kavrin::fileio
