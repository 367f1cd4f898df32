// The MIDI system going away under open devices (a JACK server that quits),
// played by the loopback: transfers end at once with an error, not at their
// timeouts, and nothing opens afterwards.
#include <gtest/gtest.h>

#include <atomic>

#include "Midi.h"
#include "MidiTestUtil.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
using tonalith::test::CRecordingListener;
using tonalith::test::MakeSysEx;
using tonalith::test::WaitUntil;

namespace {

TEST(MidiLossSignal, WakesEachWatcherOnceAndNoneThatWasReleased) {
    CMidiLossSignal signal;
    std::atomic<int> kept{0}, released{0}, late{0};
    auto keep = signal.Watch([&] { ++kept; });
    auto gone = signal.Watch([&] { ++released; });
    gone.reset();
    EXPECT_FALSE(signal.IsLost());
    EXPECT_EQ(kept, 0);
    signal.MarkLost();
    signal.MarkLost();  // going is once
    EXPECT_TRUE(signal.IsLost());
    EXPECT_EQ(kept, 1);
    EXPECT_EQ(released, 0);
    // Watching what has already gone wakes at once, so a late watcher misses nothing.
    auto after = signal.Watch([&] { ++late; });
    EXPECT_EQ(late, 1);
}

TEST(MidiLossSignal, AHandleOutlivesItsSignal) {
    std::shared_ptr<void> handle;
    {
        CMidiLossSignal signal;
        handle = signal.Watch([] {});
    }
    handle.reset();  // must not touch freed memory (the sanitizer build checks)
}

TEST(MidiLossSignal, MarkingFromAnotherThreadRacesReleasesSafely) {
    for (int round = 0; round < 50; ++round) {
        CMidiLossSignal signal;
        std::atomic<int> calls{0};
        auto handle = signal.Watch([&] { ++calls; });
        std::thread marker([&] { signal.MarkLost(); });
        handle.reset();
        const int seen = calls;  // after the release no call is running or to come
        marker.join();
        EXPECT_EQ(calls, seen);
        EXPECT_LE(calls, 1);
    }
}

class MidiSystemLossTest : public tonalith::test::CLoopbackMidiTest {
protected:
    void SetUp() override {
        CLoopbackMidiTest::SetUp();
        // The devices' clock never moves: what ends a transfer is the loss, never a timeout.
        UseManualClock();
    }
    void ExpectLaterOpensFail() {
        m_sent.Clear();
        m_received.Clear();
        EXPECT_FALSE(m_output->SendLong(MakeSysEx(10), CMidiOutput::SEND_NOTIFY));
        EXPECT_EQ(m_sent.WaitFor(MIDI_END, 1s).lParam, MIDI_ERR_OPEN_OUTPUT);
        EXPECT_FALSE(m_input->ReceiveLong("", nullptr, {}, 0));
        const auto end = m_received.WaitFor(MIDI_END, 1s);
        EXPECT_EQ(end.wParam, 1u);
        EXPECT_EQ(end.lParam, MIDI_ERR_OPEN_INPUT);
        EXPECT_FALSE(m_output->IsOpen());
        EXPECT_FALSE(m_input->IsOpen());
        EXPECT_FALSE(CMidi::Get().GetOutput(1).Open());
        EXPECT_FALSE(CMidi::Get().GetInput(1).Open());
    }
};

TEST_F(MidiSystemLossTest, ASendInTheMiddleOfAWriteEndsWithAnErrorAtOnce) {
    ASSERT_TRUE(m_output->Open());
    m_loop->SetBlocked(true);  // the write in progress never returns, as on a dead JACK port
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(3000), CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(WaitUntil([&] { return m_loop->GetBlockedWrites() == 1; }));
    ASSERT_EQ(m_sent.Count(MIDI_END), 0);
    m_loop->SimulateLoss();
    const auto end = m_sent.WaitFor(MIDI_END);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u);
    EXPECT_EQ(end.lParam, MIDI_ERR_SEND_LONG);
    EXPECT_TRUE(m_output->WaitDone(1s));
    ExpectLaterOpensFail();
}

