#include "ui/test_window.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPainter>
#include <QShowEvent>
#include <QStyleOptionComplex>

#include <algorithm>
#include <initializer_list>
#include <limits>
#include <utility>

#include "codegen/program_text.h"
#include "link/link_observer.h"
#include "link/servo_exchange.h"
#include "resources/resources.h"
#include "resources/robot_picture.h"
#include "resources/skin_layout.h"
#include "resources/ui_strings.h"
#include "run/run_program.h"
#include "tokenizer/tokenizer.h"
#include "ui/run_controller.h"
#include "ui/skin.h"
#include "ui/ui_text.h"
#include "ui/window_place.h"

namespace kavrin::ui {

namespace {

// Window background, dark teal: the colour the robot's picture is drawn on.
const QColor kTestBackground{QRgb{resources::kRobotTopBackground}};
const QColor kThumb{0x4E, 0x76, 0x88};
const QColor kThumbEdge{0x2C, 0x4C, 0x5A};
const QColor kDisabledThumb{0xB8, 0xB8, 0xB8};

// Places fixed at design, on the robot picture.
constexpr QRect kLeftTireSpeedRect{67, 88, 16, 126};
constexpr QRect kRightTireSpeedRect{363, 88, 16, 126};
constexpr QRect kLServoSpinEditRect{11, 140, 49, 22};
constexpr QRect kRServoSpinEditRect{385, 141, 49, 22};
constexpr QRect kBackLabelRect{120, 360, 209, 16};
constexpr QRect kEnabledCheckBoxRect{2, 13, 16, 16};

constexpr int kCalibrationModulus = 256;
constexpr int kCaptionPointSize = 8;
constexpr int kSmallestCaptionPointSize = 6;
constexpr int kCaptionPadding = 12;    // the button's frame and margins
constexpr int kNarrowestCaption = 85;  // stretch, in percent

QScrollBar* MakeTireSpeed(QWidget* parent, const char* name, const QRect& place) {
    auto* bar = new QScrollBar(Qt::Vertical, parent);
    bar->setObjectName(QLatin1String(name));
    bar->setRange(kMinPulse, kMaxPulse);
    bar->setSingleStep(1);
    bar->setPageStep(kPulseLargeChange);
    bar->setValue(kDefaultPulse);
    bar->setGeometry(place);
    bar->setFocusPolicy(Qt::StrongFocus);
    return bar;
}

QFont MakeLabelFont(QFont type) {
    type.setBold(true);
    return type;
}

QLabel* MakeLabel(QWidget* parent, const char* name, Qt::Alignment align) {
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setFont(MakeLabelFont(label->font()));
    label->setAlignment(align);
    label->setWordWrap(true);
    return label;
}

// The words of a wrapped label: each must fit its width, or the label clips it.
QStringList Words(const QString& text) { return text.split(QLatin1Char(' '), Qt::SkipEmptyParts); }

// The window's teal and white belong to its own face; the controls keep the application's
// colours, in which arrows, thumbs and enabled text stand out from what lies under them.
QPalette ControlPalette() {
    QPalette colours = QApplication::palette();
    for (int group = 0; group < QPalette::NColorGroups; ++group) {
        for (int role = 0; role < QPalette::NColorRoles; ++role) {
            const auto g = static_cast<QPalette::ColorGroup>(group);
            const auto r = static_cast<QPalette::ColorRole>(role);
            if (r == QPalette::NoRole) {
                continue;
            }
            colours.setBrush(g, r, colours.brush(g, r));  // set, so that none is inherited
        }
    }
    return colours;
}

QPushButton* MakeButton(QWidget* parent, const char* name) {
    auto* button = new QPushButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setAutoDefault(false);
    return button;
}

}  // namespace

// --- TThumbStyle ---------------------------------------------------------------------------------

void TThumbStyle::drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                                     QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawComplexControl(control, option, painter, widget);
    if (control != CC_ScrollBar) {
        return;
    }
    const QRectF thumb = subControlRect(control, option, SC_ScrollBarSlider, widget);
    const bool enabled = (option->state & State_Enabled) != 0;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(enabled ? kThumbEdge : kDisabledThumb.darker(130));
    painter->setBrush(enabled ? kThumb : kDisabledThumb);
    painter->drawRoundedRect(thumb.adjusted(1.5, 1.5, -1.5, -1.5), 2, 2);
    painter->restore();
}

