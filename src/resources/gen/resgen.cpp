// kavrin-resgen: turns the readable resource sources into the C++ source of the embedded store.
//
//   kavrin-resgen RESOURCE_DIR... OUTPUT.cpp
//
// Each RESOURCE_DIR holds one folder per resource type ("DATA", "WSDATA", "GIF", "BMP"); the
// folder name is the type. The first is the sources' folder, later ones hold what other build
// steps generate (the skin's pictures); a type, number and language may come from one of them
// only. What a file becomes depends on its name:
//
//   <id>.velic, <id>.txt   text: LF or CR LF line breaks become CR LF, the final line break is
//                          dropped (the stored text has none); only printable ASCII and tabs
//   <id>.u16               16-bit numbers (decimal or 0x hex), low byte first; # starts a comment
//   <id>.bin/.gif/.bmp     copied byte for byte
//   <name>.u16tab          one resource per line: "<id> <numbers...>", as .u16
//   <name>.tsv             string table: "<id><TAB>"text"" per line, UTF-8 in the file, stored
//                          as raw UTF-16LE without terminator; \" and \\ escape inside quotes
//
// A name ending in "_" and a two-letter language code ("strings_en.tsv", "222_en.gif") holds
// that language's forms; a name without one holds the base forms, which the program shows where a
// language has no form of its own.
//
// Anything else, a duplicate type and number, or a malformed line stops the build with the file
// and line named, so that a slip in a source never ships as a silently wrong resource.

#include <algorithm>
#include <cctype>
#include <compare>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "string_table_source.h"

namespace fs = std::filesystem;

namespace {

using kavrin::resources::gen::SplitLines;
namespace gen = kavrin::resources::gen;

using Bytes = std::vector<std::uint8_t>;
// Type, number, language ("" for the base forms). Ordered as the lookup searches: by type name,
// then number, then language.
struct Key {
    std::string type;
    int id = 0;
    std::string language;

    auto operator<=>(const Key&) const = default;
};

constexpr long kMaxU16 = 65535;

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const fs::path& file, int line, const std::string& what) {
    std::string where = file.string();
    if (line > 0) {
        where += ":" + std::to_string(line);
    }
    throw Failure(where + ": " + what);
}

std::string ReadFile(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        Fail(file, 0, "cannot read");
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool ParseNumber(const std::string& token, long maxValue, long& value) {
    if (token.empty()) {
        return false;
    }
    std::size_t used = 0;
    try {
        const int base = token.starts_with("0x") || token.starts_with("0X") ? 16 : 10;
        value = std::stol(token, &used, base);
    } catch (const std::exception&) {
        return false;
    }
    return used == token.size() && value >= 0 && value <= maxValue;
}

// Resource numbers are 16-bit, as in the executable's resource table.
bool ParseId(const std::string& text, int& id) { return gen::ParseResourceId(text, id); }

// --- Formats ----------------------------------------------------------------------------------

Bytes TextResource(const fs::path& file) {
    const std::string source = ReadFile(file);
    const std::vector<std::string> lines = SplitLines(source);
    Bytes out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        for (char c : lines[i]) {
            const auto u = static_cast<unsigned char>(c);
            // The program text is single-byte; keep the sources to what every code page agrees on.
            if (u != '\t' && (u < 32 || u > 126)) {
                Fail(file, static_cast<int>(i + 1), "character outside printable ASCII");
            }
            out.push_back(u);
        }
        if (i + 1 < lines.size()) {
            out.push_back('\r');
            out.push_back('\n');
        }
    }
    return out;
}

void AppendU16(Bytes& out, long value) {
    out.push_back(static_cast<std::uint8_t>(value & 0xFF));
    out.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

std::string StripComment(const std::string& line) { return line.substr(0, line.find('#')); }

Bytes U16Numbers(const fs::path& file, int lineNo, std::istringstream& words) {
    Bytes out;
    std::string word;
    while (words >> word) {
        long value = 0;
        if (!ParseNumber(word, kMaxU16, value)) {
            Fail(file, lineNo, "not a 16-bit number: " + word);
        }
        AppendU16(out, value);
    }
    return out;
}

Bytes U16Resource(const fs::path& file) {
    Bytes out;
    const std::vector<std::string> lines = SplitLines(ReadFile(file));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::istringstream words(StripComment(lines[i]));
        const Bytes part = U16Numbers(file, static_cast<int>(i + 1), words);
        out.insert(out.end(), part.begin(), part.end());
    }
    return out;
}

