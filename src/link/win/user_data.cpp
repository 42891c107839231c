// The user's data folder on Windows: %LOCALAPPDATA%\Kavrin, the folder Qt's application-local
// data location names, and the user's languages (the settings' registry key, the system's
// preferred interface languages), found without Qt so that kavrin-cli needs none.

#include "link/user_data.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
// windows.h first: the headers below build on it.
#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

namespace kavrin::link {

namespace {

constexpr wchar_t kEepromFileName[] = L"virtual-robot.eeprom";
constexpr char kEepromFileVariable[] = "KAVRIN_SIM_EEPROM";
constexpr wchar_t kApplicationName[] = L"Kavrin";

std::filesystem::path LocalAppData() {
    PWSTR folder = nullptr;
    std::filesystem::path path;
    if (SUCCEEDED(
            SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DONT_VERIFY, nullptr, &folder))) {
        path = folder;
    }
    CoTaskMemFree(folder);
    return path;
}

// The settings' names and language tags are ASCII: widened and narrowed character by character
// (a character beyond ASCII makes the text unusable, "" for a tag).
std::wstring Wide(std::string_view text) { return {text.begin(), text.end()}; }

std::string Narrow(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        if (c > 0x7F) return {};
        out += static_cast<char>(c);
    }
    return out;
}

}  // namespace

std::string UserDataFolder() {
    const std::filesystem::path folder = LocalAppData();
    if (folder.empty()) {
        return {};
    }
    // In UTF-8, as the core takes paths: the ANSI code page cannot spell every user's folder.
    const std::u8string path = (folder / kApplicationName).u8string();
    return std::string(path.begin(), path.end());
}

std::string VirtualRobotEepromPath() {
    if (const char* overridden = std::getenv(kEepromFileVariable); overridden && *overridden) {
        return overridden;
    }
    const std::string folder = UserDataFolder();
    if (folder.empty()) {
        return {};
    }
    const std::u8string path =
        (std::filesystem::path(std::u8string(folder.begin(), folder.end())) / kEepromFileName)
            .u8string();
    return std::string(path.begin(), path.end());
}

std::string LanguageSetting() {
    // Where QSettings keeps the windows' values: SOFTWARE\<organisation>\<application>\<group>.
    const std::wstring key = L"SOFTWARE\\" + Wide(kSettingsOrganisation) + L"\\" +
                             Wide(kSettingsApplication) + L"\\" + Wide(kSettingsGroup);
    wchar_t value[16] = {};
    DWORD size = sizeof(value);
    if (RegGetValueW(HKEY_CURRENT_USER, key.c_str(), Wide(kLanguageSetting).c_str(), RRF_RT_REG_SZ,
                     nullptr, value, &size) != ERROR_SUCCESS) {
        return {};  // absent, or not a short text: no language named
    }
    return Narrow(value);
}

std::vector<std::string> SystemUiLanguages() {
    ULONG count = 0;
    ULONG length = 0;
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) || length == 0) {
        return {};
    }
    std::wstring names(length, L'\0');
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, names.data(), &length)) {
        return {};
    }
    // One name after the other, each ended by a zero, the list by a second one.
    std::vector<std::string> tags;
    for (std::size_t at = 0; at < names.size() && names[at] != L'\0';) {
        const std::size_t end = names.find(L'\0', at);
        if (end == std::wstring::npos) break;
        tags.push_back(Narrow(names.substr(at, end - at)));
        at = end + 1;
    }
    return tags;
}

}  // namespace kavrin::link
