// The MIDI file parser against an independent parser, damaged files, and the player.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <sstream>

#include "Midi.h"
#include "ManualMidiClock.h"
#include "MidiTestUtil.h"
#include "Smf.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

constexpr const char* kMidoDump = R"PY(
import sys, mido
def hx(b): return ' '.join('%02X' % x for x in b)
try:
    mid = mido.MidiFile(sys.argv[1])
except Exception as e:
    print('REFUSED'); sys.exit(0)
for i, tr in enumerate(mid.tracks):
    t = 0
    for m in tr:
        t += m.time
        if m.is_meta and m.type == 'end_of_track': continue
        print('T%d %d %s' % (i, t, hx(m.bytes())))
t = 0.0
for m in mid:
    t += m.time
    if m.is_meta and m.type == 'end_of_track': continue
    print('M %.6f %s' % (t, hx(m.bytes())))
)PY";

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    std::string s;
    char buf[4];
    for (auto b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X ", b);
        s += buf;
    }
    if (!s.empty()) s.pop_back();
    return s;
}

// The bytes the independent parser shows for an event.
std::vector<std::uint8_t> Shown(const SmfEvent& e) {
    if (e.kind == SmfEvent::Channel) return e.data;
    if (e.kind == SmfEvent::Meta) {
        std::vector<std::uint8_t> b{0xFF, e.metaType};
        std::uint32_t n = static_cast<std::uint32_t>(e.data.size());
        std::vector<std::uint8_t> vlq{static_cast<std::uint8_t>(n & 0x7F)};
        while (n >>= 7) vlq.insert(vlq.begin(), static_cast<std::uint8_t>(0x80 | (n & 0x7F)));
        b.insert(b.end(), vlq.begin(), vlq.end());
        b.insert(b.end(), e.data.begin(), e.data.end());
        return b;
    }
    std::vector<std::uint8_t> b{0xF0};
    auto first = e.data.begin() + (e.kind == SmfEvent::SysEx ? 1 : 0);
    auto last = e.data.end();
    if (last != first && *(last - 1) == 0xF7) --last;
    b.insert(b.end(), first, last);
    b.push_back(0xF7);
    return b;
}

std::string OurDump(const SmfFile& smf) {
    std::ostringstream out;
    for (const auto& track : smf.GetTracks())
        for (const auto& e : track)
            if (!(e.kind == SmfEvent::Meta && e.metaType == 0x2F))
                out << 'T' << e.track << ' ' << e.tick << ' ' << Hex(Shown(e)) << '\n';
    for (const auto& e : smf.GetEvents()) {
        char t[32];
        std::snprintf(t, sizeof t, "%.6f", e.seconds);
        out << "M " << t << ' ' << Hex(Shown(e)) << '\n';
    }
    return out.str();
}

std::string RunCommand(const std::string& command) {
    std::string output;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) output.append(buf, n);
        ::pclose(p);
    }
    return output;
}

// Times printed with 6 decimals may differ in the last digit (summed deltas).
bool SameDump(const std::string& a, const std::string& b, std::string& where) {
    std::istringstream sa(a), sb(b);
    std::string la, lb;
    int line = 0;
    while (true) {
        const bool ha = static_cast<bool>(std::getline(sa, la)), hb = static_cast<bool>(std::getline(sb, lb));
        ++line;
        if (!ha || !hb) {
            where = "line " + std::to_string(line) + ": " + (ha ? la : "<end>") + " | " + (hb ? lb : "<end>");
            return ha == hb;
        }
        if (la == lb) continue;
        if (la.rfind("M ", 0) == 0 && lb.rfind("M ", 0) == 0) {
            const auto ta = std::stod(la.substr(2)), tb = std::stod(lb.substr(2));
            if (std::abs(ta - tb) < 1e-5 && la.substr(la.find(' ', 2)) == lb.substr(lb.find(' ', 2))) continue;
        }
        where = "line " + std::to_string(line) + ": " + la.substr(0, 80) + " | " + lb.substr(0, 80);
        return false;
    }
}

