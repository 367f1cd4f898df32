// The synth description, references between layers, name files and the built plug-in.
#include <gtest/gtest.h>

#include "Functions.h"
#include "SynthMemoryFactory.h"
#include "XVBoardDatabase.h"
#include "XVInfo.h"
#include "XVSynth.h"
#include "XVTestHelpers.h"

using namespace xv;

TEST(XVSynth, DumpCommandsRequestEveryBlockAndExpectTheRecords) {
    const auto commands = BuildDumpCommands(0x10);
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[0].m_name, "User Patches");
    EXPECT_EQ(commands[0].m_expectedSize, 128L * kPatchSize);
    EXPECT_EQ(commands[1].m_expectedSize, 64L * kPerformanceSize);
    EXPECT_EQ(commands[2].m_expectedSize, 4L * kRhythmSize);
    EXPECT_EQ(commands[3].m_expectedSize, static_cast<long>(kSystemSize));
    // The published request for user patch 1's common block.
    EXPECT_EQ(commands[0].m_request.substr(0, 47), "F0 41 10 00 10 11 30 00 00 00 00 00 00 4F 01 F7");
    const auto rhythm = CFunctions::StringToHex(commands[2].m_request);
    EXPECT_EQ(rhythm.size(), 16u * 4 * (4 + kRhythmKeyCount));
    // Rhythm set 3, 58th key: 40 21 02 00 with the key's size.
    const std::size_t at = 16u * (92 * 2 + 4 + 57);
    EXPECT_EQ(std::vector<std::uint8_t>(rhythm.begin() + at + 6, rhythm.begin() + at + 14),
              (std::vector<std::uint8_t>{0x40, 0x21, 0x02, 0x00, 0x00, 0x00, 0x01, 0x41}));
    EXPECT_EQ(CXVSynth::Get().GetMessagePause(), 20);
}

TEST(XVSynth, ParameterMessagesGoToTheTemporaryAreas) {
    const std::uint8_t value[] = {0x7F};
    EXPECT_EQ(
        BuildParameterMessage(0x10, CXVSynth::TempRhythm, 0x00, 0x0C, value),
        (std::vector<std::uint8_t>{0xF0, 0x41, 0x10, 0x00, 0x10, 0x12, 0x1F, 0x10, 0x00, 0x0C, 0x7F, 0x46, 0xF7}));
    EXPECT_EQ(AddressOf(BuildParameterMessage(0x11, CXVSynth::TempPatch, 0x20, 0x27, value)),
              (Address{0x1F, 0x00, 0x20, 0x27}));
    EXPECT_EQ(AddressOf(BuildParameterMessage(0x11, CXVSynth::TempPerformance, 0x00, 0x01, value)),
              (Address{0x10, 0x00, 0x00, 0x01}));
    EXPECT_EQ(AddressOf(BuildParameterMessage(0x11, CXVSynth::SystemArea, 0x00, 0x01, value)),
              (Address{0x00, 0x00, 0x00, 0x01}));
    // The mode messages carry valid checksums.
    const auto modes = PatchModeMessages();
    EXPECT_TRUE(HasValidChecksum(modes.first(13)));
    EXPECT_TRUE(HasValidChecksum(modes.subspan(13)));
    EXPECT_TRUE(HasValidChecksum(PerformanceModeMessage()));
}

