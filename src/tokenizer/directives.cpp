// Editor directives: $KORBLE (module and project files), $PORT (serial port) and $VELIC
// (language version), read in that order from the elements of the directive scan. Names and
// numbers they accept are zero-terminated in place, and the result record points into
// SourceText.

#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/front_end.h"

namespace kavrin::tokenizer {

namespace {

constexpr std::uint8_t kModuleKr2 = 2, kModuleKr6 = 6;
constexpr std::int32_t kVersion10 = 100, kVersion20 = 200, kVersion25 = 250;
constexpr std::uint16_t kNoPort = 0xFFFF;
constexpr int kPortDigitsTaken = 3;  // the $PORT symbol holds up to three digits

// Moves the reader to the next directive word of the given value; false when there is none.
bool FindDirective(TokenizerState& s, std::uint16_t which, int& at) {
    TElement e;
    while (ReadElement(s, e)) {
        if (e.Kind == ekDirectiveWord && e.Value == which) {
            at = s.lastRead;
            return true;
        }
    }
    return false;
}

// The element reached must be "}" (201); then the whole directive vanishes.
void CloseDirective(TokenizerState& s, int first) {
    TElement e;
    ReadElement(s, e);
    if (e.Kind != ekDirectiveEnd) RaiseError(err::kExpectedCloseBrace);
    CancelElements(s, first, s.lastRead);
}

void ZeroTerminate(TokenizerState& s, int offset) {
    if (offset >= 0 && offset < static_cast<int>(kSourceBufferSize)) {
        s.result.SourceText[static_cast<std::size_t>(offset)] = '\0';
    }
}

// The end of a file name: behind the closing quote's position for a quoted text, else behind
// the last text character (a name may be longer than an element's length byte).
int TextEnd(const TokenizerState& s, const TElement& e) {
    const char* text = s.result.SourceText.data();
    int i = e.Start;
    const int limit = s.result.SourceLength;
    if (e.Value == 1) {
        while (i < limit && text[i] != '"') ++i;
    } else {
        while (i < limit) {
            const auto c = static_cast<unsigned char>(text[i]);
            if (c < 33 || c > 126 || c == '"' || c == '*' || c == ',' || c == '<' || c == '>' ||
                c == '?' || c == '{' || c == '|' || c == '}') {
                break;
            }
            ++i;
        }
    }
    return i;
}

void ReadKorble(TokenizerState& s, bool useModuleDirective) {
    TTokenizerResult& r = s.result;
    s.readIndex = 0;
    int first = 0;
    if (!FindDirective(s, kDirKorble, first)) return;
    if (!useModuleDirective) {
        // The caller chose the module; the first directive is dropped unread.
        TElement e;
        while (ReadElement(s, e) && e.Kind != ekEnd) {
        }
        CancelElements(s, first, s.lastRead);
        return;
    }
    do {
        if (r.ModuleKind != 0) RaiseError(err::kDuplicateDirective);
        TElement e;
        ReadElement(s, e);
        if (e.Kind != ekModuleName) RaiseError(err::kExpectedTargetModule);
        r.ModuleKind = static_cast<std::uint8_t>(e.Value);
        r.ModulePos = e.Start;
        if (r.ModuleKind > kModuleKr2) {
            int files = 0;
            while (PeekElement(s, e) && e.Kind == ekComma) {
                ReadElement(s, e);
                if (files == static_cast<int>(kMaxProjectFiles))
                    RaiseError(err::kTooManyProjectFiles);
                ReadElement(s, e);
                if (e.Kind != ekText) RaiseError(err::kExpectedFilename);
                r.ProjectFiles[static_cast<std::size_t>(files)] = r.SourceText.data() + e.Start;
                r.ProjectFilePos[static_cast<std::size_t>(files)] = e.Start;
                ++files;
                ZeroTerminate(s, TextEnd(s, e));
            }
        }
        CloseDirective(s, first);
    } while (FindDirective(s, kDirKorble, first));
}

bool IsPortName(const TokenizerState& s, const TElement& e) {
    if (e.Kind != ekUndefined || e.Length < 4) return false;
    const char* name = s.result.SourceText.data() + e.Start;
    if (UpperAscii(name[0]) != 'C' || UpperAscii(name[1]) != 'O' || UpperAscii(name[2]) != 'M') {
        return false;
    }
    for (int i = 3; i < e.Length; ++i) {
        if (!IsAsciiDigit(static_cast<unsigned char>(name[i]))) return false;
    }
    return true;
}

std::uint16_t ReadPort(TokenizerState& s) {
    TTokenizerResult& r = s.result;
    std::uint16_t number = kNoPort;
    s.readIndex = 0;
    int first = 0;
    while (FindDirective(s, kDirPort, first)) {
        if (r.PortName != nullptr) RaiseError(err::kDuplicateDirective);
        TElement e;
        ReadElement(s, e);
        if (!IsPortName(s, e)) RaiseError(err::kExpectedPortName);
        const char* name = r.SourceText.data() + e.Start;
        number = 0;
        for (int i = 3; i < e.Length && i < 3 + kPortDigitsTaken; ++i) {
            number = static_cast<std::uint16_t>(number * 10 + (name[i] - '0'));
        }
        r.PortName = name;
        r.PortPos = e.Start;
        ZeroTerminate(s, e.Start + e.Length);
        CloseDirective(s, first);
    }
    return number;
}

void ReadVelic(TokenizerState& s, bool anyVersion) {
    TTokenizerResult& r = s.result;
    r.LanguageVersion = r.ModuleKind == kModuleKr1 ? kVersion10 : kVersion20;
    s.readIndex = 0;
    int first = 0;
    while (FindDirective(s, kDirVelic, first)) {
        if (r.LanguagePos != 0) RaiseError(err::kDuplicateDirective);
        TElement e;
        ReadElement(s, e);
        if (e.Kind != ekConstant) RaiseError(err::kExpectedConstant);
        if (e.Value != kVersion10 && e.Value != kVersion20 && e.Value != kVersion25)
            RaiseError(err::kInvalidVersion);
        if (!anyVersion) {
            if (r.ModuleKind == kModuleKr1 && e.Value != kVersion10)
                RaiseError(err::kInvalidVersionKr1);
            if (r.ModuleKind >= kModuleKr2 && r.ModuleKind <= kModuleKr6 && e.Value == kVersion10) {
                RaiseError(err::kInvalidVersionKr2);
            }
        }
        s.syntax25 = e.Value == kVersion25;
        r.LanguageVersion = e.Value;
        r.LanguagePos = e.Start;
        ZeroTerminate(s, e.Start + e.Length);
        CloseDirective(s, first);
    }
}

}  // namespace

void ReadDirectives(TokenizerState& s, bool useModuleDirective, bool anyVersion) {
    ReadKorble(s, useModuleDirective);
    const std::uint16_t port = ReadPort(s);
    ReadVelic(s, anyVersion);
    TTokenizerResult& r = s.result;
    s.symbols.SetValue(s.symbols.Find("$KORBLE"), r.ModuleKind);
    s.symbols.SetValue(s.symbols.Find("$PORT"), port);
    s.symbols.SetValue(s.symbols.Find("$VELIC"), static_cast<std::uint16_t>(r.LanguageVersion));
}

}  // namespace kavrin::tokenizer
