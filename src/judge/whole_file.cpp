#include "judge/whole_file.h"

#include <system_error>

#include "fileio/file_reason.h"
#include "fileio/input_file.h"
#include "fileio/output_file.h"

namespace kavrin::judge {

std::string WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    const std::error_code error = fileio::ReplaceFileWhole(path, bytes);
    if (!error) return {};
    return "cannot write " + fileio::ShownPath(path) + ": " + fileio::SystemWords(error);
}

}  // namespace kavrin::judge
