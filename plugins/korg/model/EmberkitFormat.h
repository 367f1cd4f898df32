#pragma once

// The Korg 01/W's memory and System Exclusive format in one place: sizes,
// function codes, type identities, the 7-in-8 packing and the messages.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Guid.h"

class CFile;

namespace emberkit {

// ---- message frame: F0 42 3g 2B fn ... F7 (g = the instrument's global MIDI channel - 1)
inline constexpr std::uint8_t kSysExStart = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;
inline constexpr std::uint8_t kKorgId = 0x42;
inline constexpr std::uint8_t kFormatId = 0x30;  // high nibble; the low nibble is the channel
inline constexpr std::uint8_t kModelId = 0x2B;

// Function codes.
inline constexpr std::uint8_t kProgramDump = 0x40;  // one program, to the edit buffer
inline constexpr std::uint8_t kCombinationDump = 0x49;  // one combination
inline constexpr std::uint8_t kAllProgramsDump = 0x4C;
inline constexpr std::uint8_t kAllCombinationsDump = 0x4D;
inline constexpr std::uint8_t kDrumKitsDump = 0x52;
inline constexpr std::uint8_t kGlobalDump = 0x51;
inline constexpr std::uint8_t kAllDataDump = 0x50;
inline constexpr std::uint8_t kProgramWriteRequest = 0x11;
inline constexpr std::uint8_t kCombinationWriteRequest = 0x1A;
inline constexpr std::uint8_t kModeChange = 0x4E;
inline constexpr std::uint8_t kParameterChange = 0x41;
inline constexpr std::uint8_t kDrumParameterChange = 0x53;

// Header lengths: F0 42 3g 2B fn 00 for a bank dump; the all-data dump has two
// more bytes (the size of the sequence data that follows the sound data);
// a single program or combination has no 00 byte.
inline constexpr int kHeaderSize = 6;
inline constexpr int kAllDataHeaderSize = 8;
inline constexpr int kSingleHeaderSize = 5;

// ---- memory layout
inline constexpr int kProgramCount = 200;
inline constexpr int kCombinationCount = 200;
inline constexpr int kDrumKitCount = 4;
inline constexpr int kNameLength = 10;
inline constexpr int kProgramSize = 172;
inline constexpr int kCombinationSize = 128;
inline constexpr int kDrumKitSize = 420;
inline constexpr int kGlobalSize = 21;
inline constexpr int kBankSize = 100;  // A00-A99, B00-B99
inline constexpr int kDrumBankSize = 2;  // A00, A01, B00, B01

// Layer indices of the memory.
inline constexpr int kProgramLayer = 0;
inline constexpr int kCombinationLayer = 1;
inline constexpr int kDrumLayer = 2;
inline constexpr int kGlobalLayer = 3;

// Program: multisound of oscillator 1 and 2.
inline constexpr int kOsc1Multisound = 12;
inline constexpr int kOsc2Multisound = 15;
// Combination: eight timbres of 11 bytes; the first byte is the program it plays.
inline constexpr int kTimbreCount = 8;
inline constexpr int kTimbreOffset = 40;
inline constexpr int kTimbreSize = 11;
inline constexpr int kTimbreLevel = 1;
inline constexpr int kTimbreTopKey = 5;
inline constexpr int kTimbreTopVelocity = 7;
inline constexpr int kTimbreBottomVelocity = 8;
inline constexpr int kTimbreStatus = 10;  // bits 0-3 MIDI channel, bit 4 on
// Drum kit: 60 entries of 7 bytes (sound, key, pan | group << 4, tune, level, decay, -).
inline constexpr int kDrumEntryCount = 60;
inline constexpr int kDrumEntrySize = 7;
inline constexpr int kLowestDrumKey = 12;

// Modes of the mode-change message.
inline constexpr int kModeCombination = 0;
inline constexpr int kModeCombinationEdit = 1;
inline constexpr int kModeProgram = 2;
inline constexpr int kModeProgramEdit = 3;
inline constexpr int kModeGlobal = 4;

// Header types for SetType, in this order.
enum class DumpType { Programs = 0, Combinations = 1, Drums = 2, Global = 3 };
std::uint8_t BankFunction(DumpType type);

// ---- identities
inline constexpr GUID kMemoryGuid{0x90FFCDB0, 0xF3F8, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kProgramLayerGuid{0x90FFCDB1, 0xF3F8, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kCombinationLayerGuid{
    0x90FFCDB2, 0xF3F8, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kGlobalLayerGuid{0x90FFCDB3, 0xF3F8, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kDrumLayerGuid{0x90FFCDB4, 0xF3F8, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kGlobalPatchGuid{0x43024210, 0xF88A, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kCombinationPatchGuid{
    0x43024211, 0xF88A, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kProgramPatchGuid{0x43024212, 0xF88A, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};
inline constexpr GUID kDrumPatchGuid{0x43024213, 0xF88A, 0x11D2, {0x98, 0x47, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};

// ---- 7-in-8 packing: each group of 7 data bytes travels as one byte holding
// their top bits (bit i for byte i) followed by the 7 bytes with bit 7 cleared.
constexpr std::size_t PackedSize(std::size_t n) { return n / 7 * 8 + (n % 7 ? n % 7 + 1 : 0); }
std::vector<std::uint8_t> Pack(std::span<const std::uint8_t> data);
// The first n data bytes of packed; nullopt when packed is too short or holds a
// byte with bit 7 set (no packed byte can).
std::optional<std::vector<std::uint8_t>> Unpack(std::span<const std::uint8_t> packed, std::size_t n);

// ---- message frame
// The format byte for global MIDI channel 1-16; anything else counts as 1.
std::uint8_t FormatByte(int channel);
// F0 42 3g 2B: a message of this instrument on any global channel.
bool IsOwnMessage(std::span<const std::uint8_t> bytes);

// ---- messages the plug-in sends or writes
// F0 42 3g 2B fn, packed data, F7 (a program or combination to the edit buffer).
std::vector<std::uint8_t> BuildSingleDump(std::uint8_t function, std::span<const std::uint8_t> data, int channel);
// F0 42 3g 2B fn 00, packed data, F7 (a whole layer).
std::vector<std::uint8_t> BuildBankDump(std::uint8_t function, std::span<const std::uint8_t> data, int channel);
// F0 42 3g 2B fn bank number F7: store the edit buffer as patch number (0-199).
std::vector<std::uint8_t> BuildWriteRequest(std::uint8_t function, int number, int channel);
// F0 42 3g 2B 4E mode 00 F7
std::vector<std::uint8_t> BuildModeChange(int mode, int channel);

// Page, position and parameter of a parameter change.
struct ParameterAddress {
    std::uint8_t page = 0;
    std::uint8_t position = 0;
    std::uint8_t parameter = 0;
};
// The value's two bytes: lo = value & 7F; hi = 7F for a negative value, else
// bit 7 of the value, plus 2 for values 256..511.
std::array<std::uint8_t, 2> ParameterValueBytes(int value);
// F0 42 3g 2B 41 a b c lo hi F7 (11 bytes).
std::vector<std::uint8_t> BuildParameterChange(ParameterAddress address, int value, int channel);
// A drum kit parameter: values 256..511 go as F0 42 3g 2B 53 00 a b c lo hi F7,
// the others as the 41 message.
std::vector<std::uint8_t> BuildDrumParameterChange(ParameterAddress address, int value, int channel);

// ---- messages the plug-in reads
// One message as read from a file: its first bytes (at most what the reader
// asked to keep), its full length, and whether it ended with F7.
struct SysExMessage {
    std::vector<std::uint8_t> head;
    std::size_t length = 0;
    bool complete = false;
};
// Reads the message that starts (F0) at the file position, keeping at most keep
// bytes. Stops after its F7, before any other status byte (a cut-off message is
// followed by the next one) or at the end of the file.
SysExMessage ReadSysEx(CFile& file, std::size_t keep);

// The dataSize data bytes of a dump whose header is headerSize bytes. With
// trailing, more packed bytes may follow (data this plug-in does not keep);
// otherwise the packed data must fill the message exactly. Throws CFileException
// (endOfFile or badFormat, with a detail naming what) naming fileName.
std::vector<std::uint8_t> ParseDump(const SysExMessage& message, int headerSize, std::size_t dataSize,
                                    const std::string& what, const std::string& fileName, bool trailing = false);

// ---- dump requests for Receive
struct DumpRequest {
    const char* name;
    std::vector<std::uint8_t> tail;  // the bytes after F0 42 3g 2B, before F7; empty: no request
    long expectedSize;  // bytes of the answer; 0 when it varies
};
// Request text ("F0 42 30 2B 1C 00 F7"), empty for a request the instrument has no message for.
std::string RequestText(const DumpRequest& request, int channel);
const std::vector<DumpRequest>& DumpRequests();

}  // namespace emberkit
