// The Virtual Synth panel and the setup page, offscreen, with what leaves for
// the unit observed on the loopback MIDI port.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <map>

#include <tonalith/Midi.h>
#include <tonalith/MidiBackend.h>
#include <tonalith/ui/Knob.h>

#include "../JVTestSupport.h"
#include "JVSetupPage.h"
#include "JVVirtualSynthDlg.h"
#include "TestSupport.h"
#include "amberkit/JVBoardDatabase.h"
#include "amberkit/JVVirtualSynth.h"

using namespace amberkit;
using Bytes = std::vector<std::uint8_t>;

namespace {

void EnsureApp() {
    static int argc = 1;
    static char name[] = "jv_vsynth_tests";
    static char* argv[] = {name};
    if (!qApp) new QApplication(argc, argv);
}

CJVSynth& Synth() { return CJVSynth::Get(); }

// The JV synth on output 0 of a loopback, real-time update off: the panel
// plays whatever the editors' switch says.
class JVVirtualSynthTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        m_loopback = CMidiLoopback::Create(1);
        CMidi::Get().SetBackend(m_loopback->MakeBackend());
        Synth().SetMidiOutputDevice(0);
        Synth().SetRealtimeUpdate(false);
    }
    void TearDown() override {
        Synth().SetMidiOutputDevice(m_oldOutput);
        Synth().SetRealtimeUpdate(m_oldRealtime);
        CMidi::Delete();
    }
    std::vector<Bytes> Sent() const {
        Bytes bytes;
        for (const auto& w : m_loopback->GetWrites()) jvtest::Append(bytes, w.bytes);
        return jvtest::SplitMessages(bytes);
    }
    std::vector<Bytes> TakeSent(std::size_t n) {
        EXPECT_TRUE(tonalith::test::WaitUntil([&] { return Sent().size() >= n; })) << "waiting for " << n;
        EXPECT_TRUE(CMidi::Get().GetOutput(Synth()).WaitDone(std::chrono::seconds(5)));
        auto sent = Sent();
        m_loopback->ClearWrites();
        return sent;
    }

    jvtest::ScopedJVSettings m_settings{Generation::JV2080, 2};
    int m_oldOutput = Synth().GetMidiOutputDevice();
    bool m_oldRealtime = Synth().GetRealtimeUpdate();
    std::shared_ptr<CMidiLoopback> m_loopback;
};

}  // namespace

TEST_F(JVVirtualSynthTest, OpeningSendsThePatchAndAKnobItsTemplateOnBothTones) {
    CJVBoardDatabase::Get().Load(JV_DATA_DIR);
    CJVVirtualSynthDlg dialog(Synth());
    EXPECT_EQ(dialog.windowTitle(), "The Virtual Analog JV/XP");
    const auto opened = TakeSent(5);
    Bytes image;
    for (const Bytes& m : opened) jvtest::Append(image, m);
    EXPECT_EQ(opened.size(), 5u);
    EXPECT_EQ(image, vsynth::PatchImage(Generation::JV2080, 0x12));
    EXPECT_EQ(std::string(opened[0].begin() + 9, opened[0].begin() + 21), "VirtualSynth");

    CKnob* resonance = dialog.GetKnob("filter.resonance");
    ASSERT_NE(resonance, nullptr);
    EXPECT_EQ(resonance->GetMaximum(), 127);
    resonance->setFocus();
    QTest::keyClick(resonance, Qt::Key_End);
    const auto sent = TakeSent(2);
    ASSERT_EQ(sent.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        const Bytes head{0xF0, 0x41, 0x12, 0x6A, 0x12, 0x03, 0x00, static_cast<std::uint8_t>(0x10 + 2 * i), 0x53, 127};
        EXPECT_TRUE(std::equal(head.begin(), head.end(), sent[i].begin()));
        EXPECT_EQ(sent[i].size(), 12u);
        EXPECT_TRUE(HasValidChecksum(sent[i]));
    }
    CKnob* coarse = dialog.GetKnob("osc2.coarse");
    EXPECT_EQ(coarse->GetValueText(), "0");
    EXPECT_EQ(coarse->GetMinimum(), 0);
    EXPECT_EQ(coarse->GetMaximum(), 96);
    CKnob* wave = dialog.GetKnob("osc1.wave");
    EXPECT_EQ(wave->GetValueText().toStdString(),
              CJVBoardDatabase::Get().GetName(3, CJVBoardDatabase::Section::Wave, 0, CJVBoardDatabase::Kind::Preset));
    EXPECT_EQ(wave->GetMaximum(), 254);
}

TEST_F(JVVirtualSynthTest, AKnobDraggedOnABusyCableSendsItsNewestValueNotABacklog) {
    CJVVirtualSynthDlg dialog(Synth());
    TakeSent(5);
    m_loopback->SetBlocked(true);
    for (int v = 1; v <= 100; ++v) dialog.Moved("lfo1.rate", v);
    m_loopback->SetBlocked(false);
    // The newest value of each tone, by tone block.
    const auto last = [&] {
        std::map<int, int> value;
        for (const Bytes& m : Sent()) value[m[7]] = m[9];
        return value;
    };
    ASSERT_TRUE(tonalith::test::WaitUntil([&] { return last() == std::map<int, int>{{0x10, 100}, {0x12, 100}}; }));
    EXPECT_TRUE(CMidi::Get().GetOutput(Synth()).WaitDone(std::chrono::seconds(5)));
    EXPECT_LE(Sent().size(), 4u) << "changes made while the cable was busy replaced one another";
}

