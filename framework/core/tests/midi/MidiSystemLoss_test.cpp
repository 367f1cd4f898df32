// The MIDI system going away under open devices (a JACK server that quits),
// played by the loopback: transfers end at once with an error, not at their
// timeouts, and nothing opens afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Midi.h"
#include "MidiTestUtil.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
using tonalith::test::CRecordingListener;
using tonalith::test::MakeSysEx;
using Clock = std::chrono::steady_clock;

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
        // Far beyond the promptness asked for: the loss must end a transfer, not a clock.
        m_output->SetWriteTimeout(10s);
        m_input->SetInactivityTimeout(10s);
        m_input->SetAnswerTimeout(10s);
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
    std::this_thread::sleep_for(100ms);
    ASSERT_EQ(m_sent.Count(MIDI_END), 0);
    const auto gone = Clock::now();
    m_loop->SimulateLoss();
    const auto end = m_sent.WaitFor(MIDI_END, 5s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u);
    EXPECT_EQ(end.lParam, MIDI_ERR_SEND_LONG);
    EXPECT_LT(end.time - gone, 500ms);
    EXPECT_TRUE(m_output->WaitDone(1s));
    ExpectLaterOpensFail();
}

TEST_F(MidiSystemLossTest, ASendWaitingOutAPauseEndsWithAnErrorAtOnce) {
    m_output->SetMessagePause(5000);  // the second message waits 5 s
    std::vector<std::uint8_t> two = MakeSysEx(20, 1);
    const auto second = MakeSysEx(20, 2);
    two.insert(two.end(), second.begin(), second.end());
    ASSERT_TRUE(m_output->SendLong(two, CMidiOutput::SEND_NOTIFY));
    for (int i = 0; i < 200 && m_loop->GetWrites().empty(); ++i) std::this_thread::sleep_for(5ms);
    ASSERT_EQ(m_loop->GetWrites().size(), 1u);
    const auto gone = Clock::now();
    m_loop->SimulateLoss();
    const auto end = m_sent.WaitFor(MIDI_END, 8s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u) << "a send cut short by the loss was reported as complete";
    EXPECT_EQ(end.lParam, MIDI_ERR_SEND_LONG);
    EXPECT_LT(end.time - gone, 500ms);
    EXPECT_EQ(m_loop->GetWrites().size(), 1u);
}

TEST_F(MidiSystemLossTest, QueuedSendsEachEndWithAnErrorAndNoneHangs) {
    m_output->SetByteRate(2000);
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(4000, 1), CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(4000, 2), CMidiOutput::SEND_NOTIFY));
    std::this_thread::sleep_for(100ms);
    m_loop->SimulateLoss();
    EXPECT_TRUE(m_output->WaitDone(1s));
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
    for (int i = 0; i < 200 && m_received.Count(MIDI_PROGRESS_MESSAGE) == 0; ++i) std::this_thread::sleep_for(5ms);
    const auto gone = Clock::now();
    m_loop->SimulateLoss();
    const auto end = m_received.WaitFor(MIDI_END, 5s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u) << "a receive cut off by the loss was reported as complete";
    EXPECT_EQ(end.lParam, MIDI_ERR_INPUT_BUFFER);
    EXPECT_LT(end.time - gone, 500ms);
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
    std::this_thread::sleep_for(50ms);
    const auto gone = Clock::now();
    m_loop->SimulateLoss();
    const auto end = m_received.WaitFor(MIDI_END, 5s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u);
    EXPECT_EQ(end.lParam, MIDI_ERR_INPUT_BUFFER);
    EXPECT_LT(end.time - gone, 500ms);
    EXPECT_TRUE(m_output->WaitDone(1s));
}

TEST_F(MidiSystemLossTest, DevicesOfALostSystemCloseWithoutWaiting) {
    ASSERT_TRUE(m_output->Open());
    ASSERT_TRUE(m_input->Start());
    m_loop->SetBlocked(true);
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(3000), CMidiOutput::SEND_NOTIFY));
    std::this_thread::sleep_for(50ms);
    m_loop->SimulateLoss();
    const auto start = Clock::now();
    CMidi::Delete();  // the write never returns; closing must not wait for it
    EXPECT_LT(Clock::now() - start, 1s);
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
