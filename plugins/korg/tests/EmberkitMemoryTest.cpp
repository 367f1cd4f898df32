// The 01/W memory: dumps in and out, recognition, damaged input, labels and
// the programs that combinations play.
#include <gtest/gtest.h>

#include <algorithm>

#include "Commands.h"
#include "model/EmberkitFormat.h"
#include "model/EmberkitLayers.h"
#include "model/EmberkitPatches.h"
#include "model/EmberkitSynth.h"
#include "model/EmberkitSynthMemory.h"
#include "File.h"
#include "Functions.h"
#include "StringTable.h"
#include "TestSupport.h"
#include "Ui.h"

using namespace emberkit;
using Bytes = std::vector<std::uint8_t>;

namespace {

Bytes Pattern(std::size_t n, unsigned salt) {
    Bytes data(n);
    for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<std::uint8_t>(i * 151 + salt * 31 + 7);
    return data;
}

CEmberkitLayer& Layer(CSynthMemory& memory, int i) { return dynamic_cast<CEmberkitLayer&>(memory.GetLayer(i)); }

Bytes Save(CLayer& layer) {
    CMemFile out;
    layer.Save(out);
    return out.Data();
}

// Loads bytes into the memory; returns what went wrong.
std::vector<std::string> Load(CSynthMemory& memory, const Bytes& bytes) {
    CMemFile in(bytes, "dump.syx");
    memory.Load(in);
    EXPECT_EQ(in.GetPosition(), bytes.size());
    return memory.GetLoadProblems();
}

Bytes AllLayerData(CSynthMemory& memory) {
    Bytes all;
    for (int l = 0; l < memory.GetLayerCount(); ++l) {
        const Bytes data = Layer(memory, l).GetLayerData();
        all.insert(all.end(), data.begin(), data.end());
    }
    return all;
}

class EmberkitMemory : public ::testing::Test {
protected:
    CScopedScriptedUi m_ui;
    CEmberkitSynthMemory m_memory;
};

TEST_F(EmberkitMemory, EveryBankDumpSavesAsLoaded) {
    const struct {
        int layer;
        std::uint8_t function;
        std::size_t size;
    } banks[]{{kProgramLayer, kAllProgramsDump, 6 + 39315 + 1},
              {kCombinationLayer, kAllCombinationsDump, 6 + 29258 + 1},
              {kDrumLayer, kDrumKitsDump, 6 + 1920 + 1},
              {kGlobalLayer, kGlobalDump, 6 + 24 + 1}};
    for (const auto& bank : banks) {
        const std::size_t dataSize = Layer(m_memory, bank.layer).GetLayerDataSize();
        const Bytes dump = BuildBankDump(bank.function, Pattern(dataSize, bank.function), 1);
        EXPECT_EQ(dump.size(), bank.size);
        CEmberkitSynthMemory memory;
        EXPECT_TRUE(Load(memory, dump).empty());
        EXPECT_EQ(Layer(memory, bank.layer).GetLayerData(), Pattern(dataSize, bank.function));
        EXPECT_EQ(Save(memory.GetLayer(bank.layer)), dump) << memory.GetLayer(bank.layer).GetName();
    }
}

TEST_F(EmberkitMemory, AnyGlobalChannelIsReadAndTheSettingsChannelIsWritten) {
    Bytes dump = BuildBankDump(kAllProgramsDump, Pattern(200 * 172, 1), 6);
    ASSERT_EQ(dump[2], 0x35);
    CMemFile in(dump);
    EXPECT_EQ(m_memory.GetMatchingLayer(in), kProgramLayer);
    EXPECT_TRUE(Load(m_memory, dump).empty());
    EXPECT_EQ(Layer(m_memory, kProgramLayer).GetLayerData(), Pattern(200 * 172, 1));
    EXPECT_EQ(Save(m_memory.GetLayer(kProgramLayer))[2], 0x30);

    CBasicConfig& config = CEmberkitSynth::Get().GetConfig();
    config.SetReadOnly(true);
    config.PutInt("CHANNEL", 6);
    EXPECT_EQ(Save(m_memory.GetLayer(kProgramLayer)), dump);
    EXPECT_EQ(m_memory.GetLayer(kProgramLayer).GetPatch(0)->GetSysExData(true)[2], 0x35);
    config.PutInt("CHANNEL", 1);
}

TEST_F(EmberkitMemory, SingleMessagesFillPatchZeroAndSaveAsWholeBanks) {
    const Bytes program = Pattern(172, 9);
    const Bytes combination = Pattern(128, 4);
    Bytes file = BuildSingleDump(kProgramDump, program, 2);
    const Bytes second = BuildSingleDump(kCombinationDump, combination, 1);
    file.insert(file.end(), second.begin(), second.end());
    EXPECT_TRUE(Load(m_memory, file).empty());

    const CPatch& loaded = *m_memory.GetLayer(kProgramLayer).GetPatch(0);
    EXPECT_TRUE(std::ranges::equal(loaded.Data(), program));
    EXPECT_TRUE(std::ranges::equal(m_memory.GetLayer(kCombinationLayer).GetPatch(0)->Data(), combination));
    EXPECT_EQ(m_memory.GetLayer(kProgramLayer).GetPatch(1)->GetName(), "Init Prog ");
    // What the file held: patch 0 of two layers.
    EXPECT_TRUE(m_memory.GetLayer(kProgramLayer).IsPatchInFile(0));
    EXPECT_FALSE(m_memory.GetLayer(kProgramLayer).IsPatchInFile(1));
    EXPECT_EQ(m_memory.GetLayersToSave(), (std::vector<int>{kProgramLayer, kCombinationLayer}));
    EXPECT_EQ(Layer(m_memory, kProgramLayer).GetHeader().GetFunction(), kAllProgramsDump);
    const Bytes saved = Save(m_memory.GetLayer(kProgramLayer));
    EXPECT_EQ(saved.size(), 6u + 39315u + 1u);
    EXPECT_EQ(saved[4], kAllProgramsDump);
    // The patch sends itself as the same single message.
    EXPECT_EQ(loaded.GetSysExData(true), BuildSingleDump(kProgramDump, program, 1));
}

TEST_F(EmberkitMemory, AllDataFillsEveryLayerAndLeavesAGlobalDump) {
    const Bytes sound = Pattern(21 + 4 * 420 + 200 * 128 + 200 * 172, 3);
    Bytes stream = sound;
    const Bytes sequence = Pattern(50, 8);  // sequence data follows in the same packing stream
    stream.insert(stream.end(), sequence.begin(), sequence.end());
    Bytes dump{0xF0, 0x42, 0x30, 0x2B, kAllDataDump, 0x00, 0x00, 0x32};
    const Bytes packed = Pack(stream);
    dump.insert(dump.end(), packed.begin(), packed.end());
    dump.push_back(0xF7);
    const Bytes after = BuildBankDump(kDrumKitsDump, Pattern(1680, 5), 1);  // a later message still loads
    dump.insert(dump.end(), after.begin(), after.end());

    CMemFile in(dump);
    EXPECT_EQ(m_memory.GetMatchingLayer(in), kGlobalLayer);
    EXPECT_TRUE(Load(m_memory, dump).empty());
    EXPECT_EQ(Layer(m_memory, kGlobalLayer).GetLayerData(), Bytes(sound.begin(), sound.begin() + 21));
    EXPECT_EQ(Layer(m_memory, kDrumLayer).GetLayerData(), Pattern(1680, 5));
    EXPECT_EQ(Layer(m_memory, kCombinationLayer).GetLayerData(),
              Bytes(sound.begin() + 1701, sound.begin() + 1701 + 25600));
    EXPECT_EQ(Layer(m_memory, kProgramLayer).GetLayerData(), Bytes(sound.end() - 34400, sound.end()));

    EXPECT_EQ(Layer(m_memory, kGlobalLayer).GetHeader().GetFunction(), kGlobalDump);
    // One message held every layer, so saving the bank writes them all.
    for (int l = 0; l < m_memory.GetLayerCount(); ++l) {
        EXPECT_TRUE(m_memory.GetLayer(l).IsInFile()) << l;
        EXPECT_TRUE(m_memory.GetLayer(l).IsPatchInFile(m_memory.GetLayer(l).GetPatchCount() - 1)) << l;
    }
    // Saved as four dumps whose patches equal the loaded ones.
    Bytes four;
    for (int l = 0; l < m_memory.GetLayerCount(); ++l) {
        const Bytes saved = Save(m_memory.GetLayer(l));
        four.insert(four.end(), saved.begin(), saved.end());
    }
    EXPECT_EQ(Save(m_memory.GetLayer(kGlobalLayer)).size(), 31u);
    CEmberkitSynthMemory reloaded;
    EXPECT_TRUE(Load(reloaded, four).empty());
    EXPECT_EQ(AllLayerData(reloaded), AllLayerData(m_memory));
}

// An all-data dump of the given sound data with sequence data after it.
Bytes AllDataDump(const Bytes& sound, const Bytes& sequence) {
    Bytes stream = sound;
    stream.insert(stream.end(), sequence.begin(), sequence.end());
    Bytes dump{0xF0,
               0x42,
               0x30,
               0x2B,
               kAllDataDump,
               0x00,
               static_cast<std::uint8_t>(sequence.size() >> 7 & 0x7F),
               static_cast<std::uint8_t>(sequence.size() & 0x7F)};
    const Bytes packed = Pack(stream);
    dump.insert(dump.end(), packed.begin(), packed.end());
    dump.push_back(0xF7);
    return dump;
}

Bytes SaveBank(CSynthMemory& memory) {
    CMemFile out;
    memory.Save(out);
    return out.Data();
}

TEST_F(EmberkitMemory, AllDataSavesWholeWithItsSequenceData) {
    const Bytes sound = Pattern(61701, 11);
    // The sequence data shares the sound data's last packing group (61701 = 7 × 8814 + 3).
    for (const std::size_t sequenceSize : {std::size_t{0}, std::size_t{4}, std::size_t{300}}) {
        const Bytes sequence = Pattern(sequenceSize, 12);
        Bytes file = AllDataDump(sound, sequence);
        const Bytes other{0xF0, 0x41, 0x10, 0x16, 0x12, 0x00, 0xF7};  // kept, as ever, after the layers
        file.insert(file.end(), other.begin(), other.end());
        CEmberkitSynthMemory memory;
        Load(memory, file);
        EXPECT_EQ(SaveBank(memory), file) << sequenceSize;

        // An edit is saved in the same dump, the sequence data still after it.
        memory.GetLayer(kProgramLayer).GetPatch(199)->Data().back() ^= 0x81;
        const Bytes edited = SaveBank(memory);
        Bytes expected = sound;
        expected.back() ^= 0x81;
        Bytes wanted = AllDataDump(expected, sequence);
        wanted.insert(wanted.end(), other.begin(), other.end());
        EXPECT_EQ(edited, wanted) << sequenceSize;
    }

    // A later file without an all-data dump saves as its own dumps.
    CEmberkitSynthMemory memory;
    Load(memory, AllDataDump(sound, Pattern(20, 1)));
    const Bytes global = BuildBankDump(kGlobalDump, Pattern(21, 2), 1);
    Load(memory, global);
    EXPECT_EQ(SaveBank(memory), global);
}

TEST_F(EmberkitMemory, DamagedDumpsChangeNothingAndSayWhy) {
    const Bytes programs = BuildBankDump(kAllProgramsDump, Pattern(200 * 172, 2), 1);
    Bytes allData{0xF0, 0x42, 0x30, 0x2B, kAllDataDump, 0x00, 0x00, 0x00};
    const Bytes packed = Pack(Pattern(61701, 6));
    allData.insert(allData.end(), packed.begin(), packed.end());
    allData.push_back(0xF7);

    std::vector<std::pair<std::string, Bytes>> cases;
    cases.emplace_back("truncated", Bytes(programs.begin(), programs.begin() + 1206));
    cases.emplace_back("no end byte", Bytes(programs.begin(), programs.end() - 1));
    Bytes oversized(programs.begin(), programs.end() - 1);
    oversized.insert(oversized.end(), {0x01, 0x02, 0xF7});
    cases.emplace_back("oversized", oversized);
    Bytes interrupted(programs.begin(), programs.begin() + 3000);
    interrupted.insert(interrupted.end(), {0xF0, 0x41, 0x10, 0x2B, 0x12, 0x00, 0xF7});
    cases.emplace_back("cut by another message", interrupted);
    cases.emplace_back("all data truncated", Bytes(allData.begin(), allData.end() - 500));
    cases.emplace_back("header only", Bytes(programs.begin(), programs.begin() + 6));
    cases.emplace_back("single program too short", Bytes{0xF0, 0x42, 0x30, 0x2B, 0x40, 0x00, 0x41, 0xF7});
    Bytes garbage{0xF0, 0x42, 0x30, 0x2B, 0x4D, 0x00};
    for (int i = 0; i < 5000; ++i) garbage.push_back(static_cast<std::uint8_t>(i * 97 % 256));
    cases.emplace_back("garbage", garbage);

    const Bytes initial = AllLayerData(m_memory);
    for (const auto& [what, bytes] : cases) {
        CEmberkitSynthMemory memory;
        const auto problems = Load(memory, bytes);
        EXPECT_FALSE(problems.empty()) << what;
        EXPECT_EQ(AllLayerData(memory), initial) << what;
    }
    CEmberkitSynthMemory memory;
    const auto problems = Load(memory, cases[0].second);
    ASSERT_EQ(problems.size(), 2u);  // the damaged dump, then that it was kept as it came
    EXPECT_NE(problems[0].find("all-programs dump ends after 1200 of 39315 bytes"), std::string::npos) << problems[0];
    EXPECT_EQ(memory.GetUnreadBytes(), cases[0].second);
}

TEST_F(EmberkitMemory, OnlyThe01WIsRecognised) {
    // The same frame with another maker or model: Roland U-20 (its model ID is 2B
    // too), Korg 03R/W (30) and M1 (19).
    for (const Bytes& header :
         {Bytes{0xF0, 0x41, 0x10, 0x2B, 0x12, 0x00, 0x00, 0xF7}, Bytes{0xF0, 0x42, 0x30, 0x30, 0x4C, 0x00, 0x00, 0xF7},
          Bytes{0xF0, 0x42, 0x30, 0x19, 0x4C, 0x00, 0x00, 0xF7}, Bytes{0xF0, 0x42, 0x40, 0x2B, 0x4C, 0x00, 0x00, 0xF7},
          Bytes{0xF0, 0x42, 0x30, 0x2B, 0x4C, 0x01, 0x00, 0xF7}}) {
        CMemFile in(header);
        EXPECT_EQ(m_memory.GetMatchingLayer(in), -1) << CFunctions::HexToString(header);
    }
    CMemFile shortFile(Bytes{0xF0, 0x42, 0x30, 0x2B, 0x4C});
    EXPECT_EQ(m_memory.ReadHeader(shortFile), nullptr);
    EXPECT_EQ(shortFile.GetPosition(), 0u);
}

TEST_F(EmberkitMemory, FieldNearMissesAreNotTaken) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    const Bytes initial = AllLayerData(m_memory);
    for (const char* name :
         {"korg01w/related-not-01w/Korg_03RW_vicbank1_allprog.syx", "other/Roland_U220Factory_truncated_last_msg.Syx",
          "other/Korg_M1_ORIGPROG_macbinary_wrapped.SYX"}) {
        const Bytes bytes = tonalith::test::ReadFile(dir / name);
        CMemFile in(bytes, name);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == 0xF0) {
                in.Seek(static_cast<std::int64_t>(i), CFile::begin);
                ASSERT_EQ(m_memory.GetMatchingLayer(in), -1) << name << " at " << i;
            }
        // Nothing read; everything kept, to be written back as it was.
        EXPECT_EQ(Load(m_memory, bytes).size(), 1u) << name;
        EXPECT_EQ(m_memory.GetUnreadBytes(), bytes) << name;
        EXPECT_EQ(AllLayerData(m_memory), initial) << name;
    }
}

