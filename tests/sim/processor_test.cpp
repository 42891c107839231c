// The processor against programs compiled by the tokenizer: what they print on the line to the
// computer, what they do to the pins, and how they fail.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "sim/processor_detail.h"
#include "sim_test_util.h"

namespace kavrin::sim {
namespace {

using namespace test;

// Every operator on chosen values: each line is "expression" and its value in decimal.
TEST(Processor, OperatorsOnChosenValues) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"SQR 26", "5"},
        {"SQR 65535", "255"},
        {"ABS -5", "5"},
        {"ABS 32768", "32768"},
        {"ABS 32767", "32767"},
        {"~0", "65535"},
        {"-1", "65535"},
        {"- 0", "0"},
        {"DCD 17", "2"},
        {"NCD 0", "0"},
        {"NCD 1", "1"},
        {"NCD 32768", "16"},
        {"SIN 64", "127"},
        {"SIN 0", "0"},
        {"COS 128", "65409"},
        {"COS 0", "127"},
        {"SIN 192", "65409"},
        {"3 HYP 4", "5"},
        {"-3 HYP -4", "5"},
        {"10 ATN 10", "32"},
        {"-10 ATN 0", "128"},
        {"0 ATN -10", "192"},
        {"5 MIN 10", "10"},
        {"5 MAX 10", "5"},
        {"65535 + 2", "1"},
        {"1 - 2", "65535"},
        {"1000 * 1000", "16960"},
        {"1000 ** 1000", "15"},
        {"1000 */ 1000", "3906"},
        {"7 / 0", "65535"},
        {"7 // 0", "7"},
        {"17 / 5", "3"},
        {"17 // 5", "2"},
        {"12345 DIG 0", "5"},
        {"12345 DIG 4", "1"},
        {"12345 DIG 5", "0"},
        {"1 << 15", "32768"},
        {"1 << 16", "0"},
        {"32768 >> 16", "0"},
        {"%1101 REV 4", "11"},
        {"$FFFF REV 3", "7"},
        {"$0F0F & $00FF", "15"},
        {"$0F00 | $00F0", "4080"},
        {"$0F0F ^ $00FF", "4080"},
    };
    std::string program, expected;
    for (const auto& [expression, value] : cases) {
        program += "DEBUG DEC " + expression + ", CR\r\n";
        expected += value + "\r";
    }
    // Comparisons are only compiled inside conditions; their values are checked directly.
    EXPECT_EQ(Output(program), expected);
    using processor_detail::BinaryOperator;
    EXPECT_EQ(BinaryOperator(28, 5, 5), 0xFFFF);
    EXPECT_EQ(BinaryOperator(31, 65535, 1), 0);  // unsigned
    EXPECT_EQ(BinaryOperator(26, 3, 3), 0xFFFF);
    EXPECT_EQ(BinaryOperator(30, 32768, 1), 0xFFFF);
}

TEST(Processor, ExpressionsRunStrictlyLeftToRight) {
    EXPECT_EQ(
        Output("DEBUG DEC 2 + 3 * 4, CR, DEC 10 - 2 - 3, CR, DEC 2 * (3 + 4), CR, DEC -2 + 5, CR"),
        "20\r5\r14\r3\r");
}

TEST(Processor, VariablesOverlayTheWordsLittleEndian) {
    EXPECT_EQ(Output("W0 = $1234\r\nDEBUG HEX B0, \" \", HEX B1, \" \", HEX W0.NIB3, \" \", DEC "
                     "W0.BIT2, CR\r\n"
                     "B1 = $AB\r\nDEBUG HEX W0, CR\r\n"
                     "x VAR Byte(3)\r\nx(0) = 1: x(1) = 2: x(2) = 3: B0 = 2\r\nDEBUG DEC x(B0), "
                     "DEC x(B0 - 1), CR"),
              "34 12 1 1\rAB34\r32\r");
}

