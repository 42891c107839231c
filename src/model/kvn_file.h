#pragma once
// The .kvn file: exactly one 9,240-byte action program record (layout in action_program.h).
// Messages are returned for the caller to show; nothing here talks to the user.

#include <filesystem>
#include <string>

#include "model/action_program.h"

namespace kavrin::model {

struct TFileResult {
    bool ok = false;
    std::string message;  // why it failed; empty on success
};

// Turns a program into the file record: signature, version 0x13, the mode as the advanced flag,
// and every slot after a list's last step filled with a copy of its header slot.
TRecordBytes EncodeRecord(const TActionProgram& program, TMode mode);

// Checks a record (signature, version, mode) and on success replaces program with it, step
// counts included. A refused record leaves program exactly as it was.
TFileResult DecodeRecord(std::span<const std::uint8_t> bytes, TMode mode, TActionProgram& program);

// Writes bytes whole: to a temporary file beside path (its name plus ".saving"), then renamed
// over path, so a failed save never damages the previous file; the temporary goes on failure.
// The message names the file and the system's reason. Other documents of the program (the
// program sheet) are written this way too.
TFileResult SaveFileWhole(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Writes the record with SaveFileWhole.
TFileResult SaveActionFile(const std::filesystem::path& path, const TActionProgram& program,
                           TMode mode);

// Reads and checks the file; on success replaces program. On any failure program is unchanged.
TFileResult LoadActionFile(const std::filesystem::path& path, TMode mode, TActionProgram& program);

}  // namespace kavrin::model
