// The MIDI file player and SysEx: every byte of every SysEx event reaches the
// output, cut and paced as the output's long sends are, and the song ends only
// once the last one is out; what could not be sent is counted, never hidden.
#include <gtest/gtest.h>

#include <algorithm>

#include "Midi.h"
#include "MidiTestUtil.h"
#include "Smf.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr int kPiece = 512;
constexpr int kPauseMs = 40;  // longer than the JD-800 file's 31 ms between its messages

// The SysEx events of the file, as the parser (checked against another parser) gives them.
std::vector<std::vector<std::uint8_t>> SysExEvents(const fs::path& path) {
    SmfFile smf;
    EXPECT_TRUE(smf.Open(path.string())) << smf.GetError();
    std::vector<std::vector<std::uint8_t>> out;
    for (const SmfEvent& e : smf.GetEvents())
        if (e.kind == SmfEvent::SysEx) out.push_back(e.data);
    return out;
}

class SmfPlayerSysEx : public tonalith::test::CLoopbackMidiTest {
protected:
    void SetUp() override {
        CLoopbackMidiTest::SetUp();
        m_output->SetBlockDimensions(64, kPiece);
        m_output->SetMessagePause(kPauseMs);
        m_output->SetByteRate(62500);  // twenty MIDI cables: pieces are paced, the test stays short
    }

    // Plays the file to output 0 until the player says the song is over.
    CSmfFilePlayer::SysExReport PlayToEnd(const fs::path& path, std::chrono::seconds limit) {
        CSmfFilePlayer player;
        EXPECT_TRUE(player.Open(path.string())) << player.GetError();
        EXPECT_TRUE(player.Play(*m_output));
        tonalith::test::WaitUntil([&] { return player.GetState() != CSmfFilePlayer::Playing; }, limit);
        EXPECT_EQ(player.GetState(), CSmfFilePlayer::Stopped) << "the song did not end";
        return player.GetSysExReport();
    }

    // Every write to output 0 as it reached the port.
    std::vector<CMidiLoopback::Write> Writes() const {
        std::vector<CMidiLoopback::Write> out;
        for (auto& w : m_loop->GetWrites())
            if (w.port == 0) out.push_back(std::move(w));
        return out;
    }

    void ExpectDelivered(const std::vector<std::vector<std::uint8_t>>& messages,
                         const CSmfFilePlayer::SysExReport& report) {
        std::vector<std::uint8_t> expected;
        for (const auto& m : messages) expected.insert(expected.end(), m.begin(), m.end());
        // Checked the moment the song ended: nothing may still be on its way.
        const auto writes = Writes();
        std::vector<std::uint8_t> got;
        for (const auto& w : writes) got.insert(got.end(), w.bytes.begin(), w.bytes.end());
        EXPECT_EQ(got.size(), expected.size());
        EXPECT_TRUE(got == expected) << "the SysEx bytes arrived changed or out of order";
        EXPECT_EQ(report.messages, static_cast<long>(messages.size()));
        EXPECT_EQ(report.bytes, static_cast<long>(expected.size()));
        EXPECT_TRUE(report.Complete());

        // Cut into pieces of the block size, and the output's pause between messages.
        std::size_t message = 0, offset = 0;
        for (std::size_t i = 0; i < writes.size() && message < messages.size(); ++i) {
            EXPECT_LE(writes[i].bytes.size(), static_cast<std::size_t>(kPiece));
            offset += writes[i].bytes.size();
            if (offset < messages[message].size()) continue;
            ASSERT_EQ(offset, messages[message].size()) << "a piece spans two messages";
            if (i + 1 < writes.size()) {
                EXPECT_GE(writes[i + 1].time - writes[i].time, std::chrono::milliseconds(kPauseMs));
            }
            ++message;
            offset = 0;
        }
    }
};

TEST_F(SmfPlayerSysEx, EveryByteOfTheJD800BankArrivesInOrderBeforeTheSongEnds) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    const fs::path mid = dir / "midi" / "Roland_JD-800_Internal_sysex_in_smf0.mid";
    const auto messages = SysExEvents(mid);
    ASSERT_EQ(messages.size(), 96u);
    // The same bank as a .syx file: byte for byte what must come out.
    std::vector<std::uint8_t> joined;
    for (const auto& m : messages) joined.insert(joined.end(), m.begin(), m.end());
    EXPECT_EQ(joined, tonalith::test::ReadFile(dir / "other" / "Roland_JD-800_Internal_pair_of_midi_file.syx"));

    ExpectDelivered(messages, PlayToEnd(mid, 60s));
}

TEST_F(SmfPlayerSysEx, BothKorgM1DumpsArriveWholeBeforeTheSongEnds) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    const fs::path mid = dir / "midi" / "Korg_M1_M1EX_sysex_in_smf0.mid";
    const auto messages = SysExEvents(mid);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].size(), 14179u);  // F0 and the 14,178 bytes of the event
    ExpectDelivered(messages, PlayToEnd(mid, 60s));
}

// Two SysEx messages and one left unterminated by the file.
std::vector<std::uint8_t> SysExSong() {
    std::vector<std::uint8_t> track{0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7,  // complete, at 0
                                    0x10, 0xF0, 0x04, 0x41, 0x10, 0x42, 0xF7,  // complete
                                    0x10, 0xF0, 0x02, 0x7E, 0x00,  // no F7, and no packet continues it
                                    0x00, 0xFF, 0x2F, 0x00};
    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
                                   1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(track.size())};
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

TEST_F(SmfPlayerSysEx, WhatCouldNotBeSentIsCountedAsLost) {
    const auto path = tonalith::test::TempDir() / "sysex.mid";
    tonalith::test::WriteFile(path, SysExSong());

    // The port cannot be opened: nothing goes, and the report says all of it was lost.
    m_loop->SimulateLoss();
    const auto lost = PlayToEnd(path, 20s);
    EXPECT_EQ(lost.messages, 3);
    EXPECT_EQ(lost.bytes, 4 + 5 + 3);
    EXPECT_EQ(lost.sentMessages, 0);
    EXPECT_EQ(lost.sentBytes, 0);
    EXPECT_FALSE(lost.Complete());
}

TEST_F(SmfPlayerSysEx, AnUnterminatedSysExIsReportedAndTheRestArrives) {
    const auto path = tonalith::test::TempDir() / "sysex.mid";
    tonalith::test::WriteFile(path, SysExSong());
    const auto report = PlayToEnd(path, 20s);
    EXPECT_EQ(report.messages, 3);
    EXPECT_EQ(report.sentMessages, 2);
    EXPECT_EQ(report.sentBytes, 4 + 5);
    EXPECT_FALSE(report.Complete());
    std::vector<std::uint8_t> got;
    for (const auto& w : Writes()) got.insert(got.end(), w.bytes.begin(), w.bytes.end());
    EXPECT_EQ(got, (std::vector<std::uint8_t>{0xF0, 0x43, 0x10, 0xF7, 0xF0, 0x41, 0x10, 0x42, 0xF7}));
}

}  // namespace
