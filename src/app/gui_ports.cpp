#include "app/gui_ports.h"

#include "link/qt/qt_serial_port.h"
#include "sim/virtual_robot.h"

namespace kavrin::app {

ui::TLinkSetup GuiLinkSetup() {
    sim::SharedRobot()->SetRealTime(true);
    return ui::TLinkSetup{.openPort = sim::WithVirtualRobot(link::OpenQtSerialPort),
                          .enumerate = link::EnumeratePorts,
                          .timings = {}};
}

}  // namespace kavrin::app
