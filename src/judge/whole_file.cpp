#include "judge/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <system_error>

namespace kavrin::judge {

namespace {

std::FILE* OpenForWriting(const std::filesystem::path& path) {
#ifdef _WIN32
    return _wfopen(path.c_str(), L"wb");
#else
    return std::fopen(path.c_str(), "wb");
#endif
}

std::string Failed(const std::filesystem::path& path, const std::error_code& ec) {
    const std::u8string name = path.u8string();
    return "cannot write " + std::string(name.begin(), name.end()) + ": " + ec.message();
}

}  // namespace

std::string WriteWholeFile(const std::filesystem::path& path, std::string_view bytes) {
    std::filesystem::path temporary = path;
    temporary += ".writing";
    std::FILE* file = OpenForWriting(temporary);
    if (file == nullptr) return Failed(path, {errno, std::generic_category()});
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    const int closeError = errno;
    std::error_code ignored;
    if (!written || !closed) {
        std::filesystem::remove(temporary, ignored);
        return Failed(path, {!written ? writeError : closeError, std::generic_category()});
    }
    std::error_code renamed;
    std::filesystem::rename(temporary, path, renamed);
    if (renamed) {
        std::filesystem::remove(temporary, ignored);
        return Failed(path, renamed);
    }
    return {};
}

}  // namespace kavrin::judge
