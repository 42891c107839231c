#pragma once
// The ports the application's runs reach: the computer's serial ports through the Qt backend,
// and the virtual robot under "SIM", answering with the timing of a 9,600-baud line so that the
// progress window shows a download as it would go to a real robot.

#include "ui/run_controller.h"

namespace kavrin::app {

ui::TLinkSetup GuiLinkSetup();

}  // namespace kavrin::app