// --- TServoSpinEdit ------------------------------------------------------------------------------

TServoSpinEdit::TServoSpinEdit(QWidget* parent) : QSpinBox(parent) {
    setRange(kMinPulse, kMaxPulse);
    setValue(kDefaultPulse);
    lineEdit()->setMaxLength(kPulseDigits);
    // Leaving the spin edit brings a typed value into the range rather than dropping it.
    setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
}

void TServoSpinEdit::keyReleaseEvent(QKeyEvent* event) {
    QSpinBox::keyReleaseEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT EnterReleased();
    }
}

// --- TTestForm -----------------------------------------------------------------------------------

TTestForm::TTestForm(model::TActionDocument& document, TRunController& run, QWidget* parent)
    : TTestForm(run, parent) {
    document_ = &document;
}

TTestForm::TTestForm(TRunController& run, QWidget* parent) : QDialog(parent), run_(run) {
    setObjectName(QStringLiteral("TestForm"));
    // Modal to the main window only: the progress window and the simulator stay usable while
    // the test runs.
    setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    BuildControls();

    testTimer_.setInterval(link::kServoExchangeIntervalMs);
    connect(&testTimer_, &QTimer::timeout, this, &TTestForm::TestOnTimer);
    connect(&run_, &TRunController::ExchangeDone, this, &TTestForm::ExchangeDone);

    showMessage_ = [this](const QString& text) {
        QApplication::beep();
        QMessageBox::critical(this, windowTitle(), text);
    };
}

TTestForm::~TTestForm() {
    testTimer_.stop();
    if (running_) {
        run_.Stop();
    }
    ReleasePort();
}

link::TargetLink& TTestForm::Link() { return run_.Link(); }

