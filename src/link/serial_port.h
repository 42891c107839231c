#pragma once
// The byte-level face of one opened serial line. The protocol code (identification, download)
// never sees a concrete device: the Qt backend, the virtual robot and the test fakes all
// implement this, and the port pool (port_pool.h) adds the rules every caller relies on:
// what a closed port answers, the 4,096-byte read limit, draining with count 0.
//
// The interface is header-only on purpose: the virtual robot implements it without linking the
// link library, and the link never sees the virtual robot (kavrin_serial_port).

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kavrin::link {

// The name under which the port list offers the virtual robot; which backend answers to it is
// the business of the factory the program hands to the port pool.
inline constexpr std::string_view kVirtualPortName = "SIM";

// Bit of the modem status word that reports DSR on.
inline constexpr std::uint16_t kModemDsrOn = 0x20;

// Why a port did not open. The numbers are the system error codes the port status texts are
// chosen by, kept so that last-error values read the same on every platform.
enum class OpenError : std::uint32_t {
    None = 0,           // also: opened, but its line state could not be read
    NoSuchPort = 2,     // the port does not exist
    InUse = 5,          // held by another program
    NoPermission = 13,  // exists, but this user may not open it (Linux: not in the device's group)
    Other = 31,         // any other failure
};

// An open line with the fixed settings 9600 baud, 8 data bits, no parity, one stop bit, no flow
// control, DTR and RTS low. Closing is destruction. Used by one thread at a time.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    // One byte (0..255), or -1 when none arrived within timeoutMs.
    virtual int ReadByte(int timeoutMs) = 0;
    // Fills into as far as bytes arrive within timeoutMs in total; returns the count read.
    virtual int Read(std::span<std::uint8_t> into, int timeoutMs) = 0;
    // Discards whatever has arrived, without waiting; returns the count discarded.
    virtual int Drain() = 0;
    // True when all bytes were handed to the line within timeoutMs.
    virtual bool Write(std::span<const std::uint8_t> bytes, int timeoutMs) = 0;
    // Why the last Write returned false, where the backend knows more than that it failed (the
    // virtual robot: the file that keeps its EEPROM could not be written); empty otherwise.
    virtual std::string WriteFailure() const { return {}; }

    // Line control. False when the line cannot do it (a pseudo-terminal has no modem lines and
    // no break); callers carry on regardless, as a real module would simply not react.
    virtual bool SetBreak(bool on) = 0;
    virtual bool SetDTR(bool on) = 0;
    virtual bool SetRTS(bool on) = 0;
    // Modem status word; kModemDsrOn is the only bit anyone reads. 0 when unknown.
    virtual std::uint16_t GetModemStatus() = 0;
};

struct OpenResult {
    std::unique_ptr<SerialPort> port;  // null on failure
    OpenError error = OpenError::None;
};

// Opens a port by the name the port list shows. Must be callable from several threads at once.
using PortFactory = std::function<OpenResult(std::string_view name)>;

}  // namespace kavrin::link
