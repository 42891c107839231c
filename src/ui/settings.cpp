#include "ui/settings.h"

#include <QDir>

#include <optional>

namespace kavrin::ui {

namespace {

QString Name(const auto& key) { return QString::fromLatin1(key.name); }

// A stored integer; a text that does not hold one counts as missing.
std::optional<qlonglong> ReadInteger(const QSettings& store, const auto& key) {
    const QVariant value = store.value(Name(key));
    if (!value.isValid()) {
        return std::nullopt;
    }
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    return ok ? std::optional(number) : std::nullopt;
}

// Integers (any non-zero is true) and the texts "true" and "false".
std::optional<bool> ReadBoolean(const QSettings& store, const auto& key) {
    const QVariant value = store.value(Name(key));
    if (value.typeId() == QMetaType::Bool) {
        return value.toBool();
    }
    const QString text = value.toString().trimmed();
    if (text.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (text.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    const std::optional<qlonglong> number = ReadInteger(store, key);
    return number ? std::optional(*number != 0) : std::nullopt;
}

void ReadLowByte(const QSettings& store, const auto& key, std::uint8_t& field) {
    if (const std::optional<qlonglong> number = ReadInteger(store, key)) {
        field = static_cast<std::uint8_t>(*number & 0xFF);
    }
}

void ReadText(const QSettings& store, const auto& key, QString& field) {
    const QVariant value = store.value(Name(key));
    if (value.isValid()) {
        field = value.toString();
    }
}

// On Windows only a COM port is remembered; anything else, the virtual robot included, is saved
// as the automatic search. Elsewhere ports have device names, which are kept as they are.
QString PortToSave(const QString& port) {
#if defined(Q_OS_WIN)
    if (!port.startsWith(QLatin1String("COM"))) {
        return QString::fromLatin1(kComPortSetting.defaultValue);
    }
#endif
    return port;
}

}  // namespace

QString ResolvePort(const QString& name, const QStringList& ports) {
    if (ports.contains(name)) {
        return name;
    }
    for (const QString& port : ports) {
        if (port.compare(name, Qt::CaseInsensitive) == 0) {
            return port;
        }
    }
    return QString::fromLatin1(kComPortSetting.defaultValue);
}

void LoadSettings(QSettings& store, TSettings& settings, const QStringList& ports) {
    ReadSettings(store, settings);
    settings.comPort = ResolvePort(settings.comPort, ports);
}

void ReadSettings(QSettings& store, TSettings& settings) {
    store.beginGroup(QLatin1String(kSettingsGroup));
    if (const std::optional<bool> hyperHelp = ReadBoolean(store, kHyperHelpSetting)) {
        settings.hyperHelp = *hyperHelp;
    }
    ReadLowByte(store, kLeftServoCenterSetting, settings.leftServoCenter);
    ReadLowByte(store, kRightServoCenterSetting, settings.rightServoCenter);
    ReadText(store, kComPortSetting, settings.comPort);
    ReadText(store, kLastDirectorySetting, settings.lastDirectory);
    store.endGroup();
}

void ReadSettings(TSettings& settings) {
    QSettings store{QString::fromLatin1(kSettingsOrganisation),
                    QString::fromLatin1(kSettingsApplication)};
    ReadSettings(store, settings);
}

void LoadSettings(TSettings& settings, const QStringList& ports) {
    QSettings store{QString::fromLatin1(kSettingsOrganisation),
                    QString::fromLatin1(kSettingsApplication)};
    LoadSettings(store, settings, ports);
}

bool SaveSettings(QSettings& store, const TSettings& settings, const QStringList& ports) {
    store.beginGroup(QLatin1String(kSettingsGroup));
    store.setValue(Name(kHyperHelpSetting), settings.hyperHelp ? 1 : 0);
    store.setValue(Name(kLeftServoCenterSetting), int{settings.leftServoCenter});
    store.setValue(Name(kRightServoCenterSetting), int{settings.rightServoCenter});
    store.setValue(Name(kComPortSetting), PortToSave(ResolvePort(settings.comPort, ports)));
    // The folder as the platform writes it (backslashes on Windows).
    store.setValue(Name(kLastDirectorySetting), QDir::toNativeSeparators(settings.lastDirectory));
    store.endGroup();
    store.sync();
    return store.status() == QSettings::NoError;
}

bool SaveSettings(const TSettings& settings, const QStringList& ports) {
    QSettings store{QString::fromLatin1(kSettingsOrganisation),
                    QString::fromLatin1(kSettingsApplication)};
    return SaveSettings(store, settings, ports);
}

}  // namespace kavrin::ui