TEST_F(JVVirtualSynthTest, InitSendsThePatchAgainAndPutsTheKnobsBack) {
    CJVVirtualSynthDlg dialog(Synth());
    TakeSent(5);
    CKnob* cutoff = dialog.GetKnob("filter.cutoff");
    cutoff->setFocus();
    QTest::keyClick(cutoff, Qt::Key_Home);
    EXPECT_EQ(cutoff->GetValue(), 0);
    TakeSent(2);
    dialog.Init();
    const auto sent = TakeSent(5);
    EXPECT_EQ(sent.size(), 5u);
    EXPECT_EQ(cutoff->GetValue(), 127) << "the patch's cutoff";
}

// ---------------------------------------------------------------- setup page

namespace {

// Keeps the JV settings the page changes and puts them back.
class JVSetupPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApp();
        m_loopback = CMidiLoopback::Create(1);
        CMidi::Get().SetBackend(m_loopback->MakeBackend());
        CJVBoardDatabase::Get().Load(JV_DATA_DIR);
        for (int slot = 0; slot < kBoardSlotCount; ++slot)
            m_boards[static_cast<std::size_t>(slot)] = Synth().GetBoard(slot);
    }
    void TearDown() override {
        for (int slot = 0; slot < kBoardSlotCount; ++slot)
            Synth().SetBoard(slot, m_boards[static_cast<std::size_t>(slot)]);
        Synth().SetPcmCard(m_pcm);
        CMidi::Delete();
    }
    static std::unique_ptr<CJVSetupPage> LoadedPage() {
        auto page = std::make_unique<CJVSetupPage>(Synth());
        page->Load();
        return page;
    }

    jvtest::ScopedJVSettings m_settings{Generation::JV2080, 0};
    std::array<int, kBoardSlotCount> m_boards{};
    int m_pcm = Synth().GetPcmCard();
    std::shared_ptr<CMidiLoopback> m_loopback;
};

}  // namespace

TEST_F(JVSetupPageTest, StoresAndReloadsEverySetting) {
    {
        const std::unique_ptr<CSettingsTemplateDlg> registered(
            tonalith::ui::CreateSettingsPage("Roland JV/XP", Synth(), nullptr));
        EXPECT_NE(dynamic_cast<CJVSetupPage*>(registered.get()), nullptr) << "the settings dialog shows this page";
    }
    {
        const auto page = LoadedPage();
        QStringList groups;
        for (const QGroupBox* box : page->findChildren<QGroupBox*>()) groups << box->title();
        EXPECT_TRUE(groups.contains("Main") && groups.contains("Which synth to use") && groups.contains("Expansions"));
        EXPECT_EQ(page->WhichSynthButton(3).text(), "XP-30");
        QComboBox& board = page->BoardCombo(0);
        EXPECT_EQ(board.itemText(0), "None");
        EXPECT_EQ(board.count(), 1 + static_cast<int>(CJVBoardDatabase::Get().GetInstalledBoards().size()))
            << "only boards with name files";
        EXPECT_EQ(page->PcmCardCombo().count(), 9);

        page->WhichSynthButton(2).setChecked(true);
        EXPECT_FALSE(page->BoardCombo(4).isEnabled()) << "boards 5..8 are the JV-2080's";
        page->WhichSynthButton(1).setChecked(true);
        EXPECT_TRUE(page->BoardCombo(7).isEnabled());
        page->DeviceIdSpin().setValue(20);
        page->BoardCombo(0).setCurrentIndex(page->BoardCombo(0).findData(4));
        page->BoardCombo(7).setCurrentIndex(page->BoardCombo(7).findData(19));
        page->PcmCardCombo().setCurrentIndex(3);
        page->Store();
    }
    EXPECT_EQ(Synth().GetDeviceId(), 3);
    EXPECT_EQ(Synth().GetDeviceByte(), 0x13);
    EXPECT_EQ(Synth().GetBoard(0), 4);
    EXPECT_EQ(Synth().GetBoard(1), 0);
    EXPECT_EQ(Synth().GetBoard(7), 19);
    EXPECT_EQ(Synth().GetPcmCard(), 3);

    Synth().SetWhichSynth(Generation::XP30);
    Synth().SetBoard(2, 77);  // set by hand, no name file
    const auto page = LoadedPage();
    EXPECT_TRUE(page->WhichSynthButton(3).isChecked());
    EXPECT_EQ(page->DeviceIdSpin().value(), 20);
    EXPECT_EQ(page->BoardCombo(0).currentData().toInt(), 4);
    EXPECT_EQ(page->BoardCombo(7).currentData().toInt(), 19);
    EXPECT_EQ(page->BoardCombo(2).currentData().toInt(), 77);
    EXPECT_EQ(page->PcmCardCombo().currentIndex(), 3);
    page->Store();
    EXPECT_EQ(Synth().GetBoard(2), 77) << "storing the page keeps a board it cannot name";
    EXPECT_EQ(Synth().GetWhichSynth(), Generation::XP30);
}

TEST_F(JVSetupPageTest, RefusesADeviceIdTheUnitsCannotTake) {
    auto page = LoadedPage();
    QSpinBox& id = page->DeviceIdSpin();
    EXPECT_EQ(id.minimum(), 17);
    EXPECT_EQ(id.maximum(), 32);
    EXPECT_TRUE(id.suffix().contains("17-32"));
    id.setValue(25);
    id.findChild<QLineEdit*>()->selectAll();
    QTest::keyClicks(&id, "40");
    id.interpretText();
    EXPECT_LE(id.value(), 32);
    page->Store();
    EXPECT_GE(Synth().GetDeviceId(), 0);
    EXPECT_LE(Synth().GetDeviceId(), 15);

    Synth().SetDeviceId(40);  // an old settings file
    page = LoadedPage();
    EXPECT_EQ(page->DeviceIdSpin().value(), 17) << "shown as the ID its messages carry";
    page->Store();
    EXPECT_EQ(Synth().GetDeviceId(), 0);
}
