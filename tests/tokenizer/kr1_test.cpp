// The KR1 tokenizer as the frame runs it: limits and messages, the bits of every instruction,
// the 256-byte image and what comes back through the shared result record.

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "test_tokenizer.h"
#include "tokenizer/tokenizer.h"
#include "tokenizer/tokenizer_state.h"

namespace kavrin::tokenizer {
namespace {

const std::string kHead = "' {$KORBLE KR1}\n";
constexpr int kFirst = 19;  // stream position of the first statement

int Compile(const std::string& body) {
    LoadSource(kHead + body);
    Tokenize();
    const TTokenizerResult& r = TokenizerResult();
    return r.Success ? 0 : (r.ErrorMessage ? std::atoi(r.ErrorMessage) : -1);
}

// Stream bit p of the 256-byte image: code byte p/8 sits at address 255 - p/8.
std::string Stream(int from, int count) {
    const TTokenizerResult& r = TokenizerResult();
    std::string s;
    for (int p = from; p < from + count; ++p) {
        s += static_cast<char>(
            '0' + ((r.EepromImage[static_cast<std::size_t>(255 - p / 8)] >> (7 - p % 8)) & 1));
    }
    return s;
}

unsigned Bits(int from, int count) {
    return static_cast<unsigned>(std::stoul(Stream(from, count), nullptr, 2));
}

// n bits of v.
std::string B(int n, unsigned v) {
    std::string s;
    for (int i = n - 1; i >= 0; --i) s += static_cast<char>('0' + ((v >> i) & 1));
    return s;
}
std::string Tok(unsigned t) { return B(5, t); }
std::string Var(unsigned reg) { return B(6, reg); }
std::string Byte(unsigned c) { return "00" + B(8, c); }
std::string Word(unsigned c) { return "01" + B(16, c); }
std::string VarValue(unsigned reg) { return "1" + Var(reg); }
std::string Pin(unsigned p) { return "0" + B(3, p); }
std::string Addr(unsigned a) { return B(11, a); }
const std::string kEndToken = "11111";

struct Expected {
    int number;
    std::string at;  // the faulty token's text, found in the body
    int occurrence;  // which occurrence of it (0 = first)
};

std::size_t Find(const std::string& body, const std::string& what, int occurrence) {
    std::size_t at = body.find(what);
    for (int i = 0; i < occurrence; ++i) at = body.find(what, at + 1);
    return at;
}

void ExpectError(const std::string& body, const Expected& e, const char* message = nullptr) {
    SCOPED_TRACE(body.substr(0, 200));
    EXPECT_EQ(Compile(body), e.number);
    const TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(r.ErrorPos, static_cast<int>(kHead.size() + Find(body, e.at, e.occurrence)));
    EXPECT_EQ(r.ErrorLength, static_cast<int>(e.at.size()));
    if (message) {
        EXPECT_STREQ(r.ErrorMessage, message);
    }
    EXPECT_EQ(r.BlockCount, 0);
}

TEST(Kr1Tokenizer, LimitsGiveTheirMessageAtTheFaultyToken) {
    std::string gosubs = "x:\n";
    for (int i = 0; i < 17; ++i) gosubs += "GOSUB x\n";
    ExpectError(gosubs, {237, "GOSUB", 16}, "237-Limit of 16 GOSUBs was exceeded");
    std::string sixteen = "x:\n";
    for (int i = 0; i < 16; ++i) sixteen += "GOSUB x\n";
    EXPECT_EQ(Compile(sixteen), 0);

    std::string fors;
    for (int i = 0; i < 9; ++i) fors += "FOR B" + std::to_string(i) + " = 1 TO 2\n";
    ExpectError(fors, {242, "FOR", 8}, "242-Limit of 8 nested FOR-NEXT loops was exceeded");
    std::string eight;
    for (int i = 0; i < 8; ++i) eight += "FOR B" + std::to_string(i) + " = 1 TO 2\n";
    for (int i = 7; i >= 0; --i) eight += "NEXT B" + std::to_string(i) + "\n";
    EXPECT_EQ(Compile(eight + "FOR B0 = 1 TO 2\nNEXT\n"), 0) << "closed loops free their level";

    ExpectError("start HIGH 1\n", {174, "HIGH", 0}, "174-Label is missing ':'");
    ExpectError("SYMBOL a = 1\nSYMBOL A = 2\n", {241, "A", 0},
                "241-Symbol name invalid or already defined");
    ExpectError("SYMBOL high = 1\n", {241, "high", 0});

    std::string full;
    for (int i = 0; i < 200; ++i) full += "PAUSE 1000\n";  // 23 bits each
    ExpectError(full, {127, "1000", 88}, "127-EEPROM full");

    ExpectError("HIGH 1 ? 2\n", {103, "?", 0}, "103-Unrecognized character");
    const std::string name33(33, 'N');
    ExpectError("GOTO " + name33 + "\n", {106, name33, 0}, "106-Symbol exceeds 32 characters");
    const std::string name32(32, 'N');
    EXPECT_EQ(Compile(name32 + ":\nGOTO " + name32 + "\n"), 0);
}

TEST(Kr1Tokenizer, StatementErrorsPointAtTheToken) {
    ExpectError("x:\nx:\n", {123, "x", 1}, "123-Symbol is already defined");
    ExpectError("5\n", {149, "5", 0});
    ExpectError("NEXT\n", {132, "NEXT", 0});
    ExpectError("FOR B0 = 1 TO 5\nNEXT B1\n", {233, "B1", 0});
    ExpectError("FOR B0 = 1 5\n", {152, "5", 0});
    ExpectError("B0 + 1\n", {150, "+", 0}, "150-Expected '='");
    ExpectError("SYMBOL a 1\n", {150, "1", 0}, "150-Expected '='");
    ExpectError("B0 = B1 B2\n", {244, "B2", 0});
    ExpectError("IF B0 5 THEN x\n", {245, "5", 0});
    ExpectError("IF B0 = 5 GOTO x\n", {238, "GOTO", 0});
    ExpectError("x:\nIF B0 = 5 THEN 7\n", {148, "7", 0});
    ExpectError("GOTO nowhere\n", {110, "nowhere", 0});
    ExpectError("HIGH 1 LOW 2\n", {129, "LOW", 0});
    ExpectError("PWM 1 2, 3\n", {133, "2", 0});
    ExpectError("LOOKUP B0, 1, B1\n", {119, "1", 0});
    ExpectError("LOOKUP B0, (1 2), B1\n", {239, "2", 0});
    ExpectError("SEROUT 1, N2400, (\"a\tb\")\n", {240, "\t", 0});
    ExpectError("SERIN 1, N2400, 5\n", {235, "5", 0});
    ExpectError("SERIN 1, N2400, B0 B1\n", {130, "B1", 0});
    ExpectError("DEBUG 5\n", {243, "5", 0});
    ExpectError("READ 1, 2\n", {135, "2", 0});
    ExpectError("RANDOM B0\n", {135, "B0", 0});
    ExpectError("PAUSE (\n", {234, "(", 0});
    ExpectError("EEPROM (300)\n", {112, "300", 0});
    ExpectError("HIGH 8\n", {112, "8", 0});
    ExpectError("PAUSE 65536\n", {112, "65536", 0});
}

TEST(Kr1Tokenizer, EveryInstructionCompilesToItsFields) {
    struct Case {
        std::string source;
        std::string bits;
    };
    const std::string pre = "x:\n";  // label x at the first statement position
    const Case cases[] = {
        {"HIGH 3", Tok(0) + Pin(3)},
        {"LOW B0", Tok(1) + VarValue(34)},
        {"INPUT 1", Tok(2) + Pin(1)},
        {"OUTPUT 2", Tok(3) + Pin(2)},
        {"TOGGLE 7", Tok(4) + Pin(7)},
        {"REVERSE 0", Tok(5) + Pin(0)},
        {"PWM 1, 100, 300", Tok(6) + Pin(1) + Byte(100) + Word(300)},
        {"POT 2, 50, B1", Tok(7) + Pin(2) + Byte(50) + Var(35)},
        {"PULSOUT 3, W1", Tok(8) + Pin(3) + VarValue(52)},
        {"PULSIN 4, 1, W2", Tok(9) + Pin(4) + Byte(1) + Var(54)},
        {"FOR B2 = 1 TO 10 STEP -2: NEXT B2",
         Tok(10) + Var(36) + Byte(1) + Byte(10) + "11" + Byte(2) + Tok(23) + Addr(kFirst)},
        {"FOR B2 = 1 TO 10: NEXT",
         Tok(10) + Var(36) + Byte(1) + Byte(10) + "0" + Tok(23) + Addr(kFirst)},
        {"READ 5, B3", Tok(11) + Byte(5) + Var(37)},
        {"WRITE B3, $FF", Tok(12) + VarValue(37) + Byte(255)},
        {"LOOKDOWN B0, (3, B1), B2",
         Tok(13) + VarValue(34) + "1" + Byte(3) + "1" + VarValue(35) + "0" + Var(36)},
        {"GOSUB x", Tok(14) + Addr(kFirst)},
        {"PAUSE %101", Tok(15) + Byte(5)},
        {"RANDOM W6", Tok(16) + Var(62)},
        {"BUTTON 0, 1, 255, 10, B4, 1, x",
         Tok(17) + Pin(0) + Byte(1) + Byte(255) + Byte(10) + Var(38) + Byte(1) + Addr(kFirst)},
        {"SOUND 1, (100, 10, 50, 5)",
         Tok(18) + Pin(1) + "1" + Byte(100) + Byte(10) + "1" + Byte(50) + Byte(5) + "0"},
        {"SEROUT 0, ON300, (#B0, 65, \"Hi\")", Tok(19) + Pin(0) + B(4, 15) + "1" + "01" +
                                                   VarValue(34) + "1" + "00" + Byte(65) + "1" +
                                                   "10" + B(7, 'H') + B(7, 'i') + B(7, 0) + "0"},
        {"LET B0 = B1 + 2 * W0 MIN 7", Tok(21) + Var(34) + VarValue(35) + "1" + B(4, 0) + Byte(2) +
                                           "1" + B(4, 2) + VarValue(50) + "1" + B(4, 6) + Byte(7) +
                                           "0"},
        {"B0 =- 3 // 2",
         Tok(21) + Var(34) + Byte(0) + "1" + B(4, 1) + Byte(3) + "1" + B(4, 5) + Byte(2) + "0"},
        {"LOOKUP 1, (1000), W3", Tok(22) + Byte(1) + "1" + Word(1000) + "0" + Var(56)},
        {"IF B0 >= 3 AND BIT1 <> B1 THEN x", Tok(24) + Var(34) + B(3, 5) + Byte(3) + "1" + "0" +
                                                 Var(17) + B(3, 1) + VarValue(35) + "0" +
                                                 Addr(kFirst)},
        {"IF PIN0 = 1 OR PIN1 < 1 THEN x", Tok(24) + Var(0) + B(3, 0) + Byte(1) + "1" + "1" +
                                               Var(1) + B(3, 2) + Byte(1) + "0" + Addr(kFirst)},
        {"GOTO x", Tok(25) + Addr(kFirst)},
        {"BRANCH B0, (x, x)",
         Tok(26) + VarValue(34) + "1" + Addr(kFirst) + "1" + Addr(kFirst) + "0"},
        {"RETURN", Tok(27)},
        {"NAP 3", Tok(28) + Byte(3)},
        {"SLEEP 60", Tok(29) + Byte(60)},
        {"DEBUG B0, #W1, \"A\", CLS, CR", Tok(30) + "1" + "00" + Var(34) + "1" + "01" + Var(52) +
                                              "1" + "10" + B(7, 'A') + B(7, 0) + "1" + "11" +
                                              B(2, 1) + "1" + "11" + B(2, 2) + "0"},
        {"END", Tok(31)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source);
        ASSERT_EQ(Compile(pre + c.source + "\n"), 0) << TokenizerResult().ErrorMessage;
        const std::string want = c.bits + kEndToken;
        EXPECT_EQ(Stream(kFirst, static_cast<int>(want.size())), want);
        EXPECT_EQ(Bits(8, 11), static_cast<unsigned>(kFirst + want.size())) << "code length";
    }
    // SERIN with qualifiers, then the variables ("#" for decimal digits).
    ASSERT_EQ(Compile("SERIN 1, T2400, (5), #B0, B1\n"), 0);
    const std::string serin = Tok(20) + Pin(1) + B(4, 0) + "1" + Byte(5) + "0" + "1" + "1" +
                              Var(34) + "1" + "0" + Var(35) + "0" + kEndToken;
    EXPECT_EQ(Stream(kFirst, static_cast<int>(serin.size())), serin);
    ASSERT_EQ(Compile("SERIN 1, T2400, B1\n"), 0);
    const std::string bare = Tok(20) + Pin(1) + B(4, 0) + "0" + "1" + "0" + Var(35) + "0";
    EXPECT_EQ(Stream(kFirst, static_cast<int>(bare.size())), bare);
}

TEST(Kr1Tokenizer, ImageHeaderLabelsAndData) {
    ASSERT_EQ(Compile("END\n"), 0);
    const TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(Bits(8, 11), 29u) << "19 + END + closing END";
    EXPECT_EQ(r.EepromImage[255], 252) << "the code takes 4 bytes";
    EXPECT_EQ(r.EepromUse[252], 3);
    EXPECT_EQ(r.EepromUse[251], 0);
    EXPECT_EQ(r.BlockCount, 1);
    EXPECT_EQ(r.Blocks[0][0], r.EepromImage[255]) << "the blocks carry the image top down";
    EXPECT_EQ(r.Blocks[14][3], r.EepromImage[255 - (14 * 18 + 3)]);

    // A forward label gets its address in the second pass; the first pass left room for it.
    ASSERT_EQ(Compile("GOTO later\nHIGH 1\nlater: END\n"), 0);
    EXPECT_EQ(Stream(kFirst, 16), Tok(25) + Addr(kFirst + 16 + 9));

    ASSERT_EQ(Compile("EEPROM (1, \"AB\")\nEEPROM 10, (7)\nEEPROM (8)\nEND\n"), 0);
    EXPECT_EQ(r.EepromImage[0], 1);
    EXPECT_EQ(r.EepromImage[1], 'A');
    EXPECT_EQ(r.EepromImage[2], 'B');
    EXPECT_EQ(r.EepromImage[10], 7);
    EXPECT_EQ(r.EepromImage[11], 8) << "EEPROM goes on where the last one stopped";
    EXPECT_EQ(r.EepromUse[0], 2);
    EXPECT_EQ(r.EepromUse[3], 0);

    ExpectError("EEPROM 253, (1)\nEND\n", {124, "1", 0},
                "124-Data occupies same location as program");
    std::string code;
    for (int i = 0; i < 60; ++i) code += "PAUSE 1000\n";
    ExpectError("EEPROM 100, (1)\n" + code, {124, "PAUSE", 53});
    ExpectError("EEPROM 255, (1, 2)\n", {124, "1", 0});
    ExpectError("EEPROM 256, (1)\n", {127, "256", 0});
}

TEST(Kr1Tokenizer, StatementStartsAndCodeLengthComeBackThroughTheRecord) {
    ASSERT_EQ(Compile("HIGH 1\nLOW 2\n"), 0) << TokenizerResult().ErrorMessage;
    const TTokenizerResult& r = TokenizerResult();
    ASSERT_EQ(r.StatementCount, 2);
    const auto head = static_cast<int>(kHead.size());
    EXPECT_EQ(r.StatementStarts[0].source, head);
    EXPECT_EQ(r.StatementStarts[0].code, kFirst);
    EXPECT_EQ(r.StatementStarts[1].source, head + 7);
    // Each start points at its statement's 5-bit token: HIGH is 0, LOW 1.
    EXPECT_GT(r.StatementStarts[1].code, kFirst);
    EXPECT_EQ(Bits(r.StatementStarts[1].code, 5), 1u);
    EXPECT_EQ(Bits(kFirst, 5), 0u);
    EXPECT_GT(r.CodeBits, r.StatementStarts[1].code);
}

TEST(Kr1Tokenizer, SymbolsMasksAndDebugComeBackThroughTheRecord) {
    const std::string body =
        "SYMBOL count = B3\nSYMBOL big = B13\nSYMBOL flag = BIT1\nSYMBOL total = W2\n"
        "SYMBOL limit = 300\nSYMBOL again = count\n"
        "top: count = count + 1\nDEBUG count, \"x\" ' shown\nIF count < limit THEN top\nDEBUG CR\n";
    ASSERT_EQ(Compile(body), 0) << TokenizerResult().ErrorMessage;
    TTokenizerResult& r = TokenizerResult();
    EXPECT_EQ(r.KR1Extra[0], 0x02) << "BIT1";
    EXPECT_EQ(r.KR1Extra[1], 0x00);
    EXPECT_EQ(r.KR1Extra[2], 0x08) << "B3";
    EXPECT_EQ(r.KR1Extra[3], 0x20) << "B13";
    EXPECT_EQ(r.KR1Extra[4], 0x04) << "W2";
    EXPECT_EQ(r.DebugInfo, 2);
    EXPECT_EQ(r.DebugUsed, 1);

    const SymbolTable& symbols = TestState().symbols;
    const auto expectSymbol = [&](const char* name, int kind, int value) {
        const int at = symbols.Find(name);
        ASSERT_GE(at, 0) << name;
        EXPECT_EQ(symbols.At(at).Kind, kind) << name;
        EXPECT_EQ(symbols.At(at).Value, value) << name;
    };
    expectSymbol("COUNT", 1, 37);
    expectSymbol("AGAIN", 1, 37);
    expectSymbol("LIMIT", 3, 300);
    expectSymbol("TOP", 2, kFirst);
    expectSymbol("GOSUB", 4, 14);
    expectSymbol("W6", 1, 62);

    // The debug buffer: per DEBUG its token's stream position and its text.
    const char* debug = r.SourceText.data() + kSourceBufferSize - 1024;
    const int first =
        static_cast<unsigned char>(debug[0]) | (static_cast<unsigned char>(debug[1]) << 8);
    EXPECT_EQ(Bits(first, 5), 30u) << "a DEBUG token lies there";
    EXPECT_STREQ(debug + 2, "DEBUG count, \"x\"");
    const char* second = debug + 2 + std::strlen(debug + 2) + 1;
    EXPECT_STREQ(second + 2, "DEBUG CR");

    const std::array<std::uint8_t, kEepromSize> image = r.EepromImage;
    const std::array<std::uint8_t, kEepromSize> use = r.EepromUse;
    ASSERT_EQ(Compile(body), 0);
    EXPECT_EQ(r.EepromImage, image) << "the same source gives the same image";
    EXPECT_EQ(r.EepromUse, use);

    ASSERT_EQ(Compile("HIGH 1\n"), 0);
    EXPECT_EQ(r.DebugUsed, 0);
    EXPECT_EQ(r.KR1Extra, (std::array<std::uint8_t, 5>{}));
}

TEST(Kr1Tokenizer, DebugBufferFills) {
    std::string body;
    for (int i = 0; i < 15; ++i) body += "DEBUG" + std::string(60, ' ') + "B0\n";  // 70 bytes each
    ExpectError(body, {236, "DEBUG", 14}, "236-DEBUG buffer full");
}

}  // namespace
}  // namespace kavrin::tokenizer
