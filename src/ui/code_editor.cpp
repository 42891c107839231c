#include "ui/code_editor.h"

#include <QKeyEvent>
#include <QPainter>
#include <QTextBlock>

#include <algorithm>

namespace kavrin::ui {

namespace {

constexpr int kGutterPadding = 4;
constexpr int kMinimumDigits = 3;

class TGutter : public QWidget {
public:
    explicit TGutter(TCodeEditor* editor) : QWidget(editor), editor_(editor) {}
    QSize sizeHint() const override { return {editor_->GutterWidth(), 0}; }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintGutter(event); }

private:
    TCodeEditor* editor_;
};

}  // namespace

TCodeEditor::TCodeEditor(QWidget* parent) : QPlainTextEdit(parent), gutter_(new TGutter(this)) {
    setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(this, &QPlainTextEdit::blockCountChanged, this, [this] { UpdateGutterWidth(); });
    connect(this, &QPlainTextEdit::updateRequest, this,
            [this](const QRect& rect, int dy) { UpdateGutter(rect, dy); });
    connect(this, &QPlainTextEdit::cursorPositionChanged, gutter_, qOverload<>(&QWidget::update));
    UpdateGutterWidth();
}

int TCodeEditor::GutterWidth() const {
    int digits = 1;
    for (int n = blockCount(); n >= 10; n /= 10) ++digits;
    digits = std::max(digits, kMinimumDigits);
    return 2 * kGutterPadding + fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits;
}

void TCodeEditor::UpdateGutterWidth() { setViewportMargins(GutterWidth(), 0, 0, 0); }

void TCodeEditor::UpdateGutter(const QRect& rect, int dy) {
    if (dy != 0) {
        gutter_->scroll(0, dy);
    } else {
        gutter_->update(0, rect.y(), gutter_->width(), rect.height());
    }
    if (rect.contains(viewport()->rect())) {
        UpdateGutterWidth();
    }
}

void TCodeEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect area = contentsRect();
    gutter_->setGeometry(QRect(area.left(), area.top(), GutterWidth(), area.height()));
}

void TCodeEditor::PaintGutter(QPaintEvent* event) {
    QPainter painter(gutter_);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    const int current = textCursor().blockNumber();
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    while (block.isValid() && top <= event->rect().bottom()) {
        const int height = qRound(blockBoundingRect(block).height());
        if (block.isVisible() && top + height >= event->rect().top()) {
            QFont f = font();
            f.setBold(block.blockNumber() == current);
            painter.setFont(f);
            painter.drawText(0, top, gutter_->width() - kGutterPadding, fontMetrics().height(),
                             Qt::AlignRight, QString::number(block.blockNumber() + 1));
        }
        top += height;
        block = block.next();
    }
}

void TCodeEditor::keyPressEvent(QKeyEvent* event) {
    // Ctrl+Alt is AltGr on some keyboards, which does type characters.
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if ((modifiers & Qt::AltModifier) && !(modifiers & Qt::ControlModifier) &&
        !event->text().isEmpty()) {
        event->ignore();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace kavrin::ui
