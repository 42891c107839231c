#include "resources/resources.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>

#include "resources/embedded.h"

namespace kavrin::resources {

namespace {

using embedded::TEmbeddedResource;

// Orders the table the way the generator sorts it: type name by bytes, then number (the forms of
// one number follow each other, the base form first).
bool Before(const TEmbeddedResource& r, std::string_view type, int id) {
    const int byType = std::string_view(r.type).compare(type);
    return byType < 0 || (byType == 0 && r.id < id);
}

// The forms of one type and number.
std::span<const TEmbeddedResource> Forms(std::string_view type, int id) {
    const TEmbeddedResource* begin = embedded::kResources;
    const TEmbeddedResource* end = begin + embedded::kResourceCount;
    const TEmbeddedResource* first = std::lower_bound(
        begin, end, 0, [&](const TEmbeddedResource& r, int) { return Before(r, type, id); });
    const TEmbeddedResource* last = first;
    while (last != end && last->id == id && std::string_view(last->type) == type) {
        ++last;
    }
    return {first, last};
}

// The code of a language's own forms in the store; the base forms have none.
std::string_view StoredCode(TLanguage language) {
    return language == TLanguage::Greek ? std::string_view() : LanguageCode(language);
}

std::span<const std::uint8_t> Bytes(const TEmbeddedResource& r) { return {r.data, r.size}; }

const TEmbeddedResource* OwnForm(std::string_view type, int id, TLanguage language) {
    for (const TEmbeddedResource& form : Forms(type, id)) {
        if (form.language == StoredCode(language)) {
            return &form;
        }
    }
    return nullptr;
}

std::atomic<TLanguage> gLanguage{TLanguage::Greek};

// The primary subtag of a language tag in lower case: "el" of "el-GR", "el_GR.UTF-8" or "EL".
std::string PrimaryTag(std::string_view tag) {
    std::string primary;
    for (char c : tag) {
        if (!std::isalpha(static_cast<unsigned char>(c))) break;
        primary += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return primary;
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

constexpr std::uint32_t kReplacementChar = 0xFFFD;

bool IsHighSurrogate(std::uint32_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(std::uint32_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::string_view LanguageCode(TLanguage language) {
    return language == TLanguage::Greek ? "el" : "en";
}

std::optional<TLanguage> LanguageOfCode(std::string_view code) {
    for (TLanguage language : kLanguages) {
        const std::string_view own = LanguageCode(language);
        if (code.size() == own.size() &&
            std::equal(code.begin(), code.end(), own.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == b;
            })) {
            return language;
        }
    }
    return std::nullopt;
}

void SetLanguage(TLanguage language) { gLanguage.store(language, std::memory_order_relaxed); }

TLanguage CurrentLanguage() { return gLanguage.load(std::memory_order_relaxed); }

TLanguage ChooseLanguage(std::string_view commandLine, std::string_view setting,
                         std::span<const std::string> uiLanguages) {
    for (std::string_view chosen : {commandLine, setting}) {
        if (const std::optional<TLanguage> language = LanguageOfCode(chosen)) {
            return *language;
        }
    }
    if (!uiLanguages.empty() && PrimaryTag(uiLanguages.front()) == LanguageCode(TLanguage::Greek)) {
        return TLanguage::Greek;
    }
    return TLanguage::English;
}

std::span<const std::uint8_t> findOwn(std::string_view type, int id, TLanguage language) {
    const TEmbeddedResource* form = OwnForm(type, id, language);
    return form ? Bytes(*form) : std::span<const std::uint8_t>();
}

std::span<const std::uint8_t> find(std::string_view type, int id, TLanguage language) {
    const TEmbeddedResource* form = OwnForm(type, id, language);
    if (!form) {
        form = OwnForm(type, id, TLanguage::Greek);
    }
    return form ? Bytes(*form) : std::span<const std::uint8_t>();
}

std::span<const std::uint8_t> find(std::string_view type, int id) {
    return find(type, id, CurrentLanguage());
}

std::vector<int> ownIds(std::string_view type, TLanguage language) {
    std::vector<int> ids;
    for (std::size_t i = 0; i < embedded::kResourceCount; ++i) {
        const TEmbeddedResource& r = embedded::kResources[i];
        if (r.type == type && r.language == StoredCode(language)) {
            ids.push_back(r.id);
        }
    }
    return ids;
}

std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes) {
    std::string out;
    out.reserve(bytes.size());
    const std::size_t units = bytes.size() / 2;
    auto unit = [&](std::size_t i) -> std::uint32_t {
        return static_cast<std::uint32_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    };
    for (std::size_t i = 0; i < units; ++i) {
        const std::uint32_t u = unit(i);
        if (IsHighSurrogate(u) && i + 1 < units && IsLowSurrogate(unit(i + 1))) {
            AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
            ++i;
        } else if (IsHighSurrogate(u) || IsLowSurrogate(u)) {
            AppendUtf8(out, kReplacementChar);
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

std::string GetUIString(int id) { return Utf16LeToUtf8(find(kStringType, id)); }

std::string GetUIString(int id, TLanguage language) {
    return Utf16LeToUtf8(find(kStringType, id, language));
}

std::string FormatText(std::string_view text, std::initializer_list<std::string_view> args) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const auto place = static_cast<std::size_t>(text[i + 1] - '1');
            if (place < args.size()) {
                out += *(args.begin() + place);
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string FormatUIString(int id, std::initializer_list<std::string_view> args) {
    return FormatText(GetUIString(id), args);
}

int DecodeFontCharset(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 2) {
        return kDefaultFontCharset;
    }
    return bytes[0] | (bytes[1] << 8);
}

int GetFontCharset() { return DecodeFontCharset(find(kDataType, kFontCharsetId)); }

TCommandLetters DecodeCommandLetters(std::span<const std::uint8_t> bytes) {
    const bool usable = bytes.size() == kCommandLetterCount &&
                        std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t c) {
                            return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
                        });
    if (!usable) {
        return kBuiltInCommandLetters;
    }
    TCommandLetters letters{};
    std::transform(bytes.begin(), bytes.end(), letters.begin(),
                   [](std::uint8_t c) { return static_cast<char>(c); });
    return letters;
}

TCommandLetters GetCommandLetters() {
    return DecodeCommandLetters(find(kDataType, kCommandLettersId));
}

std::string GetVersionText() { return KAVRIN_PRODUCT_VERSION; }

}  // namespace kavrin::resources
