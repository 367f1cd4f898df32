// The bank's rules without windows: selection, grid, move order, move command,
// document open and save, hex text, copybox.
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "BankCommands.h"
#include "BankGrid.h"
#include "CopyBox.h"
#include "FileX.h"
#include "GridMemory.h"
#include "LayerSelection.h"
#include "Library.h"
#include "MoveOrder.h"
#include "StringTable.h"
#include "SynthMemoryFactory.h"
#include "TestSupport.h"
#include "TonalithDoc.h"
#include "Ui.h"

using gridtest::CGridMemory;

namespace {

std::string Trim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
    return s;
}

struct FakeView : IBankView {
    explicit FakeView(CSynthMemory& memory) {
        for (int i = 0; i < memory.GetLayerCount(); ++i)
            selections.push_back(std::make_unique<CLayerSelection>(i, memory.GetLayer(i), this));
    }
    int GetCurrentLayerIndex() const override { return current; }
    CLayerSelection& GetLayerSelection(int layer) override { return *selections[static_cast<std::size_t>(layer)]; }
    void RepaintCell(int index) override { repainted.push_back(index); }
    void AuditionPatch(int index) override { auditioned.push_back(index); }
    int current = 0;
    std::vector<std::unique_ptr<CLayerSelection>> selections;
    std::vector<int> repainted, auditioned;
};

class TestSynthFactory : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CSynthMemoryFactory::SetSearchPath({TEST_PLUGIN_DIR}); }
    static void TearDownTestSuite() { CSynthMemoryFactory::Delete(); }
    static std::unique_ptr<CSynthMemory> NewTestMemory() {
        CSynthMemoryFactory& factory = CSynthMemoryFactory::Get();
        for (int i = 0; i < factory.GetCount(); ++i)
            if (factory.GetMemory(i).GetName() == "Test Synth") return factory.GetMemory(i).CreateMemory();
        return nullptr;
    }
};

}  // namespace

