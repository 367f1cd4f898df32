// Sending and receiving SysEx over the loopback: pieces, pacing, the ends of a
// receive, request lists and Stop.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Midi.h"
#include "MidiStream.h"
#include "File.h"
#include "Functions.h"
#include "MidiTestUtil.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
using tonalith::test::CRecordingListener;
using tonalith::test::MakeSysEx;
using Clock = std::chrono::steady_clock;

namespace {

class MidiTransferTest : public tonalith::test::CLoopbackMidiTest {
};

TEST_F(MidiTransferTest, LargeMessageTravelsInPiecesAndEndsAtExpectedSize) {
    const auto message = MakeSysEx(39322);
    const auto path = tonalith::test::TempDir() / "dump.syx";
    ASSERT_TRUE(m_input->ReceiveLong(path.string(), nullptr, {}, static_cast<long>(message.size())));
    ASSERT_TRUE(m_output->SendLong(message, CMidiOutput::SEND_NOTIFY));

    const auto end = m_received.WaitFor(MIDI_END);
    EXPECT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_EQ(tonalith::test::ReadFile(path), message);
    EXPECT_EQ(m_input->GetBytesTransferred(), 39322);
    EXPECT_EQ(m_input->GetFileName(), path.string());
    // Progress after the complete message carries the byte count.
    bool sawCount = false;
    for (const auto& e : m_received.Events())
        sawCount |= e.message == MIDI_PROGRESS_MESSAGE && e.lParam == 39322 && e.wParam == 39322u;
    EXPECT_TRUE(sawCount);

    ASSERT_TRUE(m_output->WaitDone(5s));
    std::size_t total = 0;
    for (const auto& w : m_loop->GetWrites()) {
        EXPECT_LE(w.bytes.size(), 1024u);
        total += w.bytes.size();
    }
    EXPECT_EQ(total, message.size());
    const auto sentEnd = m_sent.WaitFor(MIDI_END);
    EXPECT_EQ(sentEnd.wParam, 0u);
}

TEST_F(MidiTransferTest, MessagesArePacedByThePauseAndPiecesByTheByteRate) {
    m_output->SetMessagePause(20);
    std::vector<std::uint8_t> bank;
    for (int i = 0; i < 32; ++i) {
        const auto m = MakeSysEx(12, static_cast<unsigned>(i));
        bank.insert(bank.end(), m.begin(), m.end());
    }
    ASSERT_TRUE(m_output->SendLong(bank));
    ASSERT_TRUE(m_output->WaitDone(10s));
    auto writes = m_loop->GetWrites();
    ASSERT_EQ(writes.size(), 32u);
    for (std::size_t i = 1; i < writes.size(); ++i) {
        const auto gap = writes[i].time - writes[i - 1].time;
        EXPECT_GE(gap, 19ms) << i;
        EXPECT_LE(gap, 80ms) << i;  // a loaded machine may be late, never much
    }

    // One 4 KB message at 102,400 bytes/s in 1 KB pieces: ~10 ms between pieces.
    m_loop->ClearWrites();
    m_output->SetMessagePause(0);
    m_output->SetByteRate(102400);
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(4096)));
    ASSERT_TRUE(m_output->WaitDone(10s));
    writes = m_loop->GetWrites();
    ASSERT_EQ(writes.size(), 4u);
    for (std::size_t i = 1; i < writes.size(); ++i) EXPECT_GE(writes[i].time - writes[i - 1].time, 9ms);
}

TEST_F(MidiTransferTest, ShortMessagesNeverLandInsideASysEx) {
    m_output->SetBlockDimensions(64, 64);
    m_output->SetByteRate(64000);  // 1 ms per piece: time for the short messages to queue up
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(2000)));
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(m_output->SendShort(0x603C90));
        std::this_thread::sleep_for(3ms);
    }
    ASSERT_TRUE(m_output->WaitDone(10s));
    std::vector<std::uint8_t> stream;
    for (const auto& w : m_loop->GetWrites()) stream.insert(stream.end(), w.bytes.begin(), w.bytes.end());
    const auto messages = SplitMidiMessages(stream);
    ASSERT_EQ(messages.size(), 6u);
    int sysex = 0;
    for (const auto& m : messages) sysex += m.size() == 2000;
    EXPECT_EQ(sysex, 1);
}

