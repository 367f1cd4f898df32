// The JV/XP editors on the loopback MIDI back end: what leaves for each edit,
// byte for byte, and what the record holds after OK, Cancel and Undo.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

#include <tonalith/Commands.h>
#include <tonalith/Midi.h>
#include <tonalith/MidiBackend.h>
#include <tonalith/ui/ChooseCtrl.h>
#include <tonalith/ui/DialogRunner.h>
#include <tonalith/ui/Envctrl.h>
#include <tonalith/ui/KeyboardStrip.h>
#include <tonalith/ui/Knob.h>
#include <tonalith/ui/MidiKeyInputDlg.h>
#include <tonalith/ui/ParameterEditorDlg.h>
#include <tonalith/ui/PatchText.h>

#include "../JVTestSupport.h"
#include "JVCopyDlg.h"
#include "JVEditors.h"
#include "JVEnvelopePresetsDlg.h"
#include "JVRhythmEditor.h"
#include "../../../../framework/ui/tests/UiTestSupport.h"
#include "TestSupport.h"
#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVEffectTable.h"
#include "amberkit/JVLayers.h"
#include "amberkit/JVSynthMemory.h"
#include "amberkit/JVParameters.h"
#include "amberkit/JVRecords.h"

using namespace amberkit;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "jv_editor_tests";
    static char* argv[] = {name};
    if (!qApp) new QApplication(argc, argv);
}

void ShowTab(CParameterEditorDlg& dialog, const QString& title) {
    QTabWidget& tabs = dialog.GetTabs().Tabs();
    for (int i = 0; i < tabs.count(); ++i)
        if (tabs.tabText(i) == title) {
            tabs.setCurrentIndex(i);
            return;
        }
    FAIL() << "no tab " << title.toStdString();
}

QPushButton* FindButton(const QWidget& parent, const QString& text) {
    for (QPushButton* b : parent.findChildren<QPushButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

std::vector<std::uint8_t> Dt1(std::vector<std::uint8_t> addressAndData) {
    std::vector<std::uint8_t> out{0xF0, 0x41, 0x10, 0x6A, 0x12};
    out.insert(out.end(), addressAndData.begin(), addressAndData.end());
    out.push_back(RolandChecksum(addressAndData));
    out.push_back(0xF7);
    return out;
}

// The JV synth on output 0 of a loopback, real-time update on.
class JVEditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        m_loopback = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loopback->MakeBackend());
        m_oldOutput = synth().GetMidiOutputDevice();
        m_oldRealtime = synth().GetRealtimeUpdate();
        synth().SetMidiOutputDevice(0);
        synth().SetRealtimeUpdate(true);
    }
    void TearDown() override {
        synth().SetMidiOutputDevice(m_oldOutput);
        synth().SetRealtimeUpdate(m_oldRealtime);
        CMidi::Delete();
    }
    static CJVSynth& synth() { return CJVSynth::Get(); }
    std::vector<std::vector<std::uint8_t>> Sent() const {
        std::vector<std::uint8_t> bytes;
        for (const auto& w : m_loopback->GetWrites()) jvtest::Append(bytes, w.bytes);
        return jvtest::SplitMessages(bytes);
    }
    bool WaitForMessages(std::size_t n) {
        return tonalith::test::WaitUntil([&] { return Sent().size() >= n; });
    }

    std::shared_ptr<CMidiLoopback> m_loopback;
    jvtest::ScopedJVSettings m_settings{Generation::JV2080, 0};
    int m_oldOutput = -1;
    bool m_oldRealtime = false;
};

}  // namespace

TEST_F(JVEditorTest, EditPatchLooksAsTheUnitListsIt) {
    CJVPatch patch;
    const auto dialog = CreateEditor(patch);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->windowTitle(), "Edit Patch");
    const QTabWidget& tabs = dialog->GetTabs().Tabs();
    QStringList titles;
    for (int i = 0; i < tabs.count(); ++i) titles << tabs.tabText(i);
    EXPECT_EQ(titles, (QStringList{"Common", "Chorus / Reverb", "EFX", "Controls", "Controller 1", "Controller 2",
                                   "Controller 3", "Wave", "LFO 1", "LFO 2", "Pitch", "Pitch Envelope", "TVF",
                                   "TVF Envelope", "TVA", "TVA Envelope", "Pan / Output"}));
    QStringList multi;
    for (const QCheckBox* box : dialog->findChildren<QCheckBox*>()) multi << box->text();
    EXPECT_TRUE(multi.contains("Tone &1") && multi.contains("Tone &4") && multi.contains("&Realtime"));
}

