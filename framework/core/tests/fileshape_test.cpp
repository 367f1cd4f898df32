// What a bank's file held: the messages no layer reads are kept and written
// back, and the layers and patches the file held are known, so saving keeps the
// file's shape. Exercised through the test plug-in (Voice layer 0, Set layer 1).
#include <gtest/gtest.h>

#include "File.h"
#include "Layer.h"
#include "Patch.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kVoice = 0, kSet = 1;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes Bank(std::uint8_t fn, int count, std::uint8_t fill) {
    Bytes m{0xF0, 0x7D, 0x01, fn};
    m.insert(m.end(), static_cast<std::size_t>(count) * 16, fill);
    m.push_back(0xF7);
    return m;
}
Bytes VoiceBank(std::uint8_t fill = 0x11) { return Bank(0x10, 8, fill); }
Bytes OneVoice(std::uint8_t fill = 0x22) { return Bank(0x11, 1, fill); }

// Messages of other makers and channel bytes, as a collection of several
// instruments' dumps holds them.
const Bytes kForeignA{0xF0, 0x42, 0x30, 0x03, 0x40, 0x01, 0x02, 0xF7};
const Bytes kForeignB{0xF0, 0x43, 0x00, 0x09, 0x20, 0x00, 0x7F, 0xF7};
const Bytes kProgramChange{0xC0, 0x05};

class FileShape : public ::testing::Test {
protected:
    void SetUp() override {
        CSynthMemoryFactory::Delete();
        CSynthMemoryFactory::SetSearchPath({TEST_PLUGIN_DIR});
    }
    void TearDown() override { CSynthMemoryFactory::Delete(); }

    static std::unique_ptr<CSynthMemory> Loaded(const Bytes& file) {
        auto memory = CSynthMemoryFactory::Get().GetMemory(0).CreateMemory();
        CMemFile in(file, "bank.syx");
        memory->Load(in);
        return memory;
    }
    static Bytes Saved(CSynthMemory& memory, bool allLayers = false) {
        CMemFile out;
        memory.Save(out, allLayers);
        return out.Data();
    }
    static Bytes LayerBytes(CSynthMemory& memory, int layer) {
        CMemFile out;
        memory.GetLayer(layer).Save(out);
        return out.Data();
    }
};

}  // namespace

TEST_F(FileShape, WhatNoLayerReadsIsKeptInOrderAndWrittenAfterTheLayers) {
    // A bank with foreign messages and program changes before, between and after.
    const Bytes file = Concat({kProgramChange, kForeignA, VoiceBank(), kForeignB, kProgramChange, kForeignA});
    auto memory = Loaded(file);
    const Bytes kept = Concat({kProgramChange, kForeignA, kForeignB, kProgramChange, kForeignA});
    EXPECT_EQ(memory->GetUnreadBytes(), kept);
    EXPECT_EQ(memory->GetUnreadMessageCount(), 3);
    ASSERT_EQ(memory->GetLoadProblems().size(), 1u);
    const std::string& problem = memory->GetLoadProblems()[0];
    EXPECT_NE(problem.find("3 messages and 4 bytes between messages"), std::string::npos) << problem;
    EXPECT_NE(problem.find("(" + std::to_string(kept.size()) + " bytes)"), std::string::npos) << problem;

    EXPECT_EQ(Saved(*memory), Concat({VoiceBank(), kept}));
    EXPECT_EQ(Saved(*memory, true), Concat({VoiceBank(), LayerBytes(*memory, kSet), kept}));

    // A bank followed by another instrument's dump survives a round trip byte for byte.
    const Bytes mixed = Concat({VoiceBank(0x33), kForeignB, kProgramChange, kForeignA});
    EXPECT_EQ(Saved(*Loaded(mixed)), mixed);
}

