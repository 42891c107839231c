// The user's data folder on Windows: %LOCALAPPDATA%\Kavrin, the folder Qt's application-local
// data location names, found without Qt so that kavrin-cli needs none.

#include "link/user_data.h"

#include <cstdlib>
#include <filesystem>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
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
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_DONT_VERIFY, nullptr,
                                       &folder))) {
        path = folder;
    }
    CoTaskMemFree(folder);
    return path;
}

}  // namespace

std::string VirtualRobotEepromPath() {
    if (const char* overridden = std::getenv(kEepromFileVariable); overridden && *overridden) {
        return overridden;
    }
    const std::filesystem::path folder = LocalAppData();
    if (folder.empty()) {
        return {};
    }
    // In UTF-8, as the EEPROM store takes paths: the ANSI code page cannot spell every
    // user's folder.
    const std::u8string path = (folder / kApplicationName / kEepromFileName).u8string();
    return std::string(path.begin(), path.end());
}

}  // namespace kavrin::link
