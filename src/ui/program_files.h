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

// File names between Qt and the core, in whatever encoding the platform's paths use; Qt's side
// separates with '/'.
std::filesystem::path ToCorePath(const QString& name);
QString FromCorePath(const std::filesystem::path& path);

// The user's documents folder, or the home folder where there is none.
QString DefaultFileFolder();

// The file the sheet's dialog proposes for a program (its file's path; empty: none yet).
QString ProposedSheetName(const QString& programFile, const QString& folder);

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
    // The program sheet (program_sheet.h) of the document as it stands: the sheet's save dialog
    // proposes the program's file with ".pdf" beside it (a program without a file: the dialogs'
    // folder and UI string 764), the PDF is written whole and then shown by the system's viewer.
    // A name that does not end in ".pdf" gets it, so no sheet lands on a program file. Failures
    // go to the error box, the dialogs on top of parent. True when the sheet was written.
    bool SaveSheet(TMainDialogs& dialogs, bool sensorsEnabled, QWidget& parent);

private:
    model::TActionDocument& document_;
    QWidget& parent_;
    QString folder_;
};

}  // namespace kavrin::ui
