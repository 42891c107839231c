#include "model/kvn_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::model {

namespace {

namespace str = resources::str;
using resources::FormatUIString;

constexpr std::size_t kSignatureLength = sizeof(kSignatureText) - 1;
static_assert(kSignatureLength + 1 <= kSignatureSize);

std::size_t SlotOffset(int list, int slot) {
    return kOffsetLists + static_cast<std::size_t>(list - 1) * kListSize +
           static_cast<std::size_t>(slot) * kStepSize;
}

// Opens a file by its path as the system names it (wide on Windows, so any name works).
std::FILE* OpenFile(const std::filesystem::path& path, bool write) {
#ifdef _WIN32
    return _wfopen(path.c_str(), write ? L"wb" : L"rb");
#else
    return std::fopen(path.c_str(), write ? "wb" : "rb");
#endif
}

// The path as the messages show it.
std::string Shown(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::string VersionText(std::uint8_t version) {
    return std::to_string(version >> 4) + "." + std::to_string(version & 0x0F);
}

std::string VersionMessage(std::uint8_t version) {
    return FormatUIString(str::kWrongFileVersion, {VersionText(version), VersionText(kFormatVersion)});
}

// The reasons a user can act on in the user's language; any other by its number.
std::string SystemReason(int error) {
    switch (error) {
    case ENOENT: return resources::GetUIString(str::kReasonNoSuchFile);
    case EACCES:
    case EPERM: return resources::GetUIString(str::kReasonAccessDenied);
    case ENOSPC: return resources::GetUIString(str::kReasonDiskFull);
    case EROFS: return resources::GetUIString(str::kReasonReadOnly);
    case EISDIR: return resources::GetUIString(str::kReasonIsFolder);
    default: return FormatUIString(str::kReasonSystemError, {std::to_string(error)});
    }
}

// A file system error as an errno value where it has one (on Windows the system's own codes map
// to them), else the code itself.
std::string SystemReason(const std::error_code& ec) {
    const std::error_condition condition = ec.default_error_condition();
    return SystemReason(condition.category() == std::generic_category() ? condition.value()
                                                                        : ec.value());
}

TFileResult CannotSave(const std::filesystem::path& path, const std::string& reason) {
    return {false, FormatUIString(str::kCannotSaveFile, {Shown(path), reason})};
}

TFileResult CannotOpen(const std::filesystem::path& path, const std::string& reason) {
    return {false, FormatUIString(str::kCannotOpenFile, {Shown(path), reason})};
}

TFileResult Failure(std::string message) { return {false, std::move(message)}; }

}  // namespace

TRecordBytes EncodeRecord(const TActionProgram& program, TMode mode) {
    TRecordBytes bytes{};
    bytes[0] = static_cast<std::uint8_t>(kSignatureLength);
    std::memcpy(&bytes[1], kSignatureText, kSignatureLength);
    bytes[kOffsetVersion] = kFormatVersion;
    bytes[kOffsetAdvanced] = mode == TMode::Advanced ? 1 : 0;
    bytes[kOffsetLeftCenter] = program.leftServoCenter;
    bytes[kOffsetRightCenter] = program.rightServoCenter;
    for (int list = 1; list <= kListCount; ++list) {
        const int count = program.Count(list);
        for (int slot = 0; slot < kSlotsPerList; ++slot) {
            // Slots past the last step repeat the header slot; its negative value is what tells
            // the reader where the list ends.
            const bool isStep = slot >= 1 && slot <= count;
            const TBotAction& step = isStep ? program.Step(list, slot) : program.Step(list, 0);
            EncodeStep(step, std::span<std::uint8_t, kStepSize>(&bytes[SlotOffset(list, slot)],
                                                                kStepSize));
        }
    }
    return bytes;
}

TFileResult DecodeRecord(std::span<const std::uint8_t> bytes, TMode mode,
                         TActionProgram& program) {
    if (bytes.size() < kRecordSize || bytes[0] != kSignatureLength ||
        std::memcmp(&bytes[1], kSignatureText, kSignatureLength) != 0) {
        return Failure(resources::GetUIString(str::kNotKavrinFile));
    }
    if (bytes[kOffsetVersion] != kFormatVersion) {
        return Failure(VersionMessage(bytes[kOffsetVersion]));
    }
    if (mode == TMode::Beginner && bytes[kOffsetAdvanced] != 0) {
        return Failure(resources::GetUIString(str::kAdvancedFileInBeginner));
    }

    // Decode into a copy so that a refused record leaves the caller's program untouched.
    TActionProgram loaded;
    loaded.leftServoCenter = bytes[kOffsetLeftCenter];
    loaded.rightServoCenter = bytes[kOffsetRightCenter];
    for (int list = 1; list <= kListCount; ++list) {
        int count = 0;
        for (int slot = 1; slot < kSlotsPerList; ++slot) {
            const TBotAction step = DecodeStep(
                std::span<const std::uint8_t, kStepSize>(&bytes[SlotOffset(list, slot)], kStepSize));
            if (step.value < 0) {
                break;
            }
            // Later stages index tables by kind and sensor set; a damaged file must not reach them.
            if (step.kind >= kActionKindCount) {
                return Failure(resources::GetUIString(str::kNotKavrinFile));
            }
            for (std::uint8_t set : step.sensors) {
                if (set >= kSensorSetCount) {
                    return Failure(resources::GetUIString(str::kNotKavrinFile));
                }
            }
            loaded.Step(list, slot) = step;
            count = slot;
        }
        loaded.Count(list) = count;
    }
    program = loaded;
    return {true, {}};
}

TFileResult SaveFileWhole(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    // Write beside the target and rename over it: a failed write never damages the old file.
    std::filesystem::path temporary = path;
    temporary += ".saving";
    std::FILE* file = OpenFile(temporary, true);
    if (file == nullptr) {
        return CannotSave(path, SystemReason(errno));
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    std::error_code ignored;
    if (!written || !closed) {
        std::filesystem::remove(temporary, ignored);
        return CannotSave(path, SystemReason(!written ? writeError : closeError));
    }
    std::error_code renameError;
    std::filesystem::rename(temporary, path, renameError);
    if (renameError) {
        // The reason is the rename's: removing the temporary must not overwrite it.
        std::filesystem::remove(temporary, ignored);
        return CannotSave(path, SystemReason(renameError));
    }
    return {true, {}};
}

TFileResult SaveActionFile(const std::filesystem::path& path, const TActionProgram& program,
                           TMode mode) {
    const TRecordBytes bytes = EncodeRecord(program, mode);
    return SaveFileWhole(path, bytes);
}

TFileResult LoadActionFile(const std::filesystem::path& path, TMode mode, TActionProgram& program) {
    std::FILE* file = OpenFile(path, false);
    if (file == nullptr) {
        return CannotOpen(path, SystemReason(errno));
    }
    TRecordBytes bytes{};
    const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    const bool failed = std::ferror(file) != 0;
    const int readError = errno;
    std::fclose(file);
    if (failed) {
        return CannotOpen(path, SystemReason(readError));
    }
    return DecodeRecord(std::span<const std::uint8_t>(bytes.data(), got), mode, program);
}

}  // namespace kavrin::model
