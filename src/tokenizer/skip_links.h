#pragma once
// Skip links beside the element list, so that the reader steps over a run of cancelled elements
// at once instead of one element at a time.
//
// Declarations and conditional compilation cancel elements as they go, and every later pass
// walks the list again from the start; a program of many declarations would otherwise have each
// pass (and each cancellation, which looks back for the nearest live element) walk over all
// the declarations cancelled before. Each element links forward to an element at or after it
// and back to one at or before it, with only cancelled elements strictly between; a live
// element links to itself. A lookup halves the links it follows, so a run, however long, costs
// a few steps the first time it is crossed and one step after that.

#include <array>
#include <cstdint>

#include "tokenizer/elements.h"

namespace kavrin::tokenizer {

class SkipLinks {
public:
    // Element i has just been appended: it is live.
    void Add(int i) {
        forward_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i);
        back_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(i);
    }

    // Elements a..b (inclusive, inside the list) have been cancelled.
    void Cancel(int a, int b) {
        for (int i = a; i <= b; ++i) {
            forward_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(b + 1);
            back_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(a - 1);
        }
    }

    // The first live element at or after i, or i itself when i >= end; end when all are
    // cancelled from i on. Not const in effect: the links followed are shortened.
    int NextLive(int i, int end) const {
        while (i < end) {
            const int next = forward_[static_cast<std::size_t>(i)];
            if (next == i) return i;
            const int further = next < end ? forward_[static_cast<std::size_t>(next)] : next;
            forward_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(further);
            i = further;
        }
        return i;
    }

    // The last live element at or before i, -1 when there is none.
    int PrevLive(int i) const {
        while (i >= 0) {
            const int prev = back_[static_cast<std::size_t>(i)];
            if (prev == i) return i;
            const int further = prev >= 0 ? back_[static_cast<std::size_t>(prev)] : prev;
            back_[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(further);
            i = further;
        }
        return -1;
    }

private:
    static_assert(kMaxElements < INT16_MAX, "links hold element indices in 16 bits");
    // Mutable because a lookup shortens the links; what they say never changes.
    mutable std::array<std::int16_t, kMaxElements> forward_{};
    mutable std::array<std::int16_t, kMaxElements> back_{};
};

}  // namespace kavrin::tokenizer
