#pragma once
// The skin: the picture controls that make up a borderless window's face, and the layout records
// that place them and the window's ordinary controls.
//
// A skin image shows its slot's picture: a plain bitmap for the background slot, an animated GIF
// (read and played by QMovie) for the others. Its tag, bounds, stretch, transparency and
// visibility come from the slot's image layout record. A slot without a picture or a record keeps
// what it has (an image fresh from LoadSkin: size 0 x 0, showing nothing); that is not an error.

#include <QFont>
#include <QLabel>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <span>

#include "model/action_program.h"
#include "resources/skin_layout.h"

class QMovie;

namespace kavrin::ui {

// A picture as the store keeps it: at the size the layouts measure, and drawn at twice that
// (empty when the store has none; picture_scale.h).
struct TPictureSource {
    bool bitmap = false;  // the background's plain bitmap (its larger form is a still GIF)
    std::span<const std::uint8_t> single;
    std::span<const std::uint8_t> doubled;
};

class TSkinImage : public QLabel {
    Q_OBJECT

public:
    explicit TSkinImage(int slot, QWidget* parent = nullptr);

    int Slot() const { return slot_; }

    // Command number of a skin button, or what the window gives it (a palette tile's kind).
    int Tag() const { return tag_; }
    void SetTag(int tag) { tag_ = tag; }

    bool Stretch() const { return hasScaledContents(); }
    void SetStretch(bool stretch) { setScaledContents(stretch); }

    // Opaque: the image paints its background where the picture is transparent. Transparent:
    // the window shows through there (for a bitmap, through its bottom-left pixel's colour).
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool transparent);

    // Replaces the picture with a bitmap or GIF file's bytes (kept by reference: the resource
    // store lives as long as the program). Returns false, leaving the image empty, when the
    // bytes are not a picture of that type.
    bool SetBitmap(std::span<const std::uint8_t> bytes);
    bool SetGif(std::span<const std::uint8_t> bytes);
    // Both sizes of a picture: the image shows the one for its screen (the larger one above one
    // pixel to the unit, of device pixel ratio 2), chosen now and again whenever it is shown or
    // its window moves to another screen. A GIF playing goes on from the same frame.
    bool SetPictures(const TPictureSource& source);
    void ClearPicture();

    // The scale of the picture shown: 2 for one drawn at twice the size, else 1.
    int ShownScale() const { return scale_; }
    // What is shown: the GIF's current frame or the bitmap, with its device pixel ratio.
    QPixmap ShownPixmap() const;

    // The GIF's player, or nullptr for a bitmap or an empty image.
    QMovie* Animation() const { return movie_; }
    // Picture size in units (first frame of a GIF); empty when there is no picture.
    QSize PictureSize() const;
    int FrameCount() const;

    // Plays the GIF at a speed in percent (100: as stored); stops it on the first frame.
    void Play(int speedPercent = 100);
    void StopAndRewind();

protected:
    bool event(QEvent* event) override;

private:
    void ApplyTransparency();
    bool Load(std::span<const std::uint8_t> bytes, bool bitmap, int scale);
    void ShowFrame();
    // Shows the source's picture for the screen, when that is not the one shown.
    void FollowScreen();

    int slot_;
    int scale_ = 1;
    TPictureSource source_;
    int tag_ = 0;
    bool transparent_ = false;
    QPixmap bitmap_;
    QMovie* movie_ = nullptr;
};

// The skin images of one window, by slot.
class TSkin {
public:
    // nullptr for a slot outside 1..65 or one not created.
    TSkinImage* Image(int slot) const;
    void SetImage(int slot, TSkinImage* image);

private:
    std::array<TSkinImage*, resources::kLastSkinSlot + 1> images_{};
};

// Creates skin slots 1 to 65 on the parent in slot order (a higher slot lies above a lower one),
// each with its picture and image layout for the mode. The parent owns the images.
TSkin LoadSkin(QWidget* parent, model::TMode mode);

// Loads the slot's picture ("BMP" for the background, "GIF" otherwise) with the mode rule;
// returns false and leaves the image as it was when there is none.
bool LoadSkinPicture(TSkinImage& image, model::TMode mode);

// Reads the slot's image layout record with the mode rule and applies, in this order: tag, left,
// top, width, height, stretch, transparency, visibility. Returns false, changing nothing, when
// there is no record.
bool ApplyImageLayout(TSkinImage& image, model::TMode mode);

// Places a control by control layout record n (Beginner number) with the mode rule: left, top,
// width and height in its parent's client coordinates; for a window, screen position and outer
// size (as far as the frame is known: before the first showing it is the client size). Returns
// false, changing nothing, when there is no record.
bool ApplyControlLayout(int n, QWidget& control, model::TMode mode);

// The windows' caption and grid type: Arial at a pixel height.
QFont ArialFont(int pixels, bool bold = false);

// The font, condensed in steps of 5 down to stretch narrowest, at which text first fits room
// pixels; the narrowest when nothing fits.
QFont CondensedToFit(QFont font, const QString& text, int room, int narrowest);

// The text of texts that is widest in a font (the first of equals; empty for none).
QString WidestText(const QFont& font, const QStringList& texts);

// The largest type, from font down to smallest, in which every text fits room pixels: condensed
// down to stretch narrowest first, then a size smaller. Sizes are the font's own: points, or
// pixels for a type given in pixels. Texts that belong together (a window's button captions) are
// thereby set in one type; the smallest when nothing fits.
QFont TypeThatFits(QFont font, const QStringList& texts, int room, int narrowest, int smallest);

}  // namespace kavrin::ui
