#pragma once
// The judge's files (CSV, report) written whole through fileio::ReplaceFileWhole, with the message
// the command line prints when that fails.

#include <filesystem>
#include <string>
#include <string_view>

namespace kavrin::judge {

// Empty on success, else why not ("cannot write report.html: Permission denied").
std::string WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kavrin::judge