TEST(XVSynth, SettingsHaveTheirDefaultsAndFields) {
    CXVSynth& synth = CXVSynth::Get();
    EXPECT_EQ(synth.GetWhichSynth(), CXVSynth::XV5080);
    EXPECT_EQ(synth.GetCardBank(3), "Not Set");
    EXPECT_EQ(synth.GetBoard(5), 0);
    synth.SetCardBank(3, "/tmp/bank.syx");
    EXPECT_EQ(synth.GetCardBank(3), "/tmp/bank.syx");
    synth.SetCardBank(3, "");
    EXPECT_EQ(synth.GetCardBank(3), "Not Set");
    const auto fields = synth.GetSettingFields();
    ASSERT_EQ(fields.size(), 1u + 8 + 8);
    EXPECT_EQ(fields[0].key, "WHICHSYNTH");
    EXPECT_EQ(fields[0].choices, (std::vector<std::string>{"XV-3080", "XV-5080", "XV-88"}));
    EXPECT_EQ(fields[5].key, "BOARD4");
    EXPECT_EQ(fields[16].key, "CARDBANK7");

    EXPECT_EQ(synth.GetEnvelopePreset(9).name, "Preset");
    CXVSynth::EnvelopePreset preset;
    preset.name = "Slow Pad";
    preset.times = {10, 20, 30, 200};  // beyond 127: kept in range
    preset.levels = {127, 90, 64, 0};
    synth.SetEnvelopePreset(2, preset);
    EXPECT_EQ(synth.GetConfig().GetString("ENV_NAME2", ""), "Slow Pad");
    EXPECT_EQ(synth.GetConfig().GetInt("ENV_TIME2_3", 0), 127);
    EXPECT_EQ(synth.GetEnvelopePreset(2).levels, (std::array<int, 4>{127, 90, 64, 0}));
    EXPECT_EQ(synth.GetEnvelopePreset(10).name, "Preset");  // no such preset
}

TEST(XVReferences, PerformancesFollowMovedUserPatches) {
    CXVSynthMemory memory;
    CXVPerformance& perf = memory.GetPerformanceLayer().GetPerformance(0);
    const auto setPart = [&](int p, std::uint8_t msb, std::uint8_t lsb, std::uint8_t pc) {
        xvtest::SetPart(perf, p, msb, lsb, pc);
    };
    for (int p = 0; p < kPartCount; ++p) setPart(p, kMsbPatch, kLsbFirstPreset, 2);
    setPart(3, kMsbPatch, kLsbUser, 2);
    setPart(20, kMsbPatch, kLsbUser, 9);
    setPart(5, kMsbRhythm, kLsbUser, 1);
    setPart(6, kMsbPatch, kLsbFirstCard, 2);  // card bank: not this memory's

    std::vector<std::uint16_t> numbers;
    memory.GetPerformanceLayer().GetReferencedPatches(memory.GetPatchLayer(), 0, numbers);
    EXPECT_EQ(numbers, (std::vector<std::uint16_t>{2, 9}));
    numbers.clear();
    memory.GetPerformanceLayer().GetReferencedPatches(memory.GetRhythmLayer(), 0, numbers);
    EXPECT_EQ(numbers, (std::vector<std::uint16_t>{1}));
    std::vector<std::string> labels;
    memory.GetPerformanceLayer().GetReferencedPatches(memory.GetPatchLayer(), 0, labels);
    EXPECT_EQ(labels.front(), "03 Init Patch  ");

    // Patch 3 (index 2) moves to position 7 (index 6).
    std::vector<std::uint32_t> map(128);
    for (std::uint32_t i = 0; i < map.size(); ++i) map[i] = i;
    map.erase(map.begin() + 2);
    map.insert(map.begin() + 6, 2);
    memory.GetPatchLayer().AdaptParentLayers(map, false);
    EXPECT_EQ(perf.PartData(3)[kPartProgram], 6);
    EXPECT_EQ(perf.PartData(6)[kPartProgram], 2);  // card reference untouched
    EXPECT_EQ(perf.PartData(5)[kPartProgram], 1);  // rhythm reference untouched
    memory.GetPatchLayer().AdaptParentLayers(map, true);
    EXPECT_EQ(perf.PartData(3)[kPartProgram], 2);

    const std::string info = memory.GetPerformanceLayer().GetInfoForPatch(0);
    EXPECT_NE(info.find("Part 4: User 3: Init Patch"), std::string::npos);
    EXPECT_NE(info.find("Part 7: Card A 3"), std::string::npos);
    EXPECT_NE(info.find("-------------------------------------------\nPart 6: User 2: Init Rhythm"), std::string::npos);
}

