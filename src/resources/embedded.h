#pragma once
// The table that the build generates from the resources folder (kavrin-resgen). Only the
// lookup in resources.cpp reads it.

#include <cstddef>
#include <cstdint>

namespace kavrin::resources::embedded {

struct TEmbeddedResource {
    const char* type;
    int id;
    const char* language;  // "" for the base form, else a language's code ("en")
    const std::uint8_t* data;
    std::size_t size;
};

// Sorted by type name (byte order), then by number, then by language (base form first).
extern const TEmbeddedResource kResources[];
extern const std::size_t kResourceCount;

}  // namespace kavrin::resources::embedded
