#pragma once
// `kavrin --screenshots DIR`: every window drawn to a PNG file of its own area at its real size,
// without user interaction; one picture holds the main window and the simulator side by side,
// the lists marking the step the simulator runs. A new window adds one entry to the table in
// screenshots.cpp.

#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

#include "model/document.h"

namespace kavrin::ui {

struct TScreenshot {
    QString fileName;                                // "start.png"
    std::function<std::unique_ptr<QWidget>()> make;  // the window in the state to show
};

// Every window that exists, in the order the files are written.
std::vector<TScreenshot> Screenshots();

// Fills a document with the small program the pictures show.
void AddSampleProgram(model::TActionDocument& document);

struct TScreenshotResult {
    bool ok = false;
    QStringList written;  // full paths
    QString message;      // why it stopped
};

// Called before the application exists, for drawing without a display (the pictures, the window
// tests): Qt then reads font files itself, from QT_QPA_FONTDIR, which on Windows is pointed at
// the system's font folder (they are not beside the program). Elsewhere nothing is changed.
void UseSystemFontsWithoutDisplay();

// Shows each window, grabs it, saves it into dir (created when missing) and closes it.
TScreenshotResult WriteScreenshots(const QString& dir);

}  // namespace kavrin::ui
