#pragma once
// A set of 64-bit fingerprints of work a fuzz target has done, so that it need not do it again
// on an input that leads to the same work: an open-addressed table allocated once, so a run
// allocates nothing that outlives it (libFuzzer's leak check re-runs such inputs), emptied when
// it is three quarters full. Fingerprint 0 is the empty slot's, so Hash never returns it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace kavrin::fuzz {

// FNV-1a over the bytes, seeded with a tag (the mode flags) so that one text under two tags
// counts twice.
template <typename Bytes>
std::uint64_t Hash(const Bytes& bytes, std::uint64_t tag) {
    std::uint64_t h = 0xcbf29ce484222325ULL ^ (tag * 0x9e3779b97f4a7c15ULL);
    for (const auto byte : bytes) {
        h = (h ^ static_cast<std::uint8_t>(byte)) * 0x100000001b3ULL;
    }
    return h == 0 ? 1 : h;
}

class TSeenSet {
public:
    static constexpr std::size_t kSlots = std::size_t{1} << 20;  // 8 MB

    // True when the fingerprint is new (and now kept), false when it was seen before.
    bool Insert(std::uint64_t fingerprint) {
        if (used_ >= kSlots / 4 * 3) {
            std::fill_n(slots_.get(), kSlots, 0);
            used_ = 0;
        }
        for (std::size_t i = fingerprint & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
            if (slots_[i] == fingerprint) return false;
            if (slots_[i] == 0) {
                slots_[i] = fingerprint;
                ++used_;
                return true;
            }
        }
    }

private:
    std::unique_ptr<std::uint64_t[]> slots_ = std::make_unique<std::uint64_t[]>(kSlots);
    std::size_t used_ = 0;
};

}  // namespace kavrin::fuzz
