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
        {U'D', TCommand::Delete}, {U'C', TCommand::Copy},  {U'T', TCommand::Cut},
        {U'P', TCommand::Paste},  {U'U', TCommand::Undo},  {U'G', TCommand::Run},
        {U'V', TCommand::View},   {U'R', TCommand::Clear}, {U'E', TCommand::Test},
        {U'L', TCommand::Load},   {U'S', TCommand::Save},  {U'q', TCommand::Quit},
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

TEST(KeyTable, KeyboardKeysTakeNoAltLetterAndNothingThatTypes) {
    EXPECT_EQ(CommandForKey(kKeyUp, kmCtrl), TCommand::MoveStepsUp);
    EXPECT_EQ(CommandForKey(kKeyDown, kmCtrl | kmShift), TCommand::MoveStepsDown);
    EXPECT_EQ(CommandForKey(kKeyUp, kmNone), TCommand::None);  // the grid's own selection
    EXPECT_EQ(CommandForKey(U'+', kmShift), TCommand::LongerStep);
    EXPECT_EQ(CommandForKey(U'-', kmNone), TCommand::ShorterStep);
    EXPECT_EQ(CommandForKey(kKeyF2, kmNone), TCommand::EditValue);
    EXPECT_EQ(CommandForKey(kKeyEnter, kmNone), TCommand::EditValue);
    EXPECT_EQ(CommandForKey(kKeyF6, kmNone), TCommand::NextPane);
    EXPECT_EQ(CommandForKey(kKeyF6, kmShift), TCommand::PreviousPane);
    for (char32_t digit = U'1'; digit <= U'5'; ++digit) {
        const TCommand set = CommandForKey(digit, kmCtrl);
        EXPECT_EQ(SensorSetOf(set), static_cast<int>(digit - U'1'));
        EXPECT_TRUE(ActsInWholeWindow(set));
        EXPECT_EQ(CommandForKey(digit, kmNone), TCommand::None);  // typed into a value
    }
    EXPECT_EQ(CommandForKey(U'6', kmCtrl), TCommand::None);
    EXPECT_EQ(SensorColumnOf(CommandForKey(U'b', kmCtrl | kmShift)), 2);
    EXPECT_EQ(SensorColumnOf(CommandForKey(U'L', kmCtrl | kmShift)), 3);
    EXPECT_EQ(SensorColumnOf(CommandForKey(U'R', kmCtrl | kmShift)), 4);
    EXPECT_EQ(CommandForKey(U'L', kmCtrl), TCommand::None);
    // Shift keeps Ctrl+C a copy; Alt with any of the new keys is nothing, so the Alt letters
    // keep theirs.
    EXPECT_EQ(CommandForKey(U'C', kmCtrl | kmShift), TCommand::Copy);
    EXPECT_EQ(CommandForKey(U'L', kmAlt), TCommand::Load);
    EXPECT_EQ(CommandForKey(U'R', kmAlt | kmShift), TCommand::Clear);
    for (char32_t key : {kKeyUp, kKeyF6, kKeyEnter, char32_t{U'+'}, char32_t{U'1'}}) {
        EXPECT_EQ(CommandForKey(key, kmAlt), TCommand::None);
    }
    // Keys of a list alone do not act from the window's other controls.
    EXPECT_FALSE(ActsInWholeWindow(TCommand::EditValue));
    EXPECT_FALSE(ActsInWholeWindow(TCommand::LongerStep));
    EXPECT_FALSE(ActsInWholeWindow(TCommand::Delete));
    EXPECT_TRUE(ActsInWholeWindow(TCommand::NextPane));
}

}  // namespace
}  // namespace kavrin::model
