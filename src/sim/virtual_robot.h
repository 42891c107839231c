#pragma once
// The virtual robot as a serial port: the port named "SIM" that the port list always offers,
// so that every feature works without a robot. Opening it gives a SerialPort whose far end is
// the virtual module; the module and its EEPROM outlive the port, so a download can be
// inspected afterwards.
//
// Answers arrive instantly by default (tests) or with the timing of a 9,600-baud line (for a
// progress display that looks like the real thing).

#include <memory>
#include <mutex>
#include <string_view>

#include "link/serial_port.h"
#include "sim/module_program.h"
#include "sim/simulator_line.h"
#include "sim/virtual_module.h"

namespace kavrin::sim {

inline constexpr std::string_view kSimPortName = link::kVirtualPortName;

class VirtualRobot : public std::enable_shared_from_this<VirtualRobot> {
public:
    // The port on this robot, or InUse while another is open or the fault says so.
    link::OpenResult Open();

    // Answer with line timing instead of at once. Set before opening.
    void SetRealTime(bool on) { realTime_ = on; }
    bool RealTime() const { return realTime_; }

    // The module; touch it only while no port is open (or from the port's own thread).
    VirtualModule& Module() { return module_; }
    // The program the module holds and runs after a download; same rule as Module(). The port
    // hands it the bytes that arrive outside a download and runs it on demand while the
    // computer reads (module_program.h).
    ModuleProgram& Program() { return program_; }

    // A simulation on another thread takes over the running program (null gives it back):
    // bytes for the program go into the line and reads wait for the simulation's answers.
    void AttachSimulator(std::shared_ptr<SimulatorLine> line);
    std::shared_ptr<SimulatorLine> Simulator();
    // A port on this robot is open (someone on the computer listens to the program).
    bool PortOpen();

private:
    friend class SimSerialPort;
    void Release();

    std::mutex mutex_;
    bool open_ = false;
    bool realTime_ = false;
    std::shared_ptr<SimulatorLine> simulator_;
    VirtualModule module_;
    ModuleProgram program_;
};

// The process-wide robot behind the port name "SIM".
std::shared_ptr<VirtualRobot> SharedRobot();

// Routes the port name "SIM" to the robot and every other name to the real ports. The program
// hands this to the port pool; the link itself never knows which backend answers.
link::PortFactory WithVirtualRobot(link::PortFactory realPorts,
                                   std::shared_ptr<VirtualRobot> robot = SharedRobot());

}  // namespace kavrin::sim
