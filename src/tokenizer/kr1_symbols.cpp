// The KR1 tokenizer's messages, keyword table and symbol area (256 hash chains in a byte area).

#include <cstdio>
#include <cstring>

#include "tokenizer/kr1_tokenizer.h"
#include "wire/object_code.h"

namespace kavrin::tokenizer {

namespace {

namespace k1t = wire::kr1_token;

constexpr std::array<const char*, kKr1MessageCount> kMessages = {
    "149-Expected a label, variable, or instruction",
    "233-Incorrect variable after 'NEXT'",
    "150-Expected '='",
    "174-Label is missing ':'",
    "106-Symbol exceeds 32 characters",
    "112-Expected a constant",
    "234-Expected a constant or variable",
    "135-Expected a variable",
    "132-'NEXT' must be preceded by 'FOR'",
    "235-Expected '(', '#' or a variable",
    "148-Expected a label",
    "236-DEBUG buffer full",
    "110-Undefined symbol",
    "237-Limit of 16 GOSUBs was exceeded",
    "238-Expected 'AND', 'OR', or 'THEN'",
    "133-Expected ','",
    "119-Expected '('",
    "239-Expected ',' or ')'",
    "123-Symbol is already defined",
    "240-Illegal text character",
    "241-Symbol name invalid or already defined",
    "127-EEPROM full",
    "242-Limit of 8 nested FOR-NEXT loops was exceeded",
    "124-Data occupies same location as program",
    "150-Expected '='",
    "128-Symbol table full",
    "243-Expected a variable, text, or DEBUG command",
    "103-Unrecognized character",
    "129-Expected ':' or end-of-line",
    "130-Expected ',', end-of-line, or ':'",
    "244-Expected an operator, end-of-line, or ':'",
    "245-Expected an operator",
    "152-Expected 'TO'",
};

struct Keyword {
    const char* name;
    std::uint8_t kind;
    std::uint16_t value;
};

// Two-character operators come before their one-character beginnings; the lexer tries two
// characters first anyway, the order only keeps the table readable.
constexpr Keyword kKeywords[] = {
    {"HIGH", 4, k1t::kHigh},
    {"LOW", 4, k1t::kLow},
    {"INPUT", 4, k1t::kInput},
    {"OUTPUT", 4, k1t::kOutput},
    {"TOGGLE", 4, k1t::kToggle},
    {"REVERSE", 4, k1t::kReverse},
    {"PWM", 4, k1t::kPwm},
    {"POT", 4, k1t::kPot},
    {"PULSOUT", 4, k1t::kPulsout},
    {"PULSIN", 4, k1t::kPulsin},
    {"FOR", 4, k1t::kFor},
    {"READ", 4, k1t::kRead},
    {"WRITE", 4, k1t::kWrite},
    {"LOOKDOWN", 4, k1t::kLookdown},
    {"GOSUB", 4, k1t::kGosub},
    {"PAUSE", 4, k1t::kPause},
    {"RANDOM", 4, k1t::kRandom},
    {"BUTTON", 4, k1t::kButton},
    {"SOUND", 4, k1t::kSound},
    {"SEROUT", 4, k1t::kSerout},
    {"SERIN", 4, k1t::kSerin},
    {"LET", 4, k1t::kLet},
    {"LOOKUP", 4, k1t::kLookup},
    {"NEXT", 4, k1t::kNext},
    {"IF", 4, k1t::kIf},
    {"GOTO", 4, k1t::kGoto},
    {"BRANCH", 4, k1t::kBranch},
    {"RETURN", 4, k1t::kReturn},
    {"NAP", 4, k1t::kNap},
    {"SLEEP", 4, k1t::kSleep},
    {"DEBUG", 4, k1t::kDebug},
    {"END", 4, k1t::kEnd},
    {"REM", 5, 0},
    {"SYMBOL", 6, 0},
    {"EEPROM", 7, 0},
    {"BSAVE", 8, 0},
    {"MIN", 9, 0},
    {"MAX", 10, 0},
    {"AND", 11, 0},
    {"OR", 12, 0},
    {"THEN", 13, 0},
    {"TO", 14, 0},
    {"STEP", 15, 0},
    {"<>", 18, 0},
    {"><", 18, 0},
    {"<=", 19, 0},
    {"=<", 19, 0},
    {"=>", 20, 0},
    {">=", 20, 0},
    {"=-", 21, 0},
    {"**", 22, 0},
    {"//", 23, 0},
    {"&/", 24, 0},
    {"|/", 25, 0},
    {"^/", 26, 0},
    {"=", 27, 0},
    {"+", 28, 0},
    {"-", 29, 0},
    {"*", 30, 0},
    {"/", 31, 0},
    {"<", 32, 0},
    {">", 33, 0},
    {"&", 34, 0},
    {"|", 35, 0},
    {"^", 36, 0},
    {"#", 37, 0},
    {"(", 38, 0},
    {")", 39, 0},
    {",", 40, 0},
    {":", 41, 0},
    {"PINS", 1, 32},
    {"DIRS", 1, 33},
    {"PORT", 1, 48},
    {"T2400", 0, 0},
    {"T1200", 0, 1},
    {"T600", 0, 2},
    {"T300", 0, 3},
    {"N2400", 0, 4},
    {"N1200", 0, 5},
    {"N600", 0, 6},
    {"N300", 0, 7},
    {"OT2400", 0, 8},
    {"OT1200", 0, 9},
    {"OT600", 0, 10},
    {"OT300", 0, 11},
    {"ON2400", 0, 12},
    {"ON1200", 0, 13},
    {"ON600", 0, 14},
    {"ON300", 0, 15},
    {"CLS", 16, 1},
    {"CR", 16, 2},
    {"$", 17, 9217},
    {"%", 17, 9474},
    {"@", 17, 3},
};

// Numbered register families: PIN0..7, DIR0..7, BIT0..15, B0..B13, W0..W6.
struct RegisterFamily {
    const char* prefix;
    int count;
    int first;
    int step;
};
constexpr RegisterFamily kRegisters[] = {
    {"PIN", 8, 0, 1}, {"DIR", 8, 8, 1}, {"BIT", 16, 16, 1}, {"B", 14, 34, 1}, {"W", 7, 50, 2},
};

std::uint16_t Get16(const TKr1Record& r, int at) {
    return static_cast<std::uint16_t>(r.symbols[static_cast<std::size_t>(at)] |
                                      (r.symbols[static_cast<std::size_t>(at) + 1] << 8));
}

void Put16(TKr1Record& r, int at, unsigned v) {
    r.symbols[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(v & 0xFF);
    r.symbols[static_cast<std::size_t>(at) + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

}  // namespace

const char* Kr1Message(int index) { return kMessages[static_cast<std::size_t>(index)]; }

int Kr1Hash(const char* name, int length) {
    unsigned h = 0;
    for (int i = 0; i < length; ++i) h = (h * 31u + static_cast<unsigned char>(name[i])) & 0xFFFFu;
    return static_cast<int>((h ^ (h >> 8)) & 0xFFu);
}

int Kr1Find(const TKr1Record& r, const char* name, int length) {
    for (int at = Get16(r, Kr1Hash(name, length) * 2); at != 0; at = Get16(r, at)) {
        const char* stored = reinterpret_cast<const char*>(r.symbols.data() + at + 2);
        if (std::strncmp(stored, name, static_cast<std::size_t>(length)) == 0 &&
            stored[length] == '\0') {
            return at;
        }
    }
    return 0;
}

bool Kr1Enter(TKr1Record& r, const char* name, int length, std::uint8_t kind, std::uint16_t value) {
    const int size = 2 + length + 1 + 1 + 2;
    if (r.symbolEnd + size > static_cast<int>(kKr1SymbolAreaSize)) return false;
    const int at = r.symbolEnd;
    const int head = Kr1Hash(name, length) * 2;
    Put16(r, at, Get16(r, head));
    Put16(r, head, static_cast<unsigned>(at));
    std::memcpy(r.symbols.data() + at + 2, name, static_cast<std::size_t>(length));
    r.symbols[static_cast<std::size_t>(at + 2 + length)] = 0;
    r.symbols[static_cast<std::size_t>(at + 3 + length)] = kind;
    Put16(r, at + 4 + length, value);
    r.symbolEnd = at + size;
    return true;
}

Kr1Symbol Kr1SymbolAt(const TKr1Record& r, int offset) {
    Kr1Symbol s;
    s.name = reinterpret_cast<const char*>(r.symbols.data() + offset + 2);
    const int length = static_cast<int>(std::strlen(s.name));
    s.kind = r.symbols[static_cast<std::size_t>(offset + 3 + length)];
    s.value = Get16(r, offset + 4 + length);
    s.next = offset + 6 + length;
    return s;
}

void ResetKr1(Kr1Tokenizer& k) {
    TKr1Record& r = k.record;
    r.success = 0;
    r.message = nullptr;
    r.status = 0;
    r.errorPos = 0;
    r.errorLength = 0;
    r.extra.fill(0);
    r.symbols.fill(0);
    r.symbolEnd = kKr1FirstRecord;
    r.debugCount = 0;
    r.debugBuffer.fill(0);
    for (const Keyword& w : kKeywords) {
        Kr1Enter(r, w.name, static_cast<int>(std::strlen(w.name)), w.kind, w.value);
    }
    char name[8];
    for (const RegisterFamily& f : kRegisters) {
        for (int i = 0; i < f.count; ++i) {
            const int length = std::snprintf(name, sizeof name, "%s%d", f.prefix, i);
            Kr1Enter(r, name, length, k1::kVariable,
                     static_cast<std::uint16_t>(f.first + i * f.step));
        }
    }
    k.work.code.fill(0);
    k.work.data.fill(0);
    r.eeprom.fill(0);
    r.use.fill(0);
}

}  // namespace kavrin::tokenizer
