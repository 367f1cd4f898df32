#pragma once

// Building and parsing single Roland DT1/RQ1 messages of the JV/XP family.
// Small free functions so each rule can be checked on its own.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

class CFile;

namespace amberkit {

using Address = std::array<std::uint8_t, 4>;

// 10..1F for device IDs 0..15; an ID outside that range is treated as 0.
std::uint8_t DeviceByte(int deviceId);

// Roland checksum over bytes: sum mod 128, 0 stays 0, r becomes 128 - r.
std::uint8_t RolandChecksum(std::span<const std::uint8_t> bytes);

// Recomputes the checksum of a complete DT1 message (over address and data)
// and puts F7 behind it. Messages shorter than a bare frame are left alone.
void SealMessage(std::span<std::uint8_t> message);

// True when the checksum of a complete DT1 message is right.
bool HasValidChecksum(std::span<const std::uint8_t> message);

// F0 41 dev 6A 12 at the start of bytes.
bool IsDataSetHeader(std::span<const std::uint8_t> bytes);

// F0 41 dev 6A 12 address data checksum F7.
std::vector<std::uint8_t> BuildDataSet(std::uint8_t deviceByte, const Address& address,
                                       std::span<const std::uint8_t> data);

// F0 41 dev 6A 11 address size checksum F7 (size: an address span, 7-bit bytes).
std::vector<std::uint8_t> BuildRequest(std::uint8_t deviceByte, const Address& address, const Address& size);

// Mode select (one byte at the system address): kModePatch or kModePerformance.
std::vector<std::uint8_t> BuildModeSelect(std::uint8_t deviceByte, std::uint8_t mode);

// The message cut to size bytes: the first size - 11 data bytes with their own
// checksum and F7. size must not exceed the message.
std::vector<std::uint8_t> ShortenMessage(std::span<const std::uint8_t> message, int size);

// A short message widened to longSize bytes: the missing data bytes come from
// tailDefaults (indexed from data byte tailFirst; zero elsewhere), then the
// checksum and F7.
std::vector<std::uint8_t> WidenMessage(std::span<const std::uint8_t> message, int longSize,
                                       std::span<const std::uint8_t> tailDefaults = {}, int tailFirst = 0);

// A record name as the unit stores it: exactly 12 characters, padded with
// blanks; characters outside 32..126 become '?' so the bytes stay 7-bit.
std::string ToUnitName(std::string_view name);

// Reads one DT1 message at the file position whose length is one of sizes.
// The end is the first byte with the high bit set, which must be F7 at one of
// those lengths; bytes read past the end are given back. Throws CFileException
// (badFormat or endOfFile) naming the file, with the position restored.
std::vector<std::uint8_t> ReadDataSet(CFile& file, std::span<const int> sizes);

}  // namespace amberkit
