#include "sim/eeprom_store.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <system_error>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kavrin::sim {

namespace {

constexpr std::string_view kMark = "KEE1";
constexpr std::size_t kMarkSize = 4, kSumSize = 4;
constexpr std::size_t kFileSize = kMarkSize + kStoredEepromSize + kSumSize;
constexpr std::uint32_t kFnvOffset = 2166136261u, kFnvPrime = 16777619u;

std::uint32_t CheckSum(const StoredEeprom& image) {
    std::uint32_t h = kFnvOffset;
    for (const std::uint8_t b : image) h = (h ^ b) * kFnvPrime;
    return h;
}

using FileBytes = std::array<char, kFileSize + 1>;  // one more, to see a file that is too long

std::string SystemText(int error) { return std::generic_category().message(error); }

// Paths arrive in UTF-8. On Windows a narrow path would be read in the ANSI code page, which
// cannot spell every user's folder (a Greek name on an English system), so it goes wide.
std::filesystem::path FilePath(const std::string& utf8) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
#else
    return std::filesystem::path(utf8);
#endif
}

#ifndef _WIN32
// Reads from fd until bytes is full or the file ends; -1 with the reason on an error.
long ReadAll(int fd, FileBytes& bytes, const std::string& path, std::string& problem) {
    long total = 0;
    while (static_cast<std::size_t>(total) < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + total, bytes.size() - static_cast<std::size_t>(total));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            problem = path + ": " + SystemText(errno);
            return -1;
        }
        if (got == 0) break;
        total += got;
    }
    return total;
}

// Reads up to bytes.size() bytes of a regular file; -1 with the reason (empty for a missing
// file) otherwise. Anything else is refused before it is opened, and opened without waiting
// in case it was swapped in between.
long ReadRegularFile(const std::string& path, FileBytes& bytes, std::string& problem) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        if (errno != ENOENT) problem = path + ": " + SystemText(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        problem = path + " is not a regular file";
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        problem = path + ": " + SystemText(errno);
        return -1;
    }
    long total = -1;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        problem = path + " is not a regular file";
    } else {
        total = ReadAll(fd, bytes, path, problem);
    }
    ::close(fd);
    return total;
}
#else
long ReadRegularFile(const std::string& path, FileBytes& bytes, std::string& problem) {
    std::error_code ec;
    const std::filesystem::path file = FilePath(path);
    const auto status = std::filesystem::status(file, ec);
    if (!std::filesystem::exists(status)) return -1;
    if (!std::filesystem::is_regular_file(status)) {
        problem = path + " is not a regular file";
        return -1;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        problem = path + ": cannot be read";
        return -1;
    }
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<long>(in.gcount());
}
#endif

}  // namespace

bool LoadEepromFile(const std::string& path, StoredEeprom& image, std::string* problem) {
    image.fill(0);
    FileBytes bytes{};
    std::string why;
    const long count = ReadRegularFile(path, bytes, why);
    if (problem) *problem = why;
    if (count < 0 || static_cast<std::size_t>(count) != kFileSize) return false;
    if (std::string_view(bytes.data(), kMarkSize) != kMark) return false;
    StoredEeprom read{};
    for (std::size_t i = 0; i < kStoredEepromSize; ++i) read[i] = static_cast<std::uint8_t>(bytes[kMarkSize + i]);
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kSumSize; ++i)
        sum |= static_cast<std::uint32_t>(static_cast<std::uint8_t>(bytes[kMarkSize + kStoredEepromSize + i])) << (8 * i);
    if (sum != CheckSum(read)) return false;
    image = read;
    return true;
}

bool SaveEepromFile(const std::string& path, const StoredEeprom& image, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = FilePath(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    const std::string temporaryName = path + ".new";
    const fs::path temporary = FilePath(temporaryName);
    fs::remove(temporary, ec);  // whatever a crash (or anyone) left there, never written through
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        const int openError = out.is_open() ? 0 : errno;
        std::array<char, kFileSize> bytes{};
        for (std::size_t i = 0; i < kMarkSize; ++i) bytes[i] = kMark[i];
        for (std::size_t i = 0; i < kStoredEepromSize; ++i) bytes[kMarkSize + i] = static_cast<char>(image[i]);
        const std::uint32_t sum = CheckSum(image);
        for (std::size_t i = 0; i < kSumSize; ++i)
            bytes[kMarkSize + kStoredEepromSize + i] = static_cast<char>((sum >> (8 * i)) & 0xFFu);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            error = "cannot write " + temporaryName;
            if (openError != 0) error += ": " + SystemText(openError);
            out.close();
            fs::remove(temporary, ec);
            return false;
        }
    }
    fs::rename(temporary, target, ec);
    if (ec) {
        error = "cannot replace " + path + ": " + ec.message();
        fs::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace kavrin::sim
