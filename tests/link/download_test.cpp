// The download against the virtual robot and fault-injecting fakes: every row of the failure
// table, the version check, the choice among several modules, and the state left behind.

#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <stop_token>
#include <thread>

#include "link/target_link.h"
#include "link_fakes.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::test {
namespace {

using link::DownloadStatus;
using resources::GetUIString;

class DownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int row = 0; row < 5; ++row) {
            blocks.push_back(MakeBlock(row * 7, static_cast<std::uint8_t>(row * 16)));
        }
    }

    // A link whose port list is ports, with the test's robot behind "SIM".
    link::TargetLink& Link(std::vector<std::string> ports,
                           link::LinkTimings timings = FastTimings()) {
        pool = std::make_unique<link::TPortPool>(fakes.Factory(robot));
        target = std::make_unique<link::TargetLink>(
            *pool, [ports](std::vector<std::string>& list) { list = ports; }, timings);
        return *target;
    }

    link::DownloadOutcome Download(link::TargetLink& l, bool keepOpen = false) {
        link::DownloadRequest request;
        request.blocks = blocks;
        request.version = "v1.0";
        return l.DownloadIt(request, keepOpen, observer);
    }

    sim::VirtualModule& Module() { return robot->Module(); }

    std::vector<link::DownloadBlock> blocks;
    std::shared_ptr<sim::VirtualRobot> robot = std::make_shared<sim::VirtualRobot>();
    FakePorts fakes;
    std::unique_ptr<link::TPortPool> pool;
    std::unique_ptr<link::TargetLink> target;
    RecordingObserver observer;
};

