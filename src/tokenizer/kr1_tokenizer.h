#pragma once
// The KR1 tokenizer: a compiler of its own for the small KR1 module (language 1.0), with its own
// record, keyword table, 256 hash chains, messages and a 256-byte EEPROM. The frame copies the
// directive-scanned text into the record, runs it, and copies the results back into the shared
// result record (kr1_frame.cpp). All of its state lives in one Kr1Tokenizer; nothing is global.
//
// Object code. The code is one bit stream written from the top of the EEPROM down: stream bit p
// is bit 7 - p%8 of code byte p/8, and code byte i lands at EEPROM address 255 - i.
//
//   bits 0..7    header: the lowest EEPROM address the code occupies (256 - code bytes)
//   bits 8..18   code length: the stream position behind the final END field
//   bits 19..    the statements, each a 5-bit instruction token and its fields, then 11111 (END)
//
// Operand fields (all written most significant bit first):
//
//   V    6 bits   register: PIN0-7 0-7, DIR0-7 8-15, BIT0-15 16-31, PINS 32, DIRS 33,
//                 B0-B13 34-47, PORT 48, W0-W6 50-62 (even)
//   CV   7/10/18  value: 1 vvvvvv variable | 0 0 cccccccc constant 0..255 | 0 1 c*16 constant
//   P    4/7      pin: 0 ppp constant pin 0..7 | 1 vvvvvv variable
//   A    11 bits  code address (stream bit position)
//   M    4 bits   serial mode (T2400 0 .. ON300 15)
//   C    3 bits   comparison: = 0, <> 1, < 2, <= 3, > 4, >= 5
//   O    4 bits   operator: + 0, - 1, * 2, / 3, ** 4, // 5, MIN 6, MAX 7, & 8, | 9, ^ 10,
//                 &/ 11, |/ 12, ^/ 13
//   T    7 bits per character (32..126), a 0000000 field ends the text
//   {x}  a list: every item is preceded by a 1 bit; a 0 bit ends the list
//
// Instructions (token, then the fields in order):
//
//   0-5  HIGH LOW INPUT OUTPUT TOGGLE REVERSE   P
//   6    PWM      P CV(duty) CV(cycles)
//   7    POT      P CV(scale) V
//   8    PULSOUT  P CV(time)
//   9    PULSIN   P CV(state) V
//   10   FOR      V CV(start) CV(end) S, S = 0 (step 1) | 1 n CV (n = 1: step down)
//   11   READ     CV(location) V
//   12   WRITE    CV(location) CV(value)
//   13   LOOKDOWN CV(value) {CV} V
//   14   GOSUB    A
//   15   PAUSE    CV(ms)
//   16   RANDOM   V (a word register)
//   17   BUTTON   P CV(downstate) CV(delay) CV(rate) V(workspace) CV(targetstate) A
//   18   SOUND    P {CV(note) CV(duration)}
//   19   SEROUT   P M {item}, item = 00 CV (the value) | 01 CV (its decimal digits) | 10 T
//   20   SERIN    P M {CV}(qualifiers) {f V}, f = 1 for "#" (decimal digits)
//   21   LET      V CV {O CV}   also a statement that starts with a variable; "=-" and "= -"
//                              start from 0 and subtract the first operand
//   22   LOOKUP   CV(index) {CV} V
//   23   NEXT     A (the FOR instruction's token)
//   24   IF       V C CV {L V C CV} A, L = 0 AND | 1 OR
//   25   GOTO     A
//   26   BRANCH   CV(offset) {A}
//   27   RETURN
//   28   NAP      CV(period)
//   29   SLEEP    CV(seconds)
//   30   DEBUG    {item}, item = 00 V | 01 V (decimal) | 10 T | 11 k (2 bits: CLS 1, CR 2)
//   31   END
//
// EEPROM {location,} (value, ...) places bytes from address 0 upwards (or from the location),
// continuing where the previous EEPROM statement stopped; BSAVE only sets a status bit.
//
// Language notes: names are declared before they are used (SYMBOL), except labels, which may be
// used before their line. Constants are decimal, $hex or %binary and at most 65,535.

#include <array>
#include <cstdint>

#include "tokenizer/symbol_table.h"
#include "tokenizer/tokenizer.h"

