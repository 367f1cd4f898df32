// Standard MIDI files. A file that parses must give events the player can walk:
// in tick order, with finite times that never go backwards.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <span>

#include "Smf.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    SmfFile file;
    if (!file.Parse(std::span<const std::uint8_t>(data, size), "fuzz.mid")) {
        if (file.GetError().empty() || file.IsOpen()) __builtin_trap();
        return 0;
    }
    const SmfEvent* previous = nullptr;
    for (const SmfEvent& e : file.GetEvents()) {
        if (!std::isfinite(e.seconds) || e.seconds < 0) __builtin_trap();
        if (previous && (e.tick < previous->tick || e.seconds < previous->seconds)) __builtin_trap();
        if (e.kind == SmfEvent::Channel && e.data.empty()) __builtin_trap();
        previous = &e;
    }
    if (!std::isfinite(file.GetDuration())) __builtin_trap();
    return 0;
}
