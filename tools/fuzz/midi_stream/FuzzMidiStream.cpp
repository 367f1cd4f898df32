// Bytes arriving from an instrument, in pieces of any size. The messages must
// not depend on how the bytes were cut, and each must be well formed. The first
// byte picks the piece sizes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "MidiStream.h"

namespace {

using Messages = std::vector<std::vector<std::uint8_t>>;

Messages Receive(std::span<const std::uint8_t> bytes, std::size_t piece, std::size_t maxSysEx) {
    Messages messages;
    CMidiStreamParser parser([&](std::span<const std::uint8_t> m) { messages.emplace_back(m.begin(), m.end()); });
    parser.SetMaxSysExSize(maxSysEx);
    for (std::size_t pos = 0; pos < bytes.size(); pos += piece)
        parser.Feed(bytes.subspan(pos, std::min(piece, bytes.size() - pos)));
    return messages;
}

bool WellFormed(const std::vector<std::uint8_t>& m, std::size_t maxSysEx) {
    if (m.empty() || m[0] < 0x80) return false;
    if (m[0] == 0xF0) {
        if (m.size() < 2 || m.back() != 0xF7 || m.size() > maxSysEx) return false;
        return std::all_of(m.begin() + 1, m.end() - 1, [](std::uint8_t b) { return b < 0x80; });
    }
    const int n = MidiDataBytes(m[0]);
    if (n < 0 || m.size() != static_cast<std::size_t>(n) + 1) return false;
    return std::all_of(m.begin() + 1, m.end(), [](std::uint8_t b) { return b < 0x80; });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 17;
    const std::size_t maxSysEx = data[0] & 0x80 ? 64 : 16u << 20;
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);

    const Messages whole = Receive(bytes, bytes.size() + 1, maxSysEx);
    const Messages pieces = Receive(bytes, piece, maxSysEx);
    if (whole != pieces) __builtin_trap();
    for (const auto& m : whole)
        if (!WellFormed(m, maxSysEx)) __builtin_trap();
    (void)SplitMidiMessages(bytes);
    return 0;
}
