#include "fileio/input_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

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

#include "fileio/file_reason.h"

namespace kavrin::fileio {

namespace {

ReadResult SystemError(std::error_code error) { return {ReadProblem::kSystem, error, 0}; }
ReadResult SystemError(int error) {
    return SystemError(std::error_code(error, std::generic_category()));
}
ReadResult NotRegular() { return {ReadProblem::kNotRegular, {}, 0}; }

// Past the limit: what was read stays, one byte beyond it.
ReadResult Finished(const std::string& content, std::size_t limit) {
    if (content.size() > limit) return {ReadProblem::kTooLarge, {}, limit};
    return {};
}

constexpr std::size_t kChunk = 64 * 1024;

// Standard input as it is (a pipe, a terminal or a file): it is what the user handed over.
ReadResult ReadStandardInput(std::size_t limit, std::string& content) {
    char chunk[4096];
    while (content.size() <= limit) {
        const std::size_t want = std::min(sizeof chunk, limit + 1 - content.size());
        const std::size_t got = std::fread(chunk, 1, want, stdin);
        content.append(chunk, got);
        if (got < want) {
            if (std::ferror(stdin)) return SystemError(errno != 0 ? errno : EIO);
            break;
        }
    }
    return Finished(content, limit);
}

#ifdef _WIN32

ReadResult LastError() {
    return SystemError(std::error_code(static_cast<int>(GetLastError()), std::system_category()));
}

ReadResult ReadRegularFile(const std::filesystem::path& path, std::size_t limit,
                           std::string& content) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec) return SystemError(ec);
    if (std::filesystem::is_directory(status)) return SystemError(EISDIR);
    if (!std::filesystem::is_regular_file(status)) return NotRegular();
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastError();
    ReadResult result;
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK) {
        result = NotRegular();
    } else if (!GetFileInformationByHandle(file, &info)) {
        result = LastError();
    } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        result = SystemError(EISDIR);
    } else {
        std::string chunk(kChunk, '\0');
        while (content.size() <= limit) {
            const DWORD want =
                static_cast<DWORD>(std::min(chunk.size(), limit + 1 - content.size()));
            DWORD got = 0;
            if (!ReadFile(file, chunk.data(), want, &got, nullptr)) {
                result = LastError();
                break;
            }
            if (got == 0) break;
            content.append(chunk.data(), got);
        }
        if (result.Ok()) result = Finished(content, limit);
    }
    CloseHandle(file);
    return result;
}

#else

// What the descriptor or path is, as a refusal; none for a regular file.
bool Refused(const struct stat& st, ReadResult& result) {
    if (S_ISDIR(st.st_mode)) {
        result = SystemError(EISDIR);
        return true;
    }
    if (!S_ISREG(st.st_mode)) {
        result = NotRegular();
        return true;
    }
    return false;
}

ReadResult ReadDescriptor(int fd, std::size_t limit, std::string& content) {
    std::string chunk(kChunk, '\0');
    while (content.size() <= limit) {
        const std::size_t want = std::min(chunk.size(), limit + 1 - content.size());
        const ssize_t got = ::read(fd, chunk.data(), want);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return SystemError(errno);
        if (got == 0) break;
        content.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return Finished(content, limit);
}

// Opening a FIFO for reading waits for a writer, and a device may do anything on open: what is
// not a regular file is refused from its stat. It could be swapped in between, so the open does
// not wait (O_NONBLOCK) and the descriptor is looked at again before a byte is read; then reads
// wait as usual.
ReadResult ReadRegularFile(const std::filesystem::path& path, std::size_t limit,
                           std::string& content) {
    struct stat st {};
    ReadResult result;
    if (::stat(path.c_str(), &st) != 0) return SystemError(errno);
    if (Refused(st, result)) return result;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return SystemError(errno);
    if (::fstat(fd, &st) != 0) {
        result = SystemError(errno);
    } else if (!Refused(st, result)) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            result = SystemError(errno);
        } else {
            result = ReadDescriptor(fd, limit, content);
        }
    }
    ::close(fd);
    return result;
}

#endif

}  // namespace

std::string ReadResult::Reason() const {
    switch (problem) {
        case ReadProblem::kNone:
            return {};
        case ReadProblem::kSystem:
            return SystemWords(error);
        case ReadProblem::kNotRegular:
            return "not a regular file";
        case ReadProblem::kTooLarge:
            return "larger than " + std::to_string(limit) + " bytes";
    }
    return {};
}

ReadResult ReadInputFile(const std::filesystem::path& path, std::size_t limit, std::string& content,
                         Source source) {
    content.clear();
    if (source == Source::kFileOrStandardInput && path == std::filesystem::path(kStandardInput)) {
        return ReadStandardInput(limit, content);
    }
    return ReadRegularFile(path, limit, content);
}

std::string ShownPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::filesystem::path PathFromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace kavrin::fileio