TEST_F(MidiTransferTest, ReceiveEndsAfterInactivityAndOnStop) {
    m_input->SetInactivityTimeout(300ms);
    ASSERT_TRUE(m_input->ReceiveLong("", nullptr, {}));
    const auto first = MakeSysEx(100);
    std::this_thread::sleep_for(400ms);  // no byte yet: a manual dump waits for the user
    EXPECT_TRUE(m_input->IsReceiving());
    m_loop->Inject(0, first);
    const auto sent = Clock::now();
    const auto end = m_received.WaitFor(MIDI_END, 5s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_GE(end.time - sent, 290ms);
    EXPECT_EQ(m_input->TakeReceivedData(), first);

    // Stop ends a receive at once and keeps what came.
    CRecordingListener second;
    m_input->AddReceiveListener(&second);
    m_input->RemoveReceiveListener(&m_received);
    m_input->SetInactivityTimeout(10s);
    ASSERT_TRUE(m_input->ReceiveLong("", nullptr, {}));
    m_loop->Inject(0, first);
    for (int i = 0; i < 100 && m_input->GetBytesTransferred() == 0; ++i) std::this_thread::sleep_for(5ms);
    m_input->Stop();
    EXPECT_FALSE(m_input->IsReceiving());
    EXPECT_EQ(second.Count(MIDI_END), 1);
    EXPECT_EQ(m_input->GetBytesTransferred(), 100);
}

TEST_F(MidiTransferTest, RequestsGoOneAtATimeAfterEachAnswer) {
    // A unit that answers each request with three messages over ~60 ms and drops
    // any request that arrives while it is still answering.
    std::atomic<bool> busy{false};
    std::atomic<int> dropped{0};
    std::vector<std::jthread> answers;
    std::mutex answersMutex;
    m_loop->SetResponder([&](CMidiLoopback& loop, int port, std::span<const std::uint8_t> bytes) {
        if (bytes.size() < 3 || bytes[0] != 0xF0) return;
        if (busy.exchange(true)) {
            ++dropped;
            return;
        }
        const unsigned id = bytes[1];
        std::lock_guard lock(answersMutex);
        answers.emplace_back([&, port, id] {
            for (unsigned k = 0; k < 3; ++k) {
                std::this_thread::sleep_for(20ms);
                loop.Inject(port, MakeSysEx(50, id * 10 + k));
            }
            busy = false;
        });
    });
    m_input->SetAnswerGap(150ms);
    m_input->SetInactivityTimeout(500ms);
    const auto request = CFunctions::StringToHex("F0 01 02 F7 F0 02 03 F7");
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, request, 300));
    const auto end = m_received.WaitFor(MIDI_END, 10s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    {
        std::lock_guard lock(answersMutex);
        for (auto& t : answers) t.join();
    }
    EXPECT_EQ(dropped, 0);
    std::vector<std::uint8_t> expected;
    for (unsigned id : {1u, 2u})
        for (unsigned k = 0; k < 3; ++k) {
            const auto m = MakeSysEx(50, id * 10 + k);
            expected.insert(expected.end(), m.begin(), m.end());
        }
    EXPECT_EQ(m_input->TakeReceivedData(), expected);
}

TEST_F(MidiTransferTest, StopEndsASendPromptly) {
    m_output->SetByteRate(2000);  // 20 KB would take 10 s
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(20000), CMidiOutput::SEND_NOTIFY));
    std::this_thread::sleep_for(100ms);
    const auto stop = Clock::now();
    EXPECT_TRUE(m_output->Stop());
    const auto end = m_sent.WaitFor(MIDI_END, 2s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_LT(end.time - stop, 100ms);
    EXPECT_TRUE(m_output->WaitDone(1s));
}

TEST_F(MidiTransferTest, ASendThatCannotProgressEndsWithAnError) {
    m_output->SetWriteTimeout(300ms);
    ASSERT_TRUE(m_output->Open());
    m_loop->SetBlocked(true);  // like a JACK port whose server went away
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(3000), CMidiOutput::SEND_NOTIFY));
    const auto end = m_sent.WaitFor(MIDI_END, 5s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 1u);
    EXPECT_EQ(end.lParam, MIDI_ERR_SEND_LONG);
    EXPECT_TRUE(m_output->WaitDone(1s));
    m_loop->SetBlocked(false);
    // The next send opens the port again and goes through.
    m_loop->ClearWrites();
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(10)));
    ASSERT_TRUE(m_output->WaitDone(5s));
    EXPECT_FALSE(m_loop->GetWrites().empty());
}

TEST_F(MidiTransferTest, SendsAFileWithNotifications) {
    const auto path = tonalith::test::TempDir() / "send.syx";
    std::vector<std::uint8_t> bytes = MakeSysEx(300, 1);
    const auto more = MakeSysEx(5000, 2);
    bytes.insert(bytes.end(), more.begin(), more.end());
    tonalith::test::WriteFile(path, bytes);
    ASSERT_TRUE(m_input->ReceiveLong("", nullptr, {}, static_cast<long>(bytes.size())));
    ASSERT_TRUE(m_output->SendLong(path.string()));
    EXPECT_EQ(m_received.WaitFor(MIDI_END).wParam, 0u);
    EXPECT_EQ(m_input->TakeReceivedData(), bytes);
    EXPECT_EQ(m_sent.WaitFor(MIDI_END).wParam, 0u);
    EXPECT_EQ(m_output->GetBytesTransferred(), static_cast<long>(bytes.size()));
    EXPECT_THROW(m_output->SendLong((tonalith::test::TempDir() / "missing.syx").string()), CFileException);
}

}  // namespace
