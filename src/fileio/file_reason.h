#pragma once
// Why a file could not be read or written, in the user's language (the string table's
// reasons): what a dialog shows after the file's name.

#include <string>
#include <system_error>

#include "fileio/input_file.h"

namespace kavrin::fileio {

// The reasons a user can act on by name (no such file, access denied, disk full, read-only, a
// folder, a name not valid or too long, a file in use...); any other by its number and the
// system's own words for it ("System error 24 (Too many open files)").
std::string SystemReasonText(const std::error_code& error);

// The system's own words for an error, in UTF-8 and in the system's language ("Too many open
// files"); empty where it has none.
std::string SystemWords(const std::error_code& error);

// A read's reason: the system's as above, "not a regular file", or the limit passed.
std::string ReadReasonText(const ReadResult& result);

}  // namespace kavrin::fileio
