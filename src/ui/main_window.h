#pragma once
// The main window. For now a plain window that owns the document for the chosen mode and loads
// the file named on the command line; the skinned face replaces it.

#include <QString>
#include <QWidget>

#include <memory>

#include "model/document.h"

class QLabel;

namespace kavrin::ui {

class TMainForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kWidth = 786;
    static constexpr int kHeight = 585;

    explicit TMainForm(QWidget* parent = nullptr);
    ~TMainForm() override;

    // A file to load as soon as the mode is known (the command line's FILE.kvn).
    void SetPendingFile(const QString& path) { pendingFile_ = path; }

    // Builds the window for the mode of this run and shows it; then loads the pending file,
    // reporting a refused file in a message box. Only the first call counts.
    void ShowForMode(model::TMode mode);

    // Lays the window out for the mode without showing it or loading anything.
    void BuildForMode(model::TMode mode);

    // Null until the mode is known.
    model::TActionDocument* Document() const { return document_.get(); }

private:
    std::unique_ptr<model::TActionDocument> document_;
    QLabel* modeLabel_ = nullptr;
    QString pendingFile_;
};

}  // namespace kavrin::ui
