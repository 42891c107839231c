// The element lister: cuts SourceText into elements.
//
// Directive mode runs first, on the raw text: it turns every control character but the tab
// into the line-end mark 3 (so the rest of the tokenizer never sees CR, LF or NUL inside the
// text), stores a mark behind the last character, and lists only the editor directives found
// in comments. Full mode then lists the whole program. Every error here spans from the start of
// the element being scanned to the scan position.

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/front_end.h"

namespace kavrin::tokenizer {

namespace {

constexpr char kLineEnd = 3;
constexpr int kMaxNumberDigits = 16;
constexpr unsigned kMaxValue = 0xFFFF;

constexpr bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

// Turns every control character but the tab in text[0..length-1] into the line-end mark. Eight
// characters at a time, as bytes of one 64-bit word: the tests below are exact per byte (no
// carry crosses into the next byte), so each byte is marked on its own value alone.
void MarkLineEnds(unsigned char* text, int length) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHigh = kOnes * 0x80, kLow7 = kOnes * 0x7F;
    int i = 0;
    for (; i + 8 <= length; i += 8) {
        std::uint64_t x;
        std::memcpy(&x, text + i, sizeof x);
        // High bit of a byte: set when it is 32 or above ...
        const std::uint64_t printable = (((x & kLow7) + kOnes * (128 - 32)) | x) & kHigh;
        // ... and when it is not a tab.
        const std::uint64_t y = x ^ (kOnes * '\t');
        const std::uint64_t notTab = (((y & kLow7) + kLow7) | y) & kHigh;
        const std::uint64_t mark = notTab & ~printable;
        if (mark == 0) continue;
        const std::uint64_t bytes = (mark >> 7) * 0xFF;
        x = (x & ~bytes) | (kOnes * static_cast<unsigned char>(kLineEnd) & bytes);
        std::memcpy(text + i, &x, sizeof x);
    }
    for (; i < length; ++i) {
        if (text[i] < 32 && text[i] != '\t') text[i] = kLineEnd;
    }
}

// What a character starts in full mode. A zero (left behind a directive's name) counts as a
// blank.
enum class CharClass : std::uint8_t {
    kBlank,
    kLineMark,
    kComment,
    kColon,
    kComma,
    kQuote,
    kHash,
    kDollar,
    kPercent,
    kDigit,
    kNameStart,
    kOther,
};

constexpr std::array<CharClass, 256> kCharClasses = [] {
    std::array<CharClass, 256> classes{};
    for (int i = 0; i < 256; ++i) {
        const auto c = static_cast<unsigned char>(i);
        CharClass k = CharClass::kOther;
        if (IsBlank(c) || c == 0)
            k = CharClass::kBlank;
        else if (c == kLineEnd)
            k = CharClass::kLineMark;
        else if (c == '\'')
            k = CharClass::kComment;
        else if (c == ':')
            k = CharClass::kColon;
        else if (c == ',')
            k = CharClass::kComma;
        else if (c == '"')
            k = CharClass::kQuote;
        else if (c == '#')
            k = CharClass::kHash;
        else if (c == '$')
            k = CharClass::kDollar;
        else if (c == '%')
            k = CharClass::kPercent;
        else if (IsAsciiDigit(c))
            k = CharClass::kDigit;
        else if (IsNameStart(c))
            k = CharClass::kNameStart;
        classes[static_cast<std::size_t>(i)] = k;
    }
    return classes;
}();

// Characters of an unquoted file name in an editor directive.
bool IsTextChar(unsigned char c) {
    if (c < 33 || c > 126) return false;
    switch (c) {
        case '"':
        case '*':
        case ',':
        case '<':
        case '>':
        case '?':
        case '{':
        case '|':
        case '}':
            return false;
        default:
            return true;
    }
}

class Lister {
public:
    explicit Lister(TokenizerState& s) : s_(s), text_(s.result.SourceText.data()) {}