TEST_F(EmberkitMemory, LabelsNamesAndInfo) {
    CLayer& programs = m_memory.GetLayer(kProgramLayer);
    programs.GetPatch(150)->SetName("Solo Phase");
    EXPECT_EQ(programs.GetPatchLabel(150), "B50 Solo Phase");
    EXPECT_EQ(programs.GetPatchLabel(5), "A05 Init Prog ");
    EXPECT_EQ(m_memory.GetLayer(kCombinationLayer).GetPatchLabel(199), "B99 Init Combi");
    CLayer& drums = m_memory.GetLayer(kDrumLayer);
    EXPECT_EQ(drums.GetPatchLabel(3), "B01 Drum Kit");
    EXPECT_EQ(drums.GetPatchLabel(1), "A01 Drum Kit");
    drums.GetPatch(3)->SetName("Other");
    EXPECT_EQ(drums.GetPatch(3)->GetName(), "Drum Kit");
    EXPECT_EQ(m_memory.GetLayer(kGlobalLayer).GetPatchLabel(0), "Global");

    CEmberkitSynth::Get().LoadSoundNames(EMBERKIT_DATA_DIR "/Emberkit.pcm");
    programs.GetPatch(0)->Data()[kOsc1Multisound] = 222;
    programs.GetPatch(0)->Data()[kOsc2Multisound] = 17;
    EXPECT_EQ(programs.GetInfoForPatch(0), "222: Mini 1a\n017");
    EXPECT_EQ(drums.GetInfoForPatch(0), "");
}

