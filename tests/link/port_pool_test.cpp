// The port pool and what a TSerial answers, open or closed; the port choice of the main window.

#include <gtest/gtest.h>

#include <thread>

#include "link/port_list.h"
#include "link/port_pool.h"
#include "link_fakes.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::test {
namespace {

using link::kNoPortSlot;

class PoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* n : {"a", "b", "c", "d", "e"}) {
            fakes.Add(n, Line(EchoOnly()));
        }
    }
    FakePorts fakes;
    link::TPortPool pool{fakes.Factory()};
};

TEST_F(PoolTest, SlotsAreHandedOutFromZeroDownwards) {
    EXPECT_EQ(pool.OpenPortSlot("a").slot, 0);
    EXPECT_EQ(pool.OpenPortSlot("b").slot, -1);
    EXPECT_EQ(pool.OpenPortSlot("c").slot, -2);
    EXPECT_EQ(pool.OpenPortSlot("d").slot, -3);
    EXPECT_EQ(pool.Port(-1)->Name(), "b");
    pool.ClosePort(-1);
    EXPECT_EQ(pool.OpenPortSlot("e").slot, -1);  // the freed one
}

TEST_F(PoolTest, FullPoolGivesNoSlotWithCodeZeroAndChangesNothing) {
    for (const char* n : {"a", "b", "c", "d"}) {
        ASSERT_NE(pool.OpenPortSlot(n).slot, kNoPortSlot);
    }
    const link::SlotResult full = pool.OpenPortSlot("e");
    EXPECT_EQ(full.slot, kNoPortSlot);
    EXPECT_EQ(full.error, 0u);
    EXPECT_EQ(pool.Port(0)->Name(), "a");
    EXPECT_EQ(pool.FreeSlotCount(), 0);
}

