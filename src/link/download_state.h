#pragma once
// What a download needs to know about the models it can write to.

#include <array>
#include <string_view>

#include "link/identify.h"

namespace kavrin::link {

// The version text each model must report before a program is written to it.
inline constexpr std::array<std::string_view, kModelCount> ModelVersions{"",     "v0.0", "v1.0",
                                                                         "v1.0", "v1.0", "v1.2"};

}  // namespace kavrin::link
