#include "ui/mission_panel.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include <string_view>

#include "judge/rules.h"
#include "resources/ui_strings.h"
#include "ui/robot_state_panel.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

using namespace resources::str;

constexpr int kPanelWidth = 260;
constexpr int kRowSpacing = 6;
constexpr double kTitleScale = 1.3;

const QColor kMetColour(0x1e, 0x7b, 0x34);
const QColor kMissedColour(0xc0, 0x20, 0x20);

struct TMissionTexts {
    std::string_view key;
    int title;
    int goal;
};
constexpr TMissionTexts kMissionTexts[] = {
    {sim::kMissionSquare, kMissionSquareTitle, kMissionSquareGoal},
    {sim::kMissionBay, kMissionBayTitle, kMissionBayGoal},
    {sim::kMissionRoundBox, kMissionRoundBoxTitle, kMissionRoundBoxGoal},
    {sim::kMissionCorridor, kMissionCorridorTitle, kMissionCorridorGoal},
    {sim::kMissionMaze, kMissionMazeTitle, kMissionMazeGoal},
};

const TMissionTexts* BuiltInTexts(std::string_view name) {
    for (const TMissionTexts& t : kMissionTexts) {
        if (t.key == name) {
            return &t;
        }
    }
    return nullptr;
}

// A whole number of seconds without decimals ("20"), otherwise one.
QString LimitSeconds(sim::VirtualTime t) {
    return t % sim::kMicrosPerSecond == 0 ? QString::number(t / sim::kMicrosPerSecond)
                                          : SecondsText(t);
}

// When a mission failed during a step of the lists: "At 6.2 s, during step 3: move forward."
QString FailedDuring(const sim::Simulation& simulation, const sim::MissionJudge& judge) {
    const sim::StepProbe* probe = simulation.Probe();
    if (probe == nullptr || simulation.Record().Empty()) {
        return {};
    }
    const sim::StepRef step = simulation.Record().StepAt(judge.DecidedAt());
    if (!step.Runs()) {
        return {};
    }
    return UiString(kMissionFailedDuring)
        .arg(SecondsText(judge.DecidedAt()), StepText(step, probe->Map().Letter(step), true));
}

QLabel* WrappingLabel(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(true);
    return label;
}

void Colour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

QString BuiltInMissionTitle(const std::string& name) {
    const TMissionTexts* texts = BuiltInTexts(name);
    return texts != nullptr ? UiString(texts->title) : FromCore(name);
}

QString MissionTitle(const sim::Mission& mission) {
    const TMissionTexts* texts = BuiltInTexts(mission.name);
    return texts != nullptr ? UiString(texts->title) : FromCore(mission.title);
}

QString MissionGoal(const sim::Mission& mission) {
    const TMissionTexts* texts = BuiltInTexts(mission.name);
    return texts != nullptr ? UiString(texts->goal) : FromCore(mission.goal);
}

TRuleCheck CheckProgramRules(const model::TActionProgram& program, const sim::MissionRules& rules) {
    TRuleCheck check;
    check.known = true;
    check.broken = judge::CheckRules(program, rules);
    check.tilesKept = !judge::CheckRules(program, sim::MissionRules{rules.tiles, std::nullopt});
    check.stepsKept = !judge::CheckRules(program, sim::MissionRules{std::nullopt, rules.maxSteps});
    return check;
}

QString MissionFailureText(sim::Failure failure, sim::Thing touched) {
    switch (failure) {
        case sim::Failure::Touched:
            switch (touched) {
                case sim::Thing::TableEdge:
                    return UiString(kMissionTouchedEdge);
                case sim::Thing::Wall:
                    return UiString(kMissionTouchedWall);
                case sim::Thing::Box:
                    return UiString(kMissionTouchedBox);
                case sim::Thing::Disc:
                    return UiString(kMissionTouchedDisc);
            }
            break;
        case sim::Failure::TimeUp:
            return UiString(kMissionTimeUp);
        case sim::Failure::ProgramEnded:
            return UiString(kMissionProgramEnded);
        case sim::Failure::MovedByHand:
            return UiString(kMissionMovedByHand);
        case sim::Failure::None:
            break;
    }
    return UiString(kJudgeRunEnded);
}

QString MissionTaskText(const sim::Mission& mission, const sim::MissionTask& task) {
    const QString zone = FromCore(mission.zones[task.zone].name);
    return task.kind == sim::TaskKind::Reach
               ? UiString(kMissionReach).arg(zone)
               : UiString(kMissionStop).arg(zone, SecondsText(task.hold));
}

