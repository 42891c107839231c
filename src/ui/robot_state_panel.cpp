#include "ui/robot_state_panel.h"

#include <QFormLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "resources/ui_strings.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

using namespace resources::str;

constexpr int kPanelWidth = 260;

// The action tiles' kinds by the letter the generator writes for them; H is the wait the program
// holds at the end of a list.
struct TKindName {
    char letter;
    int kind;  // 0 forward .. 7 go back, as the tiles number them
};
constexpr TKindName kKindNames[] = {{'F', 0}, {'B', 1}, {'L', 2}, {'R', 3}, {'E', 4},
                                    {'I', 5}, {'S', 6}, {'H', 6}, {'G', 7}};

QString Drive(sim::WheelDrive drive) {
    switch (drive) {
        case sim::WheelDrive::Forward:
            return UiString(kSimDriveForward);
        case sim::WheelDrive::Back:
            return UiString(kSimDriveBack);
        case sim::WheelDrive::Still:
            break;
    }
    return UiString(kSimDriveStill);
}

QString Servo(std::uint16_t pulse, sim::WheelDrive drive) {
    return pulse == 0 ? UiString(kSimServoRests)
                      : UiString(kSimServoValue).arg(pulse).arg(Drive(drive));
}

QLabel* Value(QWidget* parent) {
    auto* label = new QLabel(QStringLiteral(" "), parent);
    label->setWordWrap(true);
    return label;
}

}  // namespace

QString SecondsText(sim::VirtualTime t) {
    return QString::number(static_cast<double>(t) / sim::kMicrosPerSecond, 'f', 1);
}

QString StepKindText(char letter) {
    for (const TKindName& k : kKindNames) {
        if (k.letter == letter) {
            QString name = UiString(kFirstActionName + k.kind);
            if (!name.isEmpty()) {
                name[0] = name[0].toLower();
            }
            return name;
        }
    }
    return letter > ' ' ? QString(QLatin1Char(letter)) : QString();
}

QString StepText(sim::StepRef step, char letter, bool inSentence) {
    if (!step.Runs()) {
        return {};
    }
    const QString kind = StepKindText(letter);
    if (step.list == sim::kMainList) {
        return UiString(inSentence ? kSimStepMainInText : kSimStepMain).arg(step.step).arg(kind);
    }
    const QString set = step.list == sim::kSetAllList
                            ? UiString(kSensorSetAllName)
                            : UiString(kSensorSetName).arg(step.list - sim::kSetAllList);
    return UiString(kSimStepSet).arg(set).arg(step.step).arg(kind);
}

QString RunningStepText(const sim::RunSample& sample) {
    const sim::RunningStep running = sample.Running();
    if (!running.at.Runs()) {
        return UiString(kSimNoStep);
    }
    QString text = UiString(kSimStepLeft)
                       .arg(StepText(running.at, running.command), SecondsText(running.left));
    if (running.at.list != sim::kMainList && running.interrupted > 0) {
        text += QLatin1Char('\n') + UiString(kSimStepInterrupted).arg(running.interrupted);
    }
    return text;
}

TRobotStatePanel::TRobotStatePanel(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFixedWidth(kPanelWidth);
    setToolTip(UiString(kSimRobotPanelTip));
    auto* title = new QLabel(UiString(kSimRobotPanelTitle), this);
    QFont bold = title->font();
    bold.setBold(true);
    title->setFont(bold);
    step_ = Value(this);
    step_->setObjectName(QStringLiteral("robotStep"));
    step_->setFont(bold);
    auto* form = new QFormLayout;
    form->setRowWrapPolicy(QFormLayout::DontWrapRows);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    const int whiskerNames[] = {kSimLeftWhisker, kSimRightWhisker};
    const int irNames[] = {kSimLeftIr, kSimRightIr};
    const int servoNames[] = {kSimLeftServo, kSimRightServo};
    for (int side = 0; side < 2; ++side) {
        whiskers_[side] = Value(this);
        form->addRow(UiString(whiskerNames[side]), whiskers_[side]);
    }
    for (int side = 0; side < 2; ++side) {
        infrared_[side] = Value(this);
        form->addRow(UiString(irNames[side]), infrared_[side]);
    }
    for (int side = 0; side < 2; ++side) {
        servos_[side] = Value(this);
        form->addRow(UiString(servoNames[side]), servos_[side]);
    }
    command_ = Value(this);
    form->addRow(UiString(kSimCommand), command_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(title);
    layout->addWidget(step_);
    layout->addLayout(form);
    layout->addStretch(1);
    Show({});
}

void TRobotStatePanel::Put(QLabel* label, const QString& text) {
    if (label->text() != text) {
        label->setText(text);
    }
}

void TRobotStatePanel::Show(const sim::RunSample& sample) {
    const bool whisker[] = {sample.leftWhisker, sample.rightWhisker};
    const bool ir[] = {sample.leftIr, sample.rightIr};
    const std::uint16_t pulse[] = {sample.leftPulse, sample.rightPulse};
    const sim::WheelDrive drive[] = {sample.leftDrive, sample.rightDrive};
    for (int side = 0; side < 2; ++side) {
        Put(whiskers_[side], UiString(whisker[side] ? kSimWhiskerPressed : kSimWhiskerFree));
        Put(infrared_[side], UiString(ir[side] ? kSimIrSees : kSimIrClear));
        Put(servos_[side], Servo(pulse[side], drive[side]));
    }
    const char letter = sample.command;
    Put(command_, letter > ' '
                      ? UiString(kSimStepLeft)
                            .arg(UiString(kSimCommandValue)
                                     .arg(QString(QLatin1Char(letter)), StepKindText(letter)),
                                 SecondsText(sample.Running().left))
                      : UiString(kSimNoCommand));
    Put(step_, RunningStepText(sample));
}

QString TRobotStatePanel::WhiskerText(sim::Side side) const {
    return whiskers_[side == sim::Side::Left ? 0 : 1]->text();
}
QString TRobotStatePanel::InfraredText(sim::Side side) const {
    return infrared_[side == sim::Side::Left ? 0 : 1]->text();
}
QString TRobotStatePanel::ServoText(sim::Side side) const {
    return servos_[side == sim::Side::Left ? 0 : 1]->text();
}
QString TRobotStatePanel::CommandText() const { return command_->text(); }
QString TRobotStatePanel::StepLine() const { return step_->text(); }

}  // namespace kavrin::ui
