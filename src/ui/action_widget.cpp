#include "ui/action_widget.h"

#include <QByteArray>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QToolButton>

#include <array>

#include "resources/resources.h"
#include "resources/skin_layout.h"
#include "resources/ui_strings.h"
#include "ui/picture_scale.h"
#include "ui/skin.h"
#include "ui/spin_edit.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

// Skin slots of the palette tiles by action kind: the tiles run forward, backward, turn left,
// turn right, rotate left, rotate right, go back, stop and wait.
constexpr std::array<int, model::kActionKindCount> kTileSlotOfKind{14, 15, 16, 17, 18, 19, 21, 20};
constexpr int kGifIdOffset = 180;

constexpr int kDurationDecimals = 1;
constexpr int kSpinInset = 2;  // the spin control ends this much short of the column's width

TSpinFormat DurationFormat() {
    return {kDurationDecimals, QString(), UiString(resources::str::kDurationSuffix)};
}

TSpinFormat GoBackFormat() { return {0, UiString(resources::str::kGoBackPrefix), QString()}; }

}  // namespace

QPixmap ActionKindPicture(int kind, int scale) {
    if (kind < 0 || kind >= model::kActionKindCount) {
        return {};
    }
    return LoadPicture(resources::kGifType,
                       kTileSlotOfKind[static_cast<std::size_t>(kind)] + kGifIdOffset, scale);
}

int ActionKindName(int kind) {
    if (kind < 0 || kind >= model::kActionKindCount) {
        return 0;
    }
    return model::kActionKinds[static_cast<std::size_t>(kind)].nameString;
}

int ActionKindDescription(int kind) {
    if (kind < 0 || kind >= model::kActionKindCount) {
        return 0;
    }
    return resources::str::kFirstActionDescription + kind;
}

int TBotAction::NeededColumnWidth() {
    const QFont type = TSuperSpinEdit::TextFont();
    const TNumberChars& chars = SystemNumberChars();
    const QString widest =
        WidestText(type, {FormatSpinValue(model::kMaxDuration, DurationFormat(), true, chars),
                          FormatSpinValue(model::kMaxSteps, GoBackFormat(), true, chars)});
    return TSuperSpinEdit::WidthForText(QFontMetrics(type).horizontalAdvance(widest)) + kIconSize +
           kSpinInset;
}

TBotAction::TBotAction(QWidget* grid, int kind, int left, int top, int width, bool visible)
    : QObject(grid),
      icon_(new QLabel(grid)),
      spin_(new TSuperSpinEdit(grid)),
      left_(left),
      top_(top),
      width_(width) {
    icon_->setScaledContents(true);
    SetKind(kind);
    spin_->SetIncrement(1);
    spin_->SetAccelerationThreshold(kAccelerationThreshold);
    spin_->SetAccelerationFactor(kAccelerationFactor);
    spin_->OnChange = [this](int value) {
        if (OnValueChanged) {
            OnValueChanged(row_, value);
        }
    };
    spin_->OnTypingKept = [this](bool refused) {
        if (OnTypingKept) {
            OnTypingKept(refused);
        }
    };
    Place();
    ShowWidget(visible);
}

void TBotAction::Place() {
    icon_->setGeometry(left_, top_, kIconSize, kIconSize);
    spin_->setGeometry(left_ + kIconSize + kIconGap, top_, width_ - kIconSize - kSpinInset,
                       kIconSize);
}

void TBotAction::SetKind(int kind) {
    if (kind == kind_) {
        return;
    }
    kind_ = kind;
    if (kind < 0 || kind >= model::kActionKindCount) {
        return;
    }
    icon_->setPixmap(ActionKindPicture(kind, PictureScale(*icon_)));
    icon_->setToolTip(UiString(ActionKindName(kind)));
    icon_->setAccessibleName(icon_->toolTip());
}

void TBotAction::Bind(int row, const model::TBotAction& step) {
    row_ = row;
    SetKind(step.kind);
    spin_->SetMinimum(model::kMinDuration);
    const bool goBack = step.kind == model::akGoBack;
    const TSpinFormat format = goBack ? GoBackFormat() : DurationFormat();
    // The up arrow of a go-back step runs towards the top of the list.
    spin_->SetMaximum(goBack ? row : model::kMaxDuration);
    spin_->SetIncrement(goBack ? -1 : 1);
    spin_->SetDecimals(format.decimals);
    spin_->SetPrefix(format.prefix);
    spin_->SetSuffix(format.suffix);
    spin_->SetPosition(step.value);
    // The arrows by what they do to the step (the up arrow of a go-back step goes up the list).
    spin_->UpArrow()->setAccessibleName(
        UiString(goBack ? resources::str::kSpokenEarlierStep : resources::str::kSpokenLonger));
    spin_->DownArrow()->setAccessibleName(
        UiString(goBack ? resources::str::kSpokenLaterStep : resources::str::kSpokenShorter));
}

QString TBotAction::RangeHelp() const {
    const TSpinFormat& format = spin_->Format();
    const TNumberChars& chars = spin_->NumberChars();
    const int text = kind_ == model::akGoBack ? resources::str::kHelpGoBackRange
                                              : resources::str::kHelpDurationRange;
    return UiString(text).arg(FormatSpinValue(spin_->Minimum(), format, false, chars),
                              FormatSpinValue(spin_->Maximum(), format, false, chars));
}

void TBotAction::ShowWidget(bool visible) {
    icon_->setVisible(visible);
    spin_->setVisible(visible);
}

bool TBotAction::IsShown() const { return !icon_->isHidden(); }

void TBotAction::MoveToGrid(QWidget* grid) {
    const bool shown = IsShown();
    icon_->setParent(grid);
    spin_->setParent(grid);
    setParent(grid);
    Place();
    ShowWidget(shown);
}

}  // namespace kavrin::ui
