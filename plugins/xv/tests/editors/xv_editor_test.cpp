// The XV patch editor (live sends, OK as one undoable edit, the wave page's
// names) and the setup page with "Configure Card Banks".
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>

#include <tonalith/Commands.h>
#include <tonalith/FileX.h>
#include <tonalith/Midi.h>
#include <tonalith/MidiBackend.h>
#include <tonalith/Ui.h>
#include <tonalith/ui/ChooseCtrl.h>
#include <tonalith/ui/DialogRunner.h>
#include <tonalith/ui/Knob.h>
#include <tonalith/ui/ParameterEditorDlg.h>
#include <tonalith/ui/TabPage.h>

#include "TestSupport.h"
#include "XVBoardDatabase.h"
#include "XVMessages.h"
#include "XVParameters.h"
#include "XVPatchEditor.h"
#include "XVSetupPage.h"
#include "XVSynthMemory.h"

using namespace xv;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "xv_editor_tests";
    static char* argv[] = {name};
    if (!qApp) new QApplication(argc, argv);
}

// The synth's output on an in-process loopback port, real-time update on.
class XVEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        CMidi::Delete();
        m_loop = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
        CXVSynth& synth = CXVSynth::Get();
        synth.SetMidiOutputDevice(0, m_loop->GetOutputPortNames().at(0));
        synth.SetDeviceId(0);
        synth.SetRealtimeUpdate(true);
    }
    void TearDown() override {
        CXVSynth::Get().SetMidiOutputDevice(-1);
        CMidi::Delete();
    }
    std::shared_ptr<CMidiLoopback> m_loop;
};

const CParameter& Entry(const std::string& id) { return *GetParameterTable(RecordKind::Patch).Find(id); }

}  // namespace

TEST_F(XVEditorTest, AWaveNumberChangeSendsOneDT1AndOkIsOneUndoableEdit) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    CXVSynthMemory memory;
    CMemFile file(CFileX::Read((dir / "xv/XV3080_temp_patch_Pianomonics_from_test_hex.syx").string()), "temp.syx");
    memory.Load(file);
    CXVPatchLayer& layer = memory.GetPatchLayer();
    const std::vector<std::uint8_t> original(layer.GetPatch(0)->Data().begin(), layer.GetPatch(0)->Data().end());

    // As the bank view does: edit a clone, then record old and new as one command.
    const auto old = layer.GetPatch(0)->Clone();
    const auto edited = layer.GetPatch(0)->Clone();
    std::vector<CMidiLoopback::Write> sent;
    {
        CScopedScriptedUi ui;  // takes the note about name files the test folder lacks
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& editor = dynamic_cast<CParameterEditorDlg&>(d);
            EXPECT_EQ(editor.windowTitle(), "Edit Patch");
            editor.ChangeValue(Entry("tone1.wave.left"), 0x123);
            EXPECT_TRUE(tonalith::test::WaitUntil([&] { return !m_loop->GetWrites().empty(); }));
            sent = m_loop->GetWrites();
            editor.accept();
            return static_cast<int>(QDialog::Accepted);
        });
        ASSERT_TRUE(edited->Edit());
    }
    ASSERT_EQ(sent.size(), 1u);
    std::vector<std::uint8_t> expected{0xF0, 0x41, 0x10, 0x00, 0x10, 0x12, 0x1F, 0x00,
                                       0x20, 0x2C, 0x00, 0x01, 0x02, 0x03, 0x00, 0xF7};
    SetChecksum(expected);
    EXPECT_EQ(expected[14], (128 - (0x1F + 0x20 + 0x2C + 1 + 2 + 3) % 128) % 128);
    EXPECT_EQ(sent[0].bytes, expected);

    CCmdManager commands(nullptr);
    auto command = std::make_unique<CEditCommand>();
    command->SetValues(layer, 0, *old, *edited, nullptr);
    commands.Execute(std::move(command));
    EXPECT_EQ(commands.GetUndoCount(), 1u);
    EXPECT_EQ(GetParameterTable(RecordKind::Patch).GetValue(*layer.GetPatch(0), Entry("tone1.wave.left")), 0x123);
    commands.Undo();
    EXPECT_EQ(std::vector<std::uint8_t>(layer.GetPatch(0)->Data().begin(), layer.GetPatch(0)->Data().end()), original);
}

