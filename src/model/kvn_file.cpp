#include "model/kvn_file.h"

#include <cstring>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "fileio/file_reason.h"
#include "fileio/input_file.h"
#include "fileio/output_file.h"
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

std::string VersionText(std::uint8_t version) {
    return std::to_string(version >> 4) + "." + std::to_string(version & 0x0F);
}

std::string VersionMessage(std::uint8_t version) {
    return FormatUIString(str::kWrongFileVersion,
                          {VersionText(version), VersionText(kFormatVersion)});
}

TFileResult CannotSave(const std::filesystem::path& path, const std::string& reason) {
    return {false, FormatUIString(str::kCannotSaveFile, {fileio::ShownPath(path), reason}), true,
            reason, TFileProblem::CannotSave};
}

TFileResult CannotOpen(const std::filesystem::path& path, const std::string& reason) {
    return {false, FormatUIString(str::kCannotOpenFile, {fileio::ShownPath(path), reason}), true,
            reason, TFileProblem::CannotOpen};
}

TFileResult Failure(TFileProblem problem, const std::string& message) {
    return {false, message, false, message, problem};
}

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

TFileResult DecodeRecord(std::span<const std::uint8_t> bytes, TMode mode, TActionProgram& program) {
    if (bytes.size() < kRecordSize || bytes[0] != kSignatureLength ||
        std::memcmp(&bytes[1], kSignatureText, kSignatureLength) != 0) {
        return Failure(TFileProblem::NotKavrin, resources::GetUIString(str::kNotKavrinFile));
    }
    if (bytes[kOffsetVersion] != kFormatVersion) {
        return Failure(TFileProblem::WrongVersion, VersionMessage(bytes[kOffsetVersion]));
    }
    if (mode == TMode::Beginner && bytes[kOffsetAdvanced] != 0) {
        return Failure(TFileProblem::AdvancedInBeginner,
                       resources::GetUIString(str::kAdvancedFileInBeginner));
    }

    // Decode into a copy so that a refused record leaves the caller's program untouched.
    TActionProgram loaded;
    loaded.leftServoCenter = bytes[kOffsetLeftCenter];
    loaded.rightServoCenter = bytes[kOffsetRightCenter];
    for (int list = 1; list <= kListCount; ++list) {
        int count = 0;
        for (int slot = 1; slot < kSlotsPerList; ++slot) {
            const TBotAction step = DecodeStep(std::span<const std::uint8_t, kStepSize>(
                &bytes[SlotOffset(list, slot)], kStepSize));
            if (step.value < 0) {
                break;
            }
            // Later stages index tables by kind and sensor set; a damaged file must not reach them.
            if (step.kind >= kActionKindCount) {
                return Failure(TFileProblem::Damaged, resources::GetUIString(str::kNotKavrinFile));
            }
            for (std::uint8_t set : step.sensors) {
                if (set >= kSensorSetCount) {
                    return Failure(TFileProblem::Damaged,
                                   resources::GetUIString(str::kNotKavrinFile));
                }
            }
            loaded.Step(list, slot) = step;
            count = slot;
        }
        loaded.Count(list) = count;
    }
    program = loaded;
    return {true, {}, false, {}};
}

TFileResult SaveFileWhole(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    const std::error_code error = fileio::ReplaceFileWhole(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (error) {
        return CannotSave(path, fileio::SystemReasonText(error));
    }
    return {true, {}, false, {}};
}

TFileResult SaveActionFile(const std::filesystem::path& path, const TActionProgram& program,
                           TMode mode) {
    const TRecordBytes bytes = EncodeRecord(program, mode);
    return SaveFileWhole(path, bytes);
}

TFileResult LoadActionFile(const std::filesystem::path& path, TMode mode, TActionProgram& program) {
    // One record: whatever follows it is not read (as files with bytes after their record have
    // always loaded).
    std::string bytes;
    const fileio::ReadResult read = fileio::ReadInputFile(path, kRecordSize, bytes);
    if (read.problem == fileio::ReadProblem::kTooLarge) {
        bytes.resize(kRecordSize);
    } else if (!read.Ok()) {
        return CannotOpen(path, fileio::ReadReasonText(read));
    }
    return DecodeRecord(std::span<const std::uint8_t>(
                            reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                        mode, program);
}

}  // namespace kavrin::model
