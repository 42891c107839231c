#pragma once
// Small builders shared by the document tests.

#include <initializer_list>

#include "model/document.h"

namespace kavrin::model::test {

struct StepSpec {
    std::uint8_t kind;
    std::int16_t value;
};

// Appends the steps to a list through the primitives, without undo snapshots.
inline void Fill(TActionDocument& doc, int list, std::initializer_list<StepSpec> steps) {
    for (const StepSpec& s : steps) {
        doc.InsertIntoList(list, doc.Count(list) + 1, s.value, s.kind);
    }
}

inline void FillForward(TActionDocument& doc, int list, int n) {
    for (int i = 0; i < n; ++i) {
        doc.InsertIntoList(list, doc.Count(list) + 1, static_cast<std::int16_t>(i % 255 + 1),
                           akForward);
    }
}

}  // namespace kavrin::model::test
