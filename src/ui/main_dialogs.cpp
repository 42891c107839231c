#include "ui/main_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "resources/ui_strings.h"
#include "ui/code_view.h"
#include "ui/test_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

QString Title() { return QApplication::applicationName(); }

QString RunFileDialog(QWidget* parent, QFileDialog::AcceptMode mode, const QString& title,
                      const QString& folder, const QString& proposed = QString()) {
    QFileDialog dialog(parent, title, folder, QString::fromLatin1(kKvnFilter));
    dialog.setAcceptMode(mode);
    dialog.setDefaultSuffix(QString::fromLatin1(kKvnSuffix));
    dialog.setFileMode(mode == QFileDialog::AcceptSave ? QFileDialog::AnyFile
                                                       : QFileDialog::ExistingFile);
    dialog.setSizeGripEnabled(true);
    if (!proposed.isEmpty()) {
        dialog.selectFile(proposed);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().front();
}

}  // namespace

model::TSaveAnswer TMainDialogs::AskToSave(QWidget* parent) {
    QApplication::beep();
    const auto answer = QMessageBox::warning(
        parent, Title(), UiString(resources::str::kSaveQuestion),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    switch (answer) {
    case QMessageBox::Yes:
        return model::TSaveAnswer::Yes;
    case QMessageBox::No:
        return model::TSaveAnswer::No;
    default:
        return model::TSaveAnswer::Cancel;
    }
}

QString TMainDialogs::OpenFileName(QWidget* parent, const QString& folder) {
    return RunFileDialog(parent, QFileDialog::AcceptOpen, QStringLiteral("Open an Action list"),
                         folder);
}

QString TMainDialogs::SaveFileName(QWidget* parent, const QString& folder,
                                   const QString& proposed) {
    return RunFileDialog(parent, QFileDialog::AcceptSave, QStringLiteral("Save your To Do List"),
                         folder, proposed);
}

void TMainDialogs::ShowError(QWidget* parent, const QString& message) {
    QApplication::beep();
    QMessageBox::critical(parent, Title(), message, QMessageBox::Ok);
}

void TMainDialogs::ShowMessage(QWidget* parent, const QString& message) {
    QMessageBox::information(parent, Title(), message, QMessageBox::Ok);
}

bool TMainDialogs::AskShowTokenizerError(QWidget* parent, const QString& message,
                                         const QString& reason) {
    QMessageBox box(QMessageBox::Information, Title(), message, QMessageBox::Ok, parent);
    box.setInformativeText(reason);
    QPushButton* show = box.addButton(QStringLiteral("&Show Code"), QMessageBox::ActionRole);
    box.setDefaultButton(show);
    box.exec();
    return box.clickedButton() == show;
}

void TMainDialogs::ShowCodeView(TCodeForm& view) { view.exec(); }

void TMainDialogs::ShowTestWindow(TTestForm& window) { window.exec(); }

}  // namespace kavrin::ui