TEST(SmfFile, FieldFilesMatchAnIndependentParserOrAreRefused) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    if (!fs::exists(MIDO_PYTHON) || RunCommand(std::string(MIDO_PYTHON) + " -c 'import mido; print(1)'") != "1\n")
        GTEST_SKIP() << "Debian's python3-mido is not installed";
    const auto script = tonalith::test::TempDir() / "mido_dump.py";
    tonalith::test::WriteFile(script, std::vector<std::uint8_t>(kMidoDump, kMidoDump + std::strlen(kMidoDump)));
    int compared = 0;
    for (const auto& entry : fs::directory_iterator(dir / "midi")) {
        SCOPED_TRACE(entry.path().filename().string());
        SmfFile smf;
        const bool ok = smf.Open(entry.path().string());
        const std::string theirs =
            RunCommand(std::string(MIDO_PYTHON) + " '" + script.string() + "' '" + entry.path().string() + "'");
        if (!ok) {
            EXPECT_NE(smf.GetError().find(entry.path().string()), std::string::npos) << smf.GetError();
            continue;
        }
        if (theirs == "REFUSED\n") continue;  // their parser stops at some legal files
        std::string where;
        EXPECT_TRUE(SameDump(OurDump(smf), theirs, where)) << where;
        ++compared;
    }
    EXPECT_GE(compared, 5);
}

TEST(SmfFile, DamagedFilesAreRefusedNeverCrash) {
    TONALITH_FIELD_DATA_OR_SKIP(dir);
    for (const auto& entry : fs::directory_iterator(dir / "midi")) {
        const auto bytes = tonalith::test::ReadFile(entry.path());
        SmfFile smf;
        // Every cut and a flipped byte at many places: parsed or refused, with a message.
        for (std::size_t cut = 0; cut < bytes.size(); cut += 1 + bytes.size() / 97) {
            if (!smf.Parse(std::span(bytes.data(), cut), "cut")) {
                EXPECT_FALSE(smf.GetError().empty());
            }
            auto flipped = bytes;
            flipped[cut] ^= 0xA5;
            if (!smf.Parse(flipped, "flipped")) {
                EXPECT_FALSE(smf.GetError().empty());
            }
        }
    }
    SmfFile smf;
    const std::vector<std::uint8_t> format2{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 2, 0, 0, 0, 96};
    EXPECT_FALSE(smf.Parse(format2, "song.mid"));
    EXPECT_NE(smf.GetError().find("song.mid"), std::string::npos);
    EXPECT_FALSE(smf.Open((tonalith::test::TempDir() / "none.mid").string()));
}

