// The skin's captions in every language the string tables hold: each one fits the box its
// picture gives it at the size of the design, and no stroke of it falls outside that box.

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <set>

#include "drawing.h"
#include "pictures.h"
#include "resources/resources.h"

namespace kavrin::art {
namespace {

class CaptionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        fontLoaded = QFontDatabase::addApplicationFont(QStringLiteral(KAVRIN_ART_FONT)) >= 0;
    }

    static QString Text(int number, resources::TLanguage language) {
        return QString::fromStdString(resources::GetUIString(number, language));
    }

    static inline bool fontLoaded = false;
};

// Columns of a caption drawn in its box, on a canvas wider than the box, that hold any ink.
std::set<int> InkedColumns(const TCaptionPlace& place, const QString& text) {
    constexpr int kMargin = 30;
    QImage canvas(static_cast<int>(place.box.right()) + kMargin,
                  static_cast<int>(place.box.bottom()) + kMargin, QImage::Format_ARGB32);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    Smooth(painter);
    DrawCaption(painter, place.box, text, place.pixelSize, Qt::black);
    painter.end();
    std::set<int> columns;
    for (int x = 0; x < canvas.width(); ++x) {
        for (int y = 0; y < canvas.height(); ++y) {
            if (qAlpha(canvas.pixel(x, y)) > 0) {
                columns.insert(x);
                break;
            }
        }
    }
    return columns;
}

TEST_F(CaptionTest, EveryCaptionFitsItsBoxInEveryLanguage) {
    ASSERT_TRUE(fontLoaded);
    for (const resources::TLanguage language : resources::kLanguages) {
        TCaptions captions;
        for (int number = resources::kFirstUIString; number <= resources::kLastUIString; ++number) {
            captions[number] = Text(number, language);
        }
        const std::vector<TCaptionPlace> places = CaptionPlaces(captions);
        ASSERT_EQ(places.size(), 16u);  // five frames, five edit and six command buttons
        for (const TCaptionPlace& place : places) {
            const QString text = Text(place.text, language);
            SCOPED_TRACE(text.toStdString());
            ASSERT_FALSE(text.trimmed().isEmpty());
            const TCaptionFit fit = FitCaption(place.box.width(), text, place.pixelSize);
            // Narrowed a little at most, never drawn smaller than the design's size.
            EXPECT_EQ(fit.pixelSize, place.pixelSize) << "picture " << place.pictureId;
            const std::set<int> ink = InkedColumns(place, text);
            ASSERT_FALSE(ink.empty());
            EXPECT_GE(*ink.begin(), static_cast<int>(place.box.left()));
            EXPECT_LE(*ink.rbegin(), static_cast<int>(place.box.right()));
        }
        // The edit buttons' captions share one size and keep a margin from the button's sides.
        const qreal editSize = places[5].pixelSize;
        for (std::size_t i = 5; i < 10; ++i) {
            EXPECT_EQ(places[i].pixelSize, editSize);
            const TCaptionFit fit = FitCaption(places[i].box.width(),
                                               Text(places[i].text, language), places[i].pixelSize);
            EXPECT_GE(fit.squeeze, 0.8 - 1e-9) << Text(places[i].text, language).toStdString();
            EXPECT_GE(places[i].box.left(), 7.0);
        }
    }
}

// The edit buttons' one size: the largest at which the longest caption is narrowed a fifth at most.
TEST_F(CaptionTest, CaptionsThatBelongTogetherShareTheLargestSizeThatFitsThemAll) {
    ASSERT_TRUE(fontLoaded);
    const QStringList words{QStringLiteral("Copy"), QStringLiteral("Επικόλληση")};
    const qreal natural = QFontMetricsF(BoldFont(10)).horizontalAdvance(words[1]);
    EXPECT_EQ(SharedCaptionSize(natural, words, 10, 0.8), 10);
    EXPECT_LT(SharedCaptionSize(natural * 0.7, words, 10, 0.8), 10);
    EXPECT_EQ(SharedCaptionSize(500, {QStringLiteral("Copy")}, 10, 0.8), 10);
}

// The measure the test relies on: a text too wide is narrowed first, then made smaller.
TEST_F(CaptionTest, ATooWideCaptionIsNarrowedThenMadeSmaller) {
    ASSERT_TRUE(fontLoaded);
    const QString word = QStringLiteral("Αποθήκευση");
    const TCaptionFit roomy = FitCaption(500, word, 12);
    EXPECT_EQ(roomy.pixelSize, 12);
    EXPECT_EQ(roomy.squeeze, 1.0);
    const qreal natural = QFontMetricsF(BoldFont(12)).horizontalAdvance(word);
    const TCaptionFit narrow = FitCaption(natural * 0.9, word, 12);
    EXPECT_EQ(narrow.pixelSize, 12);
    EXPECT_NEAR(narrow.squeeze, 0.9, 1e-6);
    const TCaptionFit small = FitCaption(natural / 2, word, 12);
    EXPECT_LT(small.pixelSize, 12);
    EXPECT_GE(small.squeeze, 0.7 - 1e-9);
    // Even where the smallest size must be narrowed further, nothing spills.
    const TCaptionPlace place{0, 0, QRectF(10, 0, 20, 20), 12};
    const std::set<int> ink = InkedColumns(place, word);
    EXPECT_GE(*ink.begin(), 10);
    EXPECT_LE(*ink.rbegin(), 30);
}

}  // namespace
}  // namespace kavrin::art
