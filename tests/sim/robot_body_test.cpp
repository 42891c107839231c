// The robot's body on its table, driven through its pins as the module's programs drive it:
// one pulse per servo every 20 ms, 1 ms infrared bursts, inputs read right after.

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

#include "sim/arena.h"
#include "sim/robot_body.h"

namespace kavrin::test {
namespace {

using namespace kavrin::sim;

constexpr VirtualTime kMs = kMicrosPerMs;
constexpr int kLeftServo = 13;
constexpr int kRightServo = 12;

Arena Named(const char* name) {
    auto arena = BuiltInArena(name);
    EXPECT_TRUE(arena.has_value()) << name;
    return arena.value_or(Arena{});
}

Arena OpenWith(const std::string& extra) {
    auto result = ParseArena("table 200 150\nstart 30 75 0\n" + extra, "test");
    EXPECT_TRUE(result.arena) << result.error;
    return result.arena.value_or(Arena{});
}

class BodyTest : public ::testing::Test {
protected:
    // Pulses (in 2-us units) to both servos every 20 ms from `now` for `ms`.
    void Drive(int left, int right, VirtualTime ms) {
        const VirtualTime end = now + ms * kMs;
        for (; now < end; now += 20 * kMs) {
            body.OnPulse(kLeftServo, static_cast<std::uint32_t>(left * 2), now);
            body.OnPulse(kRightServo, static_cast<std::uint32_t>(right * 2), now);
        }
        body.AdvanceTo(end);
        now = end;
    }
    // A 1 ms burst on the LED, then the detector as a program reads it.
    bool Sees(int led, int detector, std::uint32_t hz) {
        body.OnTone(led, 1000, hz, 0, now);
        const bool low = !body.ReadInput(detector, now + 1000 + 50);
        now += 2 * kMs;
        return low;
    }
    void Record() {
        body.SetEventListener([this](const WorldEvent& e) { events.push_back(e); });
    }

