// The port scan and the identification it runs on each port: what each kind of line leaves in
// the port status table, the four-thread limit, and that nothing is left open or running.

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include "link/target_link.h"
#include "link_fakes.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::test {
namespace {

using resources::GetUIString;

class ScanTest : public ::testing::Test {
protected:
    link::TargetLink& Link(std::vector<std::string> ports) {
        pool = std::make_unique<link::TPortPool>(fakes.Factory(robot));
        target = std::make_unique<link::TargetLink>(
            *pool, [ports](std::vector<std::string>& list) { list = ports; }, FastTimings());
        return *target;
    }

    const link::PortStatusRow& Scan(link::TargetLink& l, std::size_t row = 0,
                                    link::LinkObserver* obs = nullptr) {
        l.OpenProgress(true, obs ? *obs : observer);
        l.ScanPorts(link::kModelKR2, obs ? *obs : observer);
        return l.Status().rows[row];
    }

    std::shared_ptr<sim::VirtualRobot> robot = std::make_shared<sim::VirtualRobot>();
    FakePorts fakes;
    std::unique_ptr<link::TPortPool> pool;
    std::unique_ptr<link::TargetLink> target;
    RecordingObserver observer;
};

TEST_F(ScanTest, VirtualRobotIdentifiesAsTheRobotVersionOne) {
    auto& l = Link({"SIM"});
    const auto& row = Scan(l);
    EXPECT_EQ(row[link::kColPort], "SIM:");
    EXPECT_EQ(row[link::kColDevice], link::ModelName(link::kModelKR2));
    EXPECT_EQ(row[link::kColVersion], "v1.0");
    EXPECT_EQ(row[link::kColLoopback], GetUIString(resources::str::kNo));
    EXPECT_EQ(row[link::kColEcho], GetUIString(resources::str::kYes));
    EXPECT_EQ(row.model, 2);
    EXPECT_FALSE(row.candidate);
}

TEST_F(ScanTest, LoopBackPlugOnlyEchoes) {
    FakeLineSpec plug = Line(EchoOnly());
    plug.dsrFollowsRts = true;
    fakes.Add("ttyS0", plug);
    auto& l = Link({"ttyS0"});
    const auto& row = Scan(l);
    EXPECT_EQ(row[link::kColLoopback], GetUIString(resources::str::kYes));
    EXPECT_EQ(row[link::kColEcho], GetUIString(resources::str::kYes));
    EXPECT_EQ(row[link::kColDevice], "");
    EXPECT_EQ(row.model, 0);
}

TEST_F(ScanTest, DsrAlreadyOnIsNoLoopBack) {
    FakeLineSpec line = Line(EchoOnly());
    line.dsrAlwaysOn = true;
    fakes.Add("ttyS0", line);
    auto& l = Link({"ttyS0"});
    EXPECT_EQ(Scan(l)[link::kColLoopback], GetUIString(resources::str::kNo));
}

TEST_F(ScanTest, SilentLineStopsAfterTheFirstModel) {
    fakes.Add("ttyS0", {});
    auto& l = Link({"ttyS0"});
    const auto& row = Scan(l);
    EXPECT_EQ(row[link::kColEcho], GetUIString(resources::str::kNo));
    EXPECT_EQ(row.model, 0);
}

TEST_F(ScanTest, OpenFailuresNameTheirReason) {
    fakes.Add("ttyS0", Unopenable(link::OpenError::InUse));
    fakes.Add("ttyS1", Unopenable(link::OpenError::Other));
    auto& l = Link({"ttyS0", "ttyS1", "ttyGn"});
    Scan(l);
    const auto& rows = l.Status().rows;
    EXPECT_EQ(rows[0][link::kColDevice], GetUIString(resources::str::kPortInUse));
    EXPECT_EQ(rows[1][link::kColDevice], GetUIString(resources::str::kPortNotOpened));
    EXPECT_EQ(rows[2][link::kColDevice], GetUIString(resources::str::kInvalidPort));
    for (const auto& row : rows) {
        EXPECT_EQ(row.model, 0);
        EXPECT_EQ(row[link::kColEcho], "");
    }
}

TEST_F(ScanTest, VirtualRobotInUseIsAPortInUse) {
    robot->Module().faults.inUse = true;
    auto& l = Link({"SIM"});
    EXPECT_EQ(Scan(l)[link::kColDevice], GetUIString(resources::str::kPortInUse));
}

TEST_F(ScanTest, NoEchoAndWrongEchoAreBothNoEcho) {
    auto& l = Link({"SIM"});
    robot->Module().faults.noEcho = true;
    EXPECT_EQ(Scan(l)[link::kColEcho], GetUIString(resources::str::kNo));
    robot->Module().faults = {};
    robot->Module().faults.wrongEcho = true;
    const auto& row = Scan(l);
    EXPECT_EQ(row[link::kColEcho], GetUIString(resources::str::kNo));
    EXPECT_EQ(row.model, 0);
}

TEST_F(ScanTest, OtherModelsAreFoundButNotNamed) {
    fakes.Add("ttyKR3", Line(ByteModule(0x65, 0x65)));
    fakes.Add("ttyKR4", Line(ByteModule(0x58, 0x5A)));
    fakes.Add("KR5a", Line(ByteModule(0x50, 0x52)));
    fakes.Add("KR5b", Line(ByteModule(0x50, 0x71)));
    fakes.Add("ttyBad", Line(ByteModule(0x58, 0x5B)));
    auto& l = Link({"ttyKR3", "ttyKR4", "KR5a", "KR5b", "ttyBad"});
    Scan(l);
    const auto& rows = l.Status().rows;
    EXPECT_EQ(rows[0].model, 3);
    EXPECT_EQ(rows[0][link::kColVersion], "v1.0");
    EXPECT_EQ(rows[0][link::kColDevice], "");  // not the target model
    EXPECT_EQ(rows[1].model, 4);
    EXPECT_EQ(rows[1][link::kColVersion], "v1.2");
    EXPECT_EQ(rows[2].model, 5);
    EXPECT_EQ(rows[2][link::kColDevice], "40");
    EXPECT_EQ(rows[2][link::kColVersion], "v1.2");
    EXPECT_EQ(rows[3][link::kColDevice], "24");
    EXPECT_EQ(rows[3][link::kColVersion], "v1.1");
    EXPECT_EQ(rows[4].model, 0);
}

TEST_F(ScanTest, TargetModelOtherThanTheRobotIsNamed) {
    fakes.Add("ttyKR5", Line(ByteModule(0x50, 0x74)));
    auto& l = Link({"ttyKR5"});
    l.OpenProgress(true, observer);
    l.ScanPorts(link::kModelKR5, observer);
    EXPECT_EQ(l.Status().rows[0][link::kColDevice], "Korble KR524");
}

TEST_F(ScanTest, SelectedPortIsTheOnlyOneProbed) {
    fakes.Add("COM1", Line(EchoOnly()));
    fakes.Add("COM2", Line(EchoOnly()));
    fakes.Add("COM3", Line(EchoOnly()));
    auto& l = Link({"COM1", "COM2", "COM3"});
    l.SetSelectedPort("COM2");
    Scan(l);
    const auto& rows = l.Status().rows;
    EXPECT_EQ(fakes.OpenOrder(), std::vector<std::string>{"COM2"});
    for (const std::size_t k : {0u, 2u}) {
        EXPECT_EQ(rows[k][link::kColDevice], GetUIString(resources::str::kSkipped));
        EXPECT_EQ(rows[k].model, link::kNotScanned);
        EXPECT_EQ(rows[k][link::kColEcho], "");
    }
    EXPECT_EQ(rows[1].model, 0);
    EXPECT_EQ(rows[1][link::kColEcho], GetUIString(resources::str::kYes));
}

TEST_F(ScanTest, ReportsScrollTheTableToTheRowTheyFill) {
    std::vector<std::string> names;
    for (int i = 0; i < 9; ++i) {
        names.push_back("ttyS" + std::to_string(i));
        fakes.Add(names.back(), {});
    }
    // Hold the last port so that it reports last.
    fakes.Hold("ttyS8");
    class ReleaseLast : public RecordingObserver {
    public:
        explicit ReleaseLast(FakePorts& f) : fakes(f) {}
        void PortReported(int portIndex, const link::PortStatusTable& t) override {
            RecordingObserver::PortReported(portIndex, t);
            if (reported.size() == 8) {
                fakes.Release("ttyS8");
            }
        }
        FakePorts& fakes;
    } release(fakes);
    auto& l = Link(names);
    Scan(l, 0, &release);
    EXPECT_EQ(release.reported.back(), 8);
    EXPECT_EQ(l.Status().topRow, 9 - (link::kVisibleDataRows - 1));
}

// --- Threads ------------------------------------------------------------------------------------

// Five ports: the fifth thread may start only after one of the first four has reported, and it
// takes the thread slot that was freed.
TEST_F(ScanTest, FifthThreadWaitsForAFreeSlot) {
    const std::vector<std::string> names{"p0", "p1", "p2", "p3", "p4"};
    for (const auto& n : names) {
        fakes.Add(n, {});
        fakes.Hold(n);
    }
    class Gatekeeper : public RecordingObserver {
    public:
        explicit Gatekeeper(FakePorts& f) : fakes(f) {}
        void Pump() override {
            const auto order = fakes.OpenOrder();
            if (order.size() >= 4 && !releasedFirst) {
                // All four threads are in their open; none has reported.
                startedBeforeReport = static_cast<int>(started.size());
                fakes.Release("p2");
                releasedFirst = true;
            }
        }
        void PortReported(int portIndex, const link::PortStatusTable& t) override {
            RecordingObserver::PortReported(portIndex, t);
            if (reported.size() == 1) {
                for (const char* n : {"p0", "p1", "p3", "p4"}) {
                    fakes.Release(n);
                }
            }
        }
        FakePorts& fakes;
        bool releasedFirst = false;
        int startedBeforeReport = 0;
    } gate(fakes);
    auto& l = Link(names);
    Scan(l, 0, &gate);
    EXPECT_EQ(gate.startedBeforeReport, 4);
    ASSERT_EQ(gate.started.size(), 5u);
    EXPECT_EQ(gate.reported.front(), 2);
    const std::vector<std::pair<int, int>> firstFour{{1, 0}, {2, 1}, {3, 2}, {4, 3}};
    EXPECT_EQ(std::vector(gate.started.begin(), gate.started.begin() + 4), firstFour);
    EXPECT_EQ(gate.started[4], std::make_pair(3, 4));  // p2's slot, the lowest free
    EXPECT_EQ(gate.reported.size(), 5u);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

// An observer that throws out of the scan gets its exception; the threads still probing are
// waited for rather than ending the program, and their ports are closed.
TEST_F(ScanTest, ObserverThrowingOutOfTheScanLeavesNoThreadBehind) {
    std::vector<std::string> names{"p0", "p1", "p2"};
    for (const auto& n : names) {
        fakes.Add(n, {});
    }
    fakes.Hold("p1");
    fakes.Hold("p2");
    class Thrower : public RecordingObserver {
    public:
        explicit Thrower(FakePorts& f) : fakes(f) {}
        void PortReported(int, const link::PortStatusTable&) override {
            fakes.Release("p1");
            fakes.Release("p2");
            throw std::runtime_error("abort");
        }
        FakePorts& fakes;
    } thrower(fakes);
    auto& l = Link(names);
    l.OpenProgress(true, thrower);
    EXPECT_THROW(l.ScanPorts(link::kModelKR2, thrower), std::runtime_error);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(ScanTest, ManyPortsLeaveEverySlotFree) {
    std::vector<std::string> names;
    for (int i = 0; i < 12; ++i) {
        names.push_back("ttyUSB" + std::to_string(i));
        if (i % 3 == 0) {
            fakes.Add(names.back(), Line(EchoOnly()));
        } else if (i % 3 == 1) {
            fakes.Add(names.back(), Unopenable(link::OpenError::InUse));
        }
    }
    names.push_back("SIM");
    auto& l = Link(names);
    Scan(l);
    EXPECT_EQ(observer.reported.size(), names.size());
    EXPECT_EQ(l.Status().rows.back().model, 2);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(ScanTest, EmptyPortListReportsNothing) {
    auto& l = Link({});
    l.OpenProgress(true, observer);
    l.ScanPorts(link::kModelKR2, observer);
    EXPECT_TRUE(l.Status().rows.empty());
    EXPECT_TRUE(observer.reported.empty());
}

}  // namespace
}  // namespace kavrin::test

namespace kavrin::test {
namespace {

// A line that answers every byte with a few bytes of noise: no crash, no hang, nothing left
// open, and never a module found where none is.
TEST_F(ScanTest, GarbageAnswersNeverIdentifyOrLeaveSlotsBusy) {
    for (std::uint32_t seed = 1; seed <= 200; ++seed) {
        auto state = std::make_shared<std::uint32_t>(seed);
        fakes.Add("noise", Line([state](std::uint8_t, std::vector<std::uint8_t>& out) {
                      *state = *state * 1664525u + 1013904223u;
                      for (std::uint32_t n = (*state >> 30); n > 0; --n) {
                          *state = *state * 1664525u + 1013904223u;
                          out.push_back(static_cast<std::uint8_t>(*state >> 24));
                      }
                  }));
        auto& l = Link({"noise"});
        link::DownloadRequest request;
        const std::vector<link::DownloadBlock> blocks{MakeBlock(1, 0), MakeBlock(2, 0)};
        request.blocks = blocks;
        request.version = "v1.0";
        const auto outcome = l.DownloadIt(request, false, observer);
        if (outcome.status == link::DownloadStatus::Delivered) {
            // Only possible when the noise spelled out the whole exchange.
            EXPECT_EQ(l.Status().rows[0].model, 2);
        }
        ASSERT_EQ(pool->FreeSlotCount(), link::kPortSlotCount) << "seed " << seed;
    }
}

}  // namespace
}  // namespace kavrin::test
