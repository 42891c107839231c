#pragma once
// The resources the executable carries, addressed by type name and number ("DATA" 362,
// "WSDATA" 366). The build embeds them; nothing is looked up on disk at run time.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kavrin::resources {

// The bytes of a resource, or an empty span when there is none of that type and number.
std::span<const std::uint8_t> find(std::string_view type, int id);

// The UI string with that number as UTF-8, or an empty string when there is none.
std::string GetUIString(int id);

}  // namespace kavrin::resources