    void Directives();
    void Full();

private:
    unsigned char At(int i) const { return static_cast<unsigned char>(text_[i]); }
    bool LastIsEnd() const {
        return s_.elementCount > 0 &&
               s_.elements[static_cast<std::size_t>(s_.elementCount - 1)].Kind == ekEnd;
    }
    // The first line end in i..limit-1, or limit when there is none.
    int LineEndFrom(int i, int limit) const {
        if (i >= limit) return i;
        const void* end = std::memchr(text_ + i, kLineEnd, static_cast<std::size_t>(limit - i));
        return end ? static_cast<int>(static_cast<const char*>(end) - text_) : limit;
    }
    [[noreturn]] void Fail(int number, int start, int extra = 0) const {
        RaiseErrorAt(number, start, pos_ - start + extra);
    }
    void Add(std::uint8_t kind, std::uint16_t value, int start, int length) {
        AddElement(s_, kind, value, start, length);
        if (kind != ekEnd) lastWasEnd_ = false;
    }
    void AddLineEnd(int at) {
        if (lastWasEnd_) return;
        Add(ekEnd, kEndOfLine, at, at < s_.result.SourceLength ? 1 : 0);
        lastWasEnd_ = true;
    }

    void DirectiveComment();
    void DirectiveNumber();
    void QuotedText(int start);
    int ReadName(int start);  // returns the length; 106 past 32 characters
    void Name(int start);
    void Number(int start, int base, int digitsFrom);
    void String(int start);
    void Operator(int start);
    void RecordDeclaredName();

    TokenizerState& s_;
    char* text_;
    int pos_ = 0;
    bool lastWasEnd_ = true;
};

// --- directive mode ------------------------------------------------------------------------

void Lister::Directives() {
    const int length = s_.result.SourceLength;
    auto* text = reinterpret_cast<unsigned char*>(text_);
    MarkLineEnds(text, length);
    text[length] = kLineEnd;
    s_.elementCount = 0;
    // Only comments matter here: from one comment mark to the next, then to its line end.
    for (pos_ = 0; pos_ < length;) {
        const void* mark = std::memchr(text + pos_, '\'', static_cast<std::size_t>(length - pos_));
        if (mark == nullptr) break;
        pos_ = static_cast<int>(static_cast<const unsigned char*>(mark) - text);
        if (!LastIsEnd()) AddElement(s_, ekEnd, kEndOfLine, pos_, 1);
        ++pos_;
        DirectiveComment();
        pos_ = LineEndFrom(pos_, length);
    }
}

// A comment that starts, blanks aside, with "{" and "$" holds one directive up to "}".
void Lister::DirectiveComment() {
    while (IsBlank(At(pos_))) ++pos_;
    if (At(pos_) != '{') return;
    ++pos_;
    while (IsBlank(At(pos_))) ++pos_;
    if (At(pos_) != '$') return;

    for (int item = 0; At(pos_) != kLineEnd; ++item) {
        const unsigned char c = At(pos_);
        const int start = pos_;
        if (IsBlank(c)) {
            ++pos_;
            --item;
        } else if (item == 0) {
            ++pos_;
            while (IsNameStart(At(pos_))) ++pos_;
            const TElement e = LookUpName(s_, text_ + start, pos_ - start);
            if (e.Kind != ekDirectiveWord || pos_ - start > kMaxNameLength)
                Fail(err::kExpectedDirective, start);
            Add(e.Kind, e.Value, start, pos_ - start);
        } else if (c == '}') {
            Add(ekDirectiveEnd, 0, start, 1);
            return;
        } else if (c == ',') {
            ++pos_;
            Add(ekComma, 0, start, 1);
        } else if (c == '"') {
            QuotedText(start);
        } else if (item == 1 && IsNameStart(c)) {
            const int length = ReadName(start);
            const TElement e = LookUpName(s_, text_ + start, length);
            Add(e.Kind, e.Value, start, length);
        } else if (item == 1 && IsAsciiDigit(c)) {
            DirectiveNumber();
        } else if (item >= 2 && IsTextChar(c)) {
            while (IsTextChar(At(pos_))) ++pos_;
            Add(ekText, 0, start, pos_ - start);
        } else {
            ++pos_;
            Fail(err::kUnrecognizedCharacter, start);
        }
    }
}

// A version number: decimal, with at most one "." and two implied decimal places.
void Lister::DirectiveNumber() {
    const int start = pos_;
    unsigned value = 0;
    int digits = 0;
    int decimals = -1;  // digits behind the point, -1 while there is none
    for (;; ++pos_) {
        const unsigned char c = At(pos_);
        if (c == '.' && decimals < 0) {
            if (value == 0) Fail(err::kConstantBelowOne, start, 1);
            decimals = 0;
            continue;
        }
        if (!IsAsciiDigit(c)) break;
        if (digits > 0 && value == 0) Fail(err::kConstantBelowOne, start, 1);
        if (++digits > kMaxNumberDigits) Fail(err::kConstantExceeds16Digits, start, 1);
        if (decimals >= 0) ++decimals;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > kMaxValue) Fail(err::kConstantExceeds16Bits, start, 1);
    }
    if (decimals < 0) decimals = 0;
    for (; decimals < 2; ++decimals) {
        value *= 10;
        if (value > kMaxValue) Fail(err::kConstantExceeds16Bits, start);
    }
    for (; decimals > 2; --decimals) value /= 10;
    Add(ekConstant, static_cast<std::uint16_t>(value), start, pos_ - start);
}

