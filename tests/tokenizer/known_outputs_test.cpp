// Programs whose outcome depends on the order in which the phases find things: names used
// before their declarations, long runs of declarations, names alike, a full symbol table,
// declarations inside conditional branches, directive lines between statements. Each outcome
// (the error with its span, or the blocks, code length and a digest of the image and use
// bytes) is what the tokenizer gave before its reader, lister and tables were made faster; a
// change of any of them changes what the user gets.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {
namespace {

struct Known {
    const char* name;
    int error;  // 0: the run succeeds
    int errorPos;
    int errorLength;
    int blocks;
    int codeBits;
    std::uint64_t digest;  // of EepromImage, then EepromUse
};

constexpr Known kKnown[] = {
    {"forward_chain", 110, 21, 1, 0, 0, 0},
    {"resolved_in_second_pass", 0, 0, 0, 1, 39, 0x37bbbb8784cc0bcbu},
    {"declarations_among_statements", 0, 0, 0, 4, 352, 0xd0b6a810f91b15dfu},
    {"names_of_one_letter_sum", 0, 0, 0, 1, 107, 0x108957d1d47811feu},
    {"long_run_then_undefined", 110, 6312, 4, 0, 0, 0},
    {"symbol_table_full", 128, 5936, 4, 0, 0, 0},
    {"select_with_declarations", 0, 0, 0, 2, 81, 0x4094988ce44408cbu},
    {"directive_lines_between_statements", 0, 0, 0, 1, 75, 0xed139229a6c69180u},
    {"data_over_code", 124, 32, 5, 0, 0, 0},
};

std::string Lines(int n, const std::function<std::string(int)>& line) {
    std::string out;
    for (int i = 0; i < n; ++i) out += line(i);
    return out;
}

std::string Source(const std::string& name) {
    const std::string kr2 = "'{$KORBLE KR2}\n";
    if (name == "forward_chain") return kr2 + "A CON B + 1\nB CON C * 2\nC CON 5\nPAUSE A\n";
    if (name == "resolved_in_second_pass") {
        return kr2 + "A CON B + 1\nC CON 5\nB CON C * 2\nPAUSE A\n";
    }
    if (name == "declarations_among_statements") {
        return kr2 +
               "'{$VELIC 2.5}\n#DEFINE Many = 3\nLed PIN 5 : Times CON 3 : HIGH Led\n"
               "Table DATA @10, 1, 2, Times : Flag VAR Bit\nOther DATA WORD Table\n"
               "#IF Many > 2 #THEN\n  Extra CON 4\n#ELSE\n  Extra CON 5\n#ENDIF\n"
               "FOR B0 = 1 TO Extra : TOGGLE Led : NEXT\nREAD Table + 1, B1\n"
               "Flag = B1 // 2\nAlias VAR Flag\nIF Alias THEN Done\nGOSUB Sub\n"
               "Done: END\nSub: RETURN\n";
    }
    if (name == "names_of_one_letter_sum") {
        // The same letters in 300 orders, each the same sum of character codes.
        std::string letters = "EQRTWY";
        std::vector<std::string> alike;
        do {
            alike.push_back(letters);
        } while (alike.size() < 300 && std::next_permutation(letters.begin(), letters.end()));
        const auto line = [&](int i) {
            return alike[static_cast<std::size_t>(i)] + " CON " + std::to_string(i) + "\n";
        };
        return kr2 + "AB CON 1\nBA CON 2\n" + Lines(300, line) + "PAUSE AB * 10 + BA + " +
               alike.front() + " + " + alike.back() + "\n";
    }
    if (name == "long_run_then_undefined") {
        const auto line = [](int i) {
            return "C" + std::to_string(i + 1) + " CON " + std::to_string(i + 1) + "\n";
        };
        return kr2 + Lines(500, line) + "PAUSE C500 + Nope\n";
    }
    if (name == "symbol_table_full") {
        const auto line = [](int i) {
            const std::string n = std::to_string(i);
            return "L" + n + ": C" + n + " CON " + n + "\n";
        };
        return kr2 + Lines(331, line) + "END\n";
    }
    if (name == "select_with_declarations") {
        return "'{$KORBLE KR5}\n'{$VELIC 2.5}\n#DEFINE Mode = 3\n#SELECT Mode\n#CASE 1, 2\n"
               "  Speed CON 10\n  #IF Mode = 1 #THEN\n    #ERROR \"never\"\n  #ENDIF\n"
               "#CASE 3 TO 5\n  Speed CON 20\n  Table DATA \"ab\", 0\n#CASE #ELSE\n"
               "  Speed CON 30\n#ENDSELECT\nPAUSE Speed\nREAD Table, B2\n";
    }
    if (name == "directive_lines_between_statements") {
        return kr2 +
               "HIGH 1\n'{$VELIC 2.5}\n#DEFINE X = 2\nLOW 1\n#DEFINE Y\n\n"
               "#IF Y AND X = 2 #THEN : PAUSE 5 : #ENDIF\nEND\n";
    }
    if (name == "data_over_code") {
        return kr2 + "Fill DATA @2000, 1(48)\nHIGH 1\nLOW 1\n" +
               Lines(40, [](int) { return std::string("PAUSE 1000\n"); }) + "END\n";
    }
    return {};
}

std::uint64_t Digest(const TTokenizerResult& r) {
    std::uint64_t h = 1469598103934665603u;
    for (std::uint8_t b : r.EepromImage) h = (h ^ b) * 1099511628211u;
    for (std::uint8_t b : r.EepromUse) h = (h ^ b) * 1099511628211u;
    return h;
}

TEST(KnownOutputs, EveryProgramGivesWhatItAlwaysGave) {
    TTokenizer tokenizer;  // one for all, as a caller that compiles again and again has
    for (int round = 0; round < 2; ++round) {
        for (const Known& known : kKnown) {
            const std::string source = Source(known.name);
            ASSERT_FALSE(source.empty()) << known.name;
            ASSERT_TRUE(tokenizer.LoadSource(source));
            const bool ok = tokenizer.Tokenize() == 1;
            const TTokenizerResult& r = tokenizer.Result();
            if (known.error != 0) {
                ASSERT_FALSE(ok) << known.name;
                EXPECT_EQ(std::atoi(r.ErrorMessage), known.error) << known.name;
                EXPECT_EQ(r.ErrorPos, known.errorPos) << known.name;
                EXPECT_EQ(r.ErrorLength, known.errorLength) << known.name;
            } else {
                ASSERT_TRUE(ok) << known.name << ": " << r.ErrorMessage;
                EXPECT_EQ(r.BlockCount, known.blocks) << known.name;
                EXPECT_EQ(r.CodeBits, known.codeBits) << known.name;
                EXPECT_EQ(Digest(r), known.digest) << known.name;
            }
        }
    }
}

}  // namespace
}  // namespace kavrin::tokenizer
