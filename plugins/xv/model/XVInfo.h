#pragma once

// Texts that describe records: the sounds of performance parts and the waves of patch tones.

#include <cstdint>
#include <string>

class CLayer;
class CXVBoardDatabase;
class CXVCardBanks;

namespace xv {

// What a part's bank select and program select: "User 5: Name" for this
// memory's user sounds, "Card A 12" for card banks (": Name" when the bank's
// file names it; cards may be null), group and name for presets and
// expansion boards.
std::string DescribePartSound(std::uint8_t msb, std::uint8_t lsb, std::uint8_t program, const CLayer* userPatches,
                              const CLayer* userRhythms, const CXVBoardDatabase& names, CXVCardBanks* cards = nullptr);

// The SRX board (1..12) and its sound number that bank select LSB and program
// select, by the boards' bank select ranges; board 0 when none holds it.
struct SrxSound {
    int board;
    int number;
};
SrxSound FindSrxSound(std::uint8_t lsb, std::uint8_t program);

// "INTWAVE StGrand pA L / StGrand pA R": the wave group and the wave(s) of a tone.
std::string DescribeToneWave(int groupType, int groupId, int waveLeft, int waveRight, const CXVBoardDatabase& names);

}  // namespace xv
