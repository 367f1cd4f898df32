// Sending and receiving SysEx over the loopback: pieces, pacing, the ends of a
// receive, request lists and Stop.
#include <gtest/gtest.h>

#include <mutex>

#include "Midi.h"
#include "MidiStream.h"
#include "File.h"
#include "Functions.h"
#include "MidiTestUtil.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
using tonalith::test::CRecordingListener;
using tonalith::test::MakeSysEx;
using tonalith::test::WaitUntil;

namespace {

class MidiTransferTest : public tonalith::test::CLoopbackMidiTest {};

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
    auto& clock = UseManualClock(ClockedInput::No);
    const auto start = clock.Now();
    m_output->SetMessagePause(20);
    std::vector<std::uint8_t> bank;
    for (int i = 0; i < 32; ++i) {
        const auto m = MakeSysEx(12, static_cast<unsigned>(i));
        bank.insert(bank.end(), m.begin(), m.end());
    }
    ASSERT_TRUE(m_output->SendLong(bank));
    // The sender waits out exactly the pause after each message.
    for (int i = 1; i < 32; ++i) {
        ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(start + i * 20ms); })) << i;
        clock.Advance(20ms);
    }
    ASSERT_TRUE(m_output->WaitDone(10s));
    auto writes = m_loop->GetWrites();
    ASSERT_EQ(writes.size(), 32u);
    for (std::size_t i = 0; i < writes.size(); ++i) EXPECT_EQ(writes[i].time - start, static_cast<long>(i) * 20ms) << i;

    // One 4 KB message at 102,400 bytes/s in 1 KB pieces: 10 ms between pieces,
    // after the pause that the bank's last message still asks for.
    m_loop->ClearWrites();
    m_output->SetMessagePause(0);
    m_output->SetByteRate(102400);
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(4096)));
    const auto second = clock.Now();
    for (const auto wait : {20ms, 10ms, 10ms, 10ms}) {
        ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(clock.Now() + wait); })) << wait.count();
        clock.Advance(wait);
    }
    ASSERT_TRUE(m_output->WaitDone(10s));
    writes = m_loop->GetWrites();
    ASSERT_EQ(writes.size(), 4u);
    for (std::size_t i = 0; i < writes.size(); ++i)
        EXPECT_EQ(writes[i].time - second, 20ms + static_cast<long>(i) * 10ms) << i;
}

TEST_F(MidiTransferTest, ShortMessagesNeverLandInsideASysEx) {
    auto& clock = UseManualClock(ClockedInput::No);
    m_output->SetBlockDimensions(64, 64);
    m_output->SetByteRate(64000);  // 1 ms per piece: short messages queue up meanwhile
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(2000)));
    for (int i = 0; i < 31; ++i) {  // 32 pieces
        ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(clock.Now() + 1ms); })) << i;
        if (i < 5) {
            EXPECT_TRUE(m_output->SendShort(0x603C90));
        }
        clock.Advance(1ms);
    }
    ASSERT_TRUE(m_output->WaitDone(10s));
    std::vector<std::uint8_t> stream;
    for (const auto& w : m_loop->GetWrites()) stream.insert(stream.end(), w.bytes.begin(), w.bytes.end());
    const auto messages = SplitMidiMessages(stream);
    ASSERT_EQ(messages.size(), 6u);
    EXPECT_EQ(messages[0].size(), 2000u);
}

TEST_F(MidiTransferTest, ReceiveEndsAfterInactivityAndOnStop) {
    auto& clock = UseManualClock();
    m_input->SetInactivityTimeout(300ms);
    ASSERT_TRUE(m_input->ReceiveLong("", nullptr, {}));
    // Without a timeout due, the receiver looks at its clocks every 10 ms: a wait
    // until 10 ms after the present shows it has seen the present.
    clock.Advance(400ms);
    ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(clock.Now() + 10ms); }));
    EXPECT_TRUE(m_input->IsReceiving());  // no byte yet: a manual dump waits for the user
    const auto first = MakeSysEx(100);
    m_loop->Inject(0, first);
    ASSERT_TRUE(WaitUntil([&] { return m_input->GetBytesTransferred() == 100; }));
    const auto lastByte = clock.Now();
    clock.Advance(295ms);
    ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(lastByte + 300ms); }));
    EXPECT_TRUE(m_input->IsReceiving());
    EXPECT_EQ(m_received.Count(MIDI_END), 0);
    clock.Advance(5ms);
    const auto end = m_received.WaitFor(MIDI_END);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_EQ(m_input->TakeReceivedData(), first);

    // Stop ends a receive at once and keeps what came.
    CRecordingListener second;
    m_input->AddReceiveListener(&second);
    m_input->RemoveReceiveListener(&m_received);
    m_input->SetInactivityTimeout(10s);
    ASSERT_TRUE(m_input->ReceiveLong("", nullptr, {}));
    m_loop->Inject(0, first);
    ASSERT_TRUE(WaitUntil([&] { return m_input->GetBytesTransferred() == 100; }));
    m_input->Stop();
    EXPECT_FALSE(m_input->IsReceiving());
    EXPECT_EQ(second.Count(MIDI_END), 1);
    EXPECT_EQ(m_input->GetBytesTransferred(), 100);
}

