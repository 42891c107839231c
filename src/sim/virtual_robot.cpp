#include "sim/virtual_robot.h"

#include <chrono>
#include <deque>
#include <thread>
#include <vector>

namespace kavrin::sim {

namespace {

using Clock = std::chrono::steady_clock;

// One character on a 9,600-baud line: start bit, 8 data bits, stop bit.
constexpr auto kCharacterTime = std::chrono::microseconds(10'000'000 / 9600);

}  // namespace

// The computer's end of the line to the virtual module. Bytes the module sends are queued with
// the time they reach the computer; reads wait for them as a real line would (or not at all).
class SimSerialPort final : public link::SerialPort {
public:
    explicit SimSerialPort(std::shared_ptr<VirtualRobot> robot)
        : robot_(std::move(robot)), realTime_(robot_->RealTime()) {}
    ~SimSerialPort() override { robot_->Release(); }

    int ReadByte(int timeoutMs) override {
        std::uint8_t b = 0;
        return Read(std::span(&b, 1), timeoutMs) == 1 ? b : -1;
    }

    int Read(std::span<std::uint8_t> into, int timeoutMs) override {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        if (const std::shared_ptr<SimulatorLine> line = robot_->Simulator()) {
            FromSimulation(*line, into.size(), deadline);
        } else {
            RunProgram(into.size(), timeoutMs);
        }
        std::size_t got = 0;
        while (got < into.size() && !Gone()) {
            if (pending_.empty() || (realTime_ && pending_.front().arrival > deadline)) {
                break;
            }
            if (realTime_) {
                std::this_thread::sleep_until(pending_.front().arrival);
            }
            into[got++] = pending_.front().byte;
            pending_.pop_front();
        }
        if (got < into.size() && realTime_) {
            std::this_thread::sleep_until(deadline);  // a real read waits out its time-out
        }
        return static_cast<int>(got);
    }

    int Drain() override {
        const Clock::time_point now = Clock::now();
        int count = 0;
        if (const std::shared_ptr<SimulatorLine> line = robot_->Simulator()) {
            count += static_cast<int>(line->DrainFromRobot());
        }
        while (!pending_.empty() && (!realTime_ || pending_.front().arrival <= now)) {
            pending_.pop_front();
            ++count;
        }
        return count;
    }

    bool Write(std::span<const std::uint8_t> bytes, int) override {
        if (Gone()) {
            return false;
        }
        Clock::time_point sent = std::max(Clock::now(), lineFree_);
        std::vector<std::uint8_t> answer;
        writeFailure_.clear();
        for (const std::uint8_t b : bytes) {
            sent += kCharacterTime;
            answer.clear();
            const bool forProgram = robot_->Module().Listening();
            const int downloads = robot_->Module().DownloadsClosed();
            robot_->Module().Receive(b, answer);
            if (forProgram) {
                if (const std::shared_ptr<SimulatorLine> line = robot_->Simulator()) {
                    line->ToRobot(b);
                } else {
                    robot_->Program().FromComputer(b);
                }
            }
            if (robot_->Module().DownloadsClosed() != downloads) Downloaded();
            Clock::time_point arrival = sent;
            for (const std::uint8_t a : answer) {
                arrival = std::max(arrival, lastArrival_ + kCharacterTime);
                pending_.push_back({arrival, a});
                lastArrival_ = arrival;
            }
        }
        lineFree_ = sent;
        return !Gone() && writeFailure_.empty();
    }
    std::string WriteFailure() const override { return writeFailure_; }

    bool SetBreak(bool on) override {
        if (Gone()) {
            return false;
        }
        robot_->Module().SetBreak(on);
        if (on)
            robot_->Program().Hold();
        else
            robot_->Program().Restart();
        return true;
    }
    // The module has no modem line answers and no loop-back; DTR and RTS are merely accepted.
    bool SetDTR(bool) override { return !Gone(); }
    bool SetRTS(bool) override { return !Gone(); }
    std::uint16_t GetModemStatus() override { return 0; }

private:
    struct Pending {
        Clock::time_point arrival;
        std::uint8_t byte;
    };

