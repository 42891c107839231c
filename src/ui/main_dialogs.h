#pragma once
// The questions and file dialogs of the main window's commands, behind one interface so that
// tests can answer them without a modal loop.

#include <QFileDialog>
#include <QMessageBox>
#include <QString>

#include <memory>

#include "model/document.h"

class QWidget;

namespace kavrin::ui {

class TCodeForm;
class TTestForm;

class TMainDialogs {
public:
    virtual ~TMainDialogs() = default;

    // The unsaved-changes question (UI string 427) with Yes, No and Cancel.
    virtual model::TSaveAnswer AskToSave(QWidget* parent);
    // The open dialog; an empty name when cancelled.
    virtual QString OpenFileName(QWidget* parent, const QString& folder);
    // The save dialog in a folder, proposing a file (empty: no name yet); it asks before
    // overwriting. Empty when cancelled.
    virtual QString SaveFileName(QWidget* parent, const QString& folder, const QString& proposed);
    // The program sheet's save dialog (PDF files), otherwise as SaveFileName.
    virtual QString SheetFileName(QWidget* parent, const QString& folder, const QString& proposed);
    // Opens a written file with the system's viewer for it; false when none could be started.
    virtual bool OpenWithViewer(const QString& file);
    // The error box: a warning beep, then the message with an OK button.
    virtual void ShowError(QWidget* parent, const QString& message);
    // A plain message with an OK button.
    virtual void ShowMessage(QWidget* parent, const QString& message);
    // The tokenizer refused the program: the message, the tokenizer's numbered reason, and the
    // offer to show the code at the error. True when the user takes it.
    virtual bool AskShowTokenizerError(QWidget* parent, const QString& message,
                                       const QString& reason);
    // The code view, modal.
    virtual void ShowCodeView(TCodeForm& view);
    // The servo test window, modal to the main window.
    virtual void ShowTestWindow(TTestForm& window);
    // At start-up: whether to restore a program left unsaved (the question is UI string 740 or
    // 741, filled in). True for Yes.
    virtual bool AskToRestore(QWidget* parent, const QString& question);
};

// The extension the file dialogs add to a name without one; their filter is UI string 514.
inline constexpr char kKvnSuffix[] = "kvn";
// The program sheet's, with the filter 761.
inline constexpr char kSheetSuffix[] = "pdf";

// The dialogs as TMainDialogs shows them, made but not run, so that a test can look at them.
// The open or save dialog, in a folder, proposing a file (empty: no name yet).
std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                            const QString& folder, const QString& proposed = {});
// The program sheet's save dialog, in a folder, proposing a file.
std::unique_ptr<QFileDialog> MakeSheetDialog(QWidget* parent, const QString& folder,
                                             const QString& proposed);
// The unsaved-changes question with Yes, No and Cancel, Yes the default.
std::unique_ptr<QMessageBox> MakeSaveQuestion(QWidget* parent);
// A message with an OK button: an error (critical) or a plain one (information).
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& message);
// The question whether to restore a program left unsaved, with Yes and No, Yes the default.
std::unique_ptr<QMessageBox> MakeRestoreQuestion(QWidget* parent, const QString& question);
// The tokenizer's refusal with its reason and the "Show Code" button, which is the default.
std::unique_ptr<QMessageBox> MakeTokenizerErrorBox(QWidget* parent, const QString& message,
                                                   const QString& reason);

}  // namespace kavrin::ui
