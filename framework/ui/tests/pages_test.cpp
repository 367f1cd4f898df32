// Tab pages live only while shown and hand their values on through the record;
// a plug-in's settings page reuses the device block and replaces the built page.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include "Midi.h"
#include "MidiBackend.h"
#include "Synth.h"
#include "UiTestSupport.h"
#include "tonalith/ui/Knob.h"
#include "tonalith/ui/SettingsTemplateDlg.h"
#include "tonalith/ui/TabPage.h"

using namespace tonalith::test;

namespace {

struct Record {
    int cutoff = 10;
    int resonance = 20;
};

struct PageLog {
    int made = 0;
    int alive = 0;
    int cancelled = 0;
    std::vector<std::pair<int, int>> controllers;
};

// A page with one knob bound to one field of the record.
class CKnobPage final : public CTabPage {
public:
    CKnobPage(Record& record, int Record::*field, PageLog& log) : m_record(record), m_field(field), m_log(log) {
        ++m_log.made;
        ++m_log.alive;
    }
    ~CKnobPage() override { --m_log.alive; }
    void Create(QWidget* parent) override {
        m_knob = new CKnob("Value", 0, 127, 0, parent);
        (new QVBoxLayout(parent))->addWidget(m_knob);
        m_knob->SetValue(m_record.*m_field);
    }
    void OnOK() override { m_record.*m_field = m_knob->GetValue(); }
    void OnCancel() override { ++m_log.cancelled; }
    void OnMidiController(int controller, int value) override {
        m_log.controllers.emplace_back(controller, value);
        m_knob->SetValue(value);
    }
    CKnob& Knob() const { return *m_knob; }

private:
    Record& m_record;
    int Record::*m_field;
    PageLog& m_log;
    CKnob* m_knob = nullptr;
};

class PagesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApp(); }
};

}  // namespace

TEST_F(PagesTest, OnlyTheShownTabHasAPageAndLeavingStoresIt) {
    Record record;
    PageLog log;
    QTabWidget tabs;
    auto* editor = new CTabbedEditor(tabs);  // owned by tabs
    int created = 0;
    QObject::connect(editor, &CTabbedEditor::pageCreated, [&](int) { ++created; });
    editor->AddPage("TVF", [&] { return std::make_unique<CKnobPage>(record, &Record::cutoff, log); });
    editor->AddPage("Reso", [&] { return std::make_unique<CKnobPage>(record, &Record::resonance, log); });
    editor->AddPage("Empty", [] { return std::unique_ptr<CTabPage>(); });  // a factory may make nothing
    EXPECT_EQ(log.made, 1);  // the first tab only
    EXPECT_EQ(created, 1);
    auto* page = dynamic_cast<CKnobPage*>(editor->GetCurrentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Knob().GetValue(), 10);
    page->Knob().SetValue(99);

    tabs.setCurrentIndex(1);
    EXPECT_EQ(record.cutoff, 99);  // stored on leaving
    EXPECT_EQ(log.alive, 1);  // the old page is gone
    EXPECT_EQ(log.made, 2);
    EXPECT_EQ(tabs.widget(0)->findChildren<CKnob*>().size(), 0);  // and so are its widgets
    page = dynamic_cast<CKnobPage*>(editor->GetCurrentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Knob().GetValue(), 20);

    // Remote controllers reach the shown page only.
    editor->OnMidiNotify(MIDI_CONTROLLER, 74, 33);
    ASSERT_EQ(log.controllers.size(), 1u);
    EXPECT_EQ(log.controllers[0], std::make_pair(74, 33));

    tabs.setCurrentIndex(2);
    EXPECT_EQ(record.resonance, 33);
    EXPECT_EQ(log.alive, 0);
    EXPECT_EQ(editor->GetCurrentPage(), nullptr);
    editor->OnOK();  // nothing shown: nothing to do
    editor->OnMidiController(1, 1);

    tabs.setCurrentIndex(0);
    page = dynamic_cast<CKnobPage*>(editor->GetCurrentPage());
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->Knob().GetValue(), 99);  // what was stored comes back
    EXPECT_EQ(log.alive, 1);
    EXPECT_EQ(created, 3);

    editor->OnCancel();
    EXPECT_EQ(log.cancelled, 1);
    page->Knob().SetValue(5);
    editor->OnOK();
    EXPECT_EQ(record.cutoff, 5);
}

TEST_F(PagesTest, ThePageDiesWithItsTabWidget) {
    Record record;
    PageLog log;
    {
        QTabWidget tabs;
        auto* editor = new CTabbedEditor(tabs);
        editor->AddPage("TVF", [&] { return std::make_unique<CKnobPage>(record, &Record::cutoff, log); });
        EXPECT_EQ(log.alive, 1);
    }
    EXPECT_EQ(log.alive, 0);
    EXPECT_EQ(record.cutoff, 10);  // destroyed without OK: nothing stored
}

