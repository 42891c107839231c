#include "fileio/file_reason.h"

#include <cerrno>

#if defined(_WIN32)
#include <windows.h>
#endif

#include "resources/resources.h"
#include "resources/ui_strings.h"

namespace kavrin::fileio {

namespace {

namespace str = resources::str;

// The reasons a user can act on, by name; none for the rest.
int NamedReason(int error) {
    switch (error) {
        case ENOENT:
            return str::kReasonNoSuchFile;
        case EACCES:
        case EPERM:
            return str::kReasonAccessDenied;
        case ENOSPC:
            return str::kReasonDiskFull;
        case EROFS:
            return str::kReasonReadOnly;
        case EISDIR:
            return str::kReasonIsFolder;
        case EINVAL:
        case EILSEQ:
            return str::kReasonBadName;
        case ENAMETOOLONG:
            return str::kReasonNameTooLong;
        case ENOTDIR:
            return str::kReasonNotAFolder;
        case EBUSY:
        case ETXTBSY:
            return str::kReasonInUse;
        case EIO:
            return str::kReasonDiskError;
        case EEXIST:
            return str::kReasonExists;
        default:
            return 0;
    }
}

}  // namespace

// Windows gives its own messages wide, in the system's language.
std::string SystemWords(const std::error_code& error) {
    std::string words = error.message();
#if defined(_WIN32)
    if (error.category() == std::system_category()) {
        wchar_t* text = nullptr;
        const DWORD length =
            FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, static_cast<DWORD>(error.value()), 0,
                           reinterpret_cast<wchar_t*>(&text), 0, nullptr);
        words.clear();
        if (length > 0) {
            const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length),
                                                 nullptr, 0, nullptr, nullptr);
            words.resize(static_cast<std::size_t>(size));
            WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), words.data(), size,
                                nullptr, nullptr);
        }
        LocalFree(text);
    }
#endif
    // Windows ends its messages with a full stop and a line break.
    while (!words.empty() && (words.back() == '\n' || words.back() == '\r' || words.back() == ' ' ||
                              words.back() == '.')) {
        words.pop_back();
    }
    return words;
}

// An errno value where the error has one (on Windows the system's own codes map to them), else
// the code itself, with the system's own words for it.
std::string SystemReasonText(const std::error_code& error) {
    const std::error_condition condition = error.default_error_condition();
    if (condition.category() == std::generic_category()) {
        if (const int named = NamedReason(condition.value())) return resources::GetUIString(named);
    }
    const std::string words = SystemWords(error);
    std::string number = std::to_string(error.value());
    if (!words.empty()) number += " (" + words + ")";
    return resources::FormatUIString(str::kReasonSystemError, {number});
}

std::string ReadReasonText(const ReadResult& result) {
    switch (result.problem) {
        case ReadProblem::kNone:
            return {};
        case ReadProblem::kSystem:
            return SystemReasonText(result.error);
        case ReadProblem::kNotRegular:
            return resources::GetUIString(str::kReasonNotRegularFile);
        case ReadProblem::kTooLarge:
            return resources::FormatUIString(str::kReasonTooLarge, {std::to_string(result.limit)});
    }
    return {};
}

}  // namespace kavrin::fileio