TEST_F(FileShape, ADamagedDumpIsKeptWithTheProblem) {
    Bytes damaged = VoiceBank();
    damaged.back() = 0x00;  // no F7 where the bank ends
    const Bytes file = Concat({damaged, OneVoice()});
    auto memory = Loaded(file);
    ASSERT_EQ(memory->GetLoadProblems().size(), 2u);
    EXPECT_NE(memory->GetLoadProblems()[0].find("at byte 0"), std::string::npos);
    EXPECT_NE(memory->GetLoadProblems()[1].find("kept 1 message"), std::string::npos) << memory->GetLoadProblems()[1];
    EXPECT_EQ(memory->GetUnreadBytes(), damaged);
    EXPECT_NE(memory->GetLayer(kVoice).GetPatch(1)->GetData()[5], 0x11);  // the damaged bank changed nothing
    EXPECT_EQ(Saved(*memory), Concat({LayerBytes(*memory, kVoice), damaged}));

    // Nothing at all readable: the file is written back as it was.
    auto nothing = Loaded(damaged);
    EXPECT_TRUE(nothing->GetLayersToSave().empty());
    EXPECT_EQ(Saved(*nothing), damaged);
}

TEST_F(FileShape, LayersAndPatchesTheFileHeld) {
    // A single voice: its slot and its layer, nothing else.
    auto single = Loaded(OneVoice());
    EXPECT_TRUE(single->IsLoadedFromFile());
    EXPECT_TRUE(single->GetLayer(kVoice).IsInFile());
    EXPECT_FALSE(single->GetLayer(kSet).IsInFile());
    EXPECT_TRUE(single->GetLayer(kVoice).IsPatchInFile(0));
    for (int i = 1; i < 8; ++i) EXPECT_FALSE(single->GetLayer(kVoice).IsPatchInFile(i)) << i;
    EXPECT_FALSE(single->GetLayer(kVoice).IsPatchInFile(-1));
    EXPECT_FALSE(single->GetLayer(kVoice).IsPatchInFile(99));
    EXPECT_EQ(single->GetLayersToSave(), std::vector<int>{kVoice});
    EXPECT_TRUE(single->GetLoadProblems().empty());
    EXPECT_EQ(Saved(*single), LayerBytes(*single, kVoice));  // the layer's bank form

    // A bank loaded in place without marks counts as the whole layer.
    auto bank = Loaded(VoiceBank());
    for (int i = 0; i < 8; ++i) EXPECT_TRUE(bank->GetLayer(kVoice).IsPatchInFile(i)) << i;

    // A layer changed after loading is in the file from then on, but its slots
    // were not read from it.
    const auto patch = single->GetLayer(kSet).GetPatch(2)->Clone();
    patch->SetName("Changed");
    single->GetLayer(kSet).SetPatch(2, *patch);
    EXPECT_TRUE(single->GetLayer(kSet).IsInFile());
    EXPECT_FALSE(single->GetLayer(kSet).IsPatchInFile(2));
    EXPECT_EQ(single->GetLayersToSave(), (std::vector<int>{kVoice, kSet}));

    // Loading again forgets the earlier file.
    CMemFile again(VoiceBank(), "again.syx");
    single->Load(again);
    EXPECT_FALSE(single->GetLayer(kSet).IsInFile());
    EXPECT_EQ(single->GetLayersToSave(), std::vector<int>{kVoice});

    // A new bank writes every layer.
    auto fresh = CSynthMemoryFactory::Get().GetMemory(0).CreateMemory();
    EXPECT_FALSE(fresh->IsLoadedFromFile());
    EXPECT_EQ(fresh->GetLayersToSave(), (std::vector<int>{kVoice, kSet}));
    EXPECT_EQ(Saved(*fresh), Concat({LayerBytes(*fresh, kVoice), LayerBytes(*fresh, kSet)}));
}

TEST_F(FileShape, TheGenericMemoryHoldsEverythingOnce) {
    const CSynthMemory* generic = CSynthMemoryFactory::Get().GetSynthMemoryfromPatchType(GUID{});
    ASSERT_NE(generic, nullptr);
    const Bytes file = Concat({kProgramChange, kForeignA, kProgramChange, kForeignB, {0x00}});
    auto memory = generic->CreateMemory();
    CMemFile in(file, "other.syx");
    memory->Load(in);
    EXPECT_TRUE(memory->GetUnreadBytes().empty());
    EXPECT_TRUE(memory->GetLoadProblems().empty());
    EXPECT_TRUE(memory->GetLayer(0).IsInFile());
    EXPECT_TRUE(memory->GetLayer(0).IsPatchInFile(0));
    EXPECT_EQ(Saved(*memory), file);
}
