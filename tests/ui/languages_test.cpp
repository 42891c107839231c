// Every window Kavrin opens, in each language: the start window, the main window in both modes,
// the code view, the servo test window, the progress window scanning and asking, the simulator at
// work, a class's results, the message boxes and the file dialogs. Every word a window shows must
// come from that language's string table: no English in the Greek windows, no Greek in the
// English ones, Qt's own buttons and dialogs included.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QMovie>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QSet>
#include <QSettings>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "language_scope.h"
#include "link/port_list.h"
#include "model/kvn_file.h"
#include "model/recovery.h"
#include "resources/resources.h"
#include "resources/ui_strings.h"
#include "ui/action_grid.h"
#include "ui/code_editor.h"
#include "ui/main_dialogs.h"
#include "ui/main_window.h"
#include "ui/port_box.h"
#include "ui/qt_texts.h"
#include "ui/recovery_offer.h"
#include "ui/screenshots.h"
#include "ui/skin.h"
#include "ui/ui_text.h"
#include "ui/window_face.h"

namespace kavrin::ui {
namespace {

using resources::TLanguage;

// The words of a text: its runs of letters, case folded ("ΑΥΤΟΜΑΤΑ" is the table's "Αυτόματα").
QStringList Words(const QString& text) {
    static const QRegularExpression kLetters(QStringLiteral("\\p{L}+"));
    QStringList words;
    for (auto match = kLetters.globalMatch(text); match.hasNext();) {
        words.append(match.next().captured().toCaseFolded());
    }
    return words;
}

bool IsGreek(QChar c) {
    return (c.unicode() >= 0x370 && c.unicode() <= 0x3FF) ||
           (c.unicode() >= 0x1F00 && c.unicode() <= 0x1FFF);
}

// What the user reads of a text: accelerator marks and a menu entry's shortcut keys are no words.
QString Readable(QString text) {
    text = text.section(QLatin1Char('\t'), 0, 0);
    text.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
    text.remove(QLatin1Char('&'));
    text.replace(QStringLiteral("\x01"), QStringLiteral("&"));
    return text;
}

// The words one language's table gives, and the data the windows show beside them: the virtual
// robot's port name, the "v" before a version ("Kavrin v1.3", a module's "v1.0"), and the motion
// program's command letters that the simulator's robot panel shows before their words
// ("L (turn left)").
QSet<QString> AllowedWords(TLanguage language) {
    QSet<QString> words{QString::fromLatin1(link::kVirtualPortName).toCaseFolded(),
                        QStringLiteral("v")};
    for (const QChar letter : QStringLiteral("fblreishg")) {
        words.insert(QString(letter));
    }
    for (int id : resources::ownIds(resources::kStringType, TLanguage::Greek)) {
        for (const QString& word :
             Words(Readable(FromCore(resources::GetUIString(id, language))))) {
            words.insert(word);
        }
    }
    return words;
}

struct TShown {
    QString where;
    QString text;
};

// Widgets whose contents are the user's data, not Kavrin's words: the program text, what a file
// dialog lists of the file system (the folder, the places, the files, the name typed) and the
// folder of a class's results.
bool ShowsData(const QWidget* widget) {
    static const QStringList kFileDialogData{
        QStringLiteral("lookInCombo"),  QStringLiteral("sidebar"),
        QStringLiteral("listView"),     QStringLiteral("treeView"),
        QStringLiteral("fileNameEdit"), QStringLiteral("classFolder")};
    return qobject_cast<const TCodeEditor*>(widget) != nullptr ||
           kFileDialogData.contains(widget->objectName());
}

class TCollector {
public:
    explicit TCollector(std::vector<TShown>& out) : out_(out) {}

    void Window(QWidget* window, const QString& name) {
        top_ = window;
        name_ = name;
        Add(QStringLiteral("title"), window->windowTitle());
        Walk(window);
    }

private:
    void Add(const QString& where, const QString& text) {
        if (!text.trimmed().isEmpty()) {
            out_.push_back({name_ + QStringLiteral(": ") + where, Readable(text)});
        }
    }

    void Walk(QWidget* widget) {
        if (widget != top_ && !widget->isVisibleTo(top_)) {
            return;
        }
        const QString kind = QString::fromLatin1(widget->metaObject()->className()) +
                             QLatin1Char(' ') + widget->objectName();
        Add(kind + QStringLiteral(" tool tip"), widget->toolTip());
        if (!ShowsData(widget)) {
            Contents(widget, kind);
        }
        for (QObject* child : widget->children()) {
            if (auto* w = qobject_cast<QWidget*>(child); w != nullptr && !w->isWindow()) {
                Walk(w);
            }
        }
    }

