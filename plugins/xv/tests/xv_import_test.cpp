// The JV/XP performance import: reading, the part mapping, the undoable command and the tool.
#include <gtest/gtest.h>

#include "Commands.h"
#include "TestSupport.h"
#include "Ui.h"
#include "XVImport.h"
#include "XVMessages.h"
#include "XVTestHelpers.h"

using namespace xvtest;

namespace {

std::vector<std::uint8_t> JVMessage(std::uint8_t a1, std::uint8_t a2, std::uint8_t a3,
                                    const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> m{0xF0, 0x41, 0x10, 0x6A, 0x12, a1, a2, a3, 0x00};
    m.insert(m.end(), data.begin(), data.end());
    int sum = a1 + a2 + a3;
    for (const auto b : data) sum += b;
    m.push_back(static_cast<std::uint8_t>((128 - sum % 128) % 128));
    m.push_back(0xF7);
    return m;
}

// Part p of JV performance k: group (user, board 3, PR-A) and values that vary with p.
std::vector<std::uint8_t> JVPart(int k, int p, int dataSize = 26) {
    std::vector<std::uint8_t> j(26, 0);
    const int kind = p % 3;
    const int number = kind == 1 ? 130 + p : p + k;
    j[0] = 1;
    j[1] = static_cast<std::uint8_t>(p);
    j[2] = kind == 1 ? 2 : 0;
    j[3] = kind == 0 ? 1 : 3;
    j[4] = static_cast<std::uint8_t>(number / 16);
    j[5] = static_cast<std::uint8_t>(number % 16);
    j[6] = 100;
    j[7] = static_cast<std::uint8_t>(p * 4);
    j[8] = 40;
    j[9] = 50;
    j[10] = static_cast<std::uint8_t>(p % 5);
    j[11] = 10;
    j[12] = 20;
    j[13] = 30;
    j[17] = 5;
    j[18] = 120;
    j[19] = 3;
    j[20] = 1;
    j[24] = 2;
    j.resize(static_cast<std::size_t>(dataSize));
    return j;
}

std::vector<std::uint8_t> JVPerformanceFile(int count, std::uint8_t area = 0x10, int partSize = 26) {
    std::vector<std::uint8_t> file{0x12, 0x34};  // stray bytes before the first message
    for (int k = 0; k < count; ++k) {
        std::vector<std::uint8_t> common(68, 0);
        const std::string name = "JV Perf " + std::to_string(k + 1);
        for (std::size_t i = 0; i < 12; ++i) common[i] = i < name.size() ? static_cast<std::uint8_t>(name[i]) : ' ';
        const auto c = JVMessage(area, static_cast<std::uint8_t>(k), 0x00, common);
        file.insert(file.end(), c.begin(), c.end());
        for (int p = 0; p < 16; ++p) {
            const auto m = JVMessage(area, static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(0x10 + p),
                                     JVPart(k, p, partSize));
            file.insert(file.end(), m.begin(), m.end());
        }
    }
    return file;
}

}  // namespace

TEST(XVImport, PartsOneToSixteenFollowTheMappingAndTheRestStays) {
    CXVSynthMemory memory;
    CXVPerformanceLayer& layer = memory.GetPerformanceLayer();
    for (int i = 0; i < layer.GetPatchCount(); ++i) Scribble(layer.GetRecord(i), i);
    const auto before = SaveLayer(layer);
    const auto original = layer.GetPerformance(0).Clone();

    CCmdManager commands(nullptr);
    EXPECT_EQ(ImportJVPerformances(JVPerformanceFile(32), layer, &commands), 32);
    EXPECT_EQ(commands.GetUndoText(), "Import JV/XP performances");

    const CXVPerformance& perf = layer.GetPerformance(0);
    const auto& old = static_cast<const CXVPerformance&>(*original);
    EXPECT_EQ(perf.GetName(), "JV Perf 1   ");
    EXPECT_EQ(layer.GetPerformance(31).GetName(), "JV Perf 32  ");
    EXPECT_EQ(layer.GetPerformance(32).GetName(), old.GetName());  // beyond the file: untouched

    const std::vector<int> mapped{0, 1, 4, 5, 6, 7, 8, 9, 10, 21, 23, 24, 27, 28, 29, 30, 31};
    for (int p = 0; p < 16; ++p) {
        const auto x = perf.PartData(p);
        const auto o = old.PartData(p);
        const int kind = p % 3;
        EXPECT_EQ(x[0], p);
        EXPECT_EQ(x[1], 1);
        EXPECT_EQ(x[4], kind == 1 ? 0x59 : 0x57);
        // user: card bank A (32); board 3: 2·3−2 plus the upper half of 130+p; PR-A: 3+61.
        EXPECT_EQ(x[5], kind == 0 ? 32 : kind == 1 ? 5 : 64) << "part " << p;
        EXPECT_EQ(x[6], kind == 1 ? 2 + p : p);
        EXPECT_EQ(x[7], 100);
        EXPECT_EQ(x[8], p * 4);
        EXPECT_EQ(x[9], 56);
        EXPECT_EQ(x[10], 64);
        EXPECT_EQ(x[21], 64);
        EXPECT_EQ(x[23], 5);
        EXPECT_EQ(x[24], 120);
        EXPECT_EQ(x[27], 0);  // a local switch that is on does not mute the part
        EXPECT_EQ(x[28], 10);
        EXPECT_EQ(x[29], 20);
        EXPECT_EQ(x[30], 30);
        const int outputs[] = {1, 0, 2, 3, 13};
        EXPECT_EQ(x[31], outputs[p % 5]);
        for (int i = 0; i < xv::kPartData; ++i) {
            if (std::find(mapped.begin(), mapped.end(), i) == mapped.end()) {
                EXPECT_EQ(x[i], o[i]) << p << "/" << i;
            }
        }
    }
    for (int p = 16; p < 32; ++p)
        EXPECT_TRUE(std::equal(perf.PartData(p).begin(), perf.PartData(p).end(), old.PartData(p).begin()));
    for (int m = 1; m < CXVPerformance::FirstPartMessage(); ++m)
        EXPECT_TRUE(std::equal(perf.MessageData(m).begin(), perf.MessageData(m).end(), old.MessageData(m).begin()));

    commands.Undo();
    EXPECT_EQ(SaveLayer(layer), before);
    commands.Redo();
    EXPECT_EQ(layer.GetPerformance(0).GetName(), "JV Perf 1   ");
}

