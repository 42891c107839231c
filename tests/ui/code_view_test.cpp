#include "ui/code_view.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

#include <gtest/gtest.h>

#include "resources/ui_strings.h"
#include "ui/code_editor.h"
#include "ui/ui_text.h"
#include "ui/velic_highlighter.h"

namespace kavrin::ui {
namespace {

codegen::TProgramText TextOf(std::string_view whole) {
    codegen::TProgramText text;
    text.SetText(whole);
    return text;
}

TEST(CodeView, CloseStaysCentredWhenResized) {
    TCodeForm view;
    view.show();
    EXPECT_EQ(view.size(), QSize(798, 617));
    EXPECT_EQ(view.windowTitle(), UiString(resources::str::kCodeTitle));
    for (const QSize size : {QSize(798, 617), QSize(401, 300), QSize(1200, 900)}) {
        view.resize(size);
        QApplication::processEvents();
        const QWidget* panel = view.BottomPanel();
        const QRect button = view.CloseButton()->geometry();
        EXPECT_EQ(panel->geometry(), QRect(0, size.height() - 47, size.width(), 47));
        EXPECT_EQ(button.size(), QSize(75, 25));
        EXPECT_EQ(button.top(), 14);
        EXPECT_EQ(button.left(), size.width() / 2 - 75 / 2);
        const QRect editor = view.Editor()->geometry();
        EXPECT_EQ(editor.left(), 10);
        EXPECT_EQ(editor.top(), 10);
        EXPECT_EQ(editor.right(), size.width() - 11);
    }
}

TEST(CodeView, EnterOnCloseAndEscapeAnywhereClose) {
    TCodeForm view;
    view.SetProgramText(TextOf("HIGH 1"));
    view.show();
    QSignalSpy accepted(&view, &QDialog::accepted);
    view.CloseButton()->setFocus();
    QTest::keyClick(view.CloseButton(), Qt::Key_Return);
    EXPECT_EQ(accepted.count(), 1);
    EXPECT_FALSE(view.isVisible());

    // In the editor Enter breaks the line and Escape still closes, with the same result.
    view.show();
    view.Editor()->setFocus();
    view.Editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(view.Editor(), Qt::Key_Return);
    EXPECT_TRUE(view.isVisible());
    QTest::keyClick(view.Editor(), Qt::Key_Escape);
    EXPECT_EQ(accepted.count(), 2);
    EXPECT_EQ(view.result(), QDialog::Accepted);
    EXPECT_EQ(view.ProgramText().WholeText(), "HIGH 1\r\n");
}

TEST(CodeView, AltLettersNeverTypeIntoTheText) {
    TCodeForm view;
    view.SetProgramText(TextOf("HIGH 1"));
    view.show();
    view.Editor()->setFocus();
    view.Editor()->moveCursor(QTextCursor::End);
    QTest::keyClick(view.Editor(), Qt::Key_V, Qt::AltModifier);
    QTest::keyClick(view.Editor(), Qt::Key_G, Qt::AltModifier);
    EXPECT_EQ(view.ProgramText().WholeText(), "HIGH 1");
    // AltGr (Ctrl+Alt on some keyboards) still types its character; plain keys type.
    QTest::keyClick(view.Editor(), Qt::Key_2, Qt::ControlModifier | Qt::AltModifier);
    QTest::keyClick(view.Editor(), Qt::Key_X);
    EXPECT_EQ(view.ProgramText().WholeText().back(), 'x');
}

TEST(CodeView, TextRoundTripsAndAnErrorSelectsItsSpan) {
    const std::string whole = "' first\r\n\tx VAR Byte\r\n\xe9 GOTO Nowhere\r\nEND";
    TCodeForm view;
    view.SetProgramText(TextOf(whole));
    EXPECT_EQ(view.ProgramText().WholeText(), whole);  // tabs and high bytes untouched
    view.SetProgramText(codegen::TProgramText());
    EXPECT_EQ(view.ProgramText().Count(), 0);

    view.SetProgramText(TextOf(whole));
    const int at = static_cast<int>(whole.find("Nowhere"));
    view.ShowTokenizerError(at, 7, QStringLiteral("110-Undefined symbol"));
    EXPECT_EQ(view.Editor()->textCursor().selectedText(), QStringLiteral("Nowhere"));
    EXPECT_TRUE(view.ErrorMessage().contains(QStringLiteral("110-Undefined symbol")));
    EXPECT_TRUE(view.ErrorMessage().contains(QLatin1String("3")));

    // A span without length marks its line; a position past the end marks the last line.
    view.ShowTokenizerError(static_cast<int>(whole.find("x VAR")), 0, QStringLiteral("m"));
    EXPECT_EQ(view.Editor()->textCursor().selectedText(), QStringLiteral("\tx VAR Byte"));
    view.ShowTokenizerError(10000, 3, QStringLiteral("m"));
    EXPECT_EQ(view.Editor()->textCursor().block().blockNumber(), 3);

    // New text clears the message.
    view.SetProgramText(TextOf("END"));
    EXPECT_TRUE(view.ErrorMessage().isEmpty());
}

TEST(CodeHighlighting, ClassesComeFromTheTokenizerWords) {
    using K = TCodeClass;
    auto kinds = [](const QString& line) {
        std::vector<std::pair<QString, K>> out;
        for (const TCodeSpan& s : ClassifyLine(line))
            out.emplace_back(line.mid(s.start, s.length), s.kind);
        return out;
    };
    using V = std::vector<std::pair<QString, K>>;
    EXPECT_EQ(kinds(QStringLiteral("Speed VAR byte ' main speed")),
              (V{{"VAR", K::Declaration}, {"byte", K::Declaration}, {"' main speed", K::Comment}}));
    // Operators are coloured as words; the sign characters stay plain.
    EXPECT_EQ(kinds(QStringLiteral("pulsout 12, $FF + %101 AND 7")), (V{{"pulsout", K::Instruction},
                                                                        {"12", K::Number},
                                                                        {"$FF", K::Number},
                                                                        {"%101", K::Number},
                                                                        {"AND", K::Operator},
                                                                        {"7", K::Number}}));
    EXPECT_EQ(kinds(QStringLiteral("DEBUG \"it's\", DEC W1 'x")), (V{{"DEBUG", K::Instruction},
                                                                     {"\"it's\"", K::String},
                                                                     {"DEC", K::Predefined},
                                                                     {"W1", K::Predefined},
                                                                     {"'x", K::Comment}}));
    EXPECT_EQ(kinds(QStringLiteral("' {$KORBLE KR2} #IF")),
              (V{{"' ", K::Comment}, {"{$KORBLE KR2}", K::Directive}, {" #IF", K::Comment}}));
    EXPECT_EQ(kinds(QStringLiteral("#IF Verbose #THEN")),
              (V{{"#IF", K::Directive}, {"#THEN", K::Directive}}));
}

}  // namespace
}  // namespace kavrin::ui
