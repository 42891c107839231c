#pragma once
// The virtual KR2 module: what a real module does on its serial line, as far as Kavrin talks to
// it. Every byte that arrives is echoed; after a reset it answers the identification "KR2"
// (each character followed by 256 minus it, then the version byte after a 0x00), then takes
// 18-byte download blocks into its 2,048-byte EEPROM, acknowledging each with 0 (written) or 2
// (the block failed its checks), until a lone 0x00 ends the download.
//
// Faults can be switched on to play a module or cable that misbehaves. The module is a pure
// state machine: timing and the line itself are the port's business (virtual_robot.h).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace kavrin::sim {

inline constexpr std::size_t kEepromSize = 2048;
inline constexpr std::size_t kRowSize = 16;
inline constexpr std::size_t kRowCount = kEepromSize / kRowSize;
inline constexpr std::size_t kBlockSize = 18;       // row byte, 16 data bytes, checksum
inline constexpr std::uint8_t kRowMarker = 0x80;    // added to the row number in byte 0
inline constexpr std::uint8_t kVersionByte = 0x10;  // v1.0
inline constexpr std::uint8_t kAckWritten = 0;
inline constexpr std::uint8_t kAckVerifyFailed = 2;
inline constexpr std::string_view kSignature = "KR2";

struct SimFaults {
    bool noEcho = false;         // nothing comes back at all: no echo, no answer
    bool wrongEcho = false;      // every echo arrives with its lowest bit flipped
    int silentAfterBlocks = -1;  // after this many blocks the module stops answering
    int ackAtBlock = -1;         // block (counted from 0) whose acknowledgement is replaced...
    std::uint8_t ackValue = kAckVerifyFailed;  // ...by this value, the row left unwritten
    int versionByte = kVersionByte;
    bool noVersion = false;      // the version byte never comes
    bool inUse = false;          // the port cannot be opened: another program holds it
    int vanishAfterBlocks = -1;  // after this many blocks the port disappears (cable pulled)
};

class VirtualModule {
public:
    // acceptIdWhenIdle: start an identification on "K" without a reset. A pseudo-terminal
    // carries no break, so the module served on one has no other way to enter programming.
    explicit VirtualModule(bool acceptIdWhenIdle = false) : acceptIdWhenIdle_(acceptIdWhenIdle) {}

    // One byte from the computer; whatever the module sends back is appended to out.
    void Receive(std::uint8_t byte, std::vector<std::uint8_t>& out);
    // The break holds the module in reset; releasing it starts an identification.
    void SetBreak(bool on);
    // The line has been quiet for long. Where no break can be sent (a pseudo-terminal) this
    // stands in for the reset: an unfinished identification or block is dropped, so a client
    // that went away in the middle leaves nothing behind for the next one.
    void LineQuiet();

    SimFaults faults;

    const std::array<std::uint8_t, kEepromSize>& Eeprom() const { return eeprom_; }
    // Rows written by accepted blocks since the module was made.
    const std::array<bool, kRowCount>& RowsWritten() const { return rowsWritten_; }
    int BlocksReceived() const { return blocksReceived_; }
    int BlocksAccepted() const { return blocksAccepted_; }
    // Downloads ended by the closing 0x00 byte.
    int DownloadsClosed() const { return downloadsClosed_; }
    // Identifications answered up to the version byte.
    int Identifications() const { return identifications_; }
    // Neither identifying nor taking a download: a byte that arrives is for the running program.
    bool Listening() const { return state_ == State::Idle && !breakOn_ && !vanished_; }
    // The port has gone: every operation on it fails from now on.
    bool Vanished() const { return vanished_; }

private:
    enum class State { Idle, Identifying, Programming, Silent };

    void StartIdentification() {
        state_ = State::Identifying;
        signatureIndex_ = 0;
    }
    // Leaves an exchange the byte does not fit. Listening while idle, the byte may itself
    // begin a new identification: a client that gave up halfway must not cost the next one
    // its first character.
    void ToIdle(std::uint8_t byte, std::vector<std::uint8_t>& out);
    void Identify(std::uint8_t byte, std::vector<std::uint8_t>& out);
    void Program(std::uint8_t byte, std::vector<std::uint8_t>& out);
    std::uint8_t TakeBlock();

    bool acceptIdWhenIdle_;
    bool breakOn_ = false;
    bool vanished_ = false;
    State state_ = State::Idle;
    std::size_t signatureIndex_ = 0;
    std::array<std::uint8_t, kBlockSize> block_{};
    std::size_t blockFill_ = 0;
    std::array<std::uint8_t, kEepromSize> eeprom_{};
    std::array<bool, kRowCount> rowsWritten_{};
    int blocksReceived_ = 0;
    int blocksAccepted_ = 0;
    int downloadsClosed_ = 0;
    int identifications_ = 0;
};

}  // namespace kavrin::sim
