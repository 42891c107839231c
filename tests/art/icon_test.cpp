// The icon theme folder that `kavrin-artgen --icons` writes: every bitmap at its size, and a
// scalable picture that draws what the bitmaps show.

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class IconTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new QTemporaryDir;
        QProcess tool;
        tool.setProcessEnvironment([] {
            auto env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            return env;
        }());
        tool.start(QStringLiteral(KAVRIN_ARTGEN), {QStringLiteral("--icons"), folder->path()});
        ran = tool.waitForFinished(60000) && tool.exitStatus() == QProcess::NormalExit &&
              tool.exitCode() == 0;
    }
    static void TearDownTestSuite() { delete folder; }

    static QString Path(const QString& relative) { return QDir(folder->path()).filePath(relative); }

    static inline QTemporaryDir* folder = nullptr;
    static inline bool ran = false;
};

TEST_F(IconTest, EveryBitmapHasItsSize) {
    ASSERT_TRUE(ran);
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QImage icon(Path(QStringLiteral("%1x%1/apps/kavrin.png").arg(size)));
        EXPECT_EQ(icon.size(), QSize(size, size)) << size;
        // Transparent corners: the tile is rounded and leaves room around it.
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(icon.pixel(size / 2, size / 2)), 255) << size;
    }
}

TEST_F(IconTest, ScalablePictureDrawsWhatTheBitmapShows) {
    ASSERT_TRUE(ran);
    QSvgRenderer svg(Path(QStringLiteral("scalable/apps/kavrin.svg")));
    ASSERT_TRUE(svg.isValid());
    const QImage bitmap = QImage(Path(QStringLiteral("256x256/apps/kavrin.png")))
                              .convertToFormat(QImage::Format_ARGB32);
    QImage drawn(bitmap.size(), QImage::Format_ARGB32);
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    svg.render(&painter);
    painter.end();
    // Edges may be smoothed differently; the shapes and colours must be the same (a missing
    // eye or mouth is several units a pixel).
    long long difference = 0;
    for (int y = 0; y < bitmap.height(); ++y) {
        for (int x = 0; x < bitmap.width(); ++x) {
            const QRgb a = bitmap.pixel(x, y);
            const QRgb b = drawn.pixel(x, y);
            difference += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b)) + std::abs(qAlpha(a) - qAlpha(b));
        }
    }
    const double perPixel = static_cast<double>(difference) / (bitmap.width() * bitmap.height());
    EXPECT_LT(perPixel, 1.0);
}

}  // namespace
