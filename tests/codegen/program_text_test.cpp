// The program text: splitting and joining at CR LF, the editing operations of the generator,
// loading text resources and the length limit of the tokenizer.

#include "codegen/program_text.h"

#include <gtest/gtest.h>

#include <string>

#include "resources/resources.h"

namespace kavrin::codegen {
namespace {

TEST(ProgramText, SplitsOnlyAtCrLfAndJoinsBack) {
    TProgramText text;
    const std::string source = "a\tb\r\n\r\nlone\rcr and lone\nlf\r\nlast";
    text.SetText(source);
    ASSERT_EQ(text.Count(), 4);
    EXPECT_EQ(text.Line(0), "a\tb");
    EXPECT_EQ(text.Line(1), "");
    EXPECT_EQ(text.Line(2), "lone\rcr and lone\nlf");
    EXPECT_EQ(text.Line(3), "last");
    EXPECT_EQ(text.WholeText(), source);

    text.SetText("ends with a break\r\n");  // the break leaves an empty last line
    EXPECT_EQ(text.Count(), 2);
    EXPECT_EQ(text.WholeText(), "ends with a break\r\n");

    text.SetText("");
    EXPECT_EQ(text.Count(), 0);
    EXPECT_EQ(text.WholeText(), "");
}

TEST(ProgramText, EditingOperationsStayInsideTheText) {
    TProgramText text;
    text.SetText("one\r\ntwo");
    EXPECT_TRUE(text.InsertLine(0, "zero"));
    EXPECT_TRUE(text.InsertLine(3, "three"));  // at the count: appends
    EXPECT_TRUE(text.ReplaceLine(1, "ONE"));
    EXPECT_EQ(text.WholeText(), "zero\r\nONE\r\ntwo\r\nthree");

    EXPECT_FALSE(text.InsertLine(5, "x"));
    EXPECT_FALSE(text.InsertLine(-1, "x"));
    EXPECT_FALSE(text.ReplaceLine(4, "x"));
    EXPECT_FALSE(text.ReplaceLine(-1, "x"));
    EXPECT_EQ(text.Line(4), "");
    EXPECT_EQ(text.Line(-1), "");
    EXPECT_EQ(text.Count(), 4);

    EXPECT_TRUE(text.InsertLines(1, {"a", "b"}));  // in their order, before the line
    EXPECT_TRUE(text.InsertLines(6, {"end"}));
    EXPECT_FALSE(text.InsertLines(8, {"x"}));
    EXPECT_FALSE(text.InsertLines(-1, {"x"}));
    EXPECT_EQ(text.WholeText(), "zero\r\na\r\nb\r\nONE\r\ntwo\r\nthree\r\nend");
}

TEST(ProgramText, LoadsTextResourcesOrNothing) {
    TProgramText text;
    text.LoadTextResource(resources::kTestProgramId);
    ASSERT_GT(text.Count(), 1);
    EXPECT_EQ(text.Line(0), "'{$KORBLE KR2}");
    const auto raw = resources::find("DATA", resources::kTestProgramId);
    EXPECT_EQ(text.WholeText(), std::string(reinterpret_cast<const char*>(raw.data()), raw.size()));

    text.LoadTextResource(363);  // not carried: the text is emptied, nothing else happens
    EXPECT_EQ(text.Count(), 0);
}

TEST(ProgramText, RefusesTextsLongerThanTheTokenizerTakes) {
    TProgramText text;
    std::string out = "untouched";
    text.SetText(std::string(kMaxSourceLength - 2, 'x') + "\r\n");
    EXPECT_TRUE(text.TextForTokenizer(out).ok);
    EXPECT_EQ(out.size(), kMaxSourceLength);

    out = "untouched";
    text.InsertLine(0, "");  // two more characters
    const TTextResult refused = text.TextForTokenizer(out);
    EXPECT_FALSE(refused.ok);
    EXPECT_NE(refused.message.find("65535"), std::string::npos);
    EXPECT_EQ(out, "untouched");
}

}  // namespace
}  // namespace kavrin::codegen
