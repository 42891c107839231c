// The statement side of the expression compiler: the variable operands (read items with
// modifiers and index, write targets, the high byte of a word), and the handful of operations
// with which statement handlers move compiled expressions between the four buffers and into the
// code stream.

#include <algorithm>

#include "tokenizer/back_end.h"
#include "tokenizer/code_writer.h"
#include "tokenizer/declarations.h"
#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/expression.h"
#include "tokenizer/statements.h"

namespace kavrin::tokenizer {

namespace {

constexpr std::uint8_t kConstantItem = 32;
constexpr int kItemBits = 6;
constexpr unsigned kPinOutputOffset = 16;
constexpr unsigned kIndexScale = 2;
// Every nested index adds an indexed item of at least 11 bits to the buffer that holds it, so an
// index nested deeper than this cannot fit the 496 bits anyway. Refusing it on the way in keeps
// the recursion of hostile text such as B0(B0(B0(... shallow.
constexpr int kMaxIndexNesting = 48;

class IndexNesting {
public:
    explicit IndexNesting(ExpressionState& x) : x_(x) {
        if (x_.indexNesting >= kMaxIndexNesting) RaiseError(err::kExpressionTooComplex);
        ++x_.indexNesting;
    }
    ~IndexNesting() { --x_.indexNesting; }
    IndexNesting(const IndexNesting&) = delete;
    IndexNesting& operator=(const IndexNesting&) = delete;

private:
    ExpressionState& x_;
};

Elem ToElem(const TElement& e, int index) {
    return Elem{e.Kind, e.Value, e.Start, e.Length, index};
}

// Compiles "(" index ")" into buffer 0 behind what it holds already. The nested compilation has
// its own stack base and levels; the caller's are restored afterwards.
bool CompileIndex(TokenizerState& s) {
    if (!PeekIs(s, ekOpenParen)) return false;
    ReadElem(s);
    ExpressionState& x = s.expr;
    const IndexNesting nesting(x);
    const ExprBuffer saved = x.buffers[0];
    const int opTop = x.opTop, opBase = x.opBase, levels = x.levels;
    ClearBuffer(s, 0);
    CompileExpression(s, ExpressionOptions{});
    x.opTop = opTop;
    x.opBase = opBase;
    x.levels = levels;
    ExpectElem(s, ekCloseParen, err::kExpectedCloseParen);
    const ExprBuffer index = x.buffers[0];
    x.buffers[0] = saved;
    if (saved.bits > 0 && index.bits > 0) AppendBits(s, 0, 1, 1);
    for (int pos = 0; pos < index.bits; pos += kMaxFieldBits) {
        const int n = std::min(kMaxFieldBits, index.bits - pos);
        AppendBits(s, 0, n, BufferBits(index, pos, n));
    }
    return true;
}

// A variable element just read, as a read or write item into buffer 0.
void CompileVariable(TokenizerState& s, const TElement& first, bool write) {
    if (first.Kind == ekPinName) {
        // Outside pin context a PIN name is its input bit, and as a target its output bit.
        AddVariableItem(s, write, false, kSizeBit, first.Value + (write ? kPinOutputOffset : 0u));
        return;
    }
    const std::uint16_t value = ApplyModifiers(s, first.Value);
    const bool indexed = CompileIndex(s);
    AddVariableItem(s, write, indexed, VariableSize(value), VariableAddress(value));
}

}  // namespace

// --- the expression compiler's hook
// ---------------------------------------------------------------

void CompileVariableRead(TokenizerState& s, const TElement& first) {
    CompileVariable(s, first, false);
}

// --- elements
// -------------------------------------------------------------------------------------

Elem ReadElem(TokenizerState& s) {
    TElement e;
    if (!ReadElement(s, e)) return ToElem(e, s.elementCount);
    return ToElem(e, s.lastRead);
}

Elem PeekElem(TokenizerState& s) {
    TElement e;
    PeekElement(s, e);
    return ToElem(e, NextLive(s, s.readIndex));
}

Elem ElemAt(const TokenizerState& s, int index) {
    if (index < 0 || index >= s.elementCount) return Elem{};
    return ToElem(s.elements[static_cast<std::size_t>(index)], index);
}

int ReadPosition(const TokenizerState& s) { return s.readIndex; }

void SeekElem(TokenizerState& s, int index) { s.readIndex = std::clamp(index, 0, s.elementCount); }

Elem ExpectElem(TokenizerState& s, std::uint8_t kind, int error) {
    const Elem e = ReadElem(s);
    if (e.kind != kind) RaiseError(error);
    return e;
}

bool PeekIs(TokenizerState& s, std::uint8_t kind) { return PeekElem(s).kind == kind; }
bool Version25(const TokenizerState& s) { return s.syntax25; }
std::uint8_t Module(const TokenizerState& s) { return s.result.ModuleKind; }
void SetDebugUsed(TokenizerState& s) { s.result.DebugUsed = 1; }

// --- expressions
// ------------------------------------------------------------------------------------

void CompileExpr(TokenizerState& s, int depth, unsigned flags) {
    s.expr.depth = depth;
    ExpressionOptions options;
    options.condition = (flags & kExprCondition) != 0;
    options.pinContext = (flags & kExprPin) != 0;
    ClearBuffer(s, 0);
    CompileExpression(s, options);
}

void CompileCaseTest(TokenizerState& s, int selectorStart, int spliceStart,
                     std::uint8_t comparison) {
    s.expr.depth = 0;
    ExpressionOptions options;
    options.condition = true;
    options.spliceStart = spliceStart;
    options.comparison = comparison;
    SeekElem(s, selectorStart);
    ClearBuffer(s, 0);
    CompileExpression(s, options);
}

namespace {

// A variable or pin name on its own, read or written.
void CompileNamedVariable(TokenizerState& s, int depth, bool write) {
    s.expr.depth = depth;
    ClearBuffer(s, 0);
    TElement e;
    ReadElement(s, e);
    if (e.Kind != ekVariable && e.Kind != ekPinName) RaiseError(err::kExpectedVariable);
    CompileVariable(s, e, write);
}

}  // namespace

void CompileReadVar(TokenizerState& s, int depth) { CompileNamedVariable(s, depth, false); }

void CompileTarget(TokenizerState& s, int depth) { CompileNamedVariable(s, depth, true); }

void CompileHighByteTarget(TokenizerState& s, int depth) {
    s.expr.depth = depth;
    ClearBuffer(s, 0);
    TElement e;
    ReadElement(s, e);
    if (e.Kind != ekVariable || VariableSize(e.Value) != kSizeWord || PeekIs(s, ekPeriod))
        RaiseError(err::kExpectedWordVariable);
    const bool indexed = CompileIndex(s);
    if (indexed) {
        AddConstantItem(s, kIndexScale);
        AddItem(s, static_cast<std::uint8_t>(op::kTimes));
    }
    AddVariableItem(s, true, indexed, kSizeByte, 2 * VariableAddress(e.Value) + 1);
}

void EmitBuffer(TokenizerState& s, int buffer, bool lead) {
    const ExprBuffer& b =
        s.expr.buffers[static_cast<std::size_t>(std::clamp(buffer, 0, kExprBuffers - 1))];
    CodeWriter& w = s.writer;
    if (lead) w.WriteBit(true);
    for (int pos = 0; pos < b.bits; pos += kMaxFieldBits) {
        const int n = std::min(kMaxFieldBits, b.bits - pos);
        w.WriteField(n, BufferBits(b, pos, n));
    }
}

void SetBufferConstant(TokenizerState& s, int buffer, unsigned value) {
    const ExprBuffer saved = s.expr.buffers[0];
    const int depth = s.expr.depth;
    ClearBuffer(s, 0);
    s.expr.depth = 0;
    AddConstantItem(s, static_cast<std::uint16_t>(value));
    CopyBuffer(s, 0, buffer);
    s.expr.depth = depth;
    if (buffer != 0) s.expr.buffers[0] = saved;
}

void AppendToBuffer0(TokenizerState& s, int from, std::uint8_t op) {
    AppendBufferWithOperator(s, from, op);
}

// --- direct stream
// ----------------------------------------------------------------------------------

void EmitConstant(CodeWriter& w, unsigned value, bool lead) {
    value &= 0xFFFFu;
    if (lead) w.WriteBit(true);
    int h = 0;
    while ((value >> (h + 1)) != 0) ++h;
    w.WriteField(kItemBits, kConstantItem + static_cast<unsigned>(h));
    if (value == 0) {
        w.WriteBit(true);
    } else if ((value & (value - 1)) == 0) {
        w.WriteBit(false);
    } else {
        w.WriteBit(true);
        w.WriteField(h, value & ((1u << h) - 1u));
    }
}

void EmitOperator(CodeWriter& w, std::uint8_t op) {
    w.WriteBit(true);
    w.WriteField(kItemBits, op);
}

void EmitBit(CodeWriter& w, bool bit) { w.WriteBit(bit); }
void EmitField(CodeWriter& w, int bits, unsigned value) { w.WriteField(bits, value); }
void EmitToken(CodeWriter& w, std::uint8_t code) { w.WriteToken(code); }

void EmitAddressHere(CodeWriter& w) {
    w.WriteAddress(static_cast<unsigned>(w.Position() + kAddressBits));
}

void EmitLabelAddress(TokenizerState& s) {
    const Elem e = ReadElem(s);
    CodeWriter& w = s.writer;
    if (e.kind == ekLabel) {
        w.WriteAddress(e.value);
    } else if (e.kind == ekUndefined) {
        w.AddFixup(static_cast<std::uint16_t>(e.index), w.Reserve());
    } else {
        RaiseError(err::kExpectedLabel);
    }
}

}  // namespace kavrin::tokenizer
