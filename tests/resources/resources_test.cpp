// The embedded resource store: lookup, the UI string table, the small start-up resources with
// their fallbacks, and the byte form of the text resources.

#include "resources/resources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "resources/ui_strings.h"

namespace kavrin::resources {
namespace {

std::string Text(std::span<const std::uint8_t> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

// True when bytes is well-formed UTF-8 (no overlong forms, no surrogates, at most U+10FFFF).
bool IsUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const int tail = lead < 0x80         ? 0
                         : (lead >> 5) == 6  ? 1
                         : (lead >> 4) == 14 ? 2
                         : (lead >> 3) == 30 ? 3
                                             : -1;
        if (tail < 0 || bytes.size() - i <= static_cast<std::size_t>(tail)) return false;
        std::uint32_t code = tail == 0 ? lead : lead & (0x3Fu >> tail);
        for (int k = 1; k <= tail; ++k) {
            const auto c = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((c >> 6) != 2) return false;
            code = (code << 6) | (c & 0x3Fu);
        }
        constexpr std::uint32_t kLeast[] = {0, 0x80, 0x800, 0x10000};
        if (code < kLeast[tail] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += 1 + static_cast<std::size_t>(tail);
    }
    return true;
}

// True when raw is well-formed UTF-16LE: whole units, every surrogate in a proper pair.
bool IsUtf16Le(std::span<const std::uint8_t> raw) {
    if (raw.size() % 2 != 0) return false;
    for (std::size_t i = 0; i < raw.size(); i += 2) {
        const unsigned unit = raw[i] | (raw[i + 1] << 8);
        if (unit >= 0xDC00 && unit <= 0xDFFF) return false;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 3 >= raw.size()) return false;
            const unsigned next = raw[i + 2] | (raw[i + 3] << 8);
            if (next < 0xDC00 || next > 0xDFFF) return false;
            i += 2;
        }
    }
    return true;
}

// The entries that are a single blank on purpose: a label with nothing to say in this build,
// and the empty help texts.
constexpr int kBlankEntries[] = {str::kPortLabel1, 428, str::kHelpBlank};

// The table of the design (366 to 451) and Kavrin's own strings come in blocks without gaps.
bool Expected(int id) {
    return id <= str::kProgramNotKept || (id >= str::kSimTitle && id <= str::kReasonTooLarge) ||
           (id >= str::kFirstQtText && id <= str::kLastQtText) ||
           (id >= str::kMissionLabel && id <= str::kMissionPanelTip) ||
           (id >= str::kMissionSquareTitle && id <= str::kMissionMazeGoal) ||
           (id >= str::kFileCannotRead && id <= str::kMissionStepsTwice) ||
           (id >= str::kSimStepMain && id <= str::kSimOlderProgram) ||
           (id >= str::kRunningStepNumber && id <= str::kLastActionDescription) ||
           (id >= str::kRecoverNamedProgram && id <= str::kRecoverUnnamedProgram) ||
           (id >= str::kSheetDialogTitle && id <= str::kLastSheetString) ||
           (id >= str::kReasonBadName && id <= str::kHelpWelcomeSerialPort) ||
           (id >= str::kJudgeClassButton && id <= str::kHelpMissionForbidsTile) ||
           (id >= str::kHelpListKeys && id <= str::kLastKeyboardString) ||
           (id >= str::kHelpDurationRange && id <= str::kHelpGoBackRange) ||
           (id >= str::kSpokenStep && id <= str::kLastSpokenString);
}

TEST(UIStrings, EveryNumberIsPresentWellFormedAndNotEmpty) {
    const std::vector<int> ids = ownIds(kStringType, TLanguage::Greek);
    for (int id = kFirstUIString; id <= kLastUIString; ++id) {
        EXPECT_EQ(std::ranges::binary_search(ids, id), Expected(id)) << "string " << id;
    }
    for (int id : ids) {
        EXPECT_GE(id, kFirstUIString);
        EXPECT_LE(id, kLastUIString);
        const std::span<const std::uint8_t> raw = find("WSDATA", id);
        ASSERT_FALSE(raw.empty()) << "string " << id;
        EXPECT_TRUE(IsUtf16Le(raw)) << "string " << id;
        const std::string text = GetUIString(id);
        EXPECT_TRUE(IsUtf8(text)) << "string " << id;
        const bool blank = std::ranges::find(kBlankEntries, id) != std::end(kBlankEntries);
        if (blank) {
            EXPECT_EQ(text, " ") << "string " << id;
        } else {
            EXPECT_NE(text.find_first_not_of(' '), std::string::npos) << "string " << id;
        }
    }
}