TEST_F(MidiTransferTest, RequestsGoOneAtATimeAfterEachAnswer) {
    auto& clock = UseManualClock();
    std::mutex requestsMutex;
    std::vector<std::vector<std::uint8_t>> requests;
    m_loop->SetResponder([&](CMidiLoopback&, int, std::span<const std::uint8_t> bytes) {
        std::lock_guard lock(requestsMutex);
        requests.emplace_back(bytes.begin(), bytes.end());
    });
    const auto requestCount = [&] {
        std::lock_guard lock(requestsMutex);
        return requests.size();
    };
    // The unit answers each request with three messages 20 ms apart.
    std::vector<std::uint8_t> expected;
    long received = 0;
    const auto answer = [&](unsigned id) {
        for (unsigned k = 0; k < 3; ++k) {
            if (k > 0) clock.Advance(20ms);
            const auto m = MakeSysEx(50, id * 10 + k);
            expected.insert(expected.end(), m.begin(), m.end());
            m_loop->Inject(0, m);
            received += 50;
            ASSERT_TRUE(WaitUntil([&] { return m_input->GetBytesTransferred() == received; }));
        }
    };
    m_input->SetAnswerGap(150ms);
    m_input->SetInactivityTimeout(500ms);
    const auto request = CFunctions::StringToHex("F0 01 02 F7 F0 02 03 F7");
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, request, 300));
    ASSERT_TRUE(WaitUntil([&] { return requestCount() == 1; }));
    answer(1);
    // The next request waits for 150 quiet ms after the answer, not less.
    const auto lastByte = clock.Now();
    clock.Advance(145ms);
    ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(lastByte + 150ms); }));
    EXPECT_EQ(requestCount(), 1u);
    clock.Advance(5ms);
    ASSERT_TRUE(WaitUntil([&] { return requestCount() == 2; }));
    answer(2);
    const auto end = m_received.WaitFor(MIDI_END);  // the expected size ends it
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_EQ(requests, (std::vector<std::vector<std::uint8_t>>{{0xF0, 0x01, 0x02, 0xF7}, {0xF0, 0x02, 0x03, 0xF7}}));
    EXPECT_EQ(m_input->TakeReceivedData(), expected);
}

TEST_F(MidiTransferTest, AnUnansweredRequestEndsTheReceiveAtItsAnswerTimeout) {
    auto& clock = UseManualClock();
    const auto start = clock.Now();
    m_loop->SetResponder([](CMidiLoopback&, int, std::span<const std::uint8_t>) {});  // a unit that stays silent
    m_input->SetAnswerTimeout(2s);
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, CFunctions::StringToHex("F0 01 02 F7"), 0));
    ASSERT_TRUE(WaitUntil([&] { return m_loop->GetWrites().size() == 1; }));
    clock.Advance(1995ms);
    ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(start + 2s); }));
    EXPECT_TRUE(m_input->IsReceiving());
    clock.Advance(5ms);
    const auto end = m_received.WaitFor(MIDI_END);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_TRUE(m_input->TakeReceivedData().empty());
}

TEST_F(MidiTransferTest, StopEndsASendPromptly) {
    UseManualClock();  // it never moves: only Stop can end the send
    m_output->SetByteRate(2000);  // 20 KB would take 10 s
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(20000), CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(WaitUntil([&] { return !m_loop->GetWrites().empty(); }));
    EXPECT_TRUE(m_output->Stop());
    const auto end = m_sent.WaitFor(MIDI_END);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_TRUE(m_output->WaitDone(10s));
    EXPECT_EQ(m_loop->GetWrites().size(), 1u);
}

TEST_F(MidiTransferTest, ASendThatCannotProgressEndsWithAnError) {
    auto& clock = UseManualClock(ClockedInput::No);
    const auto start = clock.Now();
    m_output->SetWriteTimeout(300ms);
    ASSERT_TRUE(m_output->Open());
    m_loop->SetBlocked(true);  // like a JACK port whose server went away
    ASSERT_TRUE(m_output->SendLong(MakeSysEx(3000), CMidiOutput::SEND_NOTIFY));
    ASSERT_TRUE(WaitUntil([&] { return m_loop->GetBlockedWrites() == 1; }));
    // The write is given up on at its timeout, not before.
    clock.Advance(299ms);
    ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(start + 300ms); }));
    EXPECT_EQ(m_sent.Count(MIDI_END), 0);
    clock.Advance(1ms);
    const auto end = m_sent.WaitFor(MIDI_END);
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
