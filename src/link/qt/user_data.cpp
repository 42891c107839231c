#include "link/user_data.h"

#include <QCoreApplication>
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

std::string VirtualRobotEepromPath() {
    if (const char* overridden = std::getenv(kEepromFileVariable); overridden && *overridden) {
        return overridden;
    }
    // The data folder is named after the application; the command line shares the GUI's.
    if (QCoreApplication::applicationName() != kApplicationName) {
        QCoreApplication::setApplicationName(kApplicationName);
    }
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (folder.isEmpty()) return {};
    return (std::filesystem::path(folder.toStdString()) / kEepromFileName).string();
}

}  // namespace kavrin::link
