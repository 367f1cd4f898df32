// The editors and the Virtual Synth, offscreen, with what they send observed on
// the loopback MIDI port.
#include <gtest/gtest.h>

#include <algorithm>

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "Commands.h"
#include "Layer.h"
#include "Midi.h"
#include "MidiBackend.h"
#include "TestSupport.h"
#include "Ui.h"
#include "editors/EmberkitDrumDlg.h"
#include "editors/EmberkitEditorDlg.h"
#include "editors/EmberkitEditors.h"
#include "editors/VirtualAnalogDlg.h"
#include "model/EmberkitEditing.h"
#include "model/EmberkitFormat.h"
#include "model/EmberkitParameters.h"
#include "model/EmberkitPatches.h"
#include "model/EmberkitSynth.h"
#include "model/EmberkitSynthMemory.h"
#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/Knob.h"
#include "tonalith/ui/TabPage.h"

using namespace std::chrono_literals;
using namespace emberkit;
using Bytes = std::vector<std::uint8_t>;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "korg_editor_tests";
    static char* argv[] = {name};
    if (!qApp) new QApplication(argc, argv);
}

class EmberkitEditors : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        CMidi::Delete();
        m_loop = CMidiLoopback::Create(1);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
        m_synth.GetConfig().SetReadOnly(true);
        m_synth.SetMidiOutputDevice(0);
        m_synth.SetRealtimeUpdate(true);
        InstallEditors();
    }
    void TearDown() override {
        SetEditors({});
        m_synth.SetMidiOutputDevice(-1);
        CMidi::Delete();
    }
    std::vector<Bytes> Sent() {
        EXPECT_TRUE(CMidi::Get().GetOutput(m_synth).WaitDone(5s));
        // Whole messages, however the output cut them into writes.
        std::vector<Bytes> messages;
        Bytes pending;
        for (const auto& write : m_loop->GetWrites()) {
            pending.insert(pending.end(), write.bytes.begin(), write.bytes.end());
            if (!pending.empty() && pending.back() == kSysExEnd)
                messages.push_back(std::move(pending)), pending.clear();
        }
        m_loop->ClearWrites();
        return messages;
    }
    static void ShowTab(CTabbedEditor& tabs, const QString& title) {
        for (int i = 0; i < tabs.Tabs().count(); ++i)
            if (tabs.Tabs().tabText(i) == title) tabs.Tabs().setCurrentIndex(i);
    }

    CScopedScriptedUi m_ui;
    CEmberkitSynth& m_synth = CEmberkitSynth::Get();
    std::shared_ptr<CMidiLoopback> m_loop;
    CEmberkitSynthMemory m_memory;
};

TEST_F(EmberkitEditors, ProgramCutoffGoesLiveAndOkIsOneUndoableEdit) {
    CLayer& programs = m_memory.GetLayer(kProgramLayer);
    programs.GetPatch(5)->Data()[50] = 85;  // VDF 1 cutoff
    const Bytes before(programs.GetPatch(5)->Data().begin(), programs.GetPatch(5)->Data().end());
    const std::unique_ptr<CPatch> oldPatch = programs.GetPatch(5)->Clone();
    const std::unique_ptr<CPatch> newPatch = programs.GetPatch(5)->Clone();
    QStringList pages;
    {
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& editor = dynamic_cast<CEmberkitEditorDlg&>(d);
            EXPECT_EQ(editor.windowTitle(), "Edit Program");
            for (int i = 0; i < editor.GetTabs().Tabs().count(); ++i) pages << editor.GetTabs().Tabs().tabText(i);
            ShowTab(editor.GetTabs(), "Page 2: VDF 1");
            CKnob* cutoff = editor.FindKnob("vdf1.cutoff");
            EXPECT_NE(cutoff, nullptr);
            if (!cutoff) return int(QDialog::Rejected);
            EXPECT_EQ(cutoff->GetValue(), 85);
            QTest::keyClick(cutoff, Qt::Key_Down);
            editor.accept();
            return int(QDialog::Accepted);
        });
        ASSERT_TRUE(newPatch->Edit());
    }
    EXPECT_EQ(pages.size(), 9);
    EXPECT_EQ(pages.value(8), "Page 8: Effect");
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x02, 0x00, 0x00, 84, 0x00, 0xF7}));
    EXPECT_EQ(newPatch->Data()[50], 84);

    CCmdManager commands(nullptr);
    auto edit = std::make_unique<CEditCommand>();
    edit->SetValues(programs, 5, *oldPatch, *newPatch, nullptr);
    commands.Execute(std::move(edit));
    EXPECT_EQ(programs.GetPatch(5)->Data()[50], 84);
    commands.Undo();
    const Bytes after(programs.GetPatch(5)->Data().begin(), programs.GetPatch(5)->Data().end());
    EXPECT_EQ(after, before);
}

