#include "ui/screenshots.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

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
    for (const QString& name : {QStringLiteral("main-beginner.png"), QStringLiteral("main-advanced.png")}) {
        EXPECT_FALSE(QImage(QDir(folder).filePath(name)).isNull()) << name.toStdString();
    }

    // A folder that cannot be made is reported, not passed over.
    const QString blocked = dir.filePath(QStringLiteral("file"));
    ASSERT_TRUE(QFile(blocked).open(QIODevice::WriteOnly));
    const TScreenshotResult refused = WriteScreenshots(blocked + QStringLiteral("/sub"));
    EXPECT_FALSE(refused.ok);
    EXPECT_FALSE(refused.message.isEmpty());
}

}  // namespace
}  // namespace kavrin::ui
