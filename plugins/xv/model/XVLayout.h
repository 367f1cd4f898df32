#pragma once

// The XV-3080 / XV-5080 / XV-88 SysEx layout in one place: message framing,
// record shapes, addresses and identifiers.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "Guid.h"

namespace xv {

// ---- DT1 framing: F0 41 dev 00 10 12 a1 a2 a3 a4 data... cs F7 ----
inline constexpr std::uint8_t kSysExStart = 0xF0;
inline constexpr std::uint8_t kSysExEnd = 0xF7;
inline constexpr std::uint8_t kRoland = 0x41;
inline constexpr std::uint8_t kModelHigh = 0x00;
inline constexpr std::uint8_t kModelLow = 0x10;
inline constexpr std::uint8_t kDT1 = 0x12;
inline constexpr std::uint8_t kRQ1 = 0x11;
inline constexpr std::uint8_t kDeviceBase = 0x10;
inline constexpr int kHeaderSize = 10;  // F0 .. fourth address byte
inline constexpr int kMessageOverhead = 12;  // header + checksum + F7
// Offsets inside a message.
inline constexpr int kDeviceByte = 2;
inline constexpr int kArea = 6;
inline constexpr int kNumber = 7;
inline constexpr int kBlock = 8;
inline constexpr int kBlockLow = 9;

inline constexpr int kNameOffset = 10;
inline constexpr int kNameLength = 12;

// ---- Areas (first address byte) ----
inline constexpr std::uint8_t kAreaSystem = 0x00;
inline constexpr std::uint8_t kAreaTempPerformance = 0x10;
inline constexpr std::uint8_t kAreaFirstPart = 0x11;  // temporary sounds of performance parts
inline constexpr std::uint8_t kAreaLastPartPatch = 0x18;  // 32 part patch slots: 11 00 .. 18 60
inline constexpr std::uint8_t kAreaLastPartRhythm = 0x14;
inline constexpr std::uint8_t kAreaTemp = 0x1F;  // 1F 00 patch, 1F 10 rhythm set
inline constexpr std::uint8_t kAreaUserPerformance = 0x20;
inline constexpr std::uint8_t kAreaUserPatch = 0x30;
inline constexpr std::uint8_t kAreaUserRhythm = 0x40;
inline constexpr std::uint8_t kTempRhythmNumber = 0x10;
inline constexpr std::uint8_t kUserRhythmStep = 0x10;  // user rhythm set r lives at 40 (10·r)

// ---- Record shapes ----
// One message of a record: its data size and its block address, counted in
// 7-bit address units below the record number byte (values of 128 and more
// carry into the record number byte).
struct Block {
    int dataSize;
    int address;
};

enum class RecordKind { Patch, Performance, Rhythm, System };

inline constexpr int kPatchCommonData = 79;
inline constexpr int kMfxData = 145;
inline constexpr int kChorusData = 52;
inline constexpr int kReverbData = 83;
inline constexpr int kToneMixData = 41;
inline constexpr int kToneData = 137;
inline constexpr int kToneCount = 4;
inline constexpr int kFirstToneBlock = 0x20;

inline constexpr int kPerformanceCommonData = 53;
inline constexpr int kPerformanceMidiData = 12;
inline constexpr int kPerformanceMidiCount = 16;
inline constexpr int kPartData = 33;
inline constexpr int kPartCount = 32;
inline constexpr int kFirstPartBlock = 0x20;

inline constexpr int kRhythmCommonData = 18;
inline constexpr int kRhythmKeyData = 193;
inline constexpr int kRhythmKeyCount = 88;
inline constexpr int kFirstKeyBlock = 0x10;

inline constexpr int kSystemCommonData = 30;
inline constexpr int kSystemEqData = 33;
inline constexpr int kScaleTuneData = 12;
inline constexpr int kScaleTuneCount = 32;

inline constexpr int kPatchSize = 1056;
inline constexpr int kPatchCommonsSize = 460;  // the five messages before the tones
inline constexpr int kPerformanceSize = 2205;
inline constexpr int kRhythmSize = 18386;
inline constexpr int kSystemSize = 855;

// The messages of each record type, in stored order.
std::span<const Block> Layout(RecordKind kind);
int RecordSize(RecordKind kind);
// Byte offset of message i inside a record image.
int MessageOffset(RecordKind kind, int message);

// ---- Layers ----
inline constexpr int kUserPatches = 128;
inline constexpr int kUserPerformances = 64;
inline constexpr int kUserRhythmSets = 4;

// ---- Identifiers ----
inline constexpr GUID kPatchGuid{0xF0A3DC97, 0x1F8D, 0x11D5, {0xB8, 0xE9, 0x00, 0x01, 0x02, 0x1D, 0xA0, 0xAA}};
inline constexpr GUID kPerformanceGuid{0x06E0E8A5, 0x244A, 0x11D5, {0xB8, 0xEC, 0x00, 0x01, 0x02, 0x1D, 0xA0, 0xAA}};
inline constexpr GUID kRhythmGuid{0x5D8037B5, 0x28C7, 0x11D5, {0xB8, 0xF1, 0x00, 0x04, 0x76, 0x12, 0xB4, 0x4D}};
inline constexpr GUID kSystemGuid{0x45B6BED2, 0x28D2, 0x11D5, {0xB8, 0xF1, 0x00, 0x04, 0x76, 0x12, 0xB4, 0x4D}};
inline constexpr GUID kPerformanceLayerGuid{
    0x06E0E8A1, 0x244A, 0x11D5, {0xB8, 0xEC, 0x00, 0x01, 0x02, 0x1D, 0xA0, 0xAA}};
inline constexpr GUID kPatchLayerGuid{0xF0A3DC98, 0x1F8D, 0x11D5, {0xB8, 0xE9, 0x00, 0x01, 0x02, 0x1D, 0xA0, 0xAA}};
inline constexpr GUID kRhythmLayerGuid{0x5D8037B2, 0x28C7, 0x11D5, {0xB8, 0xF1, 0x00, 0x04, 0x76, 0x12, 0xB4, 0x4D}};
inline constexpr GUID kSystemLayerGuid{0x45B6BED4, 0x28D2, 0x11D5, {0xB8, 0xF1, 0x00, 0x04, 0x76, 0x12, 0xB4, 0x4D}};
inline constexpr GUID kMemoryGuid{0xF0A3DC94, 0x1F8D, 0x11D5, {0xB8, 0xE9, 0x00, 0x01, 0x02, 0x1D, 0xA0, 0xAA}};

// ---- Performance part sound selection (bank select MSB / LSB, program) ----
inline constexpr int kPartBankMsb = 4;
inline constexpr int kPartBankLsb = 5;
inline constexpr int kPartProgram = 6;
inline constexpr std::uint8_t kMsbRhythm = 86;  // user, card and preset rhythm sets
inline constexpr std::uint8_t kMsbPatch = 87;  // user, card and preset patches
inline constexpr std::uint8_t kMsbJv80Rhythm = 88;
inline constexpr std::uint8_t kMsbJv80Patch = 89;
inline constexpr std::uint8_t kMsbSrxRhythm = 92;
inline constexpr std::uint8_t kMsbSrxPatch = 93;
inline constexpr std::uint8_t kMsbGm2Rhythm = 120;
inline constexpr std::uint8_t kMsbGm2Patch = 121;
inline constexpr std::uint8_t kLsbUser = 0;
inline constexpr std::uint8_t kLsbFirstCard = 32;  // card banks A..H
inline constexpr int kCardBanks = 8;
inline constexpr std::uint8_t kLsbFirstPreset = 64;  // PR-A ..
inline constexpr int kPresetBanks = 8;  // PR-A .. PR-H

// ---- Patch tone wave (tone data offsets) and tone switch (tone mix table) ----
inline constexpr int kToneWaveGroupType = 0x27;
inline constexpr int kToneWaveGroupId = 0x28;  // 4 nibbles
inline constexpr int kToneWaveLeft = 0x2C;  // 4 nibbles, 0 = none
inline constexpr int kToneWaveRight = 0x30;  // 4 nibbles
inline constexpr int kToneMixSwitch = 5;  // + 9 per tone
inline constexpr int kToneMixStride = 9;

}  // namespace xv
