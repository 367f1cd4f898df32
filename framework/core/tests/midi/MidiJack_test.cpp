// End to end over a real MIDI stack: a JACK server of this test's own carries
// dumps between this process (the program's MIDI engine) and synthsim.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "Functions.h"
#include "JackServer.h"
#include "Midi.h"
#include "MidiTestUtil.h"
#include "Smf.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using tonalith::test::CRecordingListener;

namespace {

// Bytes/s on both sides: ten MIDI cables' worth, a realistic pace that still
// keeps the suite short.
constexpr long kRate = 31250;

struct Suite {
    tonalith::test::CJackServer jack;
    tonalith::test::CChild synthsim;
    std::string skip, failure;
    fs::path dir, store, korg, sds, jvBank;
    std::string simName;
};
Suite* g_suite = nullptr;

std::vector<std::uint8_t> KorgAllPrograms() {
    auto m = tonalith::test::MakeSysEx(39322, 5);
    const std::uint8_t head[] = {0xF0, 0x42, 0x30, 0x2B, 0x4C, 0x00};
    std::copy(std::begin(head), std::end(head), m.begin());
    return m;
}

std::vector<std::uint8_t> SampleDump() {
    std::vector<std::uint8_t> dump{0xF0, 0x7E, 0x00, 0x01, 0x00, 0x00, 0x10, 0x51, 0x22, 0x01,  // 16 bit, 20833 ns
                                   0x30, 0x09, 0x00, 0x00, 0x00, 0x00, 0x2F, 0x09, 0x00, 0x7F, 0xF7};
    for (int k = 0; k < 30; ++k) {
        std::vector<std::uint8_t> p{0xF0, 0x7E, 0x00, 0x02, static_cast<std::uint8_t>(k)};
        for (int i = 0; i < 120; ++i) p.push_back(static_cast<std::uint8_t>((i * 13 + k) & 0x7F));
        std::uint8_t sum = 0;
        for (std::size_t i = 1; i < p.size(); ++i) sum ^= p[i];
        p.push_back(sum & 0x7F);
        p.push_back(0xF7);
        dump.insert(dump.end(), p.begin(), p.end());
    }
    return dump;
}

int FindPort(const std::vector<std::string>& names, const std::string& client, const std::string& port) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i].find(client) == 0 && names[i].size() > port.size() &&
            names[i].compare(names[i].size() - port.size(), port.size(), port) == 0)
            return static_cast<int>(i);
    return -1;
}

