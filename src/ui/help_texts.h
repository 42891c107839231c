#pragma once
// Which UI string the main window's help area shows for the thing under the pointer, or for
// the thing the keyboard went to.

#include "model/document.h"

namespace kavrin::ui {

// Skin buttons, numbered by their tag: 1 run, 2 clear, 3 test, 4 load, 5 save, 6 quit,
// 7 delete, 8 copy, 9 cut, 10 paste, 11 undo. 0 for anything else.
int HelpForButton(int button);

// A column of a list grid (-1: outside the columns). sensorTab is the sensor notebook's tab,
// which chooses the text of the sensor lists.
int HelpForGrid(int list, int column, int sensorTab);

// The sensor notebook itself.
int HelpForSensorNotebook(int sensorTab);

// Why a tile did not go into a list (0 for None).
int HelpForRefusal(model::TInsertRefusal refusal);

// The keys of a list that has the keyboard (Advanced mode adds the sensor sets' keys).
int HelpForListKeys(model::TMode mode);

}  // namespace kavrin::ui
