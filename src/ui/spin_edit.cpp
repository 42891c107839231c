#include "ui/spin_edit.h"

#include <QEvent>
#include <QFont>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <QWheelEvent>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "ui/skin.h"

namespace kavrin::ui {

namespace {

constexpr int kEditFontPixels = 14;
// The line edit keeps this much space on either side of its text, and room for its cursor.
constexpr int kLineEditMargin = 2;
constexpr int kCursorWidth = 1;
// Typed digits stop counting here: the result is clamped to a 16-bit range anyway.
constexpr std::int64_t kParseCeiling = 1'000'000'000;

int PowerOfTen(int exponent) {
    int p = 1;
    for (int i = 0; i < exponent; ++i) {
        p *= 10;
    }
    return p;
}

}  // namespace

TNumberChars NumberCharsOf(const QLocale& locale) {
    TNumberChars c;
    const QString separator = locale.decimalPoint();
    const QString minus = locale.negativeSign();
    if (!separator.isEmpty()) {
        c.decimalSeparator = separator.front();
    }
    if (!minus.isEmpty()) {
        c.minusSign = minus.front();
    }
    return c;
}

const TNumberChars& SystemNumberChars() {
    static const TNumberChars chars = NumberCharsOf(QLocale());
    return chars;
}

QString FormatSpinValue(int position, const TSpinFormat& format, bool decorated,
                        const TNumberChars& chars) {
    const int d = std::clamp(format.decimals, 0, kMaxDecimals);
    const int p = PowerOfTen(d);
    const int whole = std::abs(position / p);
    const int fraction = std::abs(position) - whole * p;
    QString text = decorated ? format.prefix : QString();
    if (position < 0) {
        text += chars.minusSign;
    }
    text += QString::number(whole);
    if (d > 0) {
        text += chars.decimalSeparator;
        text += QString::number(fraction).rightJustified(d, QLatin1Char('0'));
    }
    if (decorated) {
        text += format.suffix;
    }
    return text;
}

bool FilterKey(QChar c, bool negativeAllowed, const TNumberChars& chars) {
    if (c == QLatin1Char('\b') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
        return true;
    }
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
        return true;
    }
    if (c == chars.decimalSeparator) {
        return true;
    }
    return negativeAllowed && c == chars.minusSign;
}

std::optional<int> ParseText(const QString& text, int decimals, int min, int max,
                             const TNumberChars& chars) {
    const int d = std::clamp(decimals, 0, kMaxDecimals);
    std::int64_t value = 0;
    int remaining = d;
    bool seenDigit = false;
    bool seenSeparator = false;
    bool negative = false;
    for (const QChar c : text.trimmed()) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            seenDigit = true;
            if (seenSeparator && remaining == 0) {
                continue;  // further decimals are ignored, and so is a fraction without places
            }
            if (value < kParseCeiling) {
                value = value * 10 + (c.unicode() - u'0');
            }
            if (seenSeparator) {
                --remaining;
            }
        } else if (c == chars.decimalSeparator && !seenSeparator) {
            seenSeparator = true;
        } else if (min < 0 && c == chars.minusSign && !negative && !seenDigit && !seenSeparator) {
            negative = true;
        } else {
            return std::nullopt;
        }
    }
    if (!seenDigit) {
        return std::nullopt;
    }
    for (int i = 0; i < remaining; ++i) {
        value *= 10;
    }
    if (negative) {
        value = -value;
    }
    if (value < min || value > max) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

