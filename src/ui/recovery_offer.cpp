#include "ui/recovery_offer.h"

#include <QFileInfo>
#include <QLocale>

#include <chrono>
#include <vector>

#include "model/recovery.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "ui/main_dialogs.h"
#include "ui/main_window.h"
#include "ui/program_files.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

QString RecoveryQuestion(const model::TRecoveryCopy& copy, const QDateTime& now) {
    const auto sinceEpoch =
        std::chrono::duration_cast<std::chrono::milliseconds>(copy.written.time_since_epoch());
    const QDateTime written = QDateTime::fromMSecsSinceEpoch(sinceEpoch.count());
    QString when = written.time().toString(QStringLiteral("HH:mm"));
    if (written.date() != now.date()) {
        when = QLocale::system().toString(written.date(), QLocale::ShortFormat) + QLatin1Char(' ') +
               when;
    }
    const std::string whenText = when.toStdString();
    if (copy.fileName.empty()) {
        return FromCore(
            resources::FormatUIString(resources::str::kRecoverUnnamedProgram, {whenText}));
    }
    const std::string name = QFileInfo(FromCorePath(copy.fileName)).fileName().toStdString();
    return FromCore(
        resources::FormatUIString(resources::str::kRecoverNamedProgram, {name, whenText}));
}

bool OfferRecoveredPrograms(const std::filesystem::path& folder,
                            const std::function<TMainForm&()>& window, TMainDialogs& dialogs) {
    std::vector<model::TRecoveryCopy> copies = model::FindRecoveryCopies(folder);
    for (model::TRecoveryCopy& copy : copies) {
        if (dialogs.AskToRestore(nullptr, RecoveryQuestion(copy, QDateTime::currentDateTime()))) {
            window().ShowRecovered(copy);
            model::RemoveRecoveryCopy(folder, copy);
            return true;
        }
        model::RemoveRecoveryCopy(folder, copy);
    }
    return false;
}

}  // namespace kavrin::ui
