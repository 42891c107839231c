#include "ui/spin_edit.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <vector>

#include "ui/ui_text.h"

namespace kavrin::ui {
namespace {

const TNumberChars kDot{QLatin1Char('.'), QLatin1Char('-')};
const TNumberChars kComma{QLatin1Char(','), QChar(0x2212)};

// A duration control as a step shows it: one decimal place, the " sec" suffix, 1..255.
struct DurationSpin {
    QWidget parent;
    TSuperSpinEdit spin{&parent, kDot};
    std::vector<int> changes;

    DurationSpin() {
        spin.setGeometry(0, 0, 120, 25);
        spin.SetMinimum(1);
        spin.SetMaximum(255);
        spin.SetDecimals(1);
        spin.SetSuffix(UiString(374));
        spin.SetAccelerationThreshold(15);
        spin.SetAccelerationFactor(2);
        spin.OnChange = [this](int v) { changes.push_back(v); };
        parent.show();
        parent.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&parent));
    }

    void Type(const QString& text) {
        spin.Edit()->setFocus();
        QApplication::processEvents();
        spin.Edit()->selectAll();
        QTest::keyClicks(spin.Edit(), text);
        QTest::keyClick(spin.Edit(), Qt::Key_Return);
    }
};

TEST(SpinFormat, FixedPointWithTheLocaleCharacters) {
    const TSpinFormat oneDecimal{1, QString(), QStringLiteral(" sec")};
    EXPECT_EQ(FormatSpinValue(12, oneDecimal, true, kDot), QStringLiteral("1.2 sec"));
    EXPECT_EQ(FormatSpinValue(5, oneDecimal, true, kDot), QStringLiteral("0.5 sec"));
    EXPECT_EQ(FormatSpinValue(12, oneDecimal, false, kDot), QStringLiteral("1.2"));
    EXPECT_EQ(FormatSpinValue(-15, oneDecimal, false, kComma), QString(QChar(0x2212)) + "1,5");
    EXPECT_EQ(FormatSpinValue(7, TSpinFormat{2, {}, {}}, true, kDot), QStringLiteral("0.07"));
    EXPECT_EQ(FormatSpinValue(4, TSpinFormat{0, QStringLiteral("Step "), {}}, true, kDot),
              QStringLiteral("Step 4"));
}

TEST(SpinParse, DigitsBeyondTheDecimalsAreIgnoredAndTheResultClamped) {
    EXPECT_EQ(ParseText(QStringLiteral("2"), 1, 1, 255, kDot), 20);
    EXPECT_EQ(ParseText(QStringLiteral("2.35"), 1, 1, 255, kDot), 23);
    EXPECT_EQ(ParseText(QStringLiteral(".5"), 1, 1, 255, kDot), 5);
    EXPECT_EQ(ParseText(QStringLiteral("300"), 1, 1, 255, kDot), 255);
    EXPECT_EQ(ParseText(QStringLiteral("0"), 1, 1, 255, kDot), 1);
    EXPECT_EQ(ParseText(QStringLiteral("1,5"), 1, -100, 100, kComma), 15);
    EXPECT_EQ(ParseText(QString(QChar(0x2212)) + "1,5", 1, -100, 100, kComma), -15);
    // A minus sign is no number when negative values are not offered.
    EXPECT_EQ(ParseText(QStringLiteral("-3"), 0, 1, 10, kDot), 1);
    // Without decimal places a typed fraction does not count.
    EXPECT_EQ(ParseText(QStringLiteral("3.7"), 0, 1, 10, kDot), 3);
    // A long run of digits saturates instead of wrapping round.
    EXPECT_EQ(ParseText(QStringLiteral("99999999999999999999"), 1, 1, 255, kDot), 255);
}

