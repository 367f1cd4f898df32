// Key names and the key-input dialog: a click on the keyboard, a note from the
// synth's input or from a remote keyboard gives the key; Escape cancels.
#include <gtest/gtest.h>

#include <QTest>

#include <thread>

#include "Midi.h"
#include "MidiBackend.h"
#include "Synth.h"
#include "UiTestSupport.h"
#include "tonalith/ui/DialogRunner.h"
#include "tonalith/ui/KeyNames.h"
#include "tonalith/ui/KeyboardStrip.h"
#include "tonalith/ui/MidiKeyInputDlg.h"
#include "tonalith/ui/RemoteMidi.h"

using namespace tonalith::test;
using tonalith::ui::KeyName;
using tonalith::ui::ParseKeyName;

TEST(KeyNames, RunFromCMinusOneToG9WithMiddleCAsC4) {
    EXPECT_EQ(KeyName(0), "C-1");
    EXPECT_EQ(KeyName(42), "F#2");
    EXPECT_EQ(KeyName(60), "C4");
    EXPECT_EQ(KeyName(61), "C#4");
    EXPECT_EQ(KeyName(127), "G9");
    EXPECT_EQ(KeyName(-1), "");
    EXPECT_EQ(KeyName(128), "");
    for (int note = 0; note < 128; ++note) EXPECT_EQ(ParseKeyName(KeyName(note)), note) << note;
    EXPECT_EQ(ParseKeyName("db4"), 61);
    EXPECT_EQ(ParseKeyName("Bb-1"), 10);
    EXPECT_EQ(ParseKeyName("c4"), 60);
    for (const char* bad : {"", "C", "H4", "C10", "G#9", "Cb-1", "C4x", "C#", "4", "C--1", "B#9"})
        EXPECT_EQ(ParseKeyName(bad), std::nullopt) << bad;
}

namespace {

class KeyInputTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { EnsureApp(); }
    void SetUp() override {
        CMidi::Delete();
        m_loop = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
        CMidi::Get().SetDispatcher(m_queue.Dispatcher());
    }
    void TearDown() override { CMidi::Delete(); }

    std::shared_ptr<CMidiLoopback> m_loop;
    CMidiEventQueue m_queue;
};

void Click(CKeyboardStrip& keys, QPoint at) {
    SendMouse(keys, QEvent::MouseButtonPress, at, Qt::LeftButton);
    SendMouse(keys, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

}  // namespace

TEST_F(KeyInputTest, AClickOnTheKeyboardGivesTheKey) {
    for (int note : {42, 61, 0, 127}) {  // white and black keys, both ends
        CMidiKeyInputDlg dialog(nullptr);
        const tonalith::ui::ScopedDialogRunner runner([note](QDialog& d) {
            auto& dlg = dynamic_cast<CMidiKeyInputDlg&>(d);
            CKeyboardStrip& keys = dlg.Keyboard();
            const QRect r = keys.KeyRect(note);
            // Low in a white key, beside any black key lying on top of it.
            Click(keys, QPoint(r.center().x(), r.bottom() - 2));
            return dlg.result();
        });
        EXPECT_EQ(tonalith::ui::RunDialog(dialog), QDialog::Accepted);
        EXPECT_EQ(dialog.GetKey(), note);
        EXPECT_EQ(dialog.GetKeyName().toStdString(), KeyName(note));
    }
}

TEST_F(KeyInputTest, EveryKeyOfTheStripIsFoundWhereItIsDrawn) {
    CKeyboardStrip keys;
    for (int note = 0; note < 128; ++note) {
        const QRect r = keys.KeyRect(note);
        EXPECT_EQ(keys.KeyAt(QPointF(r.center().x(), r.top() + 2)), note) << note;
    }
    EXPECT_EQ(keys.KeyAt(QPointF(-5, 5)), -1);
    EXPECT_EQ(keys.KeyAt(QPointF(keys.sizeHint().width() + 5, 5)), -1);
}

TEST_F(KeyInputTest, KeysMoveAndEnterTakesTheCurrentKeyEscapeCancels) {
    CMidiKeyInputDlg dialog(nullptr, 60);
    CKeyboardStrip& keys = dialog.Keyboard();
    QTest::keyClick(&keys, Qt::Key_Right);
    QTest::keyClick(&keys, Qt::Key_Down);
    EXPECT_EQ(dialog.GetKeyName(), "C#3");
    QTest::keyClick(&keys, Qt::Key_Return);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    CMidiKeyInputDlg cancelled(nullptr, 60);
    QTest::keyClick(&cancelled, Qt::Key_Escape);
    EXPECT_EQ(cancelled.result(), QDialog::Rejected);
}

TEST_F(KeyInputTest, ANoteOnTheSynthsInputGivesTheKey) {
    CSynth synth("KeyInputTest.ini");
    const std::vector<std::string> ports = m_loop->GetInputPortNames();
    synth.SetMidiInputDevice(1, ports.at(1));
    CMidiKeyInputDlg dialog(&synth);
    CMidiInput& input = CMidi::Get().GetInput(synth);
    EXPECT_TRUE(input.IsOpen());
    const tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        // A note-off (note-on of velocity 0) and a controller first: neither chooses.
        const std::uint8_t bytes[] = {0x90, 0x3C, 0x00, 0xB0, 0x07, 0x64, 0x91, 42, 0x50};
        m_loop->Inject(1, bytes);
        for (int i = 0; i < 200 && d.result() == 0; ++i) m_queue.Pump(std::chrono::milliseconds(50));
        return d.result();
    });
    EXPECT_EQ(tonalith::ui::RunDialog(dialog), QDialog::Accepted);
    EXPECT_EQ(dialog.GetKeyName(), "F#2");
    EXPECT_FALSE(input.IsOpen());  // opened for the dialog, closed after it
}

TEST_F(KeyInputTest, AnInputTheProgramUsesStaysOpen) {
    CSynth synth("KeyInputTest.ini");
    synth.SetMidiInputDevice(0);
    CMidiInput& input = CMidi::Get().GetInput(synth);
    ASSERT_TRUE(input.Start());
    {
        CMidiKeyInputDlg dialog(&synth);
        dialog.reject();
    }
    EXPECT_TRUE(input.IsOpen());
}

TEST_F(KeyInputTest, ANoteFromARemoteKeyboardGivesTheKeyOnAnyThread) {
    CMidiKeyInputDlg dialog(nullptr);
    const tonalith::ui::ScopedDialogRunner runner([&](QDialog& d) {
        tonalith::ui::RemoteShortListeners().Notify(0x0040E0, 0x0040E0);  // bender: ignored
        EXPECT_EQ(d.result(), 0);
        // From a MIDI thread: passed to the dialog's thread.
        std::thread([] { tonalith::ui::RemoteShortListeners().Notify(0x507F92, 0x507F92); }).join();
        for (int i = 0; i < 200 && d.result() == 0; ++i) QTest::qWait(10);
        return d.result();
    });
    EXPECT_EQ(tonalith::ui::RunDialog(dialog), QDialog::Accepted);
    EXPECT_EQ(dialog.GetKeyName(), "G9");
    // Once it has its key, the dialog no longer listens.
    EXPECT_FALSE(tonalith::ui::RemoteShortListeners().Contains(&dialog));
}
