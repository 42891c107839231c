// The interpreter of the object code: the stream reader, the expression items, the tokens and
// their timing. processor_serial.cpp holds the line instructions (SEROUT, SERIN and DEBUG).

#include "sim/processor.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "sim/processor_detail.h"

namespace kavrin::sim {

using namespace processor_detail;

namespace {

constexpr int kItemBits = wire::item::kBits;
constexpr int kTokenCodeBits = 6;  // behind the token's leading 0 bit
constexpr int kAddressLowBits = 3;
constexpr int kAddressHighBits = 11;
constexpr int kGosubNumberBits = 8;
constexpr int kLookdownComparisonBits = 3;
constexpr const int (&kAddressBitsBySize)[4] = wire::item::kVariableAddressBits;
constexpr unsigned kUnitsBySize[4] = {256, 64, 32, 16};
constexpr unsigned kBitsBySize[4] = {1, 4, 8, 16};

constexpr unsigned kFirstBinaryItem = wire::op::kFirstBinary;
constexpr unsigned kFirstConstantItem = wire::item::kFirstConstant;
constexpr unsigned kFirstVariableItem = wire::item::kFirstVariable;
constexpr unsigned kWriteFlag = wire::item::kWriteFlag, kIndexFlag = wire::item::kIndexFlag,
                   kSizeMask = wire::item::kSizeMask;

constexpr VirtualTime kNapBase = 18 * kMicrosPerMs;
constexpr unsigned kNapPeriodMask = 7;
constexpr VirtualTime kPulseUnit = 2;    // PULSOUT, PULSIN and RCTIME count 2 us units
constexpr VirtualTime kSampleStep = 10;  // how often measuring instructions look at a pin
constexpr VirtualTime kCountSampleStep = 20;
constexpr unsigned kMaxMeasure = 65535;
constexpr VirtualTime kShiftBitTime = 14;
constexpr VirtualTime kXoutFrame = 11 * kMicrosPerSecond / 60;  // 11 cycles of the mains
constexpr std::uint16_t kRandomMultiplier = 25173, kRandomIncrement = 13849;
constexpr unsigned kButtonNoRepeat = 255;

// The frequencies of the telephone keys 0..15 (0-9, *, #, A-D).
constexpr std::uint32_t kDtmfLow[16] = {941, 697, 697, 697, 770, 770, 770, 852,
                                        852, 852, 941, 941, 697, 770, 852, 941};
constexpr std::uint32_t kDtmfHigh[16] = {1336, 1209, 1336, 1477, 1209, 1336, 1477, 1209,
                                         1336, 1477, 1209, 1477, 1633, 1633, 1633, 1633};

}  // namespace

// --- life cycle -----------------------------------------------------------------------------

void Processor::Load(const Eeprom& image) {
    eeprom_ = image;
    Reset();
}

void Processor::Reset() {
    ram_.fill(0);
    depth_ = 0;
    gosubDepth_ = 0;
    state_ = ProcessorState::Running;
    diagnostic_.clear();
    serinPending_ = false;
    hostIn_.clear();
    SyncPins();
    pc_ = 0;
    try {
        pc_ = ReadAddress();  // slot 0 of the GOSUB table: where the program starts
    } catch (const Fault&) {
    }
}

std::string Processor::StopReason() const {
    switch (state_) {
        case ProcessorState::Running:
            return "running";
        case ProcessorState::Ended:
            return "END";
        case ProcessorState::Stopped:
            return "STOP";
        case ProcessorState::Faulted:
            return diagnostic_;
    }
    return {};
}

void Processor::Run(VirtualTime until) {
    runLimit_ = until;
    const bool wasRunning = state_ == ProcessorState::Running;
    while (state_ == ProcessorState::Running && now_ < until) {
        const int at = pc_;
        try {
            if (ReadBit()) {
                const unsigned item = ReadBits(kItemBits);
                now_ += kItemTime;
                ExecuteItem(item, at);
            } else {
                const unsigned token = ReadBits(kTokenCodeBits);
                now_ += kTokenTime;
                ExecuteToken(token, at);
                depth_ = 0;
            }
        } catch (const Fault&) {
            break;
        } catch (const SerinWait&) {
            break;
        }
    }
    if (state_ != ProcessorState::Running) {
        if (wasRunning) stopTime_ = now_;
        now_ = std::max(now_, until);
    }
    body_.AdvanceTo(now_);
}

void Processor::FeedHost(std::uint8_t byte, VirtualTime time) { hostIn_.push_back({byte, time}); }

std::vector<HostByte> Processor::TakeHostOutput() {
    std::vector<HostByte> out;
    out.swap(hostOut_);
    return out;
}

// --- stream ---------------------------------------------------------------------------------

unsigned Processor::ReadBits(int n) {
    if (pc_ < 0 || pc_ + n > kStreamBits) Raise("code runs past the end of the EEPROM", pc_);
    unsigned value = 0;
    for (int i = 0; i < n; ++i, ++pc_) {
        const std::uint8_t byte =
            eeprom_[kProcessorEepromSize - 1 - static_cast<std::size_t>(pc_ / 8)];
        value = value << 1 | ((byte >> (7 - pc_ % 8)) & 1u);
    }
    return value;
}

int Processor::DecodeAddress(unsigned field14) {
    // 3 bits of (a mod 8), then 11 bits of (a div 8).
    return static_cast<int>(((field14 & 0x7FFu) << kAddressLowBits) |
                            (field14 >> kAddressHighBits));
}

int Processor::ReadAddress() { return DecodeAddress(ReadBits(kAddressLowBits + kAddressHighBits)); }

void Processor::Raise(const std::string& what, int at) {
    state_ = ProcessorState::Faulted;
    diagnostic_ = what + " at bit " + std::to_string(at);
    throw Fault{};
}

// --- expression items -----------------------------------------------------------------------

void Processor::Push(std::uint16_t v) {
    if (depth_ >= kEvalStackDepth) Raise("expression stack overflow", pc_);
    stack_[static_cast<std::size_t>(depth_++)] = v;
}

std::uint16_t Processor::Pop() {
    if (depth_ <= 0) Raise("expression stack empty", pc_);
    return stack_[static_cast<std::size_t>(--depth_)];
}

void Processor::ExecuteItem(unsigned item, int) {
    if (item < kFirstBinaryItem) {
        Push(Unary(item, Pop()));
    } else if (item < kFirstConstantItem) {
        const std::uint16_t right = Pop();
        const std::uint16_t left = Pop();
        Push(Apply(item, left, right));
    } else if (item < kFirstVariableItem) {
        const int h = static_cast<int>(item - kFirstConstantItem);
        const bool flag = ReadBit();
        unsigned value;
        if (h == 0)
            value = flag ? 0u : 1u;
        else if (!flag)
            value = 1u << h;
        else
            value = (1u << h) | ReadBits(h);
        Push(static_cast<std::uint16_t>(value));
    } else {
        const unsigned size = item & kSizeMask;
        unsigned address = ReadBits(kAddressBitsBySize[size]);
        if (item & kIndexFlag) address += Pop();
        if (item & kWriteFlag) {
            const std::uint16_t value = Pop();
            if (!suppressWrites_) WriteVar(size, address, value);
        } else {
            Push(ReadVar(size, address));
        }
    }
}

void Processor::RunItems(bool firstBare) {
    if (firstBare) {
        now_ += kItemTime;
        ExecuteItem(ReadBits(kItemBits), pc_);
    }
    while (ReadBit()) {
        now_ += kItemTime;
        ExecuteItem(ReadBits(kItemBits), pc_);
    }
}

std::uint16_t Processor::Unary(unsigned op, std::uint16_t v) { return UnaryOperator(op, v); }

std::uint16_t Processor::Apply(unsigned op, std::uint16_t a, std::uint16_t b) const {
    return BinaryOperator(op, a, b);
}

// --- memory and pins ----------------------------------------------------------------------------

std::uint16_t Processor::ReadVar(unsigned size, unsigned address) {
    address %= kUnitsBySize[size];
    if (address * kBitsBySize[size] / 16 == kInsWord) ReadIns();
    return Peek({static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(address)});
}

std::uint16_t Processor::Peek(wire::VariableLocation at) const {
    const unsigned size = at.size & 3u;
    const unsigned address = at.address % kUnitsBySize[size];
    const unsigned bits = kBitsBySize[size];
    const std::uint16_t w = ram_[address * bits / 16];
    return static_cast<std::uint16_t>((w >> (address * bits % 16)) & ((1u << bits) - 1u));
}

void Processor::WriteVar(unsigned size, unsigned address, std::uint16_t value) {
    address %= kUnitsBySize[size];
    const unsigned bits = kBitsBySize[size];
    const unsigned word = address * bits / 16;
    if (word == kInsWord) return;  // INS reads the pins; writing it changes nothing
    const unsigned shift = address * bits % 16;
    const unsigned mask = ((1u << bits) - 1u) << shift;
    ram_[word] = static_cast<std::uint16_t>((ram_[word] & ~mask) |
                                            ((static_cast<unsigned>(value) << shift) & mask));
    if (word == kOutsWord || word == kDirsWord) SyncPins();
}

bool Processor::InputLevel(int pin) { return body_.ReadInput(pin, now_); }

std::uint16_t Processor::ReadIns() {
    unsigned ins = 0;
    for (int pin = 0; pin < kPinCount; ++pin) {
        const unsigned bit = 1u << pin;
        const bool level = (ram_[kDirsWord] & bit) ? (ram_[kOutsWord] & bit) != 0 : InputLevel(pin);
        if (level) ins |= bit;
    }
    ram_[kInsWord] = static_cast<std::uint16_t>(ins);
    return ram_[kInsWord];
}

// Tells the body about every pin whose drive changed with OUTS or DIRS.
void Processor::SyncPins() {
    for (int pin = 0; pin < kPinCount; ++pin) {
        const unsigned bit = 1u << pin;
        const bool output = (ram_[kDirsWord] & bit) != 0, wasOutput = (drivenDirs_ & bit) != 0;
        const bool high = (ram_[kOutsWord] & bit) != 0, wasHigh = (drivenOuts_ & bit) != 0;
        if (output != wasOutput || (output && high != wasHigh))
            body_.OnPinDrive(pin, output, high, now_);
    }
    drivenOuts_ = ram_[kOutsWord];
    drivenDirs_ = ram_[kDirsWord];
}

void Processor::SetPin(int pin, bool output, bool high) {
    const auto bit = static_cast<std::uint16_t>(1u << PinOf(pin));
    std::uint16_t& dirs = ram_[kDirsWord];
    std::uint16_t& outs = ram_[kOutsWord];
    dirs = static_cast<std::uint16_t>(output ? dirs | bit : dirs & ~bit);
    outs = static_cast<std::uint16_t>(high ? outs | bit : outs & ~bit);
    SyncPins();
}

void Processor::Wait(VirtualTime us) {
    now_ += std::max<VirtualTime>(us, 0);
    body_.AdvanceTo(now_);
}

// --- tokens -------------------------------------------------------------------------------------

void Processor::ExecuteToken(unsigned token, int at) {
    switch (token) {
        case tok::kEnd:
            state_ = ProcessorState::Ended;
            return;
        case tok::kSleep: {
            const VirtualTime seconds = Pop();
            ReadAddress();
            Wait(seconds * kMicrosPerSecond);
            return;
        }
        case tok::kNap: {
            const unsigned period = Pop() & kNapPeriodMask;
            ReadAddress();
            Wait(kNapBase << period);
            return;
        }
        case tok::kStop:
            state_ = ProcessorState::Stopped;
            return;
        case tok::kOutput:
        case tok::kHigh:
        case tok::kToggle:
        case tok::kLow:
        case tok::kReverse:
        case tok::kInput: {
            const int pin = PinOf(Pop());
            const unsigned bit = 1u << pin;
            const bool high = (ram_[kOutsWord] & bit) != 0, output = (ram_[kDirsWord] & bit) != 0;
            if (token == tok::kOutput) SetPin(pin, true, high);
            if (token == tok::kHigh) SetPin(pin, true, true);
            if (token == tok::kLow) SetPin(pin, true, false);
            if (token == tok::kToggle) SetPin(pin, true, !high);
            if (token == tok::kReverse) SetPin(pin, !output, high);
            if (token == tok::kInput) SetPin(pin, false, high);
            return;
        }
        case tok::kGoto:
            pc_ = ReadAddress();
            return;
        case tok::kGosub:
            Gosub(at);
            return;
        case tok::kReturn:
            Return(at);
            return;
        case tok::kIfJump: {
            const bool taken = (Pop() & 1u) != 0;
            const int target = ReadAddress();
            if (taken) pc_ = target;
            return;
        }
        case tok::kNext:
            Next();
            return;
        case tok::kBranch:
            Branch();
            return;
        case tok::kLookup:
            Lookup();
            return;
        case tok::kLookdown:
            Lookdown();
            return;
        case tok::kRandom: {
            const std::uint16_t v = Pop();
            StoreTarget(static_cast<std::uint16_t>(v * kRandomMultiplier + kRandomIncrement));
            return;
        }
        case tok::kRead: {
            const std::uint16_t location = Pop();
            ReadAddress();
            StoreTarget(eeprom_[location % kProcessorEepromSize]);
            return;
        }
        case tok::kWrite: {
            const std::uint16_t location = Pop();
            const std::uint16_t value = Pop();
            ReadAddress();
            eeprom_[location % kProcessorEepromSize] = static_cast<std::uint8_t>(value);
            eepromChanged_ = true;
            Wait(kEepromWriteTime);
            return;
        }
        case tok::kPause:
            Wait(Pop() * kMicrosPerMs);
            return;
        case tok::kFreqout1:
        case tok::kFreqout2: {
            const std::uint32_t f2 = token == tok::kFreqout2 ? Pop() : 0;
            const std::uint32_t f1 = Pop();
            const VirtualTime duration = Pop() * kMicrosPerMs;
            const int pin = PinOf(Pop());
            SetPin(pin, true, false);
            body_.OnTone(pin, static_cast<std::uint32_t>(duration), f1, f2, now_);
            Wait(duration);
            return;
        }
        case tok::kDtmfout:
            Dtmfout();
            return;
        case tok::kXout:
            Xout();
            return;
        case tok::kAssign:
            return;  // the write items have stored the value already
        case tok::kSerout:
            Serout(false);
            return;
        case tok::kSeroutFlow:
            Serout(true);
            return;
        case tok::kSerin:
            Serin(false, at);
            return;
        case tok::kSerinFlow:
            Serin(true, at);
            return;
        case tok::kPulsout: {
            const int pin = PinOf(Pop());
            const VirtualTime width = Pop() * kPulseUnit;
            const unsigned bit = 1u << pin;
            SetPin(pin, true, (ram_[kOutsWord] & bit) != 0);
            body_.OnPulse(pin, static_cast<std::uint32_t>(width), now_);
            Wait(width);
            return;
        }
        case tok::kPulsin:
        case tok::kCount:
        case tok::kRctime:
            Measure(token);
            return;
        case tok::kShiftin:
            ShiftIn();
            return;
        case tok::kShiftout:
            ShiftOut();
            return;
        case tok::kButton:
            Button();
            return;
        case tok::kPwm: {
            const int pin = PinOf(Pop());
            const VirtualTime cycles = Pop();
            const std::uint16_t duty = Pop();
            SetPin(pin, true, (duty & 0xFF) >= 128);
            Wait(cycles * kMicrosPerMs);
            SetPin(pin, false, false);
            return;
        }
        default:
            Raise("invalid token " + std::to_string(token), at);
    }
}

void Processor::Gosub(int at) {
    const auto number = static_cast<std::uint8_t>(ReadBits(kGosubNumberBits));
    const int target = ReadAddress();
    if (gosubDepth_ >= kGosubDepth) Raise("GOSUB nested more than 4 deep", at);
    gosubs_[static_cast<std::size_t>(gosubDepth_++)] = number;
    pc_ = target;
}

void Processor::Return(int at) {
    if (gosubDepth_ <= 0) Raise("RETURN without GOSUB", at);
    const int slot = gosubs_[static_cast<std::size_t>(--gosubDepth_)];
    pc_ = slot * (kAddressLowBits + kAddressHighBits);
    pc_ = ReadAddress();
}

// end start T(14) var step 0 W(var) 0 A(top): counts up, or down when start is above end.
void Processor::Next() {
    RunItems(true);
    const unsigned step = Pop();
    const unsigned value = Pop();
    const unsigned start = Pop();
    const unsigned end = Pop();
    bool more;
    unsigned next;
    if (start > end) {
        more = value >= step && value - step >= end;
        next = value - step;
    } else {
        more = value + step <= 0xFFFFu && value + step <= end;
        next = value + step;
    }
    StoreTarget(static_cast<std::uint16_t>(next));
    const int top = ReadAddress();
    if (more) pc_ = top;
}

void Processor::Branch() {
    const unsigned index = Pop();
    int target = -1;
    for (unsigned i = 0;; ++i) {
        const int address = ReadAddress();
        if (i == index) target = address;
        if (!ReadBit()) break;
    }
    if (target >= 0) pc_ = target;
}

std::vector<std::uint16_t> Processor::EntryValues(bool firstBare) {
    int base = depth_;
    RunItems(firstBare);
    base = std::min(base, depth_);  // a damaged entry may have taken values from below it
    std::vector<std::uint16_t> values(stack_.begin() + base, stack_.begin() + depth_);
    depth_ = base;
    return values;
}

std::uint16_t Processor::EntryValue() {
    const std::vector<std::uint16_t> values = EntryValues(true);
    return values.empty() ? std::uint16_t{0} : values.back();
}

void Processor::StoreTarget(std::uint16_t value, bool store) {
    Push(value);
    suppressWrites_ = !store;
    try {
        RunItems(true);
    } catch (...) {
        suppressWrites_ = false;
        throw;
    }
    suppressWrites_ = false;
}

void Processor::Lookup() {
    const unsigned index = Pop();
    bool found = false;
    std::uint16_t value = 0;
    for (unsigned i = 0;; ++i) {
        const std::uint16_t v = EntryValue();
        if (i == index) {
            found = true;
            value = v;
        }
        if (!ReadBit()) break;
    }
    StoreTarget(value, found);
}

void Processor::Lookdown() {
    const std::uint16_t target = Pop();
    const unsigned comparison = ReadBits(kLookdownComparisonBits);
    bool found = false;
    std::uint16_t index = 0;
    for (std::uint16_t i = 0;; ++i) {
        const std::uint16_t v = EntryValue();
        if (!found && Compare(comparison, target, v)) {
            found = true;
            index = i;
        }
        if (!ReadBit()) break;
    }
    StoreTarget(index, found);
}

// E(down) E(delay) E(rate) E(target) R(workspace) P(pin) T W(workspace) 0 A(label).
void Processor::Button() {
    const int pin = PinOf(Pop());
    unsigned workspace = Pop() & 0xFF;
    const bool target = (Pop() & 1u) != 0;
    const unsigned rate = Pop() & 0xFF;
    const unsigned delay = Pop() & 0xFF;
    const bool down = (Pop() & 1u) != 0;
    SetPin(pin, false, (ram_[kOutsWord] >> pin) & 1u);
    const bool pressed = InputLevel(pin) == down;
    bool act = false;
    if (!pressed) {
        workspace = 0;
    } else if (delay == 0) {
        act = true;  // no debounce, no repeat
    } else if (workspace == 0) {
        act = true;
        workspace = delay;
    } else if (delay != kButtonNoRepeat && --workspace == 0) {
        act = true;
        workspace = rate;
    }
    StoreTarget(static_cast<std::uint16_t>(workspace));
    const int label = ReadAddress();
    if (act == target) pc_ = label;
}

// PULSIN, RCTIME and COUNT: E(state or duration) P(pin) T W(variable) 0.
void Processor::Measure(unsigned token) {
    const int pin = PinOf(Pop());
    const std::uint16_t argument = Pop();
    SetPin(pin, false, (ram_[kOutsWord] >> pin) & 1u);
    const bool state = (argument & 1u) != 0;
    auto sample = [&](VirtualTime step) {
        now_ += step;
        return InputLevel(pin);
    };
    const VirtualTime limit = now_ + static_cast<VirtualTime>(kMaxMeasure) * kPulseUnit;
    unsigned result = 0;
    if (token == tok::kCount) {
        const VirtualTime end = now_ + argument * kMicrosPerMs;
        bool last = InputLevel(pin);
        while (now_ < end) {
            const bool level = sample(kCountSampleStep);
            if (level && !last) ++result;
            last = level;
        }
    } else if (token == tok::kRctime) {
        if (InputLevel(pin) != state) {
            result = 1;
        } else {
            const VirtualTime begin = now_;
            while (now_ < limit && sample(kSampleStep) == state) {
            }
            result = now_ >= limit ? 0u : static_cast<unsigned>((now_ - begin) / kPulseUnit);
        }
    } else {  // PULSIN: the next whole pulse of the state
        while (now_ < limit && InputLevel(pin) == state) sample(kSampleStep);
        while (now_ < limit && InputLevel(pin) != state) sample(kSampleStep);
        const VirtualTime begin = now_;
        while (now_ < limit && InputLevel(pin) == state) sample(kSampleStep);
        result = now_ >= limit ? 0u : static_cast<unsigned>((now_ - begin) / kPulseUnit);
    }
    body_.AdvanceTo(now_);
    StoreTarget(static_cast<std::uint16_t>(std::min(result, kMaxMeasure)));
}

// E(mode) P(dpin) P(cpin) T L{bits value 0}: LSB first for mode 0, MSB first otherwise.
void Processor::ShiftOut() {
    const int clock = PinOf(Pop());
    const int data = PinOf(Pop());
    const bool msbFirst = (Pop() & 1u) != 0;
    do {
        const std::vector<std::uint16_t> v = EntryValues(true);
        const unsigned bits = std::min<unsigned>(v.size() >= 2 ? v[v.size() - 2] : 8u, 16u);
        const unsigned value = v.empty() ? 0u : v.back();
        for (unsigned i = 0; i < bits; ++i) {
            const unsigned bit = msbFirst ? bits - 1 - i : i;
            SetPin(data, true, ((value >> bit) & 1u) != 0);
            SetPin(clock, true, true);
            SetPin(clock, true, false);
            Wait(kShiftBitTime);
        }
    } while (ReadBit());
}

// E(mode) P(dpin) P(cpin) T L{e(bits) K(0) 0 W(variable) 0}: modes MSBPRE 0, LSBPRE 1, MSBPOST 2,
// LSBPOST 3 (sampled before or after the clock pulse).
void Processor::ShiftIn() {
    const int clock = PinOf(Pop());
    const int data = PinOf(Pop());
    const unsigned mode = Pop() & 3u;
    SetPin(data, false, false);
    do {
        const std::vector<std::uint16_t> v = EntryValues(true);  // the bit count comes bare
        const unsigned bits = std::min<unsigned>(v.empty() ? 8u : v.front(), 16u);
        unsigned value = 0;
        for (unsigned i = 0; i < bits; ++i) {
            bool level = false;
            if (mode < 2) level = InputLevel(data);
            SetPin(clock, true, true);
            SetPin(clock, true, false);
            if (mode >= 2) level = InputLevel(data);
            Wait(kShiftBitTime);
            if (mode % 2 == 0)
                value = value << 1 | (level ? 1u : 0u);
            else
                value |= (level ? 1u : 0u) << i;
        }
        StoreTarget(static_cast<std::uint16_t>(value));
    } while (ReadBit());
}

// P(pin) E(offtime) E(ontime) T L{e(tone) 0}.
void Processor::Dtmfout() {
    const VirtualTime on = Pop() * kMicrosPerMs;
    const VirtualTime off = Pop() * kMicrosPerMs;
    const int pin = PinOf(Pop());
    SetPin(pin, true, false);
    do {
        const unsigned key = EntryValue() & 15u;
        body_.OnTone(pin, static_cast<std::uint32_t>(on), kDtmfLow[key], kDtmfHigh[key], now_);
        Wait(on + off);
    } while (ReadBit());
}

// P(mpin) P(zpin) T L{code ~cycles 0}: each code takes its cycles of frames on the mains.
void Processor::Xout() {
    Pop();
    const int pin = PinOf(Pop());
    SetPin(pin, true, false);
    do {
        const std::vector<std::uint16_t> v = EntryValues(true);
        const unsigned cycles = v.empty() ? 0u : static_cast<std::uint16_t>(~v.back());
        Wait(static_cast<VirtualTime>(cycles) * kXoutFrame);
    } while (ReadBit());
}

// --- operators
// --------------------------------------------------------------------------------------

namespace processor_detail {

std::uint16_t UnaryOperator(unsigned op, std::uint16_t v) {
    switch (op) {
        case opi::kSqr:
            return static_cast<std::uint16_t>(std::sqrt(static_cast<double>(v)));
        case opi::kAbs:
            return v >= 0x8000 ? static_cast<std::uint16_t>(0u - v) : v;
        case opi::kInvert:
            return static_cast<std::uint16_t>(~v);
        case opi::kNegate:
            return static_cast<std::uint16_t>(0u - v);
        case opi::kDcd:
            return static_cast<std::uint16_t>(1u << (v & 15u));
        case opi::kNcd: {
            std::uint16_t n = 0;
            for (unsigned x = v; x != 0; x >>= 1) ++n;
            return n;
        }
        case opi::kCos:
        case opi::kSin: {
            const double angle = (v & 0xFF) * 2.0 * std::numbers::pi / 256.0;
            const double s = op == opi::kSin ? std::sin(angle) : std::cos(angle);
            return static_cast<std::uint16_t>(static_cast<int>(std::lround(127.0 * s)));
        }
        default:
            return v;
    }
}

bool Compare(unsigned comparison, std::uint16_t a, std::uint16_t b) {
    switch (comparison & 7u) {
        case 2:
            return a >= b;
        case 3:
            return a <= b;
        case 4:
            return a == b;
        case 5:
            return a != b;
        case 6:
            return a > b;
        case 7:
            return a < b;
        default:
            return false;
    }
}

std::uint16_t BinaryOperator(unsigned op, std::uint16_t a, std::uint16_t b) {
    const std::uint32_t l = a, r = b;
    const auto sa = static_cast<std::int8_t>(a & 0xFF), sb = static_cast<std::int8_t>(b & 0xFF);
    constexpr std::uint16_t kTrue = 0xFFFF;
    switch (op) {
        case opi::kHyp:
            return static_cast<std::uint16_t>(std::sqrt(static_cast<double>(sa * sa + sb * sb)));
        case opi::kAtn: {
            if (sa == 0 && sb == 0) return 0;
            const double brads = std::atan2(sb, sa) * 128.0 / std::numbers::pi;
            return static_cast<std::uint16_t>(static_cast<unsigned>(std::lround(brads) + 256) &
                                              0xFFu);
        }
        case opi::kAnd:
            return static_cast<std::uint16_t>(l & r);
        case opi::kOr:
            return static_cast<std::uint16_t>(l | r);
        case opi::kXor:
            return static_cast<std::uint16_t>(l ^ r);
        case opi::kMin:
            return std::max(a, b);
        case opi::kMax:
            return std::min(a, b);
        case opi::kPlus:
            return static_cast<std::uint16_t>(l + r);
        case opi::kMinus:
            return static_cast<std::uint16_t>(l - r);
        case opi::kTimesMiddle:
            return static_cast<std::uint16_t>((l * r) >> 8);
        case opi::kTimes:
            return static_cast<std::uint16_t>(l * r);
        case opi::kTimesHigh:
            return static_cast<std::uint16_t>((l * r) >> 16);
        case opi::kModulo:
            return r == 0 ? a : static_cast<std::uint16_t>(l % r);
        case opi::kDivide:
            return r == 0 ? std::uint16_t{0xFFFF} : static_cast<std::uint16_t>(l / r);
        case opi::kDig: {
            if (r > 4) return 0;
            std::uint32_t v = l;
            for (std::uint32_t i = 0; i < r; ++i) v /= 10;
            return static_cast<std::uint16_t>(v % 10);
        }
        case opi::kShiftLeft:
            return r >= 16 ? std::uint16_t{0} : static_cast<std::uint16_t>(l << r);
        case opi::kShiftRight:
            return r >= 16 ? std::uint16_t{0} : static_cast<std::uint16_t>(l >> r);
        case opi::kRev: {
            const std::uint32_t n = std::min<std::uint32_t>(r, 16);
            std::uint32_t v = 0;
            for (std::uint32_t i = 0; i < n; ++i) v |= ((l >> i) & 1u) << (n - 1 - i);
            return static_cast<std::uint16_t>(v);
        }
        default:
            return Compare(op, a, b) ? kTrue : std::uint16_t{0};
    }
}

}  // namespace processor_detail

}  // namespace kavrin::sim
