// The expression compiler in conditional mode, the item encoding and the evaluator.

#include <gtest/gtest.h>

#include <string>

#include "front_test_util.h"
#include "test_tokenizer.h"
#include "tokenizer/constant_eval.h"
#include "tokenizer/errors.h"
#include "tokenizer/expression.h"

namespace kavrin::tokenizer {
namespace {

using namespace front_test;

// Value of a #DEFINE'd expression (non-condition mode), or -N for error N.
int DefineValue(const std::string& expression) {
    const int error = FrontEnd(std::string(kKr2v25) + "#DEFINE V = " + expression + "\n");
    return error ? -error : SymbolValue("V");
}

// 1 when the condition holds, 0 when not, -N for error N.
int Condition(const std::string& condition) {
    const int error = FrontEnd(std::string(kKr2v25) + "#IF " + condition + " #THEN\nA\n#ENDIF\n");
    return error ? -error : static_cast<int>(!LiveElements().empty());
}

TEST(CondExpression, ArithmeticIsLeftToRightAnd16BitUnsigned) {
    EXPECT_EQ(DefineValue("2 + 3 * 4"), 20);
    EXPECT_EQ(DefineValue("2 + (3 * 4)"), 14);
    EXPECT_EQ(DefineValue("0 - 1"), 65535);
    EXPECT_EQ(DefineValue("-5 + 10"), 5);
    EXPECT_EQ(DefineValue("65535 * 2"), 65534);
    EXPECT_EQ(DefineValue("1 << 16"), 0);
    EXPECT_EQ(DefineValue("$F0 >> 4 | %1 ^ 3"), 12);
    EXPECT_EQ(DefineValue("\"A\""), 65);
    EXPECT_EQ(DefineValue("CR"), 13);
}

TEST(CondExpression, ConditionsBindComparisonsWeakerAndLogicWeakest) {
    EXPECT_EQ(Condition("1 + 1 = 2"), 1);
    EXPECT_EQ(Condition("1 = 1 AND 2 = 3"), 0);
    EXPECT_EQ(Condition("1 = 2 OR 2 = 2"), 1);
    EXPECT_EQ(Condition("1 = 1 XOR 2 = 2"), 0);
    EXPECT_EQ(Condition("NOT 1 = 2"), 1);
    EXPECT_EQ(Condition("NOT (1 = 1)"), 0);
    EXPECT_EQ(Condition("(1 = 1) AND (2 < 3)"), 1);
    EXPECT_EQ(Condition("3 >= 3 AND 3 <= 3 AND 3 <> 4 AND 4 > 3"), 1);
    EXPECT_EQ(Condition("NOT 0"), 1);
}

TEST(CondExpression, RefusedOperatorsAndOperands) {
    for (const char* op : {"HYP", "ATN", "MIN", "MAX", "*/", "**", "//", "DIG", "REV"}) {
        EXPECT_EQ(DefineValue(std::string("4 ") + op + " 2"), -189) << op;
    }
    EXPECT_EQ(DefineValue("SQR 4"), -189);
    EXPECT_EQ(DefineValue("~4"), -189);
    EXPECT_EQ(DefineValue("W0"), -188);
    EXPECT_EQ(DefineValue("+"), -188);
    EXPECT_EQ(DefineValue("1 2"), -142);
    EXPECT_EQ(DefineValue("(1"), -142);
    EXPECT_EQ(DefineValue("1 = 1"), -142) << "comparisons need condition mode";
    EXPECT_EQ(Condition("1 = 1 1"), -142);
    EXPECT_EQ(DefineValue("4 / 0"), -113);
}

TEST(CondExpression, NineNestedValuesAreTooComplex) {
    std::string eight = "1";
    for (int i = 2; i <= 8; ++i) eight += " + (" + std::to_string(i);
    EXPECT_EQ(DefineValue(eight + std::string(7, ')')), 36);
    EXPECT_EQ(DefineValue(eight + " + (9" + std::string(8, ')')), -144);
}

// Items, read back through the buffer as the target would see them.
TEST(ExpressionItems, ConstantEncoding) {
    TokenizerState& s = TestState();
    auto encode = [&](std::uint16_t v) {
        ClearBuffer(s, 0);
        s.expr.depth = 0;
        AddConstantItem(s, v);
        std::string bits;
        const ExprBuffer& b = s.expr.buffers[0];
        for (int i = 0; i < b.bits; ++i) bits += static_cast<char>('0' + BufferBits(b, i, 1));
        return bits;
    };
    EXPECT_EQ(encode(0),
              "100000"
              "1");
    EXPECT_EQ(encode(1),
              "100000"
              "0");
    EXPECT_EQ(encode(2),
              "100001"
              "0");
    EXPECT_EQ(encode(5),
              "100010"
              "101");
    EXPECT_EQ(encode(0x8000),
              "101111"
              "0");
    for (int v : {0, 1, 2, 3, 5, 255, 1000, 0x8000, 0xFFFF}) {
        encode(static_cast<std::uint16_t>(v));
        EXPECT_EQ(EvaluateBuffer(s), v);
    }
}

TEST(ExpressionItems, DepthRuleAndBufferLimit) {
    TokenizerState& s = TestState();
    ClearBuffer(s, 0);
    s.expr.depth = 0;
    for (int i = 0; i < kMaxEvalDepth; ++i) AddConstantItem(s, 1);
    EXPECT_EQ(RaisedError([&] { AddConstantItem(s, 1); }), 144);
    EXPECT_THROW(AddItem(s, op::kSqr), ETokenizeError);
    AddItem(s, op::kPlus);
    EXPECT_EQ(s.expr.depth, kMaxEvalDepth - 1);

    ClearBuffer(s, 0);
    s.expr.depth = 0;
    EXPECT_THROW(
        for (int i = 0; i < 100; ++i) {
            AddConstantItem(s, 0xFFFF);
            s.expr.depth = 0;
        },
        ETokenizeError);
    EXPECT_LT(s.expr.buffers[0].bits, kExprBufferBits);
}

TEST(ExpressionItems, VariableItems) {
    TokenizerState& s = TestState();
    ClearBuffer(s, 0);
    s.expr.depth = 0;
    AddVariableItem(s, false, false, 2, 7);  // a byte read
    const ExprBuffer& b = s.expr.buffers[0];
    EXPECT_EQ(b.bits, 6 + 5);
    EXPECT_EQ(BufferBits(b, 0, 6), 50u);
    EXPECT_EQ(BufferBits(b, 6, 5), 7u);
    AddVariableItem(s, true, true, 0, 200);  // an indexed bit write
    EXPECT_EQ(BufferBits(b, 11, 1), 1u);
    EXPECT_EQ(BufferBits(b, 12, 6), 60u);
    EXPECT_EQ(BufferBits(b, 18, 8), 200u);
    EXPECT_EQ(s.expr.depth, 0);
}

TEST(ConstantEvaluator, LeftToRightWithoutPrecedence) {
    ASSERT_EQ(FrontEnd(std::string(kKr2v25) +
                       "A CON 2 + 3 * 4 - -1 , rest\nB CON X / 2\n#DEFINE D = 9\n"),
              0);
    TokenizerState& s = TestState();
    s.readIndex = 2;  // behind "A CON"
    ConstantValue v = EvaluateConstant(s, true, false);
    EXPECT_EQ(v.value, 21);
    EXPECT_TRUE(v.defined);
    TElement e;
    ASSERT_TRUE(PeekElement(s, e));
    EXPECT_EQ(e.Kind, ekComma) << "the first element that is not an operator stays unread";

    s.readIndex = 15;  // behind "B CON"
    v = EvaluateConstant(s, false, false);
    EXPECT_FALSE(v.defined) << "a first pass counts an unknown name as 1";
    EXPECT_EQ(v.value, 0);
    s.readIndex = 15;
    EXPECT_EQ(RaisedError([&] { EvaluateConstant(s, true, false); }), 110);
    s.readIndex = 15;
    EXPECT_EQ(EvaluateConstant(s, true, true).value, 0) << "conditional mode: unknown is 0";
}

}  // namespace
}  // namespace kavrin::tokenizer
