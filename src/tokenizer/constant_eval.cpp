#include "tokenizer/constant_eval.h"

#include "tokenizer/errors.h"

namespace kavrin::tokenizer {

namespace {

constexpr int kMaxShift = 16;

bool IsConstantOperator(const TElement& e) {
    if (e.Kind != ekBinaryOp) return false;
    switch (e.Value) {
        case opv::kAnd: case opv::kOr: case opv::kXor: case opv::kPlus: case opv::kMinus:
        case opv::kTimes: case opv::kDivide: case opv::kShiftLeft: case opv::kShiftRight:
            return true;
        default:
            return false;
    }
}

// operand: [ "-" ] ( constant | pin name | directive symbol | module name | #DEFINE'd name )
std::uint16_t Operand(TokenizerState& s, bool finalPass, bool conditional, bool& defined) {
    TElement e;
    ReadElement(s, e);
    bool negate = false;
    if (e.Kind == ekBinaryOp) {
        if (e.Value != opv::kMinus) RaiseError(conditional ? 188 : 112);
        negate = true;
        ReadElement(s, e);
    }
    std::uint16_t value = 0;
    switch (e.Kind) {
        case ekConstant:
        case ekPinName:
        case ekDirectiveWord:
        case ekModuleName:
            value = e.Value;
            break;
        case ekDefined:
            if (!conditional) RaiseError(112);
            value = e.Value;
            break;
        case ekUndefined:
            if (conditional) {
                if (s.declaredElsewhere) RaiseError(195);
                value = 0;
            } else if (finalPass) {
                RaiseError(110);
            } else {
                value = 1;
                defined = false;
            }
            break;
        default:
            RaiseError(conditional ? 225 : 112);
    }
    return negate ? static_cast<std::uint16_t>(0u - value) : value;
}

std::uint16_t Apply(std::uint16_t op, std::uint16_t a, std::uint16_t b) {
    const unsigned l = a, r = b;
    switch (op) {
        case opv::kAnd: return static_cast<std::uint16_t>(l & r);
        case opv::kOr: return static_cast<std::uint16_t>(l | r);
        case opv::kXor: return static_cast<std::uint16_t>(l ^ r);
        case opv::kPlus: return static_cast<std::uint16_t>(l + r);
        case opv::kMinus: return static_cast<std::uint16_t>(l - r);
        case opv::kTimes: return static_cast<std::uint16_t>(l * r);
        case opv::kDivide:
            if (r == 0) RaiseError(113);
            return static_cast<std::uint16_t>(l / r);
        case opv::kShiftLeft: return static_cast<std::uint16_t>(r >= kMaxShift ? 0u : l << r);
        case opv::kShiftRight: return static_cast<std::uint16_t>(r >= kMaxShift ? 0u : l >> r);
        default: return b;
    }
}

}  // namespace

ConstantValue EvaluateConstant(TokenizerState& s, bool finalPass, bool conditional) {
    ConstantValue result;
    std::uint16_t pending = opv::kPlus;
    for (;;) {
        const std::uint16_t operand = Operand(s, finalPass, conditional, result.defined);
        result.value = Apply(pending, result.value, operand);
        TElement next;
        if (!PeekElement(s, next) || !IsConstantOperator(next)) break;
        ReadElement(s, next);
        pending = next.Value;
    }
    return result;
}

}  // namespace kavrin::tokenizer
