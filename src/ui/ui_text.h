#pragma once
// The core's texts as Qt strings: UI strings by number and the core's UTF-8 messages.

#include <QString>

#include <string_view>

namespace kavrin::ui {

// UI string n of the string table, or an empty string when there is none.
QString UiString(int id);

// A UTF-8 text of the core.
inline QString FromCore(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace kavrin::ui
