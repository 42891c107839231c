#include "judge/whole_file.h"

#include <system_error>

#include "fileio/output_file.h"

namespace kavrin::judge {

std::error_code WriteWhole(const std::filesystem::path& path, std::string_view bytes) {
    return fileio::ReplaceFileWhole(path, bytes);
}

std::string WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    const std::error_code error = WriteWhole(path, bytes);
    if (!error) return {};
    const std::u8string name = path.u8string();
    return "cannot write " + std::string(name.begin(), name.end()) + ": " + error.message();
}

}  // namespace kavrin::judge
