#include "ui/spin_edit.h"

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "language_scope.h"
#include "ui/ui_text.h"
#include "wheel_turn.h"

namespace kavrin::ui {
namespace {

const TNumberChars kDot{QLatin1Char('.'), QLatin1Char('-')};
const TNumberChars kComma{QLatin1Char(','), QChar(0x2212)};

// Counts the wheel events that reach it from its children.
struct WheelCatcher : QWidget {
    int wheels = 0;
    void wheelEvent(QWheelEvent* event) override {
        ++wheels;
        event->accept();
    }
};

// A duration control as a step shows it: one decimal place, the " sec" suffix, 1..255.
struct DurationSpin {
    WheelCatcher parent;
    TSuperSpinEdit spin;
    std::vector<int> changes;

    explicit DurationSpin(const TNumberChars& chars = kDot) : spin(&parent, chars) {
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

TEST(SpinParse, DigitsBeyondTheDecimalsAreIgnoredAndNoNumberInRangeIsRefused) {
    EXPECT_EQ(ParseText(QStringLiteral("2"), 1, 1, 255, kDot), 20);
    EXPECT_EQ(ParseText(QStringLiteral("2.35"), 1, 1, 255, kDot), 23);
    EXPECT_EQ(ParseText(QStringLiteral(" .5 "), 1, 1, 255, kDot), 5);
    EXPECT_EQ(ParseText(QStringLiteral("1,5"), 1, -100, 100, kComma), 15);
    EXPECT_EQ(ParseText(QString(QChar(0x2212)) + "1,5", 1, -100, 100, kComma), -15);
    // Without decimal places a typed fraction does not count.
    EXPECT_EQ(ParseText(QStringLiteral("3.7"), 0, 1, 10, kDot), 3);
    for (const char* refused :
         {"300", "0", "25.6", "", ".", "2x", "1.2.3", "-3", "99999999999999999999"}) {
        EXPECT_EQ(ParseText(QString::fromLatin1(refused), 1, 1, 255, kDot), std::nullopt)
            << refused;
    }
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
    // Out of range: the value stays, nothing is reported as changed, the refusal is.
    std::vector<bool> kept;
    s.spin.OnTypingKept = [&kept](bool refused) { kept.push_back(refused); };
    s.Type(QStringLiteral("300"));
    s.Type(QStringLiteral("0"));
    EXPECT_EQ(s.spin.Position(), 23);
    EXPECT_EQ(s.spin.Text(), QStringLiteral("2.3") + UiString(374));
    s.Type(QStringLiteral("2.3"));  // the value already there
    EXPECT_EQ(kept, (std::vector<bool>{true, true, false}));
    EXPECT_EQ(s.changes, std::vector<int>{23});
    // Letters and a minus sign never reach the box.
    s.Type(QStringLiteral("-x4"));
    EXPECT_EQ(s.spin.Position(), 40);
}

// A duration typed and shown with the separator of a Greek and of an English system, the other
// one kept out, in each language's table.
TEST(SuperSpinEdit, GreekAndEnglishSystemsTypeAndShowTheirOwnSeparator) {
    struct TCase {
        QLocale locale;
        resources::TLanguage language;
        QString typed;  // 1.2 seconds
        QString shown;
        QString other;    // 3.5 seconds with the other system's separator
        QString longest;  // 25.5 seconds
    };
    const TCase cases[] = {
        {QLocale(QLocale::Greek, QLocale::Greece), resources::TLanguage::Greek,
         QStringLiteral("1,2"), QStringLiteral("1,2 sec"), QStringLiteral("3.5"),
         QStringLiteral("25,5 sec")},
        {QLocale(QLocale::English, QLocale::UnitedStates), resources::TLanguage::English,
         QStringLiteral("1.2"), QStringLiteral("1.2 sec"), QStringLiteral("3,5"),
         QStringLiteral("25.5 sec")},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.shown.toStdString());
        const test::TLanguageScope language(c.language);
        DurationSpin s(NumberCharsOf(c.locale));
        s.Type(c.typed);
        EXPECT_EQ(s.spin.Position(), 12);
        EXPECT_EQ(s.spin.Text(), c.shown);
        // The other separator does not get in: "35" seconds is more than a step takes.
        s.Type(c.other);
        EXPECT_EQ(s.spin.Position(), 12);
        EXPECT_EQ(s.spin.Text(), c.shown);
        s.spin.SetPosition(255);
        EXPECT_EQ(s.spin.Text(), c.longest);
    }
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

TEST(SuperSpinEdit, EscapeBringsBackTheValueWithItsSuffixAtOnce) {
    DurationSpin s;
    s.spin.SetPosition(12);
    s.spin.Edit()->clearFocus();  // the window's first control has it since the showing
    s.spin.Edit()->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(s.spin.Text(), QStringLiteral("1.2"));
    QTest::keyClicks(s.spin.Edit(), QStringLiteral("7"));
    QTest::keyClick(s.spin.Edit(), Qt::Key_Escape);
    EXPECT_EQ(s.spin.Text(), QStringLiteral("1.2") + UiString(374));
    EXPECT_EQ(s.spin.Position(), 12);
    EXPECT_TRUE(s.changes.empty());
    // Typing again edits the number alone: a digit replaces it, and leaving commits it.
    QTest::keyClicks(s.spin.Edit(), QStringLiteral("3"));
    EXPECT_EQ(s.spin.Text(), QStringLiteral("3"));
    QTest::keyClick(s.spin.Edit(), Qt::Key_Return);
    EXPECT_EQ(s.spin.Position(), 30);
    EXPECT_EQ(s.changes, std::vector<int>{30});
    // So does Backspace, after a second Escape.
    s.spin.Edit()->setFocus();
    QApplication::processEvents();
    QTest::keyClick(s.spin.Edit(), Qt::Key_Escape);
    QTest::keyClick(s.spin.Edit(), Qt::Key_Backspace);
    EXPECT_EQ(s.spin.Text(), QStringLiteral("3."));
}

TEST(SuperSpinEdit, TheWheelStepsTheControlUnderThePointerFocusedOrNot) {
    DurationSpin s;
    s.spin.SetPosition(12);
    s.spin.Edit()->clearFocus();
    TurnWheel(s.spin.Edit(), 120);
    TurnWheel(s.spin.DownArrow(), 120);
    EXPECT_EQ(s.spin.Position(), 14);
    EXPECT_FALSE(s.spin.HasFocus());
    s.spin.Edit()->setFocus();
    QApplication::processEvents();
    TurnWheel(s.spin.Edit(), -120);
    TurnWheel(s.spin.UpArrow(), -120);
    EXPECT_EQ(s.spin.Position(), 12);
    EXPECT_EQ(s.parent.wheels, 0);
    EXPECT_EQ(s.spin.CurrentIncrement(), 1);  // no acceleration from the wheel
    EXPECT_EQ(s.spin.Text(), QStringLiteral("1.2") + UiString(374));
}

TEST(SuperSpinEdit, EveryValueOfANarrowBoxIsSetInOneType) {
    DurationSpin s;
    s.spin.resize(70, 25);
    s.spin.SetPosition(5);
    const QFont narrow = s.spin.Edit()->font();
    EXPECT_LT(narrow.stretch(), QFont::Unstretched);
    for (int value : {255, 100, 12, 1}) {
        s.spin.SetPosition(value);
        EXPECT_EQ(s.spin.Edit()->font(), narrow) << value;
    }
    // The widest value ends clear of the arrows.
    s.spin.SetPosition(255);
    const int arrowsLeft = s.spin.UpArrow()->mapTo(&s.spin, QPoint(0, 0)).x();
    EXPECT_LE(s.spin.Edit()->fontMetrics().horizontalAdvance(s.spin.Text()) + 2 +
                  TSuperSpinEdit::kTextGap,
              arrowsLeft);
    // The width said to fit a text lets it stand in the full type.
    s.spin.resize(TSuperSpinEdit::WidthForText(
                      QFontMetrics(TSuperSpinEdit::TextFont()).horizontalAdvance(s.spin.Text())),
                  25);
    EXPECT_EQ(s.spin.Edit()->font().stretch(), QFont::Unstretched);
    s.spin.resize(s.spin.width() - 1, 25);
    EXPECT_LT(s.spin.Edit()->font().stretch(), QFont::Unstretched);
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
