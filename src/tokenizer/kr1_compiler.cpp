// The KR1 tokenizer's lexer, its two passes and the instruction handlers. The field layouts are
// documented in kr1_tokenizer.h. Errors unwind to RunKr1 with the faulty token's span.

#include <cstring>

#include "tokenizer/kr1_tokenizer.h"
#include "wire/object_code.h"

namespace kavrin::tokenizer {

namespace {

// Indexes into the message table: the messages in their stored order, as Kr1Message counts them.
namespace msg {
enum Message : int {
    kExpectedStatement,
    kWrongNextVariable,
    kSymbolEquals,
    kLabelColon,
    kNameTooLong,
    kExpectedConstant,
    kExpectedValue,
    kExpectedVariable,
    kNextWithoutFor,
    kExpectedSerinItem,
    kExpectedLabel,
    kDebugFull,
    kUndefined,
    kTooManyGosubs,
    kExpectedLogic,
    kExpectedComma,
    kExpectedOpen,
    kExpectedCommaClose,
    kLabelDefined,
    kTextCharacter,
    kSymbolInvalid,
    kEepromFull,
    kTooManyFors,
    kDataMeetsCode,
    kExpectedEquals,
    kSymbolsFull,
    kExpectedDebugItem,
    kUnrecognized,
    kExpectedEnd,
    kExpectedCommaEnd,
    kExpectedOperatorEnd,
    kExpectedOperator,
    kExpectedTo,
    kCount
};
static_assert(kCount == kKr1MessageCount);
}  // namespace msg

constexpr char kLineEnd = 3;

// Token kinds beyond the symbol kinds.
constexpr std::uint8_t kEol = 100, kName = 101, kNumber = 102, kText = 103;

constexpr int kVariableBits = 6, kByteBits = 8, kWordBits = 16, kAddressBits = 11, kModeBits = 4,
              kComparisonBits = 3, kOperatorBits = 4, kCharBits = 7, kTokenBits = 5,
              kItemKindBits = 2, kDebugCommandBits = 2, kPinBits = 3;
constexpr int kHighestPin = 7;
constexpr int kHighestMode = 15;
constexpr unsigned kHighestConstant = 0xFFFF;
constexpr unsigned kHighestByte = 0xFF;
constexpr int kWordFirst = 50, kWordLast = 62;
constexpr int kBitFirst = 16, kBitLast = 31, kByteFirst = 34, kByteLast = 47;
namespace k1t = wire::kr1_token;

struct Kr1Failure {};

struct Token {
    std::uint8_t kind = kEol;
    std::uint16_t value = 0;
    int start = 0;
    int length = 0;
};

bool IsComparison(std::uint8_t kind) {
    return kind == k1::kEqual || kind == k1::kNotEqual || kind == k1::kLess ||
           kind == k1::kLessEqual || kind == k1::kGreater || kind == k1::kGreaterEqual;
}

int ComparisonCode(std::uint8_t kind) {
    switch (kind) {
        case k1::kEqual:
            return 0;
        case k1::kNotEqual:
            return 1;
        case k1::kLess:
            return 2;
        case k1::kLessEqual:
            return 3;
        case k1::kGreater:
            return 4;
        default:
            return 5;  // >=
    }
}

// Operator code of a LET operator token, -1 for anything else.
int OperatorCode(std::uint8_t kind) {
    switch (kind) {
        case k1::kPlus:
            return 0;
        case k1::kMinus:
            return 1;
        case k1::kTimes:
            return 2;
        case k1::kDivide:
            return 3;
        case k1::kMultiplyHigh:
            return 4;
        case k1::kModulo:
            return 5;
        case k1::kMin:
            return 6;
        case k1::kMax:
            return 7;
        case k1::kAnd2:
            return 8;
        case k1::kOr2:
            return 9;
        case k1::kXor:
            return 10;
        case k1::kAndNot:
            return 11;
        case k1::kOrNot:
            return 12;
        case k1::kXorNot:
            return 13;
        default:
            return -1;
    }
}

class Compiler {
public:
    explicit Compiler(Kr1Tokenizer& k) : r_(k.record), w_(k.work) {}

