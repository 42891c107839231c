// Expressions, assignments and the control structures, checked bit for bit where the layout is
// the point and by error number where a limit is.

#include <gtest/gtest.h>

#include <string>

#include "back_test_util.h"
#include "test_tokenizer.h"

namespace kavrin::tokenizer {
namespace {

using namespace test;

std::string Repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += s;
    return out;
}

TEST(Items, ConstantEncodings) {
    EXPECT_EQ(k(0),
              "100000"
              "1");
    EXPECT_EQ(k(1),
              "100000"
              "0");
    EXPECT_EQ(k(2),
              "100001"
              "0");
    EXPECT_EQ(k(5),
              "100010"
              "101");
    for (unsigned v : {0u, 1u, 2u, 5u, 255u, 1024u, 65535u})
        ExpectCode("PAUSE " + std::to_string(v), K(v) + T(21) + T(0));
}

TEST(Items, VariableReadsPlainModifiedAndIndexed) {
    ExpectCode("PAUSE W0", R(3, 3) + T(21));
    ExpectCode("PAUSE B1", R(2, 7) + T(21));
    ExpectCode("PAUSE OUTA", R(1, 4) + T(21));
    ExpectCode("PAUSE IN7", R(0, 7) + T(21));
    ExpectCode("PAUSE W1.HIGHBYTE", R(2, 9) + T(21));
    // The index items come first, then the indexed read item (48 + 4 + size).
    ExpectCode("PAUSE B0(W1)", "1" + Var(false, 3, 4) + "1" + Item(54) + Bits(6, 5) + T(21));
}

TEST(Items, IndexNestedTooDeepForABufferIs144) {
    const auto nested = [](int n) { return "PAUSE " + Repeat("W0(", n) + "1" + Repeat(")", n); };
    EXPECT_EQ(Compile(nested(44)), 0);
    EXPECT_EQ(Compile(nested(45)), 144);
    // Refused on the way in, long before the element list runs out.
    EXPECT_EQ(Compile(nested(3000)), 144);
}

TEST(Expressions, OperatorsFollowTheirRightOperandLeftToRight) {
    // 2 + 3 * 4 is (2 + 3) * 4 = 20 on the target.
    ExpectCode("PAUSE 2 + 3 * 4", K(2) + K(3) + O(15) + K(4) + O(18) + T(21));
    ExpectCode("PAUSE 2 + (3 * 4)", K(2) + K(3) + K(4) + O(18) + O(15) + T(21));
    ExpectCode("PAUSE -W0", "1" + Var(false, 3, 3) + O(3) + T(21));
}

TEST(Expressions, ConditionsBindComparisonsAfterArithmeticAndLogicLast) {
    // IF 1 + 2 = 3 AND W0 < 4 THEN label
    const std::string cond = K(1) + K(2) + O(15) + K(3) + O(28) + R(3, 3) + K(4) + O(31) + O(10);
    ExpectCode("IF 1 + 2 = 3 AND W0 < 4 THEN Done\nDone: END", cond + T(13));
}

TEST(Expressions, NinthValueOnTheStackIs144) {
    std::string eight = "1";
    for (int i = 0; i < 7; ++i) eight = "1 + (" + eight + ")";
    EXPECT_EQ(Compile("PAUSE " + eight), 0);
    EXPECT_EQ(Compile("PAUSE 1 + (" + eight + ")"), 144);
    // Arguments evaluated later start deeper: PWM's cycles start at depth 1.
    EXPECT_EQ(Compile("PWM 1, 2, " + eight), 144);
}

TEST(Statements, AssignmentIsValueThenTargetThenToken) {
    ExpectCode("B0 = 5", K(5) + "1" + W(2, 6) + T(26));
    // The assignment token differs between modules.
    ExpectCode("B0 = 5", K(5) + "1" + W(2, 6) + T(29), kKR4v25);
    ExpectCode("B0(2) = 1", K(1) + "1" + k(2) + "1" + Item(62) + Bits(6, 5) + T(26));
    EXPECT_EQ(Compile("B0 5"), 150);
    EXPECT_EQ(Compile("5 = B0"), 149);
}

TEST(Statements, LabelsAndTheirErrors) {
    ExpectCode("Top: GOTO Top", T(9) + A(14));
    EXPECT_EQ(Compile("Top: END\nTop: END"), 117);
    EXPECT_EQ(Compile("Top END"), 174);
    EXPECT_EQ(Compile("Top END", kKR2v20), 0);
    EXPECT_EQ(Compile("GOTO 5"), 148);
}

TEST(If, ThenLabelIsOneConditionalJump) {
    const std::string cond = R(2, 6) + K(1) + O(28);
    // END at 14 + cond + 7 + 14.
    const unsigned done = 14 + static_cast<unsigned>(cond.size()) + 21;
    ExpectCode("IF B0 = 1 THEN Done\nDone: END", cond + T(13) + A(done) + T(0), kKR2v20);
    ExpectCode("IF B0 = 1 THEN GOTO Done\nDone: END", cond + T(13) + A(done) + T(0));
}

TEST(If, SingleLineWithElseCompilesBothParts) {
    const std::string cond = R(2, 6) + K(1) + O(28);
    const unsigned thenStart = 14 + static_cast<unsigned>(cond.size()) + 7 + 14 + 7 + 14;
    const std::string thenPart = K(1) + T(5);
    const unsigned elseStart = thenStart + static_cast<unsigned>(thenPart.size()) + 21;
    const std::string elsePart = K(2) + T(7);
    const unsigned end = elseStart + static_cast<unsigned>(elsePart.size());
    ExpectCode("IF B0 = 1 THEN HIGH 1 ELSE LOW 2\nEND", cond + T(13) + A(thenStart) + T(9) +
                                                            A(elseStart) + thenPart + T(9) +
                                                            A(end) + elsePart + T(0));
}

TEST(If, ColonKeepsTheNextStatementInTheSamePart) {
    const std::string cond = R(2, 6) + K(1) + O(28);
    const unsigned thenStart = 14 + static_cast<unsigned>(cond.size()) + 42;
    const std::string thenPart = K(1) + T(5) + K(2) + T(5);
    const unsigned end = thenStart + static_cast<unsigned>(thenPart.size());
    ExpectCode("IF B0 = 1 THEN HIGH 1 : HIGH 2\nLOW 3",
               cond + T(13) + A(thenStart) + T(9) + A(end) + thenPart + K(3) + T(7));
}

TEST(If, BlockWithElseIfAndElse) {
    ASSERT_EQ(Compile("IF B0 = 1 THEN\n HIGH 1\nELSEIF B0 = 2 THEN\n HIGH 2\nELSE\n HIGH 3\n"
                      "ENDIF\nEND"),
              0);
    EXPECT_EQ(Compile("ELSE\nEND"), 159);
    EXPECT_EQ(Compile("ENDIF\nEND"), 160);
    EXPECT_EQ(Compile("ELSEIF B0 = 1 THEN\nEND"), 228);
    EXPECT_EQ(Compile("IF B0 = 1 THEN\nELSE\nELSEIF B0 = 2 THEN\nENDIF"), 230);
    EXPECT_EQ(Compile("IF B0 = 1 THEN\nELSE\nELSE\nENDIF"), 161);
    EXPECT_EQ(Compile("IF B0 = 1 THEN\nFOR B1 = 1 TO 2\nENDIF"), 176);
    EXPECT_EQ(Compile("IF B0 = 1 HIGH 1"), 151);
    EXPECT_EQ(Compile("IF B0 = 1 THEN HIGH 1 ELSE LOW 1 ELSE LOW 2"), 129);
    EXPECT_EQ(Compile("IF B0 = 1 THEN HIGH 1 ELSE LOW 1 : ELSE LOW 2"), 162);
}

TEST(If, SeventeenNestedIfBlocksAre158) {
    const std::string open = "IF B0 = 1 THEN\n";
    EXPECT_EQ(Compile(Repeat(open, 16) + Repeat("ENDIF\n", 16) + "END"), 0);
    EXPECT_EQ(Compile(Repeat(open, 17) + Repeat("ENDIF\n", 17) + "END"), 158);
    // Looking ahead behind THEN for the one-jump form leaves the error on THEN.
    EXPECT_EQ(Compile(Repeat(open, 16) + "IF B0 = 1 THEN GOTO Out : END\n" + Repeat("ENDIF\n", 16) +
                      "Out: END"),
              158);
    EXPECT_EQ(ErrorText(), "THEN");
}

TEST(If, SingleLineEndingInAColonAtTheEndOfTheTextIsClosed) {
    const std::string cond = R(2, 6) + K(1) + O(28);
    const unsigned thenStart = 14 + static_cast<unsigned>(cond.size()) + 42;
    const std::string thenPart = K(1) + T(5);
    const unsigned end = thenStart + static_cast<unsigned>(thenPart.size());
    ExpectCode("IF B0 = 1 THEN HIGH 1:",
               cond + T(13) + A(thenStart) + T(9) + A(end) + thenPart + T(0));
}

TEST(For, AssignmentThenNextCarriesEndStartVariableStep) {
    const std::string assign = K(1) + "1" + W(2, 6) + T(26);
    const unsigned top = 14 + static_cast<unsigned>(assign.size());
    ExpectCode("FOR B0 = 1 TO 5\nNEXT", assign + K(5) + K(1) + T(14) + Var(false, 2, 6) + K(1) +
                                            "0" + W(2, 6) + "0" + A(top));
    ExpectCode("FOR B0 = 9 TO 1 STEP 2\nNEXT", K(9) + "1" + W(2, 6) + T(26) + K(1) + K(9) + T(14) +
                                                   Var(false, 2, 6) + K(2) + "0" + W(2, 6) + "0");
}

TEST(For, LimitsAndErrors) {
    const std::string open = "FOR B0 = 1 TO 2\n";
    EXPECT_EQ(Compile(Repeat(open, 16) + Repeat("NEXT\n", 16)), 0);
    EXPECT_EQ(Compile(Repeat(open, 17) + Repeat("NEXT\n", 17)), 146);
    EXPECT_EQ(Compile("FOR B0 = 1 TO 2\nNEXT B0"), 129);
    EXPECT_EQ(Compile("NEXT"), 132);
    EXPECT_EQ(Compile("FOR B0 = 1 STEP 2\nNEXT"), 152);
    EXPECT_EQ(Compile("FOR B0 = 1 TO 2 HIGH\nNEXT"), 131);
    EXPECT_EQ(Compile("FOR B0 = 1 TO 2\nDO\nNEXT"), 177);
    EXPECT_EQ(Compile("FOR B0 = 1 TO 2\nIF B0 = 1 THEN\nNEXT"), 161);
}

TEST(Do, PlainLoopJumpsToTheTop) {
    ExpectCode("DO\nLOOP", T(9) + A(14) + T(0));
    const std::string cond = R(2, 6) + K(3) + O(31);
    // DO WHILE: condition, T(13) to the body, T(9) out; LOOP: T(9) to the top.
    const unsigned body = 14 + static_cast<unsigned>(cond.size()) + 42;
    const unsigned out = body + 21;
    ExpectCode("DO WHILE B0 < 3\nLOOP",
               cond + T(13) + A(body) + T(9) + A(out) + T(9) + A(14) + T(0));
    ExpectCode("DO\nLOOP UNTIL B0 < 3",
               cond + T(13) + A(14 + static_cast<unsigned>(cond.size()) + 42) + T(9) + A(14));
}

TEST(Do, LimitsAndErrors) {
    EXPECT_EQ(Compile(Repeat("DO\n", 16) + Repeat("LOOP\n", 16)), 0);
    EXPECT_EQ(Compile(Repeat("DO\n", 17) + Repeat("LOOP\n", 17)), 163);
    EXPECT_EQ(Compile("LOOP"), 164);
    EXPECT_EQ(Compile("DO WHILE B0 = 1\nLOOP UNTIL B0 = 2"), 165);
    EXPECT_EQ(Compile("DO 5\nLOOP"), 166);
    EXPECT_EQ(Compile("EXIT"), 167);
    const std::string exits = Repeat("EXIT\n", 16);
    EXPECT_EQ(Compile("DO\n" + exits + "LOOP"), 0);
    EXPECT_EQ(Compile("DO\n" + exits + "EXIT\nLOOP"), 171);
    EXPECT_EQ(Compile("FOR B0 = 1 TO 2\n" + exits + "EXIT\nNEXT"), 171);
}

TEST(Select, CaseTestsJumpsAndLimits) {
    ASSERT_EQ(Compile("SELECT B0\nCASE 1, 3 TO 5\nHIGH 1\nCASE > 9\nHIGH 2\nCASE ELSE\nHIGH 3\n"
                      "ENDSELECT\nEND"),
              0);
    // CASE 1: selector = 1, T(13) into the branch, T(9) to the next CASE.
    const std::string test = R(2, 6) + K(1) + O(28);
    ExpectCode("SELECT B0\nCASE 1\nHIGH 1\nENDSELECT",
               test + T(13) + A(14 + static_cast<unsigned>(test.size()) + 42) + T(9));
    std::string cases;
    for (int i = 0; i < 16; ++i) cases += "CASE " + std::to_string(i) + "\nHIGH 1\n";
    EXPECT_EQ(Compile("SELECT B0\n" + cases + "ENDSELECT"), 0);
    EXPECT_EQ(Compile("SELECT B0\n" + cases + "CASE 99\nHIGH 1\nENDSELECT"), 181);
    EXPECT_EQ(Compile(Repeat("SELECT B0\nCASE 1\n", 17) + Repeat("HIGH 1\nENDSELECT\n", 17)), 178);
}

TEST(Select, Errors) {
    EXPECT_EQ(Compile("SELECT B0\nCASE 1\nCASE 2\nHIGH 1\nENDSELECT"), 226);
    EXPECT_EQ(Compile("SELECT B0\nCASE 1\nENDSELECT"), 226);
    EXPECT_EQ(Compile("SELECT B0\nHIGH 1\nENDSELECT"), 179);
    EXPECT_EQ(Compile("CASE 1"), 180);
    EXPECT_EQ(Compile("ENDSELECT"), 183);
    EXPECT_EQ(Compile("SELECT B0\nCASE 1 HIGH\nENDSELECT"), 130);
    EXPECT_EQ(Compile("SELECT B0\nCASE 1\nDO\nCASE 2\nLOOP\nENDSELECT"), 177);
}

TEST(On, GotoAndGosubLists) {
    ASSERT_EQ(Compile("ON B0 GOTO A1, A2\nA1: END\nA2: END"), 0);
    ASSERT_EQ(Compile("ON B0 GOSUB A1, A2\nEND\nA1: RETURN\nA2: RETURN"), 0);
    // Slot 1 holds the address behind the T(11) that closes the list.
    const TTokenizerResult& r = TokenizerResult();
    const std::string head = T(10) + Bits(1, 8);
    EXPECT_EQ(StreamString(r, 28, static_cast<int>(head.size())), head);
    EXPECT_EQ(Compile("ON B0 HIGH 1"), 185);
    EXPECT_EQ(Compile("ON B0 GOTO A1 A2\nA1: END"), 130);
}

}  // namespace
}  // namespace kavrin::tokenizer
