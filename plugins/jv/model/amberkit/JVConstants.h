#pragma once

// The JV/XP family as it appears on the wire: every number the plug-in needs
// about messages, addresses, record shapes and identities lives here.

#include <array>
#include <cstdint>

#include <tonalith/Guid.h>

namespace amberkit {

// ---- DT1 / RQ1 framing ----
inline constexpr std::uint8_t kSysExStart = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;
inline constexpr std::uint8_t kRolandId = 0x41;
inline constexpr std::uint8_t kModelId = 0x6A;
inline constexpr std::uint8_t kCommandDT1 = 0x12;
inline constexpr std::uint8_t kCommandRQ1 = 0x11;
inline constexpr std::uint8_t kDeviceByteBase = 0x10;  // device ID 0..15 -> 10..1F

// Byte positions inside a DT1 message.
inline constexpr int kPosDevice = 2;
inline constexpr int kPosArea = 5;  // address byte 1: bank code
inline constexpr int kPosNumber = 6;  // address byte 2: record number
inline constexpr int kPosBlock = 7;  // address byte 3: block inside the record
inline constexpr int kPosOffset = 8;  // address byte 4
inline constexpr int kHeaderSize = 9;  // F0 41 dev 6A 12 + 4 address bytes
inline constexpr int kFrameOverhead = kHeaderSize + 2;  // header + checksum + F7

// Record name: the first 12 data bytes of the first message.
inline constexpr int kNameOffset = 9;
inline constexpr int kNameLength = 12;

// ---- Address map (byte 5) ----
inline constexpr std::uint8_t kAreaSystem = 0x00;
inline constexpr std::uint8_t kAreaTempPerformance = 0x01;
inline constexpr std::uint8_t kAreaTempPartPatch = 0x02;  // 02 0p: patch of part p+1; 02 09: rhythm set
inline constexpr std::uint8_t kAreaTempPatch = 0x03;
inline constexpr std::uint8_t kAreaUserPerformance = 0x10;  // also user rhythm sets at 10 40+n
inline constexpr std::uint8_t kAreaUserPatch = 0x11;
inline constexpr std::uint8_t kAreaCardPerformance = 0x20;
inline constexpr std::uint8_t kAreaCardPatch = 0x21;
inline constexpr std::uint8_t kRhythmNumberBase = 0x40;
inline constexpr std::uint8_t kRhythmPart = 0x09;  // part 10 of the temporary area

// Mode select: one data byte at the system address.
inline constexpr std::uint8_t kModePerformance = 0x00;
inline constexpr std::uint8_t kModePatch = 0x01;

// ---- Generations (setting WHICHSYNTH) ----
enum class Generation : int { JV1080 = 0, JV2080 = 1, XP = 2, XP30 = 3 };
inline constexpr int kGenerationCount = 4;
inline constexpr Generation kDefaultGeneration = Generation::JV2080;

// ---- Record shapes: first message, then repeated blocks ----
inline constexpr int kPatchCommonSize = 85;
inline constexpr int kPatchToneSize = 140;
inline constexpr int kPatchToneCount = 4;
inline constexpr int kPatchSize = kPatchCommonSize + kPatchToneSize * kPatchToneCount;  // 645

inline constexpr int kPerformanceCommonSize = 79;
inline constexpr int kPerformancePartSize = 37;
inline constexpr int kPerformancePartCount = 16;
inline constexpr int kPerformanceSize = kPerformanceCommonSize + kPerformancePartSize * kPerformancePartCount;  // 671
inline constexpr int kRhythmPartIndex = 9;  // part 10 plays the rhythm set

inline constexpr int kRhythmCommonSize = 23;
inline constexpr int kRhythmKeySize = 69;
inline constexpr int kRhythmKeyCount = 64;
inline constexpr int kRhythmSize = kRhythmCommonSize + kRhythmKeySize * kRhythmKeyCount;  // 4439
inline constexpr int kFirstRhythmKeyNote = 35;

inline constexpr int kSystemCommonSize = 109;
inline constexpr int kScaleTuneSize = 23;
inline constexpr int kScaleTuneCount = 17;
inline constexpr int kSystemSize = kSystemCommonSize + kScaleTuneSize * kScaleTuneCount;  // 500

// Block address bytes (byte 7) of the repeated blocks.
inline constexpr std::uint8_t kFirstToneBlock = 0x10;  // tones at 10, 12, 14, 16
inline constexpr std::uint8_t kToneBlockStep = 2;
inline constexpr std::uint8_t kFirstPartBlock = 0x10;
inline constexpr std::uint8_t kFirstKeyBlock = 0x23;
inline constexpr std::uint8_t kFirstScaleTuneBlock = 0x10;

// Message lengths per generation (index = WHICHSYNTH) for the messages that differ.
inline constexpr std::array<int, kGenerationCount> kPatchCommonSizes{83, 85, 84, 84};
inline constexpr std::array<int, kGenerationCount> kPerformanceCommonSizes{75, 79, 77, 77};
inline constexpr std::array<int, kGenerationCount> kPerformancePartSizes{30, 37, 36, 36};
inline constexpr std::array<int, kGenerationCount> kSystemCommonSizes{51, 109, 93, 93};

// Data bytes a shortened performance part lacks get these values (data 19..25).
inline constexpr std::array<std::uint8_t, 7> kPartTailDefaults{3, 1, 1, 0, 1, 0, 0};
inline constexpr int kPartTailFirst = 19;

// Layer sizes.
inline constexpr int kPatchesPerLayer = 128;
inline constexpr int kPerformancesPerLayer = 32;
inline constexpr int kRhythmsPerLayer = 2;

// Performance part sound reference (data offsets inside a part message).
inline constexpr int kPartGroupType = 2;
inline constexpr int kPartGroupId = 3;
inline constexpr int kPartNumberHigh = 4;
inline constexpr int kPartNumberLow = 5;
// Tone wave reference (data offsets inside a tone message).
inline constexpr int kToneSwitch = 0;
inline constexpr int kToneWaveGroupType = 1;
inline constexpr int kToneWaveGroupId = 2;
inline constexpr int kToneWaveHigh = 3;
inline constexpr int kToneWaveLow = 4;

// Group types and the ids of this memory's own areas.
inline constexpr std::uint8_t kGroupTypeInternal = 0;
inline constexpr std::uint8_t kGroupTypePcmCard = 1;
inline constexpr std::uint8_t kGroupTypeBoard = 2;
inline constexpr std::uint8_t kGroupIdUser = 1;
inline constexpr std::uint8_t kGroupIdCard = 2;

// ---- Identities ----
inline constexpr GUID kMemoryGuid{0x07EBB661, 0x08B4, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};

inline constexpr GUID kPatchTypeGuid{0x07EBB663, 0x08B4, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kPerformanceTypeGuid{
    0x2A894B41, 0x0ADC, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kRhythmTypeGuid{0x7CA64CC1, 0x0B7C, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kSystemTypeGuid{0xD933A541, 0xE44E, 0x11D3, {0x98, 0xB4, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};

inline constexpr GUID kUserPatchLayerGuid{0x07EBB662, 0x08B4, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kUserPerformanceLayerGuid{
    0x7CA64CC2, 0x0B7C, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kUserRhythmLayerGuid{
    0x7CA64CC3, 0x0B7C, 0x11D3, {0x94, 0x6D, 0x00, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kCardPatchLayerGuid{0xBEC42CC1, 0x3BC5, 0x11D3, {0x94, 0x6D, 0x14, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kCardPerformanceLayerGuid{
    0x0DB363A2, 0x3BC6, 0x11D3, {0x94, 0x6D, 0x14, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kCardRhythmLayerGuid{
    0x0DB363A1, 0x3BC6, 0x11D3, {0x94, 0x6D, 0x14, 0x1D, 0x07, 0xC1, 0x00, 0x00}};
inline constexpr GUID kSystemLayerGuid{0x117B9D31, 0xE44D, 0x11D3, {0x98, 0xB4, 0x00, 0x60, 0x08, 0xCC, 0x23, 0xFE}};

// Published pacing: at least 20 ms between DT1 messages sent to the unit.
inline constexpr int kMessagePauseMs = 20;

}  // namespace amberkit
