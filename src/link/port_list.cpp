#include "link/port_list.h"
#include "resources/ui_strings.h"

#include <algorithm>
#include <cstdint>

#include "resources/resources.h"

namespace kavrin::link {

namespace {

// Greek letters of the basic block: small letters sit 0x20 above their capitals, the final
// sigma maps to the capital sigma, and the accented ones pair up irregularly.
struct CaseRange {
    char32_t first;
    char32_t last;
    char32_t upperFirst;
};
constexpr CaseRange kCaseRanges[] = {
    {U'a', U'z', U'A'},
    {U'\u03B1', U'\u03C1', U'\u0391'},  // alpha .. rho
    {U'\u03C2', U'\u03C2', U'\u03A3'},  // final sigma
    {U'\u03C3', U'\u03C9', U'\u03A3'},  // sigma .. omega
    {U'\u03CA', U'\u03CB', U'\u03AA'},  // iota and upsilon with dialytika
    {U'\u03AC', U'\u03AC', U'\u0386'},  // alpha with tonos
    {U'\u03AD', U'\u03AF', U'\u0388'},  // epsilon, eta, iota with tonos
    {U'\u03CC', U'\u03CC', U'\u038C'},  // omicron with tonos
    {U'\u03CD', U'\u03CE', U'\u038E'},  // upsilon, omega with tonos
};

char32_t UpperOf(char32_t c) {
    for (const CaseRange& r : kCaseRanges) {
        if (c >= r.first && c <= r.last) {
            return r.upperFirst + (c - r.first);
        }
    }
    return c;
}

// Appends a code point below U+0800 (all this table produces) as UTF-8.
void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

}  // namespace

std::string UpperCaseText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto b0 = static_cast<std::uint8_t>(text[i]);
        if (b0 < 0x80) {
            AppendUtf8(out, UpperOf(b0));
            ++i;
        } else if ((b0 & 0xE0) == 0xC0 && i + 1 < text.size() &&
                   (static_cast<std::uint8_t>(text[i + 1]) & 0xC0) == 0x80) {
            const char32_t c =
                (char32_t{b0 & 0x1Fu} << 6) | (static_cast<std::uint8_t>(text[i + 1]) & 0x3Fu);
            AppendUtf8(out, UpperOf(c));
            i += 2;
        } else {
            out += text[i];  // longer sequences and stray bytes pass unchanged
            ++i;
        }
    }
    return out;
}

PortChoice::PortChoice()
    : items_{UpperCaseText(resources::GetUIString(resources::str::kAutomatic))} {}

void PortChoice::SetCurrentIndex(int index) {
    current_ = (index >= 0 && index < static_cast<int>(items_.size())) ? index : 0;
}

void PortChoice::SetPorts(const std::vector<std::string>& ports) {
    const std::string remembered = items_[static_cast<std::size_t>(current_)];
    items_.clear();
    items_.push_back(UpperCaseText(resources::GetUIString(resources::str::kAutomatic)));
    items_.insert(items_.end(), ports.begin(), ports.end());
    SelectPort(remembered);
}

std::string PortChoice::SelectPort(std::string_view name) {
    current_ = 0;
    // The automatic entry is never a port, so only the port names are searched.
    const auto found = std::find(items_.begin() + 1, items_.end(), name);
    if (found != items_.end()) {
        current_ = static_cast<int>(found - items_.begin());
    }
    return GetSelectedPort();
}

std::string PortChoice::GetSelectedPort() const {
    return current_ < 1 ? std::string(kAutoPort) : items_[static_cast<std::size_t>(current_)];
}

}  // namespace kavrin::link
