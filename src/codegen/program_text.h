#pragma once
// The program text: the VELIC source about to be compiled and sent to the robot. The generator
// and the servo test fill it, the code view shows and edits it, the download path hands its
// whole text to the tokenizer. Lines hold single-byte characters; the whole text joins them
// with CR LF and has no final line break, exactly like the text resources loaded into it.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "wire/wire_format.h"

namespace kavrin::codegen {

// The tokenizer keeps source positions in 16 bits, so longer texts cannot be compiled.
using wire::kMaxSourceLength;

inline constexpr std::string_view kLineBreak = "\r\n";

// Why a text of this length cannot go to the tokenizer.
std::string SourceTooLongMessage(std::size_t length);

struct TTextResult {
    bool ok = false;
    std::string message;  // why it failed; empty on success
};

class TProgramText {
public:
    void Clear() { lines_.clear(); }

    // Replaces the lines with those of a "DATA" text resource; with no such resource the text
    // stays empty. Never fails: a missing template shows up as a missing anchor later.
    void LoadTextResource(int id);

    // Replaces the lines with a text split at every CR LF pair; nothing else is changed, so
    // WholeText() gives the same text back.
    void SetText(std::string_view text);

    int Count() const { return static_cast<int>(lines_.size()); }

    // Line i, or an empty string when there is no such line.
    const std::string& Line(int i) const;

    // Replaces line i; false (and nothing changed) when there is no such line.
    bool ReplaceLine(int i, std::string text);

    // Inserts a new line before index i; i equal to Count() appends. False when i is outside.
    bool InsertLine(int i, std::string text);

    // Inserts the lines, in their order, before index i (as InsertLine does one).
    bool InsertLines(int i, std::vector<std::string> lines);

    // The lines joined by CR LF, no final line break.
    std::string WholeText() const;

    // The whole text as the tokenizer takes it, refused with a message when it is longer than
    // the tokenizer can address (a text typed into the code view can be).
    TTextResult TextForTokenizer(std::string& text) const;

private:
    bool IsLine(int i) const { return i >= 0 && i < Count(); }

    std::vector<std::string> lines_;
};

}  // namespace kavrin::codegen
