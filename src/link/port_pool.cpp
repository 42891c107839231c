#include "link/port_pool.h"

namespace kavrin::link {

bool TSerial::OpenPort(std::string_view name, const PortFactory& factory, std::uint32_t* error) {
    if (error) {
        *error = 0;
    }
    if (IsOpen() || name.size() > kMaxPortNameLength || !factory) {
        claimed_.store(false, std::memory_order_release);
        return false;
    }
    OpenResult result = factory(name);
    if (!result.port) {
        lastError_ = static_cast<std::uint32_t>(result.error);
        if (error) {
            *error = lastError_;  // read before the claim goes: then the slot is anyone's
        }
        claimed_.store(false, std::memory_order_release);
        return false;
    }
    lastError_ = 0;
    line_ = std::move(result.port);
    received_.assign(kMaxReadCount, 0);
    receivedCount_ = 0;
    name_ = std::string(name);
    open_.store(true, std::memory_order_release);
    claimed_.store(false, std::memory_order_release);
    return true;
}

void TSerial::ClosePort() {
    if (!IsOpen()) {
        return;
    }
    line_.reset();
    name_.clear();
    received_ = {};
    receivedCount_ = 0;
    open_.store(false, std::memory_order_release);
}

int TSerial::ReadByte(int timeoutMs) {
    if (!IsOpen()) {
        return kClosedReadByte;
    }
    return line_->ReadByte(timeoutMs);
}

int TSerial::ReadBuffer(int count, int timeoutMs) {
    if (!IsOpen()) {
        return -1;
    }
    if (count >= 1 && count <= kMaxReadCount) {
        const int got =
            line_->Read(std::span(received_).first(static_cast<std::size_t>(count)), timeoutMs);
        receivedCount_ = static_cast<std::size_t>(got < 0 ? 0 : got);
        return got;
    }
    return line_->Drain();
}

bool TSerial::WriteByte(std::uint8_t b, int timeoutMs) {
    return WriteBuffer(std::span(&b, 1), timeoutMs);
}

bool TSerial::WriteBuffer(std::span<const std::uint8_t> bytes, int timeoutMs) {
    return IsOpen() && line_->Write(bytes, timeoutMs);
}

void TSerial::SetBreak(int v) {
    if (IsOpen() && (v == 0 || v == 1)) {
        line_->SetBreak(v == 1);
    }
}

void TSerial::SetDTR(int v) {
    if (IsOpen() && (v == 0 || v == 1)) {
        line_->SetDTR(v == 1);
    }
}

void TSerial::SetRTS(int v) {
    if (IsOpen() && (v == 0 || v == 1)) {
        line_->SetRTS(v == 1);
    }
}

std::uint16_t TSerial::GetModemStatus() {
    return IsOpen() ? line_->GetModemStatus() : std::uint16_t{0};
}

namespace {

// Slot number of array entry i: entry 0 is slot -3, entry 3 is slot 0.
int SlotOfIndex(int i) { return kFirstPortSlot + i; }

}  // namespace

SlotResult TPortPool::OpenPortSlot(std::string_view name) {
    TSerial* claimed = nullptr;
    int slot = kNoPortSlot;
    {
        std::lock_guard lock(portLock_);
        for (int i = kPortSlotCount - 1; i >= 0; --i) {  // slot 0 first, -3 last
            TSerial& s = slots_[static_cast<std::size_t>(i)];
            if (!s.IsOpen() && !s.IsClaimed()) {
                s.claimed_.store(true, std::memory_order_release);
                claimed = &s;
                slot = SlotOfIndex(i);
                break;
            }
        }
    }
    if (!claimed) {
        return {kNoPortSlot, 0};
    }
    std::uint32_t error = 0;
    if (!claimed->OpenPort(name, factory_, &error)) {
        return {kNoPortSlot, error};
    }
    return {slot, 0};
}

TSerial* TPortPool::Port(int slot) {
    if (slot < kFirstPortSlot || slot > kFirstPortSlot + kPortSlotCount - 1) {
        return nullptr;
    }
    return &slots_[static_cast<std::size_t>(slot - kFirstPortSlot)];
}

void TPortPool::ClosePort(int slot) {
    if (TSerial* port = Port(slot)) {
        port->ClosePort();
    }
}

int TPortPool::FreeSlotCount() const {
    std::lock_guard lock(portLock_);
    int free = 0;
    for (const TSerial& s : slots_) {
        free += (!s.IsOpen() && !s.IsClaimed()) ? 1 : 0;
    }
    return free;
}

}  // namespace kavrin::link
