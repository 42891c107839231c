#pragma once
// Module identification: the loop-back test of RTS and DSR, the reset, and the identification
// exchange of each module model. Used by the port scan and as the first step of every download.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "link/link_timings.h"
#include "link/port_pool.h"
#include "wire/wire_format.h"

namespace kavrin::link {

// Model codes.
inline constexpr std::uint8_t kModelNone = 0;
inline constexpr std::uint8_t kModelKR1 = 1;
inline constexpr std::uint8_t kModelKR2 = 2;
inline constexpr std::uint8_t kModelKR3 = 3;
inline constexpr std::uint8_t kModelKR4 = 4;
inline constexpr std::uint8_t kModelKR5 = 5;
inline constexpr int kModelCount = 6;

// The identification text of a KR2; each character is answered with its echo and 256 minus it.
using wire::kKR2Signature;

// Identification bytes and accepted answers of KR3 to KR5 (by model code; 0 = none).
inline constexpr std::array<std::uint8_t, kModelCount> kIdentificationBytes{0,    0,    0,
                                                                            0x65, 0x58, 0x50};
inline constexpr std::array<std::uint8_t, kModelCount> kLowestAnswer{0, 0, 0, 0x65, 0x58, 0x50};
inline constexpr std::array<std::uint8_t, kModelCount> kHighestAnswer{0, 0, 0, 0x65, 0x5A, 0x56};
// A KR5 of the "24" variant answers with this bit set.
inline constexpr std::uint8_t kKR5VariantBit = 0x20;

// Display name of a model code ("Unknown" outside 1..5).
std::string ModelName(int model);

// "v" and the two hex digits of the version byte around a dot: 0x10 gives "v1.0". Any value is
// taken: a missing byte (-1) gives "vF.F".
std::string VersionText(int versionByte);

struct Identification {
    std::string deviceText;   // model name (target model only), or why the port did not open
    std::string versionText;  // "v1.0"
    std::string echoText;     // UI string 387 or 388
    bool echoSeen = true;     // what echoText says, for decisions (texts may be empty)
    std::uint8_t model = kModelNone;
};

// One reset and one identification exchange for model 2..5 on an open port. On success the
// device text is the model's name when it is targetModel, else empty (a KR5 adds "40" or "24").
bool IdentifyModule(TSerial& port, int model, int targetModel, const LinkTimings& timings,
                    Identification& out);

// Raising RTS should raise DSR within the loop-back time; the text says whether it did. For
// display only.
std::string LoopbackTest(TSerial& port, const LinkTimings& timings);

// The reset that puts a module into programming: DTR and break, then break alone, then a pause
// and an emptied input.
void ResetModule(TSerial& port, const LinkTimings& timings);

}  // namespace kavrin::link
