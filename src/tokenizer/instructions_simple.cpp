// The simple instructions: a fixed list of arguments, each compiled in source order into a buffer
// of its own and emitted in the order the target evaluates them, then the token, then at most a
// return address (A+) or one write target. Their layouts differ only in data, so they are one
// table.

#include <array>

#include "tokenizer/error_numbers.h"
#include "tokenizer/errors.h"
#include "tokenizer/instructions.h"

namespace kavrin::tokenizer {

namespace {

enum class Arg : std::uint8_t {
    None,
    Value,      // E(x)
    Pin,        // P(x)
    Target,     // W(v) 0 after the token
    ReadWrite,  // R(v) before the token, W(v) 0 after it
};

inline constexpr int kMaxSimpleArgs = 3;
inline constexpr std::uint8_t kNone = 0xFF;

struct SimpleForm {
    std::uint8_t number;
    std::uint8_t token;
    std::array<Arg, kMaxSimpleArgs> args;            // source order
    std::array<std::uint8_t, kMaxSimpleArgs> depth;  // preset before each argument
    std::array<std::uint8_t, kMaxSimpleArgs> order;  // source indices in emission order
    bool addressAfter;                               // A+ behind the token
};

using A = Arg;
namespace I = instr;
namespace T = token;
constexpr std::uint8_t X = kNone;

// clang-format off
constexpr SimpleForm kSimpleForms[] = {
    {I::kAuxio,    T::kAuxio,    {A::None,  A::None,  A::None},   {0, 0, 0}, {X, X, X}, false},
    {I::kMainio,   T::kMainio,   {A::None,  A::None,  A::None},   {0, 0, 0}, {X, X, X}, false},
    {I::kStop,     T::kStop,     {A::None,  A::None,  A::None},   {0, 0, 0}, {X, X, X}, false},
    {I::kHigh,     T::kHigh,     {A::Pin,   A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kLow,      T::kLow,      {A::Pin,   A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kToggle,   T::kToggle,   {A::Pin,   A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kInput,    T::kInput,    {A::Pin,   A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kOutput,   T::kOutput,   {A::Pin,   A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kReverse,  T::kReverse,  {A::Pin,   A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kPause,    T::kPause,    {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kNap,      T::kNap,      {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, true},
    {I::kSleep,    T::kSleep,    {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, true},
    {I::kPollwait, T::kPollwait, {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, true},
    {I::kPollmode, T::kPollmode, {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kPollrun,  T::kPollrun,  {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kRun,      T::kRun,      {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kStore,    T::kStore,    {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kIoterm,   T::kIoterm,   {A::Value, A::None,  A::None},   {0, 0, 0}, {0, X, X}, false},
    {I::kPollin,   T::kPollin,   {A::Pin,   A::Value, A::None},   {1, 0, 0}, {1, 0, X}, false},
    {I::kPollout,  T::kPollout,  {A::Pin,   A::Value, A::None},   {1, 0, 0}, {1, 0, X}, false},
    {I::kPulsout,  T::kPulsout,  {A::Pin,   A::Value, A::None},   {1, 0, 0}, {1, 0, X}, false},
    {I::kLcdcmd,   T::kLcdcmd,   {A::Pin,   A::Value, A::None},   {1, 0, 0}, {1, 0, X}, false},
    {I::kPwm,      T::kPwm,      {A::Pin,   A::Value, A::Value},  {2, 0, 1}, {1, 2, 0}, false},
    {I::kCount,    T::kCount,    {A::Pin,   A::Value, A::Target}, {1, 0, 1}, {1, 0, X}, false},
    {I::kPulsin,   T::kPulsin,   {A::Pin,   A::Value, A::Target}, {1, 0, 1}, {1, 0, X}, false},
    {I::kRctime,   T::kRctime,   {A::Pin,   A::Value, A::Target}, {1, 0, 1}, {1, 0, X}, false},
    {I::kRandom,   T::kRandom,   {A::ReadWrite, A::None, A::None}, {0, 0, 0}, {0, X, X}, false},
};
// clang-format on

const SimpleForm* FindSimpleForm(std::uint8_t number) {
    for (const SimpleForm& form : kSimpleForms)
        if (form.number == number) return &form;
    return nullptr;
}

// Buffer 1 + i holds source argument i; a write target is kept in the last buffer.
constexpr int kTargetBuffer = kExprBuffers - 1;

}  // namespace

void ExpectComma(TokenizerState& s) { ExpectElem(s, ekComma, err::kExpectedComma); }

bool CompileSimpleInstruction(TokenizerState& s, std::uint8_t number) {
    const SimpleForm* form = FindSimpleForm(number);
    if (!form) return false;
    bool hasTarget = false;
    for (int i = 0; i < kMaxSimpleArgs && form->args[static_cast<std::size_t>(i)] != Arg::None;
         ++i) {
        const auto slot = static_cast<std::size_t>(i);
        if (i > 0) ExpectComma(s);
        const int depth = form->depth[slot];
        switch (form->args[slot]) {
            case Arg::Value:
                CompileExpr(s, depth);
                break;
            case Arg::Pin:
                CompileExpr(s, depth, kExprPin);
                break;
            case Arg::Target:
                CompileTarget(s, depth);
                CopyBuffer(s, 0, kTargetBuffer);
                hasTarget = true;
                continue;
            case Arg::ReadWrite: {
                const int start = ReadPosition(s);
                CompileReadVar(s, 0);
                CopyBuffer(s, 0, 1 + i);
                SeekElem(s, start);
                CompileTarget(s, 1);
                CopyBuffer(s, 0, kTargetBuffer);
                hasTarget = true;
                continue;
            }
            case Arg::None:
                break;
        }
        CopyBuffer(s, 0, 1 + i);
    }
    for (std::uint8_t source : form->order)
        if (source != kNone) EmitBuffer(s, 1 + source, true);
    EmitToken(s.writer, form->token);
    if (form->addressAfter) EmitAddressHere(s.writer);
    if (hasTarget) {
        EmitBuffer(s, kTargetBuffer, false);
        EmitBit(s.writer, false);
    }
    return true;
}

}  // namespace kavrin::tokenizer
