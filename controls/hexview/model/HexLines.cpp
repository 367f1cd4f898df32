#include "HexLines.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

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

std::string InformationAt(const HexLines& lines, std::span<const std::uint8_t> data, long long line, int x, int inset,
                          int charWidth) {
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
    if (x <= inset + 2 * charWidth) return "Packet size: " + std::to_string(*end - start + 1) + " Bytes.";
    return "Manufacturer: " + ManufacturerOf(data, start + 1);
}

std::vector<Message> FindMessages(std::span<const std::uint8_t> data) {
    std::vector<Message> messages;
    for (std::size_t pos = 0; pos < data.size(); ++pos) {
        if (data[pos] != 0xF0) continue;
        std::size_t end = pos + 1;
        while (end < data.size() && data[end] != 0xF7 && data[end] != 0xF0) ++end;
        const bool complete = end < data.size() && data[end] == 0xF7;
        messages.push_back({pos, (complete ? end + 1 : end) - pos, complete});
        pos = complete ? end : end - 1;
    }
    return messages;
}

std::string DescribeMessage(std::span<const std::uint8_t> data, const Message& message) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "%08zX", message.offset);
    return "message at " + std::string(offset) + ": " + std::to_string(message.length) + " bytes, " +
           ManufacturerOf(data, message.offset + 1) + (message.complete ? "" : " (no F7)");
}

std::optional<std::size_t> ByteAt(const HexLines& lines, long long line, int x, int inset, int charWidth, int textX) {
    if (line < 0 || static_cast<std::size_t>(line) >= lines.size() || charWidth <= 0) return std::nullopt;
    const auto index = static_cast<std::size_t>(line);
    const std::size_t count = lines.chars[index].size();
    int column = -1;
    if (x >= textX) {
        column = (x - textX) / charWidth;
    } else if (const int rel = x - inset; rel >= 0 && rel % (3 * charWidth) < 2 * charWidth + 2) {
        column = rel / (3 * charWidth);  // the two digits (and the 2-pixel margin before them), not the gap
    }
    if (column < 0 || static_cast<std::size_t>(column) >= count) return std::nullopt;
    return lines.lineStart[index] + static_cast<std::size_t>(column);
}

std::string PlaceInformation(std::span<const std::uint8_t> data, std::span<const Message> messages, std::size_t pos) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "Offset %08zX: ", pos);
    // The last message starting at or before pos, if pos lies inside it.
    const auto after = std::upper_bound(messages.begin(), messages.end(), pos,
                                        [](std::size_t p, const Message& m) { return p < m.offset; });
    if (after != messages.begin()) {
        const Message& m = *std::prev(after);
        if (pos < m.offset + m.length) return offset + DescribeMessage(data, m);
    }
    return offset + std::string("outside any message");
}

}  // namespace hexview
