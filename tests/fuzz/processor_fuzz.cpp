// libFuzzer target for the processor: any image must run for its slice of virtual time without
// crashing, hanging or reading outside the EEPROM, and time must move forward. The first 2,048
// bytes are the image (missing bytes are 0); whatever follows arrives on the line to the
// computer.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sim/processor.h"
#include "sim/recording_body.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

constexpr kavrin::sim::VirtualTime kSlice = 50 * kavrin::sim::kMicrosPerMs;
constexpr int kSlices = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kavrin::sim;
    Eeprom image{};
    const std::size_t imageBytes = std::min(size, image.size());
    std::copy(data, data + imageBytes, image.begin());
    RecordingBody body;
    body.keepEvents = false;
    for (std::size_t i = 0; i < kPinCount; ++i) body.inputs[i] = (size > i) && (data[i] & 1);
    Processor cpu(body);
    cpu.Load(image);
    for (std::size_t i = imageBytes; i < size; ++i) cpu.FeedHost(data[i], 0);
    VirtualTime last = cpu.Now();
    for (int i = 1; i <= kSlices; ++i) {
        cpu.Run(i * kSlice);
        Check(cpu.Now() >= last && cpu.Now() >= i * kSlice);
        Check(cpu.CodePosition() >= 0 && cpu.CodePosition() <= kStreamBits);
        Check(cpu.State() != ProcessorState::Faulted || !cpu.Diagnostic().empty());
        last = cpu.Now();
        cpu.TakeHostOutput();
    }
    return 0;
}
