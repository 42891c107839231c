// The robot-side programs keep to the small part of VELIC that Kavrin promises to compile for
// them: every reserved word and operator they use must be one of that set. A word outside it
// compiles today but ties the programs to more of the tokenizer than they are meant to need.

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "resources/resources.h"
#include "tokenizer/elements.h"
#include "tokenizer/symbol_table.h"

namespace kavrin {
namespace {

constexpr int kModuleKr2 = 2;

// Reserved words and operators of the motion program; the test program may use these and the
// serial additions.
const std::set<std::string> kMotionWords = {
    "CON",  "VAR",   "DATA",   "WORD",  "BYTE",   "NIB", "BIT",     "READ",    "LOOKDOWN", "LOOKUP",
    "ON",   "GOTO",  "BRANCH", "GOSUB", "RETURN", "IF",  "THEN",    "ELSEIF",  "ELSE",     "ENDIF",
    "DO",   "LOOP",  "WHILE",  "MAX",   "AND",    "NOT", "PAUSE",   "PULSOUT", "FREQOUT",  "NAP",
    "STOP", "DEBUG", "DEC",    "DEC3",  "BIN4",   "CR",  "#DEFINE", "#IF",     "#THEN",    "#ENDIF",
    "BIT0", "BIT1",  "BIT2",   "BIT3",  "~",      "&",   "|",       "<<",      ">>",       "+",
    "-",    "*",     "/",      "=",     "<>",     "<",   ">",       "<=",      ">="};
const std::set<std::string> kSerialWords = {"SERIN", "SEROUT", "LOWBYTE", "HIGHBYTE", "^"};

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '#';
}

bool IsOperatorChar(char c) { return std::string_view("~&|^<>=+-*/").find(c) != std::string::npos; }

// Upper-cased reserved words and operators of a program, outside comments and strings.
// Predefined pin and register names (IN0 and so on) and bit modifiers are names, not features.
std::set<std::string> FeaturesUsed(std::string_view source) {
    static const tokenizer::SymbolTable reserved = [] {
        tokenizer::SymbolTable table;
        table.Clear();
        tokenizer::EnterReservedWords(table, kModuleKr2, true);
        return table;
    }();
    std::set<std::string> used;
    for (std::size_t i = 0; i < source.size();) {
        const char c = source[i];
        if (c == '\'') {
            i = source.find('\n', i);  // a comment runs to the line end
        } else if (c == '"') {
            i = source.find('"', i + 1);
            i = i == std::string_view::npos ? i : i + 1;
        } else if (IsWordChar(c) || IsOperatorChar(c)) {
            const bool isOperator = !IsWordChar(c);
            const auto sameKind = isOperator ? IsOperatorChar : IsWordChar;
            std::string token;
            while (i < source.size() && sameKind(source[i])) {
                token += static_cast<char>(std::toupper(static_cast<unsigned char>(source[i++])));
            }
            const int at = reserved.Find(token);
            if (isOperator || (at >= 0 && reserved.At(at).Kind != tokenizer::ekVariable)) {
                used.insert(token);
            }
        } else {
            ++i;
        }
    }
    return used;
}

std::string Resource(int id) {
    const auto bytes = resources::find(resources::kDataType, id);
    return {bytes.begin(), bytes.end()};
}

TEST(TemplateLanguage, ProgramsUseOnlyThePromisedFeatures) {
    // The scan itself must see through comments and strings, or it would prove nothing.
    EXPECT_EQ(FeaturesUsed("' OR\r\nX VAR Byte\r\nIF \"OR\" = X OR IN3 THEN L ' XOR\r\nL:"),
              (std::set<std::string>{"VAR", "BYTE", "IF", "=", "OR", "THEN"}));

    for (const std::string& f : FeaturesUsed(Resource(resources::kMotionTemplateId))) {
        EXPECT_TRUE(kMotionWords.contains(f)) << "motion program uses " << f;
    }
    for (const std::string& f : FeaturesUsed(Resource(resources::kTestProgramId))) {
        EXPECT_TRUE(kMotionWords.contains(f) || kSerialWords.contains(f))
            << "test program uses " << f;
    }
}

}  // namespace
}  // namespace kavrin
