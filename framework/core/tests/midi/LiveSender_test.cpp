// The live sender over the loopback: knob drags on a 3,125 B/s cable coalesce,
// parameters keep their order, Flush delivers, and nothing waits on a dead port.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <thread>

#include "Functions.h"
#include "LiveSender.h"
#include "Midi.h"
#include "MidiTestUtil.h"
#include "Synth.h"
#include "TestSupport.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

namespace {

// A synth as a JV plug-in describes itself: 20 ms between messages.
class CLiveTestSynth : public CSynth {
public:
    CLiveTestSynth() : CSynth("LiveSenderTest.ini") {
        SetMidiOutputDevice(0);
        SetRealtimeUpdate(true);
    }
    int GetMessagePause() const override { return 20; }
};

// A 12-byte DT1 message like a single parameter's: the parameter in the address,
// the value (up to 14 bits here, so a drag of 200 steps stays distinct) in the last two.
std::vector<std::uint8_t> Dt1(int parameter, int value) {
    std::vector<std::uint8_t> m{0xF0,
                                0x41,
                                0x10,
                                0x6A,
                                0x12,
                                0x03,
                                0x00,
                                static_cast<std::uint8_t>(parameter),
                                static_cast<std::uint8_t>((value >> 7) & 0x7F),
                                static_cast<std::uint8_t>(value & 0x7F)};
    m.push_back(CFunctions::CalcRolandCheckSum(std::span<const std::uint8_t>(m).subspan(5)));
    m.push_back(0xF7);
    return m;
}

struct Change {
    int parameter;
    int value;
    bool operator==(const Change&) const = default;
};

std::string Key(int parameter) { return "p" + std::to_string(parameter); }

using tonalith::test::WaitUntil;

class LiveSenderTest : public tonalith::test::CLoopbackMidiTest {
protected:
    void SetUp() override {
        CLoopbackMidiTest::SetUp();
        ASSERT_EQ(&CMidi::Get().GetOutput(m_synth), m_output);  // takes the synth's pause
        m_output->SetByteRate(3125);  // a real cable's speed; the loopback is unlimited by itself
        m_output->SetWriteTimeout(60s);  // a blocked loopback stands for a slow port, not a dead one
    }

    // What reached the port, one change per write (a 12-byte message is one piece).
    std::vector<Change> Sent() const {
        std::vector<Change> changes;
        for (const auto& w : m_loop->GetWrites()) {
            EXPECT_EQ(w.bytes.size(), 12u);
            if (w.bytes.size() == 12) changes.push_back({w.bytes[7], w.bytes[8] * 128 + w.bytes[9]});
        }
        return changes;
    }

    CLiveTestSynth m_synth;
};

TEST_F(LiveSenderTest, KnobDraggedFasterThanTheCableSendsFewMessagesEndingWithTheLastValue) {
    CLiveSender sender(m_synth);
    const auto start = Clock::now();
    for (int value = 0; value < 200; ++value) {
        std::this_thread::sleep_until(start + value * 2500us);  // 200 changes in half a second
        ASSERT_TRUE(sender.Send(Key(1), Dt1(1, value)));
    }
    ASSERT_TRUE(sender.Flush());
    EXPECT_EQ(sender.GetPendingCount(), 0);

    const auto sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_LE(sent.size(), 40u);
    EXPECT_EQ(sent.back(), (Change{1, 199}));
    for (std::size_t i = 1; i < sent.size(); ++i) EXPECT_LT(sent[i - 1].value, sent[i].value) << "write " << i;
}

TEST_F(LiveSenderTest, TwoKnobsChangedInTurnAlternateAndBothEndWithTheirLastValues) {
    CLiveSender sender(m_synth);
    const auto start = Clock::now();
    for (int i = 0; i < 200; ++i) {
        std::this_thread::sleep_until(start + i * 2500us);
        const int parameter = i % 2 == 0 ? 1 : 2;
        ASSERT_TRUE(sender.Send(Key(parameter), Dt1(parameter, i)));
    }
    ASSERT_TRUE(sender.Flush());

    const auto sent = Sent();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_LE(sent.size(), 40u);
    // Neither knob starves the other: their messages take turns, each newer than the one before.
    int last[3] = {-1, -1, -1};
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (i > 0) {
            EXPECT_NE(sent[i].parameter, sent[i - 1].parameter) << "write " << i;
        }
        ASSERT_TRUE(sent[i].parameter == 1 || sent[i].parameter == 2);
        EXPECT_GT(sent[i].value, last[sent[i].parameter]);
        last[sent[i].parameter] = sent[i].value;
    }
    EXPECT_EQ(last[1], 198);
    EXPECT_EQ(last[2], 199);
}

