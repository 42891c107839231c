#pragma once
// The start window: names the application and its version and asks for the mode, which then
// holds for the whole run. It cannot be closed by the user; closing it by system means (the task
// bar, a window manager's shortcut) before a mode is chosen ends the application. The keyboard
// chooses too: the arrow keys move between the buttons, Enter or Space presses the one in focus.

#include <QWidget>

#include "model/action_program.h"

class QLabel;
class QPushButton;

namespace kavrin::ui {

class TIntroForm : public QWidget {
    Q_OBJECT

public:
    static constexpr int kClientWidth = 266;
    static constexpr int kClientHeight = 112;
    static constexpr int kBackgroundPictureId = 246;  // "GIF", 361 x 130

    explicit TIntroForm(QWidget* parent = nullptr);

    // "Kavrin v" + version + " - " + UI string 368.
    static QString TitleFor(const QString& version);

    QPushButton* BeginnerButton() const { return beginnerButton_; }
    QPushButton* AdvancedButton() const { return advancedButton_; }
    bool HasChosenMode() const { return modeChosen_; }

Q_SIGNALS:
    // A mode was chosen; the window has hidden itself. Emitted once per run.
    void ModeChosen(kavrin::model::TMode mode);
    // The window was closed by system means before a mode was chosen.
    void ClosedWithoutMode();
    // Once, soon after the window's first picture is drawn: the time to build what comes after
    // it without keeping the user waiting for the window.
    void FirstDrawn();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The arrow keys move between the buttons.
    void keyPressEvent(QKeyEvent* event) override;
    // The window takes the keyboard when it shows, Beginner first (also on a display without a
    // window manager, which gives a new window no focus of its own).
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Choose(model::TMode mode);

    QLabel* background_ = nullptr;
    int backgroundScale_ = 1;  // the scale the background picture was drawn at (picture_scale.h)
    QPushButton* beginnerButton_ = nullptr;
    QPushButton* advancedButton_ = nullptr;
    bool modeChosen_ = false;
    bool drawn_ = false;
};

}  // namespace kavrin::ui
