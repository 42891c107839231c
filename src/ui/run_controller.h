#pragma once
// Runs a program to the robot without freezing the windows. The run itself is the core's
// (tokenize, scan, choose, download); here it goes onto a worker thread, and everything it
// shows comes back to the UI thread as queued calls into the progress window. When several
// robots answer, the worker waits for the user's choice while the UI thread goes on as usual.
//
// Closing the progress window during a run stops it after the exchange in progress; the port
// is closed. One run at a time. The controller has one worker thread for its whole life: it
// runs the runs and the servo test's exchanges in turn, and only it touches a held port.

#include <QObject>
#include <QString>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "link/port_list.h"
#include "link/port_pool.h"
#include "link/serial_port.h"
#include "link/target_link.h"
#include "model/action_program.h"
#include "run/run_program.h"
#include "sim/step_probe.h"
#include "wire/wire_format.h"

namespace kavrin::tokenizer {
class TTokenizer;
}

namespace kavrin::ui {

class TProgressForm;
class TWindowObserver;

// The ports a run can reach: decided by the program (the real ports and the virtual robot in
// the application, fakes in tests).
struct TLinkSetup {
    link::PortFactory openPort;
    link::PortEnumerator enumerate;
    link::LinkTimings timings{};
};

class TRunController : public QObject {
    Q_OBJECT

public:
    TRunController(TProgressForm& window, TLinkSetup setup, QObject* parent = nullptr);
    // Stops a run still going and waits for the worker.
    ~TRunController() override;

    // Go: generates the program text of an action program and downloads it to the port setting
    // ("AUTO" or a port name); the port is closed afterwards. False when a run is going.
    bool StartActionProgram(const model::TActionProgram& program, model::TMode mode,
                            bool sensorsEnabled, std::string port);
    // Tokenizes and downloads a text; with keepOpen the port stays open and is held for the
    // servo exchange (HeldSlot). False when a run is already going.
    bool Start(std::string sourceText, std::string port, bool keepOpen = false);
    // Asks the run to end after the exchange in progress; Finished follows.
    void Stop();
    bool Busy() const { return running_; }

    // The EEPROM image of the last run's program; read it once Finished has come.
    const std::array<std::uint8_t, wire::kEepromSize>& Image() const;
    // Where the last run's program keeps its running step, when it was the generated motion
    // program (none for any other, or after a failed run); read it once Finished has come.
    std::optional<sim::StepVariables> StepVariables() const;

    // The servo exchange over the port a keep-open run left open: one exchange on the worker,
    // answered by ExchangeDone with the sensor byte (link::kNoSensorAnswer when silent).
    void Exchange(int rightPulse, int leftPulse);
    // The exchanges go over this open slot from now on (a keep-open run sets it itself).
    void HoldPort(int slot);
    // Closes the held port on the worker, after any exchange under way.
    void ReleasePort();
    int HeldSlot() const { return heldSlot_; }

    link::TargetLink& Link() { return *target_; }
    link::TPortPool& Pool() { return *pool_; }
    TProgressForm& Window() { return window_; }

Q_SIGNALS:
    // The error message box, while the run goes on.
    void ErrorShown(const QString& text);
    // The run is over.
    void Finished(const kavrin::run::RunOutcome& outcome);
    void ExchangeDone(int sensorByte);

private:
    using TJob = std::function<void()>;
    bool StartRun(std::function<run::RunOutcome(const run::RunSettings&, link::LinkObserver&)> run,
                  std::string port, bool keepOpen);
    // Runs a job on the worker thread, after the ones before it.
    void Post(TJob job);
    void WorkerLoop(std::stop_token stop);
    void Done(const run::RunOutcome& outcome);

    TProgressForm& window_;
    std::unique_ptr<link::TPortPool> pool_;
    std::unique_ptr<link::TargetLink> target_;
    std::unique_ptr<tokenizer::TTokenizer> tokenizer_;  // used by the worker only
    std::unique_ptr<TWindowObserver> observer_;
    std::stop_source runStop_;
    bool running_ = false;
    int heldSlot_ = link::kNoPortSlot;    // as the UI thread last heard of it
    int workerSlot_ = link::kNoPortSlot;  // the worker's own
    std::mutex mutex_;
    std::condition_variable_any queued_;
    std::deque<TJob> jobs_;
    std::jthread worker_;  // last: it ends first
};

}  // namespace kavrin::ui
