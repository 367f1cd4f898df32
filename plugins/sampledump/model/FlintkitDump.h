#pragma once

// The MIDI Sample Dump Standard as bytes: the dump header, the data packets,
// the sample encoding and the period/rate conversion. Small free functions so
// the patch, the WAV conversion and the tests share one definition.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class CFile;

namespace flintkit {

constexpr int kHeaderSize = 21;
constexpr int kPacketSize = 127;
constexpr int kPacketDataSize = 120;
constexpr int kPacketDataOffset = 5;
constexpr int kPacketChecksumOffset = 125;
constexpr int kBytesPerSample16 = 3;
constexpr int kSamplesPerPacket16 = kPacketDataSize / kBytesPerSample16;  // 40

constexpr std::uint8_t kSysExStart = 0xF0;
constexpr std::uint8_t kSysExEnd = 0xF7;
constexpr std::uint8_t kUniversalNonRealTime = 0x7E;
constexpr std::uint8_t kSubIdDumpHeader = 0x01;
constexpr std::uint8_t kSubIdDataPacket = 0x02;

// Header field offsets.
constexpr int kOffsetChannel = 2;
constexpr int kOffsetSampleNumber = 4;  // 14 bits
constexpr int kOffsetFormat = 6;
constexpr int kOffsetPeriod = 7;  // 21 bits, nanoseconds
constexpr int kOffsetLength = 10;  // 21 bits, words
constexpr int kOffsetLoopStart = 13;  // 21 bits, words
constexpr int kOffsetLoopEnd = 16;  // 21 bits, words
constexpr int kOffsetLoopType = 19;

constexpr std::uint8_t kLoopForward = 0x00;
constexpr std::uint8_t kLoopAlternating = 0x01;
constexpr std::uint8_t kLoopOff = 0x7F;

constexpr int kMax21Bit = 0x1FFFFF;  // 2,097,151
constexpr int kMaxSampleLength = kMax21Bit;  // the longest sample a header can describe
constexpr int kMaxSampleNumber = 0x3FFF;
constexpr int kMinFormatBits = 8;
constexpr int kMaxFormatBits = 28;

// Loop points written for a sample without a loop (the value the dumps of this
// plug-in have always carried).
constexpr int kNoLoopPoint = 127 / 2;

// 7-bit groups, least significant first.
int Read14(std::span<const std::uint8_t> bytes, int offset);
int Read21(std::span<const std::uint8_t> bytes, int offset);
void Write14(std::span<std::uint8_t> bytes, int offset, int value);
void Write21(std::span<std::uint8_t> bytes, int offset, int value);

// Bytes per word and words per packet for a sample format of bits 8..28.
int BytesPerWord(int formatBits);
int WordsPerPacket(int formatBits);
int PacketsForLength(int lengthWords, int formatBits);

// Exclusive-or of bytes 1 to 124 of a packet (everything after F0 up to the checksum).
std::uint8_t PacketChecksum(std::span<const std::uint8_t> packet);
// The byte offsets (in dump) of the packets of a complete dump whose checksum is wrong.
std::vector<std::size_t> BadPacketChecksums(std::span<const std::uint8_t> dump);

// Signed words of formatBits (8..28) to their packet form: each made unsigned,
// left-justified across BytesPerWord 7-bit groups, most significant first.
// Values outside the format's range are clipped.
std::vector<std::uint8_t> EncodeWords(std::span<const std::int32_t> words, int formatBits);
// 16-bit signed samples to the 3-bytes-per-sample form and back.
void EncodeSamples16(std::span<const std::int16_t> samples, std::span<std::uint8_t> out);
std::vector<std::uint8_t> EncodeSamples16(std::span<const std::int16_t> samples);
// The words of a complete dump at the header's format (8..28 bits, signed),
// header length of them, taken packet by packet.
std::vector<std::int32_t> DecodeWords(std::span<const std::uint8_t> dump);
// The same scaled to 16 bits (wider formats lose their low bits).
std::vector<std::int16_t> DecodeSamples16(std::span<const std::uint8_t> dump);

// Rounded half up, snapped onto the usual rates and periods when one off.
int RateFromPeriod(int periodNs);
int PeriodFromRate(int rateHz);

// A complete dump for encoded sample data (n bytes): header with F0 7E dev 01 and
// F7 (the other header bytes zero, for the caller), then ceil(n / 120) packets,
// numbered modulo 128, the last padded with zeros, each with its checksum.
std::vector<std::uint8_t> BuildDump(std::span<const std::uint8_t> encoded, int deviceId);

// Reads one dump at the file position: a dump header, then the packets its
// length needs. Throws CFileException (badFormat or endOfFile, with a detail
// text) when the bytes are not a complete dump; the position is then unspecified.
std::vector<std::uint8_t> ReadDump(CFile& file);

}  // namespace flintkit