    void Contents(QWidget* widget, const QString& kind) {
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            Add(kind, QTextDocumentFragment::fromHtml(label->text()).toPlainText());
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            Add(kind, button->text());
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            Add(kind, group->title());
        } else if (auto* combo = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < combo->count(); ++i) Add(kind, combo->itemText(i));
        } else if (auto* tabs = qobject_cast<QTabBar*>(widget)) {
            for (int i = 0; i < tabs->count(); ++i) {
                Add(kind, tabs->tabText(i));
                Add(kind, tabs->tabToolTip(i));
            }
        } else if (auto* bar = qobject_cast<QProgressBar*>(widget)) {
            Add(kind, bar->text());
        } else if (auto* grid = qobject_cast<TActionGrid*>(widget)) {
            for (int row = 0; row <= grid->VisibleStepRows(); ++row) {
                for (int column = 0; column < grid->ColumnCount(); ++column) {
                    Add(kind, grid->CellText(row, column));
                }
            }
        }
        Editable(widget, kind);
        if (auto* header = qobject_cast<QHeaderView*>(widget); header && header->model()) {
            for (int i = 0; i < header->count(); ++i) {
                Add(kind, header->model()->headerData(i, header->orientation()).toString());
            }
        } else if (auto* view = qobject_cast<QAbstractItemView*>(widget); view && view->model()) {
            // A table's columns of file names are the user's data (the view's "dataColumns").
            Items(*view->model(), kind, view->property("dataColumns").value<QList<int>>());
        }
    }

    // A text field's text, its placeholder and the menu its right button opens.
    void Editable(QWidget* widget, const QString& kind) {
        std::unique_ptr<QMenu> menu;
        if (auto* line = qobject_cast<QLineEdit*>(widget)) {
            Add(kind, line->text());
            Add(kind, line->placeholderText());
            menu.reset(line->createStandardContextMenu());
        } else if (auto* text = qobject_cast<QPlainTextEdit*>(widget)) {
            Add(kind, text->toPlainText());
            Add(kind, text->placeholderText());
            menu.reset(text->createStandardContextMenu());
        }
        if (menu) {
            for (const QAction* action : menu->actions())
                Add(kind + QStringLiteral(" menu"), action->text());
        }
    }

    void Items(const QAbstractItemModel& model, const QString& kind, const QList<int>& data) {
        for (int c = 0; c < model.columnCount(); ++c) {
            Add(kind + QStringLiteral(" heading"), model.headerData(c, Qt::Horizontal).toString());
        }
        for (int r = 0; r < model.rowCount(); ++r) {
            for (int c = 0; c < model.columnCount(); ++c) {
                if (data.contains(c)) {
                    continue;
                }
                Add(kind, model.index(r, c).data().toString());
                Add(kind, model.index(r, c).data(Qt::ToolTipRole).toString());
            }
        }
    }

    std::vector<TShown>& out_;
    QWidget* top_ = nullptr;
    QString name_;
};

class Languages : public ::testing::TestWithParam<TLanguage> {
protected:
    static void SetUpTestSuite() { InstallQtTexts(); }

    void SetUp() override { allowed_ = AllowedWords(GetParam()); }

    // Shows the window as the user meets it and takes in what it shows.
    void Look(QWidget& window, const QString& name) {
        window.show();
        QApplication::processEvents();
        TCollector(shown_).Window(&window, name);
    }

    // Every text found, against the language's table and script.
    void Check() {
        ASSERT_FALSE(shown_.empty());
        for (const TShown& shown : shown_) {
            const std::string where = shown.where.toStdString() + ": " + shown.text.toStdString();
            if (GetParam() == TLanguage::English) {
                EXPECT_FALSE(std::any_of(shown.text.begin(), shown.text.end(), IsGreek))
                    << "Greek in the English windows at " << where;
            }
            for (const QString& word : Words(shown.text)) {
                const bool latin = !IsGreek(word.front());
                if (GetParam() == TLanguage::Greek && latin) {
                    EXPECT_TRUE(allowed_.contains(word))
                        << "a Latin word \"" << word.toStdString() << "\" at " << where;
                } else {
                    EXPECT_TRUE(allowed_.contains(word))
                        << "\"" << word.toStdString() << "\" is not from the table, at " << where;
                }
            }
        }
    }

    test::TLanguageScope language_{GetParam()};
    QSet<QString> allowed_;
    std::vector<TShown> shown_;
};

// The windows as the pictures show them (screenshots.cpp): a program in the lists, a scan, a
// choice, the simulator running the program in the maze and, beside the main window that marks
// its step, on the open table.
TEST_P(Languages, EveryWindowInItsSampleState) {
    for (const TScreenshot& shot : Screenshots()) {
        const std::unique_ptr<QWidget> window = shot.make();
        Look(*window, shot.fileName);
        window->close();
    }
    Check();
}

