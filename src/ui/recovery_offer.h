#pragma once
// At start-up, before the start window: the programs that Kavrins no longer running left
// unsaved (model/recovery.h) are offered one at a time, newest first.

#include <QDateTime>
#include <QString>

#include <filesystem>
#include <functional>

namespace kavrin::model {
struct TRecoveryCopy;
}  // namespace kavrin::model

namespace kavrin::ui {

class TMainDialogs;
class TMainForm;

// "Kavrin was closed without saving the program "square.kvn" at 10:42. Restore it?" (UI string
// 740; 741 for an unnamed program). A copy from another day than now says which day.
QString RecoveryQuestion(const model::TRecoveryCopy& copy, const QDateTime& now);

// Asks about each copy in folder. Yes opens it in the window (TMainForm::ShowRecovered) and
// removes the old copy, the window keeping its own from then on; the copies not asked about yet
// stay for the next start. No removes the copy. Returns whether the window shows a program.
// The window is asked for only when a copy is restored.
bool OfferRecoveredPrograms(const std::filesystem::path& folder,
                            const std::function<TMainForm&()>& window, TMainDialogs& dialogs);

}  // namespace kavrin::ui