// A quoted file name; the element covers the characters between the quotes.
void Lister::QuotedText(int start) {
    ++pos_;
    while (At(pos_) != '"') {
        if (At(pos_) == kLineEnd) Fail(err::kExpectedClosingQuote, start);
        ++pos_;
    }
    if (pos_ == start + 1) Fail(err::kExpectedCharacters, start, 1);
    Add(ekText, 1, start + 1, pos_ - start - 1);
    ++pos_;
}

// --- full mode -----------------------------------------------------------------------------

void Lister::Full() {
    s_.elementCount = 0;
    lastWasEnd_ = true;
    const int length = s_.result.SourceLength;
    const auto* text = reinterpret_cast<const unsigned char*>(text_);
    for (pos_ = 0; pos_ <= length;) {
        const unsigned char c = text[pos_];
        const int start = pos_;
        switch (kCharClasses[c]) {
            case CharClass::kBlank: {
                int p = pos_ + 1;
                while (p <= length && kCharClasses[text[p]] == CharClass::kBlank) ++p;
                pos_ = p;
                break;
            }
            case CharClass::kLineMark:
                AddLineEnd(pos_++);
                break;
            case CharClass::kComment:
                AddLineEnd(pos_);
                pos_ = LineEndFrom(pos_, length);
                break;
            case CharClass::kColon:
                Add(ekEnd, kEndColon, pos_++, 1);
                lastWasEnd_ = true;
                break;
            case CharClass::kComma:
                Add(ekComma, 0, pos_++, 1);
                // In 2.5 a line end behind a comma continues the statement.
                lastWasEnd_ = s_.syntax25;
                break;
            case CharClass::kQuote:
                String(start);
                break;
            case CharClass::kHash: {
                if (!s_.syntax25) {
                    ++pos_;
                    Fail(err::kUnrecognizedCharacter, start);
                }
                const int n = ReadName(start);
                const TElement e = LookUpName(s_, text_ + start, n);
                if (e.Kind == ekUndefined) Fail(err::kExpectedDirective, start);
                Add(e.Kind, e.Value, start, n);
                break;
            }
            case CharClass::kDollar: {
                const int n = ReadName(start);
                const TElement e = s_.syntax25 ? LookUpName(s_, text_ + start, n) : TElement{};
                if (s_.syntax25 && e.Kind != ekUndefined) {
                    Add(e.Kind, e.Value, start, n);
                } else {
                    pos_ = start + 1;
                    Number(start, 16, pos_);
                }
                break;
            }
            case CharClass::kPercent:
                ++pos_;
                Number(start, 2, pos_);
                break;
            case CharClass::kDigit:
                Number(start, 10, pos_);
                break;
            case CharClass::kNameStart:
                Name(start);
                break;
            case CharClass::kOther:
                Operator(start);
                break;
        }
    }
    if (lastWasEnd_ && s_.elementCount > 0 && !LastIsEnd()) {
        const TElement& last = s_.elements[static_cast<std::size_t>(s_.elementCount - 1)];
        Add(ekEnd, kEndOfLine, last.Start + last.Length, 0);
    }
    if (s_.elementCount > 0 && !LastIsEnd()) Add(ekEnd, kEndOfLine, length, 0);
}

