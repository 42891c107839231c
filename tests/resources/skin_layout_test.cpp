// The skin's layout records: which record each mode reads, the records' byte form, and the set of
// records the build carries.

#include "resources/skin_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "resources/resources.h"

namespace kavrin::resources {
namespace {

constexpr bool kBeginner = false;
constexpr bool kAdvanced = true;

TEST(SkinLayout, ModeRulePicksAdvancedRecordOnlyWhereItExists) {
    EXPECT_EQ(ResolveLayoutId(14, kAdvanced), 14);  // no record 104
    EXPECT_EQ(ResolveLayoutId(16, kAdvanced), 106);
    EXPECT_EQ(ResolveLayoutId(16, kBeginner), 16);
    EXPECT_EQ(ResolveLayoutId(10, kBeginner), std::nullopt);
    EXPECT_EQ(ResolveLayoutId(10, kAdvanced), 100);
    // The test window's records have no Advanced form.
    for (int n = kTestWindowLayout; n <= kExitButtonLayout; ++n) {
        EXPECT_EQ(ResolveLayoutId(n, kAdvanced), n) << n;
    }
    EXPECT_EQ(ResolveLayoutId(kToDoListLayout, kAdvanced), 178);
    EXPECT_EQ(ResolveLayoutId(kSensorListLayout, kAdvanced), kSensorListLayout);
    EXPECT_EQ(ResolveLayoutId(kSensorNotebookLayout, kBeginner), std::nullopt);

    EXPECT_EQ(FindImageLayout(14, kAdvanced), FindImageLayout(14, kBeginner));
    EXPECT_FALSE(FindImageLayout(10, kBeginner));
    EXPECT_FALSE(FindControlLayout(kSensorActionPanelLayout, kBeginner));
    EXPECT_EQ(FindControlLayout(kSensorActionPanelLayout, kAdvanced),
              (TControlLayout{471, 69, 25, 25}));
}

TEST(SkinLayout, BuildCarriesExactlyTheLayoutRecords) {
    std::vector<int> expected;
    auto range = [&](int first, int last) {
        for (int id = first; id <= last; ++id) expected.push_back(id);
    };
    range(1, 9);
    range(11, 70);
    range(73, 89);
    range(93, 94);
    range(96, 103);
    range(106, 165);
    range(178, 178);
    std::vector<int> present;
    for (int id = 1; id <= 179; ++id) {
        const auto bytes = find(kDataType, id);
        if (bytes.empty()) continue;
        present.push_back(id);
        const bool image = id <= 65 || (id >= 91 && id <= 155);
        EXPECT_EQ(bytes.size(), image ? kImageLayoutSize : kControlLayoutSize) << id;
    }
    EXPECT_EQ(present, expected);
}

TEST(SkinLayout, RecordsHoldTheDesignedFaces) {
    EXPECT_EQ(FindImageLayout(1, kAdvanced), (TImageLayout{0, 0, 0, 801, 577, true, false, true}));
    EXPECT_EQ(FindImageLayout(3, kAdvanced), (TImageLayout{8, 778, 0, 19, 485, true, false, true}));
    EXPECT_EQ(FindImageLayout(10, kAdvanced),
              (TImageLayout{0, 457, 56, 207, 284, true, true, true}));
    // Buttons: tag on every image of an edit button, on the first two of a command button; the
    // disabled image starts visible for all but test, load and exit.
    EXPECT_EQ(FindImageLayout(25, kBeginner),
              (TImageLayout{7, 186, 381, 65, 28, false, false, true}));
    EXPECT_EQ(FindImageLayout(41, kAdvanced),
              (TImageLayout{11, 498, 346, 65, 28, false, false, true}));
    EXPECT_EQ(FindImageLayout(53, kBeginner),
              (TImageLayout{0, 199, 429, 86, 40, false, false, false}));
    EXPECT_EQ(FindImageLayout(62, kAdvanced),
              (TImageLayout{6, 598, 392, 86, 40, false, false, true}));
    EXPECT_EQ(FindImageLayout(21, kBeginner),
              (TImageLayout{0, 69, 240, 54, 54, false, false, true}));
    EXPECT_EQ(FindControlLayout(kMainWindowLayout, kAdvanced), (TControlLayout{0, 0, 797, 527}));
    EXPECT_EQ(FindControlLayout(kHelpMemoLayout, kBeginner), (TControlLayout{16, 482, 545, 51}));
    EXPECT_EQ(FindControlLayout(kExitButtonLayout, kAdvanced), (TControlLayout{407, 424, 170, 25}));
}

TEST(SkinLayout, DecodingReadsLittleEndianFieldsAndLowByteFlags) {
    const std::vector<std::uint8_t> record{0x0B, 0x00, 0x34, 0x12, 0x02, 0x00, 0x10, 0x00,
                                           0x20, 0x00, 0x00, 0x01, 0x01, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(DecodeImageLayout(record), (TImageLayout{11, 0x1234, 2, 16, 32, false, true, true}));
    EXPECT_EQ(DecodeControlLayout(std::span(record).first(8)), (TControlLayout{11, 0x1234, 2, 16}));
    // A short record is treated as missing instead of being read past its end.
    EXPECT_FALSE(DecodeImageLayout(std::span(record).first(15)));
    EXPECT_FALSE(DecodeControlLayout(std::span(record).first(7)));
}

}  // namespace
}  // namespace kavrin::resources
