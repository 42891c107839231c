#include "ui/run_controller.h"

#include <QMetaObject>

#include <condition_variable>
#include <mutex>
#include <optional>

#include "link/servo_exchange.h"
#include "tokenizer/tokenizer.h"
#include "ui/progress_window.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

// The progress window as the link's observer. Every call comes on the worker thread and is
// handed to the UI thread as a queued call carrying a copy of what it needs; the worker never
// waits for the window, except for the user's choice of robot.
class TWindowObserver : public link::LinkObserver {
public:
    TWindowObserver(TRunController& controller, TProgressForm& window, std::stop_token stop)
        : controller_(controller), window_(window), stop_(std::move(stop)) {}

    void ProgressOpened(const link::PortStatusTable& table) override {
        OnWindow([table](TProgressForm& w) { w.Open(table); });
    }
    void ScanStarted() override {
        OnWindow([](TProgressForm& w) { w.SetScanning(true); });
    }
    void PortReported(int, const link::PortStatusTable& table) override {
        OnWindow([table](TProgressForm& w) { w.ShowTable(table); });
    }
    void ScanFinished(const link::PortStatusTable& table) override {
        OnWindow([table](TProgressForm& w) {
            w.ShowTable(table);
            w.SetScanning(false);
        });
    }

    int ChooseTarget(const link::PortStatusTable& table, std::string_view message) override {
        {
            const std::lock_guard lock(mutex_);
            answer_.reset();
        }
        OnWindow([this, table, text = FromCore(message)](TProgressForm& w) {
            QObject::connect(
                &w, &TProgressForm::ChoiceMade, &controller_,
                [this](int portIndex) { Answer(portIndex); }, Qt::SingleShotConnection);
            w.Open(table, text);
        });
        std::unique_lock lock(mutex_);
        if (!answered_.wait(lock, stop_, [this] { return answer_.has_value(); })) {
            return -1;  // stopped while the choice was open
        }
        return *answer_;
    }

    void TargetMarked(int portIndex) override {
        OnWindow([portIndex](TProgressForm& w) { w.MarkTarget(portIndex); });
    }
    void ProgressStarted(int programSlot, int blockCount) override {
        OnWindow([programSlot, blockCount](TProgressForm& w) {
            w.StartProgress(programSlot, blockCount);
        });
    }
    void Blink() override {
        OnWindow([](TProgressForm& w) { w.Blink(); });
    }
    void StepIt(int programSlot) override {
        OnWindow([programSlot](TProgressForm& w) { w.StepIt(programSlot); });
    }
    void ProgressClosed() override {
        OnWindow([](TProgressForm& w) { w.CloseAfterPause(); }, true);
    }

    void ShowError(std::string_view text) override {
        QMetaObject::invokeMethod(
            &controller_,
            [this, message = FromCore(text)] { Q_EMIT controller_.ErrorShown(message); },
            Qt::QueuedConnection);
    }
    // The run's one plain message is the tokenizer's refusal; it comes with the outcome, which
    // also says where the error lies.
    void ShowMessage(std::string_view) override {}

private:
    // A change of the window, made on the UI thread. Once the run is stopped the window has
    // been closed by the user and stays closed.
    template <typename Change>
    void OnWindow(Change change, bool evenWhenStopped = false) {
        QMetaObject::invokeMethod(
            &window_,
            [this, change = std::move(change), evenWhenStopped] {
                if (evenWhenStopped || !stop_.stop_requested()) {
                    change(window_);
                }
            },
            Qt::QueuedConnection);
    }

    void Answer(int portIndex) {
        {
            const std::lock_guard lock(mutex_);
            answer_ = portIndex;
        }
        answered_.notify_all();
    }

    TRunController& controller_;
    TProgressForm& window_;
    std::stop_token stop_;
    std::mutex mutex_;
    std::condition_variable_any answered_;
    std::optional<int> answer_;
};

TRunController::TRunController(TProgressForm& window, TLinkSetup setup, QObject* parent)
    : QObject(parent),
      window_(window),
      pool_(std::make_unique<link::TPortPool>(std::move(setup.openPort))),
      target_(
          std::make_unique<link::TargetLink>(*pool_, std::move(setup.enumerate), setup.timings)),
      tokenizer_(std::make_unique<tokenizer::TTokenizer>()),
      worker_([this](std::stop_token stop) { WorkerLoop(std::move(stop)); }) {
    connect(&window_, &TProgressForm::CancelRequested, this, &TRunController::Stop);
}

