// What a screen reader gets of the windows, read as it reads them: through Qt's accessibility
// interfaces. Names, roles and the lists' rows in both languages, the events an edit raises, and
// no control without a name in any window.

#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "language_scope.h"
#include "resources/ui_strings.h"
#include "ui/accessibility.h"
#include "ui/action_grid.h"
#include "ui/action_palette.h"
#include "ui/action_widget.h"
#include "ui/main_window.h"
#include "ui/progress_window.h"
#include "ui/run_controller.h"
#include "ui/simulator_window.h"
#include "ui/skin_buttons.h"
#include "ui/spin_edit.h"
#include "ui/test_window.h"
#include "ui/ui_text.h"
#include "ui/window_face.h"

namespace kavrin::ui {
namespace {

namespace str = resources::str;
using resources::TLanguage;

QAccessibleInterface* Iface(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}
QString Name(QAccessibleInterface* iface) {
    return iface ? iface->text(QAccessible::Name) : QString();
}

std::unique_ptr<TMainForm> Open(model::TMode mode) {
    auto window = std::make_unique<TMainForm>();
    window->BuildForMode(mode);
    window->show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    window->Face()->FinishUncovering();
    return window;
}

// The events the windows send, seen through their hook: Qt hands events to a screen reader only
// while one listens, which it never does on the offscreen platform.
struct TEvent {
    QAccessible::Event type;
    QObject* object;
    QString name;                    // of the interface the event is about
    QString value;                   // a value change's
    int change = -1, firstRow = -1;  // a table model change's
};
class TEventLog {
public:
    TEventLog() {
        SetAnnounceHook([this](QAccessibleEvent& event) {
            TEvent e{event.type(), event.object(), Name(event.accessibleInterface()), {}};
            if (event.type() == QAccessible::ValueChanged) {
                e.value = static_cast<QAccessibleValueChangeEvent&>(event).value().toString();
            } else if (event.type() == QAccessible::TableModelChanged) {
                const auto& model = static_cast<QAccessibleTableModelChangeEvent&>(event);
                e.change = model.modelChangeType();
                e.firstRow = model.firstRow();
            }
            events.push_back(e);
        });
    }
    ~TEventLog() { SetAnnounceHook({}); }
    bool Has(QAccessible::Event type, const QString& name) const {
        return std::ranges::any_of(
            events, [&](const TEvent& e) { return e.type == type && e.name == name; });
    }
    bool HasModelChange(int change, int firstRow) const {
        return std::ranges::any_of(events, [&](const TEvent& e) {
            return e.type == QAccessible::TableModelChanged && e.change == change &&
                   e.firstRow == firstRow;
        });
    }
    std::vector<TEvent> events;
};

TEST(Accessibility, SkinButtonsAndTilesAreNamedButtonsInTheWindowsLanguage) {
    for (TLanguage language : resources::kLanguages) {
        const test::TLanguageScope scope(language);
        auto window = Open(model::TMode::Beginner);
        for (int button = sbGo; button <= sbUndo; ++button) {
            QAccessibleInterface* iface =
                Iface(window->Buttons()->Image(button, TSkinButtons::bsNormal));
            EXPECT_EQ(iface->role(), QAccessible::Button);
            const int caption = button >= sbDelete ? str::kFirstEditCaption + button - sbDelete
                                                   : str::kFirstCommandCaption + button - sbGo;
            EXPECT_EQ(Name(iface), UiString(caption));
            EXPECT_FALSE(iface->text(QAccessible::Description).isEmpty());
            // The overlay over it is no second, unnamed picture.
            EXPECT_EQ(Iface(window->Buttons()->Image(button, TSkinButtons::bsOverlay))->role(),
                      QAccessible::Client);
        }
        // Delete is unavailable in an empty list; the reader's press on a tile inserts it.
        EXPECT_TRUE(
            Iface(window->Buttons()->Image(sbDelete, TSkinButtons::bsNormal))->state().disabled);
        TSkinImage* tile = window->Palette()->Tiles()[2];  // turn left
        QAccessibleInterface* iface = Iface(tile);
        EXPECT_EQ(iface->role(), QAccessible::Button);
        EXPECT_EQ(Name(iface), UiString(ActionKindName(model::akTurnLeft)));
        EXPECT_EQ(iface->text(QAccessible::Description), tile->toolTip());
        iface->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        EXPECT_EQ(window->Document()->Count(model::kMainList), 1);
    }
}

TEST(Accessibility, TheListsReadTheirRowsAsStepsInBothLanguages) {
    struct TCase {
        TLanguage language;
        const char* main;
        const char* step;
        const char* goBack;
        const char* advanced;
    };
    const TCase cases[] = {
        {TLanguage::English, "Actions to run", "Step 1 of 2: Turn left, 0.8 seconds",
         "Step 2 of 2: Go back to step 1",
         "Step 1 of 1: Move forward, 1.2 seconds; Both: All, "
         "Left: All, Right: All"},
        {TLanguage::Greek, "Ενέργειες που θα εκτελεστούν",
         "Βήμα 1 από 2: Στροφή αριστερά, 0.8 δευτερόλεπτα",
         "Βήμα 2 από 2: Ελιγμός προς τα πίσω στο βήμα 1",
         "Βήμα 1 από 1: Κίνηση εμπρός, 1.2 δευτερόλεπτα· Μαζί: Όλες, Αριστερά: Όλες, Δεξιά: Όλες"},
    };
    for (const TCase& c : cases) {
        const test::TLanguageScope scope(c.language);
        auto window = Open(model::TMode::Beginner);
        TActionGrid* grid = window->Grid(model::kMainList);
        ASSERT_TRUE(grid->DropActionAt({1, 200}, model::akTurnLeft));
        ASSERT_TRUE(grid->DropActionAt({1, 200}, model::akGoBack));
        window->Document()->SetStepValue(model::kMainList, 1, 8);
        grid->Refresh();
        QAccessibleInterface* list = Iface(grid);
        EXPECT_EQ(list->role(), QAccessible::List);
        EXPECT_EQ(Name(list), QString::fromUtf8(c.main));
        ASSERT_NE(list->tableInterface(), nullptr);
        ASSERT_EQ(list->tableInterface()->rowCount(), 3);  // and the empty row
        QAccessibleInterface* first = list->tableInterface()->cellAt(0, 0);
        EXPECT_EQ(first->role(), QAccessible::ListItem);
        EXPECT_EQ(Name(first), QString::fromUtf8(c.step).replace(
                                   QLatin1Char('.'), SystemNumberChars().decimalSeparator));
        EXPECT_EQ(Name(list->child(1)), QString::fromUtf8(c.goBack));
        EXPECT_EQ(Name(list->child(2)), UiString(str::kSpokenAppendRow));
        EXPECT_EQ(list->indexOfChild(first), 0);
        EXPECT_EQ(first->parent(), list);
        // The value's edit is read with its step.
        EXPECT_EQ(grid->Widgets()[0]->SpinEdit()->Edit()->accessibleName(), Name(first));

        auto advanced = Open(model::TMode::Advanced);
        TActionGrid* main = advanced->Grid(model::kMainList);
        ASSERT_TRUE(main->DropActionAt({1, 200}, model::akForward));
        EXPECT_EQ(Name(Iface(main)->child(0)),
                  QString::fromUtf8(c.advanced)
                      .replace(QLatin1Char('.'), SystemNumberChars().decimalSeparator));
        EXPECT_EQ(Name(Iface(advanced->Grid(model::kSensorSetAll))),
                  UiString(str::kSpokenSensorList).arg(UiString(str::kFirstSensorSet)));
    }
}

TEST(Accessibility, EditsAndTheHelpAreaTellTheReader) {
    TEventLog log;  // before the window: the lists keep what a reader was told
    auto window = Open(model::TMode::Beginner);
    TActionGrid* grid = window->Grid(model::kMainList);
    grid->setFocus();
    ASSERT_TRUE(grid->InsertAtSelection(model::akForward));
    ASSERT_TRUE(grid->InsertAtSelection(model::akBackward));  // before the first
    EXPECT_TRUE(log.HasModelChange(QAccessibleTableModelChangeEvent::RowsInserted, 0));
    // The chosen row is the one the reader is at; a longer step is read anew, and so are both
    // rows of a move.
    grid->ChooseRow(2);
    EXPECT_TRUE(log.Has(QAccessible::Focus, grid->RowText(2)));
    QTest::keyClick(grid, Qt::Key_Plus);
    EXPECT_TRUE(log.Has(QAccessible::NameChanged, grid->RowText(2)));
    log.events.clear();
    QTest::keyClick(grid, Qt::Key_Up, Qt::ControlModifier);
    EXPECT_TRUE(log.Has(QAccessible::NameChanged, grid->RowText(1)));
    EXPECT_TRUE(log.Has(QAccessible::NameChanged, grid->RowText(2)));
    QTest::keyClick(grid, Qt::Key_Delete);
    ASSERT_EQ(window->Document()->Count(model::kMainList), 1);
    EXPECT_TRUE(log.HasModelChange(QAccessibleTableModelChangeEvent::RowsRemoved, 0));

    // The help area: named, its text its description and value, a new text told.
    QPlainTextEdit* help = window->HelpMemo();
    EXPECT_EQ(Name(Iface(help)), UiString(str::kSpokenHelpArea));
    QTest::mouseMove(window->HyperHelp(), window->HyperHelp()->rect().center());
    ASSERT_EQ(help->toPlainText(), UiString(str::kHelpHyperHelp));
    EXPECT_EQ(Iface(help)->text(QAccessible::Description), help->toPlainText());
    EXPECT_TRUE(std::ranges::any_of(log.events, [&](const TEvent& e) {
        return e.type == QAccessible::ValueChanged && e.object == help &&
               e.value == help->toPlainText();
    }));
}

// The controls of a window a reader cannot name: each one that takes the keyboard, every item
// of the lists and every skin button shown.
std::string Unnamed(QWidget& window, const TSkinButtons* buttons = nullptr) {
    QStringList unnamed;
    const auto check = [&](QAccessibleInterface* iface, const QString& what) {
        if (iface != nullptr && Name(iface).trimmed().isEmpty()) {
            unnamed.append(what);
        }
    };
    for (QWidget* widget : window.findChildren<QWidget*>()) {
        // (A spin box's own edit is no control of its own to a reader: Qt leaves it out.)
        if (widget->isVisibleTo(&window) && widget->focusPolicy() != Qt::NoFocus &&
            widget->objectName() != QLatin1String("qt_spinbox_lineedit")) {
            check(Iface(widget), QString::fromLatin1(widget->metaObject()->className()) +
                                     QLatin1Char(' ') + widget->objectName());
        }
    }
    for (TActionGrid* grid : window.findChildren<TActionGrid*>()) {
        for (int i = 0; i < Iface(grid)->tableInterface()->rowCount(); ++i) {
            check(Iface(grid)->child(i), QStringLiteral("row %1").arg(i + 1));
        }
    }
    for (int button = sbGo; buttons != nullptr && button <= sbUndo; ++button) {
        if (buttons->Image(button, TSkinButtons::bsNormal)->isVisible()) {
            check(Iface(buttons->Image(button, TSkinButtons::bsNormal)),
                  QStringLiteral("skin button %1").arg(button));
        }
    }
    return unnamed.join(QStringLiteral("; ")).toStdString();
}

TEST(Accessibility, NoControlOfAnyWindowIsWithoutAName) {
    for (model::TMode mode : {model::TMode::Beginner, model::TMode::Advanced}) {
        auto window = Open(mode);
        ASSERT_TRUE(window->Grid(model::kMainList)->InsertAtSelection(model::akForward));
        EXPECT_EQ(Unnamed(*window, window->Buttons()), "") << int(mode);
    }
    TSimulatorForm simulator;
    TProgressForm progress;
    TRunController run{progress,
                       TLinkSetup{[](std::string_view) {
                                      return link::OpenResult{nullptr, link::OpenError::NoSuchPort};
                                  },
                                  [](std::vector<std::string>& list) { list.clear(); }}};
    model::TActionDocument document;
    TTestForm test{document, run};
    for (QWidget* other : std::initializer_list<QWidget*>{&simulator, &progress, &test}) {
        other->show();
        EXPECT_EQ(Unnamed(*other), "") << other->metaObject()->className();
    }
}

}  // namespace
}  // namespace kavrin::ui
