// The piano keyboard window: notes from the mouse and the computer keyboard, and
// the MIDI file player, on the loopback MIDI system through the main frame.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QMdiArea>
#include <QTest>

#include <algorithm>
#include <filesystem>

#include "AppConfig.h"
#include "BankView.h"
#include "MainFrame.h"
#include "MidiBackend.h"
#include "PianoKeyboard.h"
#include "PianoKeyboardWnd.h"
#include "ShellTestSupport.h"
#include "StringTable.h"
#include "Synth.h"
#include "SynthMemory.h"
#include "TestSupport.h"
#include "Ui.h"

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using tonalith::test::WaitUntil;

namespace {

// The window test below plays A, #, ö and the messages on channel 10.
TEST(PianoKeys, HitTestAndKeyMap) {
    using namespace piano;
    const CGeometry g = CGeometry::ForSize(700, 140);  // white keys 20 wide, black ones 12 wide, 87 high
    EXPECT_EQ(g.whiteKeys, 36);
    // The second white key: its lower half is D, its upper left edge C#.
    EXPECT_EQ(kLowestNote + g.HitTest(30, 120), 38);
    EXPECT_EQ(kLowestNote + g.HitTest(21, 10), 37);
    EXPECT_EQ(g.HitTest(39, 10), 3);  // upper right edge: D#
    EXPECT_EQ(g.HitTest(1, 10), 0);  // C has no black key on its left
    EXPECT_EQ(g.HitTest(59, 10), 4);  // nor E on its right
    EXPECT_EQ(g.HitTest(61, 10), 5);  // nor F on its left
    EXPECT_EQ(g.HitTest(155, 10), 13);  // the next octave's C#, from either side
    EXPECT_EQ(g.HitTest(161, 10), 13);
    EXPECT_EQ(g.HitTest(10, 140), -1);
    EXPECT_EQ(CGeometry::ForSize(100, 5).HitTest(1, 1), -1);  // too low for a key

    EXPECT_EQ(KeyMapPosition('w'), 1);
    EXPECT_EQ(KeyMapPosition('\xC4'), 17);  // Ä
    EXPECT_EQ(KeyMapPosition('\xE4'), 17);  // ä
    EXPECT_EQ(KeyMapPosition('Q'), -1);
}

// A format 0 file at 120 beats a minute, 96 ticks a beat: the events as
// (delta ticks, bytes).
Bytes Smf(const std::vector<std::pair<int, Bytes>>& events) {
    Bytes track;
    for (const auto& [delta, bytes] : events) {
        if (delta >= 128) track.push_back(static_cast<std::uint8_t>(0x80 | delta >> 7));
        track.push_back(static_cast<std::uint8_t>(delta & 0x7F));
        track.insert(track.end(), bytes.begin(), bytes.end());
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});
    Bytes file{'M',
               'T',
               'h',
               'd',
               0,
               0,
               0,
               6,
               0,
               0,
               0,
               1,
               0,
               96,
               'M',
               'T',
               'r',
               'k',
               0,
               0,
               static_cast<std::uint8_t>(track.size() >> 8),
               static_cast<std::uint8_t>(track.size())};
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

class PianoTest : public CShellFixture {
protected:
    void SetUp() override {
        CShellFixture::SetUp();
        m_loop = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
        m_dir = tonalith::test::TempDir();
    }
    void TearDown() override {
        if (m_generic) m_generic->SetMidiOutputDevice(m_oldOutput);
    }

    // A generic bank whose synth plays on loopback output 0, active in the frame.
    void OpenBank(CMainFrame& frame) {
        tonalith::test::WriteFile(m_dir / "bank.syx", {0xF0, 0x43, 0x01, 0xF7});
        ASSERT_NE(frame.OpenDocumentFile((m_dir / "bank.syx").string()), nullptr);
        m_generic = CSynthMemoryFactory::Get().GetGenericMemory().GetSynth();
        m_oldOutput = m_generic->GetMidiOutputDevice();
        m_generic->SetMidiOutputDevice(0);
    }

    // The short messages written to output 0 since the last call, three bytes each.
    std::vector<Bytes> Sent() {
        std::vector<Bytes> sent;
        for (const auto& write : m_loop->GetWrites())
            if (write.port == 0) sent.push_back(write.bytes);
        m_loop->ClearWrites();
        return sent;
    }
    bool WaitForWrites(std::size_t n) {
        return WaitUntil([&] {
            std::size_t count = 0;
            for (const auto& write : m_loop->GetWrites()) count += write.port == 0;
            return count >= n;
        });
    }