TRunController::~TRunController() {
    runStop_.request_stop();
    worker_.request_stop();
    worker_.join();
    // The worker has ended: a port it still holds is closed here.
    pool_->ClosePort(workerSlot_);
}

void TRunController::WorkerLoop(std::stop_token stop) {
    while (true) {
        TJob job;
        {
            std::unique_lock lock(mutex_);
            // Once the controller goes, jobs still queued (exchanges, a release) are dropped:
            // the destructor closes a port still held.
            if (!queued_.wait(lock, stop, [this] { return !jobs_.empty(); }) ||
                stop.stop_requested()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}

void TRunController::Post(TJob job) {
    {
        const std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    queued_.notify_all();
}

bool TRunController::StartRun(
    std::function<run::RunOutcome(const run::RunSettings&, link::LinkObserver&)> run,
    std::string port, bool keepOpen) {
    if (running_) {
        return false;
    }
    running_ = true;
    runStop_ = std::stop_source();
    observer_ = std::make_unique<TWindowObserver>(*this, window_, runStop_.get_token());
    Post([this, run = std::move(run), port = std::move(port), keepOpen,
          stop = runStop_.get_token()] {
        // A new run first hands back the port an earlier test held.
        pool_->ClosePort(workerSlot_);
        workerSlot_ = link::kNoPortSlot;
        const run::RunSettings settings{.port = port, .keepOpen = keepOpen, .stop = stop};
        const run::RunOutcome outcome = run(settings, *observer_);
        workerSlot_ = outcome.portSlot;
        QMetaObject::invokeMethod(
            this, [this, outcome] { Done(outcome); }, Qt::QueuedConnection);
    });
    return true;
}

bool TRunController::StartActionProgram(const model::TActionProgram& program, model::TMode mode,
                                        bool sensorsEnabled, std::string port) {
    return StartRun(
        [this, program, mode, sensorsEnabled](const run::RunSettings& settings,
                                              link::LinkObserver& observer) {
            return run::RunActionProgram(*target_, *tokenizer_, program, mode, sensorsEnabled,
                                         settings, observer);
        },
        std::move(port), false);
}

bool TRunController::Start(std::string sourceText, std::string port, bool keepOpen) {
    return StartRun(
        [this, source = std::move(sourceText)](const run::RunSettings& settings,
                                               link::LinkObserver& observer) {
            return run::RunProgram(*target_, *tokenizer_, source, settings, observer);
        },
        std::move(port), keepOpen);
}

const std::array<std::uint8_t, wire::kEepromSize>& TRunController::Image() const {
    return tokenizer_->Result().EepromImage;
}

std::optional<sim::StepVariables> TRunController::StepVariables() const {
    return sim::FindStepVariables(
        [this](std::string_view name) { return tokenizer_->FindVariable(name); });
}

void TRunController::Stop() {
    if (running_) {
        runStop_.request_stop();
    }
}

void TRunController::Exchange(int rightPulse, int leftPulse) {
    Post([this, rightPulse, leftPulse] {
        link::TSerial* port = pool_->Port(workerSlot_);
        const int sensors = port != nullptr
                                ? link::ExchangeServoPulses(*port, rightPulse, leftPulse)
                                : link::kNoSensorAnswer;
        QMetaObject::invokeMethod(
            this, [this, sensors] { Q_EMIT ExchangeDone(sensors); }, Qt::QueuedConnection);
    });
}

void TRunController::HoldPort(int slot) {
    heldSlot_ = slot;
    Post([this, slot] { workerSlot_ = slot; });
}

void TRunController::ReleasePort() {
    heldSlot_ = link::kNoPortSlot;
    Post([this] {
        pool_->ClosePort(workerSlot_);
        workerSlot_ = link::kNoPortSlot;
    });
}

void TRunController::Done(const run::RunOutcome& outcome) {
    running_ = false;
    heldSlot_ = outcome.portSlot;
    window_.SetScanning(false);
    Q_EMIT Finished(outcome);
}

}  // namespace kavrin::ui
