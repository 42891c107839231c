#pragma once
// The simulator window's mission panel: the mission's title and goal, its tasks and rules ticked
// off as the judge meets them (the rules of what the program is made of as soon as its lists are
// known), and at the end the result in words a child understands (passed with the time, or what
// went wrong and during which step). A click on the result shows that moment again. It only
// shows the judge's state (sim::MissionJudge) and the rules' check (judge::CheckRules).

#include <QFrame>
#include <QString>

#include <optional>
#include <vector>

#include "model/action_program.h"
#include "sim/simulation.h"

class QLabel;
class QVBoxLayout;

namespace kavrin::ui {

// A mission's title and goal as the window shows them: a built-in's from the string table,
// a file's as written.
QString MissionTitle(const sim::Mission& mission);
QString MissionGoal(const sim::Mission& mission);

// A built-in's title by its name; the name itself for one the table does not know.
QString BuiltInMissionTitle(const std::string& name);

// What the lists of the program on the robot make of the mission's rules (judge::CheckRules):
// nothing is known of a program that did not come with its lists.
struct TRuleCheck {
    bool known = false;
    bool tilesKept = false;
    bool stepsKept = false;
    std::optional<sim::RuleBreak> broken;  // the first rule broken, which fails the mission
};
TRuleCheck CheckProgramRules(const model::TActionProgram& program, const sim::MissionRules& rules);

// The window's words for how a mission went, shared by the panel and the class's table:
// what went wrong ("the robot touched a wall"; "the run ended ..." for none), ...
QString MissionFailureText(sim::Failure failure, sim::Thing touched);
// ... a task as its row says it ("Reach zone P"), ...
QString MissionTaskText(const sim::Mission& mission, const sim::MissionTask& task);
// ... a rule as its row says it ("Use only: forward, stop and wait"), ...
QString MissionTilesText(const std::string& letters);
QString MissionStepsText(int steps);
// ... and the rule a program broke ("step 4 uses "rotate right", which this mission does not
// allow").
QString RuleBrokenText(const sim::RuleBreak& rule);

// The result as one sentence: "Well done! ..." or "Not this time: what went wrong." Empty
// while the mission is open; a rule broken decides it before the judge does.
QString MissionResultText(const sim::MissionJudge& judge, const TRuleCheck& rules = {});

class TMissionPanel : public QFrame {
    Q_OBJECT

public:
    explicit TMissionPanel(QWidget* parent = nullptr);

    // Lays the panel out for a mission (its labels exist only while there is one).
    void SetMission(const sim::Mission& mission);
    void Clear();
    // What the program on the robot makes of the rules; SetMission forgets it.
    void SetRuleCheck(const TRuleCheck& rules) { rules_ = rules; }
    // Shows the state of the simulation's judge.
    void Refresh(const sim::Simulation& simulation);

    // What the rows and the result say now (tests).
    QStringList RowTexts() const;
    QString ResultText() const;

Q_SIGNALS:
    // The decided verdict was clicked: the moment it was decided.
    void VerdictClicked(kavrin::sim::VirtualTime at);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class Mark { Open, Met, Missed };
    struct TRow {
        QLabel* label = nullptr;
        QString text;
        Mark mark = Mark::Open;
        QString time;
    };
    void AddRow(const QString& text);
    void Show(TRow& row, Mark mark, const QString& time);

    QVBoxLayout* layout_ = nullptr;
    QWidget* content_ = nullptr;  // everything of one mission
    QLabel* result_ = nullptr;
    // The tasks in order, then no-touch, the limit, the tiles and the steps where given.
    std::vector<TRow> rows_;
    bool noTouchRow_ = false;
    bool limitRow_ = false;
    bool tilesRow_ = false;
    bool stepsRow_ = false;
    TRuleCheck rules_;
    std::optional<sim::VirtualTime> decidedAt_;
};

}  // namespace kavrin::ui
