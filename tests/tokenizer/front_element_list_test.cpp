// The element list's bookkeeping: skip links over cancelled elements, line-end marking, the
// reader's memory of name lookups, the symbol table's spread, and the reserved words kept
// between runs. Each is checked against the plain behaviour it stands in for.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <string>
#include <vector>

#include "front_test_util.h"
#include "test_tokenizer.h"
#include "tokenizer/skip_links.h"

namespace kavrin::tokenizer {
namespace {

using namespace front_test;

// The skip links against a plain array of flags, under random cancellations that overlap,
// nest and repeat, with lookups in between (each of which shortens the links it follows).
TEST(SkipLinks, AgreeWithAPlainScanUnderRandomCancellations) {
    constexpr int kCount = 300;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        std::mt19937 random(seed);
        SkipLinks links;
        std::vector<bool> cancelled(kCount, false);
        for (int i = 0; i < kCount; ++i) links.Add(i);
        for (int step = 0; step < 60; ++step) {
            const int a = static_cast<int>(random() % kCount);
            const unsigned longest = seed % 4 == 0 ? 60 : 6;
            const int b = std::min(kCount - 1, a + static_cast<int>(random() % longest));
            links.Cancel(a, b);
            for (int i = a; i <= b; ++i) cancelled[static_cast<std::size_t>(i)] = true;
            for (int probe = 0; probe < 40; ++probe) {
                const int i = static_cast<int>(random() % (kCount + 2));
                int next = i;
                while (next < kCount && cancelled[static_cast<std::size_t>(next)]) ++next;
                ASSERT_EQ(links.NextLive(i, kCount), next) << "seed " << seed << " from " << i;
                int prev = std::min(i, kCount - 1);
                while (prev >= 0 && cancelled[static_cast<std::size_t>(prev)]) --prev;
                ASSERT_EQ(links.PrevLive(std::min(i, kCount - 1)), prev) << "seed " << seed;
            }
        }
    }
}

TEST(ElementReader, CancellingLineAfterLineLooksBackPastEveryCancelledLine) {
    // Each line is cancelled without its end; the end goes too, because the nearest live
    // element before it, past all the lines cancelled already, is the first line's end.
    std::string body = "A\n";
    for (int i = 0; i < 50; ++i) body += "B" + std::to_string(i) + " X\n";
    body += "C\n";
    ASSERT_EQ(FrontEnd(std::string(kKr2) + body), 0);
    TokenizerState& s = TestState();
    for (int line = 0; line < 50; ++line) CancelElements(s, 2 + 3 * line, 3 + 3 * line);
    EXPECT_EQ(LiveText(), "A | C |");
    EXPECT_EQ(Shape(), "46 | 46 |") << "the reader sees what the kinds say";

    // Inside a statement the look back ends at a name, so the line end stays.
    ASSERT_EQ(FrontEnd(std::string(kKr2) + "A B C D\nE\n"), 0);
    CancelElements(s, 2, 2);
    CancelElements(s, 1, 1);
    CancelElements(s, 3, 3);
    EXPECT_EQ(LiveText(), "A | E |");
}

// Every byte value at every position of an eight-byte word: control characters but the tab
// become the line-end mark, everything else stays.
TEST(Lister, MarksLineEndsByTheirByteAlone) {
    std::string text;
    for (int offset = 0; offset < 8; ++offset) {
        text += std::string(static_cast<std::size_t>(offset), 'x');
        for (int c = 0; c < 256; ++c) text += static_cast<char>(c);
    }
    ASSERT_TRUE(LoadSource(text));
    TokenizerState& s = TestState();
    ListDirectives(s);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        const char want = c < 32 && c != '\t' ? '\3' : static_cast<char>(c);
        ASSERT_EQ(s.result.SourceText[i], want) << "byte " << int(c) << " at " << i;
    }
    EXPECT_EQ(s.result.SourceText[text.size()], '\3');
}

TEST(Lister, CommentsToTheVeryEndOfTheText) {
    EXPECT_EQ(FrontEnd(std::string(kKr2) + "A ' no line end behind"), 0);
    EXPECT_EQ(LiveText(), "A |");
    EXPECT_EQ(FrontEnd(std::string(kKr2) + "A\n'"), 0);
    EXPECT_EQ(LiveText(), "A |");
    EXPECT_EQ(Directives("' {$KORBLE KR3, \"a b\"}"), 0);
    EXPECT_STREQ(TokenizerResult().ProjectFiles[0], "a b");
}