TEST(XVImport, ShortPartsWidenAndTemporaryPerformanceComesAlone) {
    const auto jv1080 = jvimport::ReadJVPerformances(JVPerformanceFile(2, 0x10, 19));
    ASSERT_EQ(jv1080.size(), 2u);
    ASSERT_TRUE(jv1080[1].parts[15].has_value());
    EXPECT_EQ((*jv1080[1].parts[15])[19], 3);  // widened: octave shift centre
    EXPECT_EQ((*jv1080[1].parts[15])[24], 0);

    auto file = JVPerformanceFile(1, 0x01);
    const auto users = JVPerformanceFile(3);
    file.insert(file.end(), users.begin(), users.end());
    const auto temp = jvimport::ReadJVPerformances(file);
    ASSERT_EQ(temp.size(), 1u);
    EXPECT_TRUE(temp[0].temporary);

    EXPECT_EQ(jvimport::ReadJVPerformances(JVPerformanceFile(40)).size(), 32u);
}

TEST(XVImport, GarbageImportsNothingAndNeverCrashes) {
    CXVSynthMemory memory;
    const auto before = SaveLayer(memory.GetPerformanceLayer());
    EXPECT_EQ(ImportJVPerformances({}, memory.GetPerformanceLayer(), nullptr), 0);
    auto file = JVPerformanceFile(4);
    std::uint32_t noise = 99;
    for (std::size_t n = 0; n < file.size(); n += 29) {
        auto cut = std::vector<std::uint8_t>(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
        for (std::size_t i = 0; i < cut.size(); i += 41) {
            noise = noise * 1103515245 + 12345;
            cut[i] = static_cast<std::uint8_t>(noise >> 16);
        }
        for (const auto& p : jvimport::ReadJVPerformances(cut)) EXPECT_EQ(p.name.size(), 12u);
    }
    // XV data is not JV data.
    EXPECT_EQ(ImportJVPerformances(before, memory.GetPerformanceLayer(), nullptr), 0);
    // Converted bytes stay valid MIDI data whatever the file held.
    std::array<std::uint8_t, jvimport::kJVPartData> wild{};
    wild.fill(0x7F);
    std::array<std::uint8_t, xv::kPartData> x{};
    jvimport::ConvertJVPart(wild, x);
    for (const auto b : x) EXPECT_LT(b, 0x80);
}

TEST(XVImport, ToolAsksForTheFileAndRecordsOneCommand) {
    const auto path = tonalith::test::TempDir() / "perfs.syx";
    tonalith::test::WriteFile(path, JVPerformanceFile(3));
    CXVSynthMemory memory;
    ASSERT_EQ(memory.GetAdditionalToolsCount(), 1);
    CBasicSynthTool& tool = memory.GetAdditionalTool(0);
    EXPECT_EQ(tool.GetMenuText(), "Import JV/XP performances...");
    EXPECT_TRUE(tool.UseForBank());

    CCmdManager commands(nullptr);
    CScopedScriptedUi ui;
    tool.Execute({&commands});  // no file chosen: nothing happens
    EXPECT_FALSE(commands.CanUndo());

    ui->files.push_back(path.string());
    tool.Execute({&commands});
    EXPECT_EQ(commands.GetUndoCount(), 1u);
    EXPECT_EQ(memory.GetPerformanceLayer().GetPatch(2)->GetName(), "JV Perf 3   ");
    commands.Undo();
    EXPECT_EQ(memory.GetPerformanceLayer().GetPatch(2)->GetName(), "Init Perform");

    ui->files.push_back((tonalith::test::TempDir() / "missing.syx").string());
    tool.Execute({&commands});
    EXPECT_EQ(ui->messages.size(), 1u);
    EXPECT_FALSE(commands.CanUndo());
}

TEST(XVImport, ALocalSwitchDoesNotMuteAndTheTransmitVolumeLeavesTheMfxSelectAlone) {
    // A JV part as the instrument sends it: local switch on, transmit volume 127 (nibbles 07 0F).
    std::array<std::uint8_t, jvimport::kJVPartData> j{};
    j[0] = 1;
    j[20] = 1;
    j[23] = 0x07;
    j[24] = 0x0F;
    CXVPerformance perf;
    const auto x = perf.PartData(0);
    x[27] = 1;  // muted before
    x[32] = 2;  // MFX C
    jvimport::ConvertJVPart(j, x);
    EXPECT_EQ(x[27], 0);
    EXPECT_EQ(x[32], 2);
}
