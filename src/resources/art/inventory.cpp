// Which pictures the skin and the windows have, drawn with the captions of one language.

#include <QFile>

#include <stdexcept>
#include <string>

#include "drawing.h"
#include "pictures.h"
#include "resources/gen/string_table_source.h"
#include "resources/robot_picture.h"
#include "resources/ui_strings.h"

namespace kavrin::art {

namespace {

TPicture Still(int id, const QImage& image, std::optional<QColor> transparentOver = std::nullopt) {
    return {QStringLiteral("GIF"), id, {{image, 0}}, transparentOver};
}

// Palette tiles in palette order, from this id on.
constexpr int kFirstTileId = 194;

using namespace resources::str;

struct TButtonKind {
    int firstId;  // four pictures from here: normal, highlighted, pressed, unavailable
    int caption;
    QColor body;
};

// The edit buttons are one family, the commands each have their own colour. The edit buttons'
// captions keep a margin from the sides and share one size, the largest at which the longest of
// them needs narrowing by a fifth at most (Greek "Επικόλληση" is drawn smaller than English).
const TButtonStyle kEditStyle{{65, 28}, {}, {0x10, 0x26, 0x4A}, colour::kNavy, 7, 10.5, 7};
const TButtonStyle kCommandStyle{{86, 40}, {}, colour::kWhite, colour::kSky, 10, 12, 5};
constexpr qreal kEditNarrowest = 0.8;

std::vector<TButtonKind> EditButtons() {
    const QColor body{0x7C, 0xC7, 0xFF};
    std::vector<TButtonKind> kinds;
    for (int i = 0; i < 5; ++i) {
        kinds.push_back({202 + 4 * i, kFirstEditCaption + i, body});
    }
    return kinds;
}

std::vector<TButtonKind> CommandButtons() {
    const QColor bodies[] = {{0x27, 0xAE, 0x60}, {0xE0, 0x53, 0x3D}, {0x8E, 0x5C, 0xC9},
                             {0x16, 0x9C, 0x9C}, {0x2D, 0x7F, 0xD3}, {0x5D, 0x6D, 0x7E}};
    std::vector<TButtonKind> kinds;
    for (int i = 0; i < 6; ++i) {
        kinds.push_back({222 + 4 * i, kFirstCommandCaption + i, bodies[i]});
    }
    return kinds;
}

struct TFrameKind {
    int id;
    int title;
    TFrameStyle style;  // its title is filled in from the captions
    std::optional<QColor> transparentOver;
};

// The palette's frame, the main list's (open below, where the button panel continues it) and the
// sensor notebook's, whose set tile sits at the left of the title band.
std::vector<TFrameKind> Frames() {
    return {
        {187, kPaletteTitle, {{134, 359}, {}, 0, 13, false, colour::kSky}, std::nullopt},
        {277, kPaletteTitle, {{134, 322}, {}, 0, 12, false, colour::kSky}, std::nullopt},
        {188, kMainListTitle, {{237, 284}, {}, 0, 11, true}, colour::kSky},
        {278, kMainListTitle, {{293, 284}, {}, 0, 11, true}, colour::kSky},
        {280, kSensorListTitle, {{207, 284}, {}, 40, 11, true}, colour::kSky},
    };
}

QString Caption(const TCaptions& captions, int text) {
    const auto found = captions.find(text);
    if (found == captions.end() || found->second.trimmed().isEmpty()) {
        throw std::runtime_error("the string table has no caption " + std::to_string(text));
    }
    return found->second;
}

TButtonStyle EditStyle(const TCaptions& captions) {
    QStringList texts;
    for (const TButtonKind& kind : EditButtons()) {
        texts.append(Caption(captions, kind.caption));
    }
    TButtonStyle style = kEditStyle;
    style.captionSize = SharedCaptionSize(ButtonCaptionBox(kEditStyle).width(), texts,
                                          kEditStyle.captionSize, kEditNarrowest);
    return style;
}

void AddButtons(std::vector<TPicture>& out, const TCaptions& captions) {
    const std::vector<EButtonState> states{EButtonState::Normal, EButtonState::Highlighted,
                                           EButtonState::Pressed, EButtonState::Unavailable};
    auto add = [&](const std::vector<TButtonKind>& kinds, TButtonStyle style) {
        for (const TButtonKind& kind : kinds) {
            style.body = kind.body;
            const QString caption = Caption(captions, kind.caption);
            for (std::size_t s = 0; s < states.size(); ++s) {
                out.push_back(
                    Still(kind.firstId + static_cast<int>(s), Button(style, caption, states[s])));
            }
        }
    };
    add(EditButtons(), EditStyle(captions));
    add(CommandButtons(), kCommandStyle);
}

void AddFrames(std::vector<TPicture>& out, const TCaptions& captions) {
    for (TFrameKind frame : Frames()) {
        frame.style.title = Caption(captions, frame.title);
        out.push_back(Still(frame.id, Frame(frame.style), frame.transparentOver));
    }
}

}  // namespace

TCaptions ReadCaptions(const QString& tablePath) {
    QFile file(tablePath);
    if (!file.open(QIODevice::ReadOnly)) {
        throw std::runtime_error(tablePath.toStdString() + ": cannot read");
    }
    const QByteArray bytes = file.readAll();
    const std::vector<std::string> lines = resources::gen::SplitLines(
        std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    TCaptions captions;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const resources::gen::TStringLine line = resources::gen::ParseStringLine(lines[i]);
        if (line.kind == resources::gen::TStringLine::EKind::Malformed) {
            throw std::runtime_error(tablePath.toStdString() + ":" + std::to_string(i + 1) + ": " +
                                     line.error);
        }
        if (line.kind == resources::gen::TStringLine::EKind::Entry) {
            captions[line.id] = QString::fromStdString(line.text);
        }
    }
    return captions;
}

std::vector<TPicture> CaptionedPictures(const TCaptions& captions, int scale) {
    const TDrawingScale drawing(scale);
    std::vector<TPicture> out;
    AddFrames(out, captions);
    AddButtons(out, captions);
    return out;
}

std::vector<TPicture> Inventory(const TCaptions& captions, int scale) {
    const TDrawingScale drawing(scale);
    std::vector<TPicture> out;
    out.push_back({QStringLiteral("BMP"), 181, {{WindowBackground({801, 577}), 0}}, std::nullopt});
    out.push_back(Still(182, BottomStrip({782, 18})));
    out.push_back(Still(183, RightStrip({19, 485})));
    out.push_back(Still(184, CornerPiece({23, 19})));
    out.push_back(Still(185, Wordmark({242, 23}), colour::kSkyLight));
    out.push_back(Still(186, Logo({211, 36}), colour::kSkyLight));
    out.push_back(Still(189, ButtonPanel({237, 84})));
    out.push_back(Still(279, ButtonPanel({508, 46})));
    out.push_back(Still(191, SettingsColumn({111, 360}, {37, 102, 228}), colour::kSky));
    out.push_back(Still(281, SettingsColumn({111, 322}, {37, 102}), colour::kSky));
    out.push_back(Still(192, RobotThreeQuarter({100, 70}), colour::kInterior));
    out.push_back(Still(193, RobotFromAbove({98, 100}), colour::kInterior));

    const std::vector<ETile> tiles{ETile::Forward,   ETile::Backward,   ETile::TurnLeft,
                                   ETile::TurnRight, ETile::RotateLeft, ETile::RotateRight,
                                   ETile::GoBack,    ETile::Wait};
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        out.push_back({QStringLiteral("GIF"), kFirstTileId + static_cast<int>(i), Tile(tiles[i]),
                       std::nullopt});
    }
    const std::vector<TPicture> captioned = CaptionedPictures(captions, scale);
    out.insert(out.end(), captioned.begin(), captioned.end());
    // The start window's background.
    out.push_back(Still(246, StartBackground({361, 130})));
    out.push_back(Still(resources::kRobotTopPictureId, RobotTopStill(),
                        QColor::fromRgb(resources::kRobotTopBackground)));
    return out;
}

std::vector<TCaptionPlace> CaptionPlaces(const TCaptions& captions) {
    const TButtonStyle editStyle = EditStyle(captions);
    std::vector<TCaptionPlace> places;
    for (const TFrameKind& frame : Frames()) {
        places.push_back({frame.id, frame.title, FrameTitleBox(frame.style), kFrameTitleSize});
    }
    for (const TButtonKind& kind : EditButtons()) {
        places.push_back(
            {kind.firstId, kind.caption, ButtonCaptionBox(editStyle), editStyle.captionSize});
    }
    for (const TButtonKind& kind : CommandButtons()) {
        places.push_back({kind.firstId, kind.caption, ButtonCaptionBox(kCommandStyle),
                          kCommandStyle.captionSize});
    }
    return places;
}

}  // namespace kavrin::art