namespace {

// A synth whose dump requests carry its channel, like the plug-ins' synths.
class CChannelSynth final : public CSynth {
public:
    CChannelSynth() : CSynth("PagesTest.ini") {}
    void RefreshDumpCommands() override { refreshedChannel = GetConfig().GetInt("CHANNEL", 0); }
    int refreshedChannel = -1;
};

// A plug-in's page: the device block and a channel of its own.
class CChannelPage final : public CSettingsTemplateDlg {
public:
    CChannelPage(CSynth& synth, QWidget* parent) : CSettingsTemplateDlg(synth, parent), m_channel(new QSpinBox(this)) {
        m_channel->setRange(1, 16);
        PageLayout().addWidget(m_channel);
        SetDeviceIdRange(0, 31, 17);
    }
    QSpinBox& Channel() const { return *m_channel; }

protected:
    void LoadSettings(CSynth& synth) override { m_channel->setValue(synth.GetConfig().GetInt("CHANNEL", 1)); }
    void StoreSettings(CSynth& synth) override { synth.GetConfig().PutInt("CHANNEL", m_channel->value()); }

private:
    QSpinBox* m_channel;
};

class SettingsPageTest : public PagesTest {
protected:
    void SetUp() override {
        CMidi::Delete();
        m_loop = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
    }
    void TearDown() override { CMidi::Delete(); }
    std::shared_ptr<CMidiLoopback> m_loop;
};

}  // namespace

TEST_F(SettingsPageTest, ADerivedPageLoadsAndStoresTheDeviceBlockAndItsOwnSettings) {
    CChannelSynth synth;
    const std::vector<std::string> ports = m_loop->GetInputPortNames();
    ASSERT_EQ(ports.size(), 2u);
    synth.SetMidiInputDevice(1, ports[1]);
    synth.SetMidiOutputDevice(7, "Gone Interface");  // not connected now
    synth.SetDeviceId(16);
    synth.SetRealtimeUpdate(false);
    synth.GetConfig().PutInt("CHANNEL", 5);

    QWidget parent;
    CChannelPage page(synth, &parent);
    page.Load();
    EXPECT_EQ(page.InputCombo().currentText().toStdString(), ports[1]);
    EXPECT_TRUE(page.OutputCombo().currentText().contains("(absent)"));
    EXPECT_EQ(page.DeviceIdSpin().value(), 33);  // ID 16 shown as the panel does
    EXPECT_FALSE(page.RealtimeCheck().isChecked());
    EXPECT_EQ(page.Channel().value(), 5);

    page.InputCombo().setCurrentIndex(0);  // (none)
    page.DeviceIdSpin().setValue(17);
    page.RealtimeCheck().setChecked(true);
    page.Channel().setValue(9);
    synth.refreshedChannel = -1;
    page.Store();
    EXPECT_EQ(synth.GetMidiInputDevice(), -1);
    EXPECT_EQ(synth.GetMidiOutputDevice(), 7);  // the absent device is kept, with its name
    EXPECT_EQ(synth.GetMidiOutputDeviceName(), "Gone Interface");
    EXPECT_EQ(synth.GetDeviceId(), 0);
    EXPECT_TRUE(synth.GetRealtimeUpdate());
    EXPECT_EQ(synth.GetConfig().GetInt("CHANNEL", 0), 9);
    EXPECT_EQ(synth.refreshedChannel, 9);  // the requests were rebuilt after the page's own settings
}

TEST_F(SettingsPageTest, ARegisteredPageReplacesTheBuiltOneWhileItsRegistrationLives) {
    CChannelSynth synth;
    QWidget parent;
    EXPECT_EQ(tonalith::ui::CreateSettingsPage("Channel Synth", synth, &parent), nullptr);
    {
        const tonalith::ui::CSettingsPageRegistration registration(
            "Channel Synth", [](CSynth& s, QWidget* p) { return new CChannelPage(s, p); });
        CSettingsTemplateDlg* page = tonalith::ui::CreateSettingsPage("Channel Synth", synth, &parent);
        ASSERT_NE(page, nullptr);
        EXPECT_NE(dynamic_cast<CChannelPage*>(page), nullptr);
        EXPECT_EQ(page->parentWidget(), &parent);
        EXPECT_EQ(tonalith::ui::CreateSettingsPage("Other Synth", synth, &parent), nullptr);
        {
            const tonalith::ui::CSettingsPageRegistration later(
                "Channel Synth", [](CSynth& s, QWidget* p) { return new CSettingsTemplateDlg(s, p); });
            page = tonalith::ui::CreateSettingsPage("Channel Synth", synth, &parent);
            EXPECT_EQ(dynamic_cast<CChannelPage*>(page), nullptr);  // the latest wins
        }
        page = tonalith::ui::CreateSettingsPage("Channel Synth", synth, &parent);
        EXPECT_NE(dynamic_cast<CChannelPage*>(page), nullptr);  // and the earlier one returns
    }
    EXPECT_EQ(tonalith::ui::CreateSettingsPage("Channel Synth", synth, &parent), nullptr);
}