TEST_F(EmberkitEditors, CancelLeavesTheProgramAndTheNameFieldNamesIt) {
    CEmberkitProgram program;
    CEmberkitEditorDlg dialog(program);
    EXPECT_EQ(dialog.GetNameField().text(), "Init Prog ");
    dialog.GetNameField().setText("Changed");
    dialog.ChangeValue(*program.GetParameterTable()->Find("osc1.level"), 10);
    dialog.reject();
    EXPECT_EQ(program.GetName(), "Init Prog ");
    EXPECT_EQ(program.Data()[63], 99);
}

TEST_F(EmberkitEditors, EffectPageShowsTheTypesLabelsAndHidesUnusedParameters) {
    CEmberkitProgram program;
    CEmberkitEditorDlg dialog(program);
    ShowTab(dialog.GetTabs(), "Page 8: Effect");
    CChooseCtrl* type = dialog.FindChooser("fx1.type");
    ASSERT_NE(type, nullptr);
    EXPECT_EQ(type->count(), 48);
    EXPECT_EQ(dialog.FindKnob("fx1.param1"), nullptr) << "no effect: no parameters";
    EXPECT_EQ(dialog.FindChooser("fx1.modsource")->itemText(1), "JS(+Y)");

    type->SetSelection(1);
    emit type->selectionChanged(1, 1);
    EXPECT_EQ(dialog.GetShownLabel("fx1.param1"), "Reverb Time:");
    EXPECT_EQ(dialog.GetShownLabel("fx1.param7"), "Parameter 7:") << "unpublished: the raw number";
    ASSERT_NE(dialog.FindKnob("fx1.param7"), nullptr);
    EXPECT_EQ(dialog.FindKnob("fx1.param7")->GetMaximum(), 255);
    EXPECT_EQ(
        program.GetParameterTable()->GetValue(dialog.GetWorkingPatch(), *program.GetParameterTable()->Find("fx1.type")),
        1);
    // Back to no effect: the parameters' controls are gone, not left registered.
    type->SetSelection(0);
    emit type->selectionChanged(0, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(dialog.FindKnob("fx1.param7"), nullptr);
    EXPECT_EQ(dialog.GetShownLabel("fx1.param1"), "");
    Sent();
}

TEST_F(EmberkitEditors, CombinationTimbresAreLabelledWithTheirPrograms) {
    m_memory.GetLayer(kProgramLayer).GetPatch(103)->SetName("Solo Phase");
    auto& combination = static_cast<CEmberkitCombination&>(*m_memory.GetLayer(kCombinationLayer).GetPatch(0));
    combination.SetTimbreProgram(1, 103);
    CEmberkitEditorDlg dialog(combination);
    EXPECT_EQ(dialog.windowTitle(), "Edit Combination");
    ASSERT_EQ(dialog.GetTabs().Tabs().count(), 5);
    dialog.GetTabs().Tabs().setCurrentIndex(1);
    EXPECT_EQ(dialog.GroupTitle("Timbre 2", 1), "Timbre 2: B03 Solo Phase");
    ASSERT_NE(dialog.FindChooser("timbre2.detune"), nullptr);
}

// Multi Edit offers the oscillators of a program and the timbres of a
// combination; a change reaches every ticked one as its own parameter change.
TEST_F(EmberkitEditors, MultiEditSendsTheChangeToEachTickedTargetAndOkThenUndoRestores) {
    CLayer& programs = m_memory.GetLayer(kProgramLayer);
    const CParameterTable& table = *programs.GetPatch(7)->GetParameterTable();
    const CParameter& cutoff1 = *table.Find("vdf1.cutoff");
    const CParameter& cutoff2 = *table.Find("vdf2.cutoff");
    const CParameter& voiceMode = *table.Find("voicemode");
    const Bytes before(programs.GetPatch(7)->Data().begin(), programs.GetPatch(7)->Data().end());
    const std::unique_ptr<CPatch> oldPatch = programs.GetPatch(7)->Clone();
    const std::unique_ptr<CPatch> newPatch = programs.GetPatch(7)->Clone();
    QStringList boxes;
    {
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& editor = dynamic_cast<CEmberkitEditorDlg&>(d);
            for (const QCheckBox* box : editor.findChildren<QCheckBox*>()) boxes << box->text();
            editor.SetMultiEdit(1, true);
            ShowTab(editor.GetTabs(), "Page 2: VDF 1");
            editor.ChangeValue(cutoff1, 40);
            // A common parameter has no sibling to reach.
            editor.ChangeValue(voiceMode, 1);
            editor.accept();
            return int(QDialog::Accepted);
        });
        ASSERT_TRUE(newPatch->Edit());
    }
    EXPECT_TRUE(boxes.contains("OSC &1") && boxes.contains("OSC &2")) << boxes.join(", ").toStdString();
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x02, 0x00, 0x00, 40, 0x00, 0xF7}));
    EXPECT_EQ(sent[1], (Bytes{0xF0, 0x42, 0x30, 0x2B, 0x41, 0x03, 0x00, 0x00, 40, 0x00, 0xF7}));
    EXPECT_EQ(sent[2], table.BuildLiveMessage(*newPatch, voiceMode));
    EXPECT_EQ(table.GetValue(*newPatch, cutoff1), 40);
    EXPECT_EQ(table.GetValue(*newPatch, cutoff2), 40);

    CCmdManager commands(nullptr);
    auto edit = std::make_unique<CEditCommand>();
    edit->SetValues(programs, 7, *oldPatch, *newPatch, nullptr);
    commands.Execute(std::move(edit));
    EXPECT_EQ(table.GetValue(*programs.GetPatch(7), cutoff2), 40);
    commands.Undo();
    const Bytes after(programs.GetPatch(7)->Data().begin(), programs.GetPatch(7)->Data().end());
    EXPECT_EQ(after, before);

    // Timbres: 1 changed with 3 and 8 ticked.
    CPatch& combination = *m_memory.GetLayer(kCombinationLayer).GetPatch(0);
    const CParameterTable& timbres = *combination.GetParameterTable();
    CEmberkitEditorDlg dialog(static_cast<CEmberkitPatch&>(combination));
    dialog.SetMultiEdit(2, true);
    dialog.SetMultiEdit(7, true);
    dialog.ChangeValue(*timbres.Find("timbre1.level"), 77);
    dialog.accept();  // waits for the live messages
    const auto timbreSent = Sent();
    ASSERT_EQ(timbreSent.size(), 3u);
    for (const char* id : {"timbre1.level", "timbre3.level", "timbre8.level"}) {
        EXPECT_EQ(timbres.GetValue(combination, *timbres.Find(id)), 77) << id;
        const Bytes expected = timbres.BuildLiveMessage(combination, *timbres.Find(id));
        EXPECT_EQ(std::count(timbreSent.begin(), timbreSent.end(), expected), 1) << id;
        ASSERT_EQ(expected.size(), 11u);
        EXPECT_EQ(expected[4], 0x41);
        EXPECT_EQ(expected[8], 77);
    }
}

