#include "app/random_edits.h"

#include <QTabBar>
#include <QTimer>
#include <QToolButton>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <random>

#include "model/kvn_file.h"
#include "model/recovery.h"
#include "ui/action_widget.h"
#include "ui/main_lists.h"
#include "ui/main_window.h"
#include "ui/spin_edit.h"

namespace kavrin::app {

namespace {

using model::TCommand;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

class TRandomEdits : public QObject {
public:
    TRandomEdits(ui::TMainForm& window, std::uint32_t seed, std::FILE* log)
        : QObject(&window), window_(window), random_(seed), log_(log) {
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, [this] { Step(); });
        Note();
        timer_.start(Pause());
    }

private:
    int Pause() { return std::uniform_int_distribution<int>(10, 300)(random_); }
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    void Step() {
        model::TActionDocument& doc = *window_.Document();
        const int gesture = Pick(100);
        if (gesture < 40) {
            window_.ActionDblClick(Pick(model::kActionKindCount));
        } else if (gesture < 60) {
            // An arrow of a step's value, as the user clicks it.
            const auto& widgets = window_.Lists()->MainWidgets();
            ui::TBotAction* widget =
                widgets[static_cast<std::size_t>(Pick(static_cast<int>(widgets.size())))];
            if (widget->IsShown()) {
                (Pick(2) == 0 ? widget->SpinEdit()->UpArrow() : widget->SpinEdit()->DownArrow())
                    ->click();
            }
        } else if (gesture < 70) {
            const int list = doc.CurrentList();
            doc.SelectRow(list, 1 + Pick(doc.RowCount(list) - 1), Pick(3) == 0);
        } else if (gesture < 74 && doc.Mode() == model::TMode::Advanced) {
            window_.Lists()->Tabs()->setCurrentIndex(Pick(window_.Lists()->Tabs()->count()));
        } else {
            static constexpr TCommand kCommands[] = {
                TCommand::Delete, TCommand::Cut,  TCommand::Copy, TCommand::Paste,
                TCommand::Paste,  TCommand::Undo, TCommand::Clear};
            const TCommand command = kCommands[Pick(static_cast<int>(std::size(kCommands)))];
            // Clear only now and then, or the lists would hardly grow.
            if (command != TCommand::Clear || Pick(4) == 0) {
                window_.RunCommand(command);
            }
        }
        Note();
        timer_.start(Pause());
    }

    // The state the lists are in from now on.
    void Note() {
        const model::TActionDocument& doc = *window_.Document();
        std::string digest = "none";
        if (model::HasUnsavedSteps(doc)) {
            const model::TRecordBytes bytes = model::EncodeRecord(doc.Program(), doc.Mode());
            digest = RecordDigest(bytes.data(), bytes.size());
        }
        std::fprintf(log_, "%" PRId64 " %s\n", NowMs(), digest.c_str());
        std::fflush(log_);  // on disk before anything else can happen: the kill comes unannounced
    }

    ui::TMainForm& window_;
    // Not std::mt19937: Qt's static library for Windows has its own copy of that engine's
    // refill, compiled assuming which registers it leaves alone; the linker keeps ours, which
    // does not, and Qt's random numbers (temporary file names) then write at random.
    std::mt19937_64 random_;
    std::FILE* log_;
    QTimer timer_;
};

}  // namespace

std::string RecordDigest(const unsigned char* bytes, std::size_t size) {
    std::uint64_t hash = 14695981039346656037ull;
    for (std::size_t i = 0; i < size; ++i) {
        hash = (hash ^ bytes[i]) * 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

bool StartRandomEdits(const std::function<ui::TMainForm&()>& window,
                      const std::string& dataFolder) {
    const char* value = std::getenv(kRandomEditsVariable);
    if (value == nullptr || *value == '\0') {
        return false;
    }
    char* rest = nullptr;
    const unsigned long seed = std::strtoul(value, &rest, 10);
    if (rest == nullptr || *rest != ':') {
        std::fprintf(stderr, "kavrin: %s takes SEED:LOG\n", kRandomEditsVariable);
        return false;
    }
    std::FILE* log = std::fopen(rest + 1, "w");
    if (log == nullptr) {
        std::fprintf(stderr, "kavrin: cannot write %s\n", rest + 1);
        return false;
    }
    std::fprintf(log, "folder %s\n", dataFolder.c_str());
    ui::TMainForm& edited = window();
    edited.ShowForMode(seed % 2 == 1 ? model::TMode::Advanced : model::TMode::Beginner);
    new TRandomEdits(edited, static_cast<std::uint32_t>(seed), log);
    return true;
}

}  // namespace kavrin::app
