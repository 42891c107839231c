#pragma once
// What a screen reader gets of the windows that Qt cannot tell by itself. The skin's pictures
// are no controls to Qt: a picture marked as a button (the skin buttons, the palette tiles) is a
// push button with a press action and is unavailable while its command is; the other pictures
// are fillers a reader passes over. A list grid is a list of its rows, one item per step and one
// for the empty row at the end, each read as its step ("Step 3 of 7: Turn left, 0.8 seconds").
// The grids tell the reader when rows come, go or change, and which one is chosen.

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

#include "model/action_program.h"

class QAccessibleEvent;
class QWidget;

namespace kavrin::ui {

class TActionGrid;

// Registers the interfaces with Qt's accessibility; once is enough, more calls do nothing.
void InstallAccessibility();

// Tells a screen reader of an event (Qt drops it while none listens) and hands it to the hook,
// which tests set to see the events on a platform without a reader (offscreen); none: no hook.
void Announce(QAccessibleEvent& event);
void SetAnnounceHook(std::function<void(QAccessibleEvent&)> hook);
// Whether a reader or the hook listens.
bool Listening();

// Makes a picture a push button for a screen reader: its press action calls press, and it is
// unavailable while available says so (none: always available). Its name and description are
// the widget's accessible ones.
void MarkPictureButton(QWidget& picture, std::function<void()> press,
                       std::function<bool()> available = {});

// The words of a grid's row: steps 1 to count, and count + 1 the empty row. sensorColumns adds
// the sets in the Both, Left and Right columns. The same words as the kinds' names and the
// value in the user's number format.
QString SpokenRow(int row, int count, const model::TBotAction& step, bool sensorColumns);

// A grid's rows as last told to a screen reader.
struct TSpokenRows {
    std::vector<model::TBotAction> steps;
    std::vector<QString> texts;  // rows 1 to count + 1
    int current = 0;             // the chosen row
    bool focused = false;        // the grid has the keyboard
    friend bool operator==(const TSpokenRows&, const TSpokenRows&) = default;
};

TSpokenRows SpokenRowsOf(const TActionGrid& grid);

// Tells a screen reader what changed from before to now: rows inserted or removed (a table
// model change), rows whose words changed (a name change of their items), and the chosen row
// while the grid has the keyboard (a focus event on its item).
void AnnounceRows(TActionGrid& grid, const TSpokenRows& before, const TSpokenRows& now);

}  // namespace kavrin::ui
