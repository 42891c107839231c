#pragma once
// The virtual KR2 module's processor: it runs the object code of the 2,048-byte EEPROM image in
// virtual time, tells its body what the pins do and talks to the computer on pin 16.
//
// The stream is read from stream bit 0 (the most significant bit of byte 2,047) downwards: a 1
// bit starts a 6-bit expression item, a 0 bit a 7-bit token. Items run on a stack of at most 8
// 16-bit values; tokens take their arguments from it and then read any fields of their own
// (addresses, write targets, lists). RAM is 16 words: INS, OUTS, DIRS, then W0..W12, with bytes,
// nibbles and bits overlaying them little-endian.
//
// Time: every token and every expression item costs a fixed time (kTokenTime, kItemTime), and
// each instruction adds its own duration (a PAUSE its milliseconds, a byte on the line its ten
// bit times, and so on; docs/architecture.md has the table). The costs are chosen so that the
// generated motion program's drive cycle lasts about 20 ms.
//
// The processor is a plain single-threaded object; its owner decides how virtual time relates
// to the wall clock by how far it lets Run() go.

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/pin_body.h"
#include "wire/object_code.h"
#include "wire/wire_format.h"

namespace kavrin::sim {

inline constexpr std::size_t kProcessorEepromSize = wire::kEepromSize;
inline constexpr int kStreamBits = static_cast<int>(kProcessorEepromSize) * 8;
inline constexpr int kRamWords = 16;
// The RAM words that are the pins' registers: INS (the levels, read from the pins), OUTS (the
// output latches) and DIRS (1 = output); the variables follow them.
inline constexpr std::size_t kInsWord = 0;
inline constexpr std::size_t kOutsWord = 1;
inline constexpr std::size_t kDirsWord = 2;
inline constexpr int kEvalStackDepth = 8;
inline constexpr int kGosubDepth = 4;
inline constexpr int kHostPin = 16;
// Characters for the computer that the owner has not taken yet. One instruction can print far
// more than any program means to (a REP of 65,535 characters, many times over); past this the
// module stops instead of filling the memory. A real line would carry it for over a minute.
inline constexpr std::size_t kMaxHostBacklog = 65536;

// Fixed costs of the interpreter, in microseconds.
inline constexpr VirtualTime kTokenTime = 250;
inline constexpr VirtualTime kItemTime = 70;
// One EEPROM byte written by WRITE.
inline constexpr VirtualTime kEepromWriteTime = 5 * kMicrosPerMs;

using Eeprom = std::array<std::uint8_t, kProcessorEepromSize>;

// A byte on the line to the computer and the virtual time it has fully arrived.
struct HostByte {
    std::uint8_t byte = 0;
    VirtualTime time = 0;
};

enum class ProcessorState {
    Running,
    Ended,    // END: stopped in low power
    Stopped,  // STOP: stopped, outputs held
    Faulted,  // a fault a real module would not report; see Diagnostic()
};

class Processor {
public:
    explicit Processor(PinBody& body) : body_(body) {}

    // Power-on or reset with this image: RAM cleared, every pin an input, the program started
    // from slot 0 of the GOSUB table. Virtual time goes on from where it was.
    void Load(const Eeprom& image);
    void Reset();

    // Runs until virtual time reaches `until` or the program stops. An instruction under way
    // may end a little past `until`; a SERIN still waiting for the line at `until` is taken up
    // again by the next call.
    void Run(VirtualTime until);

    VirtualTime Now() const { return now_; }
    // When the program stopped (END, STOP or a fault); time goes on for the body after it.
    VirtualTime StopTime() const { return stopTime_; }
    ProcessorState State() const { return state_; }
    bool Halted() const { return state_ != ProcessorState::Running; }
    // "RETURN without GOSUB at bit 1234" and the like, empty while nothing went wrong.
    const std::string& Diagnostic() const { return diagnostic_; }
    // Why the program stopped, for people ("END", "STOP", or the diagnostic).
    std::string StopReason() const;

    // A byte from the computer that has fully arrived at `time`.
    void FeedHost(std::uint8_t byte, VirtualTime time);
    // What the program sent on pin 16 since the last call, in order.
    std::vector<HostByte> TakeHostOutput();
    bool HasHostOutput() const { return !hostOut_.empty(); }

    const Eeprom& Image() const { return eeprom_; }
    // True once after WRITE changed the image.
    bool TakeEepromChanged() {
        const bool changed = eepromChanged_;
        eepromChanged_ = false;
        return changed;
    }

