#pragma once
// The instruction handlers: one per instruction word that is not a control structure. Each
// reads its arguments in source order and emits the layout the target's interpreter expects:
// arguments first, then the token, then the fields the token reads directly.

#include <cstdint>

#include "tokenizer/statements.h"

namespace kavrin::tokenizer {

// Instruction numbers (the value of the instruction word in the symbol table).
namespace instr {
inline constexpr std::uint8_t kAuxio = 0, kBranch = 1, kButton = 2, kCase = 3, kCount = 4,
                              kDebug = 5, kDebugin = 6, kDo = 8, kDtmfout = 9, kElse = 10,
                              kElseif = 11, kEnd = 12, kEndif = 13, kEndselect = 14, kExit = 16,
                              kFor = 17, kFreqout = 18, kGet = 19, kGosub = 20, kGoto = 21,
                              kHigh = 22, kI2cin = 23, kI2cout = 24, kIf = 25, kInput = 26,
                              kIoterm = 27, kLcdcmd = 28, kLcdin = 29, kLcdout = 30, kLookdown = 31,
                              kLookup = 32, kLoop = 33, kLow = 34, kMainio = 35, kNap = 36,
                              kNext = 37, kOn = 38, kOutput = 39, kOwin = 40, kOwout = 41,
                              kPause = 42, kPollin = 43, kPollmode = 44, kPollout = 45,
                              kPollrun = 46, kPollwait = 47, kPulsin = 48, kPulsout = 49, kPut = 50,
                              kPwm = 51, kSleep = 52, kRandom = 53, kRctime = 54, kRead = 55,
                              kReturn = 56, kReverse = 57, kRun = 58, kSelect = 59, kSerin = 60,
                              kSerout = 61, kShiftin = 62, kShiftout = 63, kStop = 64, kStore = 65,
                              kToggle = 66, kWrite = 67, kXout = 68;
}  // namespace instr

// Marks a timeout or parity label in the serial instructions.
inline constexpr unsigned kLabelMark = 221;

// Each compiles the instruction of that number from the read position on; false when the number
// is not one of its own.
bool CompileSimpleInstruction(TokenizerState& s, std::uint8_t number);
// FREQOUT, BUTTON, BRANCH, LOOKUP ...
bool CompilePinInstruction(TokenizerState& s, std::uint8_t number);
// DEBUG, SERIN, SEROUT, I2C, LCD, OW
bool CompileSerialInstruction(TokenizerState& s, std::uint8_t number);
// GET, PUT, READ, WRITE
bool CompileMemoryInstruction(TokenizerState& s, std::uint8_t number);

// The bracketed or bare lists of the serial instructions.
void CompileOutputList(TokenizerState& s, bool bracketed);
void CompileInputList(TokenizerState& s, bool bracketed);

// "," between arguments, 133 when missing.
void ExpectComma(TokenizerState& s);
// "[" opening a list, 121 when missing.
void ExpectOpenBracket(TokenizerState& s);
// Behind a list entry: "," emits 1 and another entry follows; "]" emits 0 and ends the list;
// anything else is 134.
bool NextListEntry(TokenizerState& s);

}  // namespace kavrin::tokenizer