TEST_F(MidiSystemLossTest, ASendWaitingOutAPauseEndsWithAnErrorAtOnce) {
    m_output->SetMessagePause(5000);  // the second message waits 5 s
    std::vector<std::uint8_t> two = MakeSysEx(20, 1);
    const auto second = MakeSysEx(20, 2);
    two.insert(two.end(), second.begin(), second.end());
    ASSERT_TRUE(m_output->SendLong(two, CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(WaitUntil([&] { return !m_loop->GetWrites().empty(); }));
    ASSERT_EQ(m_loop->GetWrites().size(), 1u);
    m_loop->SimulateLoss();
    const auto end = m_sent.WaitFor(MIDI_END);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u) << "a send cut short by the loss was reported as complete";
    EXPECT_EQ(end.lParam, MIDI_ERR_SEND_LONG);
    EXPECT_EQ(m_loop->GetWrites().size(), 1u);
}

TEST_F(MidiSystemLossTest, QueuedSendsEachEndWithAnErrorAndNoneHangs) {
    m_output->SetByteRate(2000);
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(4000, 1), CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(4000, 2), CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(WaitUntil([&] { return !m_loop->GetWrites().empty(); }));
    m_loop->SimulateLoss();
    EXPECT_TRUE(m_output->WaitDone(10s));
    ASSERT_EQ(m_sent.Count(MIDI_END), 2);
    for (const auto& e : m_sent.Events())
        if (e.message == MIDI_END) {
            EXPECT_EQ(e.wParam, 1u);
            EXPECT_EQ(e.lParam, MIDI_ERR_SEND_LONG);
        }
}

TEST_F(MidiSystemLossTest, AReceiveEndsWithAnErrorAndKeepsWhatArrived) {
    const auto first = MakeSysEx(100, 3);
    ASSERT_TRUE(m_input->ReceiveLong("", nullptr, {}, 0));
    m_loop->Inject(0, first);
    ASSERT_TRUE(WaitUntil([&] { return m_received.Count(MIDI_PROGRESS_MESSAGE) > 0; }));
    m_loop->SimulateLoss();
    const auto end = m_received.WaitFor(MIDI_END);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u) << "a receive cut off by the loss was reported as complete";
    EXPECT_EQ(end.lParam, MIDI_ERR_INPUT_BUFFER);
    EXPECT_FALSE(m_input->IsReceiving());
    EXPECT_EQ(m_input->TakeReceivedData(), first);
    EXPECT_EQ(m_received.Count(MIDI_END), 1);
    ExpectLaterOpensFail();
}

TEST_F(MidiSystemLossTest, AReceiveWaitingForAnAnswerEndsWithAnError) {
    ASSERT_TRUE(m_output->Open());
    m_loop->SetBlocked(true);  // the request is stuck on its way too
    const std::vector<std::uint8_t> request{0xF0, 0x7D, 0x01, 0xF7};
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, request, 0));
    ASSERT_TRUE(WaitUntil([&] { return m_loop->GetBlockedWrites() == 1; }));
    m_loop->SimulateLoss();
    const auto end = m_received.WaitFor(MIDI_END);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u);
    EXPECT_EQ(end.lParam, MIDI_ERR_INPUT_BUFFER);
    EXPECT_TRUE(m_output->WaitDone(10s));
}

TEST_F(MidiSystemLossTest, DevicesOfALostSystemCloseWithoutWaiting) {
    ASSERT_TRUE(m_output->Open());
    ASSERT_TRUE(m_input->Start());
    m_loop->SetBlocked(true);
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(3000), CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(WaitUntil([&] { return m_loop->GetBlockedWrites() == 1; }));
    m_loop->SimulateLoss();
    // The write never returns and the devices' clock stands still, so closing
    // would wait for good if it waited for either.
    const auto start = std::chrono::steady_clock::now();
    CMidi::Delete();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(MidiSystemLoss, TheLoopbackPlaysALostSystem) {
    CMidi::Delete();
    auto loop = CMidiLoopback::Create(1);
    EXPECT_FALSE(loop->IsLost());
    std::atomic<int> calls{0};
    auto handle = loop->WatchLoss([&] { ++calls; });
    loop->SimulateLoss();
    EXPECT_TRUE(loop->IsLost());
    EXPECT_EQ(calls, 1);
    EXPECT_THROW(loop->OpenOutput(0, ""), CMidiError);
    EXPECT_THROW(loop->OpenInput(0, "", [](std::span<const std::uint8_t>) {}), CMidiError);
    loop->SetBlocked(false);
}

}  // namespace