void TTestForm::BuildControls() {
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kTestBackground);
    colours.setColor(QPalette::WindowText, Qt::white);
    setPalette(colours);
    setAutoFillBackground(true);
    // The captions are long; the window's small type keeps them within their places.
    QFont type = font();
    type.setPointSize(kCaptionPointSize);
    setFont(type);

    botPanel_ = new TRobotTopView(this);
    botPanel_->setObjectName(QStringLiteral("BotPanel"));

    leftTireSpeed_ = MakeTireSpeed(botPanel_, "LeftTireSpeed", kLeftTireSpeedRect);
    rightTireSpeed_ = MakeTireSpeed(botPanel_, "RightTireSpeed", kRightTireSpeedRect);

    lServoSpinEdit_ = new TServoSpinEdit(botPanel_);
    lServoSpinEdit_->setObjectName(QStringLiteral("LServoSpinEdit"));
    lServoSpinEdit_->setGeometry(kLServoSpinEditRect);
    lServoSpinEdit_->setEnabled(false);
    rServoSpinEdit_ = new TServoSpinEdit(botPanel_);
    rServoSpinEdit_->setObjectName(QStringLiteral("RServoSpinEdit"));
    rServoSpinEdit_->setGeometry(kRServoSpinEditRect);
    rServoSpinEdit_->setEnabled(false);

    leftServoLabel_ = MakeLabel(botPanel_, "LeftServoLabel", Qt::AlignCenter);
    rightServoLabel_ = MakeLabel(botPanel_, "RightServoLabel", Qt::AlignCenter);
    backLabel_ = MakeLabel(botPanel_, "BackLabel", Qt::AlignCenter);
    backLabel_->setGeometry(kBackLabelRect);

    // The check box panels lie over the picture's edges, on the window itself.
    leftServoEnabledPanel_ = new QWidget(this);
    leftServoEnabledPanel_->setObjectName(QStringLiteral("LeftServoEnabledPanel"));
    rightServoEnabledPanel_ = new QWidget(this);
    rightServoEnabledPanel_->setObjectName(QStringLiteral("RightServoEnabledPanel"));
    leftCheckBox_ = new QCheckBox(leftServoEnabledPanel_);
    leftCheckBox_->setObjectName(QStringLiteral("LeftCheckBox"));
    rightCheckBox_ = new QCheckBox(rightServoEnabledPanel_);
    rightCheckBox_->setObjectName(QStringLiteral("RightCheckBox"));
    for (QCheckBox* box : {leftCheckBox_, rightCheckBox_}) {
        box->setChecked(true);
        box->setGeometry(kEnabledCheckBoxRect);
    }
    leftEnabledLabel_ =
        MakeLabel(leftServoEnabledPanel_, "LeftEnabledLabel", Qt::AlignLeft | Qt::AlignVCenter);
    rightEnabledLabel_ =
        MakeLabel(rightServoEnabledPanel_, "RightEnabledLabel", Qt::AlignLeft | Qt::AlignVCenter);
    leftEnabledLabel_->setBuddy(leftCheckBox_);
    rightEnabledLabel_->setBuddy(rightCheckBox_);

    runTestButton_ = MakeButton(this, "RunTestButton");
    defaultButton_ = MakeButton(this, "DefaultButton");
    setCalibrationButton_ = MakeButton(this, "SetCalibrationButton");
    exitButton_ = MakeButton(this, "ExitButton");

    const QPalette controls = ControlPalette();
    for (QWidget* control : std::initializer_list<QWidget*>{
             lServoSpinEdit_, rServoSpinEdit_, leftCheckBox_, rightCheckBox_, runTestButton_,
             defaultButton_, setCalibrationButton_, exitButton_}) {
        control->setPalette(controls);
    }
    // Made after the scroll bars, the style outlives them among the window's children.
    auto* thumbStyle = new TThumbStyle;
    thumbStyle->setParent(this);
    for (QScrollBar* bar : {leftTireSpeed_, rightTireSpeed_}) {
        bar->setPalette(controls);
        bar->setStyle(thumbStyle);
    }

    connect(leftTireSpeed_, &QScrollBar::valueChanged, this, [this] { LeftPulseChange(false); });
    connect(rightTireSpeed_, &QScrollBar::valueChanged, this, [this] { RightPulseChange(false); });
    connect(lServoSpinEdit_, &QSpinBox::editingFinished, this, [this] { LeftPulseChange(true); });
    connect(rServoSpinEdit_, &QSpinBox::editingFinished, this, [this] { RightPulseChange(true); });
    // Enter hands the focus to the side's scroll bar; leaving the spin edit commits the value.
    connect(lServoSpinEdit_, &TServoSpinEdit::EnterReleased, this,
            [this] { leftTireSpeed_->setFocus(); });
    connect(rServoSpinEdit_, &TServoSpinEdit::EnterReleased, this,
            [this] { rightTireSpeed_->setFocus(); });
    connect(leftCheckBox_, &QCheckBox::toggled, this, &TTestForm::CheckBoxClick);
    connect(rightCheckBox_, &QCheckBox::toggled, this, &TTestForm::CheckBoxClick);
    connect(runTestButton_, &QPushButton::clicked, this, &TTestForm::RunTestButtonClick);
    connect(defaultButton_, &QPushButton::clicked, this, &TTestForm::DefaultButtonClick);
    connect(setCalibrationButton_, &QPushButton::clicked, this,
            &TTestForm::SetCalibrationButtonClick);
    connect(exitButton_, &QPushButton::clicked, this, &QWidget::close);
}

void TTestForm::ApplyLayoutAndCaptions() {
    const model::TMode mode = document_ != nullptr ? document_->Mode() : model::TMode::Beginner;
    ApplyControlLayout(resources::kTestWindowLayout, *this, mode);
    setWindowTitle(UiString(resources::str::kTestCaption));
    struct TPlaced {
        int record;
        QWidget* control;
        int caption;  // 0: none
    };
    const TPlaced placed[] = {
        {resources::kBotPanelLayout, botPanel_, 0},
        {resources::kLeftServoLabelLayout, leftServoLabel_, resources::str::kPulseWidth},
        {resources::kRightServoLabelLayout, rightServoLabel_, resources::str::kPulseWidth},
        {resources::kLeftServoEnabledPanelLayout, leftServoEnabledPanel_, 0},
        {resources::kRightServoEnabledPanelLayout, rightServoEnabledPanel_, 0},
        {resources::kLeftEnabledLabelLayout, leftEnabledLabel_, resources::str::kLeftEnabled},
        {resources::kRightEnabledLabelLayout, rightEnabledLabel_, resources::str::kRightEnabled},
        {resources::kRunTestButtonLayout, runTestButton_, resources::str::kRunTest},
        {resources::kDefaultButtonLayout, defaultButton_, resources::str::kDefault},
        {resources::kSetCalibrationButtonLayout, setCalibrationButton_,
         resources::str::kSetCalibration},
        {resources::kExitButtonLayout, exitButton_, resources::str::kExit},
    };
    for (const TPlaced& p : placed) {
        ApplyControlLayout(p.record, *p.control, mode);
        if (p.caption == 0) {
            continue;
        }
        if (auto* label = qobject_cast<QLabel*>(p.control)) {
            label->setText(UiString(p.caption));
        } else if (auto* button = qobject_cast<QPushButton*>(p.control)) {
            button->setText(UiString(p.caption));
        }
    }
    FitCaptions();
    backLabel_->setText(UiString(resources::str::kBackView));
    // A screen reader: each servo's slider and field by the servo, the check boxes by the labels
    // beside them.
    for (QWidget* left :
         {static_cast<QWidget*>(leftTireSpeed_), static_cast<QWidget*>(lServoSpinEdit_)}) {
        left->setAccessibleName(UiString(resources::str::kSimLeftServo));
        left->setAccessibleDescription(UiString(resources::str::kPulseWidth));
    }
    for (QWidget* right :
         {static_cast<QWidget*>(rightTireSpeed_), static_cast<QWidget*>(rServoSpinEdit_)}) {
        right->setAccessibleName(UiString(resources::str::kSimRightServo));
        right->setAccessibleDescription(UiString(resources::str::kPulseWidth));
    }
    leftCheckBox_->setAccessibleName(UiString(resources::str::kLeftEnabled));
    rightCheckBox_->setAccessibleName(UiString(resources::str::kRightEnabled));
    leftServoEnabledPanel_->raise();
    rightServoEnabledPanel_->raise();
}

