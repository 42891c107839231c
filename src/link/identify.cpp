#include "link/identify.h"
#include "resources/ui_strings.h"

#include "resources/resources.h"

namespace kavrin::link {

namespace {

using resources::GetUIString;

// Fallback name of the robot's own model when the string table has none.
constexpr std::string_view kBuiltInRobotName = "Robot";

// The other modules' names; an unknown model is named by the string table.
constexpr std::array<std::string_view, kModelCount> kModelNames{
    "", "Korble KR1", "", "Korble KR3", "Korble KR4", "Korble KR5"};

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Variant suffixes of a KR5, by whether the variant bit was set in its answer.
constexpr std::string_view kKR5Variant40 = "40";
constexpr std::string_view kKR5Variant24 = "24";

bool IdentifyKR2(TSerial& port, const LinkTimings& t, Identification& out) {
    for (const char ch : kKR2Signature) {
        const auto c = static_cast<std::uint8_t>(ch);
        port.WriteByte(c, t.writeMs);
        if (port.ReadByte(t.firstEchoMs) != c) {
            out.echoSeen = false;
            out.echoText = GetUIString(resources::str::kNo);
            return false;
        }
        if (port.ReadByte(t.answerMs) != 256 - c) {
            return false;
        }
    }
    port.WriteByte(0, t.writeMs);
    port.ReadBuffer(1, t.answerMs);
    out.versionText = VersionText(port.ReadByte(t.answerMs));
    return true;
}

// KR3, KR4, KR5: one identification byte, one answer. Returns the suffix for a KR5.
bool IdentifyByte(TSerial& port, int model, const LinkTimings& t, Identification& out,
                  std::string_view& suffix) {
    const auto m = static_cast<std::size_t>(model);
    const std::uint8_t id = kIdentificationBytes[m];
    port.WriteByte(id, t.writeMs);
    port.ReadBuffer(1, t.answerMs);
    int a = port.ReadByte(t.answerMs);
    if (a < 0 || a > 255) {
        return false;
    }
    if (model == kModelKR5) {
        const bool plain = a >= kLowestAnswer[m] && a <= kHighestAnswer[m];
        suffix = plain ? kKR5Variant40 : kKR5Variant24;
        a &= ~kKR5VariantBit;
    }
    if (a < kLowestAnswer[m] || a > kHighestAnswer[m]) {
        return false;
    }
    out.versionText = "v1." + std::to_string(a - id);
    return true;
}

}  // namespace

std::string ModelName(int model) {
    if (model == kModelKR2) {
        std::string name = GetUIString(resources::str::kRobotName);
        return name.empty() ? std::string(kBuiltInRobotName) : name;
    }
    if (model <= kModelNone || model >= kModelCount) {
        return GetUIString(resources::str::kUnknownModel);
    }
    return std::string(kModelNames[static_cast<std::size_t>(model)]);
}

std::string VersionText(int versionByte) {
    const auto v = static_cast<unsigned>(versionByte) & 0xFFu;
    return {'v', kHexDigits[v >> 4], '.', kHexDigits[v & 0xFu]};
}

void ResetModule(TSerial& port, const LinkTimings& t) {
    port.SetDTR(1);
    port.SetBreak(1);
    BusyWait(t.resetDtrMs);
    port.SetDTR(0);
    BusyWait(t.resetBreakMs);
    port.SetBreak(0);
    BusyWait(t.resetSettleMs);
    port.ReadBuffer(0, 0);
}

bool IdentifyModule(TSerial& port, int model, int targetModel, const LinkTimings& t,
                    Identification& out) {
    out.deviceText.clear();
    out.versionText.clear();
    out.echoText = GetUIString(resources::str::kYes);
    out.echoSeen = true;
    out.model = kModelNone;

    ResetModule(port, t);
    std::string_view suffix;
    bool found = false;
    if (model == kModelKR2) {
        found = IdentifyKR2(port, t, out);
    } else if (model >= kModelKR3 && model <= kModelKR5) {
        found = IdentifyByte(port, model, t, out, suffix);
    }
    if (!found) {
        return false;
    }
    out.deviceText = model == targetModel ? ModelName(model) : std::string();
    out.deviceText += suffix;
    out.model = static_cast<std::uint8_t>(model);
    return true;
}

std::string LoopbackTest(TSerial& port, const LinkTimings& t) {
    port.SetRTS(0);
    BusyWait(t.loopbackMs);
    std::string text = GetUIString(resources::str::kNo);
    if ((port.GetModemStatus() & kModemDsrOn) == 0) {
        port.SetRTS(1);
        BusyWait(t.loopbackMs);
        if ((port.GetModemStatus() & kModemDsrOn) != 0) {
            text = GetUIString(resources::str::kYes);
        }
        port.SetRTS(0);
    }
    return text;
}

}  // namespace kavrin::link
