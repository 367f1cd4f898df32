// Placeholder until the device layer lands: sends go nowhere and report failure.
#include "Midi.h"

bool CMidiOutput::SendLong(std::span<const std::uint8_t>, int) { return false; }
bool CMidiOutput::SendShort(std::uint32_t) { return false; }

CMidi& CMidi::Get() {
    static CMidi midi;
    return midi;
}
void CMidi::Delete() {}
CMidiOutput& CMidi::GetOutput(const CSynth&) {
    static CMidiOutput none;
    return none;
}