TEST_F(JVEditorTest, MultiEditSendsOneMessagePerTickedTone) {
    CJVPatch patch;
    const auto dialog = CreateEditor(patch);
    const CParameterTable& table = dialog->GetTable();
    ShowTab(*dialog, "TVF");
    dialog->SetMultiEdit(1, true);
    dialog->SetMultiEdit(3, true);
    dialog->ChangeValue(*table.Find("tone1.cutoff"), 100);
    ASSERT_TRUE(WaitForMessages(3));
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 3u);
    const std::uint8_t blocks[] = {0x10, 0x12, 0x16};
    for (std::size_t i = 0; i < 3; ++i) {
        std::vector<std::uint8_t> expected{0xF0, 0x41, 0x10, 0x6A, 0x12, 0x03, 0x00, blocks[i], 0x51, 100};
        expected.push_back(RolandChecksum(std::span<const std::uint8_t>(expected).subspan(5)));
        expected.push_back(0xF7);
        EXPECT_EQ(sent[i], expected);
    }
    EXPECT_EQ(table.GetValue(dialog->GetWorkingPatch(), *table.Find("tone1.cutoff")), 100);
    for (const char* id : {"tone2.cutoff", "tone4.cutoff"}) {
        ASSERT_NE(dialog->FindKnob(id), nullptr) << id;
        EXPECT_EQ(dialog->FindKnob(id)->GetValue(), 100) << id;
    }
    EXPECT_NE(dialog->FindKnob("tone3.cutoff")->GetValue(), 100) << "an unticked tone keeps its value";
}

TEST_F(JVEditorTest, RealtimeOffSendsNothingButSendPatchSendsTheRecord) {
    CJVPatch patch;
    const auto dialog = CreateEditor(patch);
    const CParameterTable& table = dialog->GetTable();
    dialog->GetRealtimeBox().setChecked(false);
    EXPECT_FALSE(synth().GetRealtimeUpdate()) << "the box is the synth's setting";
    dialog->ChangeValue(*table.Find("tone2.cutoff"), 5);
    EXPECT_EQ(table.GetValue(dialog->GetWorkingPatch(), *table.Find("tone2.cutoff")), 5);
    dialog->SendPatch();
    ASSERT_TRUE(CMidi::Get().GetOutput(synth()).WaitDone(std::chrono::seconds(10)));
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 5u) << "the common and four tones, nothing else";
    const std::vector<std::uint8_t> expected = dialog->GetWorkingPatch().GetSysExData(true);
    std::vector<std::uint8_t> joined;
    for (const auto& m : sent) jvtest::Append(joined, m);
    EXPECT_EQ(joined, expected);
    EXPECT_EQ(sent[2][kHeaderSize + 0x51], 5);
}

TEST_F(JVEditorTest, PagesKeepTheirValuesAndNameTravels) {
    CJVPatch patch;
    const auto dialog = CreateEditor(patch);
    const CParameterTable& table = dialog->GetTable();
    ShowTab(*dialog, "Wave");
    dialog->ChangeValue(*table.Find("tone3.delay.time"), 77);
    ShowTab(*dialog, "Pitch");
    EXPECT_EQ(dialog->FindKnob("tone3.delay.time"), nullptr);
    ShowTab(*dialog, "Wave");
    ASSERT_NE(dialog->FindKnob("tone3.delay.time"), nullptr);
    EXPECT_EQ(dialog->FindKnob("tone3.delay.time")->GetValue(), 77);

    // A wave number of 200 goes out as two nibbles, 0C 08.
    dialog->ChangeValue(*table.Find("tone1.wave"), 200);
    ASSERT_TRUE(WaitForMessages(2));
    const auto wave = Sent()[1];
    EXPECT_EQ(std::vector<std::uint8_t>(wave.begin() + 7, wave.end() - 2),
              (std::vector<std::uint8_t>{0x10, 0x03, 0x0C, 0x08}));

    QLineEdit& name = dialog->GetNameField();
    name.setText("Bright");
    emit name.textEdited("Bright");
    ASSERT_TRUE(WaitForMessages(3));
    const auto last = Sent()[2];
    ASSERT_EQ(last.size(), 23u);
    EXPECT_EQ(std::string(last.begin() + 9, last.begin() + 21), "Bright      ");
}

