#include "ui/start_window.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include "resources/resources.h"
#include "resources/skin_layout.h"
#include "resources/ui_strings.h"
#include "ui/picture_scale.h"
#include "ui/skin.h"
#include "ui/ui_text.h"
#include "ui/window_place.h"

namespace kavrin::ui {

namespace {

constexpr QRect kBackgroundBounds{0, 0, 361, 130};
constexpr QRect kBeginnerBounds{72, 16, 125, 33};
constexpr QRect kAdvancedBounds{72, 64, 125, 33};
// Room a caption leaves on either side of it, inside the button's frame.
constexpr int kCaptionMargin = 12;
constexpr int kNarrowestCaption = 85;  // stretch, in percent
constexpr int kSmallestCaptionPointSize = 6;

// The background picture at the scale, or a null pixmap when the resource is missing or
// unreadable.
QPixmap BackgroundPicture(int scale) {
    return LoadPicture(resources::kGifType, TIntroForm::kBackgroundPictureId, scale);
}

}  // namespace

TIntroForm::TIntroForm(QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette grey = palette();
    grey.setColor(QPalette::Window, Qt::gray);
    setPalette(grey);

    backgroundScale_ = PictureScale(*this);
    const QPixmap picture = BackgroundPicture(backgroundScale_);
    if (!picture.isNull()) {
        background_ = new QLabel(this);
        background_->setGeometry(kBackgroundBounds);
        background_->setPixmap(picture);
    }

    beginnerButton_ = new QPushButton(UiString(resources::str::kBeginner), this);
    beginnerButton_->setGeometry(kBeginnerBounds);
    advancedButton_ = new QPushButton(UiString(resources::str::kAdvanced), this);
    advancedButton_->setGeometry(kAdvancedBounds);
    beginnerButton_->setDefault(true);
    for (QPushButton* button : {beginnerButton_, advancedButton_}) {
        button->setAutoDefault(true);  // Enter presses the button in focus, as Space does
        button->setFocusPolicy(Qt::StrongFocus);
    }
    setTabOrder(beginnerButton_, advancedButton_);
    beginnerButton_->setFocus(Qt::OtherFocusReason);
    // Both captions in one type, in which the longer keeps a margin to the button's edges.
    const QFont type = TypeThatFits(font(), {beginnerButton_->text(), advancedButton_->text()},
                                    kAdvancedBounds.width() - 2 * kCaptionMargin, kNarrowestCaption,
                                    kSmallestCaptionPointSize);
    beginnerButton_->setFont(type);
    advancedButton_->setFont(type);
    connect(beginnerButton_, &QPushButton::clicked, this,
            [this] { Choose(model::TMode::Beginner); });
    connect(advancedButton_, &QPushButton::clicked, this,
            [this] { Choose(model::TMode::Advanced); });

    setWindowTitle(TitleFor(FromCore(resources::GetVersionText())));
    CentreOnScreen(*this);
}

QString TIntroForm::TitleFor(const QString& version) {
    return QStringLiteral("Kavrin v") + version + QStringLiteral(" - ") +
           UiString(resources::str::kChooseMode);
}

void TIntroForm::Choose(model::TMode mode) {
    if (modeChosen_) {
        return;
    }
    modeChosen_ = true;
    hide();
    Q_EMIT ModeChosen(mode);
}

void TIntroForm::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Left:
            beginnerButton_->setFocus(Qt::TabFocusReason);
            return;
        case Qt::Key_Down:
        case Qt::Key_Right:
            advancedButton_->setFocus(Qt::TabFocusReason);
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void TIntroForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The picture for the screen the window shows on.
    if (background_ != nullptr && PictureScale(*this) != backgroundScale_) {
        backgroundScale_ = PictureScale(*this);
        background_->setPixmap(BackgroundPicture(backgroundScale_));
    }
    if (!beginnerButton_->hasFocus() && !advancedButton_->hasFocus()) {
        beginnerButton_->setFocus(Qt::OtherFocusReason);
    }
    activateWindow();
}

void TIntroForm::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    if (!drawn_) {
        drawn_ = true;
        // Queued, so that the picture reaches the screen first.
        QMetaObject::invokeMethod(this, &TIntroForm::FirstDrawn, Qt::QueuedConnection);
    }
}

void TIntroForm::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!modeChosen_) {
        Q_EMIT ClosedWithoutMode();
    }
}

}  // namespace kavrin::ui