    void Run();

private:
    // --- errors and lexer ---
    [[noreturn]] void Fail(int message, int start, int length) {
        r_.message = Kr1Message(message);
        r_.errorPos = start;
        r_.errorLength = length;
        throw Kr1Failure{};
    }
    [[noreturn]] void Fail(int message, const Token& t) { Fail(message, t.start, t.length); }
    unsigned char At(int i) const {
        return i < r_.sourceLength
                   ? static_cast<unsigned char>(r_.source[static_cast<std::size_t>(i)])
                   : static_cast<unsigned char>(kLineEnd);
    }
    Token Next();
    Token Peek() {
        const int saved = w_.pos;
        const Token t = Next();
        w_.pos = saved;
        return t;
    }
    void LexName(Token& t);
    void LexNumber(Token& t, int base, int from);
    bool AtStatementEnd() {
        const Token t = Peek();
        return t.kind == kEol || t.kind == k1::kColon;
    }
    void SkipLine() {
        while (At(w_.pos) != kLineEnd) ++w_.pos;
    }

    // --- code and data ---
    void Field(int bits, unsigned value, const Token& at);
    void Data(int address, std::uint8_t value, const Token& at);

    // --- operands ---
    Token Expect(std::uint8_t kind, int message) {
        const Token t = Next();
        if (t.kind != kind) Fail(message, t);
        return t;
    }
    void Comma() { Expect(k1::kComma, msg::kExpectedComma); }
    int Variable(const Token& t) {
        if (t.kind != k1::kVariable) Fail(msg::kExpectedVariable, t);
        return t.value;
    }
    void WriteVariable() {
        const Token t = Next();
        Field(kVariableBits, static_cast<unsigned>(Variable(t)), t);
    }
    void WriteValue(const Token& t);
    void WriteValue() { WriteValue(Next()); }
    void WritePin();
    void WriteLabel(const Token& t);
    void WriteLabel() { WriteLabel(Next()); }
    void WriteText(const Token& t);
    void WriteMode();
    // A parenthesized list: "(" item {"," item} ")", each item preceded by a 1 bit.
    template <typename Item>
    void List(Item&& item);
    void ListEnd(const Token& at) { Field(1, 0, at); }

    // --- statements ---
    void Pass();
    void Statement(const Token& first);
    void Label(const Token& name);
    void Symbol();
    void Eeprom();
    void Instruction(const Token& t);
    void Assignment();
    void For(const Token& token, int tokenAt);
    void Next_(const Token& token);
    void If();
    void SerOut();
    void SerIn();
    void Debug(const Token& token);
    void Button();

