#include "ui/program_files.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "ui/main_dialogs.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

std::filesystem::path ToCorePath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

QString FromCorePath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.u16string());
}

QString DefaultFileFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

namespace {

// A message that says what is wrong inside a file keeps its text; the file's name follows on a
// line of its own. One that names the file already is shown as it is.
QString FileMessage(const model::TFileResult& result, const QString& name) {
    const QString message = FromCore(result.message);
    return result.namesFile ? message : message + QLatin1Char('\n') + QDir::toNativeSeparators(name);
}

}  // namespace

TProgramFiles::TProgramFiles(model::TActionDocument& document, QWidget& parent)
    : document_(document), parent_(parent), folder_(DefaultFileFolder()) {}

void TProgramFiles::SetFolder(const QString& folder) {
    if (!folder.isEmpty()) {
        folder_ = folder;
    }
}

model::TSaveAnswer TProgramFiles::CheckIfSaved(TMainDialogs& dialogs) {
    return document_.CheckIfSaved([&] { return dialogs.AskToSave(&parent_); },
                                  [&] { return Save(dialogs); });
}

bool TProgramFiles::Load(TMainDialogs& dialogs) {
    if (CheckIfSaved(dialogs) == model::TSaveAnswer::Cancel) {
        return false;
    }
    const QString name = dialogs.OpenFileName(&parent_, folder_);
    if (name.isEmpty() || !QFileInfo::exists(name)) {
        return false;
    }
    return LoadNamed(name, dialogs);
}

bool TProgramFiles::LoadAsked(const QString& name, TMainDialogs& dialogs) {
    return CheckIfSaved(dialogs) != model::TSaveAnswer::Cancel && LoadNamed(name, dialogs);
}

bool TProgramFiles::LoadNamed(const QString& name, TMainDialogs& dialogs) {
    const model::TFileResult result = document_.LoadFile(ToCorePath(name));
    if (!result.ok) {
        dialogs.ShowError(&parent_, FileMessage(result, name));
        return false;
    }
    folder_ = QFileInfo(name).absolutePath();
    return true;
}

bool TProgramFiles::Save(TMainDialogs& dialogs) {
    const QString current = FromCorePath(document_.FileName());
    const QString folder = current.isEmpty() ? folder_ : QFileInfo(current).absolutePath();
    const QString name =
        dialogs.SaveFileName(&parent_, folder, current.isEmpty() ? QString() : current);
    if (name.isEmpty()) {
        return false;
    }
    const model::TFileResult result = document_.SaveFile(ToCorePath(name));
    if (!result.ok) {
        dialogs.ShowError(&parent_, FileMessage(result, name));
        return false;
    }
    folder_ = QFileInfo(name).absolutePath();
    return true;
}

}  // namespace kavrin::ui
