#pragma once
// Fake serial lines for the link tests: scripted modules, loop-back plugs, busy and missing
// ports, and a gate that holds a port's opening until the test lets it go.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "link/link_observer.h"
#include "link/serial_port.h"
#include "link/target_link.h"
#include "sim/virtual_robot.h"

namespace kavrin::test {

using link::OpenError;
using link::OpenResult;

// What the far end of a fake line does with each byte it receives.
using Responder = std::function<void(std::uint8_t, std::vector<std::uint8_t>&)>;

// A module that echoes and answers one identification byte with answer (KR3 to KR5 style).
Responder ByteModule(std::uint8_t idByte, std::uint8_t answer);
// A loop-back plug: every byte comes straight back, nothing else.
Responder EchoOnly();

struct FakeLineSpec {
    OpenError openError = OpenError::None;  // the port does not open when set
    Responder respond;                      // nothing comes back when empty
    bool dsrFollowsRts = false;             // loop-back of the modem lines
    bool dsrAlwaysOn = false;
    bool lineControlFails = false;      // a pseudo-terminal: no break, no modem lines
    std::function<void(bool)> onBreak;  // the far end sees the break condition
    std::function<bool()> writeFails;   // asked after each write: report it as failed
};

inline FakeLineSpec Line(Responder respond) {
    FakeLineSpec spec;
    spec.respond = std::move(respond);
    return spec;
}
inline FakeLineSpec Unopenable(OpenError error) {
    FakeLineSpec spec;
    spec.openError = error;
    return spec;
}

// A line to a virtual module of the test's own (the way the robot is wired, without "SIM").
FakeLineSpec ModuleLine(sim::VirtualModule& module);

class FakeLine final : public link::SerialPort {
public:
    explicit FakeLine(FakeLineSpec spec) : spec_(std::move(spec)) {}
    int ReadByte(int) override;
    int Read(std::span<std::uint8_t> into, int) override;
    int Drain() override;
    bool Write(std::span<const std::uint8_t> bytes, int) override;
    bool SetBreak(bool on) override {
        if (spec_.onBreak && !spec_.lineControlFails) {
            spec_.onBreak(on);
        }
        return !spec_.lineControlFails;
    }
    bool SetDTR(bool) override { return !spec_.lineControlFails; }
    bool SetRTS(bool on) override {
        rts_ = on;
        return !spec_.lineControlFails;
    }
    std::uint16_t GetModemStatus() override;

private:
    FakeLineSpec spec_;
    std::deque<std::uint8_t> in_;
    bool rts_ = false;
};

// A set of named fake ports; the virtual robot answers as "SIM" when one is given.
class FakePorts {
public:
    void Add(const std::string& name, FakeLineSpec spec) { specs_[name] = std::move(spec); }
    // Opening this port waits until Release(name).
    void Hold(const std::string& name);
    void Release(const std::string& name);
    // Names in the order their opening began.
    std::vector<std::string> OpenOrder();

    link::PortFactory Factory(std::shared_ptr<sim::VirtualRobot> robot = nullptr);

private:
    OpenResult Open(std::string_view name);

    std::mutex mutex_;
    std::condition_variable released_;
    std::map<std::string, FakeLineSpec> specs_;
    std::map<std::string, bool> held_;
    std::vector<std::string> order_;
};

// Records what the download shows; picks a fixed row when asked to choose.
class RecordingObserver : public link::LinkObserver {
public:
    void ProgressOpened(const link::PortStatusTable&) override { ++opened; }
    void ProgressClosed() override { ++closed; }
    void ScanStarted() override { ++scans; }
    void PortReported(int portIndex, const link::PortStatusTable&) override {
        reported.push_back(portIndex);
    }
    void ProbeStarted(int threadSlot, int portIndex) override {
        started.push_back({threadSlot, portIndex});
    }
    int ChooseTarget(const link::PortStatusTable& table, std::string_view message) override {
        ++choices;
        choiceMessage = std::string(message);
        choiceTopRow = table.topRow;
        return choose;
    }
    void TargetMarked(int portIndex) override { marked = portIndex; }
    void StepIt(int) override { ++steps; }
    void Blink() override { ++blinks; }
    void ShowError(std::string_view text) override { errors.emplace_back(text); }
    void ShowMessage(std::string_view text) override { messages.emplace_back(text); }

    int opened = 0, closed = 0, scans = 0, choices = 0, steps = 0, blinks = 0;
    int marked = -1, choose = -1, choiceTopRow = 0;
    std::string choiceMessage;
    std::vector<int> reported;
    std::vector<std::pair<int, int>> started;
    std::vector<std::string> errors, messages;
};

// Time-outs and pauses cut down so that a silent line costs milliseconds.
inline link::LinkTimings FastTimings() {
    link::LinkTimings t;
    t.firstEchoMs = 20;
    t.answerMs = 20;
    t.writeMs = 20;
    t.blockEchoMs = 20;
    t.resetDtrMs = 0;
    t.resetBreakMs = 0;
    t.resetSettleMs = 0;
    t.loopbackMs = 0;
    return t;
}

// A download block for one EEPROM row, with its checksum.
link::DownloadBlock MakeBlock(int row, std::uint8_t fill);

// A link over fake ports with the rig's virtual robot behind "SIM", and an observer that
// records; for test fixtures to derive from.
struct FakeLinkRig {
    // A link whose port list is ports.
    link::TargetLink& Link(std::vector<std::string> ports,
                           link::LinkTimings timings = FastTimings()) {
        pool = std::make_unique<link::TPortPool>(fakes.Factory(robot));
        target = std::make_unique<link::TargetLink>(
            *pool, [ports](std::vector<std::string>& list) { list = ports; }, timings);
        return *target;
    }
    sim::VirtualModule& Module() { return robot->Module(); }

    std::shared_ptr<sim::VirtualRobot> robot = std::make_shared<sim::VirtualRobot>();
    FakePorts fakes;
    std::unique_ptr<link::TPortPool> pool;
    std::unique_ptr<link::TargetLink> target;  // after the pool it uses
    RecordingObserver observer;
};

}  // namespace kavrin::test
