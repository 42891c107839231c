#pragma once
// The judge's files (CSV, report) written whole through fileio::ReplaceFileWhole, with the message
// the command line prints when that fails.

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace kavrin::judge {

// Empty on success, else why not ("cannot write report.html: Permission denied").
std::string WriteWholeFile(const std::filesystem::path& path, std::string_view bytes);
// The same write with the system's error as it is, for a window that says it in its own words.
std::error_code WriteWhole(const std::filesystem::path& path, std::string_view bytes);

}  // namespace kavrin::judge
