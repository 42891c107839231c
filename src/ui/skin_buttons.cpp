#include "ui/skin_buttons.h"

#include <QAccessible>
#include <QEvent>
#include <QMouseEvent>

#include "resources/ui_strings.h"
#include "ui/accessibility.h"
#include "ui/help_texts.h"
#include "ui/skin.h"
#include "ui/ui_text.h"

namespace kavrin::ui {

namespace {

constexpr int kFirstCommandSlot = 42;  // Go's normal image; six command buttons follow
constexpr int kFirstEditSlot = 22;     // Delete's normal image; five edit buttons follow
constexpr int kImagesPerButton = 4;

bool IsEditButton(int button) { return button >= sbDelete && button <= sbUndo; }

// The caption the skin's picture of a button shows.
int CaptionOf(int button) {
    return IsEditButton(button) ? resources::str::kFirstEditCaption + button - sbDelete
                                : resources::str::kFirstCommandCaption + button - sbGo;
}

}  // namespace

int TSkinButtons::FirstSlot(int button) {
    if (button >= sbGo && button <= sbQuit) {
        return kFirstCommandSlot + kImagesPerButton * (button - sbGo);
    }
    if (IsEditButton(button)) {
        return kFirstEditSlot + kImagesPerButton * (button - sbDelete);
    }
    return 0;
}

TSkinButtons::TSkinButtons(const TSkin& skin, QObject* parent) : QObject(parent) {
    for (int button = sbGo; button <= sbUndo; ++button) {
        auto& images = buttons_[static_cast<std::size_t>(button)].images;
        for (int state = bsNormal; state <= bsOverlay; ++state) {
            TSkinImage* image = skin.Image(FirstSlot(button) + state);
            images[static_cast<std::size_t>(state)] = image;
            if (image == nullptr) {
                continue;
            }
            image->installEventFilter(this);
            image->setMouseTracking(true);
            if (state == bsHighlight) {
                image->setCursor(Qt::PointingHandCursor);
            }
        }
        // A screen reader finds the button at its normal picture, which is always shown; the
        // others lie over it.
        if (TSkinImage* normal = images[bsNormal]) {
            normal->setAccessibleName(UiString(CaptionOf(button)));
            normal->setAccessibleDescription(UiString(HelpForButton(button)));
            MarkPictureButton(
                *normal,
                [this, button] {
                    if (Available(button)) {
                        Q_EMIT Clicked(button);
                    }
                },
                [this, button] { return Available(button); });
        }
    }
}

TSkinImage* TSkinButtons::Image(int button, TState state) const {
    if (button < sbGo || button > sbUndo) {
        return nullptr;
    }
    return buttons_[static_cast<std::size_t>(button)].images[static_cast<std::size_t>(state)];
}

void TSkinButtons::SetAvailability(const model::TCommandAvailability& a) {
    std::array<bool, kSkinButtonCount + 1> before{};
    for (int button = sbGo; button <= sbUndo; ++button) {
        before[static_cast<std::size_t>(button)] = Available(button);
    }
    const std::pair<int, bool> driven[] = {
        {sbGo, a.run},    {sbClear, a.clear}, {sbSave, a.save},   {sbDelete, a.del},
        {sbCopy, a.copy}, {sbCut, a.cut},     {sbPaste, a.paste}, {sbUndo, a.undo},
    };
    for (const auto& [button, available] : driven) {
        if (TSkinImage* overlay = Image(button, bsOverlay)) {
            overlay->setVisible(!available);
        }
    }
    for (int button : {sbTest, sbLoad, sbQuit}) {
        if (TSkinImage* overlay = Image(button, bsOverlay)) {
            overlay->hide();
        }
    }
    for (int button = sbGo; button <= sbUndo; ++button) {
        TSkinImage* normal = Image(button, bsNormal);
        if (normal != nullptr && before[static_cast<std::size_t>(button)] != Available(button)) {
            QAccessible::State changed;
            changed.disabled = true;
            QAccessibleStateChangeEvent event(normal, changed);
            Announce(event);
        }
    }
}

bool TSkinButtons::Available(int button) const {
    const TSkinImage* overlay = Image(button, bsOverlay);
    return overlay == nullptr || overlay->isHidden();
}

void TSkinButtons::HideHighlights() {
    for (int button = sbGo; button <= sbUndo; ++button) {
        for (TState state : {bsHighlight, bsPressed}) {
            if (TSkinImage* image = Image(button, state)) {
                image->hide();
            }
        }
    }
}

void TSkinButtons::HideEditHighlights() {
    for (int button = sbDelete; button <= sbUndo; ++button) {
        if (TSkinImage* image = Image(button, bsHighlight)) {
            image->hide();
        }
    }
}

void TSkinButtons::Hover(int button) {
    HideHighlights();
    if (button == sbNone) {
        Q_EMIT Hovered(sbNone);
        return;
    }
    if (TSkinImage* highlight = Image(button, bsHighlight)) {
        highlight->show();
    }
    Q_EMIT Hovered(button);
}

std::pair<int, TSkinButtons::TState> TSkinButtons::Find(const QObject* watched) const {
    for (int button = sbGo; button <= sbUndo; ++button) {
        for (int state = bsNormal; state <= bsOverlay; ++state) {
            if (Image(button, static_cast<TState>(state)) == watched) {
                return {button, static_cast<TState>(state)};
            }
        }
    }
    return {sbNone, bsNormal};
}

bool TSkinButtons::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress &&
        type != QEvent::MouseButtonRelease) {
        return QObject::eventFilter(watched, event);
    }
    const auto [button, state] = Find(watched);
    if (button == sbNone) {
        return QObject::eventFilter(watched, event);
    }
    auto* mouse = static_cast<QMouseEvent*>(event);
    switch (state) {
        case bsNormal:
            if (type == QEvent::MouseMove) {
                Hover(button);
            }
            break;
        case bsPressed:
            if (type == QEvent::MouseMove && IsEditButton(button)) {
                Hover(button);
            }
            break;
        case bsOverlay:
            if (type == QEvent::MouseMove) {
                if (IsEditButton(button)) {
                    HideHighlights();
                    Q_EMIT OverlayHovered();
                } else {
                    Hover(sbNone);
                }
            }
            return true;  // an unavailable button takes no press
        case bsHighlight:
            if (mouse->button() != Qt::LeftButton) {
                break;
            }
            if (type == QEvent::MouseButtonPress) {
                // The pressed image lies above the highlight, which keeps the mouse until release.
                if (TSkinImage* pressed = Image(button, bsPressed)) {
                    pressed->show();
                }
                return true;
            }
            if (type == QEvent::MouseButtonRelease) {
                if (TSkinImage* pressed = Image(button, bsPressed)) {
                    pressed->hide();
                }
                auto* image = static_cast<QWidget*>(watched);
                if (image->rect().contains(mouse->position().toPoint()) && Available(button)) {
                    Q_EMIT Clicked(button);
                }
                return true;
            }
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace kavrin::ui
