#include "sim/virtual_module.h"

namespace kavrin::sim {

namespace {

constexpr std::uint8_t kWrongEchoMask = 0x01;

}  // namespace

void VirtualModule::SetBreak(bool on) {
    if (breakOn_ && !on && state_ != State::Silent) {
        StartIdentification();
        blockFill_ = 0;
    }
    breakOn_ = on;
}

void VirtualModule::LineQuiet() {
    if (state_ == State::Identifying || state_ == State::Programming) {
        state_ = State::Idle;
    }
    blockFill_ = 0;
}

void VirtualModule::Receive(std::uint8_t byte, std::vector<std::uint8_t>& out) {
    if (vanished_ || breakOn_ || state_ == State::Silent) {
        return;
    }
    if (faults.noEcho) {
        return;
    }
    out.push_back(faults.wrongEcho ? static_cast<std::uint8_t>(byte ^ kWrongEchoMask) : byte);
    switch (state_) {
        case State::Idle:
            ToIdle(byte, out);
            break;
        case State::Identifying:
            Identify(byte, out);
            break;
        case State::Programming:
            Program(byte, out);
            break;
        case State::Silent:
            break;
    }
}

void VirtualModule::ToIdle(std::uint8_t byte, std::vector<std::uint8_t>& out) {
    state_ = State::Idle;
    if (acceptIdWhenIdle_ && byte == static_cast<std::uint8_t>(kSignature[0])) {
        StartIdentification();
        Identify(byte, out);
    }
}

void VirtualModule::Identify(std::uint8_t byte, std::vector<std::uint8_t>& out) {
    if (signatureIndex_ < kSignature.size()) {
        if (byte != static_cast<std::uint8_t>(kSignature[signatureIndex_])) {
            ToIdle(byte, out);
            return;
        }
        out.push_back(static_cast<std::uint8_t>(256 - byte));
        ++signatureIndex_;
        return;
    }
    if (byte != 0) {
        ToIdle(byte, out);
        return;
    }
    if (!faults.noVersion) {
        out.push_back(static_cast<std::uint8_t>(faults.versionByte));
    }
    ++identifications_;
    state_ = State::Programming;
    blockFill_ = 0;
}

void VirtualModule::Program(std::uint8_t byte, std::vector<std::uint8_t>& out) {
    if (blockFill_ == 0) {
        if (byte == 0) {  // the closing byte: the download is over, the program would run
            ++downloadsClosed_;
            state_ = State::Idle;
            return;
        }
        if ((byte & kRowMarker) == 0) {
            // No block starts without the row marker: the computer has begun a new
            // identification without a reset (a pseudo-terminal cannot send one).
            ToIdle(byte, out);
            return;
        }
        if (faults.silentAfterBlocks >= 0 && blocksReceived_ >= faults.silentAfterBlocks) {
            out.pop_back();  // not even this echo
            state_ = State::Silent;
            return;
        }
        if (faults.vanishAfterBlocks >= 0 && blocksReceived_ >= faults.vanishAfterBlocks) {
            out.pop_back();
            vanished_ = true;
            return;
        }
    }
    block_[blockFill_++] = byte;
    if (blockFill_ == kBlockSize) {
        blockFill_ = 0;
        out.push_back(TakeBlock());
    }
}

// Checks a complete block and writes its row; returns the acknowledgement.
std::uint8_t VirtualModule::TakeBlock() {
    const int index = blocksReceived_++;
    unsigned sum = 0;
    for (const std::uint8_t b : block_) {
        sum += b;
    }
    const std::size_t row = static_cast<std::size_t>(block_[0] - kRowMarker);
    if ((sum & 0xFFu) != 0 || row >= kRowCount) {
        return kAckVerifyFailed;
    }
    if (index == faults.ackAtBlock && faults.ackValue != kAckWritten) {
        return faults.ackValue;
    }
    for (std::size_t i = 0; i < kRowSize; ++i) {
        eeprom_[row * kRowSize + i] = block_[1 + i];
    }
    rowsWritten_[row] = true;
    ++blocksAccepted_;
    return kAckWritten;
}

}  // namespace kavrin::sim
