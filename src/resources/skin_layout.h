#pragma once
// The skin's layout records and pictures, and the rule that picks between the Beginner and the
// Advanced set.
//
// Every record and picture exists in a Beginner form; the Advanced form is another resource
// number and exists only where it differs. Advanced mode tries that number first and falls back
// to the Beginner one; a slot or control with neither keeps what it has. Existence is tested
// before anything is read, so a missing resource is never an error.
//
//   image layout record, "DATA" n (Advanced n + 90), 16 bytes, 16-bit fields low byte first:
//     offset  0 tag          command number of a skin button (1..11), or 0
//             2 left         in the parent's client coordinates
//             4 top
//             6 width
//             8 height
//            10 stretch      Boolean in the low byte: scale the picture to the image's size
//            12 transparent  Boolean in the low byte: the picture's transparent colour shows
//                            the window through
//            14 visible      Boolean in the low byte
//
//   control layout record, "DATA" n (Advanced n + 90), 8 bytes: left, top, width, height
//
//   skin picture of slot s: "BMP" s + 180 for slot 1, "GIF" s + 180 for the others
//                           (Advanced s + 270)

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace kavrin::resources {

inline constexpr std::string_view kBitmapType = "BMP";
inline constexpr std::string_view kGifType = "GIF";
// Every picture once more drawn at twice the size each way, for screens with more pixels to the
// unit: a GIF under the same number (the background too, which a GIF keeps far smaller than a
// bitmap of that size would be).
inline constexpr std::string_view kDoubleGifType = "GIF2X";

inline constexpr int kFirstSkinSlot = 1;
inline constexpr int kLastSkinSlot = 65;
// Slot 1, the window's background, is the one plain bitmap; the other slots are GIF pictures.
inline constexpr int kBackgroundSlot = 1;
// Slots with a role of their own in the main window.
inline constexpr int kBottomBarSlot = 2;
inline constexpr int kRightEdgeSlot = 3;
inline constexpr int kCornerSlot = 4;
inline constexpr int kTitleSlot = 5;
inline constexpr int kLogoSlot = 6;
inline constexpr int kListFrameSlot = 8;
inline constexpr int kNotebookFrameSlot = 10;
inline constexpr int kSettingsFrameSlot = 11;
inline constexpr int kRobotPictureSlot = 12;
inline constexpr int kSecondPictureSlot = 13;
// The palette tiles, slots 14 to 21.
inline constexpr int kFirstTileSlot = 14;
inline constexpr int kTileCount = 8;

// Record n of the Beginner set is record n + 90 of the Advanced set.
inline constexpr int kAdvancedLayoutOffset = 90;
// Slot s shows picture s + 180, in Advanced mode s + 270 when that exists.
inline constexpr int kPictureOffset = 180;
inline constexpr int kAdvancedPictureOffset = 270;

// Control layout records (Beginner numbers).
inline constexpr int kHyperHelpLayout = 66;
inline constexpr int kSerialPortLabel1Layout = 67;
inline constexpr int kSerialPortLabel2Layout = 68;
inline constexpr int kPortComboBoxLayout = 69;
inline constexpr int kSensorsEnabledLayout = 70;
inline constexpr int kSensorNotebookLayout = 71;
inline constexpr int kSensorActionPanelLayout = 72;
inline constexpr int kActionScrollBoxLayout = 73;
inline constexpr int kHelpMemoLayout = 74;
inline constexpr int kMainWindowLayout = 75;
inline constexpr int kTestWindowLayout = 76;
inline constexpr int kBotPanelLayout = 77;
inline constexpr int kLeftServoLabelLayout = 78;
inline constexpr int kRightServoLabelLayout = 79;
inline constexpr int kLeftServoEnabledPanelLayout = 80;
inline constexpr int kRightServoEnabledPanelLayout = 81;
inline constexpr int kLeftEnabledLabelLayout = 82;
inline constexpr int kRightEnabledLabelLayout = 83;
inline constexpr int kRunTestButtonLayout = 84;
inline constexpr int kDefaultButtonLayout = 85;
inline constexpr int kSetCalibrationButtonLayout = 86;
inline constexpr int kExitButtonLayout = 87;
inline constexpr int kToDoListLayout = 88;
inline constexpr int kSensorListLayout = 89;

struct TImageLayout {
    std::uint16_t tag = 0;
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
    bool stretch = false;
    bool transparent = false;
    bool visible = false;

    bool operator==(const TImageLayout&) const = default;
};
inline constexpr std::size_t kImageLayoutSize = 16;

struct TControlLayout {
    std::uint16_t left = 0;
    std::uint16_t top = 0;
    std::uint16_t width = 0;
    std::uint16_t height = 0;

    bool operator==(const TControlLayout&) const = default;
};
inline constexpr std::size_t kControlLayoutSize = 8;

// The number of the resource that the mode rule picks: advancedId when in Advanced mode and it
// exists, else beginnerId when it exists, else nothing.
std::optional<int> ResolveResourceId(std::string_view type, int beginnerId, int advancedId,
                                     bool advanced);

// The "DATA" number read for layout record n.
std::optional<int> ResolveLayoutId(int n, bool advanced);

// "BMP" for the background slot, "GIF" for the others.
std::string_view SkinPictureType(int slot);

// The picture of a skin slot (its resource bytes), or an empty span when there is none.
std::span<const std::uint8_t> FindSkinPicture(int slot, bool advanced);

// The number of a skin slot's picture by the mode rule (that of its picture at twice the size
// too, kDoubleGifType), or nothing.
std::optional<int> SkinPictureId(int slot, bool advanced);

// Field by field; nothing when the record is too short to hold them.
std::optional<TImageLayout> DecodeImageLayout(std::span<const std::uint8_t> bytes);
std::optional<TControlLayout> DecodeControlLayout(std::span<const std::uint8_t> bytes);

// The image layout record of a skin slot, or nothing (slot 10 in Beginner mode).
std::optional<TImageLayout> FindImageLayout(int slot, bool advanced);

// The control layout record n (Beginner number), or nothing.
std::optional<TControlLayout> FindControlLayout(int n, bool advanced);

}  // namespace kavrin::resources
