#pragma once
// The action program: six lists of robot steps, the two servo calibration values and the mode
// the program is edited in. In memory a list is an array of 256 slots; slot 0 belongs to the
// grid's header row and never holds a step, slots 1..count hold the steps in execution order.
//
// The same data is the 9,240-byte file record (see kvn_file.h):
//
//   offset  size   field
//        0    20   signature: length byte, "Kavrin Action List", zeros
//       20     1   format version 0x13 (major 1, minor 3)
//       21     1   advanced flag
//       22     1   left servo centre  (0..200, default 100)
//       23     1   right servo centre (0..200, default 100)
//       24  9216   six lists of 256 slots x 6 bytes:
//                    +0 kind (u8)  +1 value (i16 LE, unaligned)  +3 Both  +4 Left  +5 Right

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace kavrin::model {

// --- Mode --------------------------------------------------------------------------------------

enum class TMode : std::uint8_t { Beginner = 0, Advanced = 1 };

// --- Action kinds -------------------------------------------------------------------------------

enum TActionKind : std::uint8_t {
    akForward = 0,
    akBackward = 1,
    akTurnLeft = 2,
    akTurnRight = 3,
    akRotateLeft = 4,
    akRotateRight = 5,
    akStopWait = 6,
    akGoBack = 7,
};
inline constexpr int kActionKindCount = 8;

struct TActionKindInfo {
    char letter;                // what the code generator writes for the kind
    int nameString;             // UI string number of the kind's name (tile and widget hint)
    std::int16_t defaultValue;  // value of a newly dropped step
};

inline constexpr std::array<TActionKindInfo, kActionKindCount> kActionKinds{{
    {'F', 398, 12},  // move forward
    {'B', 399, 12},  // move backward
    {'L', 400, 13},  // turn left while moving forward
    {'R', 401, 13},  // turn right while moving forward
    {'E', 402, 15},  // rotate left on the spot
    {'I', 403, 15},  // rotate right on the spot
    {'S', 404, 10},  // stop and wait
    {'G', 405, 1},   // go back to step
}};

// Durations (kinds 0..6) are offered from 1 to 255 tenths of a second.
inline constexpr int kMinDuration = 1;
inline constexpr int kMaxDuration = 255;

// --- Steps and lists ----------------------------------------------------------------------------

// Sensor set numbers used in the Both/Left/Right columns: 0 = Sensor Set All, 1..4 = Set 1..4.
inline constexpr int kSensorSetCount = 5;

enum TSensorColumn : std::uint8_t { scBoth = 0, scLeft = 1, scRight = 2 };
inline constexpr int kSensorColumnCount = 3;

struct TBotAction {
    std::uint8_t kind = akForward;
    std::int16_t value = -1;  // duration in tenths of a second, or go-back target step
    std::array<std::uint8_t, kSensorColumnCount> sensors{};  // indexed by TSensorColumn

    friend bool operator==(const TBotAction&, const TBotAction&) = default;
};

// The content of slot 0 of every list, and of the file's unused slots.
inline constexpr TBotAction kHeaderSlot{akForward, -1, {0, 0, 0}};

inline constexpr int kSlotsPerList = 256;
inline constexpr int kMaxSteps = kSlotsPerList - 1;  // 255

using TActionList = std::array<TBotAction, kSlotsPerList>;

// List numbers, 1-based everywhere in the program.
enum TListId : int {
    kMainList = 1,
    kSensorSetAll = 2,
    kSensorSet1 = 3,
    kSensorSet2 = 4,
    kSensorSet3 = 5,
    kSensorSet4 = 6,
};
inline constexpr int kListCount = 6;

inline constexpr bool IsValidList(int list) { return list >= 1 && list <= kListCount; }

// --- Calibration --------------------------------------------------------------------------------

inline constexpr std::uint8_t kDefaultServoCenter = 100;  // pulse width 750 (centre - 650)
inline constexpr std::uint8_t kMaxServoCenter = 200;

// --- The program --------------------------------------------------------------------------------

// The record plus the step counts kept beside it. Lists are indexed by list number minus 1.
struct TActionProgram {
    std::uint8_t leftServoCenter = kDefaultServoCenter;
    std::uint8_t rightServoCenter = kDefaultServoCenter;
    std::array<TActionList, kListCount> lists;
    std::array<int, kListCount> counts{};

    TActionProgram() { Reset(); }

    // Every list empty with its header slot set, calibration at the defaults.
    void Reset();

    TActionList& List(int list) { return lists[static_cast<std::size_t>(list - 1)]; }
    const TActionList& List(int list) const { return lists[static_cast<std::size_t>(list - 1)]; }
    int& Count(int list) { return counts[static_cast<std::size_t>(list - 1)]; }
    int Count(int list) const { return counts[static_cast<std::size_t>(list - 1)]; }
    TBotAction& Step(int list, int row) { return List(list)[static_cast<std::size_t>(row)]; }
    const TBotAction& Step(int list, int row) const {
        return List(list)[static_cast<std::size_t>(row)];
    }
};

// --- The record in bytes ------------------------------------------------------------------------

inline constexpr std::size_t kStepSize = 6;
inline constexpr std::size_t kListSize = kSlotsPerList * kStepSize;  // 1536
inline constexpr std::size_t kHeaderSize = 24;
inline constexpr std::size_t kSignatureSize = 20;
inline constexpr std::size_t kRecordSize = 9240;
static_assert(kHeaderSize + kListCount * kListSize == kRecordSize);

inline constexpr std::size_t kOffsetVersion = 20;
inline constexpr std::size_t kOffsetAdvanced = 21;
inline constexpr std::size_t kOffsetLeftCenter = 22;
inline constexpr std::size_t kOffsetRightCenter = 23;
inline constexpr std::size_t kOffsetLists = kHeaderSize;

inline constexpr std::uint8_t kFormatVersion = 0x13;
inline constexpr char kSignatureText[] = "Kavrin Action List";

using TRecordBytes = std::array<std::uint8_t, kRecordSize>;

void EncodeStep(const TBotAction& step, std::span<std::uint8_t, kStepSize> out);
TBotAction DecodeStep(std::span<const std::uint8_t, kStepSize> in);

}  // namespace kavrin::model
