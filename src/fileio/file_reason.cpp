#include "fileio/file_reason.h"

#include <cerrno>

#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::fileio {

namespace {

namespace str = resources::str;

std::string ErrnoReason(int error) {
    switch (error) {
        case ENOENT: return resources::GetUIString(str::kReasonNoSuchFile);
        case EACCES:
        case EPERM: return resources::GetUIString(str::kReasonAccessDenied);
        case ENOSPC: return resources::GetUIString(str::kReasonDiskFull);
        case EROFS: return resources::GetUIString(str::kReasonReadOnly);
        case EISDIR: return resources::GetUIString(str::kReasonIsFolder);
        default: return resources::FormatUIString(str::kReasonSystemError, {std::to_string(error)});
    }
}

}  // namespace

// An errno value where the error has one (on Windows the system's own codes map to them), else
// the code itself.
std::string SystemReasonText(const std::error_code& error) {
    const std::error_condition condition = error.default_error_condition();
    return ErrnoReason(condition.category() == std::generic_category() ? condition.value() : error.value());
}

std::string ReadReasonText(const ReadResult& result) {
    switch (result.problem) {
        case ReadProblem::kNone: return {};
        case ReadProblem::kSystem: return SystemReasonText(result.error);
        case ReadProblem::kNotRegular: return resources::GetUIString(str::kReasonNotRegularFile);
        case ReadProblem::kTooLarge:
            return resources::FormatUIString(str::kReasonTooLarge, {std::to_string(result.limit)});
    }
    return {};
}

}  // namespace kavrin::fileio
