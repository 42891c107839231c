#pragma once
// Every file Kavrin writes itself (program images, EEPROM dumps, timelines, .kvn saves, the
// virtual robot's EEPROM) is written here: whole, or not at all. The bytes go to a temporary
// file of a unique name in the target's folder, are flushed to the disk (fsync,
// FlushFileBuffers) and the temporary is renamed over the target. On any failure the old file
// is untouched and the temporary removed; the error is the system's.
//
// A target that is a symbolic link replaces the file it names; one that keeps its permissions
// gets them on the new file. A device or FIFO named as the target has no old content to keep:
// it is written through as it is (unless the caller asks for it to be replaced). A folder is
// refused.

#include <filesystem>
#include <string_view>
#include <system_error>

namespace kavrin::fileio {

enum class SpecialTarget {
    kWriteThrough,  // a device or FIFO at the path is written to (/dev/null, /dev/stdout)
    kReplace,       // whatever is at the path (but a folder) is replaced by the new file
};

// Replaces the file at path by bytes. An empty error on success.
std::error_code ReplaceFileWhole(const std::filesystem::path& path, std::string_view bytes,
                                 SpecialTarget special = SpecialTarget::kWriteThrough);

}  // namespace kavrin::fileio
