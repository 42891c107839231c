// The servo test's exchange with the test program: what goes out, what is taken as the answer.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "link/port_pool.h"
#include "link/servo_exchange.h"
#include "link_fakes.h"

namespace kavrin::test {
namespace {

// The test program behind the programming line: every byte comes back as the line's echo, and
// after each four-byte message the sensor byte follows, then a stray byte of noise that the
// next exchange must not take for its answer.
struct TestProgram {
    std::vector<std::uint8_t> received;
    std::vector<std::uint8_t> answers;  // one per message; none left: silent
    Responder Respond() {
        return [this](std::uint8_t b, std::vector<std::uint8_t>& out) {
            received.push_back(b);
            out.push_back(b);
            if (received.size() % link::kServoMessageSize == 0 && !answers.empty()) {
                out.push_back(answers.front());
                out.push_back(0xEE);
                answers.erase(answers.begin());
            }
        };
    }
};

class ServoExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fakes.Add("COM1", Line(robot.Respond()));
        slot = pool.OpenPortSlot("COM1").slot;
        ASSERT_NE(slot, link::kNoPortSlot);
    }
    TestProgram robot;
    FakePorts fakes;
    link::TPortPool pool{fakes.Factory()};
    int slot = link::kNoPortSlot;
};

TEST_F(ServoExchangeTest, SendsRightThenLeftLowByteFirstAndReadsTheSensorsPastTheEcho) {
    robot.answers = {5, 10};
    EXPECT_EQ(link::ExchangeServoPulses(*pool.Port(slot), 700, 850), 5);
    EXPECT_EQ(link::ExchangeServoPulses(*pool.Port(slot), link::kNoPulse, 0x1FF), 10);
    EXPECT_EQ(robot.received,
              (std::vector<std::uint8_t>{0xBC, 0x02, 0x52, 0x03, 0x00, 0x00, 0xFF, 0x01}));
}

TEST_F(ServoExchangeTest, NoAnswerOrAClosedPortGivesNoSensorByte) {
    EXPECT_EQ(link::ExchangeServoPulses(*pool.Port(slot), 750, 750), link::kNoSensorAnswer);
    pool.ClosePort(slot);
    EXPECT_EQ(link::ExchangeServoPulses(*pool.Port(slot), 750, 750), link::kNoSensorAnswer);
}

}  // namespace
}  // namespace kavrin::test
