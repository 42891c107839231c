#pragma once
// A plain-text editor for VELIC source with line numbers in a gutter on its left.

#include <QPlainTextEdit>

namespace kavrin::ui {

class TCodeEditor : public QPlainTextEdit {
    Q_OBJECT

public:
    explicit TCodeEditor(QWidget* parent = nullptr);

    int GutterWidth() const;
    // Paints the line numbers of the visible blocks; called by the gutter.
    void PaintGutter(QPaintEvent* event);

protected:
    void resizeEvent(QResizeEvent* event) override;
    // An Alt letter is a window's command key, never text: it goes to the window.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateGutterWidth();
    void UpdateGutter(const QRect& rect, int dy);

    QWidget* gutter_ = nullptr;
};

}  // namespace kavrin::ui
