// The simulated instrument's answers and its one-answer-per-request rule.
#include <gtest/gtest.h>

#include "Functions.h"
#include "SynthSim.h"

namespace {

SynthMessage Hex(const char* text) { return CFunctions::StringToHex(text); }

TEST(SynthSimData, AnswersEachKindOfRequestWithExactlyTheHeldMessagesAsked) {
    CSynthSimData data;
    std::vector<std::uint8_t> held;
    for (const char* text : {"F0 41 10 6A 12 11 00 00 00 01 02 6C F7",  // JV DT1 at 11 00 00 00
                             "F0 41 10 6A 12 11 00 10 00 03 5C F7",  // 11 00 10 00
                             "F0 41 10 6A 12 11 01 00 00 04 6A F7",  // 11 01 00 00: next patch
                             "F0 41 10 10 12 11 00 00 00 05 6A F7",  // another model
                             "F0 42 30 2B 4C 00 11 22 F7",  // Korg all programs
                             "F0 7E 00 01 01 00 10 F7",  // SDS header, sample 1
                             "F0 7E 00 02 00 01 02 F7",  // its packet
                             "F0 7E 00 01 02 00 10 F7",  // sample 2
                             "F0 7E 00 02 00 07 07 F7"}) {
        const auto m = Hex(text);
        held.insert(held.end(), m.begin(), m.end());
    }
    data.Add(held);
    ASSERT_EQ(data.GetMessageCount(), 9u);

    std::vector<SynthMessage> answer;
    // Addresses and sizes count 7-bit units: 00 00 20 00 (4,096) from 11 00 00 00
    // covers 11 00 10 00 but not 11 01 00 00, nor the other model's message.
    ASSERT_TRUE(data.Answer(Hex("F0 41 10 6A 11 11 00 00 00 00 00 20 00 4F F7"), answer));
    ASSERT_EQ(answer.size(), 2u);
    EXPECT_EQ(answer[1], Hex("F0 41 10 6A 12 11 00 10 00 03 5C F7"));
    ASSERT_TRUE(data.Answer(Hex("F0 41 10 6A 11 11 00 00 00 01 00 00 00 6E F7"), answer));
    EXPECT_EQ(answer.size(), 3u);

    ASSERT_TRUE(data.Answer(Hex("F0 42 30 2B 1C 00 F7"), answer));
    ASSERT_EQ(answer.size(), 1u);
    EXPECT_EQ(answer[0], Hex("F0 42 30 2B 4C 00 11 22 F7"));

    ASSERT_TRUE(data.Answer(Hex("F0 7E 00 03 02 00 F7"), answer));
    ASSERT_EQ(answer.size(), 2u);
    EXPECT_EQ(answer[0], Hex("F0 7E 00 01 02 00 10 F7"));
    EXPECT_EQ(answer[1], Hex("F0 7E 00 02 00 07 07 F7"));

    // Data, sync and cut-off messages are no requests.
    EXPECT_FALSE(data.Answer(Hex("F0 41 10 6A 12 11 00 00 00 01 02 6C F7"), answer));
    EXPECT_FALSE(data.Answer(Hex("F0 7D 00 F7"), answer));
    EXPECT_FALSE(data.Answer(Hex("F0 42 30 2B 1C 00"), answer));
    EXPECT_TRUE(IsSyncMessage(Hex("F0 7D 03 F7")));
}

TEST(SynthSimGate, AnswersARequestOnceAndDropsWhatComesWhileBusy) {
    const auto a = Hex("F0 42 30 2B 1C 00 F7");
    const auto b = Hex("F0 7E 00 03 00 00 F7");

    CSynthSimGate unit(false);
    EXPECT_TRUE(unit.Accept(a));
    EXPECT_TRUE(unit.Busy());
    EXPECT_FALSE(unit.Accept(a));  // a repeated request while answering
    EXPECT_FALSE(unit.Accept(b));
    unit.Done();
    EXPECT_FALSE(unit.Busy());
    EXPECT_TRUE(unit.Accept(b));  // after the answer, the next one is welcome

    CSynthSimGate queued(true);
    EXPECT_TRUE(queued.Accept(a));
    EXPECT_TRUE(queued.Accept(b));
    EXPECT_FALSE(queued.Accept(a));  // already pending: no second answer
    EXPECT_FALSE(queued.Accept(b));
    queued.Done();
    EXPECT_TRUE(queued.Accept(a));  // a's answer went out: asking again is new
    EXPECT_FALSE(queued.Accept(b));
    queued.Done();
    queued.Done();
    EXPECT_FALSE(queued.Busy());
}

}  // namespace