// A format-0 file: tempo 500,000 us per quarter, 96 ticks per quarter.
std::vector<std::uint8_t> SmallSong() {
    std::vector<std::uint8_t> track{0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,  // tempo
                                    0x00, 0x90, 0x3C, 0x60,  // note on at 0
                                    0x30, 0x3C, 0x00,  // running status note off at 48 ticks (250 ms)
                                    0x00, 0xF0, 0x03, 0x43, 0x10, 0xF7,  // SysEx
                                    0x30, 0x90, 0x40, 0x60,  // note on at 500 ms
                                    0x83, 0x00, 0x80, 0x40, 0x00,  // note off 384 ticks later (2.5 s)
                                    0x00, 0xFF, 0x2F, 0x00};
    std::vector<std::uint8_t> file{'M', 'T', 'h', 'd', 0,   0,   0,   6, 0, 0, 0,
                                   1,   0,   96,  'M', 'T', 'r', 'k', 0, 0, 0, static_cast<std::uint8_t>(track.size())};
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

TEST(SmfFilePlayer, PlaysOnTimePausesRestartsAndStops) {
    CMidi::Delete();
    auto loop = CMidiLoopback::Create(2);
    CMidi::Get().SetBackend(loop->MakeBackend());
    const auto path = tonalith::test::TempDir() / "song.mid";
    tonalith::test::WriteFile(path, SmallSong());
    CSmfFilePlayer player;
    EXPECT_EQ(player.GetState(), CSmfFilePlayer::NoFile);
    EXPECT_FALSE(player.Play(CMidi::Get().GetOutput(0)));
    ASSERT_TRUE(player.Open(path.string()));
    EXPECT_EQ(player.GetState(), CSmfFilePlayer::Stopped);
    EXPECT_NEAR(player.GetFile().GetDuration(), 2.5, 1e-9);

    // Time stands still until the test moves it: each event must go exactly at its time.
    const auto clock = std::make_shared<tonalith::test::CManualMidiClock>();
    loop->SetClock(clock);
    CMidi::Get().GetOutput(0).SetClock(clock);
    CMidi::Get().GetOutput(1).SetClock(clock);
    player.SetClock(clock);
    const auto writesOn = [&](int port) {
        std::vector<CMidiLoopback::Write> found;
        for (auto& w : loop->GetWrites())
            if (w.port == port) found.push_back(std::move(w));
        return found;
    };
    const auto waitForWrites = [&](std::size_t n) {
        return tonalith::test::WaitUntil([&] { return writesOn(0).size() >= n; });
    };
    const auto start = clock->Now();
    ASSERT_TRUE(player.Play(CMidi::Get().GetOutput(0)));
    ASSERT_TRUE(player.Play(CMidi::Get().GetOutput(1)));  // a second output joins
    ASSERT_TRUE(waitForWrites(1));
    clock->Advance(250ms);
    ASSERT_TRUE(waitForWrites(3));  // the note off and the SysEx, both due at 0.25 s
    clock->Advance(250ms);
    ASSERT_TRUE(waitForWrites(4));
    clock->Advance(700ms);  // well before the end at 2.5 s
    EXPECT_TRUE(player.Pause());
    EXPECT_EQ(player.GetState(), CSmfFilePlayer::Paused);
    EXPECT_DOUBLE_EQ(player.GetPosition(), 1.2);
    ASSERT_TRUE(CMidi::Get().GetOutput(0).WaitDone(10s));
    ASSERT_TRUE(CMidi::Get().GetOutput(1).WaitDone(10s));  // both outputs get the silencing note-off
    auto port0 = writesOn(0);
    ASSERT_EQ(port0.size(), 5u);  // note on, note off, SysEx, note on, and the note silenced by Pause
    EXPECT_EQ(port0[0].bytes, (std::vector<std::uint8_t>{0x90, 0x3C, 0x60}));
    EXPECT_EQ(port0[2].bytes, (std::vector<std::uint8_t>{0xF0, 0x43, 0x10, 0xF7}));
    EXPECT_EQ(port0[0].time - start, 0ms);
    EXPECT_EQ(port0[1].time - start, 250ms);
    EXPECT_EQ(port0[2].time - start, 250ms);
    EXPECT_EQ(port0[3].time - start, 500ms);
    EXPECT_EQ(port0[4].bytes, (std::vector<std::uint8_t>{0x80, 0x40, 0x00}));  // Pause silenced it
    // The second output joined a moment later; from then on it got the same.
    const auto port1 = writesOn(1);
    ASSERT_FALSE(port1.empty());
    EXPECT_EQ(port1.back().bytes, port0.back().bytes);

    // Time spent paused does not count: the last event comes 1.3 s after the restart.
    clock->Advance(5s);
    const auto restarted = clock->Now();
    EXPECT_TRUE(player.Restart());
    EXPECT_EQ(player.GetState(), CSmfFilePlayer::Playing);
    ASSERT_TRUE(tonalith::test::WaitUntil([&] { return clock->IsAwaited(restarted + 1300ms); }));
    clock->Advance(1300ms);
    ASSERT_TRUE(tonalith::test::WaitUntil([&] { return player.GetState() == CSmfFilePlayer::Stopped; }));
    ASSERT_TRUE(CMidi::Get().GetOutput(0).WaitDone(10s));  // the note off may still be on its way
    port0 = writesOn(0);
    ASSERT_EQ(port0.size(), 6u);
    EXPECT_EQ(port0[5].time - restarted, 1300ms);
    EXPECT_EQ(player.GetPosition(), 0.0);  // the end of the song rewinds

    ASSERT_TRUE(player.Play(CMidi::Get().GetOutput(0)));
    EXPECT_TRUE(player.Stop());
    EXPECT_EQ(player.GetState(), CSmfFilePlayer::Stopped);
    EXPECT_EQ(player.GetPosition(), 0.0);
    player.Close();
    EXPECT_EQ(player.GetState(), CSmfFilePlayer::NoFile);
    CMidi::Delete();
}

}  // namespace
