// One language at a time: the English table against the Greek one, the lookup of a language's
// own forms with the base forms behind them, the choice of the language and the filling of a
// string's places.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::resources {
namespace {

std::u32string Decode(std::span<const std::uint8_t> raw) {
    std::u32string out;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
        out += static_cast<char32_t>(raw[i] | (raw[i + 1] << 8));
    }
    return out;
}

bool HasGreekLetter(std::span<const std::uint8_t> raw) {
    const std::u32string text = Decode(raw);
    return std::ranges::any_of(text, [](char32_t c) { return c >= 0x370 && c <= 0x3FF; });
}

// The places (%1 to %9) a text has, and its accelerator marks (a single "&").
std::multiset<std::string> Places(const std::string& text) {
    std::multiset<std::string> places;
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') {
            places.insert(text.substr(i, 2));
        } else if (text[i] == '&') {
            places.insert("&");
        }
    }
    return places;
}

// What a file dialog filter matches: every "(...)" of the text.
std::vector<std::string> Patterns(const std::string& text) {
    std::vector<std::string> out;
    for (std::size_t open = text.find('('); open != std::string::npos;
         open = text.find('(', open + 1)) {
        const std::size_t close = text.find(')', open);
        if (close == std::string::npos) break;
        const std::string inside = text.substr(open, close - open + 1);
        if (inside.find('*') != std::string::npos) out.push_back(inside);
    }
    return out;
}

// Every number of the Greek table, whoever added it, needs its English; the English table holds
// nothing else, and no Greek letter.
TEST(Translation, EnglishHasEveryGreekNumberAndNothingElse) {
    const std::vector<int> greek = ownIds(kStringType, TLanguage::Greek);
    const std::vector<int> english = ownIds(kStringType, TLanguage::English);
    ASSERT_FALSE(greek.empty());
    for (int id : greek) {
        EXPECT_FALSE(findOwn(kStringType, id, TLanguage::English).empty())
            << "string " << id << " has no English: it would show in Greek";
    }
    for (int id : english) {
        EXPECT_TRUE(std::ranges::binary_search(greek, id)) << "string " << id << " is English only";
        EXPECT_FALSE(HasGreekLetter(findOwn(kStringType, id, TLanguage::English)))
            << "string " << id << ": " << GetUIString(id, TLanguage::English);
    }
}

// A caller fills the same places and finds the same shortcut marker whichever table it reads;
// texts put next to others keep their blanks; dialog filters match the same files.
TEST(Translation, BothTablesComposeAlike) {
    for (int id : ownIds(kStringType, TLanguage::Greek)) {
        SCOPED_TRACE(id);
        const std::string greek = GetUIString(id, TLanguage::Greek);
        const std::string english = GetUIString(id, TLanguage::English);
        EXPECT_EQ(Places(greek), Places(english)) << greek << " / " << english;
        EXPECT_EQ(greek.front() == ' ', english.front() == ' ') << english;
        EXPECT_EQ(greek.back() == ' ', english.back() == ' ') << english;
        EXPECT_EQ(Patterns(greek), Patterns(english));
    }
    EXPECT_EQ(GetUIString(str::kDurationSuffix, TLanguage::English), " sec");
    EXPECT_EQ(GetUIString(str::kGoBackPrefix, TLanguage::English), "Step ");
    // The fix for a port the user may not open names the group and the command in both.
    EXPECT_NE(
        GetUIString(str::kNoPermissionFix, TLanguage::English).find("usermod -aG dialout $USER"),
        std::string::npos);
}

TEST(LanguageLookup, OwnFormsStandInForTheBaseWhereTheyExist) {
    // A string: each language its own.
    EXPECT_EQ(GetUIString(str::kYes, TLanguage::Greek), "Ναι");
    EXPECT_EQ(GetUIString(str::kYes, TLanguage::English), "Yes");
    // A resource without an English form: English reads the base form, findOwn nothing.
    const auto motion = find(kDataType, kMotionTemplateId, TLanguage::English);
    ASSERT_FALSE(motion.empty());
    EXPECT_EQ(motion.data(), find(kDataType, kMotionTemplateId, TLanguage::Greek).data());
    EXPECT_TRUE(findOwn(kDataType, kMotionTemplateId, TLanguage::English).empty());
    EXPECT_FALSE(findOwn(kDataType, kMotionTemplateId, TLanguage::Greek).empty());
    // Nothing in either: nothing.
    EXPECT_TRUE(find(kStringType, kFirstUIString - 1, TLanguage::English).empty());
    EXPECT_EQ(GetUIString(kLastUIString + 1, TLanguage::English), "");
    // The base forms are all Greek's own; English lists only its own.
    const std::vector<int> data = ownIds(kDataType, TLanguage::Greek);
    EXPECT_TRUE(std::ranges::binary_search(data, kMotionTemplateId));
    EXPECT_FALSE(
        std::ranges::binary_search(ownIds(kDataType, TLanguage::English), kMotionTemplateId));
}

