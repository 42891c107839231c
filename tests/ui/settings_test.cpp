// Settings: a round trip through a settings file, and how stored values are read back and the
// port is checked against the port list.

#include "ui/settings.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

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
    saved.comPort = QStringLiteral("SIM");
    saved.lastDirectory = QStringLiteral("/home/pupil/robots");
    {
        auto store = Store();
        EXPECT_TRUE(SaveSettings(*store, saved, ports_));
    }
    EXPECT_EQ(Load(), saved);

    auto store = Store();
    EXPECT_EQ(store->value(QStringLiteral("1.0/HyperHelp")).toString(), QStringLiteral("0"));
    EXPECT_EQ(store->value(QStringLiteral("1.0/RightServoCenter")).toString(), QStringLiteral("200"));
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
    EXPECT_EQ(loaded.leftServoCenter, 44);  // low 8 bits
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
    EXPECT_EQ(savedPort(QStringLiteral("SIM")), QStringLiteral("SIM"));
    EXPECT_EQ(savedPort(QStringLiteral("COM7")), QStringLiteral("AUTO"));
    EXPECT_EQ(savedPort(QStringLiteral("ttyUSB0")), QStringLiteral("AUTO"));
}

}  // namespace
}  // namespace kavrin::ui
