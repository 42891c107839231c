#include "app/gui_ports.h"

#include "link/system_port.h"
#include "link/user_data.h"
#include "sim/virtual_robot.h"

namespace kavrin::app {

ui::TLinkSetup GuiLinkSetup() {
    sim::SharedRobot()->SetRealTime(true);
    // The robot keeps what it is given across runs, as a real one does.
    sim::SharedRobot()->Program().SetEepromFile(link::VirtualRobotEepromPath());
    return ui::TLinkSetup{.openPort = sim::WithVirtualRobot(link::OpenSystemPort),
                          .enumerate = link::EnumeratePorts,
                          .timings = {}};
}

}  // namespace kavrin::app
