// Devices, listener lists and the stream parser, over the in-process loopback.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "Functions.h"
#include "Midi.h"
#include "MidiStream.h"
#include "Synth.h"
#include "MidiTestUtil.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
using tonalith::test::CRecordingListener;
using tonalith::test::MakeSysEx;

namespace {

class MidiDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        CMidi::Delete();
        m_loop = CMidiLoopback::Create(2);
        CMidi::Get().SetBackend(m_loop->MakeBackend());
    }
    void TearDown() override { CMidi::Delete(); }
    std::shared_ptr<CMidiLoopback> m_loop;
};

TEST(MidiDevice, FreshDeviceDefaultsAndListenerList) {
    CMidiOutput output;
    EXPECT_EQ(output.GetDeviceId(), -1);
    EXPECT_FALSE(output.IsOpen());
    EXPECT_EQ(output.GetBlockSize(), 1024);
    EXPECT_EQ(output.GetBlockCount(), 64);
    EXPECT_EQ(output.GetFileName(), "");
    EXPECT_TRUE(output.IsDone());
    // A device outside CMidi has no port: sending fails and says so.
    CRecordingListener listener;
    output.AddSendListener(&listener);
    EXPECT_FALSE(output.SendLong(MakeSysEx(10)));
    const auto e = listener.WaitFor(MIDI_END, 1s);
    EXPECT_EQ(e.wParam, 1u);
    EXPECT_EQ(e.lParam, MIDI_ERR_OPEN_OUTPUT);

    CListenerManager list(0x404);
    CRecordingListener a, b;
    list.Add(&a);
    list.Add(&a);
    list.Add(&b);
    EXPECT_EQ(list.GetSize(), 2);
    list.Remove(&a);
    EXPECT_FALSE(list.Contains(&a));
    EXPECT_TRUE(list.Contains(&b));
    list.Notify(7, 100);
    ASSERT_EQ(b.Events().size(), 1u);
    EXPECT_EQ(b.Events()[0].message, 0x404u);
    EXPECT_EQ(b.Events()[0].wParam, 7u);
    EXPECT_EQ(b.Events()[0].lParam, 100);
    EXPECT_TRUE(a.Events().empty());
}

TEST(MidiStreamParser, ResplitsPiecesDropsBrokenSysExAndKeepsRunningStatus) {
    std::vector<std::vector<std::uint8_t>> out;
    CMidiStreamParser parser([&](std::span<const std::uint8_t> m) { out.emplace_back(m.begin(), m.end()); });
    // Two SysEx messages glued into one piece and cut in odd places, a clock byte inside.
    parser.Feed(std::vector<std::uint8_t>{0xF0, 0x41, 0x10});
    parser.Feed(std::vector<std::uint8_t>{0xF8, 0x12, 0xF7, 0xF0, 0x42});
    parser.Feed(std::vector<std::uint8_t>{0x30, 0xF7});
    // A SysEx whose end was lost is dropped, not glued to the next one.
    parser.Feed(std::vector<std::uint8_t>{0xF0, 0x01, 0x02, 0xF0, 0x03, 0xF7});
    // Running status: one note-on status, two notes.
    parser.Feed(std::vector<std::uint8_t>{0x90, 0x3C, 0x60, 0x3E, 0x00, 0xC5, 0x07});
    ASSERT_EQ(out.size(), 6u);
    EXPECT_EQ(out[0], (std::vector<std::uint8_t>{0xF0, 0x41, 0x10, 0x12, 0xF7}));
    EXPECT_EQ(out[1], (std::vector<std::uint8_t>{0xF0, 0x42, 0x30, 0xF7}));
    EXPECT_EQ(out[2], (std::vector<std::uint8_t>{0xF0, 0x03, 0xF7}));
    EXPECT_EQ(out[3], (std::vector<std::uint8_t>{0x90, 0x3C, 0x60}));
    EXPECT_EQ(out[4], (std::vector<std::uint8_t>{0x90, 0x3E, 0x00}));
    EXPECT_EQ(out[5], (std::vector<std::uint8_t>{0xC5, 0x07}));
    EXPECT_EQ(parser.GetDroppedMessages(), 1);

    const auto split = SplitMidiMessages(std::vector<std::uint8_t>{0x00, 0xF0, 0x01, 0xF7, 0x7F, 0xF0, 0x02, 0xF7});
    ASSERT_EQ(split.size(), 2u);
    EXPECT_EQ(UnpackShortMessage(0x603C90), (std::vector<std::uint8_t>{0x90, 0x3C, 0x60}));
    EXPECT_TRUE(UnpackShortMessage(0xF0).empty());
}

TEST_F(MidiDeviceTest, PortsAreListedAndResolvedByNameFirst) {
    EXPECT_EQ(CMidiInput::GetDeviceCount(), 2);
    EXPECT_EQ(CMidiOutput::GetDeviceName(1), "Loopback Out 2");
    EXPECT_EQ(CMidiOutput::GetDeviceName(5), "");
    const std::vector<std::string> ports{"a", "b", "c"};
    EXPECT_EQ(ResolveMidiPort(ports, 0, "c"), 2);
    EXPECT_EQ(ResolveMidiPort(ports, 1, "gone"), 1);
    EXPECT_EQ(ResolveMidiPort(ports, 7, "gone"), -1);
}

