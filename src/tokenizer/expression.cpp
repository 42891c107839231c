// The expression compiler (conditional mode and the machinery statements share) and the
// compile-time evaluator.
//
// State machine, one step per element:
//   condition start  (condition mode) two marks; "(" one more; NOT drops two, is pushed, again
//   operand expected operand | "(" | unary "-" | unary operator
//   after operand    flush; binary operator | comparison | AND/OR/XOR | ")" | anything else ends
// A mark on the operator stack is an open level; flushing pops operators down to the nearest
// mark, which is what makes binary operators apply strictly left to right.

#include "tokenizer/expression.h"

#include <algorithm>
#include <array>

#include "tokenizer/back_end.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"

namespace kavrin::tokenizer {

namespace {

constexpr int kItemBits = wire::item::kBits;
constexpr std::uint8_t kConstantItem = wire::item::kFirstConstant;
constexpr std::uint8_t kVariableItem = wire::item::kFirstVariable;
constexpr std::uint8_t kFirstBinaryItem = op::kFirstBinary;
constexpr std::uint8_t kLastOperatorItem = op::kLess;
constexpr std::uint8_t kLastPlainReadItem = kVariableItem + wire::item::kSizeMask;
constexpr std::uint8_t kFirstIndexedWriteItem =
    kVariableItem + wire::item::kWriteFlag + wire::item::kIndexFlag;
constexpr const int (&kVariableAddressBits)[4] = wire::item::kVariableAddressBits;
constexpr std::uint16_t kTrue = 0xFFFF;
constexpr int kMaxShift = 16;
// Items are at least 7 bits apart, so a buffer never holds more values than this.
constexpr int kEvalStackSize = kExprBufferBits / 7 + 1;

ExprBuffer& Buffer(TokenizerState& s, int i) {
    return s.expr.buffers[static_cast<std::size_t>(std::clamp(i, 0, kExprBufferCount - 1))];
}

void Push(TokenizerState& s, std::uint8_t entry) {
    ExpressionState& x = s.expr;
    if (x.opTop >= kOperatorStackSize) RaiseError(err::kExpressionTooComplex);
    x.ops[static_cast<std::size_t>(x.opTop++)] = entry;
}

void PushMark(TokenizerState& s) {
    Push(s, kOperatorMark);
    ++s.expr.levels;
}

bool TopIsMark(const TokenizerState& s) {
    const ExpressionState& x = s.expr;
    return x.opTop > x.opBase && x.ops[static_cast<std::size_t>(x.opTop - 1)] == kOperatorMark;
}

// Pops and adds every operator above the topmost mark.
void Flush(TokenizerState& s) {
    ExpressionState& x = s.expr;
    while (x.opTop > x.opBase && x.ops[static_cast<std::size_t>(x.opTop - 1)] != kOperatorMark) {
        AddItem(s, x.ops[static_cast<std::size_t>(--x.opTop)]);
    }
}

// Drops the topmost mark and flushes down to the next one.
void CloseLevel(TokenizerState& s) {
    if (!TopIsMark(s)) RaiseError(err::kExpectedBinaryOperator);
    --s.expr.opTop;
    --s.expr.levels;
    Flush(s);
}

bool IsComparison(const TElement& e) { return e.Kind == ekComparison; }

class ExpressionCompiler {
public:
    ExpressionCompiler(TokenizerState& s, const ExpressionOptions& o) : s_(s), o_(o) {}
    void Run();

private:
    enum class Step { kConditionStart, kOperandExpected, kAfterOperand, kEnd };

    Step ConditionStart();
    Step OperandExpected();
    Step AfterOperand();
    void Operand(const TElement& e);
    bool Splice();
    void ApplyComparison(std::uint8_t op);
    [[noreturn]] void Fail(int number) const { RaiseError(number); }

