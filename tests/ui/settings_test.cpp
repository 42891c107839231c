// Settings: a round trip through a settings file, and how stored values are read back and the
// port is checked against the port list.

#include "ui/settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#if defined(Q_OS_WIN)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace kavrin::ui {
namespace {

class SettingsTest : public ::testing::Test {
protected:
    std::unique_ptr<QSettings> Store() {
        return std::make_unique<QSettings>(dir_.filePath(QStringLiteral("kavrin.ini")),
                                           QSettings::IniFormat);
    }

    // Writes raw values into group "1.0", as another program or an older run might have.
    void Write(const QString& name, const QVariant& value) {
        auto store = Store();
        store->setValue(QStringLiteral("1.0/") + name, value);
    }

    TSettings Load() {
        TSettings settings;
        auto store = Store();
        LoadSettings(*store, settings, ports_);
        return settings;
    }

    QTemporaryDir dir_;
    const QStringList ports_{QStringLiteral("COM1"), QStringLiteral("COM3"), QStringLiteral("SIM")};
};

TEST_F(SettingsTest, RoundTripKeepsEveryValueWithItsStoredType) {
    TSettings saved;
    saved.hyperHelp = false;
    saved.leftServoCenter = 0;
    saved.rightServoCenter = 200;
#if defined(Q_OS_WIN)
    saved.comPort = QStringLiteral("COM3");  // only COM ports are remembered there
    saved.lastDirectory = QStringLiteral("C:\\Users\\pupil\\robots");
#else
    saved.comPort = QStringLiteral("SIM");
    saved.lastDirectory = QStringLiteral("/home/pupil/robots");
#endif
    {
        auto store = Store();
        EXPECT_TRUE(SaveSettings(*store, saved, ports_));
    }
    EXPECT_EQ(Load(), saved);

    auto store = Store();
    EXPECT_EQ(store->value(QStringLiteral("1.0/HyperHelp")).toString(), QStringLiteral("0"));
    EXPECT_EQ(store->value(QStringLiteral("1.0/RightServoCenter")).toString(),
              QStringLiteral("200"));
}

TEST_F(SettingsTest, MissingStoreOrValuesLeaveWhatTheWindowHas) {
    TSettings incoming;
    incoming.hyperHelp = false;
    incoming.lastDirectory = QStringLiteral("/tmp");
    TSettings loaded = incoming;
    auto store = Store();
    LoadSettings(*store, loaded, ports_);
    EXPECT_EQ(loaded, incoming);
    EXPECT_EQ(loaded.comPort, QStringLiteral("AUTO"));
    EXPECT_EQ(loaded.leftServoCenter, 100);

    Write(QStringLiteral("LeftServoCenter"), 150);
    loaded = incoming;
    store = Store();
    LoadSettings(*store, loaded, ports_);
    EXPECT_EQ(loaded.leftServoCenter, 150);
    EXPECT_EQ(loaded.rightServoCenter, 100);
    EXPECT_FALSE(loaded.hyperHelp);
}

TEST_F(SettingsTest, StoredValuesAreReadTheWayTheyAreMeant) {
    Write(QStringLiteral("ComPort"), QStringLiteral("com3"));
    Write(QStringLiteral("LeftServoCenter"), 300);
    Write(QStringLiteral("RightServoCenter"), QStringLiteral("centre"));
    Write(QStringLiteral("HyperHelp"), QStringLiteral("true"));
    TSettings loaded = Load();
    EXPECT_EQ(loaded.comPort, QStringLiteral("COM3"));
    EXPECT_EQ(loaded.leftServoCenter, 44);    // low 8 bits
    EXPECT_EQ(loaded.rightServoCenter, 100);  // not a number: as if missing
    EXPECT_TRUE(loaded.hyperHelp);

    Write(QStringLiteral("ComPort"), QStringLiteral("COM9"));
    Write(QStringLiteral("HyperHelp"), 0);
    loaded = Load();
    EXPECT_EQ(loaded.comPort, QStringLiteral("AUTO"));  // not in the port list
    EXPECT_FALSE(loaded.hyperHelp);
}

TEST_F(SettingsTest, SavingWritesAutoForAPortOutsideTheList) {
    const auto savedPort = [&](const QString& port) {
        TSettings settings;
        settings.comPort = port;
        auto store = Store();
        SaveSettings(*store, settings, ports_);
        return store->value(QStringLiteral("1.0/ComPort")).toString();
    };
    EXPECT_EQ(savedPort(QStringLiteral("AUTO")), QStringLiteral("AUTO"));
    EXPECT_EQ(savedPort(QStringLiteral("COM3")), QStringLiteral("COM3"));
#if defined(Q_OS_WIN)
    EXPECT_EQ(savedPort(QStringLiteral("SIM")), QStringLiteral("AUTO"));  // not a COM port
#else
    EXPECT_EQ(savedPort(QStringLiteral("SIM")), QStringLiteral("SIM"));
#endif
    EXPECT_EQ(savedPort(QStringLiteral("COM7")), QStringLiteral("AUTO"));
    EXPECT_EQ(savedPort(QStringLiteral("ttyUSB0")), QStringLiteral("AUTO"));
}

#if defined(Q_OS_WIN)
// In the registry each value has its fixed type: integers as DWORD (HyperHelp too, 0 or 1, not
// the text "true" QSettings makes of a bool), texts as REG_SZ.
TEST(SettingsRegistry, ValuesKeepTheirRegistryTypes) {
    const QString path = QStringLiteral("HKEY_CURRENT_USER\\Software\\Tessaly\\KavrinTest");
    const wchar_t* const group = L"Software\\Tessaly\\KavrinTest\\1.0";
    {
        QSettings store(path, QSettings::NativeFormat);
        TSettings settings;
        settings.hyperHelp = true;
        settings.comPort = QStringLiteral("COM3");
        ASSERT_TRUE(SaveSettings(store, settings, {QStringLiteral("COM3")}));
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, group, 0, KEY_READ, &key), ERROR_SUCCESS);
    const auto typeOf = [key](const wchar_t* name) {
        DWORD type = REG_NONE;
        RegQueryValueExW(key, name, nullptr, &type, nullptr, nullptr);
        return type;
    };
    EXPECT_EQ(typeOf(L"HyperHelp"), DWORD{REG_DWORD});
    EXPECT_EQ(typeOf(L"LeftServoCenter"), DWORD{REG_DWORD});
    EXPECT_EQ(typeOf(L"RightServoCenter"), DWORD{REG_DWORD});
    EXPECT_EQ(typeOf(L"ComPort"), DWORD{REG_SZ});
    EXPECT_EQ(typeOf(L"LastDirectory"), DWORD{REG_SZ});
    DWORD hyperHelp = 0;
    DWORD size = sizeof(hyperHelp);
    RegQueryValueExW(key, L"HyperHelp", nullptr, nullptr, reinterpret_cast<BYTE*>(&hyperHelp),
                     &size);
    EXPECT_EQ(hyperHelp, 1u);
    RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Tessaly\\KavrinTest");
}
#endif

}  // namespace
}  // namespace kavrin::ui