// Appends the UTF-16LE form of one UTF-8 text; refuses malformed UTF-8.
bool Utf8ToUtf16Le(const std::string& text, Bytes& out) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        std::uint32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1Fu;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0Fu;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07u;
        } else {
            return false;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size()) {
            return false;  // the sequence is cut off by the end of the text
        }
        for (int k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((cont & 0xC0) != 0x80) {
                return false;
            }
            cp = (cp << 6) | (cont & 0x3Fu);
        }
        static constexpr std::uint32_t kMinForLength[] = {0, 0x80, 0x800, 0x10000};
        if (cp < kMinForLength[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            return false;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            AppendU16(out, static_cast<long>(0xD800 + (cp >> 10)));
            AppendU16(out, static_cast<long>(0xDC00 + (cp & 0x3FF)));
        } else {
            AppendU16(out, static_cast<long>(cp));
        }
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

void Add(std::map<Key, Bytes>& store, const fs::path& file, int lineNo, const Key& key,
         Bytes bytes) {
    if (!store.emplace(key, std::move(bytes)).second) {
        const std::string language = key.language.empty() ? "" : " (" + key.language + ")";
        Fail(
            file, lineNo,
            "resource " + key.type + " " + std::to_string(key.id) + language + " is defined twice");
    }
}

void StringTable(const fs::path& file, const std::string& type, const std::string& language,
                 std::map<Key, Bytes>& store) {
    const std::vector<std::string> lines = SplitLines(ReadFile(file));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        const gen::TStringLine entry = gen::ParseStringLine(lines[i]);
        if (entry.kind == gen::TStringLine::EKind::Malformed) {
            Fail(file, lineNo, entry.error);
        }
        if (entry.kind == gen::TStringLine::EKind::Nothing) {
            continue;
        }
        Bytes bytes;
        if (!Utf8ToUtf16Le(entry.text, bytes)) {
            Fail(file, lineNo, "text is not valid UTF-8");
        }
        Add(store, file, lineNo, {type, entry.id, language}, std::move(bytes));
    }
}

void U16Table(const fs::path& file, const std::string& type, const std::string& language,
              std::map<Key, Bytes>& store) {
    const std::vector<std::string> lines = SplitLines(ReadFile(file));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int lineNo = static_cast<int>(i + 1);
        std::istringstream words(StripComment(lines[i]));
        std::string idText;
        if (!(words >> idText)) {
            continue;
        }
        int id = 0;
        if (!ParseId(idText, id)) {
            Fail(file, lineNo, "expected a resource number first");
        }
        Add(store, file, lineNo, {type, id, language}, U16Numbers(file, lineNo, words));
    }
}

// Splits "<name>_<xx>" into the name and the language code xx (two lower-case letters); a name
// without such an ending keeps it whole and belongs to the base forms.
std::pair<std::string, std::string> SplitLanguage(const std::string& stem) {
    const std::size_t n = stem.size();
    if (n > 3 && stem[n - 3] == '_' && std::islower(static_cast<unsigned char>(stem[n - 2])) &&
        std::islower(static_cast<unsigned char>(stem[n - 1]))) {
        return {stem.substr(0, n - 3), stem.substr(n - 2)};
    }
    return {stem, {}};
}