TEST_F(JVEditorTest, OkThenUndoRestoresThePatchCancelLeavesIt) {
    synth().SetRealtimeUpdate(false);
    CAmberkitSynthMemory memory;
    CLayer& layer = memory.GetLayer(kUserPatchLayer);
    const std::vector<std::uint8_t> before(layer.GetPatch(0)->Data().begin(), layer.GetPatch(0)->Data().end());
    InstallEditors();
    {
        const std::unique_ptr<CPatch> edited = layer.GetPatch(0)->Clone();
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& editor = dynamic_cast<CParameterEditorDlg&>(d);
            editor.ChangeValue(*editor.GetTable().Find("tone1.cutoff"), 3);
            editor.reject();
            return int(QDialog::Rejected);
        });
        EXPECT_FALSE(edited->Edit());
        EXPECT_TRUE(std::equal(before.begin(), before.end(), edited->Data().begin()));
    }
    const std::unique_ptr<CPatch> oldPatch = layer.GetPatch(0)->Clone();
    const std::unique_ptr<CPatch> newPatch = oldPatch->Clone();
    {
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& editor = dynamic_cast<CParameterEditorDlg&>(d);
            editor.GetNameField().setText("Edited");
            editor.ChangeValue(*editor.GetTable().Find("tone1.cutoff"), 3);
            editor.accept();
            return int(QDialog::Accepted);
        });
        ASSERT_TRUE(newPatch->Edit());
    }
    SetRecordEditor(nullptr);
    CCmdManager commands(nullptr);
    auto command = std::make_unique<CEditCommand>();
    command->SetValues(layer, 0, *oldPatch, *newPatch, nullptr);
    commands.Execute(std::move(command));
    EXPECT_EQ(layer.GetPatch(0)->GetName(), "Edited      ");
    EXPECT_EQ(layer.GetPatch(0)->Data()[kPatchCommonSize + kHeaderSize + 0x51], 3);
    commands.Undo();
    const auto after = layer.GetPatch(0)->Data();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin(), after.end()));
    EXPECT_TRUE(Sent().empty()) << "real-time update off";
}

TEST_F(JVEditorTest, EnvelopePageDrawsFollowsAndTakesPresets) {
    synth().SetRealtimeUpdate(false);
    EnvelopePreset preset;
    preset.name = "Slow Pad";
    preset.times = {90, 40, 30, 100};
    preset.levels = {127, 100, 80, 0};
    const EnvelopePreset old = synth().GetEnvelopePreset(4);
    synth().SetEnvelopePreset(4, preset);
    EXPECT_EQ(synth().GetConfig().GetString("ENV_NAME4"), "Slow Pad");
    EXPECT_EQ(synth().GetConfig().GetInt("ENV_TIME4_3"), 100);

    CJVPatch patch;
    const auto dialog = CreateEditor(patch);
    const CParameterTable& table = dialog->GetTable();
    ShowTab(*dialog, "TVF Envelope");
    const auto graphics = dialog->findChildren<CEnvctrl*>();
    ASSERT_EQ(graphics.size(), 4u);
    dialog->SetMultiEdit(2, true);
    const auto choosers = dialog->findChildren<CChooseCtrl*>();
    CChooseCtrl* presets = nullptr;
    for (CChooseCtrl* c : choosers)
        if (c->count() == kEnvelopePresetCount && c->itemText(4) == "Slow Pad" && !presets) presets = c;
    ASSERT_NE(presets, nullptr);
    presets->SetSelection(4);
    emit presets->selectionChanged(4, 4);
    for (const char* tone : {"tone1.", "tone3."}) {
        EXPECT_EQ(table.GetValue(dialog->GetWorkingPatch(), *table.Find(std::string(tone) + "fenv.time1")), 90);
        EXPECT_EQ(table.GetValue(dialog->GetWorkingPatch(), *table.Find(std::string(tone) + "fenv.level3")), 80);
    }
    EXPECT_EQ(dialog->FindKnob("tone3.fenv.time4")->GetValue(), 100);
    EXPECT_EQ(graphics[0]->GetTime(0), 90);
    EXPECT_EQ(graphics[2]->GetLevel(1), 100) << "the ticked tone's graphic follows";
    EXPECT_NE(graphics[1]->GetTime(0), 90);

    // Dragging a point stores its time and level and moves the selectors.
    emit graphics[1]->pointChanged(1, 33, 44);
    EXPECT_EQ(table.GetValue(dialog->GetWorkingPatch(), *table.Find("tone2.fenv.time2")), 33);
    EXPECT_EQ(dialog->FindKnob("tone2.fenv.level2")->GetValue(), 44);
    synth().SetEnvelopePreset(4, old);
}

