#pragma once

// Building, checking and re-addressing XV DT1/RQ1 messages. Small free
// functions, so each rule can be tested on its own.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "XVLayout.h"

class CFile;

namespace xv {

using Address = std::array<std::uint8_t, 4>;

// The address of a record's block: area, record number byte, then the block
// address counted in 7-bit units, carrying into the record number byte.
Address BlockAddress(std::uint8_t area, std::uint8_t number, int block);

// Does the message start like an XV DT1 (F0 41 dev 00 10 12)? The device byte is not examined.
bool IsDT1Header(std::span<const std::uint8_t> bytes);
// The four address bytes of a message.
Address AddressOf(std::span<const std::uint8_t> message);

// Writes the Roland checksum of a complete message (address and data) before its F7.
void SetChecksum(std::span<std::uint8_t> message);
// True when the message's checksum matches its address and data.
bool HasValidChecksum(std::span<const std::uint8_t> message);
// Offsets (from offset on) of the complete messages in bytes whose checksum is wrong.
std::vector<std::uint64_t> BadChecksums(std::span<const std::uint8_t> bytes, std::uint64_t offset);

// A complete DT1 message.
std::vector<std::uint8_t> BuildDT1(std::uint8_t deviceByte, const Address& address, std::span<const std::uint8_t> data);
// A data request (RQ1) for size bytes at address.
std::vector<std::uint8_t> BuildRQ1(std::uint8_t deviceByte, const Address& address, int size);

// Re-addresses every message of a record image: area and record number, the
// fixed block addresses, the device byte and the checksums.
void Readdress(std::span<std::uint8_t> image, RecordKind kind, std::uint8_t area, std::uint8_t number,
               std::uint8_t deviceByte);
// Only device bytes and checksums.
void UpdateDeviceAndChecksums(std::span<std::uint8_t> image, RecordKind kind, std::uint8_t deviceByte);

// Reads one message of a record at the file position into out (data size + 12
// bytes) and checks its frame: XV DT1 header, the expected area, number and
// block address, F7 at its end. Throws CFileException (badFormat, endOfFile)
// with a detail naming the message.
void ReadBlockMessage(CFile& file, std::span<std::uint8_t> out, const Address& expected, const char* what);

// Values spread over several bytes, one 4-bit nibble per byte, most significant first.
int ReadNibbles(std::span<const std::uint8_t> data, int offset, int count);
void WriteNibbles(std::span<std::uint8_t> data, int offset, int count, int value);

std::string AddressText(const Address& address);

// A name as the unit holds it: printable ASCII; any other byte (a Windows-1252
// letter would be no data byte at all) becomes '?'.
std::string UnitName(std::string_view name);

}  // namespace xv
