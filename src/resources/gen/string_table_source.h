#pragma once
// The readable form of a string table (resources/WSDATA/*.tsv), read by both build tools: the
// resource generator stores the texts, the artwork tool draws the skin's captions from them.
//
//   # a comment
//   366<TAB>"text"      the number, a tab, the text between double quotes (\" and \\ inside)
//
// UTF-8 in the file. Header only: the two tools share nothing else.

#include <cstddef>
#include <string>
#include <vector>

namespace kavrin::resources::gen {

// Splits at LF; a CR right before the LF belongs to the break, not to the line.
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string current;
    for (char c : text) {
        if (c == '\n') {
            if (!current.empty() && current.back() == '\r') {
                current.pop_back();
            }
            lines.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        lines.push_back(current);
    }
    return lines;
}

// A resource number: decimal digits only, at most 65,535.
inline bool ParseResourceId(const std::string& text, int& id) {
    constexpr long kMaxResourceId = 65535;
    if (text.empty() || text.size() > 5) {
        return false;
    }
    long value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (value > kMaxResourceId) return false;
    id = static_cast<int>(value);
    return true;
}

struct TStringLine {
    enum class EKind { Nothing, Entry, Malformed };
    EKind kind = EKind::Nothing;
    int id = 0;
    std::string text;   // the entry's text, unescaped
    std::string error;  // what is wrong with a malformed line
};

// One line of the table: a comment or blank line holds nothing.
inline TStringLine ParseStringLine(const std::string& line) {
    TStringLine out;
    const std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') {
        return out;
    }
    out.kind = TStringLine::EKind::Malformed;
    const std::size_t tab = line.find('\t');
    if (tab == std::string::npos || !ParseResourceId(line.substr(0, tab), out.id)) {
        out.error = "expected a number, a tab and a quoted text";
        return out;
    }
    // The quotes make leading and trailing blanks unambiguous.
    const std::string field = line.substr(tab + 1);
    if (field.size() < 2 || field.front() != '"' || field.back() != '"') {
        out.error = "text must stand between double quotes";
        return out;
    }
    for (std::size_t i = 1; i + 1 < field.size(); ++i) {
        char c = field[i];
        if (c == '\\') {
            if (i + 2 >= field.size() || (field[i + 1] != '"' && field[i + 1] != '\\')) {
                out.error = "only \\\" and \\\\ may be escaped";
                return out;
            }
            c = field[++i];
        } else if (c == '"') {
            out.error = "unescaped quote inside the text";
            return out;
        }
        out.text += c;
    }
    out.kind = TStringLine::EKind::Entry;
    return out;
}

}  // namespace kavrin::resources::gen
