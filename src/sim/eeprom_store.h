#pragma once
// The virtual robot's EEPROM on disk, so that it keeps its program from one run of Kavrin to the
// next as a real module does. The file is the 2,048 bytes between a 4-byte mark and a 4-byte
// check sum; it is replaced atomically (fileio::ReplaceFileWhole: written beside under a name of
// its own, then renamed over), so a crash leaves the old or the new image, never half of one, and
// writers (two downloads at once, from the window and the command line) take turns through the
// lock file PATH.lock beside it. A missing or damaged file reads as an empty EEPROM (all zeros),
// and so does anything at the path that is not a regular file (a FIFO, a device, a folder): it
// is never opened in a way that could wait for a writer (fileio::ReadInputFile).

#include <array>
#include <cstdint>
#include <string>

#include "wire/wire_format.h"

namespace kavrin::sim {

inline constexpr std::size_t kStoredEepromSize = wire::kEepromSize;
using StoredEeprom = std::array<std::uint8_t, kStoredEepromSize>;

// Paths are UTF-8 on every platform.

// The image in the file; false (and an empty image) when it is missing or damaged. Where the
// path holds something that is not a regular file, a damaged file, or one that cannot be read,
// problem (when given) receives why, starting with the path; a missing file is no problem (a
// robot that never got a program).
bool LoadEepromFile(const std::string& path, StoredEeprom& image, std::string* problem = nullptr);

// Writes the image; false with a message when the file could not be written (the old file is
// then left as it was). The folder is made when missing.
bool SaveEepromFile(const std::string& path, const StoredEeprom& image, std::string& error);

}  // namespace kavrin::sim