    TKr1Record& r_;
    Kr1Work& w_;
    int statementStart_ = 0;
};

// --- lexer ------------------------------------------------------------------------------------

Token Compiler::Next() {
    Token t;
    while (At(w_.pos) == ' ' || At(w_.pos) == '\t') ++w_.pos;
    t.start = w_.pos;
    const unsigned char c = At(w_.pos);
    if (c == '\'') {
        SkipLine();
        t.start = w_.pos;
    }
    if (At(w_.pos) == kLineEnd) {
        t.kind = kEol;
        t.length = w_.pos < r_.sourceLength ? 1 : 0;
        if (w_.pos < r_.sourceLength) ++w_.pos;
        return t;
    }
    if (IsNameStart(c)) {
        LexName(t);
    } else if (IsAsciiDigit(c)) {
        LexNumber(t, 10, w_.pos);
    } else if (c == '$' && HexDigitValue(At(w_.pos + 1)) >= 0) {
        LexNumber(t, 16, w_.pos + 1);
    } else if (c == '%' && (At(w_.pos + 1) == '0' || At(w_.pos + 1) == '1')) {
        LexNumber(t, 2, w_.pos + 1);
    } else if (c == '"') {
        t.kind = kText;
        ++w_.pos;
        while (At(w_.pos) != '"') {
            const unsigned char ch = At(w_.pos);
            if (ch < ' ' || ch > '~')
                Fail(msg::kTextCharacter, w_.pos, w_.pos < r_.sourceLength ? 1 : 0);
            ++w_.pos;
        }
        ++w_.pos;
        t.length = w_.pos - t.start;
    } else {
        // Operators and punctuation: two characters first.
        for (int length = 2; length >= 1; --length) {
            char op[2] = {static_cast<char>(c), static_cast<char>(At(w_.pos + 1))};
            if (length == 2 && (op[1] == kLineEnd || w_.pos + 1 >= r_.sourceLength)) continue;
            const int at = Kr1Find(r_, op, length);
            if (at == 0) continue;
            const Kr1Symbol s = Kr1SymbolAt(r_, at);
            t.kind = s.kind;
            t.value = s.value;
            t.length = length;
            w_.pos += length;
            return t;
        }
        Fail(msg::kUnrecognized, w_.pos, 1);
    }
    return t;
}

void Compiler::LexName(Token& t) {
    char name[kKr1MaxNameLength];
    int length = 0;
    while (IsNameChar(At(w_.pos))) {
        const unsigned char c = At(w_.pos);
        if (length == kKr1MaxNameLength) {
            while (IsNameChar(At(w_.pos))) ++w_.pos;
            Fail(msg::kNameTooLong, t.start, w_.pos - t.start);
        }
        name[length++] = UpperAscii(static_cast<char>(c));
        ++w_.pos;
    }
    t.length = length;
    const int at = Kr1Find(r_, name, length);
    if (at == 0) {
        t.kind = kName;
        return;
    }
    const Kr1Symbol s = Kr1SymbolAt(r_, at);
    t.kind = s.kind;
    t.value = s.value;
}

void Compiler::LexNumber(Token& t, int base, int from) {
    unsigned value = 0;
    bool tooBig = false;
    for (w_.pos = from;; ++w_.pos) {
        const int digit = HexDigitValue(At(w_.pos));
        if (digit < 0 || digit >= base) break;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > kHighestConstant) {
            tooBig = true;
            value = kHighestConstant;
        }
    }
    t.length = w_.pos - t.start;
    if (tooBig) Fail(msg::kExpectedConstant, t);
    t.kind = kNumber;
    t.value = static_cast<std::uint16_t>(value);
}

// --- code and data ----------------------------------------------------------------------------

void Compiler::Field(int bits, unsigned value, const Token& at) {
    for (int i = bits - 1; i >= 0; --i, ++w_.position) {
        const int byte = w_.position / 8;
        if (byte >= static_cast<int>(kKr1EepromSize)) Fail(msg::kEepromFull, at);
        const auto address = kKr1EepromSize - 1 - static_cast<std::size_t>(byte);
        if (r_.use[address] == kKr1UseData) Fail(msg::kDataMeetsCode, at);
        r_.use[address] = kKr1UseCode;
        if ((value >> i) & 1u) {
            w_.code[static_cast<std::size_t>(byte)] |=
                static_cast<std::uint8_t>(0x80u >> (w_.position % 8));
        }
    }
}

void Compiler::Data(int address, std::uint8_t value, const Token& at) {
    if (address >= static_cast<int>(kKr1EepromSize)) Fail(msg::kEepromFull, at);
    const auto a = static_cast<std::size_t>(address);
    if (r_.use[a] == kKr1UseCode) Fail(msg::kDataMeetsCode, at);
    r_.use[a] = kKr1UseData;
    w_.data[kKr1EepromSize - 1 - a] = value;
    r_.status |= kKr1StatusData;
}

// --- operands ---------------------------------------------------------------------------------

void Compiler::WriteValue(const Token& t) {
    if (t.kind == k1::kVariable) {
        Field(1, 1, t);
        Field(kVariableBits, t.value, t);
    } else if (t.kind == kNumber || t.kind == k1::kConstant) {
        const bool word = t.value > kHighestByte;
        Field(2, word ? 1u : 0u, t);
        Field(word ? kWordBits : kByteBits, t.value, t);
    } else {
        Fail(t.kind == kName ? msg::kUndefined : msg::kExpectedValue, t);
    }
}

void Compiler::WritePin() {
    const Token t = Next();
    if (t.kind == k1::kVariable) {
        WriteValue(t);
    } else if (t.kind == kNumber || t.kind == k1::kConstant) {
        if (t.value > kHighestPin) Fail(msg::kExpectedConstant, t);
        Field(1, 0, t);
        Field(kPinBits, t.value, t);
    } else {
        Fail(t.kind == kName ? msg::kUndefined : msg::kExpectedValue, t);
    }
}

void Compiler::WriteLabel(const Token& t) {
    if (t.kind == k1::kLabel) {
        Field(kAddressBits, t.value, t);
    } else if (t.kind == kName && w_.pass == 1) {
        Field(kAddressBits, 0, t);  // defined further down; the second pass knows it
    } else {
        Fail(t.kind == kName ? msg::kUndefined : msg::kExpectedLabel, t);
    }
}

void Compiler::WriteText(const Token& t) {
    for (int i = t.start + 1; i < t.start + t.length - 1; ++i) Field(kCharBits, At(i), t);
    Field(kCharBits, 0, t);
}

void Compiler::WriteMode() {
    const Token t = Next();
    if (t.kind == k1::kSerialMode ||
        ((t.kind == kNumber || t.kind == k1::kConstant) && t.value <= kHighestMode)) {
        Field(kModeBits, t.value, t);
    } else {
        Fail(msg::kExpectedConstant, t);
    }
}

template <typename Item>
void Compiler::List(Item&& item) {
    Expect(k1::kOpen, msg::kExpectedOpen);
    for (;;) {
        const Token t = Next();
        Field(1, 1, t);
        item(t);
        const Token after = Next();
        if (after.kind == k1::kClose) {
            ListEnd(after);
            return;
        }
        if (after.kind != k1::kComma) Fail(msg::kExpectedCommaClose, after);
    }
}

// --- statements -------------------------------------------------------------------------------

void Compiler::Run() {
    // The header and the code length are code: data may not be placed there.
    w_.position = 0;
    Field(kKr1CodeStart, 0, Token{kEol, 0, 0, 0});
    for (w_.pass = 1; w_.pass <= 2; ++w_.pass) {
        Pass();
        if (w_.pass == 1) {
            w_.codeLength = w_.position;
            const Token end{kEol, 0, r_.sourceLength, 0};
            if (w_.codeLength > kKr1MaxCodeBits) Fail(msg::kEepromFull, end);
            const int bytes = (w_.codeLength + 7) / 8;
            w_.position = kKr1LengthField;
            Field(kAddressBits, static_cast<unsigned>(w_.codeLength), end);
            w_.code[0] = static_cast<std::uint8_t>(static_cast<int>(kKr1EepromSize) - bytes);
        }
    }
    for (std::size_t i = 0; i < kKr1EepromSize; ++i) {
        r_.eeprom[kKr1EepromSize - 1 - i] = static_cast<std::uint8_t>(w_.code[i] | w_.data[i]);
    }
    if (r_.debugCount > 0) r_.status |= kKr1StatusDebug;
    r_.success = 1;
}

void Compiler::Pass() {
    w_.pos = 0;
    w_.position = kKr1CodeStart;
    w_.gosubs = 0;
    w_.loopDepth = 0;
    w_.dataNext = 0;
    w_.debugFill = 0;
    w_.statementCount = 0;
    r_.debugCount = 0;
    for (;;) {
        const Token t = Next();
        if (t.kind == kEol && t.length == 0) break;  // the end of the text
        if (t.kind == kEol || t.kind == k1::kColon) continue;
        statementStart_ = t.start;
        Statement(t);
        const Token end = Next();
        if (end.kind != kEol && end.kind != k1::kColon) Fail(msg::kExpectedEnd, end);
        if (end.kind == kEol && end.length == 0) break;
    }
    Field(kTokenBits, k1t::kEnd, Token{kEol, 0, r_.sourceLength, 0});
}

void Compiler::Statement(const Token& t) {
    switch (t.kind) {
        case k1::kRem:
            SkipLine();
            return;
        case k1::kSymbol:
            Symbol();
            return;
        case k1::kEeprom:
            Eeprom();
            return;
        case k1::kBsave:
            r_.status |= kKr1StatusBsave;
            return;
        case kName:
        case k1::kLabel:
            Label(t);
            return;
        case k1::kInstruction:
            Instruction(t);
            return;
        case k1::kVariable:
            w_.pos = t.start;  // the assignment reads its variable again
            Instruction(Token{k1::kInstruction, k1t::kLet, t.start, 0});
            return;
        default:
            Fail(msg::kExpectedStatement, t);
    }
}

void Compiler::Label(const Token& name) {
    if (w_.pass == 1) {
        if (name.kind == k1::kLabel) Fail(msg::kLabelDefined, name);
        const Token colon = Peek();
        if (colon.kind != k1::kColon) Fail(msg::kLabelColon, colon);
        char text[kKr1MaxNameLength];
        for (int i = 0; i < name.length; ++i) {
            const unsigned char c = At(name.start + i);
            text[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
        }
        if (!Kr1Enter(r_, text, name.length, k1::kLabel, static_cast<std::uint16_t>(w_.position))) {
            Fail(msg::kSymbolsFull, name);
        }
    } else if (name.kind != k1::kLabel || Peek().kind != k1::kColon) {
        Fail(msg::kLabelColon, Peek());
    }
    // The ":" is left to end the statement.
}

void Compiler::Symbol() {
    const Token name = Next();
    if (w_.pass == 1 && name.kind != kName) Fail(msg::kSymbolInvalid, name);
    if (w_.pass == 2 && name.kind != k1::kVariable && name.kind != k1::kConstant) {
        Fail(msg::kSymbolInvalid, name);
    }
    Expect(k1::kEqual, msg::kSymbolEquals);
    const Token value = Next();
    std::uint8_t kind = 0;
    if (value.kind == k1::kVariable) {
        kind = k1::kVariable;
    } else if (value.kind == kNumber || value.kind == k1::kConstant) {
        kind = k1::kConstant;
    } else {
        Fail(value.kind == kName ? msg::kUndefined : msg::kExpectedValue, value);
    }
    if (w_.pass == 2) return;
    char text[kKr1MaxNameLength];
    for (int i = 0; i < name.length; ++i) {
        const unsigned char c = At(name.start + i);
        text[i] = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    if (!Kr1Enter(r_, text, name.length, kind, value.value)) Fail(msg::kSymbolsFull, name);
    if (kind != k1::kVariable) return;
    const int v = value.value;
    unsigned mask = 0;
    if (v >= kBitFirst && v <= kBitLast) mask = 1u << (v - kBitFirst);
    if (v >= kByteFirst && v <= kByteLast) mask = 1u << (16 + v - kByteFirst);
    for (int i = 0; i < 4; ++i) {
        r_.extra[static_cast<std::size_t>(i)] |=
            static_cast<std::uint8_t>((mask >> (8 * i)) & 0xFF);
    }
    if (v >= kWordFirst && v <= kWordLast) {
        r_.extra[4] |= static_cast<std::uint8_t>(1u << ((v - kWordFirst) / 2));
    }
}

void Compiler::Eeprom() {
    Token t = Next();
    if (t.kind != k1::kOpen) {
        if (t.kind != kNumber && t.kind != k1::kConstant) Fail(msg::kExpectedConstant, t);
        if (t.value >= kKr1EepromSize) Fail(msg::kEepromFull, t);
        w_.dataNext = t.value;
        Comma();
        t = Next();
        if (t.kind != k1::kOpen) Fail(msg::kExpectedOpen, t);
    }
    for (;;) {
        t = Next();
        if (t.kind == kText) {
            for (int i = t.start + 1; i < t.start + t.length - 1; ++i)
                Data(w_.dataNext++, At(i), t);
        } else if (t.kind == kNumber || t.kind == k1::kConstant) {
            if (t.value > kHighestByte) Fail(msg::kExpectedConstant, t);
            Data(w_.dataNext++, static_cast<std::uint8_t>(t.value), t);
        } else {
            Fail(msg::kExpectedConstant, t);
        }
        t = Next();
        if (t.kind == k1::kClose) return;
        if (t.kind != k1::kComma) Fail(msg::kExpectedCommaClose, t);
    }
}

void Compiler::Instruction(const Token& t) {
    if (w_.pass == 2 && w_.statementCount < kKr1MaxStatements) {
        w_.statements[static_cast<std::size_t>(w_.statementCount++)] = {statementStart_,
                                                                        w_.position};
    }
    const int tokenAt = w_.position;
    Field(kTokenBits, t.value, t);
    if (t.value == k1t::kFor) {
        For(t, tokenAt);
        return;
    }
    switch (t.value) {
        case k1t::kHigh:
        case k1t::kLow:
        case k1t::kInput:
        case k1t::kOutput:
        case k1t::kToggle:
        case k1t::kReverse:
            WritePin();
            return;
        case k1t::kPwm:
            WritePin();
            Comma();
            WriteValue();
            Comma();
            WriteValue();
            return;
        case k1t::kPot:
        case k1t::kPulsin:
            WritePin();
            Comma();
            WriteValue();
            Comma();
            WriteVariable();
            return;
        case k1t::kPulsout:
            WritePin();
            Comma();
            WriteValue();
            return;
        case k1t::kRead:
            WriteValue();
            Comma();
            WriteVariable();
            return;
        case k1t::kWrite:
            WriteValue();
            Comma();
            WriteValue();
            return;
        case k1t::kLookdown:
        case k1t::kLookup:
            WriteValue();
            Comma();
            List([this](const Token& item) { WriteValue(item); });
            Comma();
            WriteVariable();
            return;
        case k1t::kGosub:
            if (++w_.gosubs > kKr1MaxGosubs) Fail(msg::kTooManyGosubs, t);
            WriteLabel();
            return;
        case k1t::kPause:
        case k1t::kNap:
        case k1t::kSleep:
            WriteValue();
            return;
        case k1t::kRandom: {
            const Token v = Next();
            if (Variable(v) < kWordFirst) Fail(msg::kExpectedVariable, v);
            Field(kVariableBits, v.value, v);
            return;
        }
        case k1t::kButton:
            Button();
            return;
        case k1t::kSound:
            WritePin();
            Comma();
            List([this](const Token& note) {
                WriteValue(note);
                Comma();
                WriteValue();
            });
            return;
        case k1t::kSerout:
            SerOut();
            return;
        case k1t::kSerin:
            SerIn();
            return;
        case k1t::kLet:
            Assignment();
            return;
        case k1t::kNext:
            Next_(t);
            return;
        case k1t::kIf:
            If();
            return;
        case k1t::kGoto:
            WriteLabel();
            return;
        case k1t::kBranch:
            WriteValue();
            Comma();
            List([this](const Token& label) { WriteLabel(label); });
            return;
        case k1t::kDebug:
            Debug(t);
            return;
        default:
            return;  // RETURN, END: the token alone
    }
}

void Compiler::Assignment() {
    WriteVariable();
    const Token eq = Next();
    bool negate = eq.kind == k1::kAssignNegative;
    if (eq.kind != k1::kEqual && !negate) Fail(msg::kExpectedEquals, eq);
    if (!negate && Peek().kind == k1::kMinus) {
        Next();
        negate = true;
    }
    const Token first = Next();
    if (negate) {  // 0 - operand
        WriteValue(Token{kNumber, 0, first.start, first.length});
        Field(1, 1, first);
        Field(kOperatorBits, static_cast<unsigned>(OperatorCode(k1::kMinus)), first);
    }
    WriteValue(first);
    for (;;) {
        const Token op = Peek();
        if (op.kind == kEol || op.kind == k1::kColon) break;
        const int code = OperatorCode(op.kind);
        if (code < 0) Fail(msg::kExpectedOperatorEnd, op);
        Next();
        Field(1, 1, op);
        Field(kOperatorBits, static_cast<unsigned>(code), op);
        WriteValue();
    }
    ListEnd(first);
}

void Compiler::For(const Token& token, int tokenAt) {
    if (w_.loopDepth == kKr1MaxForNesting) Fail(msg::kTooManyFors, token);
    const Token v = Next();
    Field(kVariableBits, static_cast<unsigned>(Variable(v)), v);
    w_.loops[static_cast<std::size_t>(w_.loopDepth++)] = {static_cast<std::uint8_t>(v.value),
                                                          tokenAt};
    Expect(k1::kEqual, msg::kExpectedEquals);
    WriteValue();
    Expect(k1::kTo, msg::kExpectedTo);
    WriteValue();
    const Token step = Peek();
    if (step.kind != k1::kStep) {
        Field(1, 0, step);
        return;
    }
    Next();
    Field(1, 1, step);
    const bool down = Peek().kind == k1::kMinus;
    if (down) Next();
    Field(1, down ? 1u : 0u, step);
    WriteValue();
}

void Compiler::Next_(const Token& token) {
    if (w_.loopDepth == 0) Fail(msg::kNextWithoutFor, token);
    const Kr1ForLoop& loop = w_.loops[static_cast<std::size_t>(--w_.loopDepth)];
    const Token v = Peek();
    if (v.kind == k1::kVariable) {
        Next();
        if (v.value != loop.variable) Fail(msg::kWrongNextVariable, v);
    }
    Field(kAddressBits, static_cast<unsigned>(loop.address), token);
}

void Compiler::If() {
    for (;;) {
        const Token v = Next();
        Field(kVariableBits, static_cast<unsigned>(Variable(v)), v);
        const Token cmp = Next();
        if (!IsComparison(cmp.kind)) Fail(msg::kExpectedOperator, cmp);
        Field(kComparisonBits, static_cast<unsigned>(ComparisonCode(cmp.kind)), cmp);
        WriteValue();
        const Token logic = Next();
        if (logic.kind == k1::kThen) {
            ListEnd(logic);
            WriteLabel();
            return;
        }
        if (logic.kind != k1::kAnd && logic.kind != k1::kOr) Fail(msg::kExpectedLogic, logic);
        Field(1, 1, logic);
        Field(1, logic.kind == k1::kOr ? 1u : 0u, logic);
    }
}

void Compiler::SerOut() {
    r_.status |= kKr1StatusSerial;
    WritePin();
    Comma();
    WriteMode();
    Comma();
    List([this](const Token& item) {
        if (item.kind == kText) {
            Field(kItemKindBits, 2, item);
            WriteText(item);
        } else if (item.kind == k1::kHash) {
            Field(kItemKindBits, 1, item);
            WriteValue();
        } else {
            Field(kItemKindBits, 0, item);
            WriteValue(item);
        }
    });
}

void Compiler::SerIn() {
    r_.status |= kKr1StatusSerial;
    WritePin();
    Comma();
    WriteMode();
    Comma();
    Token t = Peek();
    if (t.kind == k1::kOpen) {
        List([this](const Token& q) { WriteValue(q); });
        Comma();
    } else {
        Field(1, 0, t);  // no qualifiers
    }
    for (;;) {
        t = Next();
        const bool digits = t.kind == k1::kHash;
        if (digits)
            t = Next();
        else if (t.kind != k1::kVariable)
            Fail(msg::kExpectedSerinItem, t);
        Field(1, 1, t);
        Field(1, digits ? 1u : 0u, t);
        Field(kVariableBits, static_cast<unsigned>(Variable(t)), t);
        const Token after = Peek();
        if (after.kind == kEol || after.kind == k1::kColon) break;
        if (after.kind != k1::kComma) Fail(msg::kExpectedCommaEnd, after);
        Next();
    }
    ListEnd(t);
}

void Compiler::Debug(const Token& token) {
    // The debug buffer entry: the token's stream position and the statement's text.
    const int tokenAt = w_.position - kTokenBits;
    ++r_.debugCount;
    int end = token.start;
    while (At(end) != kLineEnd) ++end;
    const int room = static_cast<int>(kKr1DebugBufferSize) - w_.debugFill;
    if (room < 2 + (end - token.start) + 1) Fail(msg::kDebugFull, token);
    auto put = [this](char c) { r_.debugBuffer[static_cast<std::size_t>(w_.debugFill++)] = c; };
    put(static_cast<char>(tokenAt & 0xFF));
    put(static_cast<char>((tokenAt >> 8) & 0xFF));
    const int textFrom = w_.debugFill;
    for (;;) {
        const Token item = Next();
        if (item.kind == kText) {
            Field(1, 1, item);
            Field(kItemKindBits, 2, item);
            WriteText(item);
        } else if (item.kind == k1::kHash) {
            Field(1, 1, item);
            Field(kItemKindBits, 1, item);
            WriteVariable();
        } else if (item.kind == k1::kVariable) {
            Field(1, 1, item);
            Field(kItemKindBits, 0, item);
            Field(kVariableBits, item.value, item);
        } else if (item.kind == k1::kDebugCommand) {
            Field(1, 1, item);
            Field(kItemKindBits, 3, item);
            Field(kDebugCommandBits, item.value, item);
        } else {
            Fail(msg::kExpectedDebugItem, item);
        }
        const Token after = Peek();
        if (after.kind == kEol || after.kind == k1::kColon) {
            ListEnd(after);
            break;
        }
        if (after.kind != k1::kComma) Fail(msg::kExpectedCommaEnd, after);
        Next();
    }
    // The statement's own text, up to where it ended.
    for (int i = token.start; i < w_.pos; ++i) put(static_cast<char>(At(i)));
    while (w_.debugFill > textFrom &&
           r_.debugBuffer[static_cast<std::size_t>(w_.debugFill - 1)] == ' ') {
        --w_.debugFill;
    }
    put('\0');
}

void Compiler::Button() {
    WritePin();
    Comma();
    WriteValue();
    Comma();  // downstate
    WriteValue();
    Comma();  // delay
    WriteValue();
    Comma();  // rate
    WriteVariable();
    Comma();  // workspace
    WriteValue();
    Comma();  // targetstate
    WriteLabel();
}

}  // namespace

std::uint8_t RunKr1(Kr1Tokenizer& k) {
    ResetKr1(k);
    try {
        Compiler(k).Run();
    } catch (const Kr1Failure&) {
        k.record.success = 0;
    }
    return k.record.success;
}

}  // namespace kavrin::tokenizer
