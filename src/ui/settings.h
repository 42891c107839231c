#pragma once
// What Kavrin remembers between runs: the help area switch, the two servo centre calibrations,
// the chosen port and the folder of the file dialogs. The main window reads them once, at its
// first showing, and writes them once, when the user quits; no other run writes them.
//
// Stored with QSettings for organisation "Tessaly", application "Kavrin", in group "1.0" (on
// Windows the registry key HKEY_CURRENT_USER\SOFTWARE\Tessaly\Kavrin\1.0).

#include <QSettings>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <string_view>

#include "link/user_data.h"
#include "model/action_program.h"

namespace kavrin::ui {

// The store is shared with the language choice (link/user_data.h), which only reads it.
using link::kSettingsApplication;
using link::kSettingsGroup;
using link::kSettingsOrganisation;

// The value names, their stored types and the defaults.
template <typename T>
struct TSettingKey {
    const char* name;
    T defaultValue;
};

// Stored as a 32-bit integer, 0 or 1. The help area is designed shown.
inline constexpr TSettingKey<bool> kHyperHelpSetting{"HyperHelp", true};
// Stored as 32-bit integers; only the low 8 bits are read back.
inline constexpr TSettingKey<std::uint8_t> kLeftServoCenterSetting{"LeftServoCenter",
                                                                   model::kDefaultServoCenter};
inline constexpr TSettingKey<std::uint8_t> kRightServoCenterSetting{"RightServoCenter",
                                                                    model::kDefaultServoCenter};
// "AUTO" for the automatic port search, else a port name of the port list.
inline constexpr TSettingKey<std::string_view> kComPortSetting{"ComPort", "AUTO"};
// Empty: the file dialogs start in their default folder.
inline constexpr TSettingKey<std::string_view> kLastDirectorySetting{"LastDirectory", ""};

struct TSettings {
    bool hyperHelp = kHyperHelpSetting.defaultValue;
    std::uint8_t leftServoCenter = kLeftServoCenterSetting.defaultValue;
    std::uint8_t rightServoCenter = kRightServoCenterSetting.defaultValue;
    QString comPort = QString::fromLatin1(kComPortSetting.defaultValue);
    // The folder of the last file loaded or saved.
    QString lastDirectory;

    bool operator==(const TSettings&) const = default;
};

// The port list's own spelling of a port name (letters compared without case, so "com3" finds
// "COM3"), or "AUTO" when the list does not hold it.
QString ResolvePort(const QString& name, const QStringList& ports);

// Overwrites the fields whose values the store holds, leaving the others as they come in (a
// missing store or value is no error), then resolves the port against the port list. A value
// of another type that cannot be read as the listed one counts as missing.
void LoadSettings(QSettings& store, TSettings& settings, const QStringList& ports);
void LoadSettings(TSettings& settings, const QStringList& ports);
// The same without resolving the port: for a caller whose port list comes later.
void ReadSettings(QSettings& store, TSettings& settings);
void ReadSettings(TSettings& settings);

// Writes every value; the port is kept when it is one of the port list (the virtual robot's
// included) and written as "AUTO" otherwise. Returns false when the store could not be written.
bool SaveSettings(QSettings& store, const TSettings& settings, const QStringList& ports);
bool SaveSettings(const TSettings& settings, const QStringList& ports);

}  // namespace kavrin::ui
