#include "ui/program_files.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <span>

#include "model/kvn_file.h"
#include "resources/ui_strings.h"
#include "ui/main_dialogs.h"
#include "ui/program_sheet.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

std::filesystem::path ToCorePath(const QString& name) {
    return std::filesystem::path(name.toStdU16String());
}

QString FromCorePath(const std::filesystem::path& path) {
    // With Qt's separator, as every other path in the windows (Windows joins with a backslash).
    return QDir::fromNativeSeparators(QString::fromStdU16String(path.u16string()));
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
    return result.namesFile ? message
                            : message + QLatin1Char('\n') + QDir::toNativeSeparators(name);
}

}  // namespace

QString ProposedSheetName(const QString& programFile, const QString& folder) {
    const QString suffix = QLatin1Char('.') + QString::fromLatin1(kSheetSuffix);
    if (programFile.isEmpty()) {
        return QDir(folder).filePath(UiString(resources::str::kSheetUntitled) + suffix);
    }
    const QFileInfo info(programFile);
    return info.dir().filePath(info.completeBaseName() + suffix);
}

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

bool TProgramFiles::SaveSheet(TMainDialogs& dialogs, bool sensorsEnabled, QWidget& parent) {
    const QString current = FromCorePath(document_.FileName());
    const QString proposed = ProposedSheetName(current, folder_);
    QString name = dialogs.SheetFileName(&parent, QFileInfo(proposed).absolutePath(), proposed);
    if (name.isEmpty()) {
        return false;
    }
    if (QFileInfo(name).suffix().compare(QString::fromLatin1(kSheetSuffix), Qt::CaseInsensitive) !=
        0) {
        name += QLatin1Char('.') + QString::fromLatin1(kSheetSuffix);
    }
    TSheetSource source;
    source.title = current.isEmpty() ? UiString(resources::str::kSheetUntitled)
                                     : QFileInfo(current).fileName();
    source.date = QDate::currentDate();
    source.mode = document_.Mode();
    source.sensorsEnabled = sensorsEnabled;
    source.program = document_.Program();
    const QByteArray pdf = TProgramSheet(source).Pdf();
    if (pdf.isEmpty()) {
        dialogs.ShowError(&parent, UiString(resources::str::kCannotSaveFile)
                                       .arg(name, UiString(resources::str::kSheetNotMade)));
        return false;
    }
    const model::TFileResult result = model::SaveFileWhole(
        ToCorePath(name), std::span(reinterpret_cast<const std::uint8_t*>(pdf.constData()),
                                    static_cast<std::size_t>(pdf.size())));
    if (!result.ok) {
        dialogs.ShowError(&parent, FromCore(result.message));
        return false;
    }
    if (!dialogs.OpenWithViewer(name)) {
        dialogs.ShowMessage(&parent, UiString(resources::str::kSheetNoViewer).arg(name));
    }
    return true;
}

}  // namespace kavrin::ui
