#include "fileio/output_file.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <string>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kavrin::fileio {

namespace fs = std::filesystem;

namespace {

// How many names a writer tries before it gives up (a try fails only on a name taken).
constexpr int kNameTries = 100;
// The longest target name that the temporary's name repeats.
constexpr std::size_t kLongestNameKept = 200;

std::error_code Errno(int error) { return {error, std::generic_category()}; }

std::uint64_t ProcessId() {
#ifdef _WIN32
    return GetCurrentProcessId();
#else
    return static_cast<std::uint64_t>(::getpid());
#endif
}

// ".NAME.XXXXXXXXXXXX.tmp" beside the target, a name no other writer uses at the same time: the
// process, a count within it and the clock, mixed. The temporary is created exclusively all the
// same, so a clash costs one more try.
fs::path TemporaryBeside(const fs::path& target) {
    static std::atomic<std::uint64_t> count{0};
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::uint64_t mix = (ProcessId() << 40) ^ (count.fetch_add(1) << 24) ^ ticks;
    mix ^= mix >> 33;
    mix *= 0xFF51AFD7ED558CCDull;
    mix ^= mix >> 33;
    static constexpr char kHex[] = "0123456789abcdef";
    std::string suffix = ".";
    for (int i = 0; i < 12; ++i, mix >>= 4) suffix += kHex[mix & 0xF];
    suffix += ".tmp";
    // A name near the system's limit of 255 leaves no room for the suffix: then the temporary
    // goes without it.
    fs::path file = ".";
    if (target.filename().native().size() <= kLongestNameKept) {
        file += target.filename();
    } else {
        file += "kavrin";
    }
    file += suffix;
    return target.parent_path() / file;
}

#ifdef _WIN32

std::error_code LastError() { return {static_cast<int>(GetLastError()), std::system_category()}; }

std::error_code WriteAll(HANDLE file, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 30));
        DWORD written = 0;
        if (!WriteFile(file, bytes.data(), want, &written, nullptr)) return LastError();
        bytes.remove_prefix(written);
    }
    return {};
}

std::error_code WriteThrough(const fs::path& path, std::string_view bytes) {
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    const std::error_code error = WriteAll(file, bytes);
    CloseHandle(file);
    return error;
}

std::error_code WriteTemporary(const fs::path& temporary, std::string_view bytes, bool& created) {
    created = false;
    const HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    created = true;
    std::error_code error = WriteAll(file, bytes);
    if (!error && !FlushFileBuffers(file)) error = LastError();
    if (!CloseHandle(file) && !error) error = LastError();
    return error;
}

bool NameTaken(const std::error_code& error) {
    return error.category() == std::system_category() &&
           (error.value() == ERROR_FILE_EXISTS || error.value() == ERROR_ALREADY_EXISTS);
}

std::error_code Rename(const fs::path& from, const fs::path& to) {
    if (!MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return LastError();
    return {};
}

void Remove(const fs::path& path) { DeleteFileW(path.c_str()); }

// What is at the path: the file to replace (a link's own target is followed by the system), and
// whether it is a device or the like that is written through.
std::error_code Examine(const fs::path& path, SpecialTarget special, fs::path& target,
                        bool& through, unsigned&) {
    target = path;
    through = false;
    std::error_code ec;
    const fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) return {};  // a new file (or the create says why not)
    if (fs::is_directory(status)) return Errno(EISDIR);
    if (fs::is_symlink(fs::symlink_status(path, ec))) {
        const fs::path real = fs::canonical(path, ec);
        if (!ec) target = real;
    }
    through = !fs::is_regular_file(status) && special == SpecialTarget::kWriteThrough;
    return {};
}

void KeepMode(const fs::path&, unsigned) {}

#else

std::error_code WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return Errno(errno);
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return {};
}

std::error_code WriteThrough(const fs::path& path, std::string_view bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return Errno(errno);
    const std::error_code error = WriteAll(fd, bytes);
    if (::close(fd) != 0 && !error) return Errno(errno);
    return error;
}

std::error_code WriteTemporary(const fs::path& temporary, std::string_view bytes, bool& created) {
    created = false;
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (fd < 0) return Errno(errno);
    created = true;
    std::error_code error = WriteAll(fd, bytes);
    // A file system without fsync for files (EINVAL) has nothing more to give.
    if (!error && ::fsync(fd) != 0 && errno != EINVAL) error = Errno(errno);
    if (::close(fd) != 0 && !error) error = Errno(errno);
    return error;
}

bool NameTaken(const std::error_code& error) { return error == std::errc::file_exists; }

std::error_code Rename(const fs::path& from, const fs::path& to) {
    if (::rename(from.c_str(), to.c_str()) != 0) return Errno(errno);
    // The new name is on the disk once its folder is; a folder that cannot say so is no failure.
    fs::path folder = to.parent_path();
    if (folder.empty()) folder = ".";
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return {};
}

void Remove(const fs::path& path) { ::unlink(path.c_str()); }

std::error_code Examine(const fs::path& path, SpecialTarget special, fs::path& target,
                        bool& through, unsigned& mode) {
    target = path;
    through = false;
    mode = 0;
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};  // a new file (or the create says why not)
    if (S_ISDIR(st.st_mode)) return Errno(EISDIR);
    if (!S_ISREG(st.st_mode)) {
        through = special == SpecialTarget::kWriteThrough;
        return {};
    }
    mode = static_cast<unsigned>(st.st_mode & 07777);
    struct stat link {};
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        std::error_code ec;
        const fs::path real = fs::canonical(path, ec);
        if (!ec) target = real;
    }
    return {};
}

// The new file keeps the old one's permissions (the system's default for a file that is new).
void KeepMode(const fs::path& temporary, unsigned mode) {
    if (mode != 0) ::chmod(temporary.c_str(), static_cast<mode_t>(mode));
}

#endif

}  // namespace

std::error_code ReplaceFileWhole(const fs::path& path, std::string_view bytes,
                                 SpecialTarget special) {
    fs::path target;
    bool through = false;
    unsigned mode = 0;
    if (const std::error_code refused = Examine(path, special, target, through, mode))
        return refused;
    if (through) return WriteThrough(path, bytes);

    std::error_code error;
    for (int attempt = 0; attempt < kNameTries; ++attempt) {
        const fs::path temporary = TemporaryBeside(target);
        bool created = false;
        error = WriteTemporary(temporary, bytes, created);
        if (!created && NameTaken(error)) continue;
        if (!error) {
            KeepMode(temporary, mode);
            error = Rename(temporary, target);
        }
        if (error && created) Remove(temporary);
        return error;
    }
    return error;
}

}  // namespace kavrin::fileio