TEST_F(EmberkitMemory, WhatCanBeSentAloneAndWhatEqualityMeans) {
    const CPatch& drum = *m_memory.GetLayer(kDrumLayer).GetPatch(0);
    const CPatch& global = *m_memory.GetLayer(kGlobalLayer).GetPatch(0);
    EXPECT_TRUE(drum.GetSysExData(false).empty());
    EXPECT_TRUE(global.GetSysExData(true).empty());
    EXPECT_EQ(m_ui->messages, (std::vector<std::string>{CStringTable::Get(300), CStringTable::Get(301)}));
    EXPECT_EQ(global.GetPatchSize(true), 0);

    CPatch& program = *m_memory.GetLayer(kProgramLayer).GetPatch(3);
    auto clone = program.Clone();
    EXPECT_TRUE(clone->IsEqual(program));
    EXPECT_EQ(clone->GetFingerprint(), program.GetFingerprint());
    clone->Data()[171] ^= 1;
    EXPECT_FALSE(clone->IsEqual(program));
    EXPECT_NE(clone->GetFingerprint(), program.GetFingerprint());
    const CPatch& combination = *m_memory.GetLayer(kCombinationLayer).GetPatch(0);
    EXPECT_FALSE(combination.IsEqual(combination));
    EXPECT_FALSE(combination.GetFingerprint());
    EXPECT_FALSE(program.IsEqual(*m_memory.GetLayer(kDrumLayer).GetPatch(0)));
}

