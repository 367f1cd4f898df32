#include "XVInfo.h"

#include <cstdio>

#include "Layer.h"
#include "Patch.h"
#include "XVBoardDatabase.h"
#include "XVCardBanks.h"
#include "XVSynthMemory.h"

using namespace xv;

namespace {

std::string Format(const char* format, int a, int b = 0) {
    char text[64];
    std::snprintf(text, sizeof text, format, a, b);
    return text;
}

std::string UserSound(int program, const CLayer* layer) {
    std::string text = Format("User %d", program + 1);
    if (layer && program < layer->GetPatchCount()) text += ": " + layer->GetPatch(program)->GetName();
    return text;
}

}  // namespace

namespace xv {

SrxSound FindSrxSound(std::uint8_t lsb, std::uint8_t program) {
    // The first bank select LSB of each board; a board with more than 128
    // sounds takes the following LSBs too.
    static constexpr int kFirstLsb[CXVBoardDatabase::kSrxBoards] = {0, 1, 2, 3, 4, 7, 11, 15, 19, 23, 24, 26};
    static constexpr int kLsbCount[CXVBoardDatabase::kSrxBoards] = {1, 1, 1, 1, 3, 4, 4, 4, 4, 1, 1, 1};
    for (int b = 0; b < CXVBoardDatabase::kSrxBoards; ++b)
        if (lsb >= kFirstLsb[b] && lsb < kFirstLsb[b] + kLsbCount[b])
            return {b + 1, (lsb - kFirstLsb[b]) * 128 + program};
    return {0, 0};
}

std::string DescribePartSound(std::uint8_t msb, std::uint8_t lsb, std::uint8_t program, const CLayer* userPatches,
                              const CLayer* userRhythms, const CXVBoardDatabase& names, CXVCardBanks* cards) {
    const bool rhythm = msb == kMsbRhythm || msb == kMsbJv80Rhythm || msb == kMsbSrxRhythm || msb == kMsbGm2Rhythm;
    const auto section = rhythm ? CXVBoardDatabase::Rhythm : CXVBoardDatabase::Patch;
    if (msb == kMsbPatch || msb == kMsbRhythm) {
        if (lsb == kLsbUser) return UserSound(program, rhythm ? userRhythms : userPatches);
        if (lsb >= kLsbFirstCard && lsb < kLsbFirstCard + kCardBanks) {
            std::string text = Format("Card %c %d", 'A' + (lsb - kLsbFirstCard), program + 1);
            if (cards)
                if (const auto name = cards->GetName(lsb - kLsbFirstCard, rhythm, program)) text += ": " + *name;
            return text;
        }
        if (lsb >= kLsbFirstPreset && lsb < kLsbFirstPreset + kPresetBanks) {
            const int group = CXVBoardDatabase::kFirstPresetBank + lsb - kLsbFirstPreset;
            return names.GetGroupName(group, CXVBoardDatabase::Preset) + " " +
                   names.GetName(group, section, program, CXVBoardDatabase::Preset);
        }
    } else if (msb == kMsbJv80Patch || msb == kMsbJv80Rhythm) {
        const int board = lsb / 2 + 1;
        const int number = (lsb % 2) * 128 + program;
        return names.GetGroupName(board, CXVBoardDatabase::Jv80Board) + " " +
               names.GetName(board, section, number, CXVBoardDatabase::Jv80Board);
    } else if (msb == kMsbSrxPatch || msb == kMsbSrxRhythm) {
        if (const SrxSound sound = FindSrxSound(lsb, program); sound.board > 0)
            return names.GetGroupName(sound.board, CXVBoardDatabase::SrxBoard) + " " +
                   names.GetName(sound.board, section, sound.number, CXVBoardDatabase::SrxBoard);
    } else if (msb == kMsbGm2Patch || msb == kMsbGm2Rhythm) {
        return names.GetGroupName(CXVBoardDatabase::kGm2, CXVBoardDatabase::Preset) +
               Format(" %d-%d", lsb, program + 1);
    }
    return Format("Bank %d/", msb) + Format("%d ", lsb) + Format("%d", program + 1);
}

std::string DescribeToneWave(int groupType, int groupId, int waveLeft, int waveRight, const CXVBoardDatabase& names) {
    static const char* kGroupLabels[] = {"INTWAVE", "SRJV80EXP", "SRXEXP", "SAMPLE"};
    if (groupType < 0 || groupType > 3) return Format("Unknown wave group %d", groupType);
    const auto wave = [&](int number) -> std::string {
        if (number <= 0) return "---";
        switch (groupType) {
        case 0:
            return names.GetName(CXVBoardDatabase::kInternalWaves, CXVBoardDatabase::Wave, number - 1,
                                 CXVBoardDatabase::Preset);
        case 1: return names.GetName(groupId, CXVBoardDatabase::Wave, number - 1, CXVBoardDatabase::Jv80Board);
        case 2: return names.GetName(groupId, CXVBoardDatabase::Wave, number - 1, CXVBoardDatabase::SrxBoard);
        default: return names.GetName(0, CXVBoardDatabase::Wave, number - 1, CXVBoardDatabase::Sample);
        }
    };
    std::string text = std::string(kGroupLabels[groupType]) + " " + wave(waveLeft);
    if (waveRight > 0) text += " / " + wave(waveRight);
    return text;
}

}  // namespace xv

std::string CXVPatch::GetInfoForPatch() const {
    const CXVBoardDatabase& names = CXVBoardDatabase::Get();
    std::string text;
    for (int t = 0; t < kToneCount; ++t) {
        if (t > 0) text += "\n";
        if (!IsToneOn(t)) {
            text += "OFF";
            continue;
        }
        const auto tone = MessageData(5 + t);
        text += DescribeToneWave(tone[kToneWaveGroupType], ReadNibbles(tone, kToneWaveGroupId, 4),
                                 ReadNibbles(tone, kToneWaveLeft, 4), ReadNibbles(tone, kToneWaveRight, 4), names);
    }
    return text;
}

std::string CXVPerformanceLayer::GetInfoForPatch(int i) const {
    const CXVBoardDatabase& names = CXVBoardDatabase::Get();
    const CLayer* patches = GetChildLayerCount() > 0 ? GetChildLayer(0) : nullptr;
    const CLayer* rhythms = GetChildLayerCount() > 1 ? GetChildLayer(1) : nullptr;
    const CXVPerformance& perf = GetPerformance(i);
    std::string sounds, rhythmSets;
    for (int p = 0; p < kPartCount; ++p) {
        const auto part = perf.PartData(p);
        const std::uint8_t msb = part[kPartBankMsb];
        const bool rhythm = msb == kMsbRhythm || msb == kMsbJv80Rhythm || msb == kMsbSrxRhythm || msb == kMsbGm2Rhythm;
        std::string& out = rhythm ? rhythmSets : sounds;
        if (!out.empty()) out += "\n";
        out += Format("Part %d: ", p + 1) + DescribePartSound(msb, part[kPartBankLsb], part[kPartProgram], patches,
                                                              rhythms, names, &CXVCardBanks::Get());
    }
    return sounds + "\n-------------------------------------------\n" + rhythmSets;
}