// Runs at the end of a scope, however it ends (an ASSERT returns early).
template <typename F>
class AtScopeEnd {
public:
    explicit AtScopeEnd(F f) : m_f(std::move(f)) {}
    ~AtScopeEnd() { m_f(); }
    AtScopeEnd(const AtScopeEnd&) = delete;
    AtScopeEnd& operator=(const AtScopeEnd&) = delete;

private:
    F m_f;
};

// The generic memory's synth: its dump commands live in its settings file.
class CCommandSynth : public CSynth {
public:
    explicit CCommandSynth(const std::string& file) : CSynth(file) { SetDumpCommandsPersistent(true); }
};

void WriteSettings(const std::string& file, const std::string& text) {
    std::ofstream(CFunctions::GetConfigPath() + file) << "[SETUP]\n" << text;
}

TEST_F(MidiDeviceTest, DumpCommandPortsAreFoundByTheirStoredNamesBeforeTheirIndexes) {
    std::filesystem::create_directories(CFunctions::GetConfigPath());
    // The ports swapped places since the settings were written: the index is stale.
    WriteSettings("DumpPorts.ini",
                  "DUMPNAME0=Bulk\nDUMPIN0=0\nDUMPOUT0=0\nDUMPINNAME0=Loopback In 2\nDUMPOUTNAME0=Loopback Out 2\n"
                  "DUMPNAME1=Old\nDUMPIN1=1\nDUMPOUT1=1\n"
                  "DUMPNAME2=Unplugged\nDUMPOUT2=0\nDUMPOUTNAME2=Gone Port\n");
    {
        CCommandSynth synth("DumpPorts.ini");
        ASSERT_EQ(synth.GetDumpCommandsCount(), 3);
        const CDumpCommand& named = synth.GetDumpCommand(0);
        EXPECT_EQ(named.m_outputName, "Loopback Out 2");
        EXPECT_EQ(CMidi::Get().GetOutput(named).GetDeviceId(), 1);
        EXPECT_EQ(CMidi::Get().GetInput(named).GetDeviceId(), 1);

        // What is sent arrives on the named port, not on the stale index.
        CMidiOutput& output = CMidi::Get().GetOutput(named);
        ASSERT_TRUE(output.SendLong(MakeSysEx(8)));
        ASSERT_TRUE(output.WaitDone(5s));
        const auto writes = m_loop->GetWrites();
        ASSERT_FALSE(writes.empty());
        for (const auto& w : writes) EXPECT_EQ(w.port, 1);

        // Settings written before names were kept still work by index, and a
        // name no port has now falls back to the index.
        EXPECT_EQ(synth.GetDumpCommand(1).m_outputName, "");
        EXPECT_EQ(CMidi::Get().GetOutput(synth.GetDumpCommand(1)).GetDeviceId(), 1);
        EXPECT_EQ(CMidi::Get().GetOutput(synth.GetDumpCommand(2)).GetDeviceId(), 0);
        synth.GetDumpCommand(1).m_outputName = "Loopback Out 1";
    }  // the synth writes its settings
    CCommandSynth reread("DumpPorts.ini");
    ASSERT_EQ(reread.GetDumpCommandsCount(), 3);
    EXPECT_EQ(reread.GetDumpCommand(0).m_inputName, "Loopback In 2");
    EXPECT_EQ(reread.GetDumpCommand(1).m_outputName, "Loopback Out 1");
    EXPECT_EQ(CMidi::Get().GetOutput(reread.GetDumpCommand(1)).GetDeviceId(), 0);
    EXPECT_EQ(reread.GetDumpCommand(2).m_outputName, "Gone Port");  // kept for when it comes back
}

TEST_F(MidiDeviceTest, RemoteInputDeliversControllersAndShortMessages) {
    CMidiInput& input = CMidi::Get().GetInput(0);
    CRecordingListener controllers, notes, app;
    // The input's worker may still be delivering: it stops and lets go of the
    // listeners before they are destroyed.
    const AtScopeEnd detach([&] {
        input.Stop();
        input.RemoveControllerListener(&controllers);
        input.RemoveNoteListener(&notes);
        CMidi::Get().RemoveControllerListener(&app);
    });
    input.AddControllerListener(&controllers);
    input.AddNoteListener(&notes);
    EXPECT_TRUE(input.ContainsNoteListener(&notes));
    ASSERT_TRUE(input.Start());
    m_loop->Inject(0, std::vector<std::uint8_t>{0xB0, 0x07, 0x64});
    m_loop->Inject(0, std::vector<std::uint8_t>{0x91, 0x3C, 0x60, 0x3C, 0x00});
    const auto c = controllers.WaitFor(MIDI_CONTROLLER);
    EXPECT_EQ(c.wParam, 7u);
    EXPECT_EQ(c.lParam, 100);
    ASSERT_TRUE(tonalith::test::WaitUntil([&] { return notes.Count(MIDI_SHORT) >= 2; }));
    const auto events = notes.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].wParam, 0x603C91u);
    EXPECT_EQ(events[1].wParam, 0x003C91u);

    CMidi::Get().AddControllerListener(&app);
    CMidi::Get().NotifyControllerListener(0x10, 0x7F);
    ASSERT_EQ(app.Events().size(), 1u);
    EXPECT_EQ(app.Events()[0].message, 0x404u);
    EXPECT_EQ(app.Events()[0].lParam, 0x7F);
}

