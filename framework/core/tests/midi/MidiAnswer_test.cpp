// Answers of known size: which requests name their size, what counts toward it,
// and a request list that goes on as soon as an answer is whole.
#include <gtest/gtest.h>

#include <mutex>

#include "Functions.h"
#include "Midi.h"
#include "MidiAnswer.h"
#include "MidiTestUtil.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
using tonalith::test::MakeSysEx;
using tonalith::test::WaitUntil;

namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kModel{0x00, 0x10};  // two model bytes, as the newer units have

Bytes Roland(std::uint8_t command, const Bytes& model, const Bytes& body) {
    Bytes m{0xF0, 0x41, 0x10};
    m.insert(m.end(), model.begin(), model.end());
    m.push_back(command);
    m.insert(m.end(), body.begin(), body.end());
    m.push_back(CFunctions::CalcRolandCheckSum(body));
    m.push_back(0xF7);
    return m;
}

Bytes Seven4(std::uint32_t v) {
    return {static_cast<std::uint8_t>((v >> 21) & 0x7F), static_cast<std::uint8_t>((v >> 14) & 0x7F),
            static_cast<std::uint8_t>((v >> 7) & 0x7F), static_cast<std::uint8_t>(v & 0x7F)};
}

Bytes RQ1(std::uint32_t address, std::uint32_t size, const Bytes& model = kModel) {
    Bytes body = Seven4(address);
    const Bytes s = Seven4(size);
    body.insert(body.end(), s.begin(), s.end());
    return Roland(0x11, model, body);
}

Bytes DT1(std::uint32_t address, std::size_t dataBytes, const Bytes& model = kModel) {
    Bytes body = Seven4(address);
    for (std::size_t i = 0; i < dataBytes; ++i) body.push_back(static_cast<std::uint8_t>(i & 0x7F));
    return Roland(0x12, model, body);
}

TEST(MidiAnswerCount, OnlyAWellFormedRolandDataRequestNamesItsSize) {
    EXPECT_TRUE(CMidiAnswerCount(RQ1(0x30000000, 0x4F)).IsKnown());
    EXPECT_TRUE(CMidiAnswerCount(RQ1(0x00, 0x10, {0x6A})).IsKnown());  // one model byte
    Bytes badSum = RQ1(0x30000000, 0x4F);
    badSum[badSum.size() - 2] ^= 1;
    EXPECT_FALSE(CMidiAnswerCount(badSum).IsKnown());
    EXPECT_FALSE(CMidiAnswerCount(DT1(0x30000000, 8)).IsKnown());  // a data set, not a request
    EXPECT_FALSE(CMidiAnswerCount(RQ1(0x30000000, 0)).IsKnown());  // asks for nothing
    EXPECT_FALSE(CMidiAnswerCount(CFunctions::StringToHex("F0 42 30 2B 1C 00 F7")).IsKnown());
    EXPECT_FALSE(CMidiAnswerCount(Bytes{0xF0, 0x41, 0x11, 0xF7}).IsKnown());  // too short to hold one
    Bytes cut = RQ1(0x30000000, 0x4F);
    cut.pop_back();  // no end byte
    EXPECT_FALSE(CMidiAnswerCount(cut).IsKnown());
    CMidiAnswerCount none(Bytes{});
    none.Add(DT1(0, 100));
    EXPECT_FALSE(none.IsComplete());
}

TEST(MidiAnswerCount, CountsTheRequestedDataAcrossSeveralDataSets) {
    // 0x109 in 7-bit units is 137 bytes, starting at 30 00 20 00.
    const std::uint32_t start = (0x30u << 21) | (0x20u << 7);
    CMidiAnswerCount answer(RQ1(start, (1u << 7) | 9u));
    answer.Add(DT1(start, 128));
    EXPECT_FALSE(answer.IsComplete());
    // Neither another model, nor an address outside the range, nor a request counts.
    answer.Add(DT1(start + 128, 9, {0x6A}));
    answer.Add(DT1(start + 137, 9));
    answer.Add(DT1(start - 1, 9));
    answer.Add(RQ1(start + 128, 9));
    answer.Add(MakeSysEx(200));
    EXPECT_FALSE(answer.IsComplete());
    answer.Add(DT1(start + 128, 9));
    EXPECT_TRUE(answer.IsComplete());
}