TEST(XVNames, NameFilesGiveWavesPresetsAndBoards) {
    const CXVBoardDatabase names(XV_DATA_DIR);
    EXPECT_EQ(names.GetGroupName(CXVBoardDatabase::kInternalWaves, CXVBoardDatabase::Preset), "INT");
    EXPECT_EQ(names.GetListLength(CXVBoardDatabase::kInternalWaves, CXVBoardDatabase::Wave, CXVBoardDatabase::Preset),
              1083);
    EXPECT_EQ(DescribeToneWave(0, 0, 1, 2, names), "INTWAVE StGrand pA L / StGrand pA R");
    EXPECT_EQ(DescribeToneWave(2, 1, 1, 0, names), "SRXEXP Kick 1 Menu");
    EXPECT_EQ(DescribeToneWave(3, 0, 12, 0, names), "SAMPLE 12: Sample");
    EXPECT_EQ(DescribeToneWave(0, 0, 5000, 0, names), "INTWAVE Unknown (No .boa file ?)");
    EXPECT_EQ(DescribePartSound(kMsbPatch, kLsbFirstPreset, 0, nullptr, nullptr, names), "PR-A 64voicePiano");
    EXPECT_EQ(DescribePartSound(kMsbRhythm, kLsbFirstPreset + 7, 1, nullptr, nullptr, names), "PR-H House Kit");
    EXPECT_EQ(names.GetGroupName(12, CXVBoardDatabase::SrxBoard), "SRX-12 Classic EPs");
    // A board that is not installed gives placeholders, not an error.
    EXPECT_EQ(names.GetGroupName(77, CXVBoardDatabase::Jv80Board), "<77>");
    EXPECT_EQ(names.GetName(77, CXVBoardDatabase::Patch, 0, CXVBoardDatabase::Jv80Board), CXVBoardDatabase::kUnknown);
    EXPECT_TRUE(names.GetProblems().empty());

    const CXVBoardDatabase missing("/nonexistent");
    EXPECT_EQ(missing.GetGroupName(1, CXVBoardDatabase::Preset), "<1>");
    EXPECT_EQ(missing.GetProblems(), (std::vector<std::string>{"Error opening file \"XV1.pre\""}));

    const auto group = CXVBoardDatabase::Parse("Board\r\n[PATCH]\r\nA\r\nB\r\n[/PATCH]\r\n[WAVE]\r\nW\r\n");
    EXPECT_EQ(group.name, "Board");
    EXPECT_EQ(group.lists[CXVBoardDatabase::Patch], (std::vector<std::string>{"A", "B"}));
    EXPECT_EQ(group.lists[CXVBoardDatabase::Wave], (std::vector<std::string>{"W"}));
}

TEST(XVPlugin, TheBuiltModuleLoadsThroughTheFactory) {
    CSynthMemoryFactory::SetSearchPath({XV_PLUGIN_DIR});
    {
        CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        CSynthMemory* xvMemory = nullptr;
        for (int i = 0; i < factory.GetCount(); ++i)
            if (factory.GetMemory(i).GetName() == "Roland XV") xvMemory = &factory.GetMemory(i);
        ASSERT_NE(xvMemory, nullptr) << (factory.GetLoadErrors().empty() ? "" : factory.GetLoadErrors().front());
        EXPECT_EQ(xvMemory->GetMemoryGuid(), kMemoryGuid);
        EXPECT_EQ(xvMemory->GetLayerCount(), 4);
        EXPECT_EQ(xvMemory->GetLayer(0).GetName(), "User Performance");
        EXPECT_NE(factory.GetSynthMemoryfromPatchType(kRhythmGuid), nullptr);

        CXVSynthMemory local;
        CMemFile file(xvtest::SaveLayer(local.GetSystemLayer()), "system.syx");
        const auto created = factory.CreateMatchingMemory(file);
        ASSERT_NE(created, nullptr);
        EXPECT_EQ(created->GetName(), "Roland XV");
    }
    CSynthMemoryFactory::Delete();
}