TEST(ElementReader, ANameIsLookedUpAgainAfterEveryChangeOfTheTables) {
    // Not found by the lister, declared further down: the conditional pass must see that.
    EXPECT_EQ(FrontEnd(std::string(kKr2v25) + "#IF Later #THEN\n#ENDIF\nLater VAR Byte\n"), 195);
    // Not found, then entered: found from then on, with its current value.
    ASSERT_EQ(FrontEnd(std::string(kKr2) + "Speed\n"), 0);
    TokenizerState& s = TestState();
    TElement e;
    s.readIndex = 0;
    ASSERT_TRUE(PeekElement(s, e));
    EXPECT_EQ(e.Kind, ekUndefined);
    const int speed = s.symbols.Enter("SPEED", ekConstant, 7);
    ASSERT_TRUE(PeekElement(s, e));
    EXPECT_EQ(e.Kind, ekConstant);
    EXPECT_EQ(e.Value, 7);
    s.symbols.SetValue(speed, 9);
    ASSERT_TRUE(ReadElement(s, e));
    EXPECT_EQ(e.Value, 9);
    EXPECT_EQ(s.currentName.name(), "SPEED");
}

TEST(ConditionalPass, LeavesTheReaderAsReadingEveryElementWould) {
    const std::string body = "#DEFINE Fast\nfirst CON 1\n#IF Fast #THEN\nlater = 2 + 3\n#ENDIF\n";
    ASSERT_EQ(FrontEnd(std::string(kKr2v25) + body), 0);
    const TokenizerState& s = TestState();
    EXPECT_EQ(s.currentName.name(), "LATER") << "the last name read";
    EXPECT_EQ(s.readIndex, s.elementCount);
    const TElement& last = s.elements[static_cast<std::size_t>(s.lastRead)];
    EXPECT_EQ(last.Kind, ekCancelled) << "#ENDIF, read last and cancelled";
}

TEST(SymbolTable, NamesAlikeSpreadOverTheChains) {
    // A sum of the characters would put C1..C1000 into a handful of chains and every
    // reordering of the same letters into one.
    std::array<int, kHashChains> numbered{};
    for (int i = 1; i <= 1000; ++i) {
        ++numbered[static_cast<std::size_t>(
            SymbolTable::ChainOf(SymbolTable::Hash("C" + std::to_string(i))))];
    }
    EXPECT_LE(*std::max_element(numbered.begin(), numbered.end()), 8);
    std::array<int, kHashChains> reordered{};
    std::string letters = "ABCDEFGH";
    for (int i = 0; i < 1000; ++i) {
        std::next_permutation(letters.begin(), letters.end());
        ++reordered[static_cast<std::size_t>(SymbolTable::ChainOf(SymbolTable::Hash(letters)))];
    }
    EXPECT_LE(*std::max_element(reordered.begin(), reordered.end()), 8);
}

TEST(SymbolTable, NamesSharingAChainAreToldApart) {
    const int chain = SymbolTable::ChainOf(SymbolTable::Hash("AB"));
    std::string partner;
    for (int i = 0; partner.empty(); ++i) {
        const std::string name = "N" + std::to_string(i);
        if (SymbolTable::ChainOf(SymbolTable::Hash(name)) == chain) partner = name;
    }
    SymbolTable& t = TestState().symbols;
    t.Clear();
    t.Enter("AB", ekConstant, 1);
    t.Enter(partner, ekConstant, 2);
    t.Enter("AB", ekConstant, 3);
    t.Enter(partner, ekConstant, 4);
    EXPECT_EQ(t.At(t.Find("AB")).Value, 1);
    EXPECT_EQ(t.At(t.Find(partner)).Value, 2);
    EXPECT_EQ(t.Find("A"), -1);
    SymbolTable copy;
    copy.CopyFrom(t);
    EXPECT_EQ(copy.At(copy.Find(partner)).Value, 2);
    copy.Enter("NEW", ekConstant, 5);
    EXPECT_EQ(copy.At(copy.Find("NEW")).Value, 5);
    EXPECT_EQ(t.Find("NEW"), -1) << "a copy has chains of its own";
}

TEST(ReservedWords, KeptTablesGetEachRunsDirectiveValues) {
    // Same module and version twice: the second run copies the kept words, and its directive
    // symbols keep what its own directives said.
    const std::string test = "#IF $PORT = 3 #THEN\nThree\n#ELSE\nOther\n#ENDIF\n";
    EXPECT_EQ(FrontEnd("' {$KORBLE KR2}\n' {$PORT COM3}\n' {$VELIC 2.5}\n" + test), 0);
    EXPECT_EQ(LiveText(), "Three |");
    EXPECT_EQ(FrontEnd("' {$KORBLE KR2}\n' {$PORT COM4}\n' {$VELIC 2.5}\n" + test), 0);
    EXPECT_EQ(LiveText(), "Other |");
    EXPECT_EQ(SymbolValue("$PORT"), 4);
    // Another module in between, and back.
    EXPECT_EQ(FrontEnd("' {$KORBLE KR3}\nGET\n"), 0);
    EXPECT_EQ(Shape(), "3 |");
    EXPECT_EQ(FrontEnd("' {$KORBLE KR2}\nGET\n"), 0);
    EXPECT_EQ(Shape(), "46 |");
}

}  // namespace
}  // namespace kavrin::tokenizer
