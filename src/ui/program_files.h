#pragma once
// Loading and saving the program of the main window, with its questions: unsaved changes are
// offered for saving first, and a save the user cancels (or that fails) stops the command, so
// no gesture loses a program. The dialogs start in the folder of the last file loaded or saved,
// at first the user's documents folder.

#include <QString>

#include <filesystem>

#include "model/document.h"

class QWidget;

namespace kavrin::ui {

class TMainDialogs;

// File names between Qt and the core, in whatever encoding the platform's paths use.
std::filesystem::path ToCorePath(const QString& name);
QString FromCorePath(const std::filesystem::path& path);

// The user's documents folder, or the home folder where there is none.
QString DefaultFileFolder();

class TProgramFiles {
public:
    TProgramFiles(model::TActionDocument& document, QWidget& parent);

    const QString& Folder() const { return folder_; }
    // A folder remembered from an earlier run; an empty one keeps the default.
    void SetFolder(const QString& folder);

    // On unsaved changes: asks, and saves on Yes. Cancel when the command must stop.
    model::TSaveAnswer CheckIfSaved(TMainDialogs& dialogs);
    // The open dialog, after the unsaved-changes question; true when a program was loaded.
    bool Load(TMainDialogs& dialogs);
    // Loads a named file (the command line's); errors go to the error box.
    bool LoadNamed(const QString& name, TMainDialogs& dialogs);
    // The same after the unsaved-changes question, as Load asks it (a pupil's program chosen in
    // the class's results).
    bool LoadAsked(const QString& name, TMainDialogs& dialogs);
    // The save dialog, proposing the program's file; true when the program was written.
    bool Save(TMainDialogs& dialogs);

private:
    model::TActionDocument& document_;
    QWidget& parent_;
    QString folder_;
};

}  // namespace kavrin::ui
