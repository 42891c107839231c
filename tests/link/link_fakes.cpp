#include "link_fakes.h"

namespace kavrin::test {

Responder ByteModule(std::uint8_t idByte, std::uint8_t answer) {
    return [=](std::uint8_t b, std::vector<std::uint8_t>& out) {
        out.push_back(b);
        if (b == idByte) {
            out.push_back(answer);
        }
    };
}

Responder EchoOnly() {
    return [](std::uint8_t b, std::vector<std::uint8_t>& out) { out.push_back(b); };
}

FakeLineSpec ModuleLine(sim::VirtualModule& module) {
    FakeLineSpec spec;
    spec.respond = [&module](std::uint8_t b, std::vector<std::uint8_t>& out) {
        module.Receive(b, out);
    };
    spec.onBreak = [&module](bool on) { module.SetBreak(on); };
    return spec;
}

int FakeLine::ReadByte(int) {
    if (in_.empty()) {
        return -1;
    }
    const std::uint8_t b = in_.front();
    in_.pop_front();
    return b;
}

int FakeLine::Read(std::span<std::uint8_t> into, int) {
    std::size_t got = 0;
    while (got < into.size() && !in_.empty()) {
        into[got++] = in_.front();
        in_.pop_front();
    }
    return static_cast<int>(got);
}

int FakeLine::Drain() {
    const auto n = static_cast<int>(in_.size());
    in_.clear();
    return n;
}

bool FakeLine::Write(std::span<const std::uint8_t> bytes, int) {
    std::vector<std::uint8_t> out;
    for (const std::uint8_t b : bytes) {
        if (spec_.respond) {
            spec_.respond(b, out);
        }
    }
    in_.insert(in_.end(), out.begin(), out.end());
    return !(spec_.writeFails && spec_.writeFails());
}

std::uint16_t FakeLine::GetModemStatus() {
    const bool dsr = spec_.dsrAlwaysOn || (spec_.dsrFollowsRts && rts_);
    return dsr ? link::kModemDsrOn : std::uint16_t{0};
}

void FakePorts::Hold(const std::string& name) {
    std::lock_guard lock(mutex_);
    held_[name] = true;
}

void FakePorts::Release(const std::string& name) {
    {
        std::lock_guard lock(mutex_);
        held_[name] = false;
    }
    released_.notify_all();
}

std::vector<std::string> FakePorts::OpenOrder() {
    std::lock_guard lock(mutex_);
    return order_;
}

OpenResult FakePorts::Open(std::string_view name) {
    std::unique_lock lock(mutex_);
    const std::string key(name);
    order_.push_back(key);
    released_.wait(lock, [&] { return !held_[key]; });
    const auto found = specs_.find(key);
    if (found == specs_.end()) {
        return {nullptr, OpenError::NoSuchPort};
    }
    if (found->second.openError != OpenError::None) {
        return {nullptr, found->second.openError};
    }
    return {std::make_unique<FakeLine>(found->second), OpenError::None};
}

link::PortFactory FakePorts::Factory(std::shared_ptr<sim::VirtualRobot> robot) {
    link::PortFactory fakes = [this](std::string_view name) { return Open(name); };
    if (!robot) {
        return fakes;
    }
    return sim::WithVirtualRobot(std::move(fakes), std::move(robot));
}

link::DownloadBlock MakeBlock(int row, std::uint8_t fill) {
    link::DownloadBlock block{};
    block[0] = static_cast<std::uint8_t>(0x80 + row);
    unsigned sum = block[0];
    for (std::size_t i = 1; i <= 16; ++i) {
        block[i] = static_cast<std::uint8_t>(fill + i);
        sum += block[i];
    }
    block[17] = static_cast<std::uint8_t>(256 - (sum & 0xFF));
    return block;
}

}  // namespace kavrin::test