    std::uint16_t Word(int index) const {
        return ram_[static_cast<std::size_t>(index & (kRamWords - 1))];
    }
    int CodePosition() const { return pc_; }
    // A variable's value as the program last left it, without reading the pins (INS reads as
    // it was last read).
    std::uint16_t Peek(wire::VariableLocation at) const;

private:
    struct Fault {};  // thrown to leave the instruction that faulted

    // --- stream ---
    unsigned ReadBits(int n);
    bool ReadBit() { return ReadBits(1) != 0; }
    int ReadAddress();
    static int DecodeAddress(unsigned field14);
    [[noreturn]] void Raise(const std::string& what, int at);

    // --- stack and items ---
    void Push(std::uint16_t v);
    std::uint16_t Pop();
    void ExecuteItem(unsigned item, int at);
    // Items until a 0 bit; the first one bare when firstBare.
    void RunItems(bool firstBare);
    std::uint16_t Apply(unsigned op, std::uint16_t a, std::uint16_t b) const;
    static std::uint16_t Unary(unsigned op, std::uint16_t v);

    // --- memory and pins ---
    std::uint16_t ReadVar(unsigned size, unsigned address);
    void WriteVar(unsigned size, unsigned address, std::uint16_t value);
    std::uint16_t ReadIns();
    void SyncPins();
    void SetPin(int pin, bool output, bool high);
    bool InputLevel(int pin);
    void Wait(VirtualTime us);

    // --- tokens ---
    void ExecuteToken(unsigned token, int at);
    void Next();
    void Branch();
    void Lookup();
    void Lookdown();
    void Gosub(int at);
    void Return(int at);
    void Serout(bool flowPin);
    void Serin(bool flowPin, int at);
    void Button();
    void Measure(unsigned token);
    void ShiftOut();
    void ShiftIn();
    void Dtmfout();
    void Xout();

    // --- serial ---
    struct SerialMode {
        int pin = kHostPin;
        VirtualTime bitTime = 104;
        bool sevenBitsEven = false;
    };
    static SerialMode DecodeMode(int pin, std::uint16_t mode);
    void SendByte(const SerialMode& m, std::uint8_t byte, VirtualTime pace);
    void SendText(const SerialMode& m, const std::string& text, VirtualTime pace);
    void OutputList(const SerialMode& m, VirtualTime pace);
    // Takes the next byte, waiting up to `deadline` (-1: no time-out). False when none came.
    bool ReceiveByte(const SerialMode& m, std::uint8_t& byte);
    void InputList(const SerialMode& m);
    std::uint16_t ReceiveNumber(const SerialMode& m, std::uint16_t format);
    // The values an entry of a list leaves on the stack.
    std::vector<std::uint16_t> EntryValues(bool firstBare);
    // The last value of an entry of plain values (0 for a damaged one without any).
    std::uint16_t EntryValue();
    void StoreTarget(std::uint16_t value, bool store = true);

    PinBody& body_;
    Eeprom eeprom_{};
    std::array<std::uint16_t, kRamWords> ram_{};
    std::array<std::uint16_t, kEvalStackDepth> stack_{};
    int depth_ = 0;
    std::array<std::uint8_t, kGosubDepth> gosubs_{};
    int gosubDepth_ = 0;
    int pc_ = 0;
    VirtualTime now_ = 0;
    VirtualTime stopTime_ = 0;
    ProcessorState state_ = ProcessorState::Running;
    std::string diagnostic_;
    bool eepromChanged_ = false;
    bool suppressWrites_ = false;
    std::uint16_t drivenOuts_ = 0, drivenDirs_ = 0;
    std::uint16_t random_ = 0;

    // The line to the computer.
    std::deque<HostByte> hostIn_;
    std::vector<HostByte> hostOut_;
    // A SERIN that ran out of line before `runLimit_` is rolled back and taken up again.
    struct SerinWait {};
    VirtualTime runLimit_ = 0;
    VirtualTime serialTimeout_ = -1;  // per byte, -1 for none
    VirtualTime serinLast_ = 0;       // when the SERIN began or took its last byte
    bool parityError_ = false;
    bool serinPending_ = false;
    int serinToken_ = 0;
    VirtualTime serinStart_ = 0;
    std::vector<HostByte> serinTaken_;
};

}  // namespace kavrin::sim
