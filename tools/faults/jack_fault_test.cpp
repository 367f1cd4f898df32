// The JACK server goes away in the middle of a transfer: the send or receive
// must end with an error within a second, later opens must fail cleanly, and the
// program must go on (close its devices) instead of hanging.
#include <gtest/gtest.h>

#include <future>

#include "JackServer.h"
#include "Midi.h"
#include "MidiBackend.h"
#include "MidiTestUtil.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using tonalith::test::CRecordingListener;
using Clock = std::chrono::steady_clock;

namespace {

constexpr long kRate = 31250;  // bytes/s: a 300 KB send takes ~10 s

// Measured from the moment the server is told to stop; recorded for the test report.
void CheckPrompt(Clock::duration took) {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(took).count();
    ::testing::Test::RecordProperty("ended_after_ms", static_cast<int>(ms));
    EXPECT_LT(took, 1s) << "the transfer outlived the server";
}

int FindPort(const std::vector<std::string>& names, const std::string& client, const std::string& port) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].rfind(client, 0) == 0 && names[i].size() > port.size() &&
            names[i].compare(names[i].size() - port.size(), port.size(), port) == 0)
            return static_cast<int>(i);
    return -1;
}

class JackGoesAway : public ::testing::Test {
protected:
    void SetUp() override {
        const auto jack = m_jack.StartForTest("tonalith-fault");
        if (jack.verdict == jack.Skip) GTEST_SKIP() << jack.reason;
        ASSERT_EQ(jack.verdict, jack.Run) << jack.reason;
        m_dir = tonalith::test::TempDir();
        m_dump = m_dir / "dump.syx";
        tonalith::test::WriteFile(m_dump, tonalith::test::MakeSysEx(12000, 9));
        m_simName = "faultsim-" + std::to_string(::getpid());
        ASSERT_TRUE(
            m_synthsim.Start({SYNTHSIM_PATH, "--name", m_simName, "--jack", "--store", (m_dir / "store.syx").string(),
                              "--rate", std::to_string(kRate), "--data", m_dump.string(), "--quiet"},
                             (m_dir / "synthsim.log").string()));
        ASSERT_TRUE(m_synthsim.ReadLine(10s)) << "synthsim did not start";

        CMidi::Delete();
        CMidi::Get().SetBackend(CreateRtMidiBackend(MidiSystem::Jack, "tonalith-fault"));
        const int out = FindPort(CMidi::Get().GetOutputNames(), m_simName, ":in");
        const int in = FindPort(CMidi::Get().GetInputNames(), m_simName, ":out");
        ASSERT_GE(out, 0);
        ASSERT_GE(in, 0);
        m_output = &CMidi::Get().GetOutput(out);
        m_input = &CMidi::Get().GetInput(in);
        m_output->SetByteRate(kRate);
        m_output->AddSendListener(&m_sent);
        m_input->AddReceiveListener(&m_received);
    }
    void TearDown() override {
        // Closing the devices must not hang on the dead server.
        auto closed = std::async(std::launch::async, [] { CMidi::Delete(); });
        EXPECT_EQ(closed.wait_for(5s), std::future_status::ready) << "closing the MIDI devices hung";
        m_synthsim.Stop();
        m_jack.Stop();
    }

    tonalith::test::CJackServer m_jack;
    tonalith::test::CChild m_synthsim;
    fs::path m_dir, m_dump;
    std::string m_simName;
    CMidiOutput* m_output = nullptr;
    CMidiInput* m_input = nullptr;
    CRecordingListener m_sent, m_received;

    // With the server gone, nothing opens again: each attempt fails at once with
    // the open error, and none waits on the dead server.
    void CheckLaterOpensFail() {
        m_sent.Clear();
        m_received.Clear();
        const auto start = Clock::now();
        EXPECT_FALSE(m_output->SendLong(std::vector<std::uint8_t>{0xF0, 0x7D, 0x02, 0xF7}, CMidiOutput::SEND_NOTIFY));
        EXPECT_FALSE(m_output->SendShort(0x00403C90));
        EXPECT_FALSE(m_input->ReceiveLong("", nullptr, {}, 0));
        EXPECT_FALSE(m_input->Start());
        EXPECT_LT(Clock::now() - start, 500ms) << "an open waited on the dead server";
        const auto sendEnd = m_sent.WaitFor(MIDI_END, 2s);
        EXPECT_EQ(sendEnd.wParam, 1u);
        EXPECT_EQ(sendEnd.lParam, MIDI_ERR_OPEN_OUTPUT);
        const auto receiveEnd = m_received.WaitFor(MIDI_END, 2s);
        EXPECT_EQ(receiveEnd.wParam, 1u);
        EXPECT_EQ(receiveEnd.lParam, MIDI_ERR_OPEN_INPUT);
        EXPECT_FALSE(m_output->IsOpen());
        EXPECT_FALSE(m_input->IsOpen());
        // A fresh device of the same back end fares no better.
        EXPECT_FALSE(CMidi::Get().GetOutput(7).Open());
        EXPECT_FALSE(CMidi::Get().GetInput(7).Open());
        EXPECT_TRUE(CMidi::Get().GetOutputNames().empty());
    }
};

}  // namespace

TEST_F(JackGoesAway, SendEndsWithAnErrorAndTheProgramGoesOn) {
    const auto big = tonalith::test::MakeSysEx(300000, 4);
    ASSERT_TRUE(m_output->SendLong(big));
    ASSERT_TRUE(tonalith::test::WaitUntil([&] { return m_output->GetBytesTransferred() > 0; }))
        << "the send never started";
    ASSERT_EQ(m_sent.Count(MIDI_END), 0) << "the send ended before the server went";
    const auto gone = Clock::now();
    m_jack.Stop();
    const auto end = m_sent.WaitFor(MIDI_END, 10s);
    ASSERT_EQ(end.message, unsigned{MIDI_END}) << "the send never ended";
    EXPECT_EQ(end.wParam, 1u) << "a send cut off by the server's end was reported as complete";
    EXPECT_EQ(end.lParam, MIDI_ERR_SEND_LONG);
    CheckPrompt(end.time - gone);
    EXPECT_LT(m_output->GetBytesTransferred(), static_cast<long>(big.size()));
    EXPECT_TRUE(m_output->WaitDone(1s)) << "the failed send is still queued";
    EXPECT_EQ(m_sent.Count(MIDI_END), 1) << "one send, one end";
    CheckLaterOpensFail();
}

TEST_F(JackGoesAway, ReceiveEndsAndTheProgramGoesOn) {
    m_input->SetAnswerTimeout(10s);
    const std::vector<std::uint8_t> request{0xF0, 0x7D, 0x01, 0xF7};  // not answered: the receive waits
    ASSERT_TRUE(m_input->ReceiveLong("", m_output, request, 0));
    ASSERT_TRUE(m_output->WaitDone(5s)) << "the request never went out";
    ASSERT_TRUE(m_input->IsReceiving());
    const auto gone = Clock::now();
    m_jack.Stop();
    const auto end = m_received.WaitFor(MIDI_END, 15s);
    ASSERT_EQ(end.message, unsigned{MIDI_END}) << "the receive never ended";
    EXPECT_EQ(end.wParam, 1u) << "a receive cut off by the server's end was reported as complete";
    // The data that was to come can no longer be taken in.
    EXPECT_EQ(end.lParam, MIDI_ERR_INPUT_BUFFER);
    CheckPrompt(end.time - gone);
    EXPECT_FALSE(m_input->IsReceiving());
    EXPECT_EQ(m_received.Count(MIDI_END), 1) << "one receive, one end";
    CheckLaterOpensFail();
}
