#pragma once
// Every file Kavrin reads comes through here: a regular file, or standard input ("-") where the
// caller allows it. Anything else (a FIFO, a device, a socket, a folder) is refused before
// anything could wait for it: it is looked at with stat first and opened without waiting
// (O_NONBLOCK on POSIX, then checked again on the open descriptor). Never more than the
// caller's limit plus one byte is read, so an endless or huge file costs nothing.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

namespace kavrin::fileio {

// The name that stands for standard input.
inline constexpr std::string_view kStandardInput = "-";

enum class ReadProblem {
    kNone,
    kSystem,      // the system's reason (no such file, no permission, a folder, a read error)
    kNotRegular,  // a FIFO, a device or a socket: never opened for reading
    kTooLarge,    // more than the limit: the content holds the first limit + 1 bytes
};

struct ReadResult {
    ReadProblem problem = ReadProblem::kNone;
    std::error_code error;  // with kSystem
    std::size_t limit = 0;  // with kTooLarge

    bool Ok() const { return problem == ReadProblem::kNone; }
    // What is wrong, in English and without the file's name, for after "FILE: ": the system's
    // words, "not a regular file" or "larger than N bytes". Empty when nothing is.
    std::string Reason() const;
};

enum class Source {
    kFile,                 // "-" is a file of that name
    kFileOrStandardInput,  // "-" is standard input (as it is, whatever it is)
};

// Reads the file into content (cleared first): at most limit + 1 bytes.
ReadResult ReadInputFile(const std::filesystem::path& path, std::size_t limit, std::string& content,
                         Source source = Source::kFile);

// The path as messages show it (UTF-8).
std::string ShownPath(const std::filesystem::path& path);

// A UTF-8 path (as the core's string paths are) as the system names it: wide on Windows, where a
// narrow path would be read in the ANSI code page and could not spell every user's folder.
std::filesystem::path PathFromUtf8(const std::string& utf8);

}  // namespace kavrin::fileio
