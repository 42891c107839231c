#pragma once
// A hook for the crash rounds of tests/recovery, and for nothing else: with
// KAVRIN_TEST_RANDOM_EDITS=SEED:LOG in the environment, kavrin skips the start window (Advanced
// mode for an odd seed, Beginner for an even one) and edits the lists at random through the main
// window's own commands until it is killed. LOG gets the data folder as its first line
// ("folder PATH"), then one line per state: when it began (ms since 1970) and a digest of the
// record ("none" while no recovery copy should exist).

#include <functional>
#include <string>

namespace kavrin::ui {
class TMainForm;
}  // namespace kavrin::ui

namespace kavrin::app {

inline constexpr char kRandomEditsVariable[] = "KAVRIN_TEST_RANDOM_EDITS";

// FNV-1a over the record's bytes, as 16 hex digits.
std::string RecordDigest(const unsigned char* bytes, std::size_t size);

// Starts the edits when the variable asks for them; false (and nothing done, the window not
// asked for) otherwise.
bool StartRandomEdits(const std::function<ui::TMainForm&()>& window, const std::string& dataFolder);

}  // namespace kavrin::app