// A listener removed while the input's worker is calling it: Remove returns only
// after that call, so the listener may be destroyed at once. Many rounds, since
// the call must be caught in progress.
TEST_F(MidiDeviceTest, RemovingAListenerWaitsForTheCallInProgress) {
    struct CSlowListener : IMidiListener {
        std::atomic<bool> entered{false}, removing{false}, inCall{false};
        void OnMidiNotify(unsigned, unsigned, long) override {
            inCall = true;
            entered = true;
            while (!removing) std::this_thread::yield();
            // Still busy for a while after Remove began: a Remove that does not
            // wait returns before this ends.
            for (int i = 0; i < 2000; ++i) std::this_thread::yield();
            inCall = false;
        }
    };
    CMidiInput& input = CMidi::Get().GetInput(0);
    const AtScopeEnd stop([&] { input.Stop(); });
    ASSERT_TRUE(input.Start());
    const std::vector<std::uint8_t> controller{0xB0, 0x07, 0x64};
    for (int round = 0; round < 100; ++round) {
        auto listener = std::make_unique<CSlowListener>();
        input.AddControllerListener(listener.get());
        m_loop->Inject(0, controller);
        const bool entered = tonalith::test::WaitUntil([&] { return listener->entered.load(); });
        listener->removing = true;  // also ends a call that began after the wait gave up
        input.RemoveControllerListener(listener.get());
        ASSERT_TRUE(entered) << "round " << round;
        ASSERT_FALSE(listener->inCall) << "Remove returned during the call, round " << round;
        listener.reset();  // a call still running would touch freed memory (ASan)
    }
}

// Removing itself from inside its own call does not wait for that call.
TEST(MidiListenerList, AListenerMayRemoveItselfWhileCalled) {
    CListenerManager list(0x404);
    struct CSelfRemover : IMidiListener {
        CListenerManager* list = nullptr;
        int calls = 0;
        void OnMidiNotify(unsigned, unsigned, long) override {
            ++calls;
            list->Remove(this);
        }
    } listener;
    listener.list = &list;
    list.Add(&listener);
    list.Notify(1, 2);
    list.Notify(1, 2);
    EXPECT_EQ(listener.calls, 1);
    EXPECT_EQ(list.GetSize(), 0);
}

TEST_F(MidiDeviceTest, QueuedDispatcherDeliversOnThePumpingThread) {
    CMidiEventQueue queue;
    CMidi::Get().SetDispatcher(queue.Dispatcher());
    CMidiOutput& output = CMidi::Get().GetOutput(0);
    CRecordingListener listener;
    output.AddSendListener(&listener);
    ASSERT_TRUE(output.SendLong(MakeSysEx(20), CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(output.WaitDone(5s));
    EXPECT_TRUE(listener.Events().empty());  // nothing runs until the owner pumps
    for (int i = 0; i < 50 && listener.Count(MIDI_END) == 0; ++i) queue.Pump(20ms);
    EXPECT_EQ(listener.Count(MIDI_END), 1);
    // A listener removed before the queued call runs is not called.
    output.SendLong(MakeSysEx(20), CMidiOutput::SEND_NOTIFY);
    ASSERT_TRUE(output.WaitDone(5s));
    output.RemoveSendListener(&listener);
    queue.Pump(50ms);
    EXPECT_EQ(listener.Count(MIDI_END), 1);
}

TEST(MidiNoBackend, RunsWithoutDevicesAndReportsErrors) {
    CMidi::Delete();
    CMidi::Get().SetBackend(nullptr);
    EXPECT_EQ(CMidiInput::GetDeviceCount(), 0);
    EXPECT_EQ(CMidiOutput::GetDeviceCount(), 0);
    EXPECT_FALSE(CMidi::Get().GetBackendError().empty());
    CRecordingListener listener;
    CMidiOutput& output = CMidi::Get().GetOutput(0);
    output.AddSendListener(&listener);
    EXPECT_FALSE(output.SendShort(0x603C90));
    CMidiInput& input = CMidi::Get().GetInput(3);
    input.AddReceiveListener(&listener);
    EXPECT_FALSE(input.ReceiveLong("", &output, MakeSysEx(8)));
    const auto events = listener.Events();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].lParam, MIDI_ERR_OPEN_OUTPUT);
    EXPECT_EQ(events[1].lParam, MIDI_ERR_OPEN_INPUT);
    CMidi::Delete();
}

}  // namespace
