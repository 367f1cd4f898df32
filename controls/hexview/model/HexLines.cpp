#include "HexLines.h"

#include <algorithm>
#include <cstdio>

namespace hexview {

HexLines BuildLines(std::span<const std::uint8_t> data) {
    HexLines out;
    std::string hex, chars;
    std::size_t inLine = 0;
    auto endLine = [&] {
        out.hex.push_back(std::move(hex));
        out.chars.push_back(std::move(chars));
        hex.clear();
        chars.clear();
        inLine = 0;
    };
    const std::size_t lineGuess = data.size() / kBytesPerLine + 1;
    out.hex.reserve(lineGuess);
    out.chars.reserve(lineGuess);
    for (std::size_t pos = 0; pos < data.size(); ++pos) {
        const std::uint8_t b = data[pos];
        if (inLine == 0) out.lineStart.push_back(pos);
        char pair[4];
        std::snprintf(pair, sizeof pair, "%02X ", b);
        hex += pair;
        chars += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';  // status bytes and DEL are no text
        ++inLine;
        if (b == 0xF0) out.messageLines.push_back(out.hex.size());
        if (b == 0xF7) {
            out.endPositions.push_back(pos);
            endLine();
        } else if (inLine == kBytesPerLine) {
            endLine();
        }
    }
    if (inLine > 0) endLine();
    return out;
}

std::string ManufacturerOf(std::span<const std::uint8_t> data, std::size_t idPos) {
    if (idPos >= data.size()) return "Unknown";
    // The three one-byte IDs the MIDI standard keeps for itself.
    switch (data[idPos]) {
    case 0x7D: return "Non-Commercial";
    case 0x7E: return "Universal Non-Real Time";
    case 0x7F: return "Universal Real Time";
    default: break;
    }
    std::string_view name;
    if (data[idPos] != 0) {
        name = ManufacturerName(255, data[idPos]);
    } else if (idPos + 2 < data.size()) {
        name = ManufacturerName(data[idPos + 1], data[idPos + 2]);
    }
    return name.empty() ? "Unknown" : std::string(name);
}

std::string InformationAt(const HexLines& lines, std::span<const std::uint8_t> data, long long line, int x,
                          int inset, int charWidth) {
    if (line < 0 || static_cast<std::size_t>(line) >= lines.size()) return {};
    const auto index = static_cast<std::size_t>(line);
    const std::string& hex = lines.hex[index];
    if (hex.rfind("F0", 0) != 0) return {};
    const bool threeByteId = hex.rfind("F0 00", 0) == 0;
    if (x > inset + (threeByteId ? 11 : 5) * charWidth) return {};
    // The message must end somewhere: its F7 is the first one after its F0.
    const std::size_t start = lines.lineStart[index];
    const auto end = std::lower_bound(lines.endPositions.begin(), lines.endPositions.end(), start);
    if (end == lines.endPositions.end()) return {};
    if (x <= inset + 2 * charWidth)
        return "Packet size: " + std::to_string(*end - start + 1) + " Bytes.";
    return "Manufacturer: " + ManufacturerOf(data, start + 1);
}

}  // namespace hexview