// With real-time update off an edit sends nothing; "Send Patch" still sends the
// edited record, byte for byte, to the edit buffer (no write request).
TEST_F(EmberkitEditors, SendPatchSendsTheEditedRecordEvenWithRealtimeOff) {
    CEmberkitProgram program;
    CEmberkitEditorDlg dialog(program);
    dialog.GetRealtimeBox().setChecked(false);
    dialog.ChangeValue(*program.GetParameterTable()->Find("vdf1.cutoff"), 12);
    dialog.GetNameField().setText("Sent Prog");
    EXPECT_TRUE(Sent().empty());
    const auto buttons = dialog.findChildren<QPushButton*>();
    const auto send = std::find_if(buttons.begin(), buttons.end(), [](auto* b) { return b->text() == "&Send Patch"; });
    ASSERT_NE(send, buttons.end());
    (*send)->click();
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    CEmberkitProgram expected;
    expected.SetName("Sent Prog");
    expected.Data()[50] = 12;
    EXPECT_EQ(sent[0], BuildSingleDump(kProgramDump, expected.Data(), 1));
    EXPECT_EQ(sent[0].size(), 203u);
    dialog.reject();
    EXPECT_EQ(program.Data()[50], CEmberkitProgram().Data()[50]) << "sending is not storing";
}

