#pragma once
// A numeric spin control for a step's value: an edit box with a prefix or suffix around a fixed
// point number, and free-standing arrows that step the value and speed up while held. The value
// is kept as an integer in units of the last decimal place (15 with one decimal place is 1.5).

#include <QChar>
#include <QFont>
#include <QLocale>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>

class QKeyEvent;
class QLineEdit;
class QToolButton;
class QWheelEvent;

namespace kavrin::ui {

// The two characters of the user's locale that numbers are typed and shown with.
struct TNumberChars {
    QChar decimalSeparator = QLatin1Char('.');
    QChar minusSign = QLatin1Char('-');
};

// A locale's; "." and "-" where it has none.
TNumberChars NumberCharsOf(const QLocale& locale);
// Read once from the system locale: the user's regional format, whatever the language of the
// texts (a Greek system types "1,2 sec" in the English windows too).
const TNumberChars& SystemNumberChars();

// What the spin control shows for a position.
struct TSpinFormat {
    int decimals = 0;  // 0..4
    QString prefix;
    QString suffix;
};

inline constexpr int kMaxDecimals = 4;

// The text of a position; decorated adds the prefix and suffix.
QString FormatSpinValue(int position, const TSpinFormat& format, bool decorated,
                        const TNumberChars& chars);

// Whether a typed character may enter the edit box: digits, the decimal separator, Backspace,
// Enter, and the minus sign when negative values are allowed.
bool FilterKey(QChar c, bool negativeAllowed, const TNumberChars& chars);

// The position a typed text stands for, or none when the text is not a number within [min, max]
// (empty, with letters, out of range). Spaces round it are ignored; digits beyond the decimal
// places are ignored and missing ones count as zeros.
std::optional<int> ParseText(const QString& text, int decimals, int min, int max,
                             const TNumberChars& chars);

class TSuperSpinEdit : public QWidget {
    Q_OBJECT

public:
    // Default acceleration: none.
    static constexpr int kNoAcceleration = 32767;
    // Width of the arrows; they overlap the edit box's last pixels.
    static constexpr int kArrowsWidth = 16;
    static constexpr int kArrowsOverlap = 4;
    static constexpr int kEditTopInset = 4;
    // Space between the end of the text and the arrows.
    static constexpr int kTextGap = 2;
    // A text wider than the box is drawn condensed down to this stretch, then a pixel smaller
    // (Windows' type sets Arial a little wider), before it is scrolled.
    static constexpr int kNarrowestStretch = 70;
    static constexpr int kSmallestFontPixels = 13;

    // The type the value is shown in (before any condensing).
    static QFont TextFont();
    // The control's width at which a text of textWidth pixels fits beside the arrows.
    static int WidthForText(int textWidth);

    explicit TSuperSpinEdit(QWidget* parent, const TNumberChars& chars = SystemNumberChars());

    void SetPrefix(const QString& text);
    void SetSuffix(const QString& text);
    void SetMinimum(int value);
    void SetMaximum(int value);
    // Sets the position within [min, max] without reporting a change; returns the position.
    int SetPosition(int value);
    // The base step of one arrow click; negative makes the up arrow lower the value.
    void SetIncrement(int value);
    void SetAccelerationThreshold(int value);
    void SetAccelerationFactor(int value);
    void SetDecimals(int value);

    int Minimum() const { return min_; }
    int Maximum() const { return max_; }
    int Position() const { return position_; }
    int Increment() const { return baseIncrement_; }
    int CurrentIncrement() const { return currentIncrement_; }
    int Decimals() const { return format_.decimals; }
    const TSpinFormat& Format() const { return format_; }
    const TNumberChars& NumberChars() const { return chars_; }
    QString Text() const;
    // The edit box or an arrow has the keyboard focus.
    bool HasFocus() const;
    // A change being reported comes from the wheel turned over the control, which leaves the
    // focus where it is.
    bool WheelStepping() const { return wheelStepping_; }

    // Called with the new position after every change made by the user.
    std::function<void(int)> OnChange;
    // Called when typing ended without a change: refused is true when the text was not a number
    // within the limits (the old value stays), false when it was the value already there.
    std::function<void(bool refused)> OnTypingKept;

    QLineEdit* Edit() const { return edit_; }
    QToolButton* UpArrow() const { return up_; }
    QToolButton* DownArrow() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void Redisplay(bool decorated);
    // Condenses the box's font just enough for its text to fit the part the arrows leave free.
    // Every value between the limits is set in that one type, so a change of value never
    // changes the type.
    void FitText();
    // Reads the typed text and reports it.
    void Commit();
    void ArrowClick(int direction);
    void ArrowRelease();
    // One arrow click per notch of the wheel over the control; false for a sideways wheel.
    bool Wheel(const QWheelEvent& event);
    bool EditKey(const QKeyEvent& key);

    TNumberChars chars_;
    TSpinFormat format_;
    QLineEdit* edit_;
    QWidget* arrows_;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
    int baseIncrement_ = 1;
    int currentIncrement_ = 1;
    int threshold_ = kNoAcceleration;
    int factor_ = 1;
    int anchor_ = 0;
    bool editing_ = false;
    bool wheelStepping_ = false;
    int wheelRemainder_ = 0;  // eighths of a degree short of a whole notch
};

}  // namespace kavrin::ui
