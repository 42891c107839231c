#pragma once
// The robot seen from above, front at the top, as the servo test window shows it. The build draws
// its still parts (chassis, board, wheels, battery pack, sensor mounts) into one picture; the
// window draws the indicators over it at run time. Both place them from these figures, in the
// picture's own pixels.

namespace kavrin::resources {

struct TPixelPoint {
    int x = 0;
    int y = 0;
};

struct TPixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// An infrared unit: the detector's body on its mount and the round lens ahead of it.
struct TDetectorPlace {
    TPixelRect body;
    TPixelRect lens;
};

struct TRobotTopLayout {
    int width = 449;
    int height = 377;
    TDetectorPlace leftDetector{{150, 52, 17, 9}, {152, 40, 12, 13}};
    TDetectorPlace rightDetector{{282, 52, 17, 9}, {285, 40, 12, 13}};
    // Where each whisker wire is screwed to the board; it bends about this point.
    TPixelPoint leftWhiskerAnchor{200, 80};
    TPixelPoint rightWhiskerAnchor{249, 80};
    int whiskerAnchorRadius = 5;
};

inline constexpr TRobotTopLayout kRobotTop{};

// "GIF" number of the picture, drawn over the servo test window's background.
inline constexpr int kRobotTopPictureId = 247;
inline constexpr unsigned kRobotTopBackground = 0x006688;  // the test window's colour, RGB

}  // namespace kavrin::resources