class MidiJack : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        g_suite = new Suite;
        Suite& s = *g_suite;
        const bool required =
            std::getenv("TONALITH_REQUIRE_JACK") && std::string(std::getenv("TONALITH_REQUIRE_JACK")) == "1";
        if (!fs::exists(SYNTHSIM_PATH)) {
            (required ? s.failure : s.skip) = "synthsim was not built (" SYNTHSIM_PATH ")";
            return;
        }
        if (const auto jack = s.jack.StartForTest("tonalith-test"); jack.verdict != jack.Run) {
            (jack.verdict == jack.Skip ? s.skip : s.failure) = jack.reason;
            return;
        }
        s.dir = tonalith::test::TempDir();
        s.store = s.dir / "stored.syx";
        s.korg = s.dir / "korg.syx";
        s.sds = s.dir / "sds.syx";
        tonalith::test::WriteFile(s.korg, KorgAllPrograms());
        tonalith::test::WriteFile(s.sds, SampleDump());
        s.simName = "synthsim-" + std::to_string(::getpid());
        std::vector<std::string> args{SYNTHSIM_PATH, "--name",
                                      s.simName,     "--jack",
                                      "--store",     s.store.string(),
                                      "--rate",      std::to_string(kRate),
                                      "--delay",     "30",
                                      "--pause",     "5",
                                      "--piece",     "1024",
                                      "--data",      s.korg.string(),
                                      "--data",      s.sds.string(),
                                      "--quiet"};
        if (const auto field = tonalith::test::FieldDataDir(); field) {
            s.jvBank = *field / "jv" / "JV1080_Pad_Vox_Bell_bank128.syx";
            if (fs::exists(s.jvBank)) {
                args.push_back("--data");
                args.push_back(s.jvBank.string());
            } else {
                s.jvBank.clear();
            }
        }
        if (!s.synthsim.Start(args, (s.dir / "synthsim.log").string()) || !s.synthsim.ReadLine(10s)) {
            s.failure = "synthsim did not start";
            return;
        }
    }
    static void TearDownTestSuite() {
        CMidi::Delete();  // our ports go before the server does
        if (g_suite) {
            g_suite->synthsim.Stop();
            g_suite->jack.Stop();
        }
        delete g_suite;
        g_suite = nullptr;
    }

    void SetUp() override {
        if (!g_suite->failure.empty()) FAIL() << g_suite->failure;
        if (!g_suite->skip.empty()) GTEST_SKIP() << g_suite->skip;
        CMidi::Delete();
        CMidi::Get().SetBackend(CreateRtMidiBackend(MidiSystem::Jack, "tonalith-test"));
        const int out = FindPort(CMidi::Get().GetOutputNames(), g_suite->simName, ":in");
        const int in = FindPort(CMidi::Get().GetInputNames(), g_suite->simName, ":out");
        ASSERT_GE(out, 0) << "synthsim's input port is not listed";
        ASSERT_GE(in, 0) << "synthsim's output port is not listed";
        m_output = &CMidi::Get().GetOutput(out);
        m_input = &CMidi::Get().GetInput(in);
        m_output->SetByteRate(kRate);
        m_output->AddSendListener(&m_sent);
        m_input->AddReceiveListener(&m_received);
        // Handshake: the first messages after connecting can be lost. Each try
        // has its own number, and a try ends only after a quiet spell, so a late
        // echo of an earlier try lands in that try, never in the test's receive.
        m_input->SetAnswerTimeout(1s);
        m_input->SetInactivityTimeout(400ms);
        bool synced = false;
        for (std::uint8_t i = 0; i < 10 && !synced; ++i) {
            const std::vector<std::uint8_t> sync{0xF0, 0x7D, i, 0xF7};
            CRecordingListener once;
            m_input->AddReceiveListener(&once);
            ASSERT_TRUE(m_input->ReceiveLong("", m_output, sync, 0));
            const bool ended = once.WaitFor(MIDI_END, 10s).message == MIDI_END;
            m_input->RemoveReceiveListener(&once);
            ASSERT_TRUE(ended) << "the handshake receive did not end";
            const auto got = m_input->TakeReceivedData();
            synced = std::search(got.begin(), got.end(), sync.begin(), sync.end()) != got.end();
        }
        ASSERT_TRUE(synced) << "no answer from synthsim over JACK";
        // A loaded machine can hold a thread back for a while: generous clocks.
        m_input->SetAnswerTimeout(10s);
        m_input->SetAnswerGap(1s);
        m_input->SetInactivityTimeout(3s);
        m_dropped = m_input->GetDroppedMessages();
        m_received.Clear();
    }
    void TearDown() override { CMidi::Delete(); }

    // Receives with the request text; the end notification must come within the timeout.
    std::vector<std::uint8_t> Receive(const std::string& request, long expected, std::chrono::seconds timeout) {
        const auto path = g_suite->dir / "received.syx";
        CRecordingListener done;
        m_input->AddReceiveListener(&done);
        EXPECT_TRUE(m_input->ReceiveLong(path.string(), m_output, CFunctions::StringToHex(request, 1), expected));
        const auto end = done.WaitFor(MIDI_END, timeout);
        m_input->RemoveReceiveListener(&done);
        if (end.message != MIDI_END) {
            m_input->Stop();
            ADD_FAILURE() << "the receive did not end";
        }
        EXPECT_EQ(end.wParam, 0u);
        EXPECT_EQ(m_input->GetDroppedMessages(), m_dropped) << "broken SysEx arrived";
        return tonalith::test::ReadFile(path);
    }

    CMidiOutput* m_output = nullptr;
    CMidiInput* m_input = nullptr;
    int m_dropped = 0;
    CRecordingListener m_sent, m_received;
};

TEST_F(MidiJack, UserBankRequestAndAnswerInOneAndInSeveralRequests) {
    if (g_suite->jvBank.empty()) GTEST_SKIP() << "no field data (set TONALITH_FIELD_DATA)";
    const auto bank = tonalith::test::ReadFile(g_suite->jvBank);
    const auto all = Receive("F0 41 10 6A 11 11 00 00 00 01 00 00 00 SS F7", 82304, 60s);
    ASSERT_EQ(all.size(), bank.size());
    const auto diff = std::mismatch(all.begin(), all.end(), bank.begin());
    EXPECT_TRUE(diff.first == all.end()) << "first difference at byte " << (diff.first - all.begin());

    // Two requests; synthsim drops a request that comes while it answers, so the
    // second one only gets through if it waits for the first answer.
    const auto two = Receive("F0 41 10 6A 11 11 00 00 00 00 01 00 00 SS F7 "
                             "F0 41 10 6A 11 11 01 00 00 00 01 00 00 SS F7",
                             0, 30s);
    EXPECT_EQ(two.size(), 2u * 643u);
    EXPECT_TRUE(std::equal(two.begin(), two.end(), bank.begin()));
}