TEST_F(LiveSenderTest, WhileTheOutputIsBusyANewValueReplacesTheWaitingOneInItsPlace) {
    CLiveSender sender(m_synth);
    m_loop->SetBlocked(true);
    ASSERT_TRUE(sender.Send(Key(1), Dt1(1, 10)));
    ASSERT_TRUE(WaitUntil([&] { return sender.GetPendingCount() == 0; }));  // handed over, stuck in the port

    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(sender.Send(Key(2), Dt1(2, i)));
        ASSERT_TRUE(sender.Send(Key(3), Dt1(3, 1000 + i)));
    }
    ASSERT_TRUE(sender.Send(Key(2), Dt1(2, 500)));  // stays ahead of parameter 3
    EXPECT_EQ(sender.GetPendingCount(), 2);

    m_loop->SetBlocked(false);
    ASSERT_TRUE(sender.Flush());
    EXPECT_EQ(Sent(), (std::vector<Change>{{1, 10}, {2, 500}, {3, 1099}}));
}

TEST_F(LiveSenderTest, FlushDeliversEveryPendingParameterInOrder) {
    CLiveSender sender(m_synth);
    for (int parameter = 1; parameter <= 5; ++parameter)
        ASSERT_TRUE(sender.Send(Key(parameter), Dt1(parameter, parameter * 3)));
    ASSERT_TRUE(sender.Flush());
    EXPECT_EQ(sender.GetPendingCount(), 0);
    EXPECT_EQ(Sent(), (std::vector<Change>{{1, 3}, {2, 6}, {3, 9}, {4, 12}, {5, 15}}));
    // Flush returned once the last one left: the output has nothing more to do.
    EXPECT_TRUE(m_output->IsDone());

    // Flushing with nothing pending returns at once, with nothing sent.
    m_loop->ClearWrites();
    EXPECT_TRUE(sender.Flush());
    EXPECT_TRUE(Sent().empty());
}

TEST_F(LiveSenderTest, NothingIsQueuedWithoutRealtimeUpdateOrAUsableOutput) {
    CLiveSender sender(m_synth);
    m_synth.SetRealtimeUpdate(false);
    EXPECT_FALSE(sender.Send(Key(1), Dt1(1, 1)));

    m_synth.SetRealtimeUpdate(true);
    m_synth.SetMidiOutputDevice(-1);
    EXPECT_FALSE(sender.Send(Key(1), Dt1(1, 2)));

    m_synth.SetMidiOutputDevice(7);  // the loopback has two ports: this one cannot be opened
    EXPECT_FALSE(sender.Send(Key(1), Dt1(1, 3)));

    m_synth.SetMidiOutputDevice(0);
    EXPECT_FALSE(sender.Send(Key(1), {0x41, 0x10, 0x6A}));  // no complete message
    EXPECT_FALSE(sender.Send(Key(1), {}));

    EXPECT_EQ(sender.GetPendingCount(), 0);
    EXPECT_TRUE(sender.Flush());
    EXPECT_TRUE(Sent().empty());
    // A knob turned while the port is missing does not flood the user with errors.
    EXPECT_EQ(m_sent.Count(MIDI_END), 0);

    // Switched back on, the next change goes out.
    ASSERT_TRUE(sender.Send(Key(1), Dt1(1, 4)));
    ASSERT_TRUE(sender.Flush());
    EXPECT_EQ(Sent(), (std::vector<Change>{{1, 4}}));

    // A panel that only plays the synth sends with real-time update off, never without an output.
    CLiveSender always(m_synth, CLiveSender::Gate::Always);
    m_synth.SetRealtimeUpdate(false);
    ASSERT_TRUE(always.Send(Key(2), Dt1(2, 5)));
    ASSERT_TRUE(always.Flush());
    EXPECT_EQ(Sent(), (std::vector<Change>{{1, 4}, {2, 5}}));
    m_synth.SetMidiOutputDevice(-1);
    EXPECT_FALSE(always.Send(Key(2), Dt1(2, 6)));
}

