#pragma once
// What the programs keep for the user: files in the user's data folder, and the language the
// user's system and settings ask for. Both kavrin and kavrin-cli use it, so the virtual robot
// holds the same program whichever of them downloaded it last, and both speak the same language.

#include <string>
#include <string_view>
#include <vector>

#include "resources/resources.h"

namespace kavrin::link {

// The settings store of the windows (ui/settings.h): organisation, application and group; on
// Windows the registry key HKEY_CURRENT_USER\SOFTWARE\Tessaly\Kavrin\1.0.
inline constexpr char kSettingsOrganisation[] = "Tessaly";
inline constexpr char kSettingsApplication[] = "Kavrin";
inline constexpr char kSettingsGroup[] = "1.0";
// Beside the windows' values: "el" or "en"; absent means following the system. The programs only
// read it.
inline constexpr char kLanguageSetting[] = "Language";

// The "Language" setting as stored, or empty when there is none.
std::string LanguageSetting();

// The user's interface languages, most wanted first, as language tags ("el-GR", "en-US").
std::vector<std::string> SystemUiLanguages();

// The language of this run (resources::ChooseLanguage): the command line's choice ("el", "en",
// empty for none), else the setting, else the system's.
inline resources::TLanguage UserLanguage(std::string_view commandLine) {
    const std::vector<std::string> system = SystemUiLanguages();
    return resources::ChooseLanguage(commandLine, LanguageSetting(), system);
}

// The application data folder of "Kavrin" (QStandardPaths::AppDataLocation; on Windows
// %LOCALAPPDATA%\Kavrin), in UTF-8; empty when the platform has no such folder. It holds the
// virtual robot's EEPROM file and the recovery copies of unsaved programs (model/recovery.h).
std::string UserDataFolder();

// The virtual robot's EEPROM file: $KAVRIN_SIM_EEPROM when set (tests use it), else
// "virtual-robot.eeprom" in the user data folder; empty when the platform has no such folder.
std::string VirtualRobotEepromPath();

}  // namespace kavrin::link
