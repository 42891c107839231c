#pragma once
// The expression operators of the object code as the processor evaluates them (pure functions,
// shared with the tests); their numbers come from wire/object_code.h.

#include <cstdint>
#include <string>

#include "wire/object_code.h"

namespace kavrin::sim::processor_detail {

// The object code's numbers, under the short names the processor has always used.
namespace tok = wire::token;
namespace opi = wire::op;

// The module has 16 I/O pins, 0 to 15: an instruction's pin operand is its low four bits.
inline constexpr int kPinMask = 0x0F;
constexpr int PinOf(int operand) { return operand & kPinMask; }

std::uint16_t UnaryOperator(unsigned op, std::uint16_t v);
std::uint16_t BinaryOperator(unsigned op, std::uint16_t a, std::uint16_t b);
// The comparison in the low 3 bits (2 ">=", 3 "<=", 4 "=", 5 "<>", 6 ">", 7 "<"); 0 and 1
// never hold.
bool Compare(unsigned comparison, std::uint16_t a, std::uint16_t b);

// A number as DEBUG and SEROUT print it with the formatter value (base, digit count, signed
// and indicated forms).
std::string FormatNumber(std::uint16_t format, std::uint16_t value);

}  // namespace kavrin::sim::processor_detail
