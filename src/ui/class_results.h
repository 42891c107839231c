#pragma once
// The class's results: a window of its own, above the simulator window, that judges every
// program of a folder against one mission and shows the table of how each went. The judging is
// the core's (judge::Judge), on a worker thread of this window with a stop token; its progress
// and its result come back to the UI thread through queued calls, so the windows stay
// responsive, and Cancel stops it at the runs' next slice.
//
// One row per program and mission, the command line's fields (judge_text.h: file, mission,
// passed, time, reason, step) with the same data: the file's name, the time as the command line
// writes it, the step that ran; the mission's title, the result and the reason in the window's
// words. "Save as CSV" and "Save report" write the command line's two files (judge::CsvText,
// judge::ReportHtml), whole or not at all; a judging cancelled half-way is shown but not saved.
// A double-click on a row (or Enter) asks for that program to be loaded and run on the mission.
//
// The file column shows the user's file names: the view lists it in its "dataColumns" property.

#include <QString>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

#include "judge/judge.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;

namespace kavrin::ui {

// The table's columns, in the order of the command line's fields.
enum TClassColumn { ccFile, ccMission, ccResult, ccTime, ccReason, ccStep, ccColumnCount };

// One row in the window's words, from the core's result.
struct TClassRow {
    QString file;     // the file's name (its path in full as the tool tip)
    QString path;     // the path as judged
    QString mission;  // the mission's title
    bool judged = false;
    bool passed = false;
    QString result;  // passed, not passed, not judged
    QString time;    // as the command line writes it ("20.300"); empty when not judged
    QString reason;  // empty when passed
    QString step;    // the step running when it failed, or empty
};
TClassRow ClassRow(const judge::Result& result, std::size_t program, std::size_t mission);

class TClassResults : public QWidget {
    Q_OBJECT

public:
    // A window of its own above the parent. Closing it stops a judging under way.
    explicit TClassResults(QWidget* parent = nullptr);
    // A judging still under way is stopped first.
    ~TClassResults() override;

    // Starts judging these programs against the mission (its key is the simulator's: a
    // built-in's name or the file's path), in the main window's mode.
    void Start(const QString& folder, std::vector<std::filesystem::path> programs,
               const sim::Mission& mission, const QString& missionKey, model::TMode mode,
               bool sensorsEnabled);
    // Shows a judging's result as if it had just ended here.
    void ShowResult(const QString& folder, const QString& missionKey, judge::Result result);
    void Cancel();
    bool Running() const { return running_; }
    const std::optional<judge::Result>& Result() const { return result_; }
    const QString& MissionKey() const { return missionKey_; }

    // Write the command line's CSV and report to a file; false (with the message shown) when it
    // cannot be written or there is no complete judging to write.
    bool SaveCsv(const QString& path);
    bool SaveReport(const QString& path);

    // Where to save: a save dialog (title, filter, proposed file); empty when cancelled. Tests
    // answer it themselves.
    using TSaveAsker = std::function<QString(int title, int filter, const QString& proposed)>;
    void SetSaveAsker(TSaveAsker ask) { askSave_ = std::move(ask); }

    // The parts, for tests.
    QTableWidget* Table() const { return table_; }
    QProgressBar* Progress() const { return progress_; }
    QPushButton* CancelButton() const { return cancel_; }
    QPushButton* CsvButton() const { return saveCsv_; }
    QPushButton* ReportButton() const { return saveReport_; }
    // What the line above the table says: the progress, how it went, a file saved.
    QString StatusText() const;

    QSize sizeHint() const override { return {960, 420}; }

Q_SIGNALS:
    // A row was chosen: its program, to be loaded and run on the mission.
    void ProgramChosen(const QString& path, const QString& missionKey);
    // A run of the judging has finished (done of all).
    void Progressed(int done, int total);
    // The judging has ended, done or cancelled, and the table shows it.
    void Finished();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void Stop();
    QString Summary() const;
    void ShowProgress(int done, int total);
    void Finish(judge::Result result);
    void FillTable();
    void ChooseRow(int row);
    void AskAndSave(int title, int filter, const char* suffix,
                    bool (TClassResults::*save)(const QString&));
    bool Write(const QString& path, const std::string& bytes);

    QString folder_;
    QString missionKey_;
    QString missionTitle_;
    std::optional<judge::Result> result_;
    bool running_ = false;
    int done_ = 0;
    int total_ = 0;
    int generation_ = 0;  // of the judging under way; what an earlier one posts is dropped
    TSaveAsker askSave_;
    std::jthread worker_;

    QLabel* folderLabel_ = nullptr;
    QLabel* status_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTableWidget* table_ = nullptr;
    QPushButton* saveCsv_ = nullptr;
    QPushButton* saveReport_ = nullptr;
    QPushButton* close_ = nullptr;
};

}  // namespace kavrin::ui
