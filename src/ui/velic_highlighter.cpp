#include "ui/velic_highlighter.h"

#include <QColor>

#include "tokenizer/word_classes.h"

namespace kavrin::ui {

namespace {

bool IsNameStart(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '_';
}

bool IsNameChar(QChar c) { return IsNameStart(c) || (c.unicode() >= '0' && c.unicode() <= '9'); }

bool IsDigitOf(QChar c, int base) {
    const char16_t u = c.unicode();
    if (base == 2) return u == '0' || u == '1';
    if (base == 16)
        return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
    return u >= '0' && u <= '9';
}

int NameEnd(const QString& line, int from) {
    while (from < line.size() && IsNameChar(line[from])) ++from;
    return from;
}

// The class of a reserved word, or -1 for a name of the program.
int WordClass(const QString& word) {
    const QByteArray ascii = word.toLatin1();
    switch (tokenizer::ClassifyWord(
        std::string_view(ascii.constData(), static_cast<std::size_t>(ascii.size())))) {
        case tokenizer::TWordClass::Instruction:
            return static_cast<int>(TCodeClass::Instruction);
        case tokenizer::TWordClass::Declaration:
            return static_cast<int>(TCodeClass::Declaration);
        case tokenizer::TWordClass::Operator:
            return static_cast<int>(TCodeClass::Operator);
        case tokenizer::TWordClass::Predefined:
            return static_cast<int>(TCodeClass::Predefined);
        case tokenizer::TWordClass::Directive:
            return static_cast<int>(TCodeClass::Directive);
        case tokenizer::TWordClass::None:
            break;
    }
    return -1;
}

// A comment, with the editor directives ("{$KORBLE KR2}") inside it marked as directives.
void AddComment(const QString& line, int start, std::vector<TCodeSpan>& spans) {
    int pos = start;
    for (;;) {
        const int open = static_cast<int>(line.indexOf(QStringLiteral("{$"), pos));
        const int close = open < 0 ? -1 : static_cast<int>(line.indexOf(QLatin1Char('}'), open));
        if (close < 0) break;
        if (open > pos) spans.push_back({pos, open - pos, TCodeClass::Comment});
        spans.push_back({open, close + 1 - open, TCodeClass::Directive});
        pos = close + 1;
    }
    if (pos < line.size())
        spans.push_back({pos, static_cast<int>(line.size()) - pos, TCodeClass::Comment});
}

}  // namespace

std::vector<TCodeSpan> ClassifyLine(const QString& line) {
    std::vector<TCodeSpan> spans;
    const int length = static_cast<int>(line.size());
    for (int pos = 0; pos < length;) {
        const QChar c = line[pos];
        const int start = pos;
        if (c == QLatin1Char('\'')) {
            AddComment(line, pos, spans);
            break;
        }
        if (c == QLatin1Char('"')) {
            const int close = static_cast<int>(line.indexOf(QLatin1Char('"'), pos + 1));
            pos = close < 0 ? length : close + 1;
            spans.push_back({start, pos - start, TCodeClass::String});
        } else if ((c == QLatin1Char('$') || c == QLatin1Char('#')) && pos + 1 < length &&
                   IsNameStart(line[pos + 1])) {
            // $KORBLE, #IF; otherwise $ starts a hexadecimal number such as $FF.
            const int end = NameEnd(line, pos + 1);
            const int kind = WordClass(line.mid(start, end - start));
            if (kind >= 0) {
                spans.push_back({start, end - start, static_cast<TCodeClass>(kind)});
                pos = end;
            } else if (c == QLatin1Char('$')) {
                ++pos;
                while (pos < length && IsDigitOf(line[pos], 16)) ++pos;
                spans.push_back({start, pos - start, TCodeClass::Number});
                pos = NameEnd(line, pos);
            } else {
                pos = end;
            }
        } else if ((c == QLatin1Char('$') || c == QLatin1Char('%')) && pos + 1 < length &&
                   IsDigitOf(line[pos + 1], c == QLatin1Char('$') ? 16 : 2)) {
            const int base = c == QLatin1Char('$') ? 16 : 2;
            ++pos;
            while (pos < length && IsDigitOf(line[pos], base)) ++pos;
            spans.push_back({start, pos - start, TCodeClass::Number});
        } else if (IsDigitOf(c, 10)) {
            while (pos < length && IsDigitOf(line[pos], 10)) ++pos;
            spans.push_back({start, pos - start, TCodeClass::Number});
        } else if (IsNameStart(c)) {
            pos = NameEnd(line, pos);
            const int kind = WordClass(line.mid(start, pos - start));
            if (kind >= 0) spans.push_back({start, pos - start, static_cast<TCodeClass>(kind)});
        } else {
            ++pos;
        }
    }
    return spans;
}

TVelicHighlighter::TVelicHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
    auto set = [this](TCodeClass kind, QColor colour, bool bold = false, bool italic = false) {
        QTextCharFormat& f = formats_[static_cast<std::size_t>(kind)];
        f.setForeground(colour);
        if (bold) f.setFontWeight(QFont::Bold);
        f.setFontItalic(italic);
    };
    set(TCodeClass::Instruction, QColor(0x00, 0x33, 0x99), true);
    set(TCodeClass::Declaration, QColor(0x80, 0x00, 0x80), true);
    set(TCodeClass::Operator, QColor(0x00, 0x33, 0x99));
    set(TCodeClass::Predefined, QColor(0x00, 0x66, 0x66));
    set(TCodeClass::Directive, QColor(0xa0, 0x40, 0x00), true);
    set(TCodeClass::Comment, QColor(0x20, 0x80, 0x20), false, true);
    set(TCodeClass::String, QColor(0xa0, 0x10, 0x10));
    set(TCodeClass::Number, QColor(0xa0, 0x10, 0x10));
}

void TVelicHighlighter::highlightBlock(const QString& text) {
    for (const TCodeSpan& span : ClassifyLine(text)) {
        setFormat(span.start, span.length, Format(span.kind));
    }
}

}  // namespace kavrin::ui