TEST_F(JVEditorTest, EffectPageFollowsTheType) {
    synth().SetRealtimeUpdate(false);
    CJVPatch patch;
    const auto dialog = CreateEditor(patch);
    const CParameterTable& table = dialog->GetTable();
    dialog->ChangeValue(*table.Find("efx.type"), 23);  // 24:REVERB
    ShowTab(*dialog, "EFX");
    auto visibleLabels = [&] {
        QStringList out;
        for (int i = 1; i <= kEffectSlotCount; ++i) {
            CChooseCtrl* c = dialog->FindChooser("efx.param" + std::to_string(i));
            if (c && !c->isHidden())
                out << qobject_cast<QLabel*>(c->parentWidget()->layout()->itemAt(2 * (i - 1))->widget())->text();
        }
        return out;
    };
    EXPECT_EQ(visibleLabels().size(), 8);
    dialog->ChangeValue(*table.Find("efx.type"), 1);  // 02:OVERDRIVE
    EXPECT_EQ(visibleLabels(),
              (QStringList{"Drive:", "Output Pan:", "Amp Type:", "Low Gain:", "High Gain:", "Output Level:"}));
    CChooseCtrl* pan = dialog->FindChooser("efx.param2");
    dialog->ChangeValue(*table.Find("efx.param2"), 64);
    dialog->ReloadPage();
    pan = dialog->FindChooser("efx.param2");
    EXPECT_EQ(pan->currentText(), "0");
    EXPECT_EQ(pan->itemText(0), "L64");
    EXPECT_EQ(pan->itemText(127), "R63");
}

TEST_F(JVEditorTest, PerformancePartSoundTravelsAsOneMessage) {
    CJVBoardDatabase::Get().Load(JV_DATA_DIR);
    CJVPerformance performance;
    const auto dialog = CreateEditor(performance);
    EXPECT_EQ(dialog->windowTitle(), "Performance Edit");
    const QTabWidget& tabs = dialog->GetTabs().Tabs();
    ASSERT_EQ(tabs.count(), 20);
    EXPECT_EQ(tabs.tabText(1), "Part 1");
    EXPECT_EQ(tabs.tabText(16), "Part 16");
    EXPECT_EQ(tabs.tabText(17), "Chorus/Reverb");
    ShowTab(*dialog, "Part 3");
    const CParameterTable& table = dialog->GetTable();
    // The sound numbers carry the names of the part's group (PR-A here).
    CChooseCtrl* number = dialog->FindChooser("part3.patch");
    ASSERT_NE(number, nullptr);
    const std::string second =
        CJVBoardDatabase::Get().GetName(3, CJVBoardDatabase::Section::Patch, 1, CJVBoardDatabase::Kind::Preset);
    EXPECT_EQ(number->itemText(1), tonalith::ui::FromPatchText("2: " + second).trimmed());
    number->setFocus();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QApplication::sendEvent(number, &down);  // sound 1 -> 2
    ASSERT_TRUE(WaitForMessages(1));
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    const std::vector<std::uint8_t> expected{0xF0, 0x41, 0x10, 0x6A, 0x12, 0x01, 0x00, 0x12,
                                             0x02, 0x00, 0x03, 0x00, 0x01, 0x67, 0xF7};
    EXPECT_EQ(sent[0], expected);
    EXPECT_TRUE(HasValidChecksum(sent[0]));
    EXPECT_EQ(table.GetValue(dialog->GetWorkingPatch(), *table.Find("part3.patch")), 1);
}

