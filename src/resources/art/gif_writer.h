#pragma once
// GIF89a output for the artwork tool. Qt reads GIF but does not write it; giflib does.

#include <QColor>
#include <QImage>

#include <optional>
#include <string>
#include <vector>

namespace kavrin::art {

struct TGifFrame {
    QImage image;     // any format; all frames of one picture have the same size
    int delayCs = 0;  // time the frame stays, in hundredths of a second (0: a still picture)
};

// Writes the frames as one GIF89a file; an animation loops for ever. With a matte colour the
// picture is transparent: pixels less than half opaque take the transparent index, the others are
// blended over the matte (the colour the picture is shown on, so that smoothed edges fit it).
// Without one the frames are flattened over the matte's default, black. Each frame has its own
// palette: exact when the frame has at most 256 colours (255 with transparency), else the most
// frequent colours with every other pixel mapped to the nearest. Throws std::runtime_error.
void WriteGif(const std::string& path, const std::vector<TGifFrame>& frames,
              std::optional<QColor> transparentOver);

// The picture with a palette of at most 256 colours chosen as for a GIF frame (no dithering, so
// flat areas stay flat), for formats that store eight bits a pixel.
QImage ToIndexed8(const QImage& image);

}  // namespace kavrin::art
