#pragma once
// The resources the executable carries, addressed by type name and number ("DATA" 362,
// "WSDATA" 366). The build embeds them; nothing is looked up on disk at run time.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kavrin::resources {

// Resource types.
inline constexpr std::string_view kDataType = "DATA";
inline constexpr std::string_view kStringType = "WSDATA";

// "DATA" numbers read outside the skin layout.
inline constexpr int kFontCharsetId = 360;
inline constexpr int kCommandLettersId = 361;
inline constexpr int kMotionTemplateId = 362;
inline constexpr int kTestProgramId = 364;

// The UI string table, "WSDATA" 366 to 639. Not every number in between has a string.
inline constexpr int kFirstUIString = 366;
inline constexpr int kLastUIString = 639;

// The bytes of a resource, or an empty span when there is none of that type and number.
std::span<const std::uint8_t> find(std::string_view type, int id);

// The UI string with that number as UTF-8, or an empty string when there is none.
std::string GetUIString(int id);

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