TEST_F(DownloadTest, EveryBlockLandsInTheRowItNames) {
    auto& l = Link({"SIM"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::Delivered);
    EXPECT_TRUE(observer.errors.empty());
    EXPECT_EQ(observer.steps, 5);
    EXPECT_EQ(observer.marked, 0);
    EXPECT_EQ(outcome.portSlot, 0);
    for (const auto& block : blocks) {
        const std::size_t row = block[0] - 0x80u;
        ASSERT_TRUE(Module().RowsWritten()[row]);
        for (std::size_t i = 0; i < 16; ++i) {
            EXPECT_EQ(Module().Eeprom()[row * 16 + i], block[1 + i]);
        }
    }
    EXPECT_EQ(Module().DownloadsClosed(), 1);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
    EXPECT_EQ(l.Status().rows[0].model, 2);
    EXPECT_EQ(l.Status().rows[0][link::kColVersion], "v1.0");
    EXPECT_TRUE(l.Status().rows[0].candidate);
    EXPECT_EQ(observer.opened, 1);
    EXPECT_EQ(observer.closed, 1);
}

TEST_F(DownloadTest, KeepOpenHandsThePortToTheCaller) {
    auto& l = Link({"SIM"});
    const auto outcome = Download(l, true);
    ASSERT_EQ(outcome.status, DownloadStatus::Delivered);
    ASSERT_NE(outcome.portSlot, link::kNoPortSlot);
    EXPECT_TRUE(pool->Port(outcome.portSlot)->IsOpen());
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount - 1);
    pool->ClosePort(outcome.portSlot);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(DownloadTest, NoModuleAnywhereIsRobotNotFound) {
    fakes.Add("ttyS0", Line(EchoOnly()));
    auto& l = Link({"ttyS0", "ttyS1"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::NotFound);
    EXPECT_EQ(outcome.portSlot, link::kNoPortSlot);
    ASSERT_EQ(observer.errors.size(), 1u);
    EXPECT_EQ(observer.errors[0], GetUIString(resources::str::kRobotNotFound));
    EXPECT_EQ(observer.closed, 1);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(DownloadTest, PortRefusedForLackOfRightsNamesTheFix) {
    // The robot may well be behind the refused port: "not found" alone would send the user off
    // checking cables. Once the rights are there, the next run says nothing about them.
    fakes.Add("ttyS4", Unopenable(link::OpenError::NoPermission));
    fakes.Add("ttyS0", Line(EchoOnly()));
    auto& l = Link({"ttyS4", "ttyS0"});
    const std::string expected = GetUIString(resources::str::kRobotNotFound) + "\n" +
                                 GetUIString(resources::str::kNoPermissionFix);
    EXPECT_EQ(Download(l).message, expected);
    ASSERT_EQ(observer.errors.size(), 1u);
    EXPECT_EQ(observer.errors[0], expected);
    EXPECT_EQ(l.Status().rows[0][link::kColDevice], GetUIString(resources::str::kPortNotOpened));

    fakes.Add("ttyS4", Line(EchoOnly()));
    EXPECT_EQ(Download(l).message, GetUIString(resources::str::kRobotNotFound));
}

TEST_F(DownloadTest, WrongVersionIsRefusedBeforeAnyProgramByte) {
    Module().faults.versionByte = 0x12;
    auto& l = Link({"SIM"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::WrongVersion);
    EXPECT_EQ(outcome.portSlot, link::kNoPortSlot);
    ASSERT_EQ(observer.errors.size(), 1u);
    EXPECT_EQ(observer.errors[0], "Cannot download to this version of the device.");
    EXPECT_EQ(l.Status().rows[0][link::kColVersion], "v1.2");
    EXPECT_EQ(Module().BlocksReceived(), 0);
    EXPECT_EQ(Module().Identifications(), 1);  // the scan's, no second one for a download
}

TEST_F(DownloadTest, MissingVersionByteReadsAsFFAndIsRefused) {
    Module().faults.noVersion = true;
    auto& l = Link({"SIM"});
    EXPECT_EQ(Download(l).status, DownloadStatus::WrongVersion);
    EXPECT_EQ(l.Status().rows[0][link::kColVersion], "vF.F");
    EXPECT_EQ(Module().BlocksReceived(), 0);
}

TEST_F(DownloadTest, AcknowledgementTwoIsAnEepromVerifyFailure) {
    Module().faults.ackAtBlock = 2;
    Module().faults.ackValue = 2;
    auto& l = Link({"SIM"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::VerifyFailed);
    EXPECT_EQ(outcome.portSlot, 0);  // the port was opened: the message has been shown
    ASSERT_EQ(observer.errors.size(), 1u);
    EXPECT_EQ(observer.errors[0], GetUIString(resources::str::kVerifyFailed));
    EXPECT_EQ(observer.steps, 2);
    EXPECT_EQ(Module().BlocksReceived(), 3);  // nothing after the refused block
    EXPECT_EQ(Module().DownloadsClosed(), 1);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(DownloadTest, OtherAcknowledgementIsACommunicationFailure) {
    Module().faults.ackAtBlock = 0;
    Module().faults.ackValue = 5;
    auto& l = Link({"SIM"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::CommFailure);
    ASSERT_EQ(observer.errors.size(), 1u);
    EXPECT_EQ(observer.errors[0], GetUIString(resources::str::kCommFailure));
    EXPECT_EQ(observer.steps, 0);
}

TEST_F(DownloadTest, SilenceHalfwayKeepsEarlierRowsAndStillSendsTheClosingByte) {
    Module().faults.silentAfterBlocks = 3;
    auto& l = Link({"SIM"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::CommFailure);
    EXPECT_EQ(observer.steps, 3);
    EXPECT_EQ(Module().BlocksAccepted(), 3);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_TRUE(Module().RowsWritten()[blocks[i][0] - 0x80u]);
    }
    EXPECT_FALSE(Module().RowsWritten()[blocks[3][0] - 0x80u]);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(DownloadTest, PortVanishingMidwayIsACommunicationFailure) {
    Module().faults.vanishAfterBlocks = 1;
    auto& l = Link({"SIM"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::CommFailure);
    EXPECT_EQ(Module().BlocksAccepted(), 1);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(DownloadTest, ARobotThatCannotKeepTheProgramFailsTheDownloadWithTheReason) {
    const auto folder = std::filesystem::path(::testing::TempDir()) / "kavrin-eeprom-folder";
    std::filesystem::create_directories(folder);
    robot->Program().SetEepromFile(folder.string());
    auto& l = Link({"SIM"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::NotKept);
    EXPECT_EQ(outcome.uiString, resources::str::kProgramNotKept);
    EXPECT_EQ(outcome.message.rfind(GetUIString(resources::str::kProgramNotKept), 0), 0u);
    EXPECT_NE(outcome.message.find(folder.string()), std::string::npos) << outcome.message;
    ASSERT_EQ(observer.errors.size(), 1u);
    EXPECT_EQ(observer.errors[0], outcome.message);
    EXPECT_EQ(outcome.blocksSent, 5);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);

    // A line that fails the closing byte without a reason is a communication failure.
    auto inner = std::make_shared<sim::VirtualModule>();
    FakeLineSpec line = ModuleLine(*inner);
    line.writeFails = [inner] { return inner->DownloadsClosed() > 0; };
    fakes.Add("ttyS7", line);
    auto& other = Link({"ttyS7"});
    const auto cut = Download(other);
    EXPECT_EQ(cut.status, DownloadStatus::CommFailure);
    EXPECT_EQ(cut.message, GetUIString(resources::str::kCommFailure));
}

TEST_F(DownloadTest, ClosingByteFollowsAFailedBlock) {
    // The fake records every byte the computer sent.
    auto sent = std::make_shared<std::vector<std::uint8_t>>();
    auto inner = std::make_shared<sim::VirtualModule>();
    inner->faults.ackAtBlock = 1;
    inner->faults.ackValue = 7;
    FakeLineSpec line = ModuleLine(*inner);
    line.respond = [sent, inner](std::uint8_t b, std::vector<std::uint8_t>& out) {
        sent->push_back(b);
        inner->Receive(b, out);
    };
    fakes.Add("ttyS4", line);
    auto& l = Link({"ttyS4"});
    EXPECT_EQ(Download(l).status, DownloadStatus::CommFailure);
    ASSERT_FALSE(sent->empty());
    EXPECT_EQ(sent->back(), 0);
    EXPECT_EQ(inner->DownloadsClosed(), 1);
}

TEST_F(DownloadTest, PortThatWillNotOpenForTheDownloadSaysWhich) {
    // The scan finds the robot; by the time the download opens it, another program holds it.
    class GrabAfterScan : public RecordingObserver {
    public:
        explicit GrabAfterScan(sim::VirtualModule& m) : module(m) {}
        void TargetMarked(int portIndex) override {
            RecordingObserver::TargetMarked(portIndex);
            module.faults.inUse = true;
        }
        sim::VirtualModule& module;
    } grab(Module());
    auto& l = Link({"SIM"});
    link::DownloadRequest request;
    request.blocks = blocks;
    request.version = "v1.0";
    const auto outcome = l.DownloadIt(request, false, grab);
    EXPECT_EQ(outcome.status, DownloadStatus::PortNotOpened);
    EXPECT_EQ(outcome.portSlot, link::kNoPortSlot);
    ASSERT_EQ(grab.errors.size(), 1u);
    EXPECT_EQ(grab.errors[0], GetUIString(resources::str::kCannotOpenPort) + "SIM\n" +
                                  GetUIString(resources::str::kAccessDeniedReason));
    EXPECT_EQ(grab.closed, 1);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(DownloadTest, NoProgramSlotsSendsNothingAndShowsNothing) {
    auto& l = Link({"SIM"});
    link::DownloadRequest request;
    request.blocks = blocks;
    request.programCount = 0;
    EXPECT_EQ(l.DownloadIt(request, false, observer).status, DownloadStatus::NothingToSend);
    EXPECT_EQ(observer.opened, 0);
    EXPECT_EQ(Module().Identifications(), 0);
}

TEST_F(DownloadTest, LineWithoutBreakOrModemLinesStillTakesTheProgram) {
    sim::VirtualModule idleListener(true);  // identifies without a reset, as on a pty
    FakeLineSpec line = ModuleLine(idleListener);
    line.lineControlFails = true;
    fakes.Add("pts0", line);
    auto& l = Link({"pts0"});
    EXPECT_EQ(Download(l).status, DownloadStatus::Delivered);
    EXPECT_EQ(idleListener.BlocksAccepted(), 5);
}

// A client of a pseudo-terminal that gave up after "KR2" leaves the module waiting for the
// version request; the next client's identification must still work at the first try.
TEST_F(DownloadTest, IdleListenerRestartsOnANewIdentification) {
    sim::VirtualModule idleListener(true);
    std::vector<std::uint8_t> ignored;
    for (const char c : std::string_view("KR2")) {
        idleListener.Receive(static_cast<std::uint8_t>(c), ignored);
    }
    FakeLineSpec line = ModuleLine(idleListener);
    line.lineControlFails = true;
    fakes.Add("pts0", line);
    auto& l = Link({"pts0"});
    EXPECT_EQ(Download(l).status, DownloadStatus::Delivered);
    EXPECT_EQ(idleListener.Identifications(), 2);  // the scan's and the download's
}

// --- Several matching modules -------------------------------------------------------------------

class TwoRobots : public DownloadTest {
protected:
    void SetUp() override {
        DownloadTest::SetUp();
        fakes.Add("COM1", ModuleLine(first));
        fakes.Add("COM3", ModuleLine(second));
        fakes.Add("COM2", {});
    }
    sim::VirtualModule first{false}, second{false};
};

TEST_F(TwoRobots, CancellingTheChoiceSendsNothing) {
    auto& l = Link({"COM1", "COM2", "COM3"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::ChoiceCancelled);
    EXPECT_EQ(observer.choices, 1);
    EXPECT_EQ(observer.choiceMessage, GetUIString(resources::str::kSeveralModules));
    EXPECT_TRUE(observer.errors.empty());
    EXPECT_TRUE(l.Status().rows[0].candidate);
    EXPECT_FALSE(l.Status().rows[1].candidate);
    EXPECT_TRUE(l.Status().rows[2].candidate);
    EXPECT_EQ(first.BlocksReceived() + second.BlocksReceived(), 0);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(TwoRobots, TheChosenRowGetsTheProgramAndKeepsTheScanResults) {
    observer.choose = 0;
    auto& l = Link({"COM1", "COM2", "COM3"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::Delivered);
    EXPECT_EQ(first.BlocksAccepted(), 5);
    EXPECT_EQ(second.BlocksAccepted(), 0);
    EXPECT_EQ(observer.marked, 0);
    EXPECT_EQ(observer.opened, 2);           // reopened after the choice...
    EXPECT_EQ(l.Status().rows[2].model, 2);  // ...without clearing the rows
}

TEST_F(TwoRobots, PortPluggedInDuringTheChoiceDoesNotShiftTheTarget) {
    observer.choose = 2;  // COM3
    int listings = 0;
    pool = std::make_unique<link::TPortPool>(fakes.Factory(robot));
    link::TargetLink l(
        *pool,
        [&listings](std::vector<std::string>& list) {
            list = ++listings == 1 ? std::vector<std::string>{"COM1", "COM2", "COM3"}
                                   : std::vector<std::string>{"COM0", "COM1", "COM2", "COM3"};
        },
        FastTimings());
    EXPECT_EQ(Download(l).status, DownloadStatus::Delivered);
    EXPECT_EQ(second.BlocksAccepted(), 5);
    EXPECT_EQ(first.BlocksReceived(), 0);
}

// The choice opens with the first candidate as the top row, as far as the table can scroll;
// the chosen row is then brought into view from there.
TEST_F(DownloadTest, ChoiceOpensScrolledToTheFirstCandidate) {
    sim::VirtualModule robots[3];
    std::vector<std::string> names;
    for (int i = 0; i < 9; ++i) {
        names.push_back("ttyS" + std::to_string(i));
        fakes.Add(names.back(), {});
    }
    fakes.Add("ttyS2", ModuleLine(robots[0]));
    fakes.Add("ttyS8", ModuleLine(robots[1]));
    observer.choose = 8;
    auto& l = Link(names);
    EXPECT_EQ(Download(l).status, DownloadStatus::Delivered);
    EXPECT_EQ(observer.choiceTopRow, 3);
    EXPECT_EQ(l.Status().topRow, 9 - (link::kVisibleDataRows - 1));

    fakes.Add("ttyS2", {});
    fakes.Add("ttyS7", ModuleLine(robots[2]));
    observer.choose = -1;
    EXPECT_EQ(Download(Link(names)).status, DownloadStatus::ChoiceCancelled);
    EXPECT_EQ(observer.choiceTopRow, 9 - (link::kVisibleDataRows - 1));  // no further down
}

TEST_F(TwoRobots, ChoosingARowWithoutAModuleIsACancel) {
    observer.choose = 1;
    auto& l = Link({"COM1", "COM2", "COM3"});
    EXPECT_EQ(Download(l).status, DownloadStatus::ChoiceCancelled);
}

TEST_F(TwoRobots, VirtualRobotNeverCompetesWithARealOneOnAutomatic) {
    fakes.Add("COM3", {});  // only one real robot left
    auto& l = Link({"COM1", "COM3", "SIM"});
    const auto outcome = Download(l);
    EXPECT_EQ(outcome.status, DownloadStatus::Delivered);
    EXPECT_EQ(observer.choices, 0);
    EXPECT_EQ(first.BlocksAccepted(), 5);
    EXPECT_EQ(Module().BlocksReceived(), 0);
    EXPECT_EQ(l.Status().rows[2].model, 2);
    EXPECT_FALSE(l.Status().rows[2].candidate);
}

TEST_F(TwoRobots, ChosenVirtualRobotIsUsedEvenWithARealOneAttached) {
    fakes.Add("COM3", {});
    auto& l = Link({"COM1", "COM3", "SIM"});
    l.SetSelectedPort("SIM");
    EXPECT_EQ(Download(l).status, DownloadStatus::Delivered);
    EXPECT_EQ(Module().BlocksAccepted(), 5);
    EXPECT_EQ(first.BlocksReceived(), 0);
}

}  // namespace
}  // namespace kavrin::test

namespace kavrin::test {
namespace {

TEST_F(DownloadTest, RealTimeRobotTakesTheSameProgram) {
    robot->SetRealTime(true);
    blocks.resize(2);
    auto& l = Link({"SIM"});
    EXPECT_EQ(Download(l).status, DownloadStatus::Delivered);
    EXPECT_EQ(Module().BlocksAccepted(), 2);
}

TEST_F(DownloadTest, TransmitMarkBlinksAtMostEveryBlinkInterval) {
    link::LinkTimings slow = FastTimings();
    slow.blinkMs = 60'000;
    EXPECT_EQ(Download(Link({"SIM"}, slow)).status, DownloadStatus::Delivered);
    EXPECT_EQ(observer.blinks, 1);
}

// A KR3 takes the program slot number after its identification, then the blocks.
TEST_F(DownloadTest, OtherModelsGetTheProgramSlotFirst) {
    auto received = std::make_shared<std::vector<std::uint8_t>>();
    auto identified = std::make_shared<int>(0);
    fakes.Add("ttyKR3", Line([=](std::uint8_t b, std::vector<std::uint8_t>& out) {
                  out.push_back(b);
                  if (*identified < 2 && b == 0x65) {  // the scan's, then the download's
                      out.push_back(0x65);
                      ++*identified;
                  } else if (*identified == 2) {
                      received->push_back(b);
                      if (received->size() > 1 && (received->size() - 1) % 18 == 0) {
                          out.push_back(0);  // every block accepted
                      }
                  }
              }));
    auto& l = Link({"ttyKR3"});
    link::DownloadRequest request;
    request.blocks = std::span(blocks).first(2);
    request.model = link::kModelKR3;
    request.version = "v1.0";
    const auto outcome = l.DownloadIt(request, false, observer);
    EXPECT_EQ(outcome.status, DownloadStatus::Delivered);
    EXPECT_EQ(l.Status().rows[0][link::kColDevice], "Korble KR3");
    // The slot number 0, two blocks, the closing 0.
    ASSERT_EQ(received->size(), 1 + 36 + 1u);
    EXPECT_EQ((*received)[0], 0);
    EXPECT_EQ((*received)[1], blocks[0][0]);
    EXPECT_EQ(received->back(), 0);
}

// --- Stopping a run ------------------------------------------------------------------------------

// Asks for a stop once `after` blocks are acknowledged, as a Cancel button would.
class StoppingObserver : public RecordingObserver {
public:
    void StepIt(int slot) override {
        RecordingObserver::StepIt(slot);
        if (steps == after) {
            source.request_stop();
        }
    }
    std::stop_source source;
    int after = 0;
};

std::ptrdiff_t ThreadCount() {
#if defined(__SANITIZE_THREAD__)
    // ThreadSanitizer starts a thread of its own at the first thread made: let it exist first.
    static const bool sanitizerThreadStarted = [] {
        std::thread([] {}).join();
        return true;
    }();
    (void)sanitizerThreadStarted;
#endif
    return std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                         std::filesystem::directory_iterator());
}

TEST_F(DownloadTest, AStopHalfWayEndsTheDownloadAndLeavesNothingBehind) {
    auto& l = Link({"SIM"});
    StoppingObserver stopper;
    stopper.after = 2;
    link::DownloadRequest request;
    request.blocks = blocks;
    request.version = "v1.0";
    request.stop = stopper.source.get_token();
    const auto threadsBefore = ThreadCount();
    const auto outcome = l.DownloadIt(request, true, stopper);
    EXPECT_EQ(outcome.status, DownloadStatus::Stopped);
    EXPECT_EQ(outcome.blocksSent, 2);
    EXPECT_EQ(stopper.steps, 2);
    EXPECT_TRUE(stopper.errors.empty());
    EXPECT_EQ(stopper.closed, 1);
    EXPECT_EQ(pool->FreeSlotCount(), link::kPortSlotCount) << "a stopped run keeps no port open";
    // The closed slot is not handed over: the caller would close it again, someone else's by then.
    EXPECT_EQ(outcome.portSlot, link::kNoPortSlot);
    EXPECT_EQ(ThreadCount(), threadsBefore);
    int written = 0;
    for (const bool w : Module().RowsWritten()) written += w ? 1 : 0;
    EXPECT_EQ(written, 2);
    // The module took the closing byte: the next run goes through.
    EXPECT_EQ(Download(l).status, DownloadStatus::Delivered);
}

}  // namespace
}  // namespace kavrin::test