// The main window as a run starts it: settings read, ports listed, help area opened; its skin's
// pictures are the language's own.
TEST_P(Languages, TheMainWindowAsShownAndItsPictures) {
    QTemporaryDir dir;
    QSettings store(dir.filePath(QStringLiteral("settings.ini")), QSettings::IniFormat);
    for (const model::TMode mode : {model::TMode::Beginner, model::TMode::Advanced}) {
        TMainForm window;
        window.SetSettingsStore(&store);
        window.SetPortEnumerator([](std::vector<std::string>& list) { list = {"SIM"}; });
        window.ShowForMode(mode);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.Face()->FinishUncovering();
        Look(window, mode == model::TMode::Beginner ? QStringLiteral("main beginner")
                                                    : QStringLiteral("main advanced"));
        // The port box has the design's fixed width: its entries must show whole, within the
        // field less the pixel Qt's style keeps free on either side of the text.
        TPortBox* ports = window.PortBox();
        QStyleOptionComboBox option;
        option.initFrom(ports);
        const QRect field = ports->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                           QStyle::SC_ComboBoxEditField, ports);
        for (int i = 0; i < ports->count(); ++i) {
            EXPECT_LE(ports->fontMetrics().horizontalAdvance(ports->itemText(i)), field.width() - 2)
                << ports->itemText(i).toStdString();
        }
        // Words that touch their edges get room: a sensor column is as wide as its heading and
        // every set name below it with room to spare, and the check boxes' captions end short of
        // the settings column's edge.
        if (mode == model::TMode::Advanced) {
            const TActionGrid* grid = window.Grid(model::kMainList);
            const QFontMetrics metrics(grid->font());
            for (int column = model::gcBoth; column < grid->ColumnCount(); ++column) {
                int widest = metrics.horizontalAdvance(grid->CellText(0, column));
                for (int set = 0; set < model::kSensorSetCount; ++set) {
                    widest = std::max(widest, metrics.horizontalAdvance(
                                                  UiString(resources::str::kFirstSensorSet + set)));
                }
                EXPECT_GE(grid->ColumnWidth(column), widest + TActionGrid::kLeastHeaderPadding)
                    << grid->CellText(0, column).toStdString();
            }
        }
        for (const QCheckBox* box : window.findChildren<QCheckBox*>()) {
            QStyleOptionButton button;
            button.initFrom(box);
            const QRect room =
                box->style()->subElementRect(QStyle::SE_CheckBoxContents, &button, box);
            EXPECT_LE(box->fontMetrics().horizontalAdvance(box->text()), room.width() - 8)
                << box->text().toStdString();
        }
        // The run button (skin slot 42, "GIF" 222) carries the language's caption.
        const TSkinImage* run = nullptr;
        for (const TSkinImage* image : window.findChildren<TSkinImage*>()) {
            if (image->Slot() == 42) run = image;
        }
        ASSERT_NE(run, nullptr);
        QImage expected;
        const auto gif = resources::findOwn("GIF", 222, GetParam());
        ASSERT_TRUE(expected.loadFromData(gif.data(), static_cast<int>(gif.size()), "GIF"));
        ASSERT_NE(run->Animation(), nullptr);
        EXPECT_EQ(run->Animation()->currentImage().convertToFormat(QImage::Format_RGB32),
                  expected.convertToFormat(QImage::Format_RGB32));
    }
    Check();
}

// The questions and messages of the main window's commands, with Qt's own buttons.
TEST_P(Languages, MessageBoxes) {
    model::TActionProgram program;
    const model::TRecordBytes advanced = model::EncodeRecord(program, model::TMode::Advanced);
    const std::string refused =
        model::DecodeRecord(advanced, model::TMode::Beginner, program).message;
    std::vector<std::unique_ptr<QMessageBox>> boxes;
    boxes.push_back(MakeSaveQuestion(nullptr));
    boxes.push_back(MakeMessageBox(nullptr, QMessageBox::Critical, FromCore(refused)));
    boxes.push_back(
        MakeMessageBox(nullptr, QMessageBox::Information, UiString(resources::str::kRunCancelled)));
    // The tokenizer's reason is the compiler's own numbered message, which stays as it is.
    auto tokenizer = MakeTokenizerErrorBox(nullptr, UiString(resources::str::kTokenizeFailed),
                                           QStringLiteral("111-Undefined label"));
    tokenizer->setInformativeText({});
    boxes.push_back(std::move(tokenizer));
    // The offers of a program left unsaved, unnamed and named (the file's name is data; this
    // one is made of the table's words).
    model::TRecoveryCopy copy;
    copy.written = std::chrono::system_clock::now();
    const QDateTime now = QDateTime::currentDateTime();
    boxes.push_back(MakeRestoreQuestion(nullptr, RecoveryQuestion(copy, now)));
    copy.fileName = "kavrin.kvn";
    boxes.push_back(MakeRestoreQuestion(nullptr, RecoveryQuestion(copy, now)));
    for (const auto& box : boxes) {
        Look(*box, QStringLiteral("message box"));
        EXPECT_EQ(box->windowTitle(), UiString(resources::str::kProgramName));
        box->close();
    }
    Check();
}

