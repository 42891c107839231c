#include "link/servo_exchange.h"

namespace kavrin::link {

namespace {

constexpr int kLeftInfraredBit = 0x01;
constexpr int kRightInfraredBit = 0x02;
constexpr int kLeftWhiskerBit = 0x04;
constexpr int kRightWhiskerBit = 0x08;
constexpr int kDrainCount = 0;

}  // namespace

ServoMessage EncodeServoPulses(int rightPulse, int leftPulse) {
    const auto right = static_cast<std::uint16_t>(rightPulse);
    const auto left = static_cast<std::uint16_t>(leftPulse);
    return {static_cast<std::uint8_t>(right & 0xFF), static_cast<std::uint8_t>(right >> 8),
            static_cast<std::uint8_t>(left & 0xFF), static_cast<std::uint8_t>(left >> 8)};
}

SensorState DecodeSensors(int sensorByte) {
    return {(sensorByte & kLeftInfraredBit) != 0, (sensorByte & kRightInfraredBit) != 0,
            (sensorByte & kLeftWhiskerBit) != 0, (sensorByte & kRightWhiskerBit) != 0};
}

int ExchangeServoPulses(TSerial& port, int rightPulse, int leftPulse) {
    if (!port.IsOpen()) {
        return kNoSensorAnswer;
    }
    port.ReadBuffer(kDrainCount, 0);
    const ServoMessage message = EncodeServoPulses(rightPulse, leftPulse);
    port.WriteBuffer(message, kServoWriteTimeoutMs);
    port.ReadBuffer(kServoMessageSize, kServoEchoTimeoutMs);
    const int sensors = port.ReadByte(kSensorByteTimeoutMs);
    return sensors >= 0 && sensors <= 0xFF ? sensors : kNoSensorAnswer;
}

}  // namespace kavrin::link
