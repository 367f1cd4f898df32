// The editor built from a parameter table: controls per parameter, Multi Edit,
// live messages, OK and Cancel.
#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QTabWidget>

#include <tonalith/Parameters.h>
#include <tonalith/Patch.h>
#include <tonalith/Synth.h>
#include <tonalith/Ui.h>

#include "UiTestSupport.h"
#include "tonalith/ui/ChooseCtrl.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/Knob.h"
#include "tonalith/ui/ParameterEditorDlg.h"
#include "tonalith/ui/QtUi.h"
#include "tonalith/ui/TabPage.h"

namespace {

const GUID kType{0x7777};

// A name of 4 characters, then a common byte, then two tones of 4 bytes.
class Voice : public CPatch {
public:
    explicit Voice(const CParameterTable* table = nullptr) : CPatch("Voice", 4, 13, 0), m_table(table) {
        SetName("Init");
    }
    const GUID& GetPatchType() const override { return kType; }
    void Init() override {}
    std::unique_ptr<CPatch> Clone() const override { return std::make_unique<Voice>(*this); }
    std::vector<std::uint8_t> GetSysExData(bool) const override { return {}; }
    const CParameterTable* GetParameterTable() const override { return m_table; }

private:
    const CParameterTable* m_table;
};

// Real-time update on and no output: messages are built, nothing leaves.
class EditorSynth : public CSynth {
public:
    EditorSynth() : CSynth("ParameterEditorTest.ini") { SetRealtimeUpdate(true); }
};

class VoiceTable : public CParameterTable {
public:
    VoiceTable() {
        std::vector<CParameter> all;
        CParameter level;
        level.id = level.baseId = "level";
        level.caption = "Level";
        level.page = "Common";
        level.offset = 4;
        all.push_back(level);
        for (int tone = 0; tone < 2; ++tone) {
            CParameter cutoff;
            cutoff.id = "tone" + std::to_string(tone + 1) + ".cutoff";
            cutoff.baseId = "cutoff";
            cutoff.caption = "Cutoff";
            cutoff.page = "Filter";
            cutoff.group = "Tone " + std::to_string(tone + 1);
            cutoff.instance = tone;
            cutoff.block = 1 + tone;
            all.push_back(cutoff);
            CParameter type = cutoff;
            type.id = "tone" + std::to_string(tone + 1) + ".type";
            type.baseId = "type";
            type.caption = "Filter Type";
            type.offset = 1;
            type.maximum = 2;
            type.texts = {"OFF", "LPF", "HPF"};
            all.push_back(type);
        }
        SetParameters(std::move(all));
    }
    std::size_t DataIndex(const CParameter& p) const override {
        return p.block == 0 ? static_cast<std::size_t>(p.offset) : 5 + 4 * (p.block - 1) + p.offset;
    }
    std::vector<std::uint8_t> BuildLiveMessage(const CPatch& patch, const CParameter& p) const override {
        built.push_back(p.id + "=" + std::to_string(GetValue(patch, p)));
        return {};
    }
    CSynth* GetSynth() const override { return &synth; }
    mutable std::vector<std::string> built;
    mutable EditorSynth synth;
};

void Press(QWidget& w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(&w, &press);
}

}  // namespace

TEST(ParameterEditor, PagesFromTheTableAndMultiEdit) {
    tonalith::test::EnsureApp();
    Voice voice;
    VoiceTable table;
    CParameterEditorDlg dialog(voice, table);
    QTabWidget& tabs = dialog.GetTabs().Tabs();
    ASSERT_EQ(tabs.count(), 2);
    EXPECT_EQ(tabs.tabText(1), "Filter");
    ASSERT_NE(dialog.FindKnob("level"), nullptr);
    EXPECT_EQ(dialog.FindKnob("tone1.cutoff"), nullptr) << "only the shown page has controls";

    tabs.setCurrentIndex(1);
    CKnob* cutoff1 = dialog.FindKnob("tone1.cutoff");
    ASSERT_NE(cutoff1, nullptr);
    ASSERT_NE(dialog.FindChooser("tone2.type"), nullptr);

    dialog.SetMultiEdit(1, true);
    Press(*cutoff1, Qt::Key_Up);
    EXPECT_EQ(table.GetValue(dialog.GetWorkingPatch(), *table.Find("tone1.cutoff")), 1);
    EXPECT_EQ(table.GetValue(dialog.GetWorkingPatch(), *table.Find("tone2.cutoff")), 1);
    EXPECT_EQ(dialog.FindKnob("tone2.cutoff")->GetValue(), 1) << "the ticked tone's control follows";
    EXPECT_EQ(table.built, (std::vector<std::string>{"tone1.cutoff=1", "tone2.cutoff=1"}));

    dialog.SetMultiEdit(1, false);
    dialog.FindChooser("tone1.type")->SelectByValue(0);
    dialog.ChangeValue(*table.Find("tone1.type"), 2);
    EXPECT_EQ(table.GetValue(dialog.GetWorkingPatch(), *table.Find("tone2.type")), 0);

    // Leaving the page and coming back shows what was set.
    tabs.setCurrentIndex(0);
    tabs.setCurrentIndex(1);
    EXPECT_EQ(dialog.FindKnob("tone1.cutoff")->GetValue(), 1);
    EXPECT_EQ(voice.Data()[5], 0) << "nothing reaches the patch before OK";
}

TEST(ParameterEditor, OkKeepsTheChangesCancelDropsThem) {
    tonalith::test::EnsureApp();
    VoiceTable table;
    Voice voice(&table);
    auto previous = CUi::Install(std::make_unique<tonalith::ui::CQtUi>());
    CUi& ui = CUi::Get();
    {
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& editor = dynamic_cast<CParameterEditorDlg&>(d);
            editor.ChangeValue(*table.Find("level"), 99);
            editor.accept();
            return int(QDialog::Accepted);
        });
        EXPECT_TRUE(voice.Edit()) << "a patch with a table opens the table's editor";
    }
    EXPECT_EQ(voice.Data()[4], 99);
    {
        tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
            auto& editor = dynamic_cast<CParameterEditorDlg&>(d);
            editor.ChangeValue(*table.Find("level"), 3);
            editor.reject();
            return int(QDialog::Rejected);
        });
        EXPECT_FALSE(ui.EditParameters(voice, table));
    }
    EXPECT_EQ(voice.Data()[4], 99);
    EXPECT_EQ(voice.GetName(), "Init");
    CUi::Install(std::move(previous));
}
