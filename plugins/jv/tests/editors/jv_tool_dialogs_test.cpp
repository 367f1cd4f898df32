// The bank and library tools through their dialogs, answered by the dialog
// runner: what each choice does to the bank and that it is one undo step.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include <tonalith/Commands.h>
#include <tonalith/Library.h>
#include <tonalith/Ui.h>
#include <tonalith/ui/DialogRunner.h>

#include "../JVTestSupport.h"
#include "JVEditors.h"
#include "JVToolDialogs.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVSynthMemory.h"
#include "amberkit/JVSynthTools.h"

using namespace amberkit;
using tonalith::ui::ScopedDialogRunner;

namespace {

class JVToolDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "jv_tool_dialogs";
        static char* argv[] = {name};
        if (!qApp) new QApplication(argc, argv);
        InstallEditors();
        m_savedFlags = ReadRandomFlags(CJVSynth::Get().GetConfig());
    }
    void TearDown() override { WriteRandomFlags(CJVSynth::Get().GetConfig(), m_savedFlags); }

    CBasicSynthTool& Tool(const std::string& text) {
        for (int t = 0; t < m_memory.GetAdditionalToolsCount(); ++t)
            if (m_memory.GetAdditionalTool(t).GetMenuText() == text) return m_memory.GetAdditionalTool(t);
        throw std::runtime_error("no tool " + text);
    }
    CJVLayer& Layer(int index) { return static_cast<CJVLayer&>(m_memory.GetLayer(index)); }
    std::vector<std::uint8_t> Saved(int layer) { return jvtest::SaveLayer(Layer(layer)); }

    jvtest::ScopedJVSettings m_settings{Generation::JV2080, 0};
    CAmberkitSynthMemory m_memory;
    CCmdManager m_commands{nullptr};
    RandomFlags m_savedFlags;
};

}  // namespace

TEST_F(JVToolDialogTest, RandomRunsTheTickedBoxesAndKeepsThemForNextTime) {
    const auto before = Saved(kUserPatchLayer);
    {
        ScopedDialogRunner cancel([](QDialog&) { return int(QDialog::Rejected); });
        Tool("&Random Patches...").Execute({&m_commands, nullptr, nullptr});
    }
    EXPECT_FALSE(m_commands.CanUndo());
    EXPECT_EQ(Saved(kUserPatchLayer), before);

    ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CJVRandomDlg&>(d);
        EXPECT_EQ(dialog.windowTitle(), "Random");
        for (QPushButton* b : dialog.findChildren<QPushButton*>())
            if (b->text() == "&Disable All") b->click();
        dialog.findChild<QCheckBox*>("Wave2")->setChecked(true);
        return int(QDialog::Accepted);
    });
    Tool("&Random Patches...").Execute({&m_commands, nullptr, nullptr});
    EXPECT_EQ(m_commands.GetUndoText(), "Random Patches");
    RandomFlags expected = RandomFlags::All(false);
    expected.Set(1, RandomCategory::Wave, true);
    EXPECT_EQ(ReadRandomFlags(CJVSynth::Get().GetConfig()), expected);
    const auto& patch = static_cast<const CJVPatch&>(Layer(kUserPatchLayer).Record(0));
    EXPECT_NE(patch.GetName(), "Init Patch");
    const CJVPatch init;
    for (int t : {0, 2, 3}) EXPECT_TRUE(std::ranges::equal(patch.ToneData(t), init.ToneData(t)));
    m_commands.Undo();
    EXPECT_EQ(Saved(kUserPatchLayer), before);
}

TEST_F(JVToolDialogTest, CopyRhythmKeysAsksForFourKeysBeforePlacing) {
    CScopedScriptedUi ui;
    int placed = 0;
    ScopedDialogRunner runner([&](QDialog& d) {
        auto& dialog = dynamic_cast<CJVCopyRhythmKeysDlg&>(d);
        EXPECT_EQ(dialog.Keys()->count(), 64);
        EXPECT_EQ(dialog.Patch()->count(), 128);
        for (int row : {12, 2, 30}) dialog.Keys()->item(row)->setSelected(true);
        dialog.Place();
        EXPECT_EQ(ui->messages, std::vector<std::string>{"Please select four keys."});
        EXPECT_NE(dialog.result(), QDialog::Accepted);
        dialog.Keys()->item(5)->setSelected(true);
        dialog.Patch()->setCurrentIndex(9);
        dialog.Place();
        ++placed;
        return dialog.result();
    });
    Tool("&Copy Rhythm Keys to a Patch...").Execute({&m_commands, nullptr, nullptr});
    EXPECT_EQ(placed, 1);
    EXPECT_EQ(m_commands.GetUndoText(), "Copy Rhythm Keys to \"RhythmExtrct\"");
    EXPECT_EQ(Layer(kUserPatchLayer).Record(9).GetName(), "RhythmExtrct");
    EXPECT_EQ(static_cast<const CJVPatch&>(Layer(kUserPatchLayer).Record(9)).ToneData(3)[14], 72);
}

TEST_F(JVToolDialogTest, CopyEffectSettingsListsTheRecordsOfTheChosenType) {
    ScopedDialogRunner runner([](QDialog& d) {
        auto& dialog = dynamic_cast<CJVCopyEffectDlg&>(d);
        EXPECT_EQ(dialog.Destination()->count(), 128);
        dialog.DestinationType()->setCurrentIndex(1);
        EXPECT_EQ(dialog.Destination()->count(), 32);
        dialog.Destination()->setCurrentIndex(4);
        dialog.Source()->setCurrentIndex(2);
        dialog.CopyTypeBox()->setCurrentIndex(3);
        const CopyEffectChoice choice = dialog.Choice();
        EXPECT_TRUE(choice.destinationIsPerformance && !choice.sourceIsPerformance);
        EXPECT_EQ(choice.type, CopyType::Reverb);
        return int(QDialog::Accepted);
    });
    Tool("Copy &Effect Settings...").Execute({&m_commands, nullptr, nullptr});
    EXPECT_EQ(m_commands.GetUndoText(), "Copy Effect to \"" + Layer(kUserPerformanceLayer).Record(4).GetName() + "\"");
}

TEST_F(JVToolDialogTest, UseCategoriesAsksFirstAndChangesNothingOnNo) {
    CJVPatch organ;
    organ.Message(0)[kHeaderSize + kCategoryOffset] = 6;
    CLibrary library;
    library.Add(organ);
    CScopedScriptedUi ui;
    ui->answers = {false, true};
    CBasicSynthTool& tool = Tool("&Use Categories...");
    EXPECT_FALSE(tool.UseForBank());
    tool.Execute({&m_commands, nullptr, &library});
    EXPECT_EQ(library.Get(0).Key(0), 1);
    EXPECT_FALSE(m_commands.CanUndo());
    tool.Execute({&m_commands, nullptr, &library});
    ASSERT_EQ(ui->questions.size(), 2u);
    EXPECT_EQ(ui->questions[0], kUseCategoriesQuestion);
    EXPECT_EQ(library.Get(0).Key(0), 0x24);
    m_commands.Undo();
    EXPECT_EQ(library.Get(0).Key(0), 1);
}