TEST(Processor, FormattersWithAndWithoutDigitCounts) {
    EXPECT_EQ(Output("DEBUG DEC 0, \" \", DEC3 5, \" \", DEC3 12345, \" \", HEX 255, \" \", HEX4 "
                     "255, \" \", "
                     "BIN 5, \" \", IBIN4 5, \" \", IHEX 171, CR\r\n"
                     "DEBUG SDEC -5, \" \", SDEC 5, \" \", SHEX -255, \" \", ISHEX -255, \" \", "
                     "SDEC 32768, \" \", "
                     "SBIN -2, CR"),
              "0 005 345 FF 00FF 101 %0101 $AB\r-5 5 -FF -$FF -32768 -10\r");
}

TEST(Processor, EchoStrAndRep) {
    EXPECT_EQ(
        Output("x VAR Byte\r\ns VAR Byte(3)\r\nx = 65\r\ns(0) = \"h\": s(1) = \"i\": s(2) = 0\r\n"
               "DEBUG ? x, HEX ? x + 1, ASC ? x, STR s\\2, \"/\", STR s, \"/\", REP \"*\"\\3, CR"),
        "x = 65\rx + 1 = $42\rx = \"A\"\rhi/hi/***\r");
}

TEST(Processor, ControlStructures) {
    const char* program =
        "i VAR Byte\r\nn VAR Word\r\n"
        "FOR i = 1 TO 3: DEBUG DEC i: NEXT: DEBUG \" \"\r\n"
        "FOR i = 10 TO 1 STEP 4: DEBUG DEC i, \",\": NEXT: DEBUG \" \"\r\n"
        "FOR n = 65530 TO 65535 STEP 4: DEBUG DEC n, \",\": NEXT: DEBUG \" \"\r\n"
        "FOR n = 3 TO 0 STEP 2: DEBUG DEC n, \",\": NEXT: DEBUG \" \"\r\n"
        "i = 0\r\nDO WHILE i < 3: i = i + 1: LOOP: DEBUG DEC i, \" \"\r\n"
        "DO: i = i - 1: LOOP UNTIL i = 0: DEBUG DEC i, \" \"\r\n"
        "DO: i = i + 1: IF i = 5 THEN EXIT\r\nLOOP\r\nDEBUG DEC i, \" \"\r\n"
        "FOR i = 0 TO 4\r\n"
        "  IF i = 0 THEN\r\n    DEBUG \"a\"\r\n  ELSEIF i < 2 OR i = 4 THEN\r\n    DEBUG \"b\"\r\n"
        "  ELSE\r\n    DEBUG \"c\"\r\n  ENDIF\r\n"
        "  SELECT i\r\n    CASE 0: DEBUG \"0\"\r\n    CASE 2 TO 3: DEBUG \"r\"\r\n    CASE ELSE: "
        "DEBUG \"e\"\r\n"
        "  ENDSELECT\r\nNEXT\r\nDEBUG \" \"\r\n"
        "IF NOT (1 = 2) AND 3 > 2 THEN Yes\r\nDEBUG \"no\"\r\nYes: DEBUG \"yes\", CR\r\n";
    EXPECT_EQ(Output(program), "123 10,6,2, 65530,65534, 3,1, 3 0 5 a0becrcrbe yes\r");
}