int Lister::ReadName(int start) {
    const auto* text = reinterpret_cast<const unsigned char*>(text_);
    int p = start + 1;
    while (IsNameChar(text[p])) {
        ++p;
        if (p - start > kMaxNameLength) {
            pos_ = p;
            Fail(err::kSymbolExceeds32Characters, start);
        }
    }
    pos_ = p;
    return p - start;
}

void Lister::Name(int start) {
    const int n = ReadName(start);
    const TElement e = LookUpName(s_, text_ + start, n);
    Add(e.Kind, e.Value, start, n);
    if (e.Kind == ekUndefined) RememberNotFound(s_, s_.elementCount - 1);
    RecordDeclaredName();
}

// "name CON", "name DATA", "name PIN", "name VAR": the name is declared somewhere, which the
// conditional-compile phase must know before the declarations are compiled.
void Lister::RecordDeclaredName() {
    if (s_.elementCount < 2) return;
    const TElement& word = s_.elements[static_cast<std::size_t>(s_.elementCount - 1)];
    const TElement& name = s_.elements[static_cast<std::size_t>(s_.elementCount - 2)];
    if (word.Kind != ekCon && word.Kind != ekData && word.Kind != ekPin && word.Kind != ekVar)
        return;
    if (name.Kind != ekUndefined) return;
    char upper[kMaxNameLength];
    const int n = name.Length < kMaxNameLength ? name.Length : kMaxNameLength;
    for (int i = 0; i < n; ++i) {
        upper[i] = UpperAscii(text_[name.Start + i]);
    }
    // A full table (128) is reported at this name; nothing has been read yet that could say where.
    s_.result.ErrorPos = name.Start;
    s_.result.ErrorLength = name.Length;
    s_.declared.Enter(std::string_view(upper, static_cast<std::size_t>(n)), ekUndefined, 0);
}

// Decimal, "$" hexadecimal or "%" binary; the element covers the prefix and all digits.
void Lister::Number(int start, int base, int digitsFrom) {
    pos_ = digitsFrom;
    unsigned value = 0;
    int digits = 0;
    for (;; ++pos_) {
        const int d = HexDigitValue(At(pos_));
        if (d < 0 || d >= base) break;
        if (++digits > kMaxNumberDigits) Fail(err::kConstantExceeds16Digits, start, 1);
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(d);
        if (value > kMaxValue) Fail(err::kConstantExceeds16Bits, start, 1);
    }
    if (digits == 0) Fail(base == 16 ? err::kExpectedHexDigit : err::kExpectedBinaryDigit, start);
    Add(ekConstant, static_cast<std::uint16_t>(value), start, pos_ - start);
}

// Each character becomes a constant, with commas between them.
void Lister::String(int start) {
    pos_ = start + 1;
    if (At(pos_) == '"') Fail(err::kExpectedCharacters, start, 1);
    for (bool first = true; At(pos_) != '"'; first = false) {
        if (At(pos_) == kLineEnd || pos_ >= s_.result.SourceLength)
            Fail(err::kExpectedClosingQuote, start);
        if (!first) Add(ekComma, 0, pos_, 0);
        Add(ekConstant, At(pos_), pos_, 1);
        ++pos_;
    }
    ++pos_;
}

// Operators and punctuation: two characters (blanks between them allowed) before one.
void Lister::Operator(int start) {
    const char first = text_[start];
    pos_ = start + 1;
    while (IsBlank(At(pos_))) ++pos_;
    if (At(pos_) != kLineEnd) {
        const char pair[2] = {first, text_[pos_]};
        const TElement e = LookUpName(s_, pair, 2);
        if (e.Kind != ekUndefined) {
            ++pos_;
            Add(e.Kind, e.Value, start, pos_ - start);
            return;
        }
    }
    pos_ = start + 1;
    const TElement e = LookUpName(s_, &first, 1);
    if (e.Kind == ekUndefined) Fail(err::kUnrecognizedCharacter, start);
    Add(e.Kind, e.Value, start, 1);
}

}  // namespace

void ListDirectives(TokenizerState& s) { Lister(s).Directives(); }

void ListElements(TokenizerState& s) { Lister(s).Full(); }

}  // namespace kavrin::tokenizer
