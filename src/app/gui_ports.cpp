#include "app/gui_ports.h"

#include <QtGlobal>

#include "link/system_port.h"
#include "link/user_data.h"
#include "sim/virtual_robot.h"

namespace kavrin::app {

ui::TLinkSetup GuiLinkSetup() {
    sim::SharedRobot()->SetRealTime(true);
    // The robot keeps what it is given across runs, as a real one does.
    sim::ModuleProgram& program = sim::SharedRobot()->Program();
    program.SetEepromFile(link::VirtualRobotEepromPath());
    if (!program.LoadProblem().empty()) {
        qWarning("%s; the virtual robot starts with an empty EEPROM",
                 program.LoadProblem().c_str());
    }
    return ui::TLinkSetup{.openPort = sim::WithVirtualRobot(link::OpenSystemPort),
                          .enumerate = link::EnumeratePorts,
                          .timings = {}};
}

}  // namespace kavrin::app