TEST_F(EmberkitMemory, LibraryStorageKeepsEveryPatchType) {
    for (int l = 0; l < m_memory.GetLayerCount(); ++l) {
        CPatch& patch = *m_memory.GetLayer(l).GetPatch(0);
        const Bytes data = Pattern(static_cast<std::size_t>(patch.GetDataSize()), static_cast<unsigned>(l));
        std::ranges::copy(data, patch.Data().begin());
        CMemFile stored;
        patch.Save(stored);
        auto fresh = patch.Clone();
        fresh->Init();
        std::ranges::fill(fresh->Data(), 0);
        CMemFile in(stored.Data(), "library");
        fresh->Load(in);
        EXPECT_TRUE(std::ranges::equal(fresh->Data(), data)) << patch.GetTypeName();
        CMemFile cut(Bytes(5, 1), "short");
        EXPECT_THROW(fresh->Load(cut), CFileException);
        EXPECT_TRUE(std::ranges::equal(fresh->Data(), data)) << patch.GetTypeName();
    }
}

// Moves one program, shifting those between, the way the bank view does.
class CMoveProgram : public CBasicCommand {
public:
    CMoveProgram(CLayer& layer, int from, int to) : m_layer(layer) {
        for (int i = 0; i < layer.GetPatchCount(); ++i) m_map.push_back(static_cast<std::uint32_t>(i));
        m_map.erase(m_map.begin() + from);
        m_map.insert(m_map.begin() + to, static_cast<std::uint32_t>(from));  // m_map[new] = old
    }
    void Execute() override { Reorder(false); }
    void Undo() override { Reorder(true); }
    std::string GetText() const override { return "Move"; }

private:
    void Reorder(bool undo) {
        std::vector<std::unique_ptr<CPatch>> before;
        for (int i = 0; i < m_layer.GetPatchCount(); ++i) before.push_back(m_layer.GetPatch(i)->Clone());
        for (std::size_t i = 0; i < m_map.size(); ++i) {
            if (undo) m_layer.SetPatch(static_cast<int>(m_map[i]), *before[i]);
            else m_layer.SetPatch(static_cast<int>(i), *before[m_map[i]]);
        }
        m_layer.UpdatePatchNumbers();
        m_layer.AdaptParentLayers(m_map, undo);
    }
    CLayer& m_layer;
    std::vector<std::uint32_t> m_map;
};