TEST(Processor, GosubReturnOnBranchLookupLookdown) {
    const char* program =
        "i VAR Byte\r\nv VAR Word\r\n"
        "GOSUB A: DEBUG \"|\"\r\n"
        "FOR i = 0 TO 3: ON i GOSUB P0, P1: NEXT: DEBUG \"|\"\r\n"
        "BRANCH 2, [P0, P1]: DEBUG \"fall|\"\r\n"
        "v = 7: LOOKUP 1, [10, 20 + 1, 30], v: DEBUG DEC v, \" \"\r\n"
        "LOOKUP 3, [10, 20, 30], v: DEBUG DEC v, \" \"\r\n"
        "LOOKDOWN 30, [10, 20, 30], v: DEBUG DEC v, \" \"\r\n"
        "LOOKDOWN 25, < [10, 20, 30], v: DEBUG DEC v, \" \"\r\n"
        "v = 9: LOOKDOWN 99, [10, 20, 30], v: DEBUG DEC v, CR\r\nEND\r\n"
        "A: DEBUG \"a\": GOSUB B: DEBUG \"a\": RETURN\r\n"
        "B: DEBUG \"b\": GOSUB C: RETURN\r\n"
        "C: DEBUG \"c\": RETURN\r\n"
        "P0: DEBUG \"0\": RETURN\r\n"
        "P1: DEBUG \"1\": RETURN\r\n";
    EXPECT_EQ(Output(program), "abca|01|fall|21 21 2 2 9\r");
}

TEST(Processor, ReadWriteAndData) {
    Rig rig(
        "Table DATA 5, 6, Word 513\r\nv VAR Word\r\nb VAR Byte\r\n"
        "READ Table + 1, b: DEBUG DEC b, \" \"\r\n"
        "READ Table + 2, Word v: DEBUG DEC v, \" \"\r\n"
        "WRITE 100, Word 1027, 9\r\nREAD 100, Word v, b: DEBUG DEC v, \" \", DEC b, CR\r\n");
    EXPECT_EQ(rig.Run(1.0), "6 513 1027 9\r");
    EXPECT_EQ(rig.cpu.Image()[100], 3);
    EXPECT_EQ(rig.cpu.Image()[101], 4);
    EXPECT_TRUE(rig.cpu.TakeEepromChanged());
    EXPECT_FALSE(rig.cpu.TakeEepromChanged());
}

TEST(Processor, StackFaultsStopWithADiagnostic) {
    Rig unmatched("DEBUG \"x\"\r\nRETURN\r\n");
    EXPECT_EQ(unmatched.Run(1.0), "x");
    EXPECT_EQ(unmatched.cpu.State(), ProcessorState::Faulted);
    EXPECT_TRUE(unmatched.cpu.Diagnostic().starts_with("RETURN without GOSUB at bit "))
        << unmatched.cpu.Diagnostic();

    Rig deep(
        "GOSUB A\r\nEND\r\nA: GOSUB B: RETURN\r\nB: GOSUB C: RETURN\r\nC: GOSUB D: RETURN\r\n"
        "D: DEBUG \"d\": GOSUB E: RETURN\r\nE: DEBUG \"e\": RETURN\r\n");
    EXPECT_EQ(deep.Run(1.0), "d");
    EXPECT_TRUE(deep.cpu.Diagnostic().starts_with("GOSUB nested more than 4 deep at bit "))
        << deep.cpu.Diagnostic();

    // A hand-made image: slot 0 points at bit 14, which holds token 44, which a KR2 lacks.
    // Stream bits 0..20: address 14 (110 00000000001), then token 44 (0 101100).
    Eeprom image{};
    image[2047] = 0b11000000;
    image[2046] = 0b00000101;
    image[2045] = 0b01100000;
    RecordingBody body;
    Processor cpu(body);
    cpu.Load(image);
    cpu.Run(kMicrosPerSecond);
    EXPECT_EQ(cpu.Diagnostic(), "invalid token 44 at bit 14");

    // One DEBUG that prints more than the computer can be waiting for stops the module instead of
    // filling the memory.
    Rig flood("W0 = 65535\r\nDEBUG REP \"a\"\\W0, REP \"b\"\\W0\r\n");
    EXPECT_EQ(flood.Run(1.0).size(), kMaxHostBacklog);
    EXPECT_TRUE(flood.cpu.Diagnostic().starts_with("more than 65536 characters"))
        << flood.cpu.Diagnostic();
}

