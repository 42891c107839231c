// SEROUT, SERIN, DEBUG and DEBUGIN: the serial line instructions and their lists.
//
// Pin 16 is the line to the computer: what the program sends there is kept with its virtual
// time for the owner to take (TakeHostOutput), and what the computer sends is fed in
// (FeedHost). Its polarity is fixed by the module, so the inverted flag of the mode changes
// nothing there. Pins 0 to 15 have no serial partner: SEROUT only spends the time, and SERIN
// waits for its time-out (or for good).
//
// A SERIN that finds no byte before the end of the current Run() is rolled back: the bytes it
// took go back to the line, the stack is restored, and the next Run() executes the token again
// (writing the same bytes to the same variables), so the owner may run the processor in slices.

#include <algorithm>
#include <string>

#include "sim/processor.h"
#include "sim/processor_detail.h"

namespace kavrin::sim {

namespace {

constexpr std::uint16_t kBitTimeMask = 0x1FFF;
constexpr VirtualTime kBitTimeOffset = 20;
constexpr std::uint16_t kSevenBitsEven = 8192;
constexpr int kBitsPerCharacter = 10;         // start, 8 data (or 7 and parity), stop
constexpr std::uint16_t kLabelMark = 0x4000;  // a label on the stack: 1 << 14 and its field
constexpr std::uint16_t kFieldMask = 0x3FFF;

// Output list entry values.
constexpr std::uint16_t kStrUntilZero = 512, kFormatterCounted = 512;
constexpr std::uint16_t kFirstFormatter = 256;
constexpr std::uint16_t kRepeatMark = 1024;
// Input list entry values.
constexpr std::uint16_t kSkipMark = 1024, kSpStrMark = 4096, kWaitMark = 3140;
constexpr std::uint16_t kWaitStrUntilZero = 2048, kWaitStrCounted = 2560, kWaitStrEnd = 2816;
constexpr std::uint16_t kNumberFormat = 4096;
// Formatter bits: base code (16 - base) in bits 0..3, 16 - digits in bits 4..7.
constexpr std::uint16_t kFormatFieldMask = 0x0F;
constexpr std::uint16_t kSignedFormat = 1024, kIndicatedFormat = 2048;

int FormatDigits(std::uint16_t format) { return 16 - ((format >> 4) & kFormatFieldMask); }
constexpr int kMaxDigits = 16;

int FormatBase(std::uint16_t format) {
    const int base = 16 - (format & kFormatFieldMask);
    return base == 2 || base == 16 ? base : 10;
}

int DigitValue(std::uint8_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return 99;
}

bool EvenParity(std::uint8_t byte) {
    int ones = 0;
    for (int i = 0; i < 8; ++i) ones += (byte >> i) & 1;
    return ones % 2 == 0;
}

}  // namespace

std::string processor_detail::FormatNumber(std::uint16_t format, std::uint16_t value) {
    const int base = FormatBase(format);
    const int digits = FormatDigits(format);
    std::string text;
    unsigned v = value;
    if ((format & kSignedFormat) && v >= 0x8000) {
        text = "-";
        v = 0x10000u - v;
    }
    if (format & kIndicatedFormat) text += base == 16 ? "$" : base == 2 ? "%" : "";
    std::string body;
    const bool counted = (format & kFormatterCounted) != 0;
    for (int i = 0; i < kMaxDigits + 1; ++i) {
        if (counted ? i >= digits : (i > 0 && v == 0)) break;
        body.insert(body.begin(), "0123456789ABCDEF"[v % static_cast<unsigned>(base)]);
        v /= static_cast<unsigned>(base);
    }
    return text + body;
}

Processor::SerialMode Processor::DecodeMode(int pin, std::uint16_t mode) {
    SerialMode m;
    m.pin = pin;
    m.bitTime = (mode & kBitTimeMask) + kBitTimeOffset;
    m.sevenBitsEven = (mode & kSevenBitsEven) != 0;
    return m;
}

void Processor::SendByte(const SerialMode& m, std::uint8_t byte, VirtualTime pace) {
    if (m.sevenBitsEven) {
        byte &= 0x7F;
        if (!EvenParity(byte)) byte |= 0x80;
    }
    if (m.pin != kHostPin) SetPin(processor_detail::PinOf(m.pin), true, true);
    Wait(kBitsPerCharacter * m.bitTime);
    if (m.pin == kHostPin) {
        if (hostOut_.size() >= kMaxHostBacklog) {
            Raise("more than 65536 characters for the computer waiting", pc_);
        }
        hostOut_.push_back({byte, now_});
    }
    Wait(pace);
}

void Processor::SendText(const SerialMode& m, const std::string& text, VirtualTime pace) {
    for (const char c : text) SendByte(m, static_cast<std::uint8_t>(c), pace);
}

// [pace] or [label timeout], baudmode, pin, [fpin] T L{entry}.
void Processor::Serout(bool flowPin) {
    if (flowPin) Pop();  // the flow pin is always ready
    const int pin = Pop();
    const SerialMode m = DecodeMode(pin, Pop());
    VirtualTime pace = 0;
    if (!flowPin && depth_ > 0) pace = Pop() * kMicrosPerMs;
    OutputList(m, pace);
}

void Processor::OutputList(const SerialMode& m, VirtualTime pace) {
    do {
        const std::vector<std::uint16_t> v = EntryValues(true);
        if (v.size() == 1) {
            SendByte(m, static_cast<std::uint8_t>(v[0]), pace);
        } else if (v.size() == 2 && v[0] < kFirstFormatter) {  // STR array \ n
            for (unsigned i = 0; i < v[1]; ++i)
                SendByte(m, static_cast<std::uint8_t>(ReadVar(2, v[0] + i)), pace);
        } else if (v.size() == 2 && v[0] >= kStrUntilZero &&
                   v[0] < kStrUntilZero + kFirstFormatter) {
            for (unsigned i = 0; i < v[1]; ++i) {  // STR array: up to a zero byte
                const auto c = static_cast<std::uint8_t>(ReadVar(2, v[0] - kStrUntilZero + i));
                if (c == 0) break;
                SendByte(m, c, pace);
            }
        } else if (v.size() == 2) {
            SendText(m, processor_detail::FormatNumber(v[0], v[1]), pace);
        } else if (v.size() == 3 && v[1] == kRepeatMark) {
            for (unsigned i = 0; i < v[2]; ++i) SendByte(m, static_cast<std::uint8_t>(v[0]), pace);
        }
    } while (ReadBit());
}

// Options, baudmode, pin, [fpin] T L{entry}. The options are [1] (none), [tlabel timeout],
// [plabel 0 1] or [plabel tlabel timeout]; a label is 1 << 14 and its 14-bit field.
void Processor::Serin(bool flowPin, int at) {
    const std::array<std::uint16_t, kEvalStackDepth> savedStack = stack_;
    const int savedDepth = depth_;
    if (flowPin) Pop();
    const int pin = Pop();
    const SerialMode m = DecodeMode(pin, Pop());
    int timeoutLabel = -1, parityLabel = -1;
    serialTimeout_ = -1;
    if (depth_ == 2) {
        serialTimeout_ = Pop() * kMicrosPerMs;
        timeoutLabel = DecodeAddress(Pop() & kFieldMask);
    } else if (depth_ == 3) {
        const std::uint16_t c = Pop(), b = Pop(), a = Pop();
        parityLabel = DecodeAddress(a & kFieldMask);
        if (b & kLabelMark) {
            timeoutLabel = DecodeAddress(b & kFieldMask);
            serialTimeout_ = c * kMicrosPerMs;
        }
    }
    depth_ = 0;
    if (!serinPending_ || serinToken_ != at) serinStart_ = now_;
    serinPending_ = false;
    serinLast_ = serinStart_;
    serinTaken_.clear();
    parityError_ = false;
    try {
        InputList(m);
    } catch (const SerinWait&) {
        for (auto it = serinTaken_.rbegin(); it != serinTaken_.rend(); ++it)
            hostIn_.push_front(*it);
        stack_ = savedStack;
        depth_ = savedDepth;
        pc_ = at;
        now_ = std::max(now_, runLimit_);
        serinPending_ = true;
        serinToken_ = at;
        throw;
    } catch (const Fault&) {
        throw;
    }
    if (serialTimeout_ == -2) {  // timed out: the rest of the list is left unread
        if (timeoutLabel >= 0) pc_ = timeoutLabel;
        return;
    }
    if (parityError_ && parityLabel >= 0) pc_ = parityLabel;
}

// The next byte of the line. A time-out sets serialTimeout_ to -2 and gives false; with no
// byte before the end of the run the SERIN is rolled back.
bool Processor::ReceiveByte(const SerialMode& m, std::uint8_t& byte) {
    if (serialTimeout_ == -2) return false;
    const VirtualTime limit = serialTimeout_ >= 0 ? serinLast_ + serialTimeout_ : -1;
    if (m.pin == kHostPin && !hostIn_.empty()) {
        const HostByte next = hostIn_.front();
        const VirtualTime at = std::max(now_, next.time);
        if (limit < 0 || at <= limit) {
            hostIn_.pop_front();
            serinTaken_.push_back(next);
            now_ = at;
            body_.AdvanceTo(now_);
            serinLast_ = now_;
            byte = next.byte;
            if (m.sevenBitsEven) {
                if (!EvenParity(byte)) parityError_ = true;
                byte &= 0x7F;
            }
            return true;
        }
    }
    if (limit >= 0 && (limit <= runLimit_ || (m.pin == kHostPin && !hostIn_.empty()))) {
        now_ = std::max(now_, limit);
        serialTimeout_ = -2;
        return false;
    }
    throw SerinWait{};
}

void Processor::InputList(const SerialMode& m) {
    std::uint8_t b = 0;
    do {
        const std::vector<std::uint16_t> v = EntryValues(false);
        const std::size_t n = v.size();
        if (n == 0) {
            const bool got = ReceiveByte(m, b);
            StoreTarget(b, got);
        } else if (n >= 2 && v[n - 2] == kWaitMark) {  // WAIT: the values came last first
            const std::size_t count = std::min<std::size_t>(v[n - 1], n - 2);
            std::size_t matched = 0;
            while (matched < count && ReceiveByte(m, b)) {
                const auto want = static_cast<std::uint8_t>(v[n - 3 - matched]);
                if (b == want)
                    ++matched;
                else
                    matched = b == static_cast<std::uint8_t>(v[n - 3]) ? 1 : 0;
            }
        } else if (n == 3 && v[1] >= kStrUntilZero && v[1] < kStrUntilZero + kFirstFormatter) {
            for (unsigned i = 0; i < v[2] && ReceiveByte(m, b); ++i) {  // STR \ n \ end
                if (b == static_cast<std::uint8_t>(v[0])) break;
                WriteVar(2, v[1] - kStrUntilZero + i, b);
            }
        } else if (n != 2) {
            // no such entry
        } else if (v[0] < kFirstFormatter) {  // STR array \ n
            for (unsigned i = 0; i < v[1] && ReceiveByte(m, b); ++i) WriteVar(2, v[0] + i, b);
        } else if (v[0] == kSkipMark || v[0] == kSpStrMark) {
            for (unsigned i = 0; i < v[1] && ReceiveByte(m, b); ++i) {
            }
        } else if (v[0] >= kWaitStrUntilZero && v[0] < kWaitStrEnd &&
                   (v[0] < kWaitStrUntilZero + kFirstFormatter || v[0] >= kWaitStrCounted)) {
            const bool counted = v[0] >= kWaitStrCounted;
            const unsigned address = v[0] - (counted ? kWaitStrCounted : kWaitStrUntilZero);
            std::string want;
            for (unsigned i = 0; i < v[1]; ++i) {
                const auto c = static_cast<char>(ReadVar(2, address + i));
                if (!counted && c == 0) break;
                want += c;
            }
            std::size_t matched = 0;
            while (matched < want.size() && ReceiveByte(m, b)) {
                if (static_cast<char>(b) == want[matched])
                    ++matched;
                else
                    matched = static_cast<char>(b) == want[0] ? 1 : 0;
            }
        } else {
            const std::uint16_t value = ReceiveNumber(m, v[0]);
            StoreTarget(value, serialTimeout_ != -2);
        }
    } while (ReadBit());
}

// DEC, HEX, BIN (with S and I forms and digit counts), NUM and SNUM: characters that cannot
// begin the number are passed over; the number ends at the first other character, which is
// taken, or after the digit count of a counted form.
std::uint16_t Processor::ReceiveNumber(const SerialMode& m, std::uint16_t format) {
    const bool any = (format & kNumberFormat) != 0;
    const bool isSigned = (format & kSignedFormat) != 0;
    const bool indicated = !any && (format & kIndicatedFormat) != 0;
    const int formatBase = FormatBase(format);
    const int digits = (format & kFormatterCounted) && !any ? FormatDigits(format) : kMaxDigits + 1;
    const char indicator = formatBase == 16 ? '$' : '%';
    int base = formatBase;
    bool negative = false, seen = !indicated;
    std::uint8_t b = 0;
    for (;;) {
        if (!ReceiveByte(m, b)) return 0;
        if (isSigned && b == '-') {
            negative = true;
        } else if (any && (b == '$' || b == '%')) {
            base = b == '$' ? 16 : 2;
        } else if (indicated && b == indicator) {
            seen = true;
        } else if (seen && DigitValue(b) < base) {
            break;
        } else {
            negative = false;
            seen = !indicated;
            base = formatBase;
        }
    }
    unsigned value = 0;
    int count = 0;
    for (;;) {
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(DigitValue(b));
        if (++count >= digits || !ReceiveByte(m, b) || DigitValue(b) >= base) break;
    }
    return static_cast<std::uint16_t>(negative ? 0u - value : value);
}

}  // namespace kavrin::sim