TEST(UIStrings, TextsTheirCallersComposeWith) {
    // Put next to a number or a step, so their blanks matter.
    EXPECT_EQ(GetUIString(str::kDurationSuffix), " sec");
    EXPECT_EQ(GetUIString(str::kGoBackPrefix), "Βήμα ");
    // Shown as answers in the port table.
    EXPECT_EQ(GetUIString(str::kYes), "Ναι");
    EXPECT_EQ(GetUIString(str::kNo), "Όχι");
    // The fix for a port the user may not open names the group and the command.
    EXPECT_NE(GetUIString(str::kNoPermissionFix).find("usermod -aG dialout $USER"),
              std::string::npos);
}

TEST(UIStrings, NumbersOutsideTheTableAreEmpty) {
    EXPECT_EQ(GetUIString(kFirstUIString - 1), "");
    EXPECT_EQ(GetUIString(kLastUIString + 1), "");
    EXPECT_EQ(GetUIString(-1), "");
    EXPECT_EQ(GetUIString(362), "");  // a DATA number is no string
}

TEST(UIStrings, AreStoredAsRawUtf16WithoutTerminator) {
    // "Ναι": three characters, six bytes, no byte-order mark, no trailing zero.
    const auto raw = find("WSDATA", 387);
    const std::vector<std::uint8_t> expected{0x9D, 0x03, 0xB1, 0x03, 0xB9, 0x03};
    EXPECT_EQ(std::vector<std::uint8_t>(raw.begin(), raw.end()), expected);
    EXPECT_EQ(find("WSDATA", 377).size(), 2u);
}

TEST(Utf16Decoding, HandlesPairsAndDamage) {
    // U+1F600 as a surrogate pair, then an unpaired low surrogate, then an odd trailing byte.
    const std::vector<std::uint8_t> raw{0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xDC, 0x41, 0x00, 0x42};
    EXPECT_EQ(Utf16LeToUtf8(raw),
              "\xF0\x9F\x98\x80\xEF\xBF\xBD"
              "A");
    EXPECT_EQ(Utf16LeToUtf8({}), "");
}

TEST(ResourceStore, FindsByTypeAndNumber) {
    EXPECT_FALSE(find("DATA", 362).empty());
    EXPECT_FALSE(find("DATA", 364).empty());
    EXPECT_TRUE(find("DATA", 363).empty());
    EXPECT_TRUE(find("data", 362).empty());  // type names are exact
    EXPECT_TRUE(find("GIF", 362).empty());
    EXPECT_TRUE(find("", 0).empty());
}

TEST(SmallResources, CharsetAndCommandLettersOfThisBuild) {
    EXPECT_EQ(GetFontCharset(), 161);
    const TCommandLetters letters = GetCommandLetters();
    EXPECT_EQ(std::string(letters.begin(), letters.end()), "DCTPUGVRELSQ");
    EXPECT_EQ(Text(find("DATA", 361)), "DCTPUGVRELSQ");  // no line break, no terminator
}

TEST(SmallResources, FallBackWhenMissingOrUnusable) {
    EXPECT_EQ(DecodeFontCharset({}), 0);
    EXPECT_EQ(DecodeFontCharset(std::vector<std::uint8_t>{161}), 0);
    EXPECT_EQ(DecodeFontCharset(std::vector<std::uint8_t>{0xEE, 0x00}), 238);

    EXPECT_EQ(DecodeCommandLetters({}), kBuiltInCommandLetters);
    EXPECT_EQ(DecodeCommandLetters(Bytes("DCTPUG")), kBuiltInCommandLetters);
    EXPECT_EQ(DecodeCommandLetters(Bytes("dctpugvrelsq")), kBuiltInCommandLetters);
    const TCommandLetters other = DecodeCommandLetters(Bytes("ABCDEFGHIJ12"));
    EXPECT_EQ(std::string(other.begin(), other.end()), "ABCDEFGHIJ12");
}

TEST(Version, ComesFromTheBuild) { EXPECT_EQ(GetVersionText(), "1.3"); }

TEST(TextResources, HaveCrLfBreaksAndNoFinalBreak) {
    for (int id : {kMotionTemplateId, kTestProgramId}) {
        const std::string text = Text(find("DATA", id));
        ASSERT_FALSE(text.empty());
        EXPECT_NE(text.back(), '\n') << id;
        EXPECT_NE(text.back(), '\r') << id;
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\n') {
                ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << id << " at " << i;
            } else if (text[i] == '\r') {
                ASSERT_TRUE(i + 1 < text.size() && text[i + 1] == '\n') << id << " at " << i;
            }
        }
    }
}

TEST(TextResources, StartWithTheirDirectives) {
    EXPECT_TRUE(
        Text(find("DATA", kMotionTemplateId)).starts_with("'{$KORBLE KR2}\r\n'{$VELIC 2.5}\r\n"));
    EXPECT_TRUE(Text(find("DATA", kTestProgramId)).starts_with("'{$KORBLE KR2}\r\n"));
    // Debugging output stays out of the image unless someone removes the comment mark.
    EXPECT_NE(Text(find("DATA", kMotionTemplateId)).find("\r\n'#DEFINE Verbose\r\n"),
              std::string::npos);
}

}  // namespace
}  // namespace kavrin::resources