TEST(Processor, EndAndStopAndPins) {
    Rig rig(
        "HIGH 3\r\nPAUSE 10\r\nLOW 3\r\nINPUT 3\r\nPULSOUT 13, 850\r\nFREQOUT 2, 1, 37500\r\n"
        "OUTS = 1: DIRS = 3\r\nSTOP\r\n");
    rig.body.inputs[5] = true;
    rig.Run(1.0);
    EXPECT_EQ(rig.cpu.State(), ProcessorState::Stopped);
    std::vector<std::string> seen;
    for (const BodyEvent& e : rig.body.events) seen.push_back(DescribeEvent(e));
    const std::vector<std::string> want = {
        "HIGH 3", "LOW 3", "INPUT 3", "LOW 13",  "PULSOUT 13 850", "LOW 2", "FREQOUT 2 1 37500",
        "HIGH 0", "LOW 1", "INPUT 2", "INPUT 13"};
    EXPECT_EQ(seen, want);
    // HIGH at t, PAUSE 10 ms, LOW: ten milliseconds and the interpreter's own time apart.
    const VirtualTime gap = rig.body.events[1].time - rig.body.events[0].time;
    EXPECT_GE(gap, 10 * kMicrosPerMs);
    EXPECT_LT(gap, 11 * kMicrosPerMs);

    Rig ins("DEBUG BIN IN5, BIN IN4, CR\r\nEND\r\n");
    ins.body.inputs[5] = true;
    EXPECT_EQ(ins.Run(1.0), "10\r");
    EXPECT_EQ(ins.cpu.State(), ProcessorState::Ended);
}

TEST(Processor, ShiftInAndShiftOutReadTheirLists) {
    Rig in(
        "a VAR Byte\r\nb VAR Word\r\nSHIFTIN 1, 2, 0, [a, b\\12]\r\nDEBUG DEC a, \" \", DEC b, "
        "CR\r\n");
    in.body.inputs[1] = true;
    EXPECT_EQ(in.Run(1.0), "255 4095\r");
    EXPECT_EQ(in.cpu.State(), ProcessorState::Ended) << in.cpu.StopReason();

    // MSB first: the data pin shows 1, 0, 1, 1 on the clock's rising edges.
    Rig out("SHIFTOUT 1, 2, 1, [%1011\\4]\r\n");
    out.Run(1.0);
    std::string data;
    bool level = false;
    for (const BodyEvent& e : out.body.events) {
        if (e.pin == 1) level = e.high;
        if (e.pin == 2 && e.high) data += level ? '1' : '0';
    }
    EXPECT_EQ(data, "1011");
}

TEST(Processor, SerinTakesBytesNumbersAndTimesOut) {
    EXPECT_EQ(
        Output(
            "a VAR Byte\r\nb VAR Word\r\nSERIN 16, 84, [a, DEC b]\r\nDEBUG DEC a, \" \", DEC b, CR",
            "Zxx123 "),
        "90 123\r");
    EXPECT_EQ(
        Output("b VAR Word\r\nSERIN 16, 84, [SDEC b, HEX2 B2, WAIT (\"go\"), SKIP 1, NUM W2]\r\n"
               "DEBUG SDEC b, \" \", HEX B2, \" \", DEC W2, CR",
               "a-42 fe7 ggo!$10,"),
        "-42 FE 16\r");
    Rig timeout(
        "a VAR Byte\r\nSERIN 16, 84, 50, Late, [a]\r\nDEBUG \"in\"\r\nEND\r\nLate: DEBUG "
        "\"late\"\r\n");
    EXPECT_EQ(timeout.Run(1.0), "late");
    // Without a time-out the program waits across runs and goes on when the byte comes.
    Rig waiting("a VAR Byte\r\nSERIN 16, 84, [a]\r\nDEBUG a\r\n");
    EXPECT_EQ(waiting.Run(0.5), "");
    EXPECT_FALSE(waiting.cpu.Halted());
    EXPECT_EQ(waiting.Run(0.5, "k"), "k");
}

}  // namespace
}  // namespace kavrin::sim