TEST_F(EmberkitEditors, DrumEditAsksForTheSlotAndWritesThere) {
    CLayer& kits = m_memory.GetLayer(kDrumLayer);
    std::unique_ptr<CPatch> edited = kits.GetPatch(1)->Clone();
    int slotQuestions = 0;
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        if (auto* slot = dynamic_cast<CDrumSlotDlg*>(&d)) {
            ++slotQuestions;
            slot->findChild<QPushButton*>("B0")->click();
            return slot->result();
        }
        auto& editor = dynamic_cast<CEmberkitDrumDlg&>(d);
        EXPECT_EQ(editor.windowTitle(), "Edit Drum - Drum Kit");
        EXPECT_EQ(editor.GetInstruments().count(), 60);
        editor.GetInstruments().setCurrentRow(3);
        CChooseCtrl* tune = editor.GetField("tune");
        tune->SelectByValue(-10);
        emit tune->selectionChanged(tune->GetSelection(), -10);
        CChooseCtrl* sound = editor.GetField("sound");
        emit sound->selectionChanged(5, 5);
        EXPECT_TRUE(editor.GetInstruments().item(3)->text().startsWith("03: 005"));
        editor.accept();
        EXPECT_EQ(editor.GetWrittenSlot(), 2);
        return int(QDialog::Accepted);
    });
    ASSERT_TRUE(edited->Edit());
    EXPECT_EQ(slotQuestions, 1);
    EXPECT_EQ(edited->Data()[7 * 3 + 3], 0xF6);
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0], static_cast<CEmberkitDrumKit&>(*edited).BuildDumpIntoSlot(2, 1));
    EXPECT_EQ(sent[0][4], kDrumKitsDump);
}

TEST_F(EmberkitEditors, GlobalIsShownOnly) {
    CEmberkitGlobal& global = static_cast<CEmberkitGlobal&>(*m_memory.GetLayer(kGlobalLayer).GetPatch(0));
    global.Data()[0] = 0xFB;  // -5 cents
    global.Data()[7] = 3;
    QString tune;
    QString scale;
    tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        auto& dialog = dynamic_cast<CEmberkitGlobalDlg&>(d);
        tune = dialog.GetShownValue("Master Tune:");
        scale = dialog.GetShownValue("User Scale:");
        return int(QDialog::Accepted);
    });
    EXPECT_FALSE(global.Edit());
    EXPECT_EQ(tune, "-5");
    EXPECT_TRUE(scale.startsWith("C: +3")) << scale.toStdString();
}

TEST_F(EmberkitEditors, VirtualSynthSendsTemplatesAndFollowsNearbyControllers) {
    CVirtualAnalogDlg dialog(m_synth);
    dialog.Moved(3000, 64);
    auto sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    Bytes both = sent[0];
    both.insert(both.end(), sent[1].begin(), sent[1].end());
    EXPECT_EQ(both, vsynth::FillTemplate(vsynth::FindControl(3000)->text, 64));

    dialog.Moved(3018, 30);
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0][8], 69);
    EXPECT_EQ(sent[1][8], 30);

    dialog.show();
    QApplication::setActiveWindow(&dialog);
    CKnob* env = dialog.GetKnob(3002);  // Filter: Env, right after Cutoff
    CKnob* cutoff = dialog.GetKnob(3000);
    ASSERT_TRUE(env && cutoff);
    env->SetValue(40);
    cutoff->setFocus();
    const int first = CMidi::Get().GetRemoteController();
    dialog.OnController(first + 1, 60);
    EXPECT_EQ(dialog.focusWidget(), env);
    EXPECT_EQ(env->GetValue(), 40) << "too far from the knob";
    EXPECT_TRUE(Sent().empty());
    dialog.OnController(first, 48);
    EXPECT_EQ(env->GetValue(), 48);
    sent = Sent();
    ASSERT_EQ(sent.size(), 2u);  // both filters
    EXPECT_EQ(sent[0][8], 48);

    // The filter-mode selector is shown, disabled, and controllers step over it.
    ASSERT_NE(dialog.GetFilterMode(), nullptr);
    EXPECT_FALSE(dialog.GetFilterMode()->isEnabled());
    EXPECT_FALSE(dialog.GetFilterMode()->parentWidget()->toolTip().isEmpty());
    dialog.OnController(first + 1, 0);
    EXPECT_EQ(dialog.focusWidget(), dialog.GetSelector(3040));
    EXPECT_TRUE(Sent().empty());

    dialog.Init();
    sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].size(), 203u);
    EXPECT_EQ(env->GetValue(), 0);
    EXPECT_EQ(cutoff->GetValue(), 99);
}

}  // namespace
