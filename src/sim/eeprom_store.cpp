#include "sim/eeprom_store.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "fileio/file_lock.h"
#include "fileio/input_file.h"
#include "fileio/output_file.h"

namespace kavrin::sim {

namespace {

constexpr std::string_view kMark = "KEE1";
constexpr std::size_t kMarkSize = 4, kSumSize = 4;
constexpr std::size_t kFileSize = kMarkSize + kStoredEepromSize + kSumSize;
constexpr char kLockSuffix[] = ".lock";
constexpr std::uint32_t kFnvOffset = 2166136261u, kFnvPrime = 16777619u;

std::uint32_t CheckSum(const StoredEeprom& image) {
    std::uint32_t h = kFnvOffset;
    for (const std::uint8_t b : image) h = (h ^ b) * kFnvPrime;
    return h;
}

}  // namespace

bool LoadEepromFile(const std::string& path, StoredEeprom& image, std::string* problem) {
    image.fill(0);
    std::string bytes, why;
    const fileio::ReadResult result =
        fileio::ReadInputFile(fileio::PathFromUtf8(path), kFileSize, bytes);
    if (result.problem == fileio::ReadProblem::kNotRegular ||
        (result.problem == fileio::ReadProblem::kSystem &&
         result.error == std::errc::is_a_directory)) {
        why = path + " is not a regular file";
    } else if (result.problem == fileio::ReadProblem::kSystem) {
        if (result.error != std::errc::no_such_file_or_directory)
            why = path + ": " + result.Reason();
    } else if (bytes.size() != kFileSize) {
        why = path + " is damaged: " +
              (result.Ok() ? "it holds " + std::to_string(bytes.size()) + " bytes, not " +
                                 std::to_string(kFileSize)
                           : "it is longer than " + std::to_string(kFileSize) + " bytes");
    } else if (std::string_view(bytes.data(), kMarkSize) != kMark) {
        why = path + " is damaged: it does not start with " + std::string(kMark);
    }
    StoredEeprom stored{};
    if (why.empty() && result.Ok()) {
        for (std::size_t i = 0; i < kStoredEepromSize; ++i)
            stored[i] = static_cast<std::uint8_t>(bytes[kMarkSize + i]);
        std::uint32_t sum = 0;
        for (std::size_t i = 0; i < kSumSize; ++i)
            sum |= static_cast<std::uint32_t>(
                       static_cast<std::uint8_t>(bytes[kMarkSize + kStoredEepromSize + i]))
                   << (8 * i);
        if (sum != CheckSum(stored)) why = path + " is damaged: its check sum does not match";
    }
    if (problem) *problem = why;
    if (!why.empty() || !result.Ok()) return false;
    image = stored;
    return true;
}

// Writers take turns through the lock file beside the EEPROM file, held from the write to the
// rename: each download's report then says what the file held right after it.
bool SaveEepromFile(const std::string& path, const StoredEeprom& image, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path target = fileio::PathFromUtf8(path);
    if (target.has_parent_path()) fs::create_directories(target.parent_path(), ec);
    std::string bytes(kFileSize, '\0');
    for (std::size_t i = 0; i < kMarkSize; ++i) bytes[i] = kMark[i];
    for (std::size_t i = 0; i < kStoredEepromSize; ++i)
        bytes[kMarkSize + i] = static_cast<char>(image[i]);
    const std::uint32_t sum = CheckSum(image);
    for (std::size_t i = 0; i < kSumSize; ++i)
        bytes[kMarkSize + kStoredEepromSize + i] = static_cast<char>((sum >> (8 * i)) & 0xFFu);
    const std::string lockName = path + kLockSuffix;
    const fileio::FileLock lock(fileio::PathFromUtf8(lockName));
    if (!lock.Held()) {
        error = "cannot lock " + lockName + ": " + lock.Error().message();
        return false;
    }
    // Whatever else stands at the path (a FIFO, a device) is replaced: the file is the robot's.
    if (const std::error_code failed =
            fileio::ReplaceFileWhole(target, bytes, fileio::SpecialTarget::kReplace)) {
        error = "cannot replace " + path + ": " + failed.message();
        return false;
    }
    return true;
}

}  // namespace kavrin::sim
