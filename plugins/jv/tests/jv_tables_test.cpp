#include <gtest/gtest.h>

#include "JVTestSupport.h"
#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVEffectTable.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVRecords.h"

using namespace amberkit;
using Kind = CJVBoardDatabase::Kind;
using Section = CJVBoardDatabase::Section;

namespace {
const CJVEffectType& Type(int number) { return GetEffectTypes()[static_cast<std::size_t>(number - 1)]; }
std::vector<std::string> Values(int type, int slot) {
    return GetEffectValueList(Type(type).parameters[static_cast<std::size_t>(slot)]);
}
}  // namespace

TEST(JVEffectTable, TypesAndParameterCounts) {
    const auto names = GetEffectTypeNames();
    ASSERT_EQ(names.size(), 40u);
    EXPECT_EQ(names.front(), "01:STEREO-EQ");
    EXPECT_EQ(names.back(), "40:CHORUS/FLANGER");
    EXPECT_EQ(Type(1).GetParameterCount(), 11);
    for (const int full : {18, 19, 20, 22}) EXPECT_EQ(Type(full).GetParameterCount(), 12) << full;
    EXPECT_EQ(Type(6).GetParameterCount(), 5);
    EXPECT_EQ(Type(27).parameters[3].label, "Flanger Rate;");
    EXPECT_EQ(GetEffectSourceNames().size(), 16u);
    std::vector<std::string_view> overdrive;
    for (const auto& s : Type(2).parameters)
        if (!s.IsEmpty()) overdrive.push_back(s.label);
    EXPECT_EQ(overdrive, (std::vector<std::string_view>{
                             "Drive:", "Output Pan:", "Amp Type:", "Low Gain:", "High Gain:", "Output Level:"}));
    for (const auto& t : GetEffectTypes()) {
        bool emptySeen = false;
        for (const auto& s : t.parameters) {
            if (s.IsEmpty()) {
                emptySeen = true;
                continue;
            }
            EXPECT_FALSE(emptySeen) << t.name << ": parameters after an empty slot";
            EXPECT_LE(s.label.size(), 30u);
            EXPECT_FALSE(GetEffectValueList(s).empty()) << t.name << " " << s.label;
            for (const auto& text : s.texts) EXPECT_LE(text.size(), 10u);
        }
    }
}

TEST(JVEffectTable, ValueListsOfEveryKind) {
    const auto gain = Values(1, 1);
    ASSERT_EQ(gain.size(), 31u);
    EXPECT_EQ(gain[15], "0");
    EXPECT_EQ(gain[0], "-15");
    const auto pan = Values(2, 1);
    ASSERT_EQ(pan.size(), 128u);
    EXPECT_EQ(pan[0], "L64");
    EXPECT_EQ(pan[64], "0");
    EXPECT_EQ(pan[127], "R63");
    EXPECT_EQ(Values(1, 4).size(), 17u);  // F17
    const auto damp = Values(17, 6);
    ASSERT_EQ(damp.size(), 18u);
    EXPECT_EQ(damp.back(), "BYPASS");

    struct Case {
        int type, slot;
        std::size_t count;
        const char* first;
        const char* last;
    };
    for (const Case k : {Case{4, 0, 126, "100", "8000"},  // 1: frequencies
                         Case{4, 1, 126, "0.05", "10.0"},  // 2: rates
                         Case{11, 0, 151, "0.0", "100"},  // 3: pre-delay
                         Case{11, 6, 101, "D100:0E", "D0:100E"},  // 4
                         Case{16, 4, 136, "0.05", "Half"},  // 5
                         Case{17, 1, 127, "0.0", "500"},  // 6
                         Case{22, 9, 101, "A100:0B", "A0:100B"},  // 7
                         Case{19, 0, 126, "200", "Half"},  // 8
                         Case{21, 0, 121, "200", "1000"}}) {  // 9
        const auto list = Values(k.type, k.slot);
        ASSERT_EQ(list.size(), k.count) << Type(k.type).parameters[static_cast<std::size_t>(k.slot)].kind;
        EXPECT_EQ(list.front(), k.first);
        EXPECT_EQ(list.back(), k.last);
    }
    const auto rates = Values(4, 1);
    EXPECT_EQ(rates[98], "4.95");
    EXPECT_EQ(rates[99], "5.0");
    EXPECT_EQ(rates[118], "6.9");
    EXPECT_EQ(rates[119], "7.0");
    const auto times = Values(17, 1);
    EXPECT_EQ(times[50], "5.0");
    EXPECT_EQ(times[60], "10.0");
    EXPECT_EQ(times[61], "11");
    EXPECT_EQ(times[91], "50");
    EXPECT_EQ(Values(25, 2).size(), 496u);  // 5..500
}

TEST(JVBoardDatabase, ParsesNameFiles) {
    const auto g = CJVBoardDatabase::ParseFile("My Board\r\n[WAVE]\r\nW0\r\nW1\r\n[/WAVE]\r\n[RHYTHM]\nKit\n");
    EXPECT_EQ(g.name, "My Board");
    EXPECT_EQ(g.lists[0], (std::vector<std::string>{"W0", "W1"}));
    EXPECT_TRUE(g.lists[1].empty());
    EXPECT_EQ(g.lists[2], (std::vector<std::string>{"Kit"}));
    EXPECT_TRUE(CJVBoardDatabase::ParseFile("").name.empty());

    const CJVBoardDatabase missing("/nonexistent/folder");
    EXPECT_EQ(missing.GetGroupName(3, Kind::Preset), "<3>");
    EXPECT_EQ(missing.GetGroupName(12, Kind::Board), "<12>");
    EXPECT_EQ(missing.GetName(3, Section::Wave, 0, Kind::Preset), CJVBoardDatabase::kUnknown);
    EXPECT_EQ(missing.GetGroupName(9, Kind::Preset), CJVBoardDatabase::kUnknown);
    EXPECT_TRUE(missing.GetInstalledBoards().empty());
}