TSuperSpinEdit::TSuperSpinEdit(QWidget* parent, const TNumberChars& chars)
    : QWidget(parent),
      chars_(chars),
      edit_(new QLineEdit(this)),
      arrows_(new QWidget(this)),
      up_(new QToolButton(arrows_)),
      down_(new QToolButton(arrows_)) {
    edit_->setFont(TextFont());
    edit_->setFrame(false);
    // The arrows cover the box's last pixels; the text ends a little before they begin.
    edit_->setTextMargins(0, 0, kArrowsOverlap - kLineEditMargin + kTextGap, 0);
    edit_->installEventFilter(this);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setArrowType(arrow == up_ ? Qt::UpArrow : Qt::DownArrow);
        arrow->setAutoRepeat(true);
        arrow->setFocusPolicy(Qt::ClickFocus);
        arrow->installEventFilter(this);
    }
    connect(up_, &QToolButton::clicked, this, [this] { ArrowClick(+1); });
    connect(down_, &QToolButton::clicked, this, [this] { ArrowClick(-1); });
    arrows_->raise();  // over the last pixels of the edit box
    Redisplay(true);
}

QFont TSuperSpinEdit::TextFont() { return ArialFont(kEditFontPixels, true); }

int TSuperSpinEdit::WidthForText(int textWidth) {
    return textWidth + kCursorWidth + kLineEditMargin + kArrowsOverlap + kTextGap + kArrowsWidth;
}

void TSuperSpinEdit::resizeEvent(QResizeEvent* /*event*/) {
    const int w = width();
    const int h = height();
    const int editWidth = std::max(0, w - kArrowsWidth);
    edit_->setGeometry(0, kEditTopInset, editWidth, std::max(0, h - kEditTopInset));
    arrows_->setGeometry(editWidth - kArrowsOverlap, 0, kArrowsWidth, h);
    up_->setGeometry(0, 0, kArrowsWidth, h / 2);
    down_->setGeometry(0, h / 2, kArrowsWidth, h - h / 2);
    Redisplay(!editing_);
}

void TSuperSpinEdit::SetPrefix(const QString& text) {
    format_.prefix = text;
    Redisplay(true);
}

void TSuperSpinEdit::SetSuffix(const QString& text) {
    format_.suffix = text;
    Redisplay(true);
}

void TSuperSpinEdit::SetMinimum(int value) {
    min_ = value;
    SetPosition(position_);
}

void TSuperSpinEdit::SetMaximum(int value) {
    max_ = value;
    SetPosition(position_);
}

int TSuperSpinEdit::SetPosition(int value) {
    editing_ = false;  // a re-bind replaces whatever was being typed
    position_ = std::clamp(value, min_, std::max(min_, max_));
    Redisplay(true);
    anchor_ = position_;
    return position_;
}

void TSuperSpinEdit::SetIncrement(int value) {
    baseIncrement_ = value;
    currentIncrement_ = value;
}

void TSuperSpinEdit::SetAccelerationThreshold(int value) { threshold_ = value; }

void TSuperSpinEdit::SetAccelerationFactor(int value) { factor_ = std::clamp(value, 0, 255); }

void TSuperSpinEdit::SetDecimals(int value) {
    format_.decimals = std::clamp(value, 0, kMaxDecimals);
    Redisplay(true);
}

QString TSuperSpinEdit::Text() const { return edit_->text(); }

void TSuperSpinEdit::Redisplay(bool decorated) {
    edit_->setText(FormatSpinValue(position_, format_, decorated, chars_));
    FitText();
    if (decorated) {
        // In a narrow box the number stays in sight: the view ends right after it.
        edit_->setCursorPosition(0);
        edit_->setCursorPosition(static_cast<int>(
            FormatSpinValue(position_, format_, false, chars_).size() + format_.prefix.size()));
    }
}

void TSuperSpinEdit::FitText() {
    const QMargins margins = edit_->textMargins();
    const int room =
        edit_->width() - 2 * kLineEditMargin - margins.left() - margins.right() - kCursorWidth;
    const QFont font = TypeThatFits(TextFont(),
                                    {edit_->text(), FormatSpinValue(min_, format_, true, chars_),
                                     FormatSpinValue(std::max(min_, max_), format_, true, chars_)},
                                    room, kNarrowestStretch, kSmallestFontPixels);
    if (font != edit_->font()) {
        edit_->setFont(font);
    }
}