namespace kavrin::tokenizer {

inline constexpr std::size_t kKr1EepromSize = 256;
inline constexpr std::size_t kKr1ExtraSize = 5;
inline constexpr std::size_t kKr1SymbolAreaSize = 4096;
inline constexpr int kKr1HashChains = 256;
inline constexpr int kKr1FirstRecord = kKr1HashChains * 2;  // behind the chain heads
inline constexpr std::size_t kKr1DebugBufferSize = 1024;
inline constexpr int kKr1MaxNameLength = 32;
inline constexpr int kKr1MaxGosubs = 16;
inline constexpr int kKr1MaxForNesting = 8;
inline constexpr int kKr1CodeStart = 19;       // behind the header byte and the code length
inline constexpr int kKr1LengthField = 8;      // position of the 11-bit code length
inline constexpr int kKr1MaxCodeBits = 2047;   // the code length must fit its 11-bit field
inline constexpr int kKr1MaxStatements = 512;  // each writes at least a token: ~400 fit
inline constexpr std::uint8_t kKr1UseData = 2;
inline constexpr std::uint8_t kKr1UseCode = 3;

// Symbol kinds of the KR1 symbol area.
namespace k1 {
inline constexpr std::uint8_t kSerialMode = 0, kVariable = 1, kLabel = 2, kConstant = 3,
                              kInstruction = 4, kRem = 5, kSymbol = 6, kEeprom = 7, kBsave = 8,
                              kMin = 9, kMax = 10, kAnd = 11, kOr = 12, kThen = 13, kTo = 14,
                              kStep = 15, kDebugCommand = 16, kPrefix = 17;
// Operators and punctuation.
inline constexpr std::uint8_t kNotEqual = 18, kLessEqual = 19, kGreaterEqual = 20,
                              kAssignNegative = 21, kMultiplyHigh = 22, kModulo = 23, kAndNot = 24,
                              kOrNot = 25, kXorNot = 26, kEqual = 27, kPlus = 28, kMinus = 29,
                              kTimes = 30, kDivide = 31, kLess = 32, kGreater = 33, kAnd2 = 34,
                              kOr2 = 35, kXor = 36, kHash = 37, kOpen = 38, kClose = 39,
                              kComma = 40, kColon = 41;
}  // namespace k1

// Status bits left after a successful run.
inline constexpr std::uint8_t kKr1StatusBsave = 1, kKr1StatusDebug = 2, kKr1StatusData = 4,
                              kKr1StatusSerial = 8;

// The record the frame fills and reads, fields in this order.
struct TKr1Record {
    std::uint8_t success = 0;
    const char* message = nullptr;
    std::int32_t debugCount = 0;
    std::uint8_t status = 0;
    std::array<char, kSourceBufferSize> source{};
    std::int32_t sourceLength = 0;
    std::int32_t errorPos = 0;
    std::int32_t errorLength = 0;
    std::array<std::uint8_t, kKr1EepromSize> eeprom{};
    std::array<std::uint8_t, kKr1EepromSize> use{};
    // Masks of the registers SYMBOL names: bytes 0..3 a little-endian 32-bit mask (bits 0-15
    // BIT0-BIT15, 16-29 B0-B13), byte 4 an 8-bit mask (bits 0-6 W0-W6).
    std::array<std::uint8_t, kKr1ExtraSize> extra{};
    // 256 little-endian 16-bit chain heads (0 = empty), then records from kKr1FirstRecord:
    // 16-bit link, name, 0, kind byte, 16-bit value.
    std::array<std::uint8_t, kKr1SymbolAreaSize> symbols{};
    std::int32_t symbolEnd = kKr1FirstRecord;
    // Per DEBUG statement: the 16-bit stream position of its token and its text, zero-ended.
    std::array<char, kKr1DebugBufferSize> debugBuffer{};
};

// Where a compiled statement starts, for listings.
struct Kr1StatementStart {
    std::int32_t source = 0;
    std::int32_t code = 0;
};

struct Kr1ForLoop {
    std::uint8_t variable = 0;
    std::int32_t address = 0;  // the FOR token
};

// Work state of one run.
struct Kr1Work {
    std::array<std::uint8_t, kKr1EepromSize> code{};
    std::array<std::uint8_t, kKr1EepromSize> data{};  // indexed like code bytes
    int pass = 0;
    int position = 0;    // stream bit position
    int codeLength = 0;  // after the first pass
    int pos = 0;         // lexer offset
    int gosubs = 0;
    int dataNext = 0;  // EEPROM address of the next EEPROM value
    int debugFill = 0;
    std::array<Kr1ForLoop, kKr1MaxForNesting> loops{};
    int loopDepth = 0;
    std::array<Kr1StatementStart, kKr1MaxStatements> statements{};
    int statementCount = 0;
};

struct Kr1Tokenizer {
    TKr1Record record;
    Kr1Work work;
};

// Step 1 of a run: clears the results and enters the keyword table.
void ResetKr1(Kr1Tokenizer& k);
// Runs the KR1 tokenizer on record.source/sourceLength (ResetKr1 included). Returns the success
// byte; on failure message, errorPos and errorLength describe the faulty token.
std::uint8_t RunKr1(Kr1Tokenizer& k);

// The frame's side (kr1_frame.cpp). Copies the directive-scanned text into the KR1 record.
void CopySourceToKr1(Kr1Tokenizer& k, const TTokenizerResult& r);
// Runs the KR1 tokenizer and copies its results into the shared record and symbol table; a
// failed run raises the tokenizer error with the KR1 message and span.
void RunKr1Phase(Kr1Tokenizer& k, TTokenizerResult& r, SymbolTable& symbols);

// The 33 messages in their stored order ("150-Expected '='" is there twice).
inline constexpr int kKr1MessageCount = 33;
const char* Kr1Message(int index);

// Symbol area access.
int Kr1Hash(const char* name, int length);
// Offset of the record of the (upper-case) name, 0 when absent.
int Kr1Find(const TKr1Record& r, const char* name, int length);
// Enters a record; false when the area is full.
bool Kr1Enter(TKr1Record& r, const char* name, int length, std::uint8_t kind, std::uint16_t value);
struct Kr1Symbol {
    const char* name = nullptr;  // zero-terminated, inside the area
    std::uint8_t kind = 0;
    std::uint16_t value = 0;
    int next = 0;  // offset of the next record in area order
};
Kr1Symbol Kr1SymbolAt(const TKr1Record& r, int offset);

}  // namespace kavrin::tokenizer
