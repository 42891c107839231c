#include "link/user_data.h"

#include <QCoreApplication>
#include <QLocale>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

#include <cstdlib>
#include <filesystem>

namespace kavrin::link {

namespace {

constexpr char kEepromFileName[] = "virtual-robot.eeprom";
constexpr char kEepromFileVariable[] = "KAVRIN_SIM_EEPROM";
const QString kApplicationName = QStringLiteral("Kavrin");

}  // namespace

std::string UserDataFolder() {
    // The data folder is named after the application; the command line shares the GUI's.
    if (QCoreApplication::applicationName() != kApplicationName) {
        QCoreApplication::setApplicationName(kApplicationName);
    }
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation).toStdString();
}

std::string VirtualRobotEepromPath() {
    if (const char* overridden = std::getenv(kEepromFileVariable); overridden && *overridden) {
        return overridden;
    }
    const std::string folder = UserDataFolder();
    if (folder.empty()) return {};
    return (std::filesystem::path(folder) / kEepromFileName).string();
}

std::string LanguageSetting() {
    QSettings store{QString::fromLatin1(kSettingsOrganisation),
                    QString::fromLatin1(kSettingsApplication)};
    store.beginGroup(QString::fromLatin1(kSettingsGroup));
    return store.value(QString::fromLatin1(kLanguageSetting)).toString().trimmed().toStdString();
}

std::vector<std::string> SystemUiLanguages() {
    std::vector<std::string> tags;
    for (const QString& tag : QLocale::system().uiLanguages()) {
        tags.push_back(tag.toStdString());
    }
    return tags;
}

}  // namespace kavrin::link
