// kavrin-artgen: draws every picture of the skin and writes them where kavrin-resgen embeds them.
//
//   kavrin-artgen FONT.ttf OUTPUT_DIR [CONTACT_SHEET.png]
//   kavrin-artgen --icons THEME_DIR
//
// Writes OUTPUT_DIR/GIF/<id>.gif and OUTPUT_DIR/BMP/<id>.bmp. FONT.ttf is the bold face of the
// captions, given as a file so that the pictures do not depend on the fonts a machine happens to
// have. The optional contact sheet shows every picture and frame at twice its size, to look at.
// With --icons it writes the application's icon into an icon theme folder instead.

#include <QDir>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QPainter>
#include <QtGlobal>

#include <cstdio>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "drawing.h"
#include "gif_writer.h"
#include "pictures.h"
#include "resources/robot_picture.h"

namespace {

using namespace kavrin::art;

struct TPicture {
    QString type;  // "GIF" or "BMP"
    int id;
    std::vector<TGifFrame> frames;
    std::optional<QColor> transparentOver;  // the colour around it, for a transparent picture
};

TPicture Still(int id, const QImage& image, std::optional<QColor> transparentOver = std::nullopt) {
    return {QStringLiteral("GIF"), id, {{image, 0}}, transparentOver};
}

// Palette tiles in palette order, from this id on.
constexpr int kFirstTileId = 194;

struct TButtonKind {
    int firstId;  // four pictures from here: normal, highlighted, pressed, unavailable
    const char* caption;
    QColor body;
};

constexpr int kEditButtonWidth = 65;
constexpr int kEditButtonHeight = 28;
constexpr int kCommandButtonWidth = 86;
constexpr int kCommandButtonHeight = 40;

void AddButtons(std::vector<TPicture>& out) {
    // The edit buttons are one family, the commands each have their own colour.
    const QColor kEditBody{0x7C, 0xC7, 0xFF};
    const std::vector<TButtonKind> edit{
        {202, "Διαγραφή", kEditBody},   {206, "Αντιγραφή", kEditBody},
        {210, "Αποκοπή", kEditBody},    {214, "Επικόλληση", kEditBody},
        {218, "Αναίρεση", kEditBody}};
    const std::vector<TButtonKind> command{
        {222, "Εκτέλεση", {0x27, 0xAE, 0x60}}, {226, "Κατάργηση", {0xE0, 0x53, 0x3D}},
        {230, "Έλεγχος", {0x8E, 0x5C, 0xC9}},  {234, "Φόρτωση", {0x16, 0x9C, 0x9C}},
        {238, "Αποθήκευση", {0x2D, 0x7F, 0xD3}}, {242, "Έξοδος", {0x5D, 0x6D, 0x7E}}};
    const TButtonStyle editStyle{{kEditButtonWidth, kEditButtonHeight}, {}, {0x10, 0x26, 0x4A},
                                 colour::kNavy, 7, 10.5};
    const TButtonStyle commandStyle{{kCommandButtonWidth, kCommandButtonHeight}, {},
                                    colour::kWhite, colour::kSky, 10, 12};
    const std::vector<EButtonState> states{EButtonState::Normal, EButtonState::Highlighted,
                                           EButtonState::Pressed, EButtonState::Unavailable};
    auto add = [&](const std::vector<TButtonKind>& kinds, TButtonStyle style) {
        for (const TButtonKind& kind : kinds) {
            style.body = kind.body;
            for (std::size_t s = 0; s < states.size(); ++s) {
                out.push_back(Still(kind.firstId + static_cast<int>(s),
                                    Button(style, QString::fromUtf8(kind.caption), states[s])));
            }
        }
    };
    add(edit, editStyle);
    add(command, commandStyle);
}

std::vector<TPicture> Inventory() {
    std::vector<TPicture> out;
    out.push_back({QStringLiteral("BMP"), 181, {{WindowBackground({801, 577}), 0}}, std::nullopt});
    out.push_back(Still(182, BottomStrip({782, 18})));
    out.push_back(Still(183, RightStrip({19, 485})));
    out.push_back(Still(184, CornerPiece({23, 19})));
    out.push_back(Still(185, Wordmark({242, 23}), colour::kSkyLight));
    out.push_back(Still(186, Logo({211, 36}), colour::kSkyLight));

    const QString actions = QStringLiteral("Ενέργειες");
    const QString toDo = QStringLiteral("Ενέργειες που θα εκτελεστούν");
    const QString sensors = QStringLiteral("Ενέργειες αισθητήρων");
    out.push_back(Still(187, Frame({{134, 359}, actions, 0, 13, false, colour::kSky})));
    out.push_back(Still(277, Frame({{134, 322}, actions, 0, 12, false, colour::kSky})));
    out.push_back(Still(188, Frame({{237, 284}, toDo, 0, 11, true}), colour::kSky));
    out.push_back(Still(278, Frame({{293, 284}, toDo, 0, 11, true}), colour::kSky));
    out.push_back(Still(189, ButtonPanel({237, 84})));
    out.push_back(Still(279, ButtonPanel({508, 46})));
    // The sensor set tile sits at the left of this frame's title band.
    out.push_back(Still(280, Frame({{207, 284}, sensors, 40, 11, true}), colour::kSky));
    out.push_back(Still(191, SettingsColumn({111, 360}, {37, 102, 228}), colour::kSky));
    out.push_back(Still(281, SettingsColumn({111, 322}, {37, 102}), colour::kSky));
    out.push_back(Still(192, RobotThreeQuarter({100, 70}), colour::kInterior));
    out.push_back(Still(193, RobotFromAbove({98, 100}), colour::kInterior));

    const std::vector<ETile> tiles{ETile::Forward,    ETile::Backward,    ETile::TurnLeft,
                                   ETile::TurnRight,  ETile::RotateLeft,  ETile::RotateRight,
                                   ETile::GoBack,     ETile::Wait};
    for (std::size_t i = 0; i < tiles.size(); ++i) {
        out.push_back({QStringLiteral("GIF"), kFirstTileId + static_cast<int>(i), Tile(tiles[i]),
                       std::nullopt});
    }
    AddButtons(out);
    // The start window's background.
    out.push_back(Still(246, StartBackground({361, 130})));
    out.push_back(Still(kavrin::resources::kRobotTopPictureId, RobotTopStill(),
                        QColor::fromRgb(kavrin::resources::kRobotTopBackground)));
    return out;
}

void Write(const TPicture& picture, const QDir& root) {
    if (!root.mkpath(picture.type)) {
        throw std::runtime_error("cannot create " + root.filePath(picture.type).toStdString());
    }
    const QString name = QStringLiteral("%1/%2.%3").arg(picture.type).arg(picture.id).arg(picture.type.toLower());
    const std::string path = root.filePath(name).toStdString();
    if (picture.type == QStringLiteral("BMP")) {
        // Eight bits a pixel: the background has few colours, and the store embeds every byte.
        if (!ToIndexed8(picture.frames.front().image).save(
                QString::fromStdString(path), "BMP")) {
            throw std::runtime_error(path + ": cannot write");
        }
        return;
    }
    WriteGif(path, picture.frames, picture.transparentOver);
}

void WriteContactSheet(const std::vector<TPicture>& pictures, const QString& path) {
    constexpr int kScale = 2;
    constexpr int kMaxWidth = 2000;
    constexpr int kGap = 12;
    constexpr int kLabel = 16;
    // Lay the pictures out in rows, frames side by side.
    struct TPlace { const TPicture* picture; QPoint at; };
    std::vector<TPlace> places;
    int x = kGap, y = kGap, rowHeight = 0;
    for (const TPicture& p : pictures) {
        const QSize one = p.frames.front().image.size() * kScale;
        const int width = static_cast<int>(p.frames.size()) * (one.width() + 4);
        if (x + width > kMaxWidth && x > kGap) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        places.push_back({&p, {x, y}});
        x += width + kGap;
        rowHeight = std::max(rowHeight, one.height() + kLabel);
    }
    QImage sheet(kMaxWidth, y + rowHeight + kGap, QImage::Format_RGB32);
    sheet.fill(QColor(0x80, 0x80, 0x80));
    QPainter painter(&sheet);
    painter.setFont(BoldFont(11));
    for (const TPlace& place : places) {
        const TPicture& p = *place.picture;
        painter.setPen(Qt::white);
        painter.drawText(place.at + QPoint(0, 12), QStringLiteral("%1 %2").arg(p.type).arg(p.id));
        int fx = place.at.x();
        for (const TGifFrame& frame : p.frames) {
            QImage shown = frame.image.convertToFormat(QImage::Format_ARGB32);
            if (p.transparentOver) {
                QImage under(shown.size(), QImage::Format_ARGB32);
                under.fill(*p.transparentOver);
                QPainter blend(&under);
                blend.drawImage(0, 0, shown);
                blend.end();
                shown = under;
            }
            painter.drawImage(QRect(QPoint(fx, place.at.y() + kLabel), shown.size() * kScale), shown);
            fx += shown.width() * kScale + 4;
        }
    }
    painter.end();
    // In pages of a height a picture viewer shows whole: FILE.png becomes FILE-1.png, FILE-2.png...
    constexpr int kPageHeight = 1200;
    std::vector<int> rowTops;
    for (const TPlace& place : places) {
        if (rowTops.empty() || rowTops.back() != place.at.y()) {
            rowTops.push_back(place.at.y());
        }
    }
    rowTops.push_back(sheet.height());
    QString stem = path;
    stem.chop(4);
    int page = 0;
    for (std::size_t first = 0; first + 1 < rowTops.size();) {
        std::size_t last = first + 1;
        while (last + 1 < rowTops.size() && rowTops[last + 1] - rowTops[first] <= kPageHeight) {
            ++last;
        }
        const QString name = QStringLiteral("%1-%2.png").arg(stem).arg(++page);
        if (!sheet.copy(0, rowTops[first], sheet.width(), rowTops[last] - rowTops[first]).save(name)) {
            throw std::runtime_error(name.toStdString() + ": cannot write");
        }
        first = last;
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool icons = argc == 3 && std::string_view(argv[1]) == "--icons";
    if (argc != 3 && argc != 4) {
        std::fputs("usage: kavrin-artgen FONT.ttf OUTPUT_DIR [CONTACT_SHEET.png]\n"
                   "       kavrin-artgen --icons THEME_DIR\n",
                   stderr);
        return 2;
    }
    // Drawing text needs the font database, which needs a GUI application; the build runs this
    // with the offscreen platform. Its notes about the session (no runtime folder and the like)
    // are no concern of a drawing tool: only real errors reach the build's output.
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
            std::fprintf(stderr, "kavrin-artgen: %s\n", qPrintable(text));
        }
    });
    QGuiApplication app(argc, argv);
    try {
        if (icons) {
            WriteIcons(QDir(QString::fromLocal8Bit(argv[2])), QStringLiteral("kavrin"));
            return 0;
        }
        if (QFontDatabase::addApplicationFont(QString::fromLocal8Bit(argv[1])) < 0) {
            throw std::runtime_error(std::string(argv[1]) + ": not a font");
        }
        const std::vector<TPicture> pictures = Inventory();
        const QDir root(QString::fromLocal8Bit(argv[2]));
        for (const TPicture& picture : pictures) {
            Write(picture, root);
        }
        if (argc == 4) {
            WriteContactSheet(pictures, QString::fromLocal8Bit(argv[3]));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavrin-artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
