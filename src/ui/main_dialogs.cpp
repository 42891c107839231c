#include "ui/main_dialogs.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

#include "resources/ui_strings.h"
#include "ui/code_view.h"
#include "ui/test_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

QString Title() { return UiString(resources::str::kProgramName); }

QString RunFileDialog(QFileDialog& dialog) {
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front();
}

}  // namespace

std::unique_ptr<QFileDialog> MakeFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                            const QString& folder, const QString& proposed) {
    const bool save = mode == QFileDialog::AcceptSave;
    auto dialog = std::make_unique<QFileDialog>(
        parent,
        UiString(save ? resources::str::kSaveDialogTitle : resources::str::kOpenDialogTitle),
        folder, UiString(resources::str::kKvnFilter));
    dialog->setAcceptMode(mode);
    dialog->setDefaultSuffix(QString::fromLatin1(kKvnSuffix));
    dialog->setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog->setSizeGripEnabled(true);
    if (!proposed.isEmpty()) {
        dialog->selectFile(proposed);
    }
    return dialog;
}

std::unique_ptr<QFileDialog> MakeSheetDialog(QWidget* parent, const QString& folder,
                                             const QString& proposed) {
    auto dialog = MakeFileDialog(parent, QFileDialog::AcceptSave, folder, proposed);
    dialog->setWindowTitle(UiString(resources::str::kSheetDialogTitle));
    dialog->setNameFilter(UiString(resources::str::kSheetFilter));
    dialog->setDefaultSuffix(QString::fromLatin1(kSheetSuffix));
    return dialog;
}

std::unique_ptr<QMessageBox> MakeSaveQuestion(QWidget* parent) {
    auto box = std::make_unique<QMessageBox>(
        QMessageBox::Warning, Title(), UiString(resources::str::kSaveQuestion),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box->setDefaultButton(QMessageBox::Yes);
    return box;
}

std::unique_ptr<QMessageBox> MakeRestoreQuestion(QWidget* parent, const QString& question) {
    auto box = std::make_unique<QMessageBox>(QMessageBox::Question, Title(), question,
                                             QMessageBox::Yes | QMessageBox::No, parent);
    box->setDefaultButton(QMessageBox::Yes);
    return box;
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, QMessageBox::Icon icon,
                                            const QString& message) {
    return std::make_unique<QMessageBox>(icon, Title(), message, QMessageBox::Ok, parent);
}

std::unique_ptr<QMessageBox> MakeTokenizerErrorBox(QWidget* parent, const QString& message,
                                                   const QString& reason) {
    auto box = MakeMessageBox(parent, QMessageBox::Information, message);
    box->setInformativeText(reason);
    QPushButton* show =
        box->addButton(UiString(resources::str::kShowCode), QMessageBox::ActionRole);
    box->setDefaultButton(show);
    return box;
}

model::TSaveAnswer TMainDialogs::AskToSave(QWidget* parent) {
    QApplication::beep();
    const std::unique_ptr<QMessageBox> box = MakeSaveQuestion(parent);
    switch (box->exec()) {
        case QMessageBox::Yes:
            return model::TSaveAnswer::Yes;
        case QMessageBox::No:
            return model::TSaveAnswer::No;
        default:
            return model::TSaveAnswer::Cancel;
    }
}

QString TMainDialogs::OpenFileName(QWidget* parent, const QString& folder) {
    return RunFileDialog(*MakeFileDialog(parent, QFileDialog::AcceptOpen, folder));
}

QString TMainDialogs::SaveFileName(QWidget* parent, const QString& folder,
                                   const QString& proposed) {
    return RunFileDialog(*MakeFileDialog(parent, QFileDialog::AcceptSave, folder, proposed));
}

QString TMainDialogs::SheetFileName(QWidget* parent, const QString& folder,
                                    const QString& proposed) {
    return RunFileDialog(*MakeSheetDialog(parent, folder, proposed));
}

bool TMainDialogs::OpenWithViewer(const QString& file) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void TMainDialogs::ShowError(QWidget* parent, const QString& message) {
    QApplication::beep();
    MakeMessageBox(parent, QMessageBox::Critical, message)->exec();
}

void TMainDialogs::ShowMessage(QWidget* parent, const QString& message) {
    MakeMessageBox(parent, QMessageBox::Information, message)->exec();
}

bool TMainDialogs::AskShowTokenizerError(QWidget* parent, const QString& message,
                                         const QString& reason) {
    const std::unique_ptr<QMessageBox> box = MakeTokenizerErrorBox(parent, message, reason);
    box->exec();
    return box->clickedButton() == box->defaultButton();
}

void TMainDialogs::ShowCodeView(TCodeForm& view) { view.exec(); }

void TMainDialogs::ShowTestWindow(TTestForm& window) { window.exec(); }

bool TMainDialogs::AskToRestore(QWidget* parent, const QString& question) {
    return MakeRestoreQuestion(parent, question)->exec() == QMessageBox::Yes;
}

}  // namespace kavrin::ui