QString MissionTilesText(const std::string& letters) {
    QStringList kinds;
    for (const char letter : letters) {
        kinds.append(StepKindText(letter));
    }
    return UiString(kMissionOnlyTiles).arg(kinds.join(QStringLiteral(", ")));
}

QString MissionStepsText(int steps) { return UiString(kMissionMostSteps).arg(steps); }

QString RuleBrokenText(const sim::RuleBreak& rule) {
    if (rule.kind == sim::RuleBreak::Kind::Steps) {
        return UiString(kMissionRuleSteps).arg(rule.steps).arg(rule.allowed);
    }
    const QString kind = StepKindText(rule.letter);
    if (rule.step.list == sim::kMainList) {
        return UiString(kMissionRuleTile).arg(rule.step.step).arg(kind);
    }
    const QString set = rule.step.list == sim::kSetAllList
                            ? UiString(kSensorSetAllName)
                            : UiString(kSensorSetName).arg(rule.step.list - sim::kSetAllList);
    return UiString(kMissionRuleTileInSet).arg(rule.step.step).arg(set, kind);
}

QString MissionResultText(const sim::MissionJudge& judge, const TRuleCheck& rules) {
    if (rules.broken) {
        return UiString(kMissionNotPassed).arg(RuleBrokenText(*rules.broken));
    }
    switch (judge.GetVerdict()) {
        case sim::Verdict::Passed:
            return UiString(kMissionPassed).arg(SecondsText(judge.DecidedAt()));
        case sim::Verdict::NotPassed:
            return UiString(kMissionNotPassed)
                .arg(MissionFailureText(judge.GetFailure(), judge.Touched()));
        case sim::Verdict::Open:
            break;
    }
    return {};
}

TMissionPanel::TMissionPanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(kPanelWidth);
    setToolTip(UiString(kMissionPanelTip));
    layout_ = new QVBoxLayout(this);
}

bool TMissionPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == result_ && event->type() == QEvent::MouseButtonRelease && decidedAt_ &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        Q_EMIT VerdictClicked(*decidedAt_);
        return true;
    }
    return QFrame::eventFilter(watched, event);
}

void TMissionPanel::Clear() {
    decidedAt_.reset();
    delete content_;
    content_ = nullptr;
    result_ = nullptr;
    rows_.clear();
    noTouchRow_ = false;
    limitRow_ = false;
    tilesRow_ = false;
    stepsRow_ = false;
    rules_ = {};
}

void TMissionPanel::SetMission(const sim::Mission& mission) {
    Clear();
    content_ = new QWidget(this);
    auto* column = new QVBoxLayout(content_);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(kRowSpacing);

    auto* title = WrappingLabel(MissionTitle(mission), content_);
    title->setObjectName(QStringLiteral("missionTitle"));
    QFont big = title->font();
    big.setBold(true);
    big.setPointSizeF(big.pointSizeF() * kTitleScale);
    title->setFont(big);
    column->addWidget(title);
    if (const QString goal = MissionGoal(mission); !goal.isEmpty()) {
        column->addWidget(WrappingLabel(goal, content_));
    }
    column->addSpacing(kRowSpacing);

    for (const sim::MissionTask& task : mission.tasks) {
        AddRow(MissionTaskText(mission, task));
    }
    noTouchRow_ = mission.noTouch;
    if (noTouchRow_) {
        AddRow(UiString(kMissionNoTouch));
    }
    limitRow_ = mission.limit.has_value();
    if (limitRow_) {
        AddRow(UiString(kMissionLimit).arg(LimitSeconds(*mission.limit)));
    }
    tilesRow_ = mission.rules.tiles.has_value();
    if (tilesRow_) {
        AddRow(MissionTilesText(*mission.rules.tiles));
    }
    stepsRow_ = mission.rules.maxSteps.has_value();
    if (stepsRow_) {
        AddRow(MissionStepsText(*mission.rules.maxSteps));
    }
    for (TRow& row : rows_) {
        column->addWidget(row.label);
    }
    column->addSpacing(kRowSpacing);

    result_ = WrappingLabel(UiString(kMissionWaiting), content_);
    result_->setObjectName(QStringLiteral("missionResult"));
    result_->installEventFilter(this);
    QFont bold = result_->font();
    bold.setBold(true);
    result_->setFont(bold);
    column->addWidget(result_);
    column->addStretch(1);
    layout_->addWidget(content_);
}