    std::shared_ptr<CMidiLoopback> m_loop;
    fs::path m_dir;
    CSynth* m_generic = nullptr;
    int m_oldOutput = -1;
};

TEST_F(PianoTest, MouseAndComputerKeysPlayOnTheActiveBanksOutput) {
    CMainFrame frame;
    OpenBank(frame);
    CPianoKeyboardWnd& piano = frame.PianoKeyboard();
    frame.PianoKeyboardAction().trigger();
    ASSERT_TRUE(piano.isVisible());
    EXPECT_TRUE(frame.PianoKeyboardAction().isChecked());
    EXPECT_EQ(piano.windowTitle(), "Piano Keyboard");
    piano.resize(700, 200);
    QApplication::processEvents();
    CPianoKeys& keys = piano.Keys();
    const piano::CGeometry& g = keys.Geometry();
    ASSERT_GT(g.whiteWidth, 4);

    // Press on the second white key, drag onto the third, release.
    const int low = g.whiteHeight - 2;
    QTest::mousePress(&keys, Qt::LeftButton, {}, QPoint(g.whiteWidth + g.whiteWidth / 2, low));
    QMouseEvent move(QEvent::MouseMove, QPointF(2 * g.whiteWidth + g.whiteWidth / 2, low),
                     keys.mapToGlobal(QPointF(0, 0)), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&keys, &move);
    EXPECT_EQ(keys.GetSounding(), 4);
    QTest::mouseRelease(&keys, Qt::LeftButton, {}, QPoint(2 * g.whiteWidth + g.whiteWidth / 2, low));
    ASSERT_TRUE(WaitForWrites(4));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x90, 38, 96}, {0x90, 38, 0}, {0x90, 40, 96}, {0x90, 40, 0}}));
    EXPECT_EQ(keys.GetSounding(), -1);

    // Keys: A is middle C on channel 10; a held key does not retrigger; # is the twentieth.
    piano.ChannelCombo().setCurrentIndex(9);
    QTest::keyPress(&piano, Qt::Key_A, {}, -1);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a", true);
    QApplication::sendEvent(&piano, &repeat);
    QTest::keyRelease(&piano, Qt::Key_A);
    QTest::keyClick(&piano, Qt::Key_NumberSign, {}, -1);
    QKeyEvent umlaut(QEvent::KeyPress, Qt::Key_Odiaeresis, Qt::NoModifier, QString(QChar(0xF6)));
    QApplication::sendEvent(&piano, &umlaut);
    EXPECT_EQ(keys.GetSounding(), 24 + 16);
    ASSERT_TRUE(WaitForWrites(5));
    EXPECT_EQ(Sent(),
              (std::vector<Bytes>{{0x99, 60, 96}, {0x99, 60, 0}, {0x99, 79, 96}, {0x99, 79, 0}, {0x99, 76, 96}}));

    // Escape hides the window; the held note ends with it.
    QTest::keyClick(&piano, Qt::Key_Escape);
    EXPECT_FALSE(piano.isVisible());
    EXPECT_FALSE(frame.PianoKeyboardAction().isChecked());
    ASSERT_TRUE(WaitForWrites(1));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x99, 76, 0}}));
}

TEST_F(PianoTest, PlayerStopsAndPausesWithNotesOffAndNamesBadFiles) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    CPianoKeyboardWnd& piano = frame.PianoKeyboard();
    EXPECT_FALSE(piano.PlayAction().isEnabled());
    EXPECT_FALSE(piano.StopAction().isEnabled());

    // Not a MIDI file: the message says so and names it.
    tonalith::test::WriteFile(m_dir / "notes.mid", {'R', 'I', 'F', 'F', 0, 0, 0, 0});
    ui->files.push_back((m_dir / "notes.mid").string());
    piano.OnOpen();
    ASSERT_EQ(ui->messages.size(), 1u);
    EXPECT_EQ(ui->messages[0].rfind(CStringTable::Get(62005), 0), 0u) << ui->messages[0];
    EXPECT_NE(ui->messages[0].find("notes.mid"), std::string::npos) << ui->messages[0];
    EXPECT_EQ(piano.FileText().text(), "File: ");
    EXPECT_FALSE(piano.PlayAction().isEnabled());

    // A note held for ten seconds on channel 3, and a controller.
    tonalith::test::WriteFile(m_dir / "long.mid",
                              Smf({{0, {0xB2, 7, 100}}, {0, {0x92, 64, 90}}, {1920, {0x82, 64, 0}}}));
    ui->files.push_back((m_dir / "long.mid").string());
    piano.OnOpen();
    EXPECT_EQ(piano.FileText().text(), "File: long.mid");
    EXPECT_TRUE(piano.PlayAction().isEnabled());
    piano.OnPlay();  // no bank open
    ASSERT_EQ(ui->messages.size(), 2u);
    EXPECT_EQ(ui->messages[1], CStringTable::Get(62007));

    OpenBank(frame);
    piano.OnPlay();
    EXPECT_EQ(piano.Player().GetState(), CSmfFilePlayer::Playing);
    EXPECT_FALSE(piano.PlayAction().isEnabled());
    EXPECT_TRUE(piano.PauseAction().isEnabled());
    EXPECT_TRUE(piano.PositionText().text().contains("/ 0:10.0"));
    ASSERT_TRUE(WaitForWrites(2));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0xB2, 7, 100}, {0x92, 64, 90}}));

    const std::vector<Bytes> silence{{0x82, 64, 0}, {0xB2, 64, 0}, {0xB2, 123, 0}};
    piano.OnPause();
    EXPECT_TRUE(piano.PlayAction().isEnabled());
    EXPECT_FALSE(piano.PauseAction().isEnabled());
    ASSERT_TRUE(WaitForWrites(3));
    EXPECT_EQ(Sent(), silence);

    piano.OnPlay();  // goes on where it paused: nothing more to send yet
    EXPECT_EQ(piano.Player().GetState(), CSmfFilePlayer::Playing);
    piano.Stop();
    EXPECT_EQ(piano.Player().GetState(), CSmfFilePlayer::Stopped);
    EXPECT_FALSE(piano.StopAction().isEnabled());
    ASSERT_TRUE(WaitForWrites(2));
    // The player's own note off came at the pause; the stop still ends what may hang.
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0xB2, 64, 0}, {0xB2, 123, 0}}));

    // The file is remembered for the next start.
    frame.SaveLayout();
    EXPECT_EQ(CAppConfig::Get().GetString("MidiFile"), (m_dir / "long.mid").string());
    EXPECT_FALSE(CAppConfig::Get().m_pianoKeyboardActive);
}