    RobotBody body{Named("open")};
    VirtualTime now = 0;
    std::vector<WorldEvent> events;
};

TEST_F(BodyTest, FullForwardDrivesStraightAtTopSpeedAndStops40msAfterTheLastPulse) {
    Drive(850, 650, 2000);
    const double expected = 2 * std::numbers::pi * 3.3 * 50 / 60 * 2;  // about 34.56 cm
    EXPECT_NEAR(body.CurrentPose().x - 30, expected, 0.05);
    EXPECT_NEAR(body.CurrentPose().y, 75, 1e-6);
    EXPECT_NEAR(body.CurrentPose().heading, 0, 1e-9);
    EXPECT_NEAR(body.WheelAngle(Side::Left), body.WheelAngle(Side::Right), 1e-9);
    EXPECT_GT(body.WheelAngle(Side::Left), 0);

    // The last pulse was at 1980 ms: the wheels turn until 2020 ms, then stand.
    body.AdvanceTo(5000 * kMs);
    EXPECT_NEAR(body.CurrentPose().x - 30, expected * 2020 / 2000, 0.05);
    const Pose stopped = body.CurrentPose();
    body.AdvanceTo(std::numeric_limits<VirtualTime>::max() - kMs);  // a program that stops
    EXPECT_EQ(body.CurrentPose(), stopped);
    EXPECT_EQ(body.WheelSpeed(Side::Left), 0);
    EXPECT_GT(body.Path().size(), 60u);
    EXPECT_NEAR(body.Path().back().x, body.CurrentPose().x, kPathStepCm);
}

TEST_F(BodyTest, NominalCentreDriftsUntilTheStandstillIsCalibrated) {
    Drive(750, 750, 2000);  // both wheels 3 units behind their stand-still: slowly backward
    const double drift = 3.0 / 50 * std::numbers::pi * 6.6 * 50 / 60 * 2;
    EXPECT_NEAR(body.CurrentPose().x - 30, -drift, 0.01);
    EXPECT_NEAR(body.CurrentPose().heading, 0, 1e-9);

    const double x = body.CurrentPose().x;
    Drive(753, 747, 2000);
    EXPECT_NEAR(body.CurrentPose().x, x, 0.001);
    body.SetStandstill(750, 750);
    Drive(750, 750, 2000);
    EXPECT_NEAR(body.CurrentPose().x, x, 0.001);
}

TEST_F(BodyTest, EqualPulsesRotateInPlaceClockwiseAndTheOppositeCounterClockwise) {
    Drive(850, 850, 500);  // the mirrored right wheel turns backward
    const double rate = 2 * (std::numbers::pi * 6.6 * 50 / 60) / 10.5;  // rad/s
    EXPECT_NEAR(body.CurrentPose().heading, -rate * 0.5, 0.01);
    EXPECT_NEAR(body.CurrentPose().HeadingDegrees(), -rate * 0.5 * 180 / std::numbers::pi, 0.5);
    EXPECT_NEAR(body.CurrentPose().x, 30, 1e-6);
    EXPECT_NEAR(body.CurrentPose().y, 75, 1e-6);
    EXPECT_LT(body.WheelAngle(Side::Right), 0);

    Drive(650, 650, 1000);
    EXPECT_NEAR(body.CurrentPose().heading, rate * 0.5, 0.01);
}

TEST_F(BodyTest, DrivingAtAWallBendsBothWhiskersThenStopsAtTheWall) {
    body.SetArena(Named("wall-ahead"));  // the wall is at x = 70
    Record();
    EXPECT_TRUE(body.ReadInput(5, 0));
    EXPECT_TRUE(body.ReadInput(7, 0));
    Drive(850, 650, 1500);
    EXPECT_TRUE(body.ReadInput(5, now));
    EXPECT_TRUE(events.empty());

    Drive(850, 650, 3000);
    EXPECT_FALSE(body.ReadInput(5, now));
    EXPECT_FALSE(body.ReadInput(7, now));
    EXPECT_GT(body.Whisker(Side::Left).bend, 0.9);
    EXPECT_TRUE(body.InContact());
    EXPECT_LE(body.CurrentPose().x + 7, 70.0);
    EXPECT_GT(body.CurrentPose().x + 7, 69.9);
    EXPECT_NEAR(body.CurrentPose().heading, 0, 1e-9);

    // Both whiskers touch at the same moment (12 cm ahead of the axle, 28 cm driven), then the
    // body meets the wall once, however long it keeps pushing.
    ASSERT_EQ(events.size(), 3u);
    const VirtualTime touch =
        static_cast<VirtualTime>(28.0 / (std::numbers::pi * 6.6 * 50 / 60) * 1e6);
    EXPECT_NEAR(static_cast<double>(events[0].time), static_cast<double>(touch), 2000);
    EXPECT_EQ(EventText(events[0]), "whisker left on");
    EXPECT_EQ(EventText(events[1]), "whisker right on");
    EXPECT_EQ(events[1].time, events[0].time);
    EXPECT_EQ(EventText(events[2]), "contact");

    // Backing off frees the whiskers and ends the contact.
    Drive(650, 850, 1000);
    EXPECT_TRUE(body.ReadInput(5, now));
    EXPECT_FALSE(body.InContact());
    EXPECT_EQ(EventText(events.back()), "whisker right off");
}

TEST_F(BodyTest, ABlockedTurnStillSlidesOrTurnsButNeverEntersTheWall) {
    body.SetArena(Named("wall-ahead"));
    Drive(850, 650, 3000);  // at the wall
    Drive(850, 700, 3000);  // veer right into it
    for (const Vec2& c : BodyCorners(body.Geometry(), body.CurrentPose())) EXPECT_LE(c.x, 70.0);
}

TEST_F(BodyTest, InfraredSeesABoxInItsConeWithinTheRangeOfItsFrequency) {
    // The left detector sits on the front-left corner (37, 80.5) looking 30 degrees left.
    const double a = std::numbers::pi / 6;
    const double bx = 37 + 21 * std::cos(a), by = 80.5 + 21 * std::sin(a);
    body.SetArena(
        OpenWith("box " + std::to_string(bx - 1) + " " + std::to_string(by - 1) + " 2 2\n"));
    Record();
    EXPECT_TRUE(body.ReadInput(9, 0));
    EXPECT_TRUE(Sees(8, 9, 38'500));
    EXPECT_TRUE(body.Infrared(Side::Left).seen);
    EXPECT_FALSE(Sees(2, 0, 38'500));  // the right one looks the other way
    EXPECT_FALSE(Sees(8, 0, 38'500));  // the left LED does not light the right detector
    EXPECT_TRUE(body.ReadInput(9, now + 5 * kMs));  // high again after the burst
    EXPECT_FALSE(Sees(8, 9, 37'500));               // about 19 cm
    EXPECT_TRUE(Sees(8, 9, 38'000));                // about 22 cm
    EXPECT_FALSE(Sees(8, 9, 43'000));               // out of range altogether
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(EventText(events[0]), "infrared left on");
    EXPECT_EQ(EventText(events[1]), "infrared left off");

    // The same box 45 degrees out from the axis, at 15 cm, is outside the cone.
    const double b = a + std::numbers::pi / 4;
    body.SetArena(OpenWith("disc " + std::to_string(37 + 15 * std::cos(b)) + " " +
                           std::to_string(80.5 + 15 * std::sin(b)) + " 1\n"));
    EXPECT_FALSE(Sees(8, 9, 38'500));
}

TEST_F(BodyTest, PlacingIsRefusedOffTheTableOrOnAnObstacleAndRestartGoesBackToTheStart) {
    body.SetArena(Named("wall-ahead"));
    EXPECT_FALSE(body.Place({68, 75, 0}));
    EXPECT_FALSE(body.Place({3, 75, 0}));
    EXPECT_FALSE(body.Place({std::nan(""), 75, 0}));
    EXPECT_EQ(body.CurrentPose(), (Pose{30, 75, 0}));
    ASSERT_TRUE(body.Place({100, 40, std::numbers::pi}));  // behind the wall, facing it
    Drive(850, 650, 3000);
    EXPECT_GE(body.CurrentPose().x - 7, 70.0);
    body.Restart();
    EXPECT_EQ(body.Now(), 0);
    EXPECT_EQ(body.CurrentPose(), (Pose{30, 75, 0}));
    EXPECT_EQ(body.Path().size(), 1u);
}

TEST(BodyTrace, TheSameCallsGiveTheSamePathAndEvents) {
    auto run = [] {
        RobotBody body(*BuiltInArena("maze"));
        std::vector<WorldEvent> events;
        body.SetEventListener([&](const WorldEvent& e) { events.push_back(e); });
        VirtualTime t = 0;
        for (int cycle = 0; cycle < 1500; ++cycle, t += 20 * kMs) {
            const bool turning = (cycle / 100) % 3 == 2;
            body.OnPulse(13, turning ? 1700 : 1680, t);
            body.OnPulse(12, turning ? 1600 : 1320, t + 2 * kMs);
            body.OnTone(2, 1000, 38'500, 0, t + 4 * kMs);
            body.ReadInput(0, t + 5 * kMs);
        }
        body.AdvanceTo(t);
        return std::make_tuple(body.CurrentPose(), events,
                               std::vector<Vec2>(body.Path().begin(), body.Path().end()));
    };
    const auto first = run();
    EXPECT_EQ(first, run());
    EXPECT_FALSE(std::get<1>(first).empty());
}

}  // namespace
}  // namespace kavrin::test
