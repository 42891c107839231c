// End to end through the real serial backend: QSerialPort on one side of a pseudo-terminal,
// the virtual robot on the other. Skipped where the system has no pseudo-terminals.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "link/qt/qt_serial_port.h"
#include "link/target_link.h"
#include "link_fakes.h"
#include "sim/pty_server.h"

namespace kavrin::test {
namespace {

class PtyEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        if (!server.Open(error)) {
            GTEST_SKIP() << "no pseudo-terminal: " << error;
        }
        serving = std::thread([this] { server.Serve(stop, 5); });
    }
    void TearDown() override {
        stop.store(true);
        if (serving.joinable()) {
            serving.join();
        }
    }

    sim::PtyServer server;
    std::atomic<bool> stop{false};
    std::thread serving;
};

TEST_F(PtyEndToEnd, DownloadThroughQSerialPortFillsTheRobotsEeprom) {
    std::vector<link::DownloadBlock> blocks;
    for (int row = 0; row < 8; ++row) {
        blocks.push_back(MakeBlock(127 - row * 3, static_cast<std::uint8_t>(0x4B + row)));
    }
    link::TPortPool pool(link::OpenQtSerialPort);
    const std::string device = server.SlavePath();
    link::TargetLink target(pool, [device](std::vector<std::string>& list) { list = {device}; });
    RecordingObserver observer;
    link::DownloadRequest request;
    request.blocks = blocks;
    request.version = "v1.0";
    const link::DownloadOutcome outcome = target.DownloadIt(request, false, observer);
    ASSERT_EQ(outcome.status, link::DownloadStatus::Delivered)
        << (observer.errors.empty() ? std::string() : observer.errors[0]);
    EXPECT_EQ(target.Status().rows[0][link::kColVersion], "v1.0");
    EXPECT_EQ(observer.steps, 8);
    EXPECT_EQ(pool.FreeSlotCount(), link::kPortSlotCount);

    TearDown();
    const sim::VirtualModule& module = server.Module();
    EXPECT_EQ(module.BlocksAccepted(), 8);
    EXPECT_EQ(module.DownloadsClosed(), 1);
    for (const auto& block : blocks) {
        const std::size_t row = block[0] - 0x80u;
        for (std::size_t i = 0; i < 16; ++i) {
            ASSERT_EQ(module.Eeprom()[row * 16 + i], block[1 + i]) << "row " << row;
        }
    }
}

TEST_F(PtyEndToEnd, MissingDeviceIsAnInvalidPort) {
    link::TPortPool pool(link::OpenQtSerialPort);
    const link::SlotResult result = pool.OpenPortSlot("/dev/kavrin-no-such-port");
    EXPECT_EQ(result.slot, link::kNoPortSlot);
    EXPECT_EQ(result.error, static_cast<std::uint32_t>(link::OpenError::NoSuchPort));
}

}  // namespace
}  // namespace kavrin::test
