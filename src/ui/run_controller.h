#pragma once
// Runs a program to the robot without freezing the windows. The run itself is the core's
// (tokenize, scan, choose, download); here it goes onto a worker thread, and everything it
// shows comes back to the UI thread as queued calls into the progress window. When several
// robots answer, the worker waits for the user's choice while the UI thread goes on as usual.
//
// Closing the progress window during a run stops it after the exchange in progress; the port
// is closed and the worker ends. One run at a time.

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "link/port_list.h"
#include "link/port_pool.h"
#include "link/serial_port.h"
#include "link/target_link.h"
#include "run/run_program.h"
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

// The UI string that says a run was cancelled.
inline constexpr int kStrRunCancelled = 452;

class TRunController : public QObject {
    Q_OBJECT

public:
    TRunController(TProgressForm& window, TLinkSetup setup, QObject* parent = nullptr);
    // Stops a run still going and waits for its worker.
    ~TRunController() override;

    // Starts tokenizing and downloading the text to the port setting ("AUTO" or a port name);
    // the port is closed afterwards, or with keepOpen left open for the caller (the outcome
    // names its slot). False when a run is already going.
    bool Start(std::string sourceText, std::string port, bool keepOpen = false);
    // Asks the run to end after the exchange in progress; Finished follows.
    void Stop();
    bool Busy() const { return worker_.joinable(); }

    // The EEPROM image of the last run's program; read it once Finished has come.
    const std::array<std::uint8_t, wire::kEepromSize>& Image() const;

    link::TargetLink& Link() { return *target_; }
    link::TPortPool& Pool() { return *pool_; }
    TProgressForm& Window() { return window_; }

Q_SIGNALS:
    // The error message box, while the run goes on.
    void ErrorShown(const QString& text);
    // The run is over and its worker has ended.
    void Finished(const kavrin::run::RunOutcome& outcome);

private:
    void Done(const run::RunOutcome& outcome);

    TProgressForm& window_;
    std::unique_ptr<link::TPortPool> pool_;
    std::unique_ptr<link::TargetLink> target_;
    std::unique_ptr<tokenizer::TTokenizer> tokenizer_;  // used by the worker only
    std::unique_ptr<TWindowObserver> observer_;
    std::jthread worker_;
};

}  // namespace kavrin::ui
