#pragma once
// The pieces of the small line formats of the table (arenas, and missions built on them): words
// split at blanks, numbers that must be finite, a message and a word quoted in it, the "FILE:LINE:"
// place every message starts with, the built-in texts by name and reading a file.

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin::sim::text {

// The words of a line, split at spaces, tabs and carriage returns.
std::vector<std::string_view> Words(std::string_view line);

// A finite number written out in full ("1e999", "inf", "nan" and "1,5" are not).
std::optional<double> Number(std::string_view word);

// "\"word\"".
std::string Quoted(std::string_view word);

// What is wrong, in the current language: the string table's text with its places filled.
std::string Message(int stringId, std::initializer_list<std::string_view> args = {});

// "FILE:LINE: message", or "FILE: message" for a whole-file message (line 0).
std::string Located(const std::string& fileName, int lineNo, const std::string& message);

// A text built in under a name (the built-in arenas and missions).
struct NamedText {
    std::string_view name;
    std::string_view text;
};
// Their names, in order.
std::vector<std::string> Names(std::span<const NamedText> texts);
// The text of that name, or nothing.
std::optional<std::string_view> TextNamed(std::span<const NamedText> texts, std::string_view name);

// The most an arena or mission file may hold: far more than any table takes.
inline constexpr std::size_t kMaxFileSize = 1024 * 1024;

// The whole of a regular file (UTF-8 path) of at most kMaxFileSize bytes; anything else, or
// a larger one, is refused with "FILE: cannot read: REASON" in error.
bool ReadFile(const std::string& path, std::string& content, std::string& error);

}  // namespace kavrin::sim::text
