#pragma once
// Qt's own texts in Kavrin's windows (the standard buttons, the file dialogs, the edit menus of
// text fields) in the current language, from the string table. Qt brings no Greek for them here,
// and the English ones come from the table too, so every word a window shows has one source.

#include <QTranslator>

#include <string_view>

namespace kavrin::ui {

// The string number that stands for one of Qt's texts (its translation context and source text),
// or 0 for a text Kavrin does not translate.
int QtTextNumber(std::string_view context, std::string_view source);

class TQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    // The current language's text, or a null string so that Qt keeps its own.
    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override;
    bool isEmpty() const override { return false; }
};

// Installs one TQtTexts on the application for as long as it runs (again: no second one).
void InstallQtTexts();

}  // namespace kavrin::ui