    TokenizerState& s_;
    const ExpressionOptions& o_;
    bool spliced_ = false;
};

void ExpressionCompiler::Run() {
    ExpressionState& x = s_.expr;
    const int savedBase = x.opBase;
    const int savedLevels = x.levels;
    x.opBase = x.opTop;
    x.levels = 0;
    Step step = o_.condition ? Step::kConditionStart : Step::kOperandExpected;
    while (step != Step::kEnd) {
        switch (step) {
            case Step::kConditionStart:
                step = ConditionStart();
                break;
            case Step::kOperandExpected:
                step = OperandExpected();
                break;
            case Step::kAfterOperand:
                step = AfterOperand();
                break;
            case Step::kEnd:
                break;
        }
        if (step == Step::kEnd && Splice()) step = Step::kOperandExpected;
    }
    if (o_.condition) {
        CloseLevel(s_);
        CloseLevel(s_);
    }
    if (x.opTop != x.opBase) Fail(err::kExpectedBinaryOperator);
    x.opBase = savedBase;
    x.levels = savedLevels;
}

// condition: { "(" } [ NOT condition ] ...
ExpressionCompiler::Step ExpressionCompiler::ConditionStart() {
    PushMark(s_);
    PushMark(s_);
    TElement e;
    while (PeekElement(s_, e)) {
        if (e.Kind == ekOpenParen) {
            ReadElement(s_, e);
            PushMark(s_);
        } else if (e.Kind == ekNot) {
            ReadElement(s_, e);
            if (spliced_) Fail(err::kExpectedOperand);
            // NOT applies to the whole condition that follows: it sits below two fresh levels.
            s_.expr.opTop -= 2;
            s_.expr.levels -= 2;
            Push(s_, static_cast<std::uint8_t>(e.Value));
            PushMark(s_);
            PushMark(s_);
        } else {
            break;
        }
    }
    return Step::kOperandExpected;
}

// operand | "(" | "-" | unary operator
ExpressionCompiler::Step ExpressionCompiler::OperandExpected() {
    TElement e;
    ReadElement(s_, e);
    switch (e.Kind) {
        case ekConstant:
        case ekVariable:
        case ekPinName:
            if (o_.conditional && e.Kind != ekConstant) Fail(err::kExpectedConditionOperand);
            Operand(e);
            return Step::kAfterOperand;
        case ekDefined:
        case ekDirectiveWord:
        case ekModuleName:
            if (!o_.conditional) Fail(err::kExpectedOperand);
            Operand(e);
            return Step::kAfterOperand;
        case ekUndefined:
            if (!o_.conditional) Fail(err::kUndefinedSymbol);
            if (s_.declaredElsewhere) Fail(err::kIllegalConditionSymbol);
            Operand(e);
            return Step::kAfterOperand;
        case ekOpenParen:
            PushMark(s_);
            return Step::kOperandExpected;
        case ekBinaryOp:
            if (e.Value != op::kMinus)
                Fail(o_.conditional ? err::kExpectedConditionOperand : err::kExpectedOperand);
            Push(s_, static_cast<std::uint8_t>(op::kNegate));
            return Step::kOperandExpected;
        case ekUnaryOp:
            if (o_.conditional) Fail(err::kIllegalConditionOperator);
            Push(s_, static_cast<std::uint8_t>(e.Value));
            return Step::kOperandExpected;
        default:
            Fail(o_.conditional ? err::kExpectedConditionOperand : err::kExpectedOperand);
    }
}

void ExpressionCompiler::Operand(const TElement& e) {
    switch (e.Kind) {
        case ekVariable:
            CompileVariableRead(s_, e);
            break;
        case ekPinName:
            if (o_.pinContext) {
                AddConstantItem(s_, e.Value);
            } else {
                AddVariableItem(s_, false, false, 0, e.Value);  // the pin's input bit
            }
            break;
        case ekUndefined:
            AddConstantItem(s_, 0);
            break;
        default:
            AddConstantItem(s_, e.Value);
            break;
    }
}

ExpressionCompiler::Step ExpressionCompiler::AfterOperand() {
    Flush(s_);
    TElement e;
    PeekElement(s_, e);
    switch (e.Kind) {
        case ekBinaryOp:
            ReadElement(s_, e);
            if (o_.conditional && !IsConditionalBinaryOperator(e.Value))
                Fail(err::kIllegalConditionOperator);
            Push(s_, static_cast<std::uint8_t>(e.Value));
            return Step::kOperandExpected;
        case ekComparison:
            ReadElement(s_, e);
            if (!o_.condition) Fail(err::kExpectedBinaryOperator);
            ApplyComparison(static_cast<std::uint8_t>(e.Value));
            return Step::kOperandExpected;
        case ekLogicalOp:
            if (!o_.condition) return Step::kEnd;
            ReadElement(s_, e);
            CloseLevel(s_);
            CloseLevel(s_);
            Push(s_, static_cast<std::uint8_t>(e.Value));
            return Step::kConditionStart;
        case ekCloseParen:
            if (o_.condition && s_.expr.levels == 2) return Step::kEnd;
            if (s_.expr.levels <= 0 || !TopIsMark(s_)) return Step::kEnd;  // the caller's ")"
            ReadElement(s_, e);
            --s_.expr.levels;
            --s_.expr.opTop;
            return Step::kAfterOperand;
        case ekConstant:
        case ekVariable:
        case ekUnaryOp:
        case ekOpenParen:
        case ekPinName:
            ReadElement(s_, e);
            Fail(err::kExpectedBinaryOperator);
        case ekDefined:
        case ekDirectiveWord:
        case ekModuleName:
            if (!o_.conditional) return Step::kEnd;
            ReadElement(s_, e);
            Fail(err::kExpectedBinaryOperator);
        case ekUndefined:
            ReadElement(s_, e);
            Fail(err::kUndefinedSymbol);
        default:
            return Step::kEnd;
    }
}

// A comparison closes the level of its left side and opens one for its right side.
void ExpressionCompiler::ApplyComparison(std::uint8_t op) {
    CloseLevel(s_);
    Push(s_, op);
    PushMark(s_);
}

// CASE tests: the selector has ended; continue with the comparison and the value at the splice
// start. A value may bring its own comparison only where "=" would be inserted.
bool ExpressionCompiler::Splice() {
    if (o_.spliceStart <= 0 || spliced_ || !o_.condition) return false;
    spliced_ = true;
    s_.readIndex = o_.spliceStart;
    TElement e;
    std::uint8_t op = o_.comparison;
    if (PeekElement(s_, e) && IsComparison(e)) {
        ReadElement(s_, e);
        if (o_.comparison != op::kEqual) Fail(err::kExpectedOperand);
        op = static_cast<std::uint8_t>(e.Value);
    }
    ApplyComparison(op);
    return true;
}

}  // namespace

std::uint16_t ApplyOperator(std::uint8_t op, std::uint16_t a, std::uint16_t b, bool& divideByZero) {
    const unsigned l = a, r = b;
    switch (op) {
        case op::kAnd:
            return static_cast<std::uint16_t>(l & r);
        case op::kOr:
            return static_cast<std::uint16_t>(l | r);
        case op::kXor:
            return static_cast<std::uint16_t>(l ^ r);
        case op::kPlus:
            return static_cast<std::uint16_t>(l + r);
        case op::kMinus:
            return static_cast<std::uint16_t>(l - r);
        case op::kTimes:
            return static_cast<std::uint16_t>(l * r);
        case op::kDivide:
            if (r == 0) {
                divideByZero = true;
                return 0;
            }
            return static_cast<std::uint16_t>(l / r);
        case op::kShiftLeft:
            return static_cast<std::uint16_t>(r >= kMaxShift ? 0u : l << r);
        case op::kShiftRight:
            return static_cast<std::uint16_t>(r >= kMaxShift ? 0u : l >> r);
        case op::kGreaterEqual:
            return l >= r ? kTrue : 0;
        case op::kLessEqual:
            return l <= r ? kTrue : 0;
        case op::kEqual:
            return l == r ? kTrue : 0;
        case op::kNotEqual:
            return l != r ? kTrue : 0;
        case op::kGreater:
            return l > r ? kTrue : 0;
        case op::kLess:
            return l < r ? kTrue : 0;
        default:
            return a;  // operators conditional compilation refuses before they get here
    }
}

bool IsConditionalBinaryOperator(std::uint16_t value) {
    switch (value) {
        case op::kAnd:
        case op::kOr:
        case op::kXor:
        case op::kPlus:
        case op::kMinus:
        case op::kTimes:
        case op::kDivide:
        case op::kShiftLeft:
        case op::kShiftRight:
            return true;
        default:
            return false;
    }
}

void CompileExpression(TokenizerState& s, const ExpressionOptions& options) {
    ExpressionCompiler(s, options).Run();
}

// --- buffers ------------------------------------------------------------------------------

void ClearBuffer(TokenizerState& s, int buffer) {
    ExprBuffer& b = Buffer(s, buffer);
    b.words.fill(0);
    b.bits = 0;
}

// Bits are kept most significant first in 16-bit words; both operations below move whole runs
// of bits within one word at a time.
void AppendBits(TokenizerState& s, int buffer, int n, unsigned value) {
    ExprBuffer& b = Buffer(s, buffer);
    if (n <= 0) return;
    if (b.bits + n >= kExprBufferBits) RaiseError(err::kExpressionTooComplex);
    while (n > 0) {
        const int room = 16 - b.bits % 16;
        const int take = std::min(room, n);
        const unsigned ones = (1u << take) - 1u;
        const unsigned part = (n - take < 32 ? value >> (n - take) : 0u) & ones;
        const int shift = room - take;
        std::uint16_t& word = b.words[static_cast<std::size_t>(b.bits / 16)];
        word = static_cast<std::uint16_t>((word & ~(ones << shift)) | (part << shift));
        b.bits += take;
        n -= take;
    }
}

// Bits outside 0..bits-1 read as 0.
unsigned BufferBits(const ExprBuffer& b, int pos, int n) {
    unsigned v = 0;
    while (n > 0) {
        int take = 0;
        unsigned part = 0;
        if (pos < 0) {
            take = std::min(n, -pos);
        } else if (pos >= b.bits) {
            take = n;
        } else {
            const int used = pos % 16;
            take = std::min({16 - used, n, b.bits - pos});
            part = (static_cast<unsigned>(b.words[static_cast<std::size_t>(pos / 16)]) >>
                    (16 - used - take)) &
                   ((1u << take) - 1u);
        }
        v = take < 32 ? (v << take) | part : part;
        pos += take;
        n -= take;
    }
    return v;
}

void CopyBuffer(TokenizerState& s, int from, int to) {
    if (from == to) return;
    Buffer(s, to) = Buffer(s, from);
}

void AppendBufferWithOperator(TokenizerState& s, int from, std::uint8_t op) {
    const ExprBuffer source = Buffer(s, from);
    AppendBits(s, 0, 1, 1);
    for (int pos = 0; pos < source.bits; pos += 16) {
        const int n = std::min(16, source.bits - pos);
        AppendBits(s, 0, n, BufferBits(source, pos, n));
    }
    AddItem(s, op);
}

// --- items ----------------------------------------------------------------------------------

void AddItem(TokenizerState& s, std::uint8_t item) {
    int& depth = s.expr.depth;
    if ((item == op::kSqr || item == op::kAtn) && depth >= kMaxEvalDepth)
        RaiseError(err::kExpressionTooComplex);
    if (item >= kFirstBinaryItem && item <= kLastOperatorItem) {
        --depth;
    } else if (item >= kConstantItem && item <= kLastPlainReadItem) {
        if (depth >= kMaxEvalDepth) RaiseError(err::kExpressionTooComplex);
        ++depth;
    } else if (item >= kFirstIndexedWriteItem) {
        --depth;
    }
    if (Buffer(s, 0).bits > 0) AppendBits(s, 0, 1, 1);
    AppendBits(s, 0, kItemBits, item);
}

void AddConstantItem(TokenizerState& s, std::uint16_t value) {
    int h = 0;
    for (unsigned v = value; v > 1; v >>= 1) ++h;
    AddItem(s, static_cast<std::uint8_t>(kConstantItem + h));
    if (value == 0) {
        AppendBits(s, 0, 1, 1);
    } else if ((value & (value - 1u)) == 0) {
        AppendBits(s, 0, 1, 0);
    } else {
        AppendBits(s, 0, 1, 1);
        AppendBits(s, 0, h, value);
    }
}

void AddVariableItem(TokenizerState& s, bool write, bool indexed, unsigned size, unsigned address) {
    size &= 3u;
    AddItem(s,
            static_cast<std::uint8_t>(kVariableItem + (write ? 8 : 0) + (indexed ? 4 : 0) + size));
    AppendBits(s, 0, kVariableAddressBits[size], address);
}

// --- evaluator --------------------------------------------------------------------------------

std::uint16_t EvaluateBuffer(const TokenizerState& s, int buffer) {
    const ExprBuffer& b =
        s.expr.buffers[static_cast<std::size_t>(std::clamp(buffer, 0, kExprBufferCount - 1))];
    std::array<std::uint16_t, kEvalStackSize> stack{};
    int top = 0;
    bool divideByZero = false;
    for (int pos = 0; pos + kItemBits <= b.bits;) {
        if (pos > 0) ++pos;  // the 1 bit in front of every further item
        const auto item = static_cast<std::uint8_t>(BufferBits(b, pos, kItemBits));
        pos += kItemBits;
        if (item >= kVariableItem) {
            // Variables never reach compile-time expressions; skip the address, count as 0.
            pos += kVariableAddressBits[item & 3u];
            if (top < kEvalStackSize && item <= kLastPlainReadItem)
                stack[static_cast<std::size_t>(top++)] = 0;
        } else if (item >= kConstantItem) {
            const int h = item - kConstantItem;
            const unsigned flag = BufferBits(b, pos++, 1);
            unsigned value;
            if (h == 0) {
                value = flag ? 0u : 1u;
            } else if (flag == 0) {
                value = 1u << h;
            } else {
                value = (1u << h) | BufferBits(b, pos, h);
                pos += h;
            }
            if (top < kEvalStackSize)
                stack[static_cast<std::size_t>(top++)] = static_cast<std::uint16_t>(value);
        } else if (item < kFirstBinaryItem) {
            if (top == 0) continue;
            std::uint16_t& v = stack[static_cast<std::size_t>(top - 1)];
            if (item == op::kInvert) v = static_cast<std::uint16_t>(~v);
            if (item == op::kNegate) v = static_cast<std::uint16_t>(0u - v);
        } else {
            if (top < 2) continue;
            const std::uint16_t right = stack[static_cast<std::size_t>(--top)];
            std::uint16_t& left = stack[static_cast<std::size_t>(top - 1)];
            left = ApplyOperator(item, left, right, divideByZero);
        }
    }
    if (divideByZero) RaiseError(err::kDivideByZero);
    return top > 0 ? stack[0] : 0;
}

}  // namespace kavrin::tokenizer
