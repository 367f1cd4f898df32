#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The hex viewer's text, built without any window so the CLI prints the same
// lines the control draws. Positions are size_t: sample dumps run to megabytes.
namespace hexview {

inline constexpr std::size_t kBytesPerLine = 16;

struct HexLines {
    std::vector<std::string> hex;  // "F0 41 10 " ... three characters per byte
    std::vector<std::string> chars;  // the printable bytes, "." for the others
    std::vector<std::size_t> lineStart;  // byte position of each line's first byte
    std::vector<std::size_t> messageLines;  // line index of every F0, in data order
    std::vector<std::size_t> endPositions;  // byte position of every F7, in data order

    std::size_t size() const { return hex.size(); }
};

// Up to 16 bytes a line; a line ends right after an F7, so every message starts a line.
HexLines BuildLines(std::span<const std::uint8_t> data);

// The manufacturer tables. group: 255 for the one-byte ids, else the middle byte
// of a three-byte id (0x00, 0x01, 0x20). Empty for unassigned or unknown ids.
std::string_view ManufacturerName(int group, int index);
// Slots per group (88, 128, 42, 57); 0 for a group that does not exist.
int ManufacturerGroupSize(int group);
// "ROLAND CORPORATION" for the id starting at data[idPos] (one or three bytes), or "Unknown".
std::string ManufacturerOf(std::span<const std::uint8_t> data, std::size_t idPos);

// One SysEx message as hexdump lists it: every F0 starts one; it ends at the next
// F7, or, when another F0 or the end of the data comes first, just before that.
struct Message {
    std::size_t offset;
    std::size_t length;
    bool complete;  // ends with its own F7
};
std::vector<Message> FindMessages(std::span<const std::uint8_t> data);
// "message at 00000010: 20 bytes, ROLAND CORPORATION", " (no F7)" added when unfinished.
std::string DescribeMessage(std::span<const std::uint8_t> data, const Message& message);

// The byte drawn at pixel x of line (absolute index), in the hex or the text
// column; textX is where the text column starts. None between bytes or beyond the line.
std::optional<std::size_t> ByteAt(const HexLines& lines, long long line, int x, int inset, int charWidth, int textX);
// What hexdump says about the byte at pos: its offset and the message holding it.
std::string PlaceInformation(std::span<const std::uint8_t> data, std::span<const Message> messages, std::size_t pos);

// What the control tells its host for a pointer over line (absolute index) at
// pixel x, with the given inset and character width: the packet size over the
// F0 mark, the manufacturer over the id, else empty.
std::string InformationAt(const HexLines& lines, std::span<const std::uint8_t> data, long long line, int x, int inset,
                          int charWidth);

}  // namespace hexview