void TTestForm::FitCaptions() {
    // One type for the four buttons, in which the longest caption fits.
    const std::initializer_list<QPushButton*> buttons{runTestButton_, defaultButton_,
                                                      setCalibrationButton_, exitButton_};
    QStringList captions;
    int room = std::numeric_limits<int>::max();
    for (QPushButton* button : buttons) {
        captions << button->text();
        room = std::min(room, button->width() - kCaptionPadding);
    }
    const QFont type =
        TypeThatFits(font(), captions, room, kNarrowestCaption, kSmallestCaptionPointSize);
    for (QPushButton* button : buttons) {
        button->setFont(type);
    }
    // A wrapped label breaks between words only: its longest word must fit its width.
    for (const auto& [left, right] : {std::pair{leftServoLabel_, rightServoLabel_},
                                      std::pair{leftEnabledLabel_, rightEnabledLabel_}}) {
        const QFont bold = MakeLabelFont(font());
        const QFont fitted = TypeThatFits(bold, Words(left->text()) + Words(right->text()),
                                          std::min(left->width(), right->width()),
                                          kNarrowestCaption, kSmallestCaptionPointSize);
        left->setFont(fitted);
        right->setFont(fitted);
    }
}

void TTestForm::showEvent(QShowEvent* event) {
    ApplyLayoutAndCaptions();
    if (!shownBefore_) {
        shownBefore_ = true;
        CentreOnScreen(*this);
    }
    CheckBoxClick();
    if (document_ != nullptr) {
        const model::TActionProgram& program = document_->Program();
        // A centre above 200 (a hand-edited file or registry) shows as the spin edit's maximum.
        rServoSpinEdit_->setValue(PulseOfCentre(program.rightServoCenter));
        lServoSpinEdit_->setValue(PulseOfCentre(program.leftServoCenter));
    }
    QDialog::showEvent(event);
}

void TTestForm::hideEvent(QHideEvent* event) {
    // Every way out (Exit, the close box, Escape, the end of exec) hides the window; a window
    // only minimised keeps testing.
    if (!event->spontaneous()) {
        FormClose();
    }
    QDialog::hideEvent(event);
}

void TTestForm::FormClose() {
    for (QWidget* control : std::initializer_list<QWidget*>{leftTireSpeed_, rightTireSpeed_,
                                                            lServoSpinEdit_, rServoSpinEdit_}) {
        control->setEnabled(false);
    }
    testTimer_.stop();
    runTestButton_->setEnabled(true);
    // A download still under way ends at its next exchange and closes its own port.
    if (running_) {
        run_.Stop();
    }
    ReleasePort();
}

void TTestForm::ReleasePort() {
    if (portSlot_ == link::kNoPortSlot) {
        return;
    }
    portSlot_ = link::kNoPortSlot;
    run_.ReleasePort();
}

