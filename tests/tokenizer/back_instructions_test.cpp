// The instruction layouts: argument order, depth presets that matter, tokens and the fields
// behind them.

#include <gtest/gtest.h>

#include <string>

#include "back_test_util.h"
#include "test_tokenizer.h"

namespace kavrin::tokenizer {
namespace {

using namespace test;

unsigned At(const std::string& before) { return kCodeStart + static_cast<unsigned>(before.size()); }

TEST(Simple, ArgumentsGoOutInEvaluationOrder) {
    ExpectCode("STOP", T(3));
    ExpectCode("MAINIO", T(29), "'{$KORBLE KR5}\n");
    ExpectCode("AUXIO", T(30), "'{$KORBLE KR6}\n");
}

TEST(Simple, PinArgumentsTablesAndTargets) {
    ExpectCode("TOGGLE 3", K(3) + T(6));
    ExpectCode("PULSOUT 12, 750", K(750) + K(12) + T(36));
    ExpectCode("PWM 1, 2, 3", K(2) + K(3) + K(1) + T(43));
    ExpectCode("COUNT 4, 100, W1", K(100) + K(4) + T(38) + W(3, 4) + "0");
    ExpectCode("RANDOM W2", R(3, 5) + T(18) + W(3, 5) + "0");
    // NAP is followed by its own return address.
    const std::string head = K(5) + T(2);
    ExpectCode("NAP 5", head + A(At(head) + 14));
}

TEST(Pin, FreqoutTakesToken22WithOneFrequencyAnd23WithTwo) {
    ExpectCode("FREQOUT 2, 100, 3000", K(2) + K(100) + K(3000) + T(22));
    ExpectCode("FREQOUT 2, 100, 3000, 4000", K(2) + K(100) + K(3000) + K(4000) + T(23));
}

TEST(Pin, ListsOfLabelsAndValues) {
    const std::string head = K(1) + T(15);
    ExpectCode("BRANCH 1, [A1, A1]\nA1: END",
               head + A(At(head) + 30) + "1" + A(At(head) + 30) + "0" + T(0));
    ExpectCode("LOOKUP B0, [7, 8], W1",
               R(2, 6) + T(16) + k(7) + "0" + "1" + k(8) + "0" + "0" + W(3, 4) + "0");
    // "=" by default (28 mod 8 = 4), or the comparison written.
    ExpectCode("LOOKDOWN B0, [7], W1", R(2, 6) + T(17) + Bits(4, 3) + k(7) + "0" + "0" + W(3, 4));
    ExpectCode("LOOKDOWN B0, >= [7], W1", R(2, 6) + T(17) + Bits(2, 3) + k(7) + "00" + W(3, 4));
    EXPECT_EQ(Compile("LOOKDOWN B0, 5 [7], W1"), 143);
    EXPECT_EQ(Compile("LOOKUP B0, [7 TO 8], W1"), 134);
    EXPECT_EQ(Compile("LOOKUP B0, 7, W1"), 121);
    EXPECT_EQ(Compile("BUTTON 1 TO 0, 1, 1, B0, 1, L\nL: END"), 133);
}

TEST(Pin, ShiftoutEntriesSendBitsBeforeValue) {
    ExpectCode("SHIFTOUT 1, 2, 0, [B0, W0\\16]", K(0) + K(1) + K(2) + T(40) + k(8) + R(2, 6) + "0" +
                                                     "1" + k(16) + R(3, 3) + "0" + "0");
}

TEST(Pin, ButtonEvaluatesWorkspaceAndPinLast) {
    // BUTTON pin, down, delay, rate, workspace, target, label
    const std::string head = K(0) + K(255) + K(20) + K(1) + R(2, 6) + K(7) + T(42) + W(2, 6) + "0";
    ExpectCode("BUTTON 7, 0, 255, 20, B0, 1, Go\nGo: END", head + A(At(head) + 14) + T(0));
}

TEST(Pin, DtmfoutTimesDefaultOrSwapped) {
    ExpectCode("DTMFOUT 3, [1, 2]", K(3) + K(50) + K(200) + T(24) + k(1) + "0" + "1" + k(2) + "00");
    ExpectCode("DTMFOUT 3, 100, 60, [1]", K(3) + K(60) + K(100) + T(24) + k(1) + "00");
}

TEST(Pin, XoutEntriesBuildHouseAndCommandOnTheTarget) {
    // house // 16, command * 16 +, cycles (2 by default), then the "~" item.
    ExpectCode("XOUT 1, 2, [3\\4]", K(1) + K(2) + T(25) + k(3) + K(16) + O(20) + K(4) + K(16) +
                                        O(18) + O(15) + K(2) + O(2) + "0" + "0");
    EXPECT_EQ(Compile("XOUT 1, 2, [3]"), 118);
}

TEST(Pin, ShiftinEntriesEndWithTheirTarget) {
    ExpectCode("SHIFTIN 1, 2, 0, [B0\\4]",
               K(0) + K(1) + K(2) + T(39) + k(4) + K(0) + "0" + W(2, 6) + "0" + "0");
}

TEST(Serial, FlowPinTimeoutAndParityLabel) {
    // SEROUT with a flow pin: the timeout behind the mark and label, then baud, pins, T(33).
    const std::string timeout = Bits(221, 8);
    ASSERT_EQ(Compile("SEROUT 1\\2, 84, 100, Late, [65]\nLate: END"), 0);
    EXPECT_EQ(Code(8), timeout);
    const std::string afterLabel = timeout + "..............";  // A(Late) not known here
    EXPECT_EQ(Code(static_cast<int>(afterLabel.size() + K(100).size() + K(84).size() + K(1).size() +
                                    K(2).size() + 7))
                  .substr(afterLabel.size()),
              K(100) + K(84) + K(1) + K(2) + T(33));
    // SERIN with a parity label only: mark, label, K(0) K(1), then baud and pin.
    ASSERT_EQ(Compile("SERIN 16, 84, Bad, [B0]\nBad: END"), 0);
    EXPECT_EQ(Code(8), timeout);
    EXPECT_EQ(Code(22 + static_cast<int>((K(0) + K(1) + K(84) + K(16)).size()) + 7).substr(22),
              K(0) + K(1) + K(84) + K(16) + T(34));
}

TEST(Serial, I2cWithAndWithoutAddress) {
    const char* kr5 = "'{$KORBLE KR5}\n'{$VELIC 2.5}\n";
    ExpectCode("I2CIN 0, $A0, [B0]", K(0xA0) + K(0) + K(0) + T(48) + "0" + W(2, 6) + "00", kr5);
    ExpectCode("I2CIN 0, $A0, 5\\6, [B0]", K(6) + K(5) + K(0xA0) + K(0) + T(47), kr5);
    ExpectCode("I2COUT 0, $A0, 5, [B0]", K(5) + K(0xA0) + K(0) + T(50) + Var(false, 2, 6) + "00",
               kr5);
    ExpectCode("LCDOUT 1, 2, [65]", K(2) + K(1) + T(45) + k(65) + "00", kr5);
    ExpectCode("OWIN 1, 2, [B0]", K(2) + K(1) + T(57) + "0" + W(2, 6) + "00", kr5);
}

TEST(Debug, StartsWithTheModulesBaudAndPin) {
    ExpectCode("DEBUG 65", K(84) + K(16) + T(32) + k(65) + "0" + "0");
    ExpectCode("DEBUG 65", K(240) + K(16) + T(32) + k(65) + "00", kKR4v25);
    EXPECT_EQ(TokenizerResult().DebugUsed, 1);
    ExpectCode("DEBUG DEC W0, CR",
               K(84) + K(16) + T(32) + k(438) + R(3, 3) + "0" + "1" + k(13) + "0" + "0");
}

TEST(Debug, QuestionMarkEchoesTheExpressionAsWritten) {
    std::string echo;
    for (char c : std::string("W0 = ")) echo += k(static_cast<unsigned char>(c)) + "01";
    // The carriage return is a list entry of its own: the leading bit of K(13) is the separator.
    ExpectCode("DEBUG ? W0, 7", K(84) + K(16) + T(32) + echo + k(438) + R(3, 3) + "0" + K(13) +
                                    "0" + "1" + k(7) + "00");
    // A hexadecimal formatter gets the indicated flag; one that has it already keeps it as it is.
    ExpectCode("DEBUG HEX ? W0",
               K(84) + K(16) + T(32) + echo + k(448 + 2048) + R(3, 3) + "0" + K(13) + "00");
    ExpectCode("DEBUG IHEX ? W0", K(84) + K(16) + T(32) + echo + k(448 + 2048) + R(3, 3) + "0");
    // ASC and STR close the quote they opened, each part an entry.
    const std::string quoted = echo + k(34) + "01";
    ExpectCode("DEBUG ASC ? W0", K(84) + K(16) + T(32) + quoted + R(3, 3).substr(1) + "0" + K(34) +
                                     "0" + K(13) + "00");
    std::string strEcho;
    for (char c : std::string("B2 = \"")) strEcho += k(static_cast<unsigned char>(c)) + "01";
    ExpectCode("DEBUG STR ? B2", K(84) + K(16) + T(32) + strEcho + k(512 + 8) + K(32) + "0" +
                                     K(34) + "0" + K(13) + "00");
    EXPECT_EQ(Compile("DEBUG ASC W0"), 116);
    EXPECT_EQ(Compile("DEBUG REP 65 TO 5"), 118);
}

TEST(Debug, StrTakesByteArraysOnly) {
    ExpectCode("DEBUG STR B2\\4", K(84) + K(16) + T(32) + k(8) + K(4) + "0" + "0");
    ExpectCode("DEBUG STR B2", K(84) + K(16) + T(32) + k(512 + 8) + K(32) + "00");
    EXPECT_EQ(Compile("DEBUG STR W1"), 136);
}

TEST(Serial, SeroutAndSerinOptions) {
    ExpectCode("SEROUT 16, 84, [65]", K(84) + K(16) + T(32) + k(65) + "00");
    ExpectCode("SEROUT 1, 84, 10, [65]", K(10) + K(84) + K(1) + T(32) + k(65) + "00");
    ExpectCode("SERIN 16, 84, [B0]", K(1) + K(84) + K(16) + T(34) + "0" + W(2, 6) + "00");
    const std::string timeout = K(100) + Bits(221, 8);
    // SERIN with a timeout: the timeout's value goes behind the mark and the label.
    ASSERT_EQ(Compile("SERIN 16, 84, 100, Late, [B0]\nLate: END"), 0);
    EXPECT_EQ(Code(8), Bits(221, 8));
    // The lists of the serial instructions close with "]" where their commas stop.
    EXPECT_EQ(Compile("SERIN 16, 84, [B0"), 122);
    EXPECT_EQ(Compile("SEROUT 16, 84, [65 TO 66]"), 122);
    EXPECT_EQ(Compile("SERIN 16, 84, [WAIT(1, 2, 3, 4, 5, 6, 7)]"), 147);
    EXPECT_EQ(Compile("SERIN 16, 84, [WAIT(1, 2, 3, 4, 5, 6)]"), 0);
    EXPECT_EQ(Compile("SERIN 16, 84, [STR B0]"), 118);
}

TEST(Serial, WaitSendsItsValuesLastFirst) {
    ExpectCode("SERIN 16, 84, [WAIT(1, 2)]", K(1) + K(84) + K(16) + T(34) + "1" + k(2) + "1" +
                                                 k(1) + "1" + k(3140) + K(2) + "00");
}

// GET and PUT exist from KR3 on, where their tokens are 26 and 27.
TEST(Memory, GetWithWordOnW0ReadsTwoLocationsIntoB6AndB7) {
    // E(location) T(GET) W(W0) 0, then E(location + 1) T(GET) W(byte 7) 0.
    ExpectCode("GET 10, WORD W0",
               K(10) + T(26) + W(3, 3) + "0" + K(10) + K(1) + O(15) + T(26) + W(2, 7) + "0",
               kKR4v25);
    ExpectCode("GET 10, B0, B1",
               K(10) + T(26) + W(2, 6) + "0" + K(10) + K(1) + O(15) + T(26) + W(2, 7) + "0",
               kKR4v25);
    EXPECT_EQ(Compile("GET 10, WORD B0", kKR4v25), 173);
    EXPECT_EQ(Compile("GET 10, WORD W0.LOWBYTE", kKR4v25), 173);
    EXPECT_EQ(Compile("GET 10, BYTE B0", kKR4v25), 172);
    EXPECT_EQ(Compile("GET 10, B0"), 174);  // not a KR2 instruction: a label
}

TEST(Memory, IndexedWordHighByteScalesTheIndex) {
    ExpectCode("GET 0, WORD W1(B0)",
               K(0) + T(26) + Var(false, 2, 6) + "1" + Item(63) + Bits(4, 4) + "0" + K(0) + K(1) +
                   O(15) + T(26) + Var(false, 2, 6) + K(2) + O(18) + "1" + Item(62) + Bits(9, 5) +
                   "0",
               kKR4v25);
}

TEST(Memory, PutAndWriteWithWordSendTheHighByteSecond) {
    ExpectCode("PUT 3, WORD W0",
               K(3) + R(3, 3) + T(27) + K(3) + K(1) + O(15) + R(3, 3) + K(8) + O(24) + T(27),
               kKR4v25);
    const std::string first = R(3, 3) + K(3) + T(20);
    ExpectCode("WRITE 3, WORD W0", first + A(At(first) + 14));
    EXPECT_EQ(Compile("PUT 3, BYTE W0", kKR4v25), 227);
    // Version 2.0 takes a single value.
    EXPECT_EQ(Compile("PUT 3, 1, 2", "'{$KORBLE KR4}\n"), 129);
}

TEST(Memory, ReadCarriesItsReturnAddress) {
    const std::string head = K(0) + T(19);
    ExpectCode("READ 0, B0", head + A(At(head) + 14) + W(2, 6) + "0");
}

}  // namespace
}  // namespace kavrin::tokenizer