TEST_F(JVEditorTest, RhythmKeyListChoosesTheKeyItsPagesShowAndWhereEditsGo) {
    CJVRhythm rhythm;
    const auto dialog = CreateEditor(rhythm);
    EXPECT_EQ(dialog->windowTitle(), "Edit Rhythm");
    const QTabWidget& tabs = dialog->GetTabs().Tabs();
    ASSERT_EQ(tabs.count(), 4);
    EXPECT_EQ(tabs.tabText(2), "TVF");
    QListWidget* keys = FindRhythmKeyList(*dialog);
    ASSERT_NE(keys, nullptr);
    ASSERT_EQ(keys->count(), kRhythmKeyCount);
    EXPECT_EQ(keys->item(0)->text(), "B1");  // note 35
    EXPECT_EQ(keys->item(63)->text(), "D7");  // note 98

    ShowTab(*dialog, "TVF");
    EXPECT_NE(dialog->FindKnob("key35.cutoff"), nullptr);
    keys->setCurrentRow(5);
    EXPECT_EQ(dialog->FindKnob("key35.cutoff"), nullptr) << "the page shows one key";
    CKnob* cutoff = dialog->FindKnob("key40.cutoff");
    ASSERT_NE(cutoff, nullptr);
    emit cutoff->valueChanged(90);
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{Dt1({0x02, 0x09, 0x28, 0x1B, 90})}));
    const CParameterTable& table = dialog->GetTable();
    EXPECT_EQ(table.GetValue(dialog->GetWorkingPatch(), *table.Find("key40.cutoff")), 90);
    EXPECT_NE(table.GetValue(dialog->GetWorkingPatch(), *table.Find("key41.cutoff")), 90);

    // The envelope graphic belongs to the key shown; the last key's controls are gone.
    ShowTab(*dialog, "Pitch");
    keys->setCurrentRow(6);
    EXPECT_EQ(dialog->FindKnob("key40.penv.time1"), nullptr);
    ASSERT_NE(dialog->FindKnob("key41.penv.time1"), nullptr);
    EXPECT_EQ(dialog->findChildren<CEnvctrl*>().size(), 1u);

    // A key played chooses its row; one outside the set leaves the selection.
    QPushButton* play = FindButton(*dialog, "Pla&y Key...");
    ASSERT_NE(play, nullptr);
    for (const auto& [note, row] : {std::pair{60, 25}, std::pair{20, 25}}) {
        const tonalith::ui::ScopedDialogRunner runner([note = note](QDialog& d) {
            auto& input = dynamic_cast<CMidiKeyInputDlg&>(d);
            const QRect r = input.Keyboard().KeyRect(note);
            tonalith::test::SendMouse(input.Keyboard(), QEvent::MouseButtonPress,
                                      QPointF(r.center().x(), r.bottom() - 2), Qt::LeftButton);
            tonalith::test::SendMouse(input.Keyboard(), QEvent::MouseButtonRelease,
                                      QPointF(r.center().x(), r.bottom() - 2), Qt::NoButton);
            return input.result();
        });
        play->click();
        EXPECT_EQ(keys->currentRow(), row) << note;
    }
    EXPECT_NE(dialog->FindKnob("key60.penv.time1"), nullptr);
}

TEST_F(JVEditorTest, RhythmOkIsOneUndoableEditAndUndoRestoresIt) {
    synth().SetRealtimeUpdate(false);
    CAmberkitSynthMemory memory;
    CLayer& layer = memory.GetLayer(kUserRhythmLayer);
    const std::vector<std::uint8_t> before(layer.GetPatch(1)->Data().begin(), layer.GetPatch(1)->Data().end());
    const std::unique_ptr<CPatch> oldRhythm = layer.GetPatch(1)->Clone();
    const std::unique_ptr<CPatch> newRhythm = oldRhythm->Clone();
    InstallEditors();
    {
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& editor = dynamic_cast<CParameterEditorDlg&>(d);
            FindRhythmKeyList(editor)->setCurrentRow(63);
            ShowTab(editor, "TVA");
            emit editor.FindKnob("key98.level")->valueChanged(11);
            editor.accept();
            return int(QDialog::Accepted);
        });
        ASSERT_TRUE(newRhythm->Edit());
    }
    SetRecordEditor(nullptr);
    const std::size_t lastKeyLevel = kRhythmCommonSize + 63 * kRhythmKeySize + kHeaderSize + 0x29;
    EXPECT_EQ(newRhythm->Data()[lastKeyLevel], 11);
    CCmdManager commands(nullptr);
    auto command = std::make_unique<CEditCommand>();
    command->SetValues(layer, 1, *oldRhythm, *newRhythm, nullptr);
    commands.Execute(std::move(command));
    EXPECT_EQ(layer.GetPatch(1)->Data()[lastKeyLevel], 11);
    commands.Undo();
    const auto after = layer.GetPatch(1)->Data();
    EXPECT_TRUE(std::equal(before.begin(), before.end(), after.begin(), after.end()));
}

