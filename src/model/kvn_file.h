#pragma once
// The .kvn file: exactly one 9,240-byte action program record (layout in action_program.h).
// Messages are returned for the caller to show; nothing here talks to the user.

#include <filesystem>
#include <string>

#include "model/action_program.h"

namespace kavrin::model {

// Why a file was refused, for callers that tell the cases apart (the message says it to the user).
enum class TFileProblem {
    None,
    CannotOpen,  // missing, no access, a folder, not a regular file, a read error
    NotKavrin,   // no Kavrin signature, or too short
    Damaged,     // the signature, but kinds or sensor sets out of range
    WrongVersion,
    AdvancedInBeginner,
    CannotSave,
};

struct TFileResult {
    bool ok = false;
    std::string message;  // why it failed, as a dialog shows it; empty on success
    // Whether the message names the file itself (it could not be opened or saved); the others
    // say what is wrong inside it, and whoever shows them names the file beside them.
    bool namesFile = false;
    // What is wrong without the file's name, for after it ("FILE: reason"): the system's reason
    // where the message names the file, else the message.
    std::string reason;
    TFileProblem problem = TFileProblem::None;
};

// Turns a program into the file record: signature, version 0x13, the mode as the advanced flag,
// and every slot after a list's last step filled with a copy of its header slot.
TRecordBytes EncodeRecord(const TActionProgram& program, TMode mode);

// Checks a record (signature, version, mode) and on success replaces program with it, step
// counts included. A refused record leaves program exactly as it was.
TFileResult DecodeRecord(std::span<const std::uint8_t> bytes, TMode mode, TActionProgram& program);

// Writes bytes whole (fileio::ReplaceFileWhole: a temporary file beside path, renamed over it),
// so a failed save never damages the previous file. The message names the file and the system's
// reason. Other documents of the program (the program sheet) are written this way too.
TFileResult SaveFileWhole(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Writes the record with SaveFileWhole.
TFileResult SaveActionFile(const std::filesystem::path& path, const TActionProgram& program,
                           TMode mode);

// Reads and checks the file (a regular file only, of one record: fileio::ReadInputFile); on
// success replaces program. On any failure program is unchanged.
TFileResult LoadActionFile(const std::filesystem::path& path, TMode mode, TActionProgram& program);

}  // namespace kavrin::model
