#include "resources/skin_layout.h"

#include "resources/resources.h"

namespace kavrin::resources {

namespace {

std::uint16_t Word(std::span<const std::uint8_t> bytes, std::size_t offset) {
    return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

// A Boolean field counts by its low byte only.
bool Flag(std::span<const std::uint8_t> bytes, std::size_t offset) { return bytes[offset] != 0; }

std::span<const std::uint8_t> FindLayout(int n, bool advanced) {
    const std::optional<int> id = ResolveLayoutId(n, advanced);
    return id ? find(kDataType, *id) : std::span<const std::uint8_t>{};
}

}  // namespace

std::optional<int> ResolveResourceId(std::string_view type, int beginnerId, int advancedId,
                                     bool advanced) {
    if (advanced && !find(type, advancedId).empty()) {
        return advancedId;
    }
    if (!find(type, beginnerId).empty()) {
        return beginnerId;
    }
    return std::nullopt;
}

std::optional<int> ResolveLayoutId(int n, bool advanced) {
    return ResolveResourceId(kDataType, n, n + kAdvancedLayoutOffset, advanced);
}

std::string_view SkinPictureType(int slot) {
    return slot == kBackgroundSlot ? kBitmapType : kGifType;
}

std::optional<int> SkinPictureId(int slot, bool advanced) {
    return ResolveResourceId(SkinPictureType(slot), slot + kPictureOffset,
                             slot + kAdvancedPictureOffset, advanced);
}

std::span<const std::uint8_t> FindSkinPicture(int slot, bool advanced) {
    const std::optional<int> id = SkinPictureId(slot, advanced);
    return id ? find(SkinPictureType(slot), *id) : std::span<const std::uint8_t>{};
}

std::optional<TImageLayout> DecodeImageLayout(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kImageLayoutSize) {
        return std::nullopt;
    }
    TImageLayout layout;
    layout.tag = Word(bytes, 0);
    layout.left = Word(bytes, 2);
    layout.top = Word(bytes, 4);
    layout.width = Word(bytes, 6);
    layout.height = Word(bytes, 8);
    layout.stretch = Flag(bytes, 10);
    layout.transparent = Flag(bytes, 12);
    layout.visible = Flag(bytes, 14);
    return layout;
}

std::optional<TControlLayout> DecodeControlLayout(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kControlLayoutSize) {
        return std::nullopt;
    }
    return TControlLayout{Word(bytes, 0), Word(bytes, 2), Word(bytes, 4), Word(bytes, 6)};
}

std::optional<TImageLayout> FindImageLayout(int slot, bool advanced) {
    return DecodeImageLayout(FindLayout(slot, advanced));
}

std::optional<TControlLayout> FindControlLayout(int n, bool advanced) {
    return DecodeControlLayout(FindLayout(n, advanced));
}

}  // namespace kavrin::resources
