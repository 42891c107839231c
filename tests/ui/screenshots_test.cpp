#include "ui/screenshots.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

#include <gtest/gtest.h>

#include "ui/action_grid.h"
#include "ui/main_window.h"
#include "ui/simulator_window.h"

namespace kavrin::ui {
namespace {

TEST(Screenshots, EveryWindowAtItsRealSize) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("new/pictures"));  // created on the way
    const TScreenshotResult result = WriteScreenshots(folder);
    ASSERT_TRUE(result.ok) << result.message.toStdString();
    EXPECT_EQ(result.written.size(), static_cast<qsizetype>(Screenshots().size()));
    EXPECT_EQ(QImage(QDir(folder).filePath(QStringLiteral("start.png"))).size(), QSize(266, 112));
    EXPECT_EQ(QImage(QDir(folder).filePath(QStringLiteral("code.png"))).size(), QSize(798, 617));
    for (const QString& name :
         {QStringLiteral("main-beginner.png"), QStringLiteral("main-advanced.png"),
          QStringLiteral("test.png"), QStringLiteral("watching.png")}) {
        EXPECT_FALSE(QImage(QDir(folder).filePath(name)).isNull()) << name.toStdString();
    }

    // A folder that cannot be made is reported, not passed over.
    const QString blocked = dir.filePath(QStringLiteral("file"));
    ASSERT_TRUE(QFile(blocked).open(QIODevice::WriteOnly));
    const TScreenshotResult refused = WriteScreenshots(blocked + QStringLiteral("/sub"));
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.message.isEmpty());
}

// Both windows side by side, the lists marking what the simulator runs after Go downloaded them
// to the virtual robot: the third step, a straight line after the turn.
TEST(Screenshots, WatchingMarksTheStepTheSimulatorRuns) {
    const auto shots = Screenshots();
    const auto watching = std::find_if(shots.begin(), shots.end(), [](const TScreenshot& shot) {
        return shot.fileName == QStringLiteral("watching.png");
    });
    ASSERT_NE(watching, shots.end());
    const std::unique_ptr<QWidget> picture = watching->make();
    const auto* main = picture->findChild<TMainForm*>();
    const auto* simulator = picture->findChild<TSimulatorForm*>();
    ASSERT_NE(main, nullptr);
    ASSERT_NE(simulator, nullptr);
    EXPECT_EQ(simulator->ShownStep().at, (sim::StepRef{sim::kMainList, 3}));
    EXPECT_EQ(main->Grid(model::kMainList)->StepMark(), (TStepMark{3, TStepMarkKind::Running}));
    EXPECT_TRUE(simulator->NoteText().isEmpty());
    EXPECT_LT(main->geometry().right(), simulator->geometry().left());
    EXPECT_TRUE(picture->rect().contains(main->geometry()));
    EXPECT_TRUE(picture->rect().contains(simulator->geometry()));
    picture->close();
}

// `kavrin --screenshots` as a user starts it: the system's language, the "Language" setting and
// --language pick the pictures' language, in that order of strength.
class ScreenshotLanguage : public ::testing::Test {
protected:
    // The start window's picture of a run with the system's locale, a setting and options.
    QImage StartWindow(const QString& locale, const QString& setting, const QStringList& options) {
        QTemporaryDir config;
        if (!setting.isEmpty()) {
            QDir(config.path()).mkpath(QStringLiteral("Tessaly"));
            QFile file(config.filePath(QStringLiteral("Tessaly/Kavrin.conf")));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write("[1.0]\nLanguage=" + setting.toLatin1() + "\n");
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("LC_ALL"), locale);
        env.remove(QStringLiteral("LANGUAGE"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        QProcess kavrin;
        kavrin.setProcessEnvironment(env);
        kavrin.start(QStringLiteral(KAVRIN_APP),
                     options + QStringList{QStringLiteral("--screenshots"), out_.path()});
        EXPECT_TRUE(kavrin.waitForFinished(60000));
        EXPECT_EQ(kavrin.exitCode(), 0) << kavrin.readAllStandardError().toStdString();
        return QImage(out_.filePath(QStringLiteral("start.png")));
    }

    QTemporaryDir out_;
};

TEST_F(ScreenshotLanguage, SystemThenSettingThenOption) {
#if defined(Q_OS_WIN)
    GTEST_SKIP() << "Windows keeps the language in the registry: windows-test.sh checks it there";
#endif
    const QString greek = QStringLiteral("el_GR.UTF-8");
    const QString english = QStringLiteral("en_US.UTF-8");
    const QImage greekRun = StartWindow(greek, {}, {});
    const QImage englishRun = StartWindow(english, {}, {});
    ASSERT_FALSE(greekRun.isNull());
    EXPECT_NE(greekRun, englishRun);
    EXPECT_EQ(StartWindow(QStringLiteral("C.UTF-8"), {}, {}), englishRun);
    EXPECT_EQ(StartWindow(greek, QStringLiteral("en"), {}), englishRun);
    EXPECT_EQ(StartWindow(english, QStringLiteral("el"), {}), greekRun);
    EXPECT_EQ(StartWindow(greek, QStringLiteral("en"),
                          {QStringLiteral("--language"), QStringLiteral("el")}),
              greekRun);
    EXPECT_EQ(StartWindow(greek, {}, {QStringLiteral("--language"), QStringLiteral("en")}),
              englishRun);
}

TEST_F(ScreenshotLanguage, AnUnknownLanguageIsAUsageError) {
    QProcess kavrin;
    kavrin.start(QStringLiteral(KAVRIN_APP), {QStringLiteral("--language"), QStringLiteral("fr"),
                                              QStringLiteral("--screenshots"), out_.path()});
    ASSERT_TRUE(kavrin.waitForFinished(60000));
    EXPECT_EQ(kavrin.exitCode(), 2);
    EXPECT_TRUE(QDir(out_.path()).isEmpty());
}

}  // namespace
}  // namespace kavrin::ui