TEST_F(XVEditorTest, TheWavePageChoosesWavesByNameOfTheToneGroup) {
    const CXVBoardDatabase names(XV_DATA_DIR);
    CXVPatch patch;
    const CParameterTable& table = *patch.GetParameterTable();
    table.SetValue(patch, Entry("tone3.wave.left"), 2);
    CParameterEditorDlg editor(patch, table);
    auto* page = new CWavePageNames(editor, names);

    CChooseCtrl* left = page->GetChooser(2, 0);
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->count(), 1 + 1083);
    EXPECT_EQ(left->currentText().toStdString(), "2: StGrand pA R");
    EXPECT_EQ(left->itemText(0).toStdString(), "OFF");

    // The user picks a wave: the working patch holds it.
    left->setCurrentIndex(5);
    EXPECT_EQ(table.GetValue(editor.GetWorkingPatch(), Entry("tone3.wave.left")), 5);

    // Another group: the list follows (SRX-01's waves), the number stays.
    editor.ChangeValue(Entry("tone3.wave.group.id"), 1);
    CChooseCtrl* type = editor.FindChooser(ToneParameterId(2, "wave.group.type"));
    ASSERT_NE(type, nullptr);
    type->setCurrentIndex(2);
    left = page->GetChooser(2, 0);
    ASSERT_NE(left, nullptr);
    EXPECT_EQ(left->itemText(1).toStdString(), "1: Kick 1 Menu");
    EXPECT_EQ(left->GetValue(), 5);

    // Samples have no list: the number knob comes back.
    type->setCurrentIndex(3);
    EXPECT_EQ(page->GetChooser(2, 0), nullptr);
    ASSERT_NE(editor.FindKnob(ToneParameterId(2, "wave.left")), nullptr);
    EXPECT_TRUE(editor.FindKnob(ToneParameterId(2, "wave.left"))->isVisibleTo(&editor));

    // Multi Edit: tone 1's choice reaches tone 2's selector too.
    editor.SetMultiEdit(0, true);
    editor.SetMultiEdit(1, true);
    page->GetChooser(0, 1)->setCurrentIndex(7);
    EXPECT_EQ(page->GetChooser(1, 1)->GetValue(), 7);

    // Another page and back: the wave page is built anew, with its names.
    QTabWidget& tabs = editor.GetTabs().Tabs();
    ASSERT_EQ(tabs.tabText(0).toStdString(), "Wave");
    tabs.setCurrentIndex(1);
    EXPECT_EQ(page->GetChooser(0, 1), nullptr);
    tabs.setCurrentIndex(0);
    ASSERT_NE(page->GetChooser(1, 1), nullptr);
    EXPECT_EQ(page->GetChooser(1, 1)->currentText().toStdString(),
              "7: " + names.GetName(1, CXVBoardDatabase::Wave, 6, CXVBoardDatabase::Preset));
    editor.reject();
}

TEST_F(XVEditorTest, ConfigureCardBanksBindsFilesAndClearedBanksReadNotSet) {
    CXVSynth& synth = CXVSynth::Get();
    synth.SetCardBank(1, "/banks/old.syx");
    QWidget parent;
    CXVSetupPage page(synth, &parent);
    page.Load();
    EXPECT_TRUE(page.WhichSynthButton(synth.GetWhichSynth()).isChecked());
    EXPECT_EQ(page.BoardCombo(4).count(), 1 + CXVBoardDatabase::kSrxBoards);
    EXPECT_EQ(page.BoardCombo(0).itemText(0).toStdString(), "None");
    EXPECT_EQ(page.DeviceIdSpin().value(), 17);

    CScopedScriptedUi ui;
    ui->files.push_back("/banks/a.syx");
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto& dialog = dynamic_cast<CConfigureCardBanksDlg&>(d);
        EXPECT_EQ(dialog.windowTitle(), "Configure Card Banks");
        EXPECT_EQ(dialog.List().count(), 8);
        EXPECT_EQ(dialog.List().item(1)->text().toStdString(), "2: /banks/old.syx");
        EXPECT_EQ(dialog.List().item(7)->text().toStdString(), "8: Not Set");
        dialog.List().setCurrentRow(0);
        dialog.SelectFile();
        dialog.List().setCurrentRow(1);
        dialog.ClearBank();
        EXPECT_EQ(dialog.List().item(0)->text().toStdString(), "1: /banks/a.syx");
        EXPECT_EQ(dialog.List().item(1)->text().toStdString(), "2: Not Set");
        dialog.accept();
        return static_cast<int>(QDialog::Accepted);
    });
    page.CardBanksButton().click();
    // Nothing is stored before the settings are.
    EXPECT_EQ(synth.GetCardBank(0), "Not Set");
    page.WhichSynthButton(0).setChecked(true);
    page.BoardCombo(5).setCurrentIndex(3);
    page.Store();
    EXPECT_EQ(synth.GetCardBank(0), "/banks/a.syx");
    EXPECT_EQ(synth.GetCardBank(1), "Not Set");
    EXPECT_EQ(synth.GetWhichSynth(), 0);
    EXPECT_EQ(synth.GetBoard(5), 3);
    // The file that is not there is told at once.
    ASSERT_FALSE(ui->messages.empty());
    EXPECT_NE(ui->messages.back().find("/banks/a.syx"), std::string::npos);
    synth.SetCardBank(0, "");
    synth.SetWhichSynth(CXVSynth::XV5080);
    synth.SetBoard(5, 0);
}
