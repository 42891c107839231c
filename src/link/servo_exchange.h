#pragma once
// The servo test's exchange with the test program on the robot: the computer sends the two
// pulse widths, the robot pulses its servos with them and answers with its sensors.
//
// One exchange on an open port: drain what is waiting, write the message (right pulse then left
// pulse, each low byte first), take back the module's echo of those four bytes from the
// programming line, then wait for the sensor byte. The exchange blocks for up to the sum of its
// time-outs when the robot does not answer; callers that must stay responsive run it on a
// thread of their own.

#include <array>
#include <cstdint>

#include "link/port_pool.h"

namespace kavrin::link {

inline constexpr int kServoExchangeIntervalMs = 10;  // one exchange per tick of the test
inline constexpr int kServoWriteTimeoutMs = 10;
inline constexpr int kServoEchoTimeoutMs = 100;
inline constexpr int kSensorByteTimeoutMs = 200;
inline constexpr int kServoMessageSize = 4;
// The sensor value of an exchange that got no answer: every bit set, so every sensor shows.
inline constexpr int kNoSensorAnswer = -1;

// Pulse width 0 sends no pulse: the servo of an unchecked side is left alone.
inline constexpr int kNoPulse = 0;

using ServoMessage = std::array<std::uint8_t, kServoMessageSize>;

ServoMessage EncodeServoPulses(int rightPulse, int leftPulse);

// The sensor byte as the test program packs it (1 = fires).
struct SensorState {
    bool leftInfrared = false;   // bit 0
    bool rightInfrared = false;  // bit 1
    bool leftWhisker = false;    // bit 2
    bool rightWhisker = false;   // bit 3

    friend bool operator==(const SensorState&, const SensorState&) = default;
};

SensorState DecodeSensors(int sensorByte);

// One exchange; the sensor byte (0..255), or kNoSensorAnswer when none came in time or the port
// is not open.
int ExchangeServoPulses(TSerial& port, int rightPulse, int leftPulse);

}  // namespace kavrin::link
