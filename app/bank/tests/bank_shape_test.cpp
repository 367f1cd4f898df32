// Save of a bank opened from a file keeps the file's shape: the layers it held,
// those the user changed since, and the messages no layer reads.
#include <gtest/gtest.h>

#include <filesystem>

#include "BankCommands.h"
#include "File.h"
#include "Layer.h"
#include "Patch.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TonalithDoc.h"
#include "Ui.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr int kVoice = 0, kSet = 1;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// One voice of the test plug-in, and what its memory cannot read.
Bytes OneVoice() {
    Bytes m{0xF0, 0x7D, 0x01, 0x11};
    m.insert(m.end(), 16, 0x2A);
    m.push_back(0xF7);
    return m;
}
const Bytes kForeign{0xF0, 0x42, 0x30, 0x03, 0x40, 0x01, 0x02, 0xF7};
const Bytes kProgramChange{0xC0, 0x05};

class BankShape : public ::testing::Test {
protected:
    void SetUp() override {
        CSynthMemoryFactory::Delete();
        std::vector<std::string> folders{TEST_PLUGIN_DIR};
        for (std::string& folder : CSynthMemoryFactory::DefaultSearchPath()) folders.push_back(std::move(folder));
        CSynthMemoryFactory::SetSearchPath(std::move(folders));
    }
    void TearDown() override { CSynthMemoryFactory::Delete(); }

    static int TestSynthIndex() {
        CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        for (int i = 0; i < factory.GetCount(); ++i)
            if (factory.GetMemory(i).GetName() == "Test Synth") return i;
        return -1;
    }
    static Bytes LayerBytes(CSynthMemory& memory, int layer) {
        CMemFile out;
        memory.GetLayer(layer).Save(out);
        return out.Data();
    }
    static Bytes SavedBytes(CTonalithDoc& doc, const fs::path& path) {
        EXPECT_TRUE(doc.OnSaveDocument(path.string()));
        return tonalith::test::ReadFile(path);
    }
    // An edit of patch index of layer as the bank view makes it.
    static void Rename(CSynthMemory& memory, int layer, int index, const std::string& name) {
        CLayer& target = memory.GetLayer(layer);
        auto changed = target.GetPatch(index)->Clone();
        changed->SetName(name);
        CEditCommand edit;
        edit.SetValues(target, index, *target.GetPatch(index), *changed, nullptr);
        edit.Execute();
    }
};

}  // namespace

TEST_F(BankShape, SaveWritesTheLayersTheFileHeldAndThoseChangedSince) {
    CScopedScriptedUi ui;
    const fs::path dir = tonalith::test::TempDir();
    const fs::path path = dir / "voice.syx";
    tonalith::test::WriteFile(path, Concat({OneVoice(), kProgramChange, kForeign}));
    CTonalithDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path.string()));
    CSynthMemory& memory = *doc.GetMemory();
    ASSERT_EQ(memory.GetName(), "Test Synth");
    // Opening says what was kept.
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("kept 1 message and 2 bytes between messages that no layer reads (10 bytes)"),
              std::string::npos)
        << ui->messages[0];

    const Bytes kept = Concat({kProgramChange, kForeign});
    EXPECT_EQ(SavedBytes(doc, path), Concat({LayerBytes(memory, kVoice), kept}));

    // An edit of the Set layer, which the file did not hold, adds it; Save
    // Layers writes the chosen layers alone.
    Rename(memory, kSet, 1, "Edited");
    EXPECT_EQ(SavedBytes(doc, path), Concat({LayerBytes(memory, kVoice), LayerBytes(memory, kSet), kept}));
    ASSERT_TRUE(doc.SaveLayers(std::vector<int>{kSet}, (dir / "set.syx").string()));
    EXPECT_EQ(tonalith::test::ReadFile(dir / "set.syx"), LayerBytes(memory, kSet));

    // Reopened, the file holds both layers now.
    CTonalithDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(path.string()));
    EXPECT_TRUE(reopened.GetMemory()->GetLayer(kSet).IsInFile());
}

TEST_F(BankShape, AMoveCountsAsAChange) {
    CScopedScriptedUi ui;
    const fs::path path = tonalith::test::TempDir() / "voice.syx";
    tonalith::test::WriteFile(path, OneVoice());
    CTonalithDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path.string()));
    CSynthMemory& memory = *doc.GetMemory();
    EXPECT_TRUE(ui->messages.empty());
    EXPECT_EQ(SavedBytes(doc, path), LayerBytes(memory, kVoice));
    CMovePatchesCommand move(nullptr, memory, kSet, {1, 0, 2, 3}, 0, 1);
    move.Execute();
    EXPECT_EQ(SavedBytes(doc, path), Concat({LayerBytes(memory, kVoice), LayerBytes(memory, kSet)}));
}

TEST_F(BankShape, NewAndReceivedBanksWriteEveryLayer) {
    CScopedScriptedUi ui;
    const fs::path dir = tonalith::test::TempDir();
    const int index = TestSynthIndex();
    ASSERT_GE(index, 0);
    CTonalithDoc fresh;
    ASSERT_TRUE(fresh.OnNewDocument(CSynthMemoryFactory::Get(), index));
    CSynthMemory& memory = *fresh.GetMemory();
    EXPECT_EQ(SavedBytes(fresh, dir / "new.syx"), Concat({LayerBytes(memory, kVoice), LayerBytes(memory, kSet)}));

    // A received dump holds one voice; its bank is still the whole memory.
    auto received = CSynthMemoryFactory::Get().GetMemory(index).CreateMemory();
    CMemFile dump(OneVoice(), "received");
    received->Load(dump);
    CTonalithDoc bank;
    bank.SetMemory(std::move(received));
    CSynthMemory& adopted = *bank.GetMemory();
    EXPECT_EQ(SavedBytes(bank, dir / "received.syx"), Concat({LayerBytes(adopted, kVoice), LayerBytes(adopted, kSet)}));
}

TEST_F(BankShape, AMixedCollectionSurvivesOpenAndSaveByteForByte) {
    TONALITH_FIELD_DATA_OR_SKIP(data);
    const fs::path jv = data / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
    const fs::path dw = data / "other" / "Korg_DW-8000_Collection_with_program_changes.syx";
    const Bytes original = Concat({tonalith::test::ReadFile(jv), tonalith::test::ReadFile(dw)});
    const fs::path path = tonalith::test::TempDir() / "mixed.syx";
    tonalith::test::WriteFile(path, original);

    CScopedScriptedUi ui;
    CTonalithDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(path.string()));
    CSynthMemory& memory = *doc.GetMemory();
    if (memory.IsGeneric()) GTEST_SKIP() << "the JV plug-in is not built";
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("kept 128 messages and 128 bytes between messages that no layer reads (4224 bytes)"),
              std::string::npos)
        << ui->messages[0];
    // In the same warning: the bank is a JV-1080's, and a save under the default writes a JV-2080's.
    EXPECT_NE(ui->messages[0].find("Written for the JV-1010 / 1080; a save writes it for the JV-2080"),
              std::string::npos)
        << ui->messages[0];
    // Records are written in the length of the generation set up; this bank is a JV-1080's.
    ASSERT_NE(memory.GetSynth(), nullptr);
    memory.GetSynth()->GetConfig().PutInt("WHICHSYNTH", 0);
    const Bytes saved = SavedBytes(doc, path);
    EXPECT_EQ(saved.size(), original.size());
    EXPECT_TRUE(saved == original) << "open and save changed the file";
}