TEST_F(PianoTest, WriteAndClosingTheBankStopTheFile) {
    CScopedScriptedUi ui;
    CMainFrame frame;
    OpenBank(frame);
    CPianoKeyboardWnd& piano = frame.PianoKeyboard();
    tonalith::test::WriteFile(m_dir / "long.mid", Smf({{0, {0x90, 64, 90}}, {1920, {0x80, 64, 0}}}));
    ui->files.push_back((m_dir / "long.mid").string());
    piano.OnOpen();
    const auto playAndWait = [&] {
        piano.OnPlay();
        ASSERT_TRUE(WaitUntil([&] {
            const auto writes = m_loop->GetWrites();
            return std::any_of(writes.begin(), writes.end(), [](const auto& w) {
                return w.bytes == Bytes{0x90, 64, 90};
            });
        }));
        Sent();
    };
    playAndWait();
    ui->answers.push_back(true);  // write the patch
    frame.ActiveBankView()->OnWrite();
    EXPECT_EQ(piano.Player().GetState(), CSmfFilePlayer::Stopped);
    // The stop's notes-off and the written patch travel on their own; both must be
    // out before the next play, or they would count as the close's.
    ASSERT_TRUE(WaitUntil([&] {
        const auto writes = m_loop->GetWrites();
        const auto has = [&](const Bytes& bytes) {
            return std::any_of(writes.begin(), writes.end(), [&](const auto& w) { return w.bytes == bytes; });
        };
        return has({0xB0, 123, 0}) && has({0xF0, 0x43, 0x01, 0xF7});
    }));
    Sent();

    playAndWait();
    frame.MdiArea().closeAllSubWindows();
    EXPECT_EQ(piano.Player().GetState(), CSmfFilePlayer::Stopped);
    ASSERT_TRUE(WaitForWrites(3));
    EXPECT_EQ(Sent(), (std::vector<Bytes>{{0x80, 64, 0}, {0xB0, 64, 0}, {0xB0, 123, 0}}));
}

TEST_F(PianoTest, PlaysAFieldFileThroughAPauseToItsEnd) {
    TONALITH_FIELD_DATA_OR_SKIP(field);
    CScopedScriptedUi ui;
    CMainFrame frame;
    OpenBank(frame);
    ui->messages.clear();  // the bank is raw SysEx
    CPianoKeyboardWnd& piano = frame.PianoKeyboard();
    ui->files.push_back((field / "midi" / "test-c-major-scale.mid").string());
    piano.OnOpen();
    piano.OnPlay();
    ASSERT_TRUE(WaitForWrites(1));
    piano.OnPause();
    piano.OnPlay();
    ASSERT_TRUE(
        WaitUntil([&] { return piano.Player().GetState() == CSmfFilePlayer::Stopped; }, std::chrono::seconds(20)));
    // The window sees the end by itself and offers Play again.
    EXPECT_TRUE(WaitUntil([&] {
        QApplication::processEvents();
        return piano.PlayAction().isEnabled() && !piano.PauseAction().isEnabled();
    }));
    ASSERT_TRUE(WaitForWrites(16 + 3));
    // What the pause sent to end the sounding note is set apart.
    std::vector<Bytes> played, silence;
    for (const Bytes& m : Sent()) ((m[0] & 0xF0) == 0xB0 || m == Bytes{0x80, 0x3C, 0} ? silence : played).push_back(m);
    std::vector<Bytes> expected;
    for (const std::uint8_t note : {0x3C, 0x3E, 0x40, 0x41, 0x43, 0x45, 0x47, 0x48})
        expected.insert(expected.end(), {{0x90, note, 0x7F}, {0x80, note, 0x40}});
    EXPECT_EQ(played, expected);
    EXPECT_EQ(silence, (std::vector<Bytes>{{0x80, 0x3C, 0}, {0xB0, 64, 0}, {0xB0, 123, 0}}));
    EXPECT_TRUE(ui->messages.empty()) << ui->messages.front();
}

}  // namespace
