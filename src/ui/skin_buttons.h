#pragma once
// The main window's skin buttons. Each is four skin images at one place: normal, highlighted
// (under the pointer; it takes the press and the click), pressed, and an overlay that greys the
// button out while its command is unavailable.

#include <QObject>

#include <array>

#include "model/document.h"

namespace kavrin::ui {

class TSkin;
class TSkinImage;

enum TSkinButton : int {
    sbNone = 0,
    sbGo = 1,
    sbClear = 2,
    sbTest = 3,
    sbLoad = 4,
    sbSave = 5,
    sbQuit = 6,
    sbDelete = 7,
    sbCopy = 8,
    sbCut = 9,
    sbPaste = 10,
    sbUndo = 11,
};
inline constexpr int kSkinButtonCount = 11;

class TSkinButtons : public QObject {
    Q_OBJECT

public:
    // The images of a button, in slot order.
    enum TState { bsNormal = 0, bsHighlight = 1, bsPressed = 2, bsOverlay = 3 };

    TSkinButtons(const TSkin& skin, QObject* parent);

    // First skin slot of a button's four images.
    static int FirstSlot(int button);
    TSkinImage* Image(int button, TState state) const;

    // Shows the overlays of the commands that are unavailable. Test, Load and Quit are always
    // available.
    void SetAvailability(const model::TCommandAvailability& availability);
    bool Available(int button) const;

    void HideHighlights();
    void HideEditHighlights();

Q_SIGNALS:
    // The pointer moved onto a button (its highlight now shows) or onto a command button's
    // overlay (button 0: only the highlights were hidden).
    void Hovered(int button);
    // The pointer moved over an edit button's overlay: like the window's background.
    void OverlayHovered();
    void Clicked(int button);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct TImages {
        std::array<TSkinImage*, 4> images{};
    };

    void Hover(int button);
    // The button and state of a watched image, or button 0.
    std::pair<int, TState> Find(const QObject* watched) const;

    std::array<TImages, kSkinButtonCount + 1> buttons_{};
};

}  // namespace kavrin::ui