TEST(SpinFilter, OnlyNumberCharactersGetIn) {
    EXPECT_TRUE(FilterKey(QLatin1Char('7'), false, kDot));
    EXPECT_TRUE(FilterKey(QLatin1Char('.'), false, kDot));
    EXPECT_FALSE(FilterKey(QLatin1Char(','), false, kDot));
    EXPECT_FALSE(FilterKey(QLatin1Char('a'), false, kDot));
    EXPECT_FALSE(FilterKey(QLatin1Char('-'), false, kDot));
    EXPECT_TRUE(FilterKey(QLatin1Char('-'), true, kDot));
}

TEST(SuperSpinEdit, TypingCommitsOnEnter) {
    DurationSpin s;
    s.spin.SetPosition(12);
    EXPECT_EQ(s.spin.Text(), QStringLiteral("1.2") + UiString(374));
    s.Type(QStringLiteral("2.35"));
    EXPECT_EQ(s.spin.Position(), 23);
    EXPECT_EQ(s.changes, std::vector<int>{23});
    s.Type(QStringLiteral("300"));
    EXPECT_EQ(s.spin.Position(), 255);
    s.Type(QStringLiteral("0"));
    EXPECT_EQ(s.spin.Position(), 1);
    EXPECT_EQ(s.spin.Text(), QStringLiteral("0.1") + UiString(374));
    // Letters and a minus sign never reach the box.
    s.Type(QStringLiteral("-x4"));
    EXPECT_EQ(s.spin.Position(), 40);
}

TEST(SuperSpinEdit, HeldArrowAcceleratesAndReleaseRestoresTheStep) {
    DurationSpin s;
    s.spin.SetPosition(10);
    for (int i = 0; i < 16; ++i) {
        s.spin.UpArrow()->click();
    }
    EXPECT_EQ(s.spin.Position(), 26);  // moved 16 > 15 from where the press began
    EXPECT_EQ(s.spin.CurrentIncrement(), 2);
    s.spin.UpArrow()->click();
    EXPECT_EQ(s.spin.Position(), 28);
    QTest::mouseRelease(s.spin.UpArrow(), Qt::LeftButton);
    EXPECT_EQ(s.spin.CurrentIncrement(), 1);
    EXPECT_EQ(s.changes.size(), 17u);
    s.spin.SetPosition(255);
    s.spin.UpArrow()->click();
    EXPECT_EQ(s.spin.Position(), 255);
}

TEST(SuperSpinEdit, ANarrowBoxCondensesItsTextToFitBesideTheArrows) {
    DurationSpin s;
    s.spin.SetPosition(5);
    EXPECT_EQ(s.spin.Edit()->font().stretch(), QFont::Unstretched);
    const auto fits = [&s] {
        const int arrowsLeft = s.spin.UpArrow()->mapTo(&s.spin, QPoint(0, 0)).x();
        return s.spin.Edit()->fontMetrics().horizontalAdvance(s.spin.Text()) + 2 <= arrowsLeft;
    };
    s.spin.resize(62, 25);  // the action column of the widest list
    EXPECT_LT(s.spin.Edit()->font().stretch(), QFont::Unstretched);
    EXPECT_TRUE(fits()) << s.spin.Text().toStdString();
    s.spin.resize(120, 25);
    EXPECT_EQ(s.spin.Edit()->font().stretch(), QFont::Unstretched);
    EXPECT_TRUE(fits());
}

TEST(SuperSpinEdit, GoBackControlCountsDownwardsWithItsUpArrow) {
    QWidget parent;
    TSuperSpinEdit spin(&parent, kDot);
    spin.setGeometry(0, 0, 120, 25);
    spin.SetMinimum(1);
    spin.SetMaximum(4);
    spin.SetIncrement(-1);
    spin.SetDecimals(0);
    spin.SetPrefix(UiString(375));
    spin.SetPosition(4);
    EXPECT_EQ(spin.Text(), UiString(375) + QStringLiteral("4"));
    spin.UpArrow()->click();
    EXPECT_EQ(spin.Position(), 3);
    spin.DownArrow()->click();
    spin.DownArrow()->click();
    EXPECT_EQ(spin.Position(), 4);
}

}  // namespace
}  // namespace kavrin::ui