TEST_F(JVEditorTest, CopyToneCopiesExactlyTheToneBlockFromTheChosenPatch) {
    CAmberkitSynthMemory memory;
    CLayer& layer = memory.GetLayer(kUserPatchLayer);
    auto& source = dynamic_cast<CJVPatch&>(*layer.GetPatch(7));
    for (std::size_t i = 0; i < source.ToneData(1).size(); ++i)
        source.ToneData(1)[i] = static_cast<std::uint8_t>(i % 100);
    const std::unique_ptr<CPatch> edited = layer.GetPatch(0)->Clone();
    const auto dialog = CreateEditor(dynamic_cast<CJVRecord&>(*edited));
    const std::vector<std::uint8_t> before(dialog->GetWorkingPatch().Data().begin(),
                                           dialog->GetWorkingPatch().Data().end());
    QStringList offered;
    {
        const tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& copy = dynamic_cast<CJVCopyBlockDlg&>(d);
            for (const QListWidgetItem* item :
                 copy.findChildren<QListWidget*>().front()->findItems("*", Qt::MatchWildcard))
                offered << item->text();
            copy.SetSource(1 + 7);  // after the patch being edited: User Patch 08
            copy.SetFrom(1);
            copy.SetTo(3);
            copy.accept();
            return int(QDialog::Accepted);
        });
        ShowTab(*dialog, "TVF");
        FindButton(*dialog, "Copy &Tone")->click();
    }
    ASSERT_EQ(offered.size(), 1 + 2 * kPatchesPerLayer) << "User and Card patches";
    EXPECT_EQ(offered[8], "User Patch: 08 Init Patch") << "without the blanks that pad the name";
    const auto& work = dynamic_cast<const CJVPatch&>(dialog->GetWorkingPatch());
    EXPECT_TRUE(std::ranges::equal(work.ToneData(3), source.ToneData(1)));
    // Everything outside tone 4's data, its address included, is as it was.
    const std::size_t first = kPatchCommonSize + 3 * kPatchToneSize + kHeaderSize;
    const auto data = work.Data();
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + first, data.begin()));
    EXPECT_TRUE(std::equal(before.begin() + first + 129, before.end(), data.begin() + first + 129));
    EXPECT_EQ(dialog->FindKnob("tone4.cutoff")->GetValue(), source.ToneData(1)[0x51]) << "the page shows the copy";
    // The unit's edit area gets tone 4 whole, in one message.
    ASSERT_TRUE(WaitForMessages(1));
    const auto sent = Sent();
    ASSERT_EQ(sent.size(), 1u);
    std::vector<std::uint8_t> block{0x03, 0x00, 0x16, 0x00};
    block.insert(block.end(), source.ToneData(1).begin(), source.ToneData(1).end());
    EXPECT_EQ(sent[0], Dt1(block));
}

TEST_F(JVEditorTest, CopyPartCopiesOnePartOfThePerformanceOntoAnother) {
    synth().SetRealtimeUpdate(false);
    CJVPerformance performance;
    performance.SetPartNumber(2, 77);
    const auto dialog = CreateEditor(performance);
    EXPECT_EQ(FindButton(*dialog, "Copy &Tone"), nullptr);
    {
        const tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& copy = dynamic_cast<CJVCopyBlockDlg&>(d);
            EXPECT_EQ(copy.findChildren<QRadioButton*>().size(), 2u * kPerformancePartCount);
            copy.SetFrom(2);
            copy.SetTo(15);
            copy.accept();
            return int(QDialog::Accepted);
        });
        FindButton(*dialog, "Copy &Part")->click();
    }
    const auto& work = dynamic_cast<const CJVPerformance&>(dialog->GetWorkingPatch());
    EXPECT_EQ(work.GetPartNumber(15), 77);
    EXPECT_TRUE(std::ranges::equal(work.PartData(15), work.PartData(2)));
    EXPECT_EQ(work.Message(16)[kPosBlock], 0x1F) << "part 16 keeps its address";
    EXPECT_EQ(performance.GetPartNumber(15), CJVPerformance().GetPartNumber(15)) << "only OK stores";
}

