#include "resources/resources.h"

#include <algorithm>
#include <cstring>

#include "resources/embedded.h"

namespace kavrin::resources {

namespace {

using embedded::TEmbeddedResource;

// Orders the table the way the generator sorts it: type name by bytes, then number.
bool Before(const TEmbeddedResource& r, std::string_view type, int id) {
    const int byType = std::string_view(r.type).compare(type);
    return byType < 0 || (byType == 0 && r.id < id);
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

std::span<const std::uint8_t> find(std::string_view type, int id) {
    const TEmbeddedResource* begin = embedded::kResources;
    const TEmbeddedResource* end = begin + embedded::kResourceCount;
    const TEmbeddedResource* found = std::lower_bound(
        begin, end, 0, [&](const TEmbeddedResource& r, int) { return Before(r, type, id); });
    if (found == end || found->id != id || std::string_view(found->type) != type) {
        return {};
    }
    return {found->data, found->size};
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