void AddFile(const fs::path& file, const std::string& type, std::map<Key, Bytes>& store) {
    const std::string ext = file.extension().string();
    const auto [stem, language] = SplitLanguage(file.stem().string());
    if (ext == ".tsv") {
        StringTable(file, type, language, store);
        return;
    }
    if (ext == ".u16tab") {
        U16Table(file, type, language, store);
        return;
    }
    int id = 0;
    if (!ParseId(stem, id)) {
        Fail(file, 0, "a single resource file is named by its number");
    }
    const Key key{type, id, language};
    if (ext == ".velic" || ext == ".txt") {
        Add(store, file, 0, key, TextResource(file));
    } else if (ext == ".u16") {
        Add(store, file, 0, key, U16Resource(file));
    } else if (ext == ".bin" || ext == ".gif" || ext == ".bmp") {
        const std::string raw = ReadFile(file);
        Add(store, file, 0, key, Bytes(raw.begin(), raw.end()));
    } else {
        Fail(file, 0, "unknown resource source kind '" + ext + "'");
    }
}

// --- Output -----------------------------------------------------------------------------------

constexpr int kBytesPerLine = 24;

std::string Emit(const std::map<Key, Bytes>& store) {
    std::ostringstream out;
    out << "// Generated by kavrin-resgen from the resources folder; do not edit.\n"
           "#include \"resources/embedded.h\"\n\n"
           "namespace kavrin::resources::embedded {\n\nnamespace {\n\n";
    int index = 0;
    for (const auto& [key, bytes] : store) {
        out << "// " << key.type << " " << key.id << (key.language.empty() ? "" : " ")
            << key.language << ", " << bytes.size() << " bytes\n"
            << "const std::uint8_t r" << index++ << "[] = {";
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            out << (i % kBytesPerLine == 0 ? "\n    " : " ") << static_cast<int>(bytes[i]) << ',';
        }
        if (bytes.empty()) {
            out << "0";  // an array cannot be empty; the size below stays 0
        }
        out << "\n};\n";
    }
    out << "\n}  // namespace\n\n"
        << "// Sorted by type, then number, then language, for the binary search of find().\n"
        << "const TEmbeddedResource kResources[] = {\n";
    index = 0;
    for (const auto& [key, bytes] : store) {
        out << "    {\"" << key.type << "\", " << key.id << ", \"" << key.language << "\", r"
            << index++ << ", " << bytes.size() << "},\n";
    }
    if (store.empty()) {
        out << "    {\"\", -1, \"\", nullptr, 0},\n";
    }
    out << "};\n\nconst std::size_t kResourceCount = " << store.size() << ";\n\n"
        << "}  // namespace kavrin::resources::embedded\n";
    return out.str();
}

bool IsTypeName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    });
}

// Collects the source files of every type folder under root.
void AddTypeFolders(const fs::path& root, std::vector<fs::path>& files) {
    if (!fs::is_directory(root)) {
        Fail(root, 0, "not a folder");
    }
    for (const fs::directory_entry& typeDir : fs::directory_iterator(root)) {
        if (!typeDir.is_directory() || typeDir.path().filename().string().starts_with('.')) {
            continue;  // notes beside the type folders
        }
        const std::string type = typeDir.path().filename().string();
        if (!IsTypeName(type)) {
            Fail(typeDir.path(), 0, "a type folder is named in upper case");
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(typeDir.path())) {
            const std::string name = entry.path().filename().string();
            // Hidden files and editor backups are no sources.
            if (entry.is_regular_file() && !name.starts_with('.') && !name.ends_with('~')) {
                files.push_back(entry.path());
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fputs("usage: kavrin-resgen RESOURCE_DIR... OUTPUT.cpp\n", stderr);
        return 2;
    }
    try {
        std::map<Key, Bytes> store;
        std::vector<fs::path> files;
        for (int arg = 1; arg + 1 < argc; ++arg) {
            AddTypeFolders(argv[arg], files);
        }
        std::sort(files.begin(), files.end());  // stable messages whatever the directory order
        for (const fs::path& file : files) {
            AddFile(file, file.parent_path().filename().string(), store);
        }
        const std::string code = Emit(store);
        // Rewrite only on change, so that an unchanged store does not recompile.
        const fs::path output = argv[argc - 1];
        if (fs::exists(output) && ReadFile(output) == code) {
            return 0;
        }
        std::ofstream out(output, std::ios::binary | std::ios::trunc);
        out << code;
        if (!out) {
            Fail(output, 0, "cannot write");
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavrin-resgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
