#include "link/port_status.h"
#include "resources/ui_strings.h"

#include "resources/resources.h"

namespace kavrin::link {

std::array<std::string, kHeadingCount> PortStatusHeadings() {
    std::array<std::string, kHeadingCount> headings;
    for (std::size_t i = 0; i < kHeadingCount; ++i) {
        headings[i] =
            resources::GetUIString(resources::str::kFirstStatusHeading + static_cast<int>(i));
    }
    return headings;
}

}  // namespace kavrin::link