TEST_F(JVEditorTest, EnvelopePresetsAreEditedKeptAndReadBack) {
    synth().SetRealtimeUpdate(false);
    std::vector<EnvelopePreset> old;
    for (int i = 0; i < kEnvelopePresetCount; ++i) old.push_back(synth().GetEnvelopePreset(i));
    CJVPatch patch;
    const auto dialog = CreateEditor(patch);
    ShowTab(*dialog, "TVA Envelope");
    QPushButton* edit = FindButton(*dialog, "&Edit");
    ASSERT_NE(edit, nullptr);
    const auto run = [&](bool ok) {
        const tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& presets = dynamic_cast<CJVEnvelopePresetsDlg&>(d);
            EXPECT_EQ(presets.windowTitle(), "Edit Envelope Presets");
            EXPECT_EQ(presets.GetList().count(), kEnvelopePresetCount);
            presets.GetList().setCurrentRow(2);
            presets.GetNameField().setText("Pluck");
            emit presets.GetNameField().textEdited("Pluck");
            emit presets.GetTimeKnob(0).valueChanged(12);
            emit presets.GetGraphic().pointChanged(3, 50, 7);
            EXPECT_EQ(presets.GetTimeKnob(3).GetValue(), 50) << "the knobs follow the graphic";
            EXPECT_EQ(presets.GetGraphic().GetTime(0), 12) << "the graphic follows the knobs";
            if (ok) presets.accept();
            else presets.reject();
            return presets.result();
        });
        edit->click();
    };
    synth().SetEnvelopePreset(2, EnvelopePreset{});
    run(false);
    EXPECT_EQ(synth().GetEnvelopePreset(2).name, "Preset") << "Cancel keeps nothing";
    run(true);
    const EnvelopePreset kept = synth().GetEnvelopePreset(2);
    EXPECT_EQ(kept.name, "Pluck");
    EXPECT_EQ(kept.times, (std::array<int, 4>{12, 0, 0, 50}));
    EXPECT_EQ(kept.levels, (std::array<int, 4>{0, 0, 0, 7}));
    EXPECT_EQ(synth().GetConfig().GetInt("ENV_TIME2_3"), 50);
    int named = 0;
    for (const CChooseCtrl* c : dialog->findChildren<CChooseCtrl*>())
        if (c->count() == kEnvelopePresetCount && c->itemText(2) == "Pluck") ++named;
    EXPECT_EQ(named, kPatchToneCount) << "every tone's preset list shows the new name";
    // A new dialog reads them back.
    CJVEnvelopePresetsDlg again;
    EXPECT_EQ(again.GetList().item(2)->text(), "Pluck");
    again.GetList().setCurrentRow(2);
    EXPECT_EQ(again.GetTimeKnob(3).GetValue(), 50);
    EXPECT_EQ(again.GetLevelKnob(3).GetValue(), 7);
    for (int i = 0; i < kEnvelopePresetCount; ++i) synth().SetEnvelopePreset(i, old[static_cast<std::size_t>(i)]);
}

TEST_F(JVEditorTest, SystemEditIsOnePageOfGroupsSendingToTheSystemArea) {
    CJVSystem system;
    const auto dialog = CreateEditor(system);
    EXPECT_EQ(dialog->windowTitle(), "System Edit");
    EXPECT_EQ(dialog->GetTabs().Tabs().count(), 1);
    EXPECT_FALSE(dialog->GetNameField().isEnabled());
    QStringList groups;
    for (const QGroupBox* box : dialog->findChildren<QGroupBox*>()) groups << box->title();
    EXPECT_EQ(groups, (QStringList{"Tune", "Effects", "Setup", "Midi", "Control Source"}));
    // The system control sources: the 64 controllers the unit offers, by name where they have one.
    CChooseCtrl* source = dialog->FindChooser("sysctrl1.source");
    ASSERT_NE(source, nullptr);
    ASSERT_EQ(source->count(), 64);
    EXPECT_EQ(source->itemText(0), "CC01:MODULATION");
    EXPECT_EQ(source->itemText(5), "CC07:VOLUME") << "CC06 is not offered";
    EXPECT_EQ(source->itemText(30), "CC64:HOLD-1");
    EXPECT_EQ(source->itemText(63), "97:AFTERTOUCH");
    EXPECT_EQ(source->currentText(), "97:AFTERTOUCH") << "the initial system";
    EXPECT_EQ(dialog->FindChooser("sysctrl2.source")->currentText(), "CC02:BREATH");
    EXPECT_TRUE(Sent().empty()) << "building the list sends nothing";
    CKnob* tune = dialog->FindKnob("mastertune");
    ASSERT_NE(tune, nullptr);
    emit tune->valueChanged(70);
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{Dt1({0x00, 0x00, 0x00, 0x06, 70})}));
}