TEST_P(Languages, FileDialogs) {
    QTemporaryDir empty;  // no file names to show
    for (const auto mode : {QFileDialog::AcceptOpen, QFileDialog::AcceptSave}) {
        const std::unique_ptr<QFileDialog> dialog = MakeFileDialog(nullptr, mode, empty.path());
        dialog->setOption(QFileDialog::DontUseNativeDialog);  // Qt's own, whatever the platform
        Look(*dialog, mode == QFileDialog::AcceptOpen ? QStringLiteral("open dialog")
                                                      : QStringLiteral("save dialog"));
        dialog->close();
    }
    const std::unique_ptr<QFileDialog> sheet = MakeSheetDialog(nullptr, empty.path(), {});
    sheet->setOption(QFileDialog::DontUseNativeDialog);
    Look(*sheet, QStringLiteral("sheet dialog"));
    sheet->close();
    Check();
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, Languages,
                         ::testing::Values(TLanguage::Greek, TLanguage::English),
                         [](const ::testing::TestParamInfo<TLanguage>& param) {
                             return param.param == TLanguage::Greek ? "Greek" : "English";
                         });

// Qt asks for its own texts by context and source; those Kavrin knows come from the table of the
// current language, any other stays Qt's.
TEST(QtTexts, ComeFromTheCurrentLanguagesTable) {
    InstallQtTexts();
    EXPECT_NE(QtTextNumber("QPlatformTheme", "&Yes"), 0);
    EXPECT_EQ(QtTextNumber("QFileDialog", "Go back"), QtTextNumber("QFileDialog", "Back"));
    EXPECT_EQ(QtTextNumber("QLineEdit", "&Copy"), QtTextNumber("QWidgetTextControl", "&Copy"));
    EXPECT_EQ(QtTextNumber("QFileDialog", "&Yes"), 0);  // the context counts
    for (const TLanguage language : resources::kLanguages) {
        const test::TLanguageScope scope(language);
        const int yes = QtTextNumber("QPlatformTheme", "&Yes");
        EXPECT_GE(yes, resources::str::kFirstQtText);
        EXPECT_LE(yes, resources::str::kLastQtText);
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&Yes"), UiString(yes));
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "Look in:"),
                  UiString(QtTextNumber("QFileDialog", "Look in:")));
        EXPECT_EQ(QCoreApplication::translate("QFileDialog", "no such text"),
                  QStringLiteral("no such text"));
    }
    const test::TLanguageScope greek(TLanguage::Greek);
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "&No"), QStringLiteral("Ό&χι"));
}

// The checker itself: a word from outside the table is caught, in either script.
TEST(LanguageCheck, CatchesWordsFromOutsideTheTable) {
    const QSet<QString> greek = AllowedWords(TLanguage::Greek);
    const QSet<QString> english = AllowedWords(TLanguage::English);
    EXPECT_TRUE(greek.contains(QStringLiteral("αυτόματα")));
    EXPECT_TRUE(greek.contains(QStringLiteral("ακύρωση")));  // "Α&κύρωση" in the table
    EXPECT_TRUE(greek.contains(QStringLiteral("com")));      // the table's own "θύρα COM"
    EXPECT_FALSE(greek.contains(QStringLiteral("close")));
    EXPECT_FALSE(greek.contains(QStringLiteral("download")));
    EXPECT_TRUE(english.contains(QStringLiteral("download")));
    EXPECT_FALSE(english.contains(QStringLiteral("λήψη")));
    EXPECT_EQ(Words(QStringLiteral("&Λήψη 1,2 sec")),
              (QStringList{QStringLiteral("λήψη"), QStringLiteral("sec")}));
    EXPECT_EQ(Readable(QStringLiteral("Cu&t\tCtrl+X")), QStringLiteral("Cut"));
    EXPECT_EQ(Readable(QStringLiteral("A && B")), QStringLiteral("A & B"));
}

}  // namespace
}  // namespace kavrin::ui
