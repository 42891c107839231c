#pragma once
// The numbers of the object code as the processor reads them: KR2 tokens and expression
// operators, and the operators themselves (pure functions, shared with the tests).

#include <cstdint>
#include <string>

namespace kavrin::sim::processor_detail {

// KR2 tokens (the 6 bits behind a token's leading 0 bit).
namespace tok {
inline constexpr unsigned kEnd = 0, kSleep = 1, kNap = 2, kStop = 3, kOutput = 4, kHigh = 5,
                          kToggle = 6, kLow = 7, kReverse = 8, kGoto = 9, kGosub = 10,
                          kReturn = 11, kInput = 12, kIfJump = 13, kNext = 14, kBranch = 15,
                          kLookup = 16, kLookdown = 17, kRandom = 18, kRead = 19, kWrite = 20,
                          kPause = 21, kFreqout1 = 22, kFreqout2 = 23, kDtmfout = 24, kXout = 25,
                          kAssign = 26, kSerout = 32, kSeroutFlow = 33, kSerin = 34,
                          kSerinFlow = 35, kPulsout = 36, kPulsin = 37, kCount = 38,
                          kShiftin = 39, kShiftout = 40, kRctime = 41, kButton = 42, kPwm = 43;
}  // namespace tok

// Operator items 0..31: 0..7 take one value, 8..31 two.
namespace opi {
inline constexpr unsigned kSqr = 0, kAbs = 1, kInvert = 2, kNegate = 3, kDcd = 4, kNcd = 5,
                          kCos = 6, kSin = 7, kHyp = 8, kAtn = 9, kAnd = 10, kOr = 11, kXor = 12,
                          kMin = 13, kMax = 14, kPlus = 15, kMinus = 16,
                          kTimesMiddle = 17,  // "*/"
                          kTimes = 18,        // "*"
                          kTimesHigh = 19,    // "**"
                          kModulo = 20, kDivide = 21, kDig = 22, kShiftLeft = 23,
                          kShiftRight = 24, kRev = 25;
}  // namespace opi

std::uint16_t UnaryOperator(unsigned op, std::uint16_t v);
std::uint16_t BinaryOperator(unsigned op, std::uint16_t a, std::uint16_t b);
// The comparison in the low 3 bits (2 ">=", 3 "<=", 4 "=", 5 "<>", 6 ">", 7 "<"); 0 and 1
// never hold.
bool Compare(unsigned comparison, std::uint16_t a, std::uint16_t b);

// A number as DEBUG and SEROUT print it with the formatter value (base, digit count, signed
// and indicated forms).
std::string FormatNumber(std::uint16_t format, std::uint16_t value);

}  // namespace kavrin::sim::processor_detail
