#include "link/port_status.h"

#include "resources/resources.h"

namespace kavrin::link {

int PortStatusTable::ModelOf(std::size_t portIndex) const {
    if (portIndex >= rows.size()) {
        return 0;
    }
    const std::string& cell = rows[portIndex][kColModel];
    int value = 0;
    for (const char c : cell) {
        if (c < '0' || c > '9' || value > 255) {
            return 0;
        }
        value = value * 10 + (c - '0');
    }
    return value;
}

std::array<std::string, kHeadingCount> PortStatusHeadings() {
    std::array<std::string, kHeadingCount> headings;
    for (std::size_t i = 0; i < kHeadingCount; ++i) {
        headings[i] = resources::GetUIString(kFirstHeadingString + static_cast<int>(i));
    }
    return headings;
}

}  // namespace kavrin::link