TEST(BankRules, MouseSelection) {
    CGridMemory memory(10);
    FakeView view(memory);
    CLayerSelection& s = view.GetLayerSelection(0);
    // A click on a selected patch without modifiers leaves exactly that one selected.
    s.SelectRange(0, 4);
    BankRules::LeftDown(s, 3, false, false);
    EXPECT_TRUE(BankRules::LeftUp(s, 3, false, false));
    EXPECT_EQ(s.GetSelectedIndexes(), std::vector<int>{3});
    EXPECT_EQ(s.GetFocus(), 3);
    // Shift extends from the focus.
    BankRules::LeftDown(s, 6, false, true);
    BankRules::LeftUp(s, 6, false, true);
    EXPECT_EQ(s.GetSelectedIndexes(), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_EQ(s.GetFocus(), 6);
    // Ctrl+click on one of several removes it; having had the focus, the focus
    // goes to the first selected patch, and nothing is auditioned.
    BankRules::LeftDown(s, 6, true, false);
    EXPECT_FALSE(BankRules::LeftUp(s, 6, true, false));
    EXPECT_EQ(s.GetSelectedIndexes(), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(s.GetFocus(), 3);
    // Ctrl+click adds without moving the focus on press.
    BankRules::LeftDown(s, 9, true, false);
    EXPECT_EQ(s.GetFocus(), 3);
    BankRules::LeftUp(s, 9, true, false);
    EXPECT_EQ(s.GetSelectedIndexes(), (std::vector<int>{3, 4, 5, 9}));
    // Ctrl+click on the only selected patch keeps it.
    s.ClearAll();
    s.SetFocus(2);
    BankRules::LeftDown(s, 2, true, false);
    EXPECT_TRUE(BankRules::LeftUp(s, 2, true, false));
    EXPECT_EQ(s.GetSelectedIndexes(), std::vector<int>{2});
    EXPECT_FALSE(BankRules::IsDragDistance(3, 4));  // 5 pixels
    EXPECT_TRUE(BankRules::IsDragDistance(6, 0));
}

TEST(BankRules, GridAndKeyboardWithTwentyFivePerColumn) {
    const CBankGrid grid = MakeGrid(80, 14, 25, 64);
    EXPECT_EQ(grid.Columns(), 3);
    EXPECT_EQ(grid.cellWidth, 86);
    EXPECT_EQ(grid.cellHeight, 20);
    EXPECT_EQ(grid.TotalWidth(), 3 * 86);
    EXPECT_EQ(grid.TotalHeight(), 25 * 20);
    EXPECT_EQ(grid.HitTest(0, 0), 0);
    EXPECT_EQ(grid.HitTest(86, 20 * 24), 49);
    EXPECT_EQ(grid.HitTest(2 * 86 + 5, 20 * 14), -1);  // cell 64 does not exist
    EXPECT_EQ(grid.HitTest(2 * 86 + 5, 20 * 13), 63);
    EXPECT_EQ(grid.HitTest(-1, 0), -1);
    const CBankGrid::Rect r = grid.CellRect(26);
    EXPECT_EQ(r.left, 85);
    EXPECT_EQ(r.top, 19);
    EXPECT_EQ(r.right, 172);
    EXPECT_EQ(r.bottom, 40);

    EXPECT_EQ(NavigationTarget(NavKey::Right, 60, 64, 25), 60);
    EXPECT_EQ(NavigationTarget(NavKey::Left, 10, 64, 25), 10);
    EXPECT_EQ(NavigationTarget(NavKey::PageDown, 10, 64, 25), 35);
    EXPECT_EQ(NavigationTarget(NavKey::Up, 0, 64, 25), 0);
    EXPECT_EQ(NavigationTarget(NavKey::Down, 63, 64, 25), 63);
    EXPECT_EQ(NavigationTarget(NavKey::End, 5, 64, 25), 63);

    CGridMemory memory(64);
    FakeView view(memory);
    CLayerSelection& s = view.GetLayerSelection(0);
    BankRules::Navigate(s, 5, true);
    EXPECT_EQ(s.GetSelectedIndexes(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    BankRules::Navigate(s, 30, false);
    EXPECT_EQ(s.GetSelectedIndexes(), std::vector<int>{30});
    EXPECT_EQ(s.GetFocus(), 30);
}

TEST(BankRules, DropStartAndMoveOrder) {
    EXPECT_EQ(DropStart(9, 3, 10), 7);
    EXPECT_EQ(DropStart(2, 3, 10), 2);
    EXPECT_EQ(DropStart(0, 12, 10), 0);
    // The view's drop builds its order the way the command line's move does.
    EXPECT_EQ(MoveOrder::Build(5, std::vector<int>{0, 1}, 3), (std::vector<std::uint32_t>{2, 3, 4, 0, 1}));
    EXPECT_EQ(MoveOrder::Build(5, std::vector<int>{3, 4}, 0), (std::vector<std::uint32_t>{3, 4, 0, 1, 2}));
    EXPECT_EQ(MoveOrder::Build(6, std::vector<int>{1, 3}, 2), (std::vector<std::uint32_t>{0, 2, 1, 3, 4, 5}));
}

TEST_F(TestSynthFactory, MoveFollowsReferencesAndUndoes) {
    auto memory = NewTestMemory();
    ASSERT_TRUE(memory) << "TestSynth plug-in not found";
    CLayer& voices = memory->GetLayer(0);
    CLayer& sets = memory->GetLayer(1);
    for (int i = 0; i < voices.GetPatchCount(); ++i) voices.GetPatch(i)->SetName("V" + std::to_string(i));
    // Set 0 uses voices 0 and 4.
    sets.GetPatch(0)->GetData()[8] = 0;
    sets.GetPatch(0)->GetData()[9] = 4;
    FakeView view(*memory);
    CLayerSelection& s = view.GetLayerSelection(0);
    s.SetSelected(1, true);  // 0 (focus) and 1 selected
    const std::vector<std::uint32_t> order = MoveOrder::Build(5 + 3, s.GetSelectedIndexes(), 3);
    CMovePatchesCommand move(&view, *memory, 0, order, 3, 2);
    EXPECT_EQ(move.GetText(), "Move Patches");
    move.Execute();
    EXPECT_EQ(Trim(voices.GetPatch(3)->GetName()), "V0");
    EXPECT_EQ(Trim(voices.GetPatch(4)->GetName()), "V1");
    EXPECT_EQ(Trim(voices.GetPatch(0)->GetName()), "V2");
    EXPECT_EQ(s.GetSelectedIndexes(), (std::vector<int>{3, 4}));
    EXPECT_EQ(s.GetFocus(), 3);
    std::vector<std::uint16_t> refs;
    sets.GetReferencedPatches(voices, 0, refs);
    EXPECT_EQ(refs, (std::vector<std::uint16_t>{3, 2}));  // voice 0 is at 3 now, voice 4 at 2
    ASSERT_FALSE(view.auditioned.empty());
    EXPECT_EQ(view.auditioned.back(), 3);

    move.Undo();
    for (int i = 0; i < voices.GetPatchCount(); ++i)
        EXPECT_EQ(Trim(voices.GetPatch(i)->GetName()), "V" + std::to_string(i));
    EXPECT_EQ(s.GetSelectedIndexes(), (std::vector<int>{0, 1}));
    EXPECT_EQ(s.GetFocus(), 0);
    refs.clear();
    sets.GetReferencedPatches(voices, 0, refs);
    EXPECT_EQ(refs, (std::vector<std::uint16_t>{0, 4}));
}

TEST_F(TestSynthFactory, CopyboxAndLibraryEntriesOutliveTheirBank) {
    CCopyBox box;
    std::unique_ptr<CLibraryPatch> entry;
    {
        auto memory = NewTestMemory();
        ASSERT_TRUE(memory) << "TestSynth plug-in not found";
        const CPatch& set = *memory->GetLayer(1).GetPatch(0);
        ASSERT_GT(set.GetChildLayerCount(), 0);
        EXPECT_NE(set.GetInfoForPatch().find(" uses "), std::string::npos);
        box.AddPatch(set);
        entry = std::make_unique<CLibraryPatch>(set);
    }  // the bank closes
    // Reading them must not follow links into the closed bank (ASan would say so).
    for (const CPatch* patch :
         {static_cast<const CPatch*>(&box.GetPatch(0)), static_cast<const CPatch*>(entry->GetPatch())}) {
        EXPECT_EQ(patch->GetInfoForPatch().find(" uses "), std::string::npos);
        EXPECT_EQ(patch->GetChildLayerCount() + patch->GetParentLayerCount(), 0);
        EXPECT_TRUE(patch->HasReferences());  // still refused where references cannot go
    }
    // Stored into a bank again, it takes that bank's links.
    auto other = NewTestMemory();
    other->GetLayer(1).SetPatch(1, box.GetPatch(0));
    EXPECT_NE(other->GetLayer(1).GetPatch(1)->GetInfoForPatch().find(" uses "), std::string::npos);
}

TEST_F(TestSynthFactory, OpenFallsBackToGenericAndSaveIsAtomic) {
    CScopedScriptedUi ui;
    const auto dir = tonalith::test::TempDir();
    const auto unknown = dir / "unknown.syx";
    tonalith::test::WriteFile(unknown, {0xF0, 0x43, 0x10, 0x01, 0xF7});
    CTonalithDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument(unknown.string()));
    EXPECT_TRUE(doc.GetMemory()->IsGeneric());
    ASSERT_EQ(ui->messages.size(), 1u);  // the user hears that no plug-in read it
    EXPECT_EQ(ui->messages[0], "No plug-in reads \"unknown.syx\"; it is shown as raw SysEx (1 message).");
    ui->messages.clear();

    // A known bank; then a failed write keeps the old file, the flag and the path.
    auto memory = NewTestMemory();
    ASSERT_TRUE(memory);
    CTonalithDoc bank;
    bank.SetMemory(std::move(memory));
    const auto good = dir / "bank.syx";
    ASSERT_TRUE(bank.OnSaveDocument(good.string()));
    EXPECT_FALSE(bank.IsModified());
    const std::vector<std::uint8_t> before = tonalith::test::ReadFile(good);
    CTonalithDoc reopened;
    ASSERT_TRUE(reopened.OnOpenDocument(good.string()));
    EXPECT_EQ(reopened.GetMemory()->GetName(), "Test Synth");

    bank.GetMemory()->GetLayer(0).GetPatch(0)->SetName("Changed");
    bank.SetModifiedFlag(true);
    const auto locked = dir / "locked";
    std::filesystem::create_directories(locked);
    std::filesystem::copy_file(good, locked / "bank.syx");
    ::chmod(locked.c_str(), 0500);
    if (::geteuid() != 0) {  // root writes anywhere
        EXPECT_FALSE(bank.OnSaveDocument((locked / "bank.syx").string()));
        EXPECT_TRUE(bank.IsModified());
        EXPECT_EQ(bank.GetPathName(), good.string());
        EXPECT_EQ(tonalith::test::ReadFile(locked / "bank.syx"), before);
        ASSERT_FALSE(ui->messages.empty());
        EXPECT_NE(ui->messages.back().find(CStringTable::Get(61218)), std::string::npos);
    }
    ::chmod(locked.c_str(), 0700);
    // A folder in place of the file fails for everyone, root included.
    ui->messages.clear();
    EXPECT_FALSE(bank.OnSaveDocument(dir.string()));
    EXPECT_TRUE(bank.IsModified());
    EXPECT_EQ(bank.GetPathName(), good.string());
    EXPECT_EQ(ui->messages.size(), 1u);

    // Save Layers in the order given; a cancelled file choice writes nothing.
    EXPECT_FALSE(bank.SaveLayers(std::vector<int>{1, 0}, {}));
    ui->files.push_back((dir / "layers.syx").string());
    ASSERT_TRUE(bank.SaveLayers(std::vector<int>{1, 0}, {}));
    const auto layers = tonalith::test::ReadFile(dir / "layers.syx");
    ASSERT_GT(layers.size(), 4u);
    EXPECT_EQ(layers[3], 0x20);  // the Set bank first
}

TEST(TonalithDoc, UnreadableFileNamesIt) {
    CScopedScriptedUi ui;
    CTonalithDoc doc;
    EXPECT_FALSE(doc.OnOpenDocument("/nonexistent/x.syx"));
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_NE(ui->messages[0].find("/nonexistent/x.syx"), std::string::npos);
    EXPECT_EQ(ui->messages[0].rfind("Error while opening bank file: ", 0), 0u);
    EXPECT_EQ(doc.GetMemory(), nullptr);
}

TEST(TonalithDoc, FilesThatAreNoBankSaySoAndAMidiFileOpensItsSysEx) {
    CScopedScriptedUi ui;
    const auto dir = tonalith::test::TempDir();
    const auto refused = [&](const std::string& name, std::vector<std::uint8_t> bytes, std::string_view says) {
        tonalith::test::WriteFile(dir / name, bytes);
        ui->messages.clear();
        CTonalithDoc doc;
        EXPECT_FALSE(doc.OnOpenDocument((dir / name).string())) << name;
        ASSERT_EQ(ui->messages.size(), 1u) << name;
        EXPECT_NE(ui->messages[0].find(says), std::string::npos) << ui->messages[0];
        EXPECT_NE(ui->messages[0].find(name), std::string::npos) << ui->messages[0];
    };
    refused("empty.syx", {}, "is empty");
    refused("hex.txt", {'F', '0', ' ', '4', '3', ' ', 'F', '7'}, "holds no SysEx");

    // A WAV file is offered to a plug-in that imports it, where one is loaded;
    // either way it is named and, answered No, opens nothing.
    tonalith::test::WriteFile(dir / "tone.wav",
                              {'R', 'I', 'F', 'F', 36, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    ui->messages.clear();
    ui->questions.clear();
    {
        CTonalithDoc wave;
        EXPECT_FALSE(wave.OnOpenDocument((dir / "tone.wav").string()));
        std::vector<std::string> said = ui->messages;
        said.insert(said.end(), ui->questions.begin(), ui->questions.end());
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find("\"tone.wav\" is a WAV file"), std::string::npos) << said[0];
    }

    // A MIDI file: one track with a note and a SysEx event (F0 43 10 01 F7).
    const std::vector<std::uint8_t> track{0x00, 0x90, 0x3C, 0x60, 0x00, 0xF0, 0x04, 0x43,
                                          0x10, 0x01, 0xF7, 0x00, 0xFF, 0x2F, 0x00};
    std::vector<std::uint8_t> midi{'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
                                   1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(track.size())};
    midi.insert(midi.end(), track.begin(), track.end());
    tonalith::test::WriteFile(dir / "song.mid", midi);
    ui->messages.clear();
    CTonalithDoc doc;
    ASSERT_TRUE(doc.OnOpenDocument((dir / "song.mid").string()));
    EXPECT_EQ(doc.GetPathName(), "");  // Save asks for a name: the MIDI file is never overwritten
    EXPECT_EQ(doc.GetTitle(), "song.mid (SysEx)");
    CMemFile saved;
    doc.GetMemory()->Save(saved, true);
    EXPECT_EQ(saved.Data(), (std::vector<std::uint8_t>{0xF0, 0x43, 0x10, 0x01, 0xF7}));

    const std::vector<std::uint8_t> silent{0x00, 0x90, 0x3C, 0x60, 0x00, 0xFF, 0x2F, 0x00};
    std::vector<std::uint8_t> noSysEx(midi.begin(), midi.begin() + 18);
    noSysEx.insert(noSysEx.end(), {0, 0, 0, static_cast<std::uint8_t>(silent.size())});
    noSysEx.insert(noSysEx.end(), silent.begin(), silent.end());
    refused("notes.mid", noSysEx, "without SysEx");
}

TEST(TonalithDoc, HexTextOfSeventeenBytes) {
    std::vector<std::uint8_t> bytes(17);
    for (int i = 0; i < 17; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0xF0 + i % 16);
    const std::string text = BuildHexText(bytes);
    EXPECT_EQ(text, "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF \r\nF0 ");
    EXPECT_EQ(BuildHexText({}), "");
}

TEST(CopyBox, FilterUnknownTypesAndCompaction) {
    CCopyBox box;
    gridtest::CGridPatch a, b, c;
    a.SetName("beta");
    b.SetName("Alpha");
    c.SetName("gamma");
    box.AddPatch(a);
    box.AddPatch(b);
    box.AddPatch(c);
    auto rows = box.GetRows(0);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(Trim(rows[0].name), "Alpha");
    EXPECT_EQ(rows[0].index, 1);
    EXPECT_EQ(rows[0].typeName, "Unknown type");
    box.SetTypeList({{"Grid Patch", gridtest::kGridPatch}});
    EXPECT_EQ(box.GetRows(0)[0].typeName, "Grid Patch");
    box.SetFilter(GUID{});
    EXPECT_TRUE(box.GetRows(0).empty());
    box.SetFilter(std::nullopt);
    box.Remove({0, 0});
    ASSERT_EQ(box.GetCount(), 2);
    EXPECT_EQ(Trim(box.GetPatch(0).GetName()), "Alpha");
    EXPECT_EQ(box.GetRows(0)[1].index, 1);
}
