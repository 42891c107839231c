// The element lister in full mode and the element reader.

#include <gtest/gtest.h>

#include <string>

#include "front_test_util.h"
#include "test_tokenizer.h"
#include "tokenizer/errors.h"

namespace kavrin::tokenizer {
namespace {

using namespace front_test;

std::vector<Live> Lex(const std::string& body, bool v25 = false) {
    EXPECT_EQ(FrontEnd(std::string(v25 ? kKr2v25 : kKr2) + body), 0) << body;
    return LiveElements();
}

int LexError(const std::string& body, bool v25 = false) {
    return FrontEnd(std::string(v25 ? kKr2v25 : kKr2) + body);
}

// Span of the error relative to the start of body.
std::pair<int, int> Span(bool v25 = false) {
    const TTokenizerResult& r = TokenizerResult();
    return {r.ErrorPos - static_cast<int>((v25 ? kKr2v25 : kKr2).size()), r.ErrorLength};
}

TEST(Lister, StringsBecomeCommaSeparatedCharacters) {
    EXPECT_EQ(Lex("\"A\""), (std::vector<Live>{{ekConstant, 65}, {ekEnd, 0}}));
    EXPECT_EQ(Lex("\"AB\""),
              (std::vector<Live>{{ekConstant, 65}, {ekComma, 0}, {ekConstant, 66}, {ekEnd, 0}}));
    EXPECT_EQ(Lex("\"\xE9\""), (std::vector<Live>{{ekConstant, 0xE9}, {ekEnd, 0}}))
        << "bytes above 127 stay unsigned";
    EXPECT_EQ(LexError("X = \"\""), 101);
    EXPECT_EQ(Span(), std::make_pair(4, 2));
    EXPECT_EQ(LexError("X = \"ab\nY"), 102);
    EXPECT_EQ(Span(), std::make_pair(4, 3));
}

TEST(Lister, TwoCharacterOperatorsMayHaveBlanksInside) {
    EXPECT_EQ(Lex("<\t =")[0], (Live{ekComparison, 27}));
    EXPECT_EQ(Lex("< =").size(), 2u);
    EXPECT_EQ(Lex("=>")[0], (Live{ekComparison, 26}));
    EXPECT_EQ(Lex("* /")[0], (Live{ekBinaryOp, 17}));
    // No pair: the first character alone, then the second.
    EXPECT_EQ(Lex("<(")[0], (Live{ekComparison, 31}));
    EXPECT_EQ(Lex("<(")[1], (Live{ekOpenParen, 0}));
    EXPECT_EQ(LexError("X ; Y"), 103);
    EXPECT_EQ(Span(), std::make_pair(2, 1));
    EXPECT_EQ(LexError("X = \x80"), 103);
}

TEST(Lister, NamesUpTo32Characters) {
    const std::string n32(32, 'q');
    EXPECT_EQ(Lex(n32)[0], (Live{ekUndefined, 0}));
    EXPECT_EQ(LexError(n32 + "q"), 106);
    EXPECT_EQ(Span(), std::make_pair(0, 33));
    EXPECT_EQ(Lex("high")[0], (Live{ekInstruction, 22})) << "names are upper-cased";
    EXPECT_EQ(Lex("_x1")[0].kind, ekUndefined);
}

TEST(Lister, NumberLimits) {
    EXPECT_EQ(Lex("65535")[0], (Live{ekConstant, 65535}));
    EXPECT_EQ(LexError("65536"), 109);
    EXPECT_EQ(Lex("0000000000000001")[0], (Live{ekConstant, 1}));
    EXPECT_EQ(LexError("00000000000000001"), 108);
    EXPECT_EQ(Span(), std::make_pair(0, 17));
    EXPECT_EQ(Lex("%101")[0], (Live{ekConstant, 5}));
    EXPECT_EQ(LexError("%2"), 105);
    EXPECT_EQ(Span(), std::make_pair(0, 1));
    EXPECT_EQ(LexError("$"), 104);
    EXPECT_EQ(LexError("$G"), 104);
    EXPECT_EQ(Lex("$fF")[0], (Live{ekConstant, 255}));
    EXPECT_EQ(Lex("$FF", true)[0], (Live{ekConstant, 255}));
    EXPECT_EQ(Lex("$FFFF")[0], (Live{ekConstant, 65535}));
    EXPECT_EQ(LexError("$10000"), 109);
}

TEST(Lister, DollarNamesAreSymbolsOnlyIn25) {
    EXPECT_EQ(Lex("$PORT", true)[0], (Live{ekDirectiveWord, 65535}));
    EXPECT_EQ(LexError("$PORT"), 104);
}

TEST(Lister, HashWordsOnlyIn25) {
    EXPECT_EQ(LexError("#IF"), 103);
    EXPECT_EQ(LexError("#FOO", true), 154);
    EXPECT_EQ(Span(true), std::make_pair(0, 4));
}

TEST(Lister, LineEndsAndContinuation) {
    // Blank lines and comment lines add nothing; ":" always ends a statement.
    EXPECT_EQ(Lex("\n\n' note\n  \nHIGH 1 ' tail\n\r\n::\n"),
              (std::vector<Live>{
                  {ekInstruction, 22}, {ekConstant, 1}, {ekEnd, 0}, {ekEnd, 1}, {ekEnd, 1}}));
    // A comma at a line end continues the statement in 2.5 only.
    EXPECT_EQ(Lex("A,\nB", true),
              (std::vector<Live>{{ekUndefined, 0}, {ekComma, 0}, {ekUndefined, 0}, {ekEnd, 0}}));
    EXPECT_EQ(Lex("A,\nB"),
              (std::vector<Live>{
                  {ekUndefined, 0}, {ekComma, 0}, {ekEnd, 0}, {ekUndefined, 0}, {ekEnd, 0}}));
    // A final comma in 2.5 still gets its end.
    EXPECT_EQ(Lex("A,", true), (std::vector<Live>{{ekUndefined, 0}, {ekComma, 0}, {ekEnd, 0}}));
    // Control characters are line ends, NUL included.
    EXPECT_EQ(Lex(std::string("A\0B", 3)),
              (std::vector<Live>{{ekUndefined, 0}, {ekEnd, 0}, {ekUndefined, 0}, {ekEnd, 0}}));
}

TEST(Lister, TooManyElements) {
    std::string body;
    for (int i = 0; i < 10239 / 2; ++i) body += "1,";
    EXPECT_EQ(LexError(body), 0) << "10,238 elements plus the two ends fit";
    EXPECT_EQ(LexError(body + "1,2"), 107);
}

TEST(Lister, DeclaredNamesAreRecorded) {
    ASSERT_EQ(LexError("Speed CON 5\nLed PIN 3\nx var byte\nTable DATA 1\nHIGH Other\n", true), 0);
    const SymbolTable& declared = TestState().declared;
    for (const char* name : {"SPEED", "LED", "X", "TABLE"})
        EXPECT_GE(declared.Find(name), 0) << name;
    EXPECT_LT(declared.Find("OTHER"), 0);
    EXPECT_LT(declared.Find("HIGH"), 0);
}

TEST(Lister, AFullTableIsReportedAtTheNameBeingEntered) {
    // The table of declared names fills during lexing, before anything has been read.
    std::string body;
    for (int i = 0; i < kMaxSymbols; ++i) body += "N" + std::to_string(i) + " CON 1\n";
    const std::string last = "Last";
    EXPECT_EQ(LexError(body + last + " VAR Byte\n"), 128);
    EXPECT_EQ(Span(), std::make_pair(static_cast<int>(body.size()), 4));

    // #DEFINE fills the symbol table; the report names the definition, not the line end.
    ASSERT_EQ(LexError("", true), 0);
    const int room = kMaxSymbols - TestState().symbols.Count();
    std::string defines;
    for (int i = 0; i <= room; ++i) defines += "#DEFINE D" + std::to_string(i) + "\n";
    const std::string tail = "D" + std::to_string(room);
    EXPECT_EQ(LexError(defines, true), 128);
    EXPECT_EQ(Span(true), std::make_pair(static_cast<int>(defines.size() - 1 - tail.size()),
                                         static_cast<int>(tail.size())));
}

TEST(ElementReader, LooksUndefinedNamesUpAgainAndPeeksWithoutMoving) {
    ASSERT_EQ(LexError("later = 1"), 0);
    TokenizerState& s = TestState();
    s.readIndex = 0;
    TElement e;
    s.symbols.Enter("LATER", ekVariable, 0x0306);
    TTokenizerResult& r = s.result;
    r.ErrorPos = -1;
    ASSERT_TRUE(PeekElement(s, e));
    EXPECT_EQ(e.Kind, ekVariable);
    EXPECT_EQ(r.ErrorPos, -1) << "a peek leaves the span alone";
    ASSERT_TRUE(ReadElement(s, e));
    EXPECT_EQ(e.Kind, ekVariable);
    EXPECT_EQ(e.Value, 0x0306);
    EXPECT_EQ(r.ErrorPos, static_cast<int>(kKr2.size()));
    EXPECT_EQ(r.ErrorLength, 5);
    while (ReadElement(s, e)) {
    }
    EXPECT_EQ(e.Kind, ekEnd) << "the end of the list reads as an end";
}

TEST(ElementReader, CancellingADirectiveLineLeavesNoEmptyStatement) {
    ASSERT_EQ(LexError("A\nB C\nD"), 0);
    TokenizerState& s = TestState();
    // elements: A | B C | D |
    CancelElements(s, 2, 3);
    EXPECT_EQ(LiveText(), "A | D |");
    ASSERT_EQ(LexError("A\nB C\nD"), 0);
    CancelElements(s, 3, 3);  // C only: B stays, and so does its line end
    EXPECT_EQ(LiveText(), "A | B | D |");
}

TEST(SymbolTable, OldestRecordWinsAndTheTableHasALimit) {
    SymbolTable& t = TestState().symbols;
    t.Clear();
    t.Enter("AB", ekConstant, 1);
    t.Enter("BA", ekConstant, 2);  // same chain
    t.Enter("AB", ekConstant, 3);
    EXPECT_EQ(t.At(t.Find("AB")).Value, 1);
    EXPECT_EQ(t.At(t.Find("BA")).Value, 2);
    EXPECT_EQ(t.Find("ABC"), -1);
    for (int i = t.Count(); i < kMaxSymbols; ++i) t.Enter("N" + std::to_string(i), ekConstant, 0);
    EXPECT_EQ(t.Count(), kMaxSymbols);
    EXPECT_EQ(RaisedError([&] { t.Enter("ONEMORE", ekConstant, 0); }), 128);
}

TEST(ReservedWords, DependOnModuleAndVersion) {
    auto kindOf = [](std::string_view word) {
        const SymbolTable& t = TestState().symbols;
        const int i = t.Find(word);
        return i < 0 ? -1 : t.At(i).Kind;
    };
    ASSERT_EQ(FrontEnd(kKr2), 0);
    EXPECT_EQ(kindOf("GET"), -1);
    EXPECT_EQ(kindOf("PIN"), -1);
    EXPECT_EQ(kindOf("W12"), ekVariable);
    EXPECT_EQ(TestState().symbols.At(TestState().symbols.Find("ISBIN16")).Value, 3854);
    EXPECT_EQ(TestState().symbols.At(TestState().symbols.Find("DEC2")).Value, 998);
    EXPECT_EQ(TestState().symbols.At(TestState().symbols.Find("B25")).Value, 2 * 256 + 31);
    EXPECT_EQ(TestState().symbols.Count(), 9 + 355);
    ASSERT_EQ(FrontEnd("' {$KORBLE KR3}\n"), 0);
    EXPECT_EQ(kindOf("GET"), ekInstruction);
    EXPECT_EQ(kindOf("LCDIN"), -1);
    ASSERT_EQ(FrontEnd("' {$KORBLE KR5}\n' {$VELIC 2.5}\n"), 0);
    EXPECT_EQ(kindOf("LCDIN"), ekInstruction);
    EXPECT_EQ(kindOf("PIN"), ekPin);
    EXPECT_EQ(kindOf("#DEFINE"), ekCondDirective);
    EXPECT_EQ(kindOf("CRSRXY"), ekConstant);
}

}  // namespace
}  // namespace kavrin::tokenizer
