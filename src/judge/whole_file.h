#pragma once
// Writing a file whole: the bytes go to a temporary file beside it, which is then renamed over
// it, so a reader never sees half a file and a failed write leaves the old file as it was.

#include <filesystem>
#include <string>
#include <string_view>

namespace kavrin::judge {

// Empty on success, else why not ("cannot write report.html: Permission denied").
std::string WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kavrin::judge
