// Conditional compilation: #DEFINE, #IF, #SELECT, #ERROR, and what they leave of the program.

#include <gtest/gtest.h>

#include <string>

#include "front_test_util.h"
#include "test_tokenizer.h"

namespace kavrin::tokenizer {
namespace {

using namespace front_test;

// Runs the front end on a 2.5 program for KR2 and returns what is left, or "error N".
std::string Resolve(const std::string& body) {
    const int error = FrontEnd(std::string(kKr2v25) + body);
    return error ? "error " + std::to_string(error) : LiveText();
}

// Offset of a piece of the body in the whole text.
int At(const std::string& body, const std::string& piece) {
    return static_cast<int>(kKr2v25.size() + body.find(piece));
}

TEST(CondIf, TakesOneBranchAndLeavesNoEmptyStatements) {
    EXPECT_EQ(Resolve("A\n#IF 1 #THEN\nB\n#ELSE\nC\n#ENDIF\nD\n"), "A | B | D |");
    EXPECT_EQ(Resolve("A\n#IF 0 #THEN\nB\n#ELSE\nC\n#ENDIF\nD\n"), "A | C | D |");
    EXPECT_EQ(Resolve("A\n#IF 0 #THEN\nB\n#ENDIF\nD\n"), "A | D |");
    EXPECT_EQ(Resolve("#IF 0 #THEN\nB\n#ENDIF\n"), "");
}

TEST(CondIf, SkippedBranchesMustStillBeBalanced) {
    EXPECT_EQ(Resolve("#IF 0 #THEN\n#IF 1 #THEN\nB\n#ELSE\nC\n#ENDIF\n#ENDIF\nD\n"), "D |");
    EXPECT_EQ(Resolve("#IF 0 #THEN\n#IF 1 #THEN\nB\n#ENDIF\nD\n"), "error 191");
    EXPECT_EQ(Resolve("#IF 0 #THEN\n#IF 1 + #THEN\n#ENDIF\n#ENDIF\n"), "error 188")
        << "expressions in skipped stretches are still checked";
}

TEST(CondIf, ConditionsSeeDefinesAndTreatUnknownNamesAsZero) {
    EXPECT_EQ(Resolve("#DEFINE Fast\n#IF Fast #THEN\nB\n#ENDIF\n"), "B |");
    EXPECT_EQ(Resolve("#DEFINE Fast\n#IF Fast = 65535 #THEN\nB\n#ENDIF\n"), "B |");
    EXPECT_EQ(Resolve("#IF Nowhere #THEN\nB\n#ELSE\nC\n#ENDIF\n"), "C |");
    EXPECT_EQ(Resolve("#IF Nowhere = 0 #THEN\nB\n#ENDIF\n"), "B |");
    EXPECT_EQ(Resolve("#DEFINE N = 2\n#DEFINE N = N * 3\n#IF N = 6 #THEN\nB\n#ENDIF\n"), "B |");
    EXPECT_EQ(Resolve("#IF $KORBLE = KR2 AND $VELIC = 250 AND $PORT = -1 #THEN\nB\n#ENDIF\n"),
              "B |");
}

TEST(CondIf, NamesDeclaredElsewhereAreRefused) {
    const std::string body = "#IF Speed #THEN\n#ENDIF\nSpeed CON 3\n";
    EXPECT_EQ(Resolve(body), "error 195");
    EXPECT_EQ(TokenizerResult().ErrorPos, At(body, "Speed"));
    EXPECT_EQ(Resolve("#DEFINE Speed = 1\nSpeed VAR Byte\n"), "error 123");
    EXPECT_EQ(Resolve("#DEFINE HIGH = 1\n"), "error 196");
    EXPECT_EQ(Resolve("#DEFINE X 1\n"), "error 150");
    EXPECT_EQ(Resolve("#DEFINE X = 1 2\n"), "error 142");
    EXPECT_EQ(Resolve("#DEFINE X = 1 #THEN\n"), "error 129");
    EXPECT_EQ(Resolve("#IF B0 #THEN\n#ENDIF\n"), "error 188");
}

TEST(CondIf, StructureErrors) {
    EXPECT_EQ(Resolve("#ELSE\n"), "error 193");
    EXPECT_EQ(Resolve("#ENDIF\n"), "error 194");
    EXPECT_EQ(Resolve("#IF 1 #THEN\n#ELSE\n#ELSE\n#ENDIF\n"), "error 200");
    EXPECT_EQ(Resolve("#IF 1\n#ENDIF\n"), "error 190");
    EXPECT_EQ(Resolve("#IF 1 #THEN\n#SELECT 1\n#CASE 1\n#ENDIF\n"), "error 223");
}

TEST(CondIf, UnclosedBlockIsReportedAtItsOpener) {
    const std::string body = "#IF 1 #THEN\nA\n#IF 1 #THEN\nB\n#ENDIF\n";
    EXPECT_EQ(Resolve(body), "error 191");
    EXPECT_EQ(TokenizerResult().ErrorPos, At(body, "#IF"));
    EXPECT_EQ(TokenizerResult().ErrorLength, 3);
    const std::string select = "A\n#SELECT 1\n#CASE 1\nB\n";
    EXPECT_EQ(Resolve(select), "error 192");
    EXPECT_EQ(TokenizerResult().ErrorPos, At(select, "#SELECT"));
}

TEST(CondIf, NestingLimitOf16) {
    std::string sixteen, close;
    for (int i = 0; i < 16; ++i) {
        sixteen += "#IF 1 #THEN\n";
        close += "#ENDIF\n";
    }
    EXPECT_EQ(Resolve(sixteen + "A\n" + close), "A |");
    EXPECT_EQ(Resolve(sixteen + "#IF 1 #THEN\nA\n#ENDIF\n" + close), "error 197");
}

TEST(CondSelect, CaseValuesAndRanges) {
    for (int selector = 0; selector <= 6; ++selector) {
        const std::string body = "#SELECT " + std::to_string(selector) +
                                 "\n#CASE 1, 3 TO 5\nA\n#CASE #ELSE\nB\n#ENDSELECT\nC\n";
        const bool hit = selector == 1 || (selector >= 3 && selector <= 5);
        EXPECT_EQ(Resolve(body), hit ? "A | C |" : "B | C |") << selector;
    }
}

TEST(CondSelect, FirstMatchingCaseOnlyAndOwnComparisons) {
    EXPECT_EQ(Resolve("#SELECT 7\n#CASE > 5\nA\n#CASE 7\nB\n#ENDSELECT\n"), "A |");
    EXPECT_EQ(Resolve("#SELECT 7\n#CASE < 5\nA\n#CASE <> 3\nB\n#ENDSELECT\n"), "B |");
    EXPECT_EQ(Resolve("#SELECT 2 + 2\n#CASE 1\nA\n#ENDSELECT\nD\n"), "D |");
    EXPECT_EQ(Resolve("#DEFINE M = 3\n#SELECT M * 2\n#CASE 6\nA\n#ENDSELECT\n"), "A |");
}

TEST(CondSelect, StructureErrors) {
    EXPECT_EQ(Resolve("#CASE 1\n"), "error 220");
    EXPECT_EQ(Resolve("#ENDSELECT\n"), "error 221");
    EXPECT_EQ(Resolve("#SELECT 1\nA\n#CASE 1\n#ENDSELECT\n"), "error 219");
    EXPECT_EQ(Resolve("#SELECT 1 2\n#CASE 1\n#ENDSELECT\n"), "error 129");
    EXPECT_EQ(Resolve("#SELECT (1)\n#CASE 1\n#ENDSELECT\n"), "error 225");
    EXPECT_EQ(Resolve("#SELECT 1\n#CASE ELSE\n#ENDSELECT\n"), "error 224");
    EXPECT_EQ(Resolve("#SELECT 1\n#CASE > 1 TO 5\n#ENDSELECT\n"), "error 141");
    EXPECT_EQ(Resolve("#SELECT 1\n#CASE 1 #THEN\n#ENDSELECT\n"), "error 130");
    EXPECT_EQ(Resolve("#SELECT 1\n#CASE 1\n#IF 1 #THEN\n#CASE 2\n"), "error 222");
}

TEST(CondSelect, NestingLimitOf16) {
    std::string sixteen, close;
    for (int i = 0; i < 16; ++i) {
        sixteen += "#SELECT 1\n#CASE 1\n";
        close += "#ENDSELECT\n";
    }
    EXPECT_EQ(Resolve(sixteen + "A\n" + close), "A |");
    EXPECT_EQ(Resolve(sixteen + "#SELECT 1\n#CASE 1\n#ENDSELECT\n" + close), "error 218");
}

TEST(CondError, FailsWithItsOwnMessageAndSpan) {
    const std::string body = "A\n#ERROR \"Too\", 32, \"fast\", 33\nB\n";
    EXPECT_EQ(Resolve(body), "error 199");
    const TTokenizerResult& r = TokenizerResult();
    EXPECT_STREQ(r.ErrorMessage, "199-Too fast!");
    EXPECT_EQ(r.ErrorPos, At(body, "#ERROR"));
    EXPECT_EQ(r.ErrorLength, static_cast<int>(body.find("33") + 2 - body.find("#ERROR")));
    EXPECT_EQ(Resolve("#ERROR\n"), "error 199");
    EXPECT_STREQ(r.ErrorMessage, "199-");
    EXPECT_EQ(Resolve("#ERROR B0\n"), "error 198");
    EXPECT_EQ(Resolve("#ERROR 65 66\n"), "error 130");
}

TEST(CondError, InactiveInSkippedStretches) {
    EXPECT_EQ(Resolve("#IF 0 #THEN\n#ERROR \"no\"\n#ENDIF\nA\n"), "A |");
    EXPECT_EQ(Resolve("#SELECT 2\n#CASE 1\n#ERROR \"no\"\n#CASE 2\nA\n#ENDSELECT\n"), "A |");
    // A taken branch inside a skipped one is skipped too: neither the #ERROR nor the #DEFINE
    // may take effect.
    EXPECT_EQ(Resolve("#IF 0 #THEN\n#IF 1 #THEN\n#ERROR \"no\"\n#DEFINE X\n#ENDIF\n#ENDIF\n"
                      "#IF X #THEN\nA\n#ENDIF\nB\n"),
              "B |");
}

TEST(CondDirectives, OnlyIn25) {
    EXPECT_EQ(FrontEnd(std::string(kKr2) + "#IF 1 #THEN\n#ENDIF\n"), 103);
}

}  // namespace
}  // namespace kavrin::tokenizer