void TSuperSpinEdit::Commit() {
    if (!editing_) {
        return;
    }
    editing_ = false;
    const std::optional<int> typed =
        ParseText(edit_->text(), format_.decimals, min_, std::max(min_, max_), chars_);
    const bool changed = typed.has_value() && *typed != position_;
    if (changed) {
        position_ = *typed;
        anchor_ = position_;
    }
    Redisplay(true);
    if (changed) {
        if (OnChange) {
            OnChange(position_);
        }
    } else if (OnTypingKept) {
        OnTypingKept(!typed.has_value());
    }
}

void TSuperSpinEdit::ArrowClick(int direction) {
    Commit();
    const int next = position_ + direction * currentIncrement_;
    position_ = std::clamp(next, min_, std::max(min_, max_));
    Redisplay(true);
    if (std::abs(position_ - anchor_) > threshold_) {
        currentIncrement_ *= factor_;
        anchor_ = position_;
    }
    if (OnChange) {
        OnChange(position_);
    }
}

void TSuperSpinEdit::ArrowRelease() {
    anchor_ = position_;
    currentIncrement_ = baseIncrement_;
}

bool TSuperSpinEdit::HasFocus() const {
    return edit_->hasFocus() || up_->hasFocus() || down_->hasFocus();
}

bool TSuperSpinEdit::Wheel(const QWheelEvent& event) {
    if (event.angleDelta().y() == 0) {
        return false;  // a sideways wheel scrolls whatever is under the control
    }
    wheelRemainder_ += event.angleDelta().y();
    const int notches = wheelRemainder_ / QWheelEvent::DefaultDeltasPerStep;
    wheelRemainder_ -= notches * QWheelEvent::DefaultDeltasPerStep;
    wheelStepping_ = true;
    for (int i = 0; i < std::abs(notches); ++i) {
        ArrowClick(notches > 0 ? +1 : -1);
        ArrowRelease();
    }
    wheelStepping_ = false;
    return true;
}

bool TSuperSpinEdit::EditKey(const QKeyEvent& key) {
    switch (key.key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // Leaving the box commits; where focus cannot move, commit all the same.
            up_->setFocus(Qt::OtherFocusReason);
            Commit();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
            ArrowClick(key.key() == Qt::Key_Up ? +1 : -1);
            ArrowRelease();
            return true;
        case Qt::Key_Escape:
            // The typed text is dropped and the value shows again as it was, with its labels. The
            // key goes on to the control's owner (a list takes the keyboard back).
            if (editing_) {
                editing_ = false;
                Redisplay(true);
            }
            return false;
        default:
            break;
    }
    const QString text = key.text();
    const bool printable = text.size() == 1 && text.front().isPrint();
    if (printable && !FilterKey(text.front(), min_ < 0, chars_)) {
        return true;  // discarded
    }
    if (!editing_ && (printable || key.key() == Qt::Key_Backspace || key.key() == Qt::Key_Delete)) {
        // Typing again after the value came back: only the number is edited, a digit replaces it.
        editing_ = true;
        Redisplay(false);
        if (printable) {
            edit_->selectAll();
        }
    }
    return false;
}

bool TSuperSpinEdit::eventFilter(QObject* watched, QEvent* event) {
    const bool ours = watched == edit_ || watched == up_ || watched == down_;
    if (ours && event->type() == QEvent::Wheel) {
        // The wheel steps the control under the pointer, focused or not, as a spin box's does.
        return Wheel(*static_cast<QWheelEvent*>(event));
    }
    if (watched == edit_) {
        switch (event->type()) {
            case QEvent::FocusIn:
                // Only the number is edited; prefix and suffix come back when editing ends.
                editing_ = true;
                Redisplay(false);
                break;
            case QEvent::FocusOut:
                Commit();
                break;
            case QEvent::KeyPress:
                if (EditKey(*static_cast<QKeyEvent*>(event))) {
                    return true;
                }
                break;
            default:
                break;
        }
    } else if ((watched == up_ || watched == down_) &&
               event->type() == QEvent::MouseButtonRelease) {
        ArrowRelease();
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace kavrin::ui
