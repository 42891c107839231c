#pragma once
// The numbers of the object code: the tokens of a KR2..KR6 program, the expression items they
// evaluate, and the tokens of a KR1 program. The tokenizer writes them and the virtual module's
// processor reads them; both take the numbers from here, so they cannot drift apart.

#include <cstdint>

namespace kavrin::wire {

// KR2..KR6 tokens (the 6 bits behind a token's leading 0 bit) as the tokenizer numbers them,
// which is the KR2 numbering. KR3..KR6 renumber 26..31 (tokenizer/code_writer: TranslateToken);
// the virtual module is a KR2 and reads these numbers as they are.
namespace token {
inline constexpr std::uint8_t kEnd = 0, kSleep = 1, kNap = 2, kStop = 3, kOutput = 4, kHigh = 5,
                              kToggle = 6, kLow = 7, kReverse = 8, kGoto = 9, kGosub = 10,
                              kReturn = 11, kInput = 12, kIfJump = 13, kNext = 14, kBranch = 15,
                              kLookup = 16, kLookdown = 17, kRandom = 18, kRead = 19, kWrite = 20,
                              kPause = 21, kFreqout1 = 22, kFreqout2 = 23, kDtmfout = 24,
                              kXout = 25, kAssign = 26, kGet = 27, kPut = 28, kRun = 29,
                              kMainio = 30, kAuxio = 31, kSerout = 32, kSeroutFlow = 33,
                              kSerin = 34, kSerinFlow = 35, kPulsout = 36, kPulsin = 37,
                              kCount = 38, kShiftin = 39, kShiftout = 40, kRctime = 41,
                              kButton = 42, kPwm = 43, kLcdin = 44, kLcdout = 45, kLcdcmd = 46,
                              kI2cinLowAddress = 47,  // I2CIN with a "\" low address byte
    kI2cin = 48,
                              kI2coutLowAddress = 49,  // I2COUT with a "\" low address byte
    kI2cout = 50, kPollrun = 51, kPollmode = 52, kPollin = 53, kPollout = 54, kPollwait = 55,
                              kOwout = 56, kOwin = 57, kIoterm = 58, kStore = 59;
}  // namespace token

// Expression items: operators 0..7 take one value, 8..25 two, and 26..31 are the comparisons
// (their low 3 bits: 2 ">=", 3 "<=", 4 "=", 5 "<>", 6 ">", 7 "<").
namespace op {
inline constexpr std::uint8_t kSqr = 0, kAbs = 1, kInvert = 2, kNegate = 3, kDcd = 4, kNcd = 5,
                              kCos = 6, kSin = 7, kHyp = 8, kAtn = 9, kAnd = 10, kOr = 11,
                              kXor = 12, kMin = 13, kMax = 14, kPlus = 15, kMinus = 16,
                              kTimesMiddle = 17,  // "*/"
    kTimes = 18,                                  // "*"
    kTimesHigh = 19,                              // "**"
    kModulo = 20, kDivide = 21, kDig = 22, kShiftLeft = 23, kShiftRight = 24, kRev = 25,
                              kGreaterEqual = 26, kLessEqual = 27, kEqual = 28, kNotEqual = 29,
                              kGreater = 30, kLess = 31;
inline constexpr std::uint8_t kFirstBinary = kHyp;
inline constexpr std::uint8_t kFirstComparison = kGreaterEqual;
}  // namespace op

// The 6-bit items behind a 1 bit: operators and comparisons (0..31, above), constants
// (32..47: the constant's width follows) and variables (48..63: 48 + write + indexed + size, the
// address follows in as many bits as the size needs).
namespace item {
inline constexpr int kBits = 6;
inline constexpr std::uint8_t kFirstConstant = 32;
inline constexpr std::uint8_t kFirstVariable = 48;
inline constexpr std::uint8_t kWriteFlag = 8, kIndexFlag = 4, kSizeMask = 3;
inline constexpr int kVariableAddressBits[4] = {8, 6, 5, 4};  // bit, nibble, byte, word
}  // namespace item

// KR1 tokens: 5 bits each, an instruction set of its own (tokenizer/kr1_tokenizer.h lists the
// fields behind each). No virtual module runs them; only the tokenizer writes them.
namespace kr1_token {
inline constexpr std::uint8_t kHigh = 0, kLow = 1, kInput = 2, kOutput = 3, kToggle = 4,
                              kReverse = 5, kPwm = 6, kPot = 7, kPulsout = 8, kPulsin = 9,
                              kFor = 10, kRead = 11, kWrite = 12, kLookdown = 13, kGosub = 14,
                              kPause = 15, kRandom = 16, kButton = 17, kSound = 18, kSerout = 19,
                              kSerin = 20, kLet = 21, kLookup = 22, kNext = 23, kIf = 24,
                              kGoto = 25, kBranch = 26, kReturn = 27, kNap = 28, kSleep = 29,
                              kDebug = 30, kEnd = 31;
}  // namespace kr1_token

// Where a declared variable lives in the 16-word RAM: its size code (0 bit, 1 nibble, 2 byte,
// 3 word, as in an item's size field) and its address in units of that size. The tokenizer
// allocates it; the processor's memory is read with it.
struct VariableLocation {
    std::uint8_t size = 0;
    std::uint8_t address = 0;
    friend bool operator==(const VariableLocation&, const VariableLocation&) = default;
};

}  // namespace kavrin::wire
