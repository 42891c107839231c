#pragma once
// Elements (tokens) and their kinds. The kind values are shared by symbol records, elements and
// the compiler, so they are fixed numbers, not just an enumeration order.

#include <cstdint>

#include "wire/object_code.h"

namespace kavrin::tokenizer {

enum ElementKind : std::uint8_t {
    ekDirectiveWord = 0,  // $KORBLE (0), $PORT (1), $VELIC (2)
    ekModuleName = 1,     // KR1..KR6 (1..6)
    ekCondDirective = 2,  // #DEFINE, #ERROR, #IF, #ELSE, #ENDIF, #SELECT, #CASE, #ENDSELECT
    ekInstruction = 3,
    ekCon = 4,
    ekVariable = 5,  // size code * 256 + address in units of that size
    ekSize = 6,
    ekModifier = 7,
    ekInputFormat = 8,
    ekComparison = 9,
    ekBinaryOp = 10,
    ekUnaryOp = 11,
    ekConstant = 12,
    ekPeriod = 13,
    ekComma = 14,
    ekQuestion = 15,
    ekBackslash = 16,
    ekAt = 17,
    ekOpenParen = 18,
    ekOpenBracket = 19,
    ekDirectiveEnd = 20,
    ekCondThen = 21,
    ekData = 22,
    ekStep = 23,
    ekTo = 24,
    ekThen = 25,
    ekWhile = 26,
    ekUntil = 27,
    ekPin = 28,
    ekVar = 29,
    ekAsc = 30,
    ekFormatter = 31,
    ekRep = 32,
    ekSkip = 33,
    ekSpStr = 34,
    ekStr = 35,
    ekWait = 36,
    ekWaitStr = 37,
    ekLogicalOp = 38,  // AND (10), OR (11), XOR (12)
    ekNot = 39,        // NOT (2)
    ekCloseParen = 40,
    ekCloseBracket = 41,
    ekPinName = 42,
    ekLabel = 43,
    ekDefined = 44,
    ekText = 45,  // file name in an editor directive; value 1 when it was quoted
    ekUndefined = 46,
    ekEnd = 47,  // value 0 line end, 1 ":"
    ekCancelled = 48,
};

// Values of ekEnd elements.
inline constexpr std::uint16_t kEndOfLine = 0;
inline constexpr std::uint16_t kEndColon = 1;

// The object code's numbers: an operator element's value is its expression item, and the
// compiler's tokens are the KR2 tokens.
namespace op = wire::op;
namespace token = wire::token;

// Values of the conditional-compile directive words.
namespace cdv {
inline constexpr std::uint16_t kCase = 3, kDefine = 7, kElse = 10, kEndif = 13, kEndselect = 14,
                               kError = 15, kIf = 25, kSelect = 59;
}  // namespace cdv

// Values of the three directive words.
inline constexpr std::uint16_t kDirKorble = 0, kDirPort = 1, kDirVelic = 2;

// One element of the list, in source order.
struct TElement {
    std::uint8_t Kind = ekEnd;
    std::uint16_t Value = 0;
    std::uint16_t Start = 0;  // source offset of the first character
    std::uint8_t Length = 0;  // source characters, capped at 255
};

inline constexpr int kMaxElements = 10240;
inline constexpr int kMaxElementLength = 255;

}  // namespace kavrin::tokenizer
