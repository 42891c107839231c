// PIN, CON, DATA and VAR: values, placement in RAM and EEPROM, and their refusals.

#include <gtest/gtest.h>

#include <string>

#include "back_test_util.h"
#include "test_tokenizer.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {
namespace {

using namespace test;

// Kind and value of a declared name after a successful run (-1 when absent).
int SymbolValue(const char* name, std::uint8_t kind) {
    const SymbolTable& t = TestState().symbols;
    const int i = t.Find(name);
    if (i < 0 || t.At(i).Kind != kind) return -1;
    return t.At(i).Value;
}

int VarValue(const char* name) { return SymbolValue(name, ekVariable); }

TEST(Var, WordsFirstThenBytesNibblesBitsInStatementOrder) {
    ASSERT_EQ(Compile("a VAR Byte\nb VAR Word\nc VAR Bit\nd VAR Word\nEND"), 0);
    EXPECT_EQ(VarValue("B"), 3 * 256 + 3);
    EXPECT_EQ(VarValue("D"), 3 * 256 + 4);
    EXPECT_EQ(VarValue("A"), 2 * 256 + 10);
    EXPECT_EQ(VarValue("C"), 0 * 256 + 88);
    const auto& counts = TokenizerResult().SizeCounts;
    EXPECT_EQ(counts[0], 1);
    EXPECT_EQ(counts[1], 0);
    EXPECT_EQ(counts[2], 1);
    EXPECT_EQ(counts[3], 2);
}

TEST(Var, ArraysAdvanceTheirSizeAndZeroIs125) {
    ASSERT_EQ(Compile("a VAR Nib(3)\nb VAR Nib\nc VAR Byte(2)\nEND"), 0);
    EXPECT_EQ(VarValue("C"), 2 * 256 + 6);
    EXPECT_EQ(VarValue("A"), 1 * 256 + 16);
    EXPECT_EQ(VarValue("B"), 1 * 256 + 19);
    EXPECT_EQ(Compile("a VAR Byte(0)\nEND"), 125);
    EXPECT_EQ(Compile("a VAR Byte(2\nEND"), 120);
}

TEST(Var, ThirteenWordsFillRamAndOneMoreBitIs126) {
    std::string body;
    for (int i = 0; i < 13; ++i) body += "w" + std::to_string(i) + "x VAR Word\n";
    ASSERT_EQ(Compile(body + "END"), 0);
    EXPECT_EQ(VarValue("W12X"), 3 * 256 + 15);
    EXPECT_EQ(Compile(body + "extra VAR Bit\nEND"), 126);
    EXPECT_EQ(Compile("a VAR Bit(209)\nEND"), 126);
}

TEST(Var, ModifiersNameTheirPartOfTheVariable) {
    ASSERT_EQ(Compile("x VAR Byte\nhi VAR x.HIGHNIB\nthirdbit VAR x.BIT3\nlowpart VAR W2.LOWBYTE\n"
                      "top VAR W2.HIGHBIT\nEND"),
              0);
    EXPECT_EQ(VarValue("X"), 2 * 256 + 6);
    EXPECT_EQ(VarValue("HI"), 1 * 256 + 13);
    EXPECT_EQ(VarValue("THIRDBIT"), 0 * 256 + 51);
    EXPECT_EQ(VarValue("LOWPART"), 2 * 256 + 10);
    EXPECT_EQ(VarValue("TOP"), 0 * 256 + 5 * 16 + 15);
}

TEST(Var, ModifierMisuse) {
    EXPECT_EQ(Compile("x VAR Byte\ny VAR x.BIT8\nEND"), 140);
    EXPECT_EQ(Compile("x VAR Byte\ny VAR x.LOWBYTE\nEND"), 139);
    EXPECT_EQ(Compile("x VAR Bit\ny VAR x.BIT0\nEND"), 138);
    EXPECT_EQ(Compile("x VAR Byte\ny VAR x.Foo\nEND"), 137);
    EXPECT_EQ(Compile("x VAR 5\nEND"), 135);
    EXPECT_EQ(Compile("x VAR Byte\nx VAR Byte\nEND"), 123);
}

TEST(Var, AliasBeforeItsTargetIs110AfterItNamesTheTarget) {
    EXPECT_EQ(Compile("a VAR t.LOWBYTE\nt VAR Word\nEND"), 110);
    ASSERT_EQ(Compile("t VAR Word\na VAR t.HIGHBYTE\nEND"), 0);
    EXPECT_EQ(VarValue("A"), 2 * 256 + 7);
}

TEST(Pin, FifteenIsAPinSixteenIs175OverTheWholeExpression) {
    ASSERT_EQ(Compile("Led PIN 15\nHIGH Led\nEND"), 0);
    EXPECT_EQ(SymbolValue("LED", ekPinName), 15);
    // HIGH takes the pin number as a constant in pin context.
    const std::string expected = K(15) + T(5);
    EXPECT_EQ(Code(static_cast<int>(expected.size())), expected);
    EXPECT_EQ(Compile("Led PIN 8 + 8\nEND"), 175);
    EXPECT_EQ(ErrorText(), "8 + 8");
}

TEST(Pin, OutsidePinContextANameIsItsInputOrOutputBit) {
    ASSERT_EQ(Compile("Led PIN 2\nLed = Led\nEND"), 0);
    EXPECT_EQ(Code(1 + 14 + 1 + 14 + 7), R(0, 2) + "1" + W(0, 18) + T(26));
}

TEST(Con, ResolvedInTheSecondPassOrUndefined110) {
    ASSERT_EQ(Compile("a CON b * 2\nb CON 3 + 1\nc CON a - 1\nEND"), 0);
    EXPECT_EQ(SymbolValue("A", ekConstant), 8);
    EXPECT_EQ(SymbolValue("C", ekConstant), 7);
    EXPECT_EQ(Compile("a CON nothing + 1\nEND"), 110);
    EXPECT_EQ(ErrorText(), "nothing");
    EXPECT_EQ(Compile("a CON 1\na CON 2\nEND"), 123);
    EXPECT_EQ(Compile("a CON 1 2\nEND"), 129);
    EXPECT_EQ(Compile("a CON 4 / 0\nEND"), 113);
}

TEST(Data, ValuesWordsAndReservedBytes) {
    ASSERT_EQ(Compile("DATA 5, WORD 1000, (2), 7(3), WORD (1)\nEND"), 0);
    const TTokenizerResult& r = TokenizerResult();
    const std::uint8_t image[] = {5, 232, 3, 0, 0, 7, 7, 7, 0, 0};
    const std::uint8_t use[] = {2, 2, 2, 1, 1, 2, 2, 2, 1, 1};
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(r.EepromImage[i], image[i]) << i;
        EXPECT_EQ(r.EepromUse[i] & 3, use[i]) << i;
    }
    EXPECT_EQ(r.EepromUse[10], 128);  // sent with its row, but free
}

