// The application's icon for the desktop's icon theme: bitmaps in the usual sizes and one
// scalable picture, all from the same drawing.

#include <QDir>
#include <QSvgGenerator>

#include <array>
#include <stdexcept>

#include "pictures.h"

namespace kavrin::art {

namespace {

constexpr std::array kIconSizes{16, 22, 24, 32, 48, 64, 128, 256};
// The scalable picture's own units; viewers scale it to whatever they need.
constexpr int kSvgUnits = 256;

QString MakeFolder(const QDir& root, const QString& folder) {
    if (!root.mkpath(folder)) {
        throw std::runtime_error("cannot create " + root.filePath(folder).toStdString());
    }
    return root.filePath(folder);
}

}  // namespace

void WriteIcons(const QDir& root, const QString& name) {
    for (const int size : kIconSizes) {
        const QString folder = MakeFolder(root, QStringLiteral("%1x%1/apps").arg(size));
        const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
        if (!AppIcon(size).save(path, "PNG")) {
            throw std::runtime_error(path.toStdString() + ": cannot write");
        }
    }
    const QString folder = MakeFolder(root, QStringLiteral("scalable/apps"));
    QSvgGenerator svg;
    svg.setFileName(QDir(folder).filePath(name + QStringLiteral(".svg")));
    svg.setSize({kSvgUnits, kSvgUnits});
    svg.setViewBox(QRect(0, 0, kSvgUnits, kSvgUnits));
    svg.setTitle(QStringLiteral("Kavrin"));
    QPainter painter;
    if (!painter.begin(&svg)) {
        throw std::runtime_error(svg.fileName().toStdString() + ": cannot write");
    }
    DrawAppIcon(painter, kSvgUnits);
    painter.end();
}

}  // namespace kavrin::art
