// The write budget that keeps a port's hidden buffer from filling.
#include <gtest/gtest.h>

#include "MidiStream.h"

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(MidiWriteBudget, BoundsBytesAndEventsPerWindow) {
    const auto t0 = Clock::now();
    CMidiWriteBudget bytes(4096, 100, 10ms, 80ms);
    // 1,020 bytes cost 1,024 with RtMidi's header: four fit, the fifth waits for
    // the first to leave the window.
    for (int i = 0; i < 4; ++i) EXPECT_EQ(bytes.Reserve(1020, t0 + i * 1ms), Clock::duration::zero()) << i;
    EXPECT_EQ(bytes.Reserve(1020, t0 + 4ms), 6ms);
    EXPECT_EQ(bytes.Reserve(1020, t0 + 10ms), Clock::duration::zero());

    // Tiny events are bounded by their count (JACK's port buffer pays per event).
    CMidiWriteBudget events(8192, 3, 10ms, 80ms);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(events.Reserve(3, t0), Clock::duration::zero());
    EXPECT_EQ(events.Reserve(3, t0 + 2ms), 8ms);

    // An event larger than the budget goes alone, never waits for good.
    CMidiWriteBudget large(1000, 10, 10ms, 80ms);
    EXPECT_EQ(large.Reserve(4000, t0), Clock::duration::zero());
    EXPECT_EQ(large.Reserve(10, t0 + 1ms), 9ms);
    EXPECT_EQ(large.Reserve(4000, t0 + 10ms), Clock::duration::zero());
}

TEST(MidiWriteBudget, WindowGrowsWhenAWriteBlockedAndShrinksBack) {
    CMidiWriteBudget budget(1024, 100, 10ms, 40ms);
    budget.Written(5ms);  // the port was full: its real period is longer
    EXPECT_EQ(budget.GetWindow(), 20ms);
    budget.Written(5ms);
    budget.Written(5ms);
    EXPECT_EQ(budget.GetWindow(), 40ms);  // never beyond the largest window

    const auto t0 = Clock::now();
    EXPECT_EQ(budget.Reserve(1000, t0), Clock::duration::zero());
    EXPECT_EQ(budget.Reserve(1000, t0 + 1ms), 39ms);

    for (int i = 0; i < 1000; ++i) budget.Written(10us);
    EXPECT_EQ(budget.GetWindow(), 10ms);
}
