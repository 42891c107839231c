#include "ui/help_texts.h"

#include "model/action_program.h"
#include "model/document.h"

namespace kavrin::ui {

namespace {

constexpr int kHelpRun = 444;              // 444..449: run, clear, test, load, save, quit
constexpr int kHelpEditButtons = 450;      // delete, copy, cut and paste
constexpr int kHelpUndo = 451;
constexpr int kFirstCommandButton = 1;
constexpr int kLastCommandButton = 6;
constexpr int kFirstEditButton = 7;
constexpr int kUndoButton = 11;

constexpr int kHelpMainList = 434;         // step number and action columns
constexpr int kHelpBothColumn = 435;       // 435..437: Both, Left, Right
constexpr int kHelpSensorListAll = 438;
constexpr int kHelpSensorListSet = 439;

}  // namespace

int HelpForButton(int button) {
    if (button >= kFirstCommandButton && button <= kLastCommandButton) {
        return kHelpRun + button - kFirstCommandButton;
    }
    if (button >= kFirstEditButton && button < kUndoButton) {
        return kHelpEditButtons;
    }
    return button == kUndoButton ? kHelpUndo : 0;
}

int HelpForGrid(int list, int column, int sensorTab) {
    if (list != model::kMainList) {
        return HelpForSensorNotebook(sensorTab);
    }
    if (column == model::gcStep || column == model::gcAction) {
        return kHelpMainList;
    }
    if (column >= model::gcBoth && column <= model::gcRight) {
        return kHelpBothColumn + column - model::gcBoth;
    }
    return kHelpBlank;
}

int HelpForSensorNotebook(int sensorTab) {
    return sensorTab == 0 ? kHelpSensorListAll : kHelpSensorListSet;
}

}  // namespace kavrin::ui
