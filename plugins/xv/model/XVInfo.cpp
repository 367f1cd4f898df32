#include "XVInfo.h"

#include <cstdio>

#include "Layer.h"
#include "Patch.h"
#include "XVBoardDatabase.h"
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

std::string DescribePartSound(std::uint8_t msb, std::uint8_t lsb, std::uint8_t program, const CLayer* userPatches,
                              const CLayer* userRhythms, const CXVBoardDatabase& names) {
    const bool rhythm = msb == kMsbRhythm || msb == kMsbJv80Rhythm || msb == kMsbSrxRhythm || msb == kMsbGm2Rhythm;
    const auto section = rhythm ? CXVBoardDatabase::Rhythm : CXVBoardDatabase::Patch;
    if (msb == kMsbPatch || msb == kMsbRhythm) {
        if (lsb == kLsbUser) return UserSound(program, rhythm ? userRhythms : userPatches);
        if (lsb >= kLsbFirstCard && lsb < kLsbFirstCard + kCardBanks)
            return Format("Card %c %d", 'A' + (lsb - kLsbFirstCard), program + 1);
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
    } else if (msb == kMsbGm2Patch || msb == kMsbGm2Rhythm) {
        return names.GetGroupName(CXVBoardDatabase::kGm2, CXVBoardDatabase::Preset) + Format(" %d-%d", lsb, program + 1);
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
        out += Format("Part %d: ", p + 1) +
               DescribePartSound(msb, part[kPartBankLsb], part[kPartProgram], patches, rhythms, names);
    }
    return sounds + "\n-------------------------------------------\n" + rhythmSets;
}