TEST_F(JVEditorTest, NumbersCarryTheNamesOfTheGroupChosen) {
    synth().SetRealtimeUpdate(false);
    CJVBoardDatabase::Get().Load(JV_DATA_DIR);
    const CJVBoardDatabase& db = CJVBoardDatabase::Get();
    const auto name = [&](int group, CJVBoardDatabase::Section section, int i) {
        return tonalith::ui::FromPatchText(db.GetName(group, section, i, CJVBoardDatabase::Kind::Preset)).trimmed();
    };
    CJVPatch patch;
    const auto dialog = CreateEditor(patch);
    const CParameterTable& table = dialog->GetTable();
    ShowTab(*dialog, "Wave");
    CChooseCtrl* wave = dialog->FindChooser("tone2.wave");
    ASSERT_NE(wave, nullptr);
    EXPECT_EQ(wave->count(), 255);
    EXPECT_EQ(wave->itemText(0), "1: " + name(3, CJVBoardDatabase::Section::Wave, 0)) << "INT-A";
    // Another group: its names, and bare numbers past its list.
    dialog->ChangeValue(*table.Find("tone2.wave.group.id"), 2);
    wave = dialog->FindChooser("tone2.wave");
    EXPECT_EQ(wave->itemText(0), "1: " + name(4, CJVBoardDatabase::Section::Wave, 0)) << "INT-B";
    const int length = db.GetListLength(4, CJVBoardDatabase::Section::Wave, CJVBoardDatabase::Kind::Preset);
    EXPECT_EQ(wave->itemText(length), QString::number(length + 1));

    // User sounds of a performance are this bank's records; part 10 names rhythm sets.
    CAmberkitSynthMemory memory;
    memory.GetLayer(kUserPatchLayer).GetPatch(4)->SetName("Warm Strings");
    memory.GetLayer(kUserRhythmLayer).GetPatch(1)->SetName("Jazz Kit");
    const std::unique_ptr<CPatch> performance = memory.GetLayer(kUserPerformanceLayer).GetPatch(0)->Clone();
    const auto perf = CreateEditor(dynamic_cast<CJVRecord&>(*performance));
    const CParameterTable& parts = perf->GetTable();
    for (const char* part : {"part1.", "part10."}) {
        perf->StoreValue(*parts.Find(std::string(part) + "group.type"), 0);
        perf->StoreValue(*parts.Find(std::string(part) + "group.id"), 1);
    }
    ShowTab(*perf, "Part 1");
    EXPECT_EQ(perf->FindChooser("part1.patch")->itemText(4), "5: Warm Strings");
    ShowTab(*perf, "Part 10");
    EXPECT_EQ(perf->FindChooser("part10.patch")->itemText(1), "2: Jazz Kit");
    EXPECT_EQ(perf->FindChooser("part10.patch")->itemText(2), "3") << "a bank holds two rhythm sets";
}

TEST_F(JVEditorTest, MixPageHasAStripPerPartAndMuteStopsItsReceiving) {
    CJVPerformance performance;
    const auto dialog = CreateEditor(performance);
    const QTabWidget& tabs = dialog->GetTabs().Tabs();
    EXPECT_EQ(tabs.tabText(tabs.count() - 1), "Mix");
    ShowTab(*dialog, "Common");
    EXPECT_NE(dialog->FindKnob("part16.reserve"), nullptr) << "voice reserve per part is common";
    ShowTab(*dialog, "Mix");
    for (const char* id : {"part1.level", "part16.reverb.send", "part16.chorus.send", "part16.output.level"})
        EXPECT_NE(dialog->FindKnob(id), nullptr) << id;
    EXPECT_NE(dialog->FindChooser("part9.pan"), nullptr);
    auto* mute = dialog->findChild<QCheckBox*>("part4.receive");
    ASSERT_NE(mute, nullptr);
    EXPECT_FALSE(mute->isChecked());
    mute->setChecked(true);
    ASSERT_TRUE(WaitForMessages(1));
    EXPECT_EQ(Sent(), (std::vector<std::vector<std::uint8_t>>{Dt1({0x01, 0x00, 0x13, 0x00, 0x00})}));
    ShowTab(*dialog, "Part 4");
    EXPECT_EQ(dialog->FindChooser("part4.receive")->currentText(), "OFF");
}