TEST_F(PoolTest, FailedOpenReleasesTheClaimAndKeepsTheReason) {
    fakes.Add("busy", Unopenable(link::OpenError::InUse));
    const link::SlotResult busy = pool.OpenPortSlot("busy");
    EXPECT_EQ(busy.slot, kNoPortSlot);
    EXPECT_EQ(busy.error, 5u);
    EXPECT_EQ(pool.OpenPortSlot("gone").error, 2u);
    EXPECT_EQ(pool.FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(PoolTest, OverlongNameFailsWithoutAskingTheSystem) {
    const std::string name(link::kMaxPortNameLength + 1, 'x');
    EXPECT_EQ(pool.OpenPortSlot(name).slot, kNoPortSlot);
    EXPECT_TRUE(fakes.OpenOrder().empty());
    EXPECT_EQ(pool.FreeSlotCount(), link::kPortSlotCount);
}

TEST_F(PoolTest, ClosedPortAnswersWithItsFixedValues) {
    link::TSerial& port = *pool.Port(0);
    EXPECT_EQ(port.ReadByte(10), link::kClosedReadByte);
    EXPECT_EQ(port.ReadBuffer(1, 10), -1);
    EXPECT_EQ(port.ReadBuffer(0, 10), -1);
    EXPECT_FALSE(port.WriteByte(1, 10));
    EXPECT_EQ(port.GetModemStatus(), 0);
    EXPECT_EQ(pool.Port(1), nullptr);
    EXPECT_EQ(pool.Port(kNoPortSlot), nullptr);
    pool.ClosePort(kNoPortSlot);  // nothing happens
}

TEST_F(PoolTest, CountZeroOrBeyondTheBufferDrainsInsteadOfReading) {
    const int slot = pool.OpenPortSlot("a").slot;
    link::TSerial& port = *pool.Port(slot);
    EXPECT_EQ(port.ReadBuffer(0, 1000), 0);  // quiet line
    const std::uint8_t bytes[] = {1, 2, 3};
    ASSERT_TRUE(port.WriteBuffer(bytes, 10));
    EXPECT_EQ(port.ReadBuffer(link::kMaxReadCount + 1, 10), 3);
    EXPECT_EQ(port.ReadByte(10), -1);
    EXPECT_TRUE(port.Received().empty()) << "a drain fills no receive buffer";
    // The largest count still reads, into the receive buffer.
    ASSERT_TRUE(port.WriteBuffer(bytes, 10));
    EXPECT_EQ(port.ReadBuffer(link::kMaxReadCount, 10), 3);
    ASSERT_EQ(port.Received().size(), 3u);
    EXPECT_EQ(port.Received()[2], 3);
    ASSERT_TRUE(port.WriteBuffer(bytes, 10));
    EXPECT_EQ(port.ReadBuffer(2, 10), 2);
    EXPECT_EQ(port.Received().size(), 2u);
    EXPECT_EQ(port.Received()[1], 2);
    EXPECT_EQ(port.ReadByte(10), 3);
}

TEST_F(PoolTest, ConcurrentClaimsNeverShareASlot) {
    for (int round = 0; round < 20; ++round) {
        std::array<int, 6> slots{};
        std::vector<std::thread> threads;
        for (std::size_t i = 0; i < slots.size(); ++i) {
            threads.emplace_back([&, i] { slots[i] = pool.OpenPortSlot("a").slot; });
        }
        for (auto& t : threads) {
            t.join();
        }
        std::vector<int> got;
        for (const int s : slots) {
            if (s != kNoPortSlot) {
                got.push_back(s);
            }
        }
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, (std::vector<int>{-3, -2, -1, 0}));
        for (const int s : got) {
            pool.ClosePort(s);
        }
    }
}

// --- Port choice --------------------------------------------------------------------------------

TEST(PortChoice, AutomaticEntryIsStoredAsAuto) {
    link::PortChoice choice;
    choice.SetPorts({"ttyS0", "ttyUSB0", "SIM"});
    EXPECT_EQ(choice.Items().size(), 4u);
    EXPECT_EQ(choice.Items()[0],
              link::UpperCaseText(resources::GetUIString(resources::str::kAutomatic)));
    EXPECT_EQ(choice.SelectPort("ttyUSB0"), "ttyUSB0");
    EXPECT_EQ(choice.CurrentIndex(), 2);
    choice.SetCurrentIndex(0);
    EXPECT_EQ(choice.GetSelectedPort(), "AUTO");
    EXPECT_EQ(choice.SelectPort(choice.Items()[0]), "AUTO");
}

TEST(PortChoice, MissingPortFallsBackToAutomatic) {
    link::PortChoice choice;
    choice.SetPorts({"ttyS0", "SIM"});
    EXPECT_EQ(choice.SelectPort("ttyUSB3"), "AUTO");
    EXPECT_EQ(choice.SelectPort("AUTO"), "AUTO");
    EXPECT_EQ(choice.CurrentIndex(), 0);
}

TEST(PortChoice, RefreshKeepsTheChosenPortWhileItExists) {
    link::PortChoice choice;
    choice.SetPorts({"ttyS0", "ttyUSB0", "SIM"});
    choice.SelectPort("ttyUSB0");
    choice.SetPorts({"ttyUSB0", "SIM"});
    EXPECT_EQ(choice.GetSelectedPort(), "ttyUSB0");
    choice.SetPorts({"SIM"});
    EXPECT_EQ(choice.GetSelectedPort(), "AUTO");
}

TEST(PortChoice, UpperCaseCoversGreekWithAccents) {
    EXPECT_EQ(link::UpperCaseText("Αυτόματα"), "ΑΥΤΌΜΑΤΑ");
    EXPECT_EQ(link::UpperCaseText("ς ά έ ή ί ύ ώ ϊ auto-1"), "Σ Ά Έ Ή Ί Ύ Ώ Ϊ AUTO-1");
    EXPECT_EQ(link::UpperCaseText("\xC3"), "\xC3");  // a cut sequence passes unchanged
}

}  // namespace
}  // namespace kavrin::test
