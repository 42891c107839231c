// Editor directives: $KORBLE, $PORT and $VELIC.

#include <gtest/gtest.h>

#include <string>

#include "front_test_util.h"
#include "test_tokenizer.h"

namespace kavrin::tokenizer {
namespace {

using namespace front_test;

TEST(KorbleDirective, NamesTheModule) {
    TTokenizerResult& r = TokenizerResult();
    const std::string text = "HIGH 1 ' {  $korble   kr2 }  rest ignored\n";
    EXPECT_EQ(Directives(text), 0);
    EXPECT_EQ(r.ModuleKind, 2);
    EXPECT_EQ(r.ModulePos, static_cast<int>(text.find("kr2")));
    EXPECT_EQ(SymbolValue("$KORBLE"), 2);
}

TEST(KorbleDirective, ProjectFilesOnlyFromKr3) {
    TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(Directives("' {$KORBLE KR2, a.src}\n"), 201);

    const std::string text = "' {$KORBLE KR3, a.src, \"b c.src\"}\n";
    ASSERT_EQ(Directives(text), 0);
    EXPECT_EQ(r.ModuleKind, 3);
    ASSERT_NE(r.ProjectFiles[0], nullptr);
    ASSERT_NE(r.ProjectFiles[1], nullptr);
    EXPECT_STREQ(r.ProjectFiles[0], "a.src");
    EXPECT_STREQ(r.ProjectFiles[1], "b c.src");
    EXPECT_EQ(r.ProjectFiles[2], nullptr);
    EXPECT_EQ(r.ProjectFilePos[0], static_cast<int>(text.find("a.src")));
    EXPECT_EQ(r.ProjectFilePos[1], static_cast<int>(text.find("b c")));
}

TEST(KorbleDirective, SevenFilesAtMost) {
    std::string seven = "' {$KORBLE KR5";
    for (int i = 1; i <= 7; ++i) seven += ", f" + std::to_string(i);
    EXPECT_EQ(Directives(seven + "}\n"), 0);
    EXPECT_STREQ(TokenizerResult().ProjectFiles[6], "f7");
    EXPECT_EQ(Directives(seven + ", f8}\n"), 203);
}

TEST(KorbleDirective, Refusals) {
    EXPECT_EQ(Directives("' {$KORBLE KR7}\n"), 204);
    EXPECT_EQ(Directives("' {$KORBLE}\n"), 204);
    EXPECT_EQ(Directives("' {$KORBLE KR3, }\n"), 153);
    EXPECT_EQ(Directives("' {$KORBLE KR2\n"), 201);
    EXPECT_EQ(Directives("' {$KORBLE KR2}\n' {$KORBLE KR2}\n"), 155);
    EXPECT_EQ(Directives("' {$KORBEL KR2}\n"), 154);
    EXPECT_EQ(Directives("' {$KORBLE KR2 * }\n"), 103);
    // Not a directive at all: no brace, or no dollar behind it.
    EXPECT_EQ(Directives("' $KORBLE KR2\n' { KORBLE KR2}\n"), 0);
    EXPECT_EQ(TokenizerResult().ModuleKind, 0);
}

TEST(KorbleDirective, CallerPresetModuleDropsTheDirectiveUnread) {
    TTokenizerResult& r = TokenizerResult();
    LoadSource("' {$KORBLE nonsense, , }\n' {$KORBLE KR4}\n");
    r.ModuleKind = 3;
    EXPECT_EQ(Tokenize({.directivesOnly = true, .useModuleDirective = false}), 1);
    EXPECT_EQ(r.ModuleKind, 3);
    EXPECT_EQ(SymbolValue("$KORBLE"), 3);
}

TEST(PortDirective, NamesTheSerialPort) {
    TTokenizerResult& r = TokenizerResult();
    const std::string text = std::string(kKr2) + "' {$PORT COM12}\n";
    ASSERT_EQ(Directives(text), 0);
    ASSERT_NE(r.PortName, nullptr);
    EXPECT_STREQ(r.PortName, "COM12");
    EXPECT_EQ(r.PortPos, static_cast<int>(text.find("COM12")));
    EXPECT_EQ(SymbolValue("$PORT"), 12);

    ASSERT_EQ(Directives(kKr2), 0);
    EXPECT_EQ(r.PortName, nullptr);
    EXPECT_EQ(SymbolValue("$PORT"), 65535);
}

TEST(PortDirective, Refusals) {
    for (const char* bad : {"LPT1", "COM", "COM1A", "CO12", "12"}) {
        EXPECT_EQ(Directives(std::string("' {$PORT ") + bad + "}\n"), 208) << bad;
    }
    EXPECT_EQ(Directives("' {$PORT com3}\n' {$PORT COM4}\n"), 155);
    EXPECT_EQ(Directives("' {$PORT COM3, x}\n"), 201);
}

TEST(VelicDirective, VersionsAndTheirChecks) {
    TTokenizerResult& r = TokenizerResult();
    ASSERT_EQ(Directives(kKr2), 0);
    EXPECT_EQ(r.LanguageVersion, 200);
    EXPECT_EQ(r.LanguagePos, 0);

    const std::string v25 = std::string(kKr2) + "' {$VELIC 2.5}\n";
    ASSERT_EQ(Directives(v25), 0);
    EXPECT_EQ(r.LanguageVersion, 250);
    EXPECT_EQ(r.LanguagePos, static_cast<int>(v25.find("2.5")));
    EXPECT_EQ(SymbolValue("$VELIC"), 250);
    EXPECT_TRUE(TestState().syntax25);

    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC 2}\n"), 0);
    EXPECT_EQ(r.LanguageVersion, 200);
    EXPECT_FALSE(TestState().syntax25);

    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC 1.0}\n"), 232);
    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC 1.0}\n", 1), 0) << "AnyVersion";
    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC 3.0}\n"), 187);
    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC 3.0}\n", 1), 187);
    EXPECT_EQ(Directives("' {$KORBLE KR1}\n' {$VELIC 2.0}\n"), 231);
    EXPECT_EQ(Directives("' {$KORBLE KR1}\n' {$VELIC 1.0}\n"), 0);
    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC 2.0}\n' {$VELIC 2.0}\n"), 155);
    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC x}\n"), 112);
    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC 0.5}\n"), 186);
    EXPECT_EQ(Directives(std::string(kKr2) + "' {$VELIC 2.5 x}\n"), 201);

    // 232 is about KR2..KR6; a preset that names no module is left to the module test.
    LoadSource("' {$VELIC 1.0}\n");
    r.ModuleKind = 7;
    EXPECT_EQ(Tokenize({.directivesOnly = true, .useModuleDirective = false}), 1);
    EXPECT_EQ(r.LanguageVersion, 100);
}

TEST(VelicDirective, ErrorSpanIsTheElementReadLast) {
    TTokenizerResult& r = TokenizerResult();
    const std::string text = std::string(kKr2) + "' {$VELIC 3.0}\n";
    ASSERT_EQ(Directives(text), 187);
    EXPECT_EQ(r.ErrorPos, static_cast<int>(text.find("3.0")));
    EXPECT_EQ(r.ErrorLength, 3);
}

TEST(EditorDirectives, OutsideACommentABraceIsUnrecognized) {
    TTokenizerResult& r = TokenizerResult();
    const std::string text = std::string(kKr2) + "{$PORT COM1}\n";
    EXPECT_EQ(Full(text), 103);
    EXPECT_EQ(r.ErrorPos, static_cast<int>(kKr2.size()));
}

}  // namespace
}  // namespace kavrin::tokenizer
