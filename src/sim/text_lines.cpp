#include "sim/text_lines.h"

#include <charconv>
#include <cmath>

#include "fileio/file_reason.h"
#include "fileio/input_file.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::sim::text {

namespace {

bool Blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

}  // namespace

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && Blank(line[i])) ++i;
        const std::size_t start = i;
        while (i < line.size() && !Blank(line[i])) ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

std::optional<double> Number(std::string_view word) {
    double value = 0;
    const char* end = word.data() + word.size();
    const auto [ptr, ec] = std::from_chars(word.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::string Quoted(std::string_view word) {
    std::string q;
    q.reserve(word.size() + 2);
    q += '"';
    q.append(word);
    q += '"';
    return q;
}

std::string Message(int stringId, std::initializer_list<std::string_view> args) {
    return resources::FormatUIString(stringId, args);
}

std::string Located(const std::string& fileName, int lineNo, const std::string& message) {
    std::string where = fileName;
    if (lineNo > 0) {
        where += ':';
        where += std::to_string(lineNo);
    }
    return where + ": " + message;
}

std::vector<std::string> Names(std::span<const NamedText> texts) {
    std::vector<std::string> names;
    for (const NamedText& t : texts) names.emplace_back(t.name);
    return names;
}

std::optional<std::string_view> TextNamed(std::span<const NamedText> texts, std::string_view name) {
    for (const NamedText& t : texts) {
        if (t.name == name) return t.text;
    }
    return std::nullopt;
}

bool ReadFile(const std::string& path, std::string& content, std::string& error) {
    const fileio::ReadResult read =
        fileio::ReadInputFile(fileio::PathFromUtf8(path), kMaxFileSize, content);
    if (read.Ok()) return true;
    content.clear();
    error = Located(path, 0,
                    Message(resources::str::kFileCannotRead) + ": " + fileio::ReadReasonText(read));
    return false;
}

}  // namespace kavrin::sim::text