TEST(JVBoardDatabase, ShippedFilesHoldTheGroups) {
    const CJVBoardDatabase db(JV_DATA_DIR);
    EXPECT_EQ(db.GetGroupName(3, Kind::Preset), "INT-A/PR-A");
    EXPECT_EQ(db.GetListLength(3, Section::Wave, Kind::Preset), 255);
    EXPECT_EQ(db.GetListLength(4, Section::Wave, Kind::Preset), 193);
    EXPECT_EQ(db.GetName(3, Section::Wave, 0, Kind::Preset), "Ac Piano1 A");
    EXPECT_EQ(db.GetName(3, Section::Patch, 0, Kind::Preset), "64voicePiano");
    for (int group = 3; group <= 7; ++group) {
        EXPECT_EQ(db.GetListLength(group, Section::Patch, Kind::Preset), 128) << group;
        EXPECT_EQ(db.GetListLength(group, Section::Rhythm, Kind::Preset), 2) << group;
    }
    EXPECT_EQ(db.GetName(6, Section::Rhythm, 0, Kind::Preset), "GM Drum Set");
    EXPECT_EQ(db.GetName(7, Section::Rhythm, 1, Kind::Preset), "PowerRaveSet");
    EXPECT_EQ(db.GetName(3, Section::Patch, 128, Kind::Preset), CJVBoardDatabase::kUnknown);
    EXPECT_EQ(db.GetInstalledBoards().size(), 21u);
    EXPECT_EQ(db.GetGroupName(1, Kind::Board), "SR-JV80-01 Pop");
    EXPECT_EQ(db.GetListLength(1, Section::Wave, Kind::Board), 224);
    EXPECT_EQ(db.GetGroupName(42, Kind::Board), "<42>");
}

TEST(JVInfoTexts, PatchAndPerformanceInfo) {
    CJVBoardDatabase::Get().Load(JV_DATA_DIR);
    CJVPatch patch;
    auto tone = patch.ToneData(1);
    tone[kToneSwitch] = 1;
    tone[kToneWaveGroupType] = kGroupTypeBoard;
    tone[kToneWaveGroupId] = 1;
    tone[kToneWaveHigh] = 0x0F;  // wave 250: beyond the board's list, shown as wave 0
    tone[kToneWaveLow] = 0x0A;
    patch.ToneData(2)[kToneWaveGroupId] = 2;
    patch.ToneData(2)[kToneWaveLow] = 1;
    patch.ToneData(3)[kToneWaveGroupId] = 5;
    EXPECT_EQ(patch.GetInfoForPatch(), "INT-A/PR-A Ac Piano1 A\nSR-JV80-01 Pop Grand sft 1A\nOFF: INT-B/PR-B " +
                                           CJVBoardDatabase::Get().GetName(4, Section::Wave, 1, Kind::Preset) +
                                           "\nOFF: " + CJVBoardDatabase::kUnknown);

    // A board is found by its own number, not by a preset group of that number.
    CJVPatch boardWave;
    boardWave.ToneData(0)[kToneWaveGroupType] = kGroupTypeBoard;
    boardWave.ToneData(0)[kToneWaveGroupId] = 12;
    const CJVBoardDatabase& db = CJVBoardDatabase::Get();
    ASSERT_GT(db.GetListLength(12, Section::Wave, Kind::Board), 0);
    EXPECT_EQ(boardWave.GetInfoForPatch().substr(0, boardWave.GetInfoForPatch().find('\n')),
              db.GetGroupName(12, Kind::Board) + " " + db.GetName(12, Section::Wave, 0, Kind::Board));

    CAmberkitSynthMemory memory;
    CJVPatch named;
    named.SetName("Lead");
    memory.GetLayer(kUserPatchLayer).SetPatch(2, named);
    CJVPerformance perf;
    for (int p = 0; p < kPerformancePartCount; ++p) perf.PartData(p)[kPartGroupId] = 1;  // User 1
    perf.SetPartNumber(0, 2);
    perf.PartData(1)[kPartGroupId] = 3;  // PR-A
    perf.SetPartNumber(2, 200);  // no such user patch
    perf.PartData(3)[kPartGroupType] = kGroupTypeBoard;
    perf.PartData(3)[kPartGroupId] = 2;
    memory.GetLayer(kUserPerformanceLayer).SetPatch(0, perf);
    const std::string info = memory.GetLayer(kUserPerformanceLayer).GetInfoForPatch(0);
    const std::string board2 = CJVBoardDatabase::Get().GetName(2, Section::Patch, 0, Kind::Board);
    EXPECT_EQ(info.substr(0, info.find("\n1: Init Patch")),
              "3: Lead        \nINT-A/PR-A 64voicePiano\n201: ---\nSR-JV80-02 Orchestral " + board2);
    EXPECT_NE(info.find("\n-------------------------------------------\n1: Init Rhythm "), std::string::npos);
}