void TTestForm::RunTestButtonClick() {
    if (running_) {
        return;
    }
    testTimer_.stop();
    portSlot_ = link::kNoPortSlot;  // the worker closes it before downloading again

    codegen::TProgramText text;
    text.LoadTextResource(resources::kTestProgramId);
    std::string source;
    const codegen::TTextResult ready = text.TextForTokenizer(source);
    if (!ready.ok) {
        showMessage_(FromCore(ready.message));
        return;
    }

    StartRun(std::move(source));
}

void TTestForm::StartRun(std::string source) {
    // The progress window shows the download and the link's messages; the port stays open
    // for the exchange.
    if (!run_.Start(std::move(source), Link().SelectedPort(), true)) {
        return;  // a run of the main window is still going
    }
    running_ = true;
    runTestButton_->setEnabled(false);
    setCursor(Qt::BusyCursor);
    connect(
        &run_, &TRunController::Finished, this,
        [this](const run::RunOutcome& outcome) { RunEnded(outcome.portSlot); },
        Qt::SingleShotConnection);
}

void TTestForm::RunEnded(int portSlot) {
    running_ = false;
    unsetCursor();
    runTestButton_->setEnabled(true);
    if (portSlot != link::kNoPortSlot) {
        if (isVisible()) {
            StartTest(portSlot);
        } else {
            portSlot_ = portSlot;
            ReleasePort();
        }
    }
    Q_EMIT RunFinished(portSlot_);
}

void TTestForm::StartTest(int portSlot) {
    portSlot_ = portSlot;
    if (run_.HeldSlot() != portSlot) {
        run_.HoldPort(portSlot);
    }
    CheckBoxClick();
    testTimer_.start();
}

int TTestForm::RightPulse() const {
    return rightCheckBox_->isChecked() ? rServoSpinEdit_->value() : link::kNoPulse;
}

int TTestForm::LeftPulse() const {
    return leftCheckBox_->isChecked() ? lServoSpinEdit_->value() : link::kNoPulse;
}

void TTestForm::TestOnTimer() {
    // One exchange at a time: a tick while the robot is still answering sends nothing.
    if (exchangeUnderWay_) {
        return;
    }
    exchangeUnderWay_ = true;
    run_.Exchange(RightPulse(), LeftPulse());
}

void TTestForm::ExchangeDone(int sensorByte) {
    exchangeUnderWay_ = false;
    if (portSlot_ != link::kNoPortSlot) {
        ShowSensorByte(sensorByte);
    }
}

void TTestForm::ShowSensorByte(int sensorByte) {
    botPanel_->ShowSensors(link::DecodeSensors(sensorByte));
    Q_EMIT SensorsShown(sensorByte);
}

void TTestForm::LeftPulseChange(bool fromSpinEdit) {
    PulseChange(leftTireSpeed_, lServoSpinEdit_, leftBusy_, fromSpinEdit);
}

void TTestForm::RightPulseChange(bool fromSpinEdit) {
    PulseChange(rightTireSpeed_, rServoSpinEdit_, rightBusy_, fromSpinEdit);
}

void TTestForm::PulseChange(QScrollBar* bar, QSpinBox* spin, bool& busy, bool fromSpinEdit) {
    if (!busy) {
        busy = true;
        if (fromSpinEdit) {
            bar->setValue(spin->value());
        } else {
            spin->setValue(bar->value());
        }
        busy = false;
    }
    bar->setFocus();
}

void TTestForm::CheckBoxClick() {
    const bool left = leftCheckBox_->isChecked();
    const bool right = rightCheckBox_->isChecked();
    lServoSpinEdit_->setEnabled(left);
    leftTireSpeed_->setEnabled(left);
    rServoSpinEdit_->setEnabled(right);
    rightTireSpeed_->setEnabled(right);
}

void TTestForm::DefaultButtonClick() {
    // The scroll bars stay where they are; the robot gets 750 from the next exchange.
    lServoSpinEdit_->setValue(kDefaultPulse);
    rServoSpinEdit_->setValue(kDefaultPulse);
}

void TTestForm::SetCalibrationButtonClick() {
    const auto right =
        static_cast<std::uint8_t>((rServoSpinEdit_->value() - kMinPulse) % kCalibrationModulus);
    const auto left =
        static_cast<std::uint8_t>((lServoSpinEdit_->value() - kMinPulse) % kCalibrationModulus);
    if (document_ != nullptr) {
        document_->SetCalibration(left, right);
    }
}

}  // namespace kavrin::ui