TEST_F(MidiJack, KorgAllProgramsTravelsBothWaysAsOneMessage) {
    const auto dump = KorgAllPrograms();
    EXPECT_EQ(Receive("F0 42 30 2B 1C 00 F7", 39322, 30s), dump);

    // synthsim appends what it stores; the dump must arrive as the file's new end.
    const std::uintmax_t before = fs::exists(g_suite->store) ? fs::file_size(g_suite->store) : 0;
    ASSERT_TRUE(m_output->SendLong(g_suite->korg.string()));
    const auto end = m_sent.WaitFor(MIDI_END, 30s);
    ASSERT_EQ(end.message, unsigned{MIDI_END});
    EXPECT_EQ(end.wParam, 0u);
    const auto stored = [&] { return fs::exists(g_suite->store) ? fs::file_size(g_suite->store) : 0; };
    tonalith::test::WaitUntil([&] { return stored() >= before + dump.size(); }, 5s);
    const auto bytes = tonalith::test::ReadFile(g_suite->store);
    ASSERT_EQ(bytes.size(), before + dump.size());
    EXPECT_TRUE(std::equal(dump.begin(), dump.end(), bytes.begin() + static_cast<std::ptrdiff_t>(before)));
}

// The player's SysEx goes the same way as any long send: every message of a
// bank distributed as a MIDI file arrives, in order, before the song ends.
TEST_F(MidiJack, AMidiFilesSysExBankArrivesWhole) {
    const auto field = tonalith::test::FieldDataDir();
    if (!field) GTEST_SKIP() << "no field data (set TONALITH_FIELD_DATA)";
    const auto bank = tonalith::test::ReadFile(*field / "other" / "Roland_JD-800_Internal_pair_of_midi_file.syx");
    const auto stored = [&] { return fs::exists(g_suite->store) ? fs::file_size(g_suite->store) : 0; };
    const std::uintmax_t before = stored();

    CSmfFilePlayer player;
    ASSERT_TRUE(player.Open((*field / "midi" / "Roland_JD-800_Internal_sysex_in_smf0.mid").string()));
    ASSERT_TRUE(player.Play(*m_output));
    tonalith::test::WaitUntil([&] { return player.GetState() != CSmfFilePlayer::Playing; }, 30s);
    ASSERT_EQ(player.GetState(), CSmfFilePlayer::Stopped);
    const auto report = player.GetSysExReport();
    EXPECT_TRUE(report.Complete()) << report.sentMessages << " of " << report.messages << " messages sent";
    EXPECT_EQ(report.bytes, static_cast<long>(bank.size()));

    tonalith::test::WaitUntil([&] { return stored() >= before + bank.size(); }, 5s);
    const auto bytes = tonalith::test::ReadFile(g_suite->store);
    ASSERT_EQ(bytes.size(), before + bank.size());
    EXPECT_TRUE(std::equal(bank.begin(), bank.end(), bytes.begin() + static_cast<std::ptrdiff_t>(before)));
}

TEST_F(MidiJack, SampleDumpArrivesByteExact) {
    const auto dump = SampleDump();
    EXPECT_EQ(Receive("F0 7E 00 03 00 00 F7", static_cast<long>(dump.size()), 30s), dump);
}

}  // namespace

namespace {

// RtMidi's JACK output would drop an event this large without a word.
TEST_F(MidiJack, AnEventTooLargeForJackIsRefusedNotLost) {
    const auto names = CMidi::Get().GetOutputNames();
    const int index = FindPort(names, g_suite->simName, ":in");
    ASSERT_GE(index, 0);
    auto port = CMidi::Get().GetBackend()->OpenOutput(index, names[static_cast<std::size_t>(index)]);
    EXPECT_THROW(port->Send(tonalith::test::MakeSysEx(16380)), CMidiError);
}

}  // namespace