TEST_F(EmberkitMemory, MovingProgramsRewritesTimbresAndUndoRestoresThem) {
    CLayer& programs = m_memory.GetLayer(kProgramLayer);
    CLayer& combinations = m_memory.GetLayer(kCombinationLayer);
    auto& first = dynamic_cast<CEmberkitCombination&>(*combinations.GetPatch(0));
    auto& last = dynamic_cast<CEmberkitCombination&>(*combinations.GetPatch(199));
    for (int t = 0; t < kTimbreCount; ++t) first.SetTimbreProgram(t, t);  // plays 0-7
    last.SetTimbreProgram(3, 5);
    last.SetTimbreProgram(4, 150);
    programs.GetPatch(5)->SetName("Prog Five!");

    std::vector<std::uint16_t> numbers;
    combinations.GetReferencedPatches(programs, 0, numbers);
    EXPECT_EQ(numbers, (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 5, 6, 7}));
    std::vector<std::string> labels;
    combinations.GetReferencedPatches(programs, 199, labels);
    EXPECT_EQ(labels[3], "A05 Prog Five!");
    EXPECT_EQ(labels[4], "B50 Init Prog ");

    CCmdManager commands(nullptr);
    commands.Execute(std::make_unique<CMoveProgram>(programs, 5, 7));
    EXPECT_EQ(programs.GetPatch(7)->GetName(), "Prog Five!");
    EXPECT_EQ(dynamic_cast<CEmberkitProgram&>(*programs.GetPatch(7)).GetPatchNumber(), 7);
    numbers.clear();
    combinations.GetReferencedPatches(programs, 0, numbers);
    EXPECT_EQ(numbers, (std::vector<std::uint16_t>{0, 1, 2, 3, 4, 7, 5, 6}));
    EXPECT_EQ(last.GetTimbreProgram(3), 7);
    EXPECT_EQ(last.GetTimbreProgram(4), 150);

    commands.Undo();
    EXPECT_EQ(programs.GetPatch(5)->GetName(), "Prog Five!");
    for (int t = 0; t < kTimbreCount; ++t) EXPECT_EQ(first.GetTimbreProgram(t), t);
    EXPECT_EQ(last.GetTimbreProgram(3), 5);

    // Drum kits are no child of the combinations: nothing refers to them.
    numbers.clear();
    combinations.GetReferencedPatches(m_memory.GetLayer(kDrumLayer), 0, numbers);
    EXPECT_TRUE(numbers.empty());
}

}  // namespace
