// End to end through the real serial backend (system_port.h) on one side of a pseudo-terminal,
// the virtual robot on the other. Skipped where the system has no pseudo-terminals.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <span>
#include <thread>

#include "link/system_port.h"
#include "link/target_link.h"
#include "link_fakes.h"
#include "sim/pty_server.h"

namespace kavrin::test {
namespace {

class PtyEndToEnd : public ::testing::Test {
protected:
    // Shorter than the server's default to keep the test quick, still far above any pause
    // inside an exchange.
    static constexpr int kQuietMs = 200;

    void SetUp() override {
        std::string error;
        if (!server.Open(error)) {
            GTEST_SKIP() << "no pseudo-terminal: " << error;
        }
        serving = std::thread([this] { server.Serve(stop, 5, kQuietMs); });
    }
    void TearDown() override {
        stop.store(true);
        if (serving.joinable()) {
            serving.join();
        }
    }

    // Polls until the server has seen the line quiet (and dropped any unfinished exchange), or
    // gives up after a deadline far beyond the quiet spell.
    bool WaitForQuietLine() {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (!server.LineQuiet()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return true;
    }

    // Downloads the blocks to the served module through the real serial backend.
    link::DownloadOutcome Download(std::span<const link::DownloadBlock> blocks,
                                   RecordingObserver& observer) {
        const std::string device = server.SlavePath();
        target = std::make_unique<link::TargetLink>(
            pool, [device](std::vector<std::string>& list) { list = {device}; });
        link::DownloadRequest request;
        request.blocks = blocks;
        request.version = "v1.0";
        return target->DownloadIt(request, false, observer);
    }

    sim::PtyServer server;
    link::TPortPool pool{link::OpenSystemPort};
    std::unique_ptr<link::TargetLink> target;  // after the pool it uses
    std::atomic<bool> stop{false};
    std::thread serving;
};

TEST_F(PtyEndToEnd, DownloadThroughQSerialPortFillsTheRobotsEeprom) {
    std::vector<link::DownloadBlock> blocks;
    for (int row = 0; row < 8; ++row) {
        blocks.push_back(MakeBlock(127 - row * 3, static_cast<std::uint8_t>(0x4B + row)));
    }
    RecordingObserver observer;
    const link::DownloadOutcome outcome = Download(blocks, observer);
    ASSERT_EQ(outcome.status, link::DownloadStatus::Delivered)
        << (observer.errors.empty() ? std::string() : observer.errors[0]);
    EXPECT_EQ(target->Status().rows[0][link::kColVersion], "v1.0");
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

// A client that went away in the middle of a block leaves the module waiting for the rest;
// after a quiet spell the next client is identified and served as if nothing had happened.
TEST_F(PtyEndToEnd, ClientGoneMidBlockDoesNotSpoilTheNext) {
    {
        link::OpenResult abandoned = link::OpenSystemPort(server.SlavePath());
        ASSERT_NE(abandoned.port, nullptr);
        const std::uint8_t start[] = {'K', 'R', '2', 0, 0x80, 1, 2, 3, 4};
        ASSERT_TRUE(abandoned.port->Write(start, 1000));
        std::uint8_t answers[3 * 2 + 2 + 5];
        EXPECT_EQ(abandoned.port->Read(answers, 1000), static_cast<int>(sizeof answers));
    }
    ASSERT_TRUE(WaitForQuietLine()) << "the server never saw the line go quiet";

    const std::vector<link::DownloadBlock> blocks{MakeBlock(3, 0x10)};
    RecordingObserver observer;
    EXPECT_EQ(Download(blocks, observer).status, link::DownloadStatus::Delivered);
    TearDown();
    EXPECT_EQ(server.Module().BlocksAccepted(), 1);
}

TEST_F(PtyEndToEnd, MissingDeviceIsAnInvalidPort) {
    const link::SlotResult result = pool.OpenPortSlot("/dev/kavrin-no-such-port");
    EXPECT_EQ(result.slot, link::kNoPortSlot);
    EXPECT_EQ(result.error, static_cast<std::uint32_t>(link::OpenError::NoSuchPort));
}

}  // namespace
}  // namespace kavrin::test
