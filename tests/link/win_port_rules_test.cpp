// The Windows serial backend's decisions that need no Windows: the order of the port list, the
// device path a name opens, what an open failure tells the user, and the read time-outs.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "link/win/port_rules.h"

namespace kavrin::test {
namespace {

using link::OpenError;
using namespace link::win;

TEST(WinPortRules, ComPortsSortByNumberAndOtherNamesFollow) {
    std::vector<std::string> names{"COM10", "CNCA0", "COM2", "COM1", "com3", "COMX", "COM"};
    SortPortNames(names);
    EXPECT_EQ(names,
              (std::vector<std::string>{"COM1", "COM2", "com3", "COM10", "CNCA0", "COM", "COMX"}));

    std::vector<std::string> huge{"COM99999999999", "COM4"};
    SortPortNames(huge);  // a number too large for the count is just another name
    EXPECT_EQ(huge, (std::vector<std::string>{"COM4", "COM99999999999"}));

    std::vector<std::string> none;
    SortPortNames(none);
    EXPECT_TRUE(none.empty());
}

TEST(WinPortRules, EveryNameOpensThroughTheDevicePrefix) {
    EXPECT_EQ(DevicePathOf("COM1"), "\\\\.\\COM1");
    EXPECT_EQ(DevicePathOf("COM10"), "\\\\.\\COM10");
    EXPECT_EQ(DevicePathOf("\\\\.\\COM12"), "\\\\.\\COM12");
}

TEST(WinPortRules, HeldOrRefusedPortsReadAsInUseMissingOnesAsAbsent) {
    EXPECT_EQ(OpenErrorOf(2), OpenError::NoSuchPort);  // file not found
    EXPECT_EQ(OpenErrorOf(3), OpenError::NoSuchPort);  // path not found
    EXPECT_EQ(OpenErrorOf(5), OpenError::InUse);       // access denied: another program has it
    EXPECT_EQ(OpenErrorOf(32), OpenError::InUse);      // sharing violation
    EXPECT_EQ(OpenErrorOf(170), OpenError::InUse);     // busy
    EXPECT_EQ(OpenErrorOf(31), OpenError::Other);      // device not functioning
    EXPECT_EQ(OpenErrorOf(1167), OpenError::Other);    // device not connected
}

TEST(WinPortRules, ReadsReturnOnAnyByteAndNeverWaitForEver) {
    constexpr auto kMax = std::numeric_limits<std::uint32_t>::max();
    // No wait: what has arrived, at once. A zero constant with the multiplier set would mean
    // "wait for ever" to some drivers, so the multiplier is 0 too.
    for (int ms : {0, -5}) {
        const ReadTimeouts now = ReadTimeoutsFor(ms);
        EXPECT_EQ(now.interval, kMax);
        EXPECT_EQ(now.multiplier, 0u);
        EXPECT_EQ(now.constant, 0u);
    }
    const ReadTimeouts wait = ReadTimeoutsFor(250);
    EXPECT_EQ(wait.interval, kMax);
    EXPECT_EQ(wait.multiplier, kMax);
    EXPECT_EQ(wait.constant, 250u);
    // The constant may never reach MAXDWORD, which the system reads as "no time-out".
    EXPECT_LT(ReadTimeoutsFor(std::numeric_limits<int>::max()).constant, kMax);
}

}  // namespace
}  // namespace kavrin::test
