#pragma once
// The resources the executable carries, addressed by type name and number ("DATA" 362,
// "WSDATA" 366). The build embeds them; nothing is looked up on disk at run time.

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kavrin::resources {

// Resource types.
inline constexpr std::string_view kDataType = "DATA";
inline constexpr std::string_view kStringType = "WSDATA";

// "DATA" numbers read outside the skin layout.
inline constexpr int kFontCharsetId = 360;
inline constexpr int kCommandLettersId = 361;
inline constexpr int kMotionTemplateId = 362;
inline constexpr int kTestProgramId = 364;

// The UI string table, "WSDATA" 366 to 873. Not every number in between has a string.
inline constexpr int kFirstUIString = 366;
inline constexpr int kLastUIString = 873;

// --- Languages -----------------------------------------------------------------------------------

// The languages Kavrin speaks, one at a time. Greek is the base: every resource has a base form,
// and a language may have forms of its own (English has its string table and the pictures that
// carry captions) that stand in for the base form wherever they exist.
enum class TLanguage { Greek, English };
inline constexpr std::array<TLanguage, 2> kLanguages{TLanguage::Greek, TLanguage::English};

// "el", "en".
std::string_view LanguageCode(TLanguage language);
// The language of a code, "el" or "en" in any case; none for anything else.
std::optional<TLanguage> LanguageOfCode(std::string_view code);

// The language of this run's texts and pictures, chosen at start-up before any window or thread
// exists (the tests switch it between windows). Greek until set.
void SetLanguage(TLanguage language);
TLanguage CurrentLanguage();

// The language a run speaks: the command line's choice, else the "Language" setting, else the
// user's first interface language (a Greek tag such as "el-GR" or "el_GR.UTF-8" gives Greek,
// any other tag or none English). An empty or unknown choice or setting counts as absent.
TLanguage ChooseLanguage(std::string_view commandLine, std::string_view setting,
                         std::span<const std::string> uiLanguages);

// --- Lookup --------------------------------------------------------------------------------------

// The bytes of a resource in the current language (its own form, else the base form), or an
// empty span when there is none of that type and number.
std::span<const std::uint8_t> find(std::string_view type, int id);
std::span<const std::uint8_t> find(std::string_view type, int id, TLanguage language);

// Only the language's own form (for Greek the base form), with no fallback: what a check of a
// translation looks at.
std::span<const std::uint8_t> findOwn(std::string_view type, int id, TLanguage language);

// The numbers of a type that have a form of their own in the language, in increasing order.
std::vector<int> ownIds(std::string_view type, TLanguage language);

// The UI string with that number as UTF-8 (in the current language, or the one given), or an
// empty string when there is none.
std::string GetUIString(int id);
std::string GetUIString(int id, TLanguage language);

// A UI string with its places filled: %1 to %9 become the arguments in one pass, so an argument
// that itself holds "%2" stays as it is. A place without an argument is kept.
std::string FormatUIString(int id, std::initializer_list<std::string_view> args);
std::string FormatText(std::string_view text, std::initializer_list<std::string_view> args);

// Raw UTF-16LE (no terminator, no byte-order mark) as UTF-8. A trailing odd byte is dropped and
// an unpaired surrogate becomes U+FFFD, so a damaged resource still gives printable text.
std::string Utf16LeToUtf8(std::span<const std::uint8_t> bytes);

// --- UI font character set ("DATA" 360) ---------------------------------------------------------

// A missing resource leaves the default character set of the platform.
inline constexpr int kDefaultFontCharset = 0;

// The 16-bit number at the start of the resource, or the default when it is shorter than that.
int DecodeFontCharset(std::span<const std::uint8_t> bytes);

// The character set of the fonts that show UI strings (161, Greek, in this build).
int GetFontCharset();

// --- Command letters ("DATA" 361) ---------------------------------------------------------------

// Alt shortcut letters of: delete, copy, cut, paste, undo, run, view code, clear, servo test,
// load, save, quit.
inline constexpr std::size_t kCommandLetterCount = 12;
using TCommandLetters = std::array<char, kCommandLetterCount>;
inline constexpr TCommandLetters kBuiltInCommandLetters{'D', 'C', 'T', 'P', 'U', 'G',
                                                        'V', 'R', 'E', 'L', 'S', 'Q'};

// The twelve letters of the resource, or the built-in ones when it does not hold exactly twelve
// upper-case ASCII letters or digits: the letters are compared with key codes, and a short
// resource must not leave commands with whatever byte follows it.
TCommandLetters DecodeCommandLetters(std::span<const std::uint8_t> bytes);

TCommandLetters GetCommandLetters();

// --- Version -------------------------------------------------------------------------------------

// The product version of this build ("1.3"), for the start window's title.
std::string GetVersionText();

}  // namespace kavrin::resources
