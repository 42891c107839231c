#pragma once
// The servo test and calibration window: downloads the robot's test program, then keeps
// sending the pulse width set for each wheel and shows the sensors the robot answers with. The
// calibration button stores the pulse widths as the program's servo centres.
//
// The robot's line is never touched on the user-interface thread: the download and every
// exchange run one at a time on the run controller's worker, and each answer is shown when it
// arrives, so a robot that stops answering slows the exchanges down but never the window.

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QProxyStyle>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>

#include <functional>
#include <memory>
#include <string>

#include "link/port_pool.h"
#include "link/target_link.h"
#include "model/document.h"
#include "ui/robot_top_view.h"

namespace kavrin::ui {

inline constexpr int kMinPulse = 650;
inline constexpr int kMaxPulse = 850;
inline constexpr int kDefaultPulse = 750;
inline constexpr int kPulseLargeChange = 10;
inline constexpr int kPulseDigits = 3;

// Centre value (0..200) and pulse width: centre = pulse - 650.
inline constexpr int PulseOfCentre(int centre) { return centre + kMinPulse; }

// A spin edit that hands Enter to the window (on release, as the key is let go) and lets the
// window see the text typed so far.
class TServoSpinEdit : public QSpinBox {
    Q_OBJECT

public:
    explicit TServoSpinEdit(QWidget* parent = nullptr);

Q_SIGNALS:
    void EnterReleased();

protected:
    void keyReleaseEvent(QKeyEvent* event) override;
};

// The scroll bars' thumb in a colour of its own: the application's style only lightens it a
// little from its track.
class TThumbStyle : public QProxyStyle {
public:
    void drawComplexControl(ComplexControl control, const QStyleOptionComplex* option,
                            QPainter* painter, const QWidget* widget) const override;
};

class TRunController;

class TTestForm : public QDialog {
    Q_OBJECT

public:
    // The document's calibration is read at every showing and written by the calibration
    // button; the run controller downloads the test program (its progress window showing it,
    // its link's messages going where the controller sends them) and holds the port while the
    // test runs.
    TTestForm(model::TActionDocument& document, TRunController& run, QWidget* parent = nullptr);
    // A window made before the document exists (the application's start-up); it is handed the
    // document before it shows.
    explicit TTestForm(TRunController& run, QWidget* parent = nullptr);
    ~TTestForm() override;

    void SetDocument(model::TActionDocument& document) { document_ = &document; }
    link::TargetLink& Link();

    // The test is running over this port slot (kNoPortSlot when none is held).
    int PortSlot() const { return portSlot_; }
    bool Testing() const { return testTimer_.isActive(); }

    // Where a message of the window itself goes (an error box by default).
    using MessageSink = std::function<void(const QString& text)>;
    void SetMessageSink(MessageSink sink) { showMessage_ = std::move(sink); }

    // Starts the exchange over a port slot that holds the robot running the test program: what
    // the run button does once the download has left the port open.
    void StartTest(int portSlot);

    // The pulse widths the next exchange sends: the spin edits, 0 for a side switched off.
    int RightPulse() const;
    int LeftPulse() const;

    // The component names of the window's controls, for the tests and the layout.
    QScrollBar* LeftTireSpeed() const { return leftTireSpeed_; }
    QScrollBar* RightTireSpeed() const { return rightTireSpeed_; }
    TServoSpinEdit* LServoSpinEdit() const { return lServoSpinEdit_; }
    TServoSpinEdit* RServoSpinEdit() const { return rServoSpinEdit_; }
    QCheckBox* LeftCheckBox() const { return leftCheckBox_; }
    QCheckBox* RightCheckBox() const { return rightCheckBox_; }
    QPushButton* RunTestButton() const { return runTestButton_; }
    QPushButton* DefaultButton() const { return defaultButton_; }
    QPushButton* SetCalibrationButton() const { return setCalibrationButton_; }
    QPushButton* ExitButton() const { return exitButton_; }
    TRobotTopView* BotPanel() const { return botPanel_; }

Q_SIGNALS:
    // An exchange's sensor byte has been shown (kNoSensorAnswer when the robot was silent).
    void SensorsShown(int sensorByte);
    // A run has ended; portSlot is the slot the test goes on over, or kNoPortSlot.
    void RunFinished(int portSlot);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void StartRun(std::string source);
    void ExchangeDone(int sensorByte);
    void ApplyLayoutAndCaptions();
    // Sets the buttons' and labels' type so that every caption fits its place.
    void FitCaptions();
    void RunTestButtonClick();
    void TestOnTimer();
    void ShowSensorByte(int sensorByte);
    void RunEnded(int portSlot);
    void LeftPulseChange(bool fromSpinEdit);
    void RightPulseChange(bool fromSpinEdit);
    void PulseChange(QScrollBar* bar, QSpinBox* spin, bool& busy, bool fromSpinEdit);
    void CheckBoxClick();
    void DefaultButtonClick();
    void SetCalibrationButtonClick();
    void FormClose();
    // Hands the held port back to the pool on the worker, after any exchange under way.
    void ReleasePort();

    model::TActionDocument* document_ = nullptr;
    TRunController& run_;

    TRobotTopView* botPanel_ = nullptr;
    QScrollBar* leftTireSpeed_ = nullptr;
    QScrollBar* rightTireSpeed_ = nullptr;
    TServoSpinEdit* lServoSpinEdit_ = nullptr;
    TServoSpinEdit* rServoSpinEdit_ = nullptr;
    QLabel* leftServoLabel_ = nullptr;
    QLabel* rightServoLabel_ = nullptr;
    QWidget* leftServoEnabledPanel_ = nullptr;
    QWidget* rightServoEnabledPanel_ = nullptr;
    QCheckBox* leftCheckBox_ = nullptr;
    QCheckBox* rightCheckBox_ = nullptr;
    QLabel* leftEnabledLabel_ = nullptr;
    QLabel* rightEnabledLabel_ = nullptr;
    QLabel* backLabel_ = nullptr;
    QPushButton* runTestButton_ = nullptr;
    QPushButton* defaultButton_ = nullptr;
    QPushButton* setCalibrationButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;

    int portSlot_ = link::kNoPortSlot;
    bool leftBusy_ = false;  // re-entry flags of the scroll bar / spin edit pairs
    bool rightBusy_ = false;
    bool shownBefore_ = false;
    bool exchangeUnderWay_ = false;
    bool running_ = false;  // a download is under way
    QTimer testTimer_;
    MessageSink showMessage_;
};

}  // namespace kavrin::ui
