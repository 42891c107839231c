#include "fileio/file_lock.h"

#include <cerrno>

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

FileLock::FileLock(const std::filesystem::path& lockFile) {
    const HANDLE file = CreateFileW(lockFile.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error_ = {static_cast<int>(GetLastError()), std::system_category()};
        return;
    }
    // A synchronous handle: the call returns once the first byte's range is ours.
    OVERLAPPED at{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
        error_ = {static_cast<int>(GetLastError()), std::system_category()};
        CloseHandle(file);
        return;
    }
    handle_ = file;
}

FileLock::~FileLock() {
    if (handle_ == nullptr) return;
    OVERLAPPED at{};
    UnlockFileEx(static_cast<HANDLE>(handle_), 0, 1, 0, &at);
    CloseHandle(static_cast<HANDLE>(handle_));
}

#else

// flock, not fcntl: its lock belongs to the open file, so two threads of one process that each
// open the lock file exclude each other too, and closing some other descriptor of the same file
// does not drop it.
FileLock::FileLock(const std::filesystem::path& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) {
        error_ = {errno, std::generic_category()};
        return;
    }
    int result = 0;
    while ((result = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
    }
    if (result != 0) {
        error_ = {errno, std::generic_category()};
        ::close(fd);
        return;
    }
    fd_ = fd;
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // drops the lock
}

#endif

}  // namespace kavrin::fileio
