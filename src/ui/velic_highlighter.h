#pragma once
// Colours VELIC source in the code view. The words are classified by the tokenizer's own
// reserved-word tables, so the colours follow what the compiler understands.

#include <QSyntaxHighlighter>
#include <QTextCharFormat>

#include <array>
#include <vector>

namespace kavrin::ui {

enum class TCodeClass : int {
    Instruction,
    Declaration,
    Operator,
    Predefined,
    Directive,
    Comment,
    String,
    Number,
    Count,
};

struct TCodeSpan {
    int start = 0;
    int length = 0;
    TCodeClass kind = TCodeClass::Instruction;

    friend bool operator==(const TCodeSpan&, const TCodeSpan&) = default;
};

// The coloured spans of one line, in order; names of the program and punctuation get none.
std::vector<TCodeSpan> ClassifyLine(const QString& line);

class TVelicHighlighter : public QSyntaxHighlighter {
    Q_OBJECT

public:
    explicit TVelicHighlighter(QTextDocument* document);

    const QTextCharFormat& Format(TCodeClass kind) const {
        return formats_[static_cast<std::size_t>(kind)];
    }

protected:
    void highlightBlock(const QString& text) override;

private:
    std::array<QTextCharFormat, static_cast<std::size_t>(TCodeClass::Count)> formats_;
};

}  // namespace kavrin::ui
