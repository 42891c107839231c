#include <gtest/gtest.h>

#include "model/key_table.h"

namespace kavrin::model {
namespace {

TEST(KeyTable, FixedKeysAndDefaultAltLetters) {
    EXPECT_EQ(CommandForKey(kKeyDelete, kmNone), TCommand::Delete);
    EXPECT_EQ(CommandForKey(U'c', kmCtrl), TCommand::Copy);
    EXPECT_EQ(CommandForKey(U'X', kmCtrl | kmShift), TCommand::Cut);
    EXPECT_EQ(CommandForKey(U'V', kmCtrl), TCommand::Paste);
    EXPECT_EQ(CommandForKey(U'Z', kmCtrl), TCommand::Undo);
    // Ctrl+P is the sheet; Alt+P stays Paste.
    EXPECT_EQ(CommandForKey(U'p', kmCtrl), TCommand::Print);
    const std::pair<char32_t, TCommand> alt[] = {
        {U'D', TCommand::Delete}, {U'C', TCommand::Copy}, {U'T', TCommand::Cut},
        {U'P', TCommand::Paste},  {U'U', TCommand::Undo}, {U'G', TCommand::Run},
        {U'V', TCommand::View},   {U'R', TCommand::Clear}, {U'E', TCommand::Test},
        {U'L', TCommand::Load},   {U'S', TCommand::Save}, {U'q', TCommand::Quit},
    };
    for (const auto& [key, command] : alt) {
        EXPECT_EQ(CommandForKey(key, kmAlt), command) << static_cast<char>(key);
    }
    EXPECT_EQ(CommandForKey(U'C', kmNone), TCommand::None);
    EXPECT_EQ(CommandForKey(U'A', kmAlt), TCommand::None);
    EXPECT_EQ(CommandForKey(U'C', kmCtrl | kmAlt), TCommand::None);
}

TEST(KeyTable, LettersComeFromTheTableAndTheFirstMatchWins) {
    // A table that reuses a letter: the earlier command takes it.
    const std::string_view letters = "XCTPUGVRELXQ";
    EXPECT_EQ(CommandForKey(U'X', kmAlt, letters), TCommand::Delete);
    EXPECT_EQ(CommandForKey(U'D', kmAlt, letters), TCommand::None);
    EXPECT_EQ(CommandForKey(U'S', kmAlt, letters), TCommand::None);
    // A short table only covers its own letters.
    EXPECT_EQ(CommandForKey(U'Q', kmAlt, "DC"), TCommand::None);
}

}  // namespace
}  // namespace kavrin::model