TEST_F(LiveSenderTest, FlushOnAStuckPortGivesUpAndDropsWhatWaits) {
    CLiveSender sender(m_synth);
    m_loop->SetBlocked(true);
    ASSERT_TRUE(sender.Send(Key(1), Dt1(1, 1)));
    ASSERT_TRUE(WaitUntil([&] { return sender.GetPendingCount() == 0; }));
    ASSERT_TRUE(sender.Send(Key(2), Dt1(2, 2)));
    ASSERT_TRUE(sender.Send(Key(3), Dt1(3, 3)));

    EXPECT_FALSE(sender.Flush(100ms));
    EXPECT_EQ(sender.GetPendingCount(), 0);

    // Only the message already in the port arrives once it lets go.
    m_loop->SetBlocked(false);
    ASSERT_TRUE(sender.Flush());
    ASSERT_TRUE(m_output->WaitDone(5s));
    EXPECT_EQ(Sent(), (std::vector<Change>{{1, 1}}));
}

TEST_F(LiveSenderTest, DestroyedWithMessagesPendingItStopsAndDropsThem) {
    m_loop->SetBlocked(true);
    {
        CLiveSender sender(m_synth);
        ASSERT_TRUE(sender.Send(Key(1), Dt1(1, 1)));
        ASSERT_TRUE(WaitUntil([&] { return sender.GetPendingCount() == 0; }));
        for (int i = 0; i < 50; ++i) ASSERT_TRUE(sender.Send(Key(2 + i % 3), Dt1(2 + i % 3, i)));
        EXPECT_EQ(sender.GetPendingCount(), 3);
    }  // returns although the port still holds a message
    m_loop->SetBlocked(false);
    ASSERT_TRUE(m_output->WaitDone(5s));
    EXPECT_EQ(Sent(), (std::vector<Change>{{1, 1}}));
}

TEST_F(LiveSenderTest, LiveChangesWaitForATransferAlreadyOnTheOutput) {
    CLiveSender sender(m_synth);
    // A record of 40 messages is on its way (800 ms at the synth's pause).
    std::vector<std::uint8_t> record;
    for (int i = 0; i < 40; ++i) {
        const auto m = Dt1(100, i);
        record.insert(record.end(), m.begin(), m.end());
    }
    ASSERT_TRUE(m_output->SendLong(record));
    for (int value = 0; value < 100; ++value) ASSERT_TRUE(sender.Send(Key(1), Dt1(1, value)));
    ASSERT_TRUE(sender.Flush());

    // The drag waits behind the record: at most the first value the worker took
    // before the output was found busy, then the last value.
    const auto sent = Sent();
    ASSERT_GE(sent.size(), 41u);
    EXPECT_LE(sent.size(), 42u);
    for (std::size_t i = 0; i < 40; ++i) EXPECT_EQ(sent[i], (Change{100, static_cast<int>(i)}));
    EXPECT_EQ(sent.back(), (Change{1, 99}));
}

}  // namespace
