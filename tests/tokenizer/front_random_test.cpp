// Robustness without a fuzzer: a few thousand deterministic random texts, raw bytes and token
// soup, each of which must end in success or a numbered error inside the text, and give the
// same answer when run again.

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstring>
#include <random>
#include <string>

#include "test_tokenizer.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {
namespace {

constexpr int kRawInputs = 3000;
constexpr int kSoupInputs = 6000;

constexpr std::array kHeaders = {
    "",
    "' {$KORBLE KR2}\n",
    "' {$KORBLE KR2}\n' {$VELIC 2.5}\n",
    "' {$KORBLE KR5, a, b}\n' {$VELIC 2.5}\n",
    "' {$KORBLE KR3}\n' {$PORT COM7}\n",
    "' {$KORBLE KR1}\n",
    "' {$VELIC 2.5}\n",
};

constexpr std::array kWords = {
    "#DEFINE", "#IF",       "#THEN", "#ELSE",  "#ENDIF", "#SELECT",  "#CASE",    "#ENDSELECT",
    "#ERROR",  "IF",        "THEN",  "ELSE",   "ENDIF",  "ELSEIF",   "FOR",      "TO",
    "STEP",    "NEXT",      "DO",    "LOOP",   "WHILE",  "UNTIL",    "EXIT",     "SELECT",
    "CASE",    "ENDSELECT", "GOSUB", "GOTO",   "RETURN", "ON",       "END",      "HIGH",
    "LOW",     "PAUSE",     "DEBUG", "SEROUT", "SERIN",  "LOOKUP",   "LOOKDOWN", "BRANCH",
    "READ",    "WRITE",     "DATA",  "CON",    "VAR",    "PIN",      "WORD",     "BYTE",
    "NIB",     "BIT",       "W0",    "B3",     "IN4",    "HIGHBYTE", "BIT9",     "AND",
    "OR",      "NOT",       "XOR",   "DEC",    "STR",    "REP",      "WAIT",     "$KORBLE",
    "$PORT",   "KR2",       "X",     "Y",      "Label",  "0",        "1",        "7",
    "255",     "65535",     "$FF",   "%101",   "\"ab\"", "\"Q\"",    "+",        "-",
    "*",       "/",         "//",    "*/",     "<<",     "=",        "<>",       "<",
    ">=",      "(",         ")",     "[",      "]",      ",",        ":",        ".",
    "?",       "\\",        "@",     "~",      "SQR",    "ATN",      "HYP",      "\n",
    "\n",      "\n",        "'c\n",  "{",      "\"",
};

// The engine's numbers are fixed by the standard (the distributions are not), so the same
// texts come out everywhere.
struct Random {
    explicit Random(unsigned seed) : engine(seed) {}
    unsigned operator()() { return static_cast<unsigned>(engine()); }
    std::mt19937 engine;
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string Describe(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (std::isprint(c)) {
            out += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", c);
            out += hex;
        }
    }
    return out;
}

struct Outcome {
    int ok;
    std::string message;
    int pos;
    int length;
    int blocks;
    bool operator==(const Outcome&) const = default;
};

Outcome RunOnce(const std::string& text, unsigned flags) {
    EXPECT_TRUE(LoadSource(text));
    TTokenizerResult& r = TokenizerResult();
    if (flags & 8) r.ModuleKind = static_cast<std::uint8_t>((flags >> 4) % 8);
    const int ok = Tokenize({.directivesOnly = (flags & 1) != 0,
                             .useModuleDirective = (flags & 2) == 0,
                             .anyVersion = ((flags >> 2) & 1) != 0});
    return {ok, r.ErrorMessage ? r.ErrorMessage : "", r.ErrorPos, r.ErrorLength, r.BlockCount};
}

void Check(const std::string& text, unsigned flags) {
    const Outcome first = RunOnce(text, flags);
    const TTokenizerResult& r = TokenizerResult();
    ASSERT_EQ(first.ok, r.Success);
    if (!first.ok) {
        ASSERT_GE(first.message.size(), 4u) << Describe(text);
        ASSERT_TRUE(IsDigit(first.message[0]) && IsDigit(first.message[1]) &&
                    IsDigit(first.message[2]) && first.message[3] == '-')
            << first.message << " for " << Describe(text);
        ASSERT_GE(first.pos, 0) << Describe(text);
        ASSERT_GE(first.length, 0) << Describe(text);
        ASSERT_LE(first.pos + first.length, static_cast<int>(text.size()))
            << first.message << " for " << Describe(text);
    }
    ASSERT_EQ(RunOnce(text, flags), first) << "not repeatable: " << Describe(text);
}

TEST(TokenizerRobustness, RandomBytes) {
    Random random(20261207);
    for (int i = 0; i < kRawInputs; ++i) {
        const unsigned flags = random() & 0xFF;
        std::string text(random() % 300, '\0');
        for (char& c : text) {
            // Mostly printable, so that the lister gets past the first character now and then.
            const unsigned roll = random() % 16;
            c = static_cast<char>(roll < 12 ? 32 + random() % 95 : random() % 256);
        }
        ASSERT_NO_FATAL_FAILURE(Check(text, flags));
    }
}

TEST(TokenizerRobustness, TokenSoup) {
    Random random(4);
    for (int i = 0; i < kSoupInputs; ++i) {
        const unsigned flags = random() & 0xFE;  // full runs, so every phase is reached
        std::string text = kHeaders[random() % kHeaders.size()];
        const unsigned words = random() % 60;
        for (unsigned w = 0; w < words; ++w) {
            text += kWords[random() % kWords.size()];
            text += (random() % 4 == 0) ? "" : " ";
        }
        ASSERT_NO_FATAL_FAILURE(Check(text, flags));
    }
}

TEST(TokenizerRobustness, LongestTextAndDeepNesting) {
    ASSERT_NO_FATAL_FAILURE(Check(std::string(kMaxSourceLength, 'A'), 0));
    ASSERT_NO_FATAL_FAILURE(Check(std::string(kMaxSourceLength, '\n'), 0));
    std::string parens = "' {$KORBLE KR2}\n' {$VELIC 2.5}\n#IF ";
    parens += std::string(300, '(');
    ASSERT_NO_FATAL_FAILURE(Check(parens + "1" + std::string(300, ')') + " #THEN\n#ENDIF\n", 0));
    std::string ifs = "' {$KORBLE KR2}\n' {$VELIC 2.5}\n";
    for (int i = 0; i < 80; ++i) ifs += "#IF 1 #THEN\n#SELECT 1\n#CASE 1\n";
    ASSERT_NO_FATAL_FAILURE(Check(ifs, 0));
    std::string error = "' {$KORBLE KR2}\n' {$VELIC 2.5}\n#ERROR \"";
    error += std::string(3000, 'x') + "\"\n";
    ASSERT_NO_FATAL_FAILURE(Check(error, 0));
    EXPECT_EQ(std::strlen(TokenizerResult().ErrorMessage), kMessageAreaSize - 1);
}

}  // namespace
}  // namespace kavrin::tokenizer
