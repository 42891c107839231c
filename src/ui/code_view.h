#pragma once
// The code view: shows the program text, lets the user read and edit it, and points at the line
// of a tokenizer error. It lives for the whole run and keeps its text between showings.

#include <QDialog>

#include "codegen/program_text.h"

class QLabel;
class QPushButton;

namespace kavrin::ui {

class TCodeEditor;
class TVelicHighlighter;

class TCodeForm : public QDialog {
    Q_OBJECT

public:
    static constexpr int kWidth = 798;
    static constexpr int kHeight = 617;
    static constexpr int kMargin = 10;
    static constexpr int kBottomPanelHeight = 47;
    static constexpr int kButtonWidth = 75;
    static constexpr int kButtonHeight = 25;
    static constexpr int kButtonTop = 14;

    explicit TCodeForm(QWidget* parent = nullptr);

    // Shows the lines of text; any error shown before is cleared.
    void SetProgramText(const codegen::TProgramText& text);
    // The text as it stands now, edits included, as the tokenizer will take it.
    codegen::TProgramText ProgramText() const;

    // Selects the span of a tokenizer error (a position and length in the whole text, whose
    // line breaks count two characters) and shows the message above the Close button. A span of
    // length 0 selects its line.
    void ShowTokenizerError(int position, int length, const QString& message);
    // The message shown, or an empty string.
    QString ErrorMessage() const;

    TCodeEditor* Editor() const { return editor_; }
    QPushButton* CloseButton() const { return closeButton_; }
    // Asks for the program sheet (Ctrl+P too); the main window answers.
    QPushButton* SheetButton() const { return sheetButton_; }
    QWidget* BottomPanel() const { return bottomPanel_; }

Q_SIGNALS:
    void SheetRequested();

public Q_SLOTS:
    // Escape and Close both end the view with the same result.
    void reject() override { accept(); }

private:
    void ClearError();

    TCodeEditor* editor_ = nullptr;
    TVelicHighlighter* highlighter_ = nullptr;
    QLabel* errorLabel_ = nullptr;
    QWidget* bottomPanel_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QPushButton* sheetButton_ = nullptr;
};

}  // namespace kavrin::ui