void TMissionPanel::AddRow(const QString& text) {
    TRow row;
    row.label = WrappingLabel(QString(), content_);
    row.label->setObjectName(QStringLiteral("missionRow"));
    row.text = text;
    row.mark = Mark::Met;  // so that the first Show draws it
    Show(row, Mark::Open, {});
    rows_.push_back(row);
}

// A row shows its mark, its text and the time it was met; it is only touched when that changes.
void TMissionPanel::Show(TRow& row, Mark mark, const QString& time) {
    if (row.mark == mark && row.time == time) {
        return;
    }
    row.mark = mark;
    row.time = time;
    static const QString kMarks[] = {QStringLiteral("\u25CB"), QStringLiteral("\u2713"),
                                     QStringLiteral("\u2717")};
    QString text = kMarks[static_cast<int>(mark)] + QStringLiteral("  ") + row.text;
    if (!time.isEmpty()) {
        text += QStringLiteral("  (") + UiString(kMissionMetAt).arg(time) + QLatin1Char(')');
    }
    row.label->setText(text);
    Colour(row.label, mark == Mark::Met      ? kMetColour
                      : mark == Mark::Missed ? kMissedColour
                                             : palette().color(QPalette::WindowText));
}

void TMissionPanel::Refresh(const sim::Simulation& simulation) {
    const sim::MissionJudge* judge = simulation.Judge();
    if (judge == nullptr || content_ == nullptr) {
        return;
    }
    // A rule broken fails the mission at once, whatever the robot does.
    const sim::Verdict verdict = rules_.broken ? sim::Verdict::NotPassed : judge->GetVerdict();
    const bool failed = verdict == sim::Verdict::NotPassed;
    const auto& progress = judge->Progress();
    std::size_t i = 0;
    for (; i < progress.size() && i < rows_.size(); ++i) {
        Show(rows_[i],
             progress[i].met ? Mark::Met
             : failed        ? Mark::Missed
                             : Mark::Open,
             progress[i].met ? SecondsText(progress[i].at) : QString());
    }
    const sim::Failure failure = judge->GetFailure();
    const Mark ruleKept = verdict == sim::Verdict::Passed ? Mark::Met : Mark::Open;
    if (noTouchRow_) {
        Show(rows_[i++], failure == sim::Failure::Touched ? Mark::Missed : ruleKept, {});
    }
    if (limitRow_) {
        Show(rows_[i++], failure == sim::Failure::TimeUp ? Mark::Missed : ruleKept, {});
    }
    // What the program is made of is kept or broken from the start, once its lists are known.
    const auto made = [this](bool kept) {
        return !rules_.known ? Mark::Open : kept ? Mark::Met : Mark::Missed;
    };
    if (tilesRow_) {
        Show(rows_[i++], made(rules_.tilesKept), {});
    }
    if (stepsRow_) {
        Show(rows_[i], made(rules_.stepsKept), {});
    }

    QString result;
    if (verdict == sim::Verdict::Open) {
        result = UiString(simulation.Powered() ? kMissionUnderWay : kMissionWaiting);
    } else {
        result = MissionResultText(*judge, rules_);
        if (rules_.broken) {
            result += QLatin1Char('\n') + UiString(kMissionRuleFix);
        } else if (failed) {
            if (const QString during = FailedDuring(simulation, *judge); !during.isEmpty()) {
                result += QLatin1Char('\n') + during;
            }
            result += QLatin1Char('\n') + UiString(kMissionTryAgain);
        }
    }
    // A decided mission's verdict takes the timeline back to its moment (a rule's to the start).
    decidedAt_ = verdict == sim::Verdict::Open ? std::optional<sim::VirtualTime>()
                 : rules_.broken               ? sim::VirtualTime{0}
                                               : judge->DecidedAt();
    const Qt::CursorShape cursor = decidedAt_ ? Qt::PointingHandCursor : Qt::ArrowCursor;
    if (result_->cursor().shape() != cursor) {
        result_->setCursor(cursor);
        result_->setToolTip(decidedAt_ ? UiString(kMissionVerdictTip) : QString());
    }
    if (result_->text() != result) {
        result_->setText(result);
        Colour(result_, verdict == sim::Verdict::Passed ? kMetColour
                        : failed                        ? kMissedColour
                                                        : palette().color(QPalette::WindowText));
    }
}

QStringList TMissionPanel::RowTexts() const {
    QStringList texts;
    for (const TRow& row : rows_) {
        texts.append(row.label->text());
    }
    return texts;
}

QString TMissionPanel::ResultText() const {
    return result_ != nullptr ? result_->text() : QString();
}

}  // namespace kavrin::ui
