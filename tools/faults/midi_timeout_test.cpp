// Receives whose partner goes quiet: no answer at all, or an answer cut off part
// way. Each must end by itself at its timeout, and the input must work afterwards.
#include <gtest/gtest.h>

#include <chrono>

#include "Midi.h"
#include "MidiBackend.h"
#include "MidiTestUtil.h"

using namespace std::chrono_literals;
using tonalith::test::CRecordingListener;
using tonalith::test::MakeSysEx;
using Clock = std::chrono::steady_clock;

namespace {

class SilentPartner : public tonalith::test::CLoopbackMidiTest {};

const std::vector<std::uint8_t> kTwoRequests = {0xF0, 0x41, 0x10, 0x6A, 0x11, 0x11, 0x00, 0x00, 0x00, 0x00,
                                                0x00, 0x00, 0x01, 0x6E, 0xF7, 0xF0, 0x41, 0x10, 0x6A, 0x11,
                                                0x11, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x6D, 0xF7};

}  // namespace

TEST_F(SilentPartner, UnansweredRequestsEndAtTheAnswerTimeout) {
    m_loop->SetResponder([](CMidiLoopback&, int, std::span<const std::uint8_t>) {});  // switched off
    m_input->SetAnswerTimeout(300ms);
    const auto start = Clock::now();
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, kTwoRequests));
    const auto end = m_received.WaitFor(MIDI_END, 5s);
    ASSERT_EQ(end.message, unsigned{MIDI_END}) << "the receive never ended";
    // Each request waited its full timeout, and the end came soon after the last.
    EXPECT_GE(end.time - start, 590ms);
    EXPECT_LT(end.time - start, 1600ms);
    EXPECT_FALSE(m_input->IsReceiving());
    EXPECT_TRUE(m_input->TakeReceivedData().empty());
    EXPECT_EQ(m_loop->GetWrites().size(), 2u);
}

TEST_F(SilentPartner, AnswerCutOffPartWayEndsAtTheInactivityTimeoutAndTheInputStillWorks) {
    const auto answer = MakeSysEx(600, 3);
    m_loop->SetResponder([&](CMidiLoopback& loop, int port, std::span<const std::uint8_t>) {
        loop.Inject(port, std::span(answer).first(250));  // the cable was pulled
    });
    m_input->SetInactivityTimeout(300ms);
    m_input->SetAnswerTimeout(2s);
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, std::span(kTwoRequests).first(15), 600));
    const auto first = m_received.WaitFor(MIDI_END, 5s);
    ASSERT_EQ(first.message, unsigned{MIDI_END}) << "the receive never ended";
    EXPECT_FALSE(m_input->IsReceiving());
    (void)m_input->TakeReceivedData();

    // Plugged back in: the next receive gets the whole answer.
    CRecordingListener second;
    m_input->AddReceiveListener(&second);
    m_input->RemoveReceiveListener(&m_received);
    m_loop->SetResponder(
        [&](CMidiLoopback& loop, int port, std::span<const std::uint8_t>) { loop.Inject(port, answer); });
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, std::span(kTwoRequests).first(15), 600));
    const auto end = second.WaitFor(MIDI_END, 5s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_EQ(m_input->TakeReceivedData(), answer);
}
