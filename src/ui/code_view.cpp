#include "ui/code_view.h"

#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QVBoxLayout>

#include <algorithm>

#include "resources/ui_strings.h"
#include "ui/code_editor.h"
#include "ui/ui_text.h"
#include "ui/velic_highlighter.h"
#include "ui/window_place.h"

namespace kavrin::ui {

namespace {

constexpr int kFontPixelHeight = 11;

// The bottom panel keeps the Close button centred whatever its width, and the sheet's button at
// its left, wide enough for its caption.
class TButtonPanel : public QWidget {
public:
    TButtonPanel(QWidget* parent, QPushButton*& close, QPushButton*& sheet) : QWidget(parent) {
        close = new QPushButton(UiString(resources::str::kClose), this);
        close->setGeometry(0, TCodeForm::kButtonTop, TCodeForm::kButtonWidth,
                           TCodeForm::kButtonHeight);
        sheet = new QPushButton(UiString(resources::str::kSheetButton), this);
        sheet->setToolTip(UiString(resources::str::kSheetButtonTip));
        const int width = std::max(TCodeForm::kButtonWidth, sheet->sizeHint().width());
        sheet->setGeometry(TCodeForm::kMargin, TCodeForm::kButtonTop, width,
                           TCodeForm::kButtonHeight);
        close_ = close;
        setFixedHeight(TCodeForm::kBottomPanelHeight);
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        close_->move(width() / 2 - close_->width() / 2, TCodeForm::kButtonTop);
    }

private:
    QPushButton* close_ = nullptr;
};

// The program text's bytes are single-byte characters; Latin-1 carries every byte unchanged.
QString LineToQt(const std::string& line) {
    return QString::fromLatin1(line.data(), static_cast<qsizetype>(line.size()));
}

}  // namespace

TCodeForm::TCodeForm(QWidget* parent) : QDialog(parent) {
    setWindowTitle(UiString(resources::str::kCodeTitle));
    setSizeGripEnabled(true);

    editor_ = new TCodeEditor(this);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPixelSize(kFontPixelHeight);
    editor_->setFont(fixed);
    editor_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    editor_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    highlighter_ = new TVelicHighlighter(editor_->document());

    errorLabel_ = new QLabel(this);
    errorLabel_->setWordWrap(true);
    errorLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    errorLabel_->setStyleSheet(QStringLiteral("color: #a00000;"));
    errorLabel_->hide();

    auto* middle = new QVBoxLayout;
    middle->setContentsMargins(kMargin, kMargin, kMargin, 0);
    middle->setSpacing(4);
    middle->addWidget(editor_, 1);
    middle->addWidget(errorLabel_);

    bottomPanel_ = new TButtonPanel(this, closeButton_, sheetButton_);
    closeButton_->setDefault(true);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(sheetButton_, &QPushButton::clicked, this, &TCodeForm::SheetRequested);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_P), this), &QShortcut::activated, this,
            &TCodeForm::SheetRequested);
    // The editor keeps Enter for line breaks; Ctrl+Enter closes from anywhere.
    for (const QKeyCombination key : {Qt::CTRL | Qt::Key_Return, Qt::CTRL | Qt::Key_Enter}) {
        connect(new QShortcut(QKeySequence(key), this), &QShortcut::activated, this,
                &QDialog::accept);
    }

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addLayout(middle, 1);
    outer->addWidget(bottomPanel_);

    resize(kWidth, kHeight);
    CentreOnScreen(*this);
}

void TCodeForm::SetProgramText(const codegen::TProgramText& text) {
    QStringList lines;
    lines.reserve(text.Count());
    for (int i = 0; i < text.Count(); ++i) {
        lines.append(LineToQt(text.Line(i)));
    }
    editor_->setPlainText(lines.join(QLatin1Char('\n')));
    ClearError();
}

codegen::TProgramText TCodeForm::ProgramText() const {
    codegen::TProgramText text;
    int index = 0;
    for (QTextBlock block = editor_->document()->begin(); block.isValid(); block = block.next()) {
        // A soft line break (Shift+Enter) is a line break of the program too.
        const QStringList parts = block.text().split(QChar::LineSeparator);
        for (const QString& part : parts) {
            const QByteArray bytes = part.toLatin1();
            text.InsertLine(index++,
                            std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())));
        }
    }
    if (text.Count() == 1 && text.Line(0).empty()) {
        text.Clear();  // an empty editor is an empty text, not one empty line
    }
    return text;
}

void TCodeForm::ShowTokenizerError(int position, int length, const QString& message) {
    // Walk the lines with the whole text's offsets: each line break there is CR LF.
    constexpr int kBreakLength = static_cast<int>(codegen::kLineBreak.size());
    QTextBlock block = editor_->document()->begin();
    int lineStart = 0;
    while (block.isValid() && block.next().isValid()) {
        const int nextStart = lineStart + (block.length() - 1) + kBreakLength;
        if (position < nextStart) break;
        lineStart = nextStart;
        block = block.next();
    }
    QTextCursor cursor(editor_->document());
    if (block.isValid()) {
        const int lineLength = block.length() - 1;
        const int column = std::clamp(position - lineStart, 0, lineLength);
        const int end = length > 0 ? std::clamp(column + length, column, lineLength) : lineLength;
        cursor.setPosition(block.position() + (length > 0 ? column : 0));
        cursor.setPosition(block.position() + end, QTextCursor::KeepAnchor);
        errorLabel_->setText(UiString(resources::str::kCodeErrorLine)
                                 .arg(QString::number(block.blockNumber() + 1), message));
    } else {
        errorLabel_->setText(message);
    }
    editor_->setTextCursor(cursor);
    editor_->centerCursor();
    editor_->setFocus();
    errorLabel_->show();
}

QString TCodeForm::ErrorMessage() const {
    return errorLabel_->isHidden() ? QString() : errorLabel_->text();
}

void TCodeForm::ClearError() {
    errorLabel_->clear();
    errorLabel_->hide();
}

}  // namespace kavrin::ui
