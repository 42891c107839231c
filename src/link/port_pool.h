#pragma once
// The port pool: four serial port objects addressed by a port slot number (-3 to 0, -4 for none)
// that the identification threads, the download and the servo test share for the whole run. A
// slot is claimed for one exchange and released after it.
//
// Only claiming needs the lock: after OpenPortSlot a TSerial belongs to the thread that claimed
// it until ClosePort. The open and claimed flags are atomics because the search reads them while
// their owner changes them outside the lock.

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_port.h"

namespace kavrin::link {

inline constexpr int kPortSlotCount = 4;
inline constexpr int kFirstPortSlot = -3;  // slots are -3, -2, -1, 0
inline constexpr int kNoPortSlot = -4;
inline constexpr int kMaxReadCount = 4096;    // one block read; other counts drain instead
inline constexpr int kClosedReadByte = 1000;  // ReadByte on a closed port: never a valid byte

#ifdef _WIN32
// Only the plain device names COM1 to COM999 open; longer ones would need the \\.\ prefix.
inline constexpr std::size_t kMaxPortNameLength = 6;
#else
// Elsewhere a port is named by its device (ttyUSB0, ttyACM12), so there is no such limit.
inline constexpr std::size_t kMaxPortNameLength = 255;
#endif

class TPortPool;

// One serial port object of the pool: a SerialPort backend behind the pool's fixed rules.
// Operations on a closed port do nothing and return the values documented below.
class TSerial {
public:
    bool IsOpen() const { return open_.load(std::memory_order_acquire); }
    bool IsClaimed() const { return claimed_.load(std::memory_order_acquire); }
    const std::string& Name() const { return name_; }
    // The open failure of the last OpenPort (an OpenError value), 0 after success.
    std::uint32_t LastError() const { return lastError_; }

    // Opens through the factory; fails at once when already open or the name is too long.
    // Clears the claim on every outcome; error receives the failure code first.
    bool OpenPort(std::string_view name, const PortFactory& factory,
                  std::uint32_t* error = nullptr);
    void ClosePort();

    // The byte, -1 when none came within timeoutMs, kClosedReadByte when closed.
    int ReadByte(int timeoutMs);
    // count 1..kMaxReadCount: reads that many into the receive buffer, returns the count read.
    // Any other count (0 is the usual) drains the input and returns the count discarded.
    // -1 when closed.
    int ReadBuffer(int count, int timeoutMs);
    // What the last block read put into the receive buffer.
    std::span<const std::uint8_t> Received() const { return {received_.data(), receivedCount_}; }
    bool WriteByte(std::uint8_t b, int timeoutMs);
    bool WriteBuffer(std::span<const std::uint8_t> bytes, int timeoutMs);
    // The line's reason for the last failed write (SerialPort::WriteFailure), empty when closed.
    std::string WriteFailure() const { return IsOpen() ? line_->WriteFailure() : std::string(); }
    // v = 1 sets, v = 0 clears, anything else does nothing.
    void SetBreak(int v);
    void SetDTR(int v);
    void SetRTS(int v);
    std::uint16_t GetModemStatus();

private:
    friend class TPortPool;

    std::atomic<bool> open_{false};
    std::atomic<bool> claimed_{false};
    std::string name_;
    std::unique_ptr<SerialPort> line_;
    std::vector<std::uint8_t> received_;
    std::size_t receivedCount_ = 0;
    std::uint32_t lastError_ = 0;
};

struct SlotResult {
    int slot = kNoPortSlot;
    std::uint32_t error = 0;  // OpenError value of the failure; 0 when no slot was free
};

class TPortPool {
public:
    explicit TPortPool(PortFactory factory) : factory_(std::move(factory)) {}
    TPortPool(const TPortPool&) = delete;
    TPortPool& operator=(const TPortPool&) = delete;

    // Claims the first slot of 0, -1, -2, -3 that is neither open nor claimed, then opens the
    // port on it outside the lock. The slot, or kNoPortSlot with the failure code.
    SlotResult OpenPortSlot(std::string_view name);

    // The port object of a slot, or nullptr for a number outside -3..0.
    TSerial* Port(int slot);
    // Closes the port of a slot; nothing happens for kNoPortSlot or a closed slot.
    void ClosePort(int slot);

    // Slots neither open nor claimed (a scan or download must leave all of them free).
    int FreeSlotCount() const;

    const PortFactory& Factory() const { return factory_; }

private:
    PortFactory factory_;
    mutable std::mutex portLock_;
    std::array<TSerial, kPortSlotCount> slots_;
};

}  // namespace kavrin::link
