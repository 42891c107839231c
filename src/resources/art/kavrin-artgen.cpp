// kavrin-artgen: draws every picture of the skin and writes them where kavrin-resgen embeds them.
//
//   kavrin-artgen FONT.ttf STRING_TABLE_DIR OUTPUT_DIR [CONTACT_SHEET.png]
//   kavrin-artgen --icons THEME_DIR
//
// Writes OUTPUT_DIR/GIF/<id>.gif and OUTPUT_DIR/BMP/<id>.bmp with the captions of the base string
// table (STRING_TABLE_DIR/strings.tsv), and for each language's table beside it
// (strings_en.tsv) the pictures that carry captions once more as GIF/<id>_en.gif. Every one of
// them is drawn once more at twice the size into GIF2X/<id>.gif and GIF2X/<id>_en.gif (the
// background too, as a GIF). FONT.ttf is
// the bold face of the captions, given as a file so that the pictures do not depend on the fonts
// a machine happens to have. The optional contact sheet shows every picture and frame at twice its
// size, to look at. With --icons it writes the application's icon into an icon theme folder
// instead.

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
#include "resources/skin_layout.h"

namespace {

using namespace kavrin::art;

// The base string table and the languages' own ones beside it: "strings.tsv", "strings_en.tsv".
constexpr char kBaseTable[] = "strings.tsv";
const QString kLanguageTablePattern = QStringLiteral("strings_??.tsv");

// A picture with the language it was drawn for ("" for the base pictures) and its scale.
struct TDrawn {
    TPicture picture;
    QString language;
    int scale = 1;
};

void Write(const TDrawn& drawn, const QDir& root) {
    const TPicture& picture = drawn.picture;
    // The pictures at twice the size are all GIFs, in a folder of their own (GIF2X).
    const QString folder =
        drawn.scale == 1
            ? picture.type
            : QString::fromLatin1(kavrin::resources::kDoubleGifType.data(),
                                  static_cast<qsizetype>(kavrin::resources::kDoubleGifType.size()));
    const QString type = drawn.scale == 1 ? picture.type : QStringLiteral("GIF");
    if (!root.mkpath(folder)) {
        throw std::runtime_error("cannot create " + root.filePath(folder).toStdString());
    }
    const QString suffix = drawn.language.isEmpty() ? QString() : QLatin1Char('_') + drawn.language;
    const QString name =
        QStringLiteral("%1/%2%3.%4").arg(folder).arg(picture.id).arg(suffix, type.toLower());
    const std::string path = root.filePath(name).toStdString();
    if (type == QStringLiteral("BMP")) {
        // Eight bits a pixel: the background has few colours, and the store embeds every byte.
        if (!ToIndexed8(picture.frames.front().image).save(QString::fromStdString(path), "BMP")) {
            throw std::runtime_error(path + ": cannot write");
        }
        return;
    }
    WriteGif(path, picture.frames, picture.transparentOver);
}

void WriteContactSheet(const std::vector<TDrawn>& pictures, const QString& path) {
    constexpr int kScale = 2;
    constexpr int kMaxWidth = 2000;
    constexpr int kGap = 12;
    constexpr int kLabel = 16;
    // Lay the pictures out in rows, frames side by side.
    struct TPlace {
        const TDrawn* drawn;
        QPoint at;
    };
    std::vector<TPlace> places;
    int x = kGap, y = kGap, rowHeight = 0;
    for (const TDrawn& drawn : pictures) {
        const TPicture& p = drawn.picture;
        const QSize one = p.frames.front().image.deviceIndependentSize().toSize() * kScale;
        const int width = static_cast<int>(p.frames.size()) * (one.width() + 4);
        if (x + width > kMaxWidth && x > kGap) {
            x = kGap;
            y += rowHeight + kGap;
            rowHeight = 0;
        }
        places.push_back({&drawn, {x, y}});
        x += width + kGap;
        rowHeight = std::max(rowHeight, one.height() + kLabel);
    }
    QImage sheet(kMaxWidth, y + rowHeight + kGap, QImage::Format_RGB32);
    sheet.fill(QColor(0x80, 0x80, 0x80));
    QPainter painter(&sheet);
    painter.setFont(BoldFont(11));
    for (const TPlace& place : places) {
        const TPicture& p = place.drawn->picture;
        painter.setPen(Qt::white);
        painter.drawText(place.at + QPoint(0, 12), QStringLiteral("%1 %2 %3 %4x")
                                                       .arg(p.type)
                                                       .arg(p.id)
                                                       .arg(place.drawn->language)
                                                       .arg(place.drawn->scale));
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
            // Twice the size in units: a picture drawn at scale 2 shows each of its pixels once.
            const QSize size = frame.image.deviceIndependentSize().toSize() * kScale;
            painter.drawImage(QRect(QPoint(fx, place.at.y() + kLabel), size), shown);
            fx += size.width() + 4;
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
        if (!sheet.copy(0, rowTops[first], sheet.width(), rowTops[last] - rowTops[first])
                 .save(name)) {
            throw std::runtime_error(name.toStdString() + ": cannot write");
        }
        first = last;
    }
}

// The base pictures with the base table's captions, then each language's captioned pictures;
// all of them at scale 1 and once more at scale 2.
std::vector<TDrawn> DrawAll(const QDir& tables) {
    std::vector<TDrawn> drawn;
    const TCaptions base = ReadCaptions(tables.filePath(QLatin1String(kBaseTable)));
    for (const int scale : {1, 2}) {
        for (TPicture& picture : Inventory(base, scale)) {
            drawn.push_back({std::move(picture), {}, scale});
        }
        for (const QString& table :
             tables.entryList({kLanguageTablePattern}, QDir::Files, QDir::Name)) {
            const QString language = table.mid(table.indexOf(QLatin1Char('_')) + 1, 2);
            for (TPicture& picture :
                 CaptionedPictures(ReadCaptions(tables.filePath(table)), scale)) {
                drawn.push_back({std::move(picture), language, scale});
            }
        }
    }
    return drawn;
}

}  // namespace

int main(int argc, char** argv) {
    const bool icons = argc == 3 && std::string_view(argv[1]) == "--icons";
    if (!icons && argc != 4 && argc != 5) {
        std::fputs(
            "usage: kavrin-artgen FONT.ttf STRING_TABLE_DIR OUTPUT_DIR [CONTACT_SHEET.png]\n"
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
        const std::vector<TDrawn> pictures = DrawAll(QDir(QString::fromLocal8Bit(argv[2])));
        const QDir root(QString::fromLocal8Bit(argv[3]));
        for (const TDrawn& picture : pictures) {
            Write(picture, root);
        }
        if (argc == 5) {
            WriteContactSheet(pictures, QString::fromLocal8Bit(argv[4]));
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "kavrin-artgen: %s\n", e.what());
        return 1;
    }
    return 0;
}
