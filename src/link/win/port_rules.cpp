#include "link/win/port_rules.h"

#include <algorithm>
#include <charconv>
#include <limits>
#include <optional>
#include <tuple>

namespace kavrin::link::win {

namespace {

constexpr std::string_view kComPrefix = "COM";
constexpr std::string_view kDevicePrefix = "\\\\.\\";
constexpr std::uint32_t kNoInterval = std::numeric_limits<std::uint32_t>::max();
// The longest first-byte wait COMMTIMEOUTS can express with the "return on any byte" form.
constexpr std::uint32_t kLongestWait = kNoInterval - 1;

// Win32 error codes (winerror.h).
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorBusy = 170;

bool IsDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The number of "COMn" (any case), or none for every other name.
std::optional<unsigned> ComNumber(std::string_view name) {
    if (name.size() <= kComPrefix.size()) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < kComPrefix.size(); ++i) {
        if ((name[i] & ~0x20) != kComPrefix[i]) {
            return std::nullopt;
        }
    }
    const std::string_view digits = name.substr(kComPrefix.size());
    unsigned number = 0;
    if (!IsDigits(digits) ||
        std::from_chars(digits.data(), digits.data() + digits.size(), number).ec != std::errc{}) {
        return std::nullopt;
    }
    return number;
}

}  // namespace

void SortPortNames(std::vector<std::string>& names) {
    // COM ports first (false < true), by number; the rest by name.
    const auto key = [](const std::string& name) {
        const std::optional<unsigned> number = ComNumber(name);
        return std::tuple(!number.has_value(), number.value_or(0), std::string_view(name));
    };
    std::stable_sort(
        names.begin(), names.end(),
        [&key](const std::string& a, const std::string& b) { return key(a) < key(b); });
}

std::string DevicePathOf(std::string_view name) {
    if (name.starts_with(kDevicePrefix)) {
        return std::string(name);
    }
    return std::string(kDevicePrefix) + std::string(name);
}

OpenError OpenErrorOf(std::uint32_t systemError) {
    switch (systemError) {
        case kErrorFileNotFound:
        case kErrorPathNotFound:
            return OpenError::NoSuchPort;
        case kErrorAccessDenied:
        case kErrorSharingViolation:
        case kErrorBusy:
            return OpenError::InUse;
        default:
            return OpenError::Other;
    }
}

ReadTimeouts ReadTimeoutsFor(int timeoutMs) {
    if (timeoutMs <= 0) {
        return {kNoInterval, 0, 0};
    }
    const auto wait = std::min(static_cast<std::uint32_t>(timeoutMs), kLongestWait);
    return {kNoInterval, kNoInterval, wait};
}

}  // namespace kavrin::link::win