class MidiAnswerReceiveTest : public tonalith::test::CLoopbackMidiTest {
protected:
    void SetUp() override {
        CLoopbackMidiTest::SetUp();
        m_loop->SetResponder([this](CMidiLoopback&, int, std::span<const std::uint8_t> bytes) {
            std::lock_guard lock(m_requestsMutex);
            m_requests.emplace_back(bytes.begin(), bytes.end());
        });
    }
    std::size_t RequestCount() {
        std::lock_guard lock(m_requestsMutex);
        return m_requests.size();
    }
    // Two requests in one receive (100 bytes at 100h, then 40 at 200h); returns
    // once the first is out.
    void StartTwoRequests(std::chrono::milliseconds inactivity) {
        m_input->SetAnswerGap(300ms);
        m_input->SetInactivityTimeout(inactivity);
        Bytes request = RQ1(0x100, 100);
        const Bytes second = RQ1(0x200, 40);
        request.insert(request.end(), second.begin(), second.end());
        ASSERT_TRUE(m_input->ReceiveLong("", m_output, request, 0));
        ASSERT_TRUE(WaitUntil([&] { return RequestCount() == 1; }));
    }
    void Answer(const Bytes& message) {
        m_loop->Inject(0, message);
        m_answered += static_cast<long>(message.size());
        ASSERT_TRUE(WaitUntil([&] { return m_input->GetBytesTransferred() == m_answered; }));
    }

    std::mutex m_requestsMutex;
    std::vector<Bytes> m_requests;
    long m_answered = 0;
};

TEST_F(MidiAnswerReceiveTest, AWholeAnswerBringsTheNextRequestWithoutWaitingTheGap) {
    auto& clock = UseManualClock();  // it never moves: no quiet time can pass
    StartTwoRequests(3s);
    if (HasFatalFailure()) return;
    Answer(DT1(0x100, 60));
    Answer(DT1(0x100 + 60, 40));
    ASSERT_TRUE(WaitUntil([&] { return RequestCount() == 2; }));
    // The last answer whole ends the receive; no size was given and no silence passed.
    Answer(DT1(0x200, 40));
    const auto end = m_received.WaitFor(MIDI_END);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    EXPECT_EQ(m_input->GetBytesTransferred(), m_answered);
    EXPECT_EQ(RequestCount(), 2u);
    (void)clock;
}

TEST_F(MidiAnswerReceiveTest, AnAnswerShortOfItsSizeStillWaitsForTheGap) {
    auto& clock = UseManualClock();
    StartTwoRequests(1s);
    if (HasFatalFailure()) return;
    Answer(DT1(0x100, 60));  // 40 bytes never come
    const auto lastByte = clock.Now();
    clock.Advance(295ms);
    ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(lastByte + 300ms); }));
    EXPECT_EQ(RequestCount(), 1u);
    clock.Advance(5ms);
    ASSERT_TRUE(WaitUntil([&] { return RequestCount() == 2; }));
    // A last answer short of its size ends at the inactivity timeout, not before.
    Answer(DT1(0x200, 20));
    const auto last = clock.Now();
    clock.Advance(995ms);
    ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(last + 1s); }));
    EXPECT_TRUE(m_input->IsReceiving());
    clock.Advance(5ms);
    EXPECT_EQ(m_received.WaitFor(MIDI_END).wParam, 0u);
    EXPECT_EQ(m_input->GetBytesTransferred(), m_answered);
}

TEST_F(MidiAnswerReceiveTest, AnAnswerOfUnknownSizeWaitsForTheGap) {
    auto& clock = UseManualClock();
    m_input->SetAnswerGap(300ms);
    // A request with a wrong sum names nothing the receiver can trust.
    Bytes request = RQ1(0x100, 10);
    request[request.size() - 2] ^= 1;
    const Bytes second = RQ1(0x200, 10);
    request.insert(request.end(), second.begin(), second.end());
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, request, 0));
    ASSERT_TRUE(WaitUntil([&] { return RequestCount() == 1; }));
    Answer(DT1(0x100, 10));
    const auto lastByte = clock.Now();
    clock.Advance(295ms);
    ASSERT_TRUE(WaitUntil([&] { return clock.IsAwaited(lastByte + 300ms); }));
    EXPECT_EQ(RequestCount(), 1u);
    clock.Advance(5ms);
    ASSERT_TRUE(WaitUntil([&] { return RequestCount() == 2; }));
    m_input->Stop();
}

}  // namespace
