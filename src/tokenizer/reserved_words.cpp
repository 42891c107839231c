// The reserved words of VELIC: the main list that every KR2..KR6 program sees, and the masked
// list whose words exist only on some modules or only in version 2.5.

#include <array>
#include <string_view>

#include "tokenizer/elements.h"
#include "tokenizer/symbol_table.h"

namespace kavrin::tokenizer {

namespace {

struct Word {
    const char* name;
    std::uint8_t kind;
    std::uint16_t value;
};

// Variables are size code * 256 + address in units of that size.
constexpr std::uint16_t kBitSize = 0, kNibSize = 1, kByteSize = 2, kWordSize = 3;
constexpr std::uint16_t Var(std::uint16_t size, std::uint16_t address) {
    return static_cast<std::uint16_t>(size * 256 + address);
}

// Module bits of the masks (KR1 would be 1) and the version bits.
constexpr unsigned kVersionOtherBit = 64;
constexpr unsigned kVersion25Bit = 128;
constexpr unsigned kMaskKr3Up = 252;      // KR3..KR6, both versions
constexpr unsigned kMaskKr5Up = 240;      // KR5, KR6, both versions
constexpr unsigned kMaskVersion25 = 190;  // KR2..KR6, version 2.5 only

constexpr std::array kFixedWords = {
    Word{"CON", ekCon, 0},
    Word{"DATA", ekData, 0},
    Word{"VAR", ekVar, 0},
    Word{"TO", ekTo, 0},
    Word{"STEP", ekStep, 0},
    Word{"THEN", ekThen, 0},
    Word{"ASC", ekAsc, 0},
    Word{"STR", ekStr, 0},
    Word{"REP", ekRep, 0},
    Word{"SKIP", ekSkip, 0},
    Word{"WAITSTR", ekWaitStr, 0},
    Word{"WAIT", ekWait, 0},
    // instructions
    Word{"BRANCH", ekInstruction, 1},
    Word{"BUTTON", ekInstruction, 2},
    Word{"COUNT", ekInstruction, 4},
    Word{"DEBUG", ekInstruction, 5},
    Word{"DTMFOUT", ekInstruction, 9},
    Word{"END", ekInstruction, 12},
    Word{"FOR", ekInstruction, 17},
    Word{"FREQOUT", ekInstruction, 18},
    Word{"GOSUB", ekInstruction, 20},
    Word{"GOTO", ekInstruction, 21},
    Word{"HIGH", ekInstruction, 22},
    Word{"IF", ekInstruction, 25},
    Word{"INPUT", ekInstruction, 26},
    Word{"LOOKDOWN", ekInstruction, 31},
    Word{"LOOKUP", ekInstruction, 32},
    Word{"LOW", ekInstruction, 34},
    Word{"NAP", ekInstruction, 36},
    Word{"NEXT", ekInstruction, 37},
    Word{"OUTPUT", ekInstruction, 39},
    Word{"PAUSE", ekInstruction, 42},
    Word{"PULSIN", ekInstruction, 48},
    Word{"PULSOUT", ekInstruction, 49},
    Word{"PWM", ekInstruction, 51},
    Word{"SLEEP", ekInstruction, 52},
    Word{"RANDOM", ekInstruction, 53},
    Word{"RCTIME", ekInstruction, 54},
    Word{"READ", ekInstruction, 55},
    Word{"RETURN", ekInstruction, 56},
    Word{"REVERSE", ekInstruction, 57},
    Word{"SERIN", ekInstruction, 60},
    Word{"SEROUT", ekInstruction, 61},
    Word{"SHIFTIN", ekInstruction, 62},
    Word{"SHIFTOUT", ekInstruction, 63},
    Word{"STOP", ekInstruction, 64},
    Word{"TOGGLE", ekInstruction, 66},
    Word{"WRITE", ekInstruction, 67},
    Word{"XOUT", ekInstruction, 68},
    // unary operators
    Word{"SQR", ekUnaryOp, op::kSqr},
    Word{"ABS", ekUnaryOp, op::kAbs},
    Word{"~", ekUnaryOp, op::kInvert},
    Word{"DCD", ekUnaryOp, op::kDcd},
    Word{"NCD", ekUnaryOp, op::kNcd},
    Word{"COS", ekUnaryOp, op::kCos},
    Word{"SIN", ekUnaryOp, op::kSin},
    // binary operators
    Word{"HYP", ekBinaryOp, op::kHyp},
    Word{"ATN", ekBinaryOp, op::kAtn},
    Word{"&", ekBinaryOp, op::kAnd},
    Word{"|", ekBinaryOp, op::kOr},
    Word{"^", ekBinaryOp, op::kXor},
    Word{"MIN", ekBinaryOp, op::kMin},
    Word{"MAX", ekBinaryOp, op::kMax},
    Word{"+", ekBinaryOp, op::kPlus},
    Word{"-", ekBinaryOp, op::kMinus},
    Word{"*/", ekBinaryOp, op::kTimesMiddle},
    Word{"*", ekBinaryOp, op::kTimes},
    Word{"**", ekBinaryOp, op::kTimesHigh},
    Word{"//", ekBinaryOp, op::kModulo},
    Word{"/", ekBinaryOp, op::kDivide},
    Word{"DIG", ekBinaryOp, op::kDig},
    Word{"<<", ekBinaryOp, op::kShiftLeft},
    Word{">>", ekBinaryOp, op::kShiftRight},
    Word{"REV", ekBinaryOp, op::kRev},
    // comparisons
    Word{"=>", ekComparison, op::kGreaterEqual},
    Word{">=", ekComparison, op::kGreaterEqual},
    Word{"<=", ekComparison, op::kLessEqual},
    Word{"=<", ekComparison, op::kLessEqual},
    Word{"=", ekComparison, op::kEqual},
    Word{"<>", ekComparison, op::kNotEqual},
    Word{"><", ekComparison, op::kNotEqual},
    Word{">", ekComparison, op::kGreater},
    Word{"<", ekComparison, op::kLess},
    // logic
    Word{"AND", ekLogicalOp, op::kAnd},
    Word{"OR", ekLogicalOp, op::kOr},
    Word{"XOR", ekLogicalOp, op::kXor},
    Word{"NOT", ekNot, op::kInvert},
    // sizes
    Word{"BIT", ekSize, kBitSize},
    Word{"NIB", ekSize, kNibSize},
    Word{"BYTE", ekSize, kByteSize},
    Word{"WORD", ekSize, kWordSize},
    // modifiers other than BIT0..BIT15 and NIB0..NIB3
    Word{"LOWBIT", ekModifier, 0},
    Word{"HIGHBIT", ekModifier, 128},
    Word{"LOWNIB", ekModifier, 256},
    Word{"HIGHNIB", ekModifier, 384},
    Word{"BYTE0", ekModifier, 512},
    Word{"BYTE1", ekModifier, 513},
    Word{"LOWBYTE", ekModifier, 512},
    Word{"HIGHBYTE", ekModifier, 640},
    Word{"NUM", ekInputFormat, 4358},
    Word{"SNUM", ekInputFormat, 5382},
    // punctuation
    Word{".", ekPeriod, 0},
    Word{"?", ekQuestion, 0},
    Word{"\\", ekBackslash, 0},
    Word{"@", ekAt, 0},
    Word{"(", ekOpenParen, 0},
    Word{")", ekCloseParen, 0},
    Word{"[", ekOpenBracket, 0},
    Word{"]", ekCloseBracket, 0},
    // named constants
    Word{"CLS", ekConstant, 0},
    Word{"HOME", ekConstant, 1},
    Word{"BELL", ekConstant, 7},
    Word{"BKSP", ekConstant, 8},
    Word{"TAB", ekConstant, 9},
    Word{"CR", ekConstant, 13},
    Word{"UNITON", ekConstant, 18},
    Word{"UNITOFF", ekConstant, 26},
    Word{"UNITSOFF", ekConstant, 28},
    Word{"LIGHTSON", ekConstant, 20},
    Word{"DIM", ekConstant, 30},
    Word{"BRIGHT", ekConstant, 22},
    Word{"LSBFIRST", ekConstant, 0},
    Word{"MSBFIRST", ekConstant, 1},
    Word{"MSBPRE", ekConstant, 0},
    Word{"LSBPRE", ekConstant, 1},
    Word{"MSBPOST", ekConstant, 2},
    Word{"LSBPOST", ekConstant, 3},
};

struct MaskedWord {
    Word word;
    unsigned mask;
};

constexpr std::array kMaskedWords = {
    MaskedWord{{"GET", ekInstruction, 19}, kMaskKr3Up},
    MaskedWord{{"PUT", ekInstruction, 50}, kMaskKr3Up},
    MaskedWord{{"RUN", ekInstruction, 58}, kMaskKr3Up},
    MaskedWord{{"LCDIN", ekInstruction, 29}, kMaskKr5Up},
    MaskedWord{{"LCDOUT", ekInstruction, 30}, kMaskKr5Up},
    MaskedWord{{"LCDCMD", ekInstruction, 28}, kMaskKr5Up},
    MaskedWord{{"I2CIN", ekInstruction, 23}, kMaskKr5Up},
    MaskedWord{{"I2COUT", ekInstruction, 24}, kMaskKr5Up},
    MaskedWord{{"POLLIN", ekInstruction, 43}, kMaskKr5Up},
    MaskedWord{{"POLLOUT", ekInstruction, 45}, kMaskKr5Up},
    MaskedWord{{"OWIN", ekInstruction, 40}, kMaskKr5Up},
    MaskedWord{{"OWOUT", ekInstruction, 41}, kMaskKr5Up},
    MaskedWord{{"IOTERM", ekInstruction, 27}, kMaskKr5Up},
    MaskedWord{{"STORE", ekInstruction, 65}, kMaskKr5Up},
    MaskedWord{{"POLLWAIT", ekInstruction, 47}, kMaskKr5Up},
    MaskedWord{{"POLLRUN", ekInstruction, 46}, kMaskKr5Up},
    MaskedWord{{"MAINIO", ekInstruction, 35}, kMaskKr5Up},
    MaskedWord{{"AUXIO", ekInstruction, 0}, kMaskKr5Up},
    MaskedWord{{"POLLMODE", ekInstruction, 44}, kMaskKr5Up},
    MaskedWord{{"SPSTR", ekSpStr, 0}, kMaskKr5Up},
    MaskedWord{{"PIN", ekPin, 0}, kMaskVersion25},
    MaskedWord{{"DO", ekInstruction, 8}, kMaskVersion25},
    MaskedWord{{"EXIT", ekInstruction, 16}, kMaskVersion25},
    MaskedWord{{"LOOP", ekInstruction, 33}, kMaskVersion25},
    MaskedWord{{"ELSE", ekInstruction, 10}, kMaskVersion25},
    MaskedWord{{"ELSEIF", ekInstruction, 11}, kMaskVersion25},
    MaskedWord{{"ENDIF", ekInstruction, 13}, kMaskVersion25},
    MaskedWord{{"SELECT", ekInstruction, 59}, kMaskVersion25},
    MaskedWord{{"CASE", ekInstruction, 3}, kMaskVersion25},
    MaskedWord{{"ENDSELECT", ekInstruction, 14}, kMaskVersion25},
    MaskedWord{{"ON", ekInstruction, 38}, kMaskVersion25},
    MaskedWord{{"DEBUGIN", ekInstruction, 6}, kMaskVersion25},
    MaskedWord{{"UNTIL", ekUntil, 0}, kMaskVersion25},
    MaskedWord{{"WHILE", ekWhile, 0}, kMaskVersion25},
    MaskedWord{{"#DEFINE", ekCondDirective, cdv::kDefine}, kMaskVersion25},
    MaskedWord{{"#ERROR", ekCondDirective, cdv::kError}, kMaskVersion25},
    MaskedWord{{"#IF", ekCondDirective, cdv::kIf}, kMaskVersion25},
    MaskedWord{{"#ELSE", ekCondDirective, cdv::kElse}, kMaskVersion25},
    MaskedWord{{"#ENDIF", ekCondDirective, cdv::kEndif}, kMaskVersion25},
    MaskedWord{{"#SELECT", ekCondDirective, cdv::kSelect}, kMaskVersion25},
    MaskedWord{{"#CASE", ekCondDirective, cdv::kCase}, kMaskVersion25},
    MaskedWord{{"#ENDSELECT", ekCondDirective, cdv::kEndselect}, kMaskVersion25},
    MaskedWord{{"#THEN", ekCondThen, 0}, kMaskVersion25},
    MaskedWord{{"CRSRXY", ekConstant, 2}, kMaskVersion25},
    MaskedWord{{"CRSRLF", ekConstant, 3}, kMaskVersion25},
    MaskedWord{{"CRSRRT", ekConstant, 4}, kMaskVersion25},
    MaskedWord{{"CRSRUP", ekConstant, 5}, kMaskVersion25},
    MaskedWord{{"CRSRDN", ekConstant, 6}, kMaskVersion25},
    MaskedWord{{"LF", ekConstant, 10}, kMaskVersion25},
    MaskedWord{{"CLREOL", ekConstant, 11}, kMaskVersion25},
    MaskedWord{{"CLRDN", ekConstant, 12}, kMaskVersion25},
    MaskedWord{{"CRSRX", ekConstant, 14}, kMaskVersion25},
    MaskedWord{{"CRSRY", ekConstant, 15}, kMaskVersion25},
};

// A stem followed by a number (IN7, BIT15, DEC3). Every run enters these words again, so the
// name is put together by hand rather than by a formatted print.
class NumberedName {
public:
    NumberedName(std::string_view stem, int number) {
        for (char c : stem) text_[length_++] = c;
        char digits[4];
        int n = 0;
        do {
            digits[n++] = static_cast<char>('0' + number % 10);
            number /= 10;
        } while (number > 0 && n < 4);
        while (n > 0) text_[length_++] = digits[--n];
    }
    std::string_view view() const { return {text_.data(), length_}; }

private:
    std::array<char, kMaxNameLength + 4> text_{};
    std::size_t length_ = 0;
};

// Enters prefix0..prefix(count-1) with values base, base+step, ...
void EnterNumbered(SymbolTable& t, std::string_view prefix, int count, std::uint8_t kind, int base,
                   int step = 1) {
    for (int i = 0; i < count; ++i) {
        t.Enter(NumberedName(prefix, i).view(), kind, static_cast<std::uint16_t>(base + i * step));
    }
}

// The 108 predefined variable names.
void EnterVariables(SymbolTable& t) {
    EnterNumbered(t, "IN", 16, ekVariable, Var(kBitSize, 0));
    EnterNumbered(t, "OUT", 16, ekVariable, Var(kBitSize, 16));
    EnterNumbered(t, "DIR", 16, ekVariable, Var(kBitSize, 32));
    const char* const nibbles[] = {"INA",  "INB",  "INC",  "IND",  "OUTA", "OUTB",
                                   "OUTC", "OUTD", "DIRA", "DIRB", "DIRC", "DIRD"};
    for (int i = 0; i < 12; ++i)
        t.Enter(nibbles[i], ekVariable, Var(kNibSize, static_cast<std::uint16_t>(i)));
    const char* const bytes[] = {"INL", "INH", "OUTL", "OUTH", "DIRL", "DIRH"};
    for (int i = 0; i < 6; ++i)
        t.Enter(bytes[i], ekVariable, Var(kByteSize, static_cast<std::uint16_t>(i)));
    EnterNumbered(t, "B", 26, ekVariable, Var(kByteSize, 6));
    const char* const words[] = {"INS", "OUTS", "DIRS"};
    for (int i = 0; i < 3; ++i)
        t.Enter(words[i], ekVariable, Var(kWordSize, static_cast<std::uint16_t>(i)));
    EnterNumbered(t, "W", 13, ekVariable, Var(kWordSize, 3));
}

// Formatter value: 256 + base code + 16 * (16 - digits) + 512 with a written digit count
// + 1,024 signed + 2,048 indicated.
void EnterFormatters(SymbolTable& t) {
    struct Base {
        const char* name;
        int code;
        int defaultDigits;
    };
    constexpr Base kBases[] = {{"DEC", 6, 5}, {"HEX", 0, 4}, {"BIN", 14, 16}};
    constexpr int kSigned = 1024, kIndicated = 2048, kCounted = 512;
    for (const Base& b : kBases) {
        for (int form = 0; form < 4; ++form) {
            const bool indicated = form >= 2;
            const bool isSigned = form % 2 == 1;
            if (indicated && b.code == 6) continue;  // there is no IDEC
            // "I", "S" and the base name: at most five characters.
            std::array<char, 8> stemText{};
            std::size_t n = 0;
            if (indicated) stemText[n++] = 'I';
            if (isSigned) stemText[n++] = 'S';
            for (const char* c = b.name; *c != '\0'; ++c) stemText[n++] = *c;
            const std::string_view stem(stemText.data(), n);
            const int flags = (isSigned ? kSigned : 0) + (indicated ? kIndicated : 0);
            t.Enter(stem, ekFormatter,
                    static_cast<std::uint16_t>(256 + b.code + 16 * (16 - b.defaultDigits) + flags));
            for (int digits = 1; digits <= b.defaultDigits; ++digits) {
                t.Enter(NumberedName(stem, digits).view(), ekFormatter,
                        static_cast<std::uint16_t>(256 + b.code + 16 * (16 - digits) + kCounted +
                                                   flags));
            }
        }
    }
}

}  // namespace

constexpr int kDirectiveSymbolCount = 9;

void EnterDirectiveSymbols(SymbolTable& table) {
    table.Enter("$KORBLE", ekDirectiveWord, kDirKorble);
    table.Enter("$PORT", ekDirectiveWord, kDirPort);
    table.Enter("$VELIC", ekDirectiveWord, kDirVelic);
    const char* const modules[] = {"KR1", "KR2", "KR3", "KR4", "KR5", "KR6"};
    for (int i = 0; i < 6; ++i)
        table.Enter(modules[i], ekModuleName, static_cast<std::uint16_t>(i + 1));
}

void EnterReservedWords(SymbolTable& table, int module, bool version25) {
    EnterVariables(table);
    for (const Word& w : kFixedWords) table.Enter(w.name, w.kind, w.value);
    EnterNumbered(table, "BIT", 16, ekModifier, 0);
    EnterNumbered(table, "NIB", 4, ekModifier, 256);
    EnterFormatters(table);
    const unsigned want = (1u << (module - 1)) | (version25 ? kVersion25Bit : kVersionOtherBit);
    for (const MaskedWord& m : kMaskedWords) {
        if ((m.mask & want) == want) table.Enter(m.word.name, m.word.kind, m.word.value);
    }
}

void ReservedWords::EnterInto(SymbolTable& table, int module, bool version25) {
    if (table.Count() != kDirectiveSymbolCount) {
        EnterReservedWords(table, module, version25);
        return;
    }
    if (module_ == module && version25_ == version25) {
        // The directives have given their symbols values of this run's own.
        std::array<std::uint16_t, kDirectiveSymbolCount> values{};
        for (int i = 0; i < kDirectiveSymbolCount; ++i) {
            values[static_cast<std::size_t>(i)] = table.At(i).Value;
        }
        table.CopyFrom(kept_);
        for (int i = 0; i < kDirectiveSymbolCount; ++i) {
            table.SetValue(i, values[static_cast<std::size_t>(i)]);
        }
        return;
    }
    EnterReservedWords(table, module, version25);
    kept_.CopyFrom(table);
    module_ = module;
    version25_ = version25;
}

}  // namespace kavrin::tokenizer
