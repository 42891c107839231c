#include "ui/help_texts.h"

#include "model/action_program.h"
#include "model/document.h"
#include "resources/ui_strings.h"

namespace kavrin::ui {

namespace {

using namespace resources::str;

constexpr int kFirstCommandButton = 1;
constexpr int kLastCommandButton = 6;
constexpr int kFirstEditButton = 7;
constexpr int kUndoButton = 11;

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

int HelpForRefusal(model::TInsertRefusal refusal) {
    switch (refusal) {
        case model::TInsertRefusal::ListFull:
            return kHelpListFull;
        case model::TInsertRefusal::NoGoBackInSensorSet:
            return kHelpNoGoBackInSensorSet;
        case model::TInsertRefusal::None:
        case model::TInsertRefusal::NotAList:
            break;
    }
    return 0;
}

int HelpForListKeys(model::TMode mode) {
    return mode == model::TMode::Advanced ? kHelpListKeysAdvanced : kHelpListKeys;
}

}  // namespace kavrin::ui