    bool Gone() const { return robot_->Module().Vanished(); }

    // The closing byte of a download: the program takes the image and keeps it in its file. The
    // module has no answer for that byte, so a file that cannot be written fails the write
    // itself: the download must not be reported as kept when the next run will not find it.
    void Downloaded() {
        ModuleProgram& program = robot_->Program();
        if (!program.Downloaded(robot_->Module().Eeprom())) {
            writeFailure_ =
                "the virtual robot's EEPROM file was not written: " + program.SaveError();
        }
    }

    // The running program goes on while the computer waits for bytes: until it has sent what
    // the read still lacks, or for the read's time-out in virtual time. What it sends arrives
    // after the virtual time it took (at once without line timing).
    void RunProgram(std::size_t wanted, int timeoutMs) {
        ModuleProgram& program = robot_->Program();
        if (!program.Running() || pending_.size() >= wanted) return;
        const Clock::time_point start = std::max(Clock::now(), lastArrival_);
        const VirtualTime begin = program.Cpu().Now();
        for (const HostByte& b :
             program.RunFor(timeoutMs * kMicrosPerMs, wanted - pending_.size())) {
            const Clock::time_point arrival = start + std::chrono::microseconds(b.time - begin);
            pending_.push_back({arrival, b.byte});
            lastArrival_ = std::max(lastArrival_, arrival);
        }
    }

    // The program runs in a simulation on another thread: wait for what it sends, on the wall
    // clock, while the module listens to the program.
    void FromSimulation(SimulatorLine& line, std::size_t wanted, Clock::time_point deadline) {
        if (!robot_->Module().Listening() || pending_.size() >= wanted) return;
        for (const std::uint8_t b : line.FromRobot(wanted - pending_.size(), deadline)) {
            const Clock::time_point arrival = std::max(Clock::now(), lastArrival_);
            pending_.push_back({arrival, b});
            lastArrival_ = arrival;
        }
    }

    std::shared_ptr<VirtualRobot> robot_;
    bool realTime_;
    std::deque<Pending> pending_;
    Clock::time_point lineFree_{};
    Clock::time_point lastArrival_{};
    std::string writeFailure_;
};

link::OpenResult VirtualRobot::Open() {
    std::lock_guard lock(mutex_);
    if (open_ || module_.faults.inUse) {
        return {nullptr, link::OpenError::InUse};
    }
    if (module_.Vanished()) {
        return {nullptr, link::OpenError::NoSuchPort};
    }
    open_ = true;
    return {std::make_unique<SimSerialPort>(shared_from_this()), link::OpenError::None};
}

void VirtualRobot::AttachSimulator(std::shared_ptr<SimulatorLine> line) {
    std::lock_guard lock(mutex_);
    simulator_ = std::move(line);
}

std::shared_ptr<SimulatorLine> VirtualRobot::Simulator() {
    std::lock_guard lock(mutex_);
    return simulator_;
}

bool VirtualRobot::PortOpen() {
    std::lock_guard lock(mutex_);
    return open_;
}

void VirtualRobot::Release() {
    std::lock_guard lock(mutex_);
    open_ = false;
}

std::shared_ptr<VirtualRobot> SharedRobot() {
    static const std::shared_ptr<VirtualRobot> robot = std::make_shared<VirtualRobot>();
    return robot;
}

link::PortFactory WithVirtualRobot(link::PortFactory realPorts,
                                   std::shared_ptr<VirtualRobot> robot) {
    return [real = std::move(realPorts), robot = std::move(robot)](std::string_view name) {
        if (name == kSimPortName) {
            return robot->Open();
        }
        return real ? real(name) : link::OpenResult{nullptr, link::OpenError::NoSuchPort};
    };
}

}  // namespace kavrin::sim
