#include "ui/qt_texts.h"

#include <QCoreApplication>

#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

struct TQtText {
    std::string_view context;
    std::string_view source;
    int number;
};

// The texts as Qt 6 asks for them. Tool tips and their buttons share a number: one word is
// enough for a beginner.
constexpr TQtText kQtTexts[] = {
    {"QPlatformTheme", "OK", 550},
    {"QPlatformTheme", "&Yes", 551},
    {"QPlatformTheme", "&No", 552},
    {"QPlatformTheme", "Cancel", 553},
    {"QPlatformTheme", "Open", 554},
    {"QFileDialog", "&Open", 554},
    {"QPlatformTheme", "Save", 555},
    {"QFileDialog", "&Save", 555},
    {"QFileDialog", "Look in:", 556},
    {"QFileDialog", "File &name:", 557},
    {"QFileDialog", "Files of type:", 558},
    {"QFileDialog", "Back", 559},
    {"QFileDialog", "Go back", 559},
    {"QFileDialog", "Forward", 560},
    {"QFileDialog", "Go forward", 560},
    {"QFileDialog", "Parent Directory", 561},
    {"QFileDialog", "Go to the parent directory", 561},
    {"QFileDialog", "Create New Folder", 562},
    {"QFileDialog", "Create a New Folder", 562},
    {"QFileDialog", "List View", 563},
    {"QFileDialog", "Change to list view mode", 563},
    {"QFileDialog", "Detail View", 564},
    {"QFileDialog", "Change to detail view mode", 564},
    {"QFileDialog", "Sidebar", 565},
    {"QFileDialog", "List of places and bookmarks", 565},
    {"QFileDialog", "Files", 566},
    {"QFileSystemModel", "Computer", 567},
    {"QFileSystemModel", "My Computer", 567},
    {"QAbstractFileIconProvider", "Drive", 568},
    {"QAbstractFileIconProvider", "Folder", 569},
    {"QFileSystemModel", "Name", 570},
    {"QFileSystemModel", "Size", 571},
    {"QFileSystemModel", "Type", 572},
    {"QFileSystemModel", "Date Modified", 573},
    {"QFileDialog", "All Files (*)", 574},
    {"QFileDialog", "Show ", 575},
    {"QFileDialog", "&Rename", 576},
    {"QFileDialog", "&Delete", 577},
    {"QFileDialog", "Show &hidden files", 578},
    {"QFileDialog", "&New Folder", 579},
    {"QFileDialog", "%1 already exists.\nDo you want to replace it?", 580},
    {"QFileDialog", "%1\nFile not found.\nPlease verify the correct file name was given.", 581},
    {"QFileDialog", "%1\nDirectory not found.\nPlease verify the correct directory name was given.",
     582},
    {"QAbstractFileIconProvider", "%1 File", 583},
    {"QAbstractFileIconProvider", "File", 584},
    {"QFileDialog", "Are you sure you want to delete '%1'?", 585},
    {"QFileDialog", "'%1' is write protected.\nDo you want to delete it anyway?", 586},
    {"QFileDialog", "Could not delete directory.", 587},
    {"QFileDialog", "Recent Places", 588},
    {"QFileDialog", "New Folder", 562},
    {"QLineEdit", "&Undo", 589},
    {"QLineEdit", "&Redo", 590},
    {"QLineEdit", "Cu&t", 591},
    {"QLineEdit", "&Copy", 592},
    {"QLineEdit", "&Paste", 593},
    {"QLineEdit", "Delete", 594},
    {"QLineEdit", "Select All", 595},
    {"QWidgetTextControl", "&Undo", 589},
    {"QWidgetTextControl", "&Redo", 590},
    {"QWidgetTextControl", "Cu&t", 591},
    {"QWidgetTextControl", "&Copy", 592},
    {"QWidgetTextControl", "&Paste", 593},
    {"QWidgetTextControl", "Delete", 594},
    {"QWidgetTextControl", "Select All", 595},
    {"QAbstractSpinBox", "&Select All", 595},
    {"QAbstractSpinBox", "&Step up", 596},
    {"QAbstractSpinBox", "Step &down", 597},
};

}  // namespace

int QtTextNumber(std::string_view context, std::string_view source) {
    for (const TQtText& text : kQtTexts) {
        if (text.context == context && text.source == source) {
            return text.number;
        }
    }
    return 0;
}

QString TQtTexts::translate(const char* context, const char* sourceText, const char*, int) const {
    if (context == nullptr || sourceText == nullptr) {
        return {};
    }
    const int number = QtTextNumber(context, sourceText);
    return number != 0 ? UiString(number) : QString();
}

void InstallQtTexts() {
    static TQtTexts* installed = nullptr;
    if (installed == nullptr) {
        installed = new TQtTexts(QCoreApplication::instance());
        QCoreApplication::installTranslator(installed);
    }
}

}  // namespace kavrin::ui