TEST(Data, LabelsNameTheirFirstByteOrTheAtAddress) {
    ASSERT_EQ(Compile("first DATA 1, 2\nsecond DATA \"xy\"\nthird DATA @40, 9\nempty DATA\n"
                      "x CON second + third\nEND"),
              0);
    EXPECT_EQ(SymbolValue("FIRST", ekConstant), 0);
    EXPECT_EQ(SymbolValue("SECOND", ekConstant), 2);
    EXPECT_EQ(SymbolValue("THIRD", ekConstant), 40);
    EXPECT_EQ(SymbolValue("EMPTY", ekConstant), 41);
    EXPECT_EQ(SymbolValue("X", ekConstant), 42);
    EXPECT_EQ(TokenizerResult().EepromImage[40], 9);
}

TEST(Data, ValuesMayUseNamesDeclaredLater) {
    ASSERT_EQ(Compile("DATA later, WORD later * 100\nlater CON 12\nEND"), 0);
    const TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(r.EepromImage[0], 12);
    EXPECT_EQ(r.EepromImage[1], 1200 % 256);
    EXPECT_EQ(r.EepromImage[2], 1200 / 256);
}

TEST(Data, RefusalsAndTheirPositions) {
    EXPECT_EQ(Compile("DATA 1\nDATA @0, 2\nEND"), 115);
    EXPECT_EQ(Compile("DATA (1)\nDATA @0, 2\nEND"), 115);  // reserved counts as placed
    EXPECT_EQ(Compile("DATA @2048\nEND"), 114);
    EXPECT_EQ(Compile("DATA @2046, 1, 2, 3\nEND"), 114);
    EXPECT_EQ(Compile("DATA @undefinedname\nEND"), 110);
    EXPECT_EQ(Compile("DATA 1 2\nEND"), 130);
    EXPECT_EQ(Compile("DATA 1(2\nEND"), 120);
    EXPECT_EQ(Compile("B0 DATA 1\nEND"), 123);
}

TEST(Data, OneValueAmongReservedBytesSendsTheWholeRow) {
    ASSERT_EQ(Compile("DATA @32, (3), 200, (12)\nEND"), 0);
    const TTokenizerResult& r = TokenizerResult();
    ASSERT_EQ(r.BlockCount, 2);
    EXPECT_EQ(r.Blocks[0][0], 130);
    for (int i = 1; i <= 16; ++i) EXPECT_EQ(r.Blocks[0][i], i == 4 ? 200 : 0) << i;
}

}  // namespace
}  // namespace kavrin::tokenizer
