#include "tokenizer/constant_eval.h"

#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/expression.h"

namespace kavrin::tokenizer {

namespace {

// Constant expressions take the operators that conditional compilation does.
bool IsConstantOperator(const TElement& e) {
    return e.Kind == ekBinaryOp && IsConditionalBinaryOperator(e.Value);
}

// operand: [ "-" ] ( constant | pin name | directive symbol | module name | #DEFINE'd name )
std::uint16_t Operand(TokenizerState& s, bool finalPass, bool conditional, bool& defined) {
    TElement e;
    ReadElement(s, e);
    bool negate = false;
    if (e.Kind == ekBinaryOp) {
        if (e.Value != op::kMinus)
            RaiseError(conditional ? err::kExpectedConditionOperand : err::kExpectedConstant);
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
            if (!conditional) RaiseError(err::kExpectedConstant);
            value = e.Value;
            break;
        case ekUndefined:
            if (conditional) {
                if (s.declaredElsewhere) RaiseError(err::kIllegalConditionSymbol);
                value = 0;
            } else if (finalPass) {
                RaiseError(err::kUndefinedSymbol);
            } else {
                value = 1;
                defined = false;
            }
            break;
        default:
            RaiseError(conditional ? err::kExpectedConditionValue : err::kExpectedConstant);
    }
    return negate ? static_cast<std::uint16_t>(0u - value) : value;
}

}  // namespace

ConstantValue EvaluateConstant(TokenizerState& s, bool finalPass, bool conditional) {
    ConstantValue result;
    std::uint16_t pending = op::kPlus;
    for (;;) {
        const std::uint16_t operand = Operand(s, finalPass, conditional, result.defined);
        bool divideByZero = false;
        result.value =
            ApplyOperator(static_cast<std::uint8_t>(pending), result.value, operand, divideByZero);
        if (divideByZero) RaiseError(err::kDivideByZero);
        TElement next;
        if (!PeekElement(s, next) || !IsConstantOperator(next)) break;
        ReadElement(s, next);
        pending = next.Value;
    }
    return result;
}

}  // namespace kavrin::tokenizer