TEST(LanguageLookup, TheCurrentLanguageSteersThePlainLookups) {
    const TLanguage before = CurrentLanguage();
    SetLanguage(TLanguage::English);
    EXPECT_EQ(GetUIString(str::kNo), "No");
    EXPECT_EQ(FormatUIString(str::kSimTime, {"1.5"}), "Time 1.5 s");
    SetLanguage(TLanguage::Greek);
    EXPECT_EQ(GetUIString(str::kNo), "Όχι");
    EXPECT_EQ(find(kStringType, str::kNo).data(),
              findOwn(kStringType, str::kNo, TLanguage::Greek).data());
    SetLanguage(before);
}

TEST(LanguageChoice, CommandLineThenSettingThenTheSystem) {
    const std::vector<std::string> greekSystem{"el-GR", "en-US"};
    const std::vector<std::string> englishSystem{"en-US", "el-GR"};
    // The system's first language decides alone.
    EXPECT_EQ(ChooseLanguage("", "", greekSystem), TLanguage::Greek);
    EXPECT_EQ(ChooseLanguage("", "", englishSystem), TLanguage::English);
    // The setting overrides it, the command line both.
    EXPECT_EQ(ChooseLanguage("", "en", greekSystem), TLanguage::English);
    EXPECT_EQ(ChooseLanguage("", "el", englishSystem), TLanguage::Greek);
    EXPECT_EQ(ChooseLanguage("el", "en", englishSystem), TLanguage::Greek);
    EXPECT_EQ(ChooseLanguage("en", "el", greekSystem), TLanguage::English);
    EXPECT_EQ(ChooseLanguage("EN", "", greekSystem), TLanguage::English);
    // A setting that names no language is as good as none.
    EXPECT_EQ(ChooseLanguage("", "fr", greekSystem), TLanguage::Greek);
    EXPECT_EQ(ChooseLanguage("", "english", greekSystem), TLanguage::Greek);
    EXPECT_EQ(ChooseLanguage("de", "", englishSystem), TLanguage::English);
}

TEST(LanguageChoice, GreekTagsInEverySpellingAndEverythingElseEnglish) {
    for (const char* tag : {"el", "el-GR", "el_GR.UTF-8", "EL_gr", "el-CY"}) {
        const std::vector<std::string> ui{tag};
        EXPECT_EQ(ChooseLanguage("", "", ui), TLanguage::Greek) << tag;
    }
    for (const char* tag : {"en", "C", "POSIX", "de-DE", "ell", "e", "", "-el"}) {
        const std::vector<std::string> ui{tag};
        EXPECT_EQ(ChooseLanguage("", "", ui), TLanguage::English) << tag;
    }
    EXPECT_EQ(ChooseLanguage("", "", {}), TLanguage::English);
    EXPECT_EQ(LanguageOfCode("el"), TLanguage::Greek);
    EXPECT_EQ(LanguageOfCode("En"), TLanguage::English);
    EXPECT_EQ(LanguageOfCode("el-GR"), std::nullopt);
    EXPECT_EQ(LanguageOfCode(""), std::nullopt);
    for (TLanguage language : kLanguages) {
        EXPECT_EQ(LanguageOfCode(LanguageCode(language)), language);
    }
}

TEST(Formatting, FillsEachPlaceOnceAndKeepsTheRest) {
    EXPECT_EQ(FormatText("%2 before %1", {"a", "b"}), "b before a");
    // An argument is not searched for places again (a file may be named "%2.kvn").
    EXPECT_EQ(FormatText("open %1: %2", {"%2.kvn", "gone"}), "open %2.kvn: gone");
    // Places without an argument, %0, a lone % and a trailing % stay.
    EXPECT_EQ(FormatText("%1 %3 %0 50% %", {"x"}), "x %3 %0 50% %");
    EXPECT_EQ(FormatText("", {"x"}), "");
    EXPECT_EQ(FormatText("%1%1", {"ab"}), "abab");
}

}  // namespace
}  // namespace kavrin::resources
