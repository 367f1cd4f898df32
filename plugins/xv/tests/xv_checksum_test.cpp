// Wrong checksums in an XV dump: the data is kept, each one is a load problem.
#include <gtest/gtest.h>

#include "TestSupport.h"
#include "XVMessages.h"
#include "XVTestHelpers.h"

using namespace xv;
using namespace xvtest;

TEST(XVChecksum, EachWrongChecksumIsOneLoadProblemAndTheDataIsKept) {
    CXVSynthMemory source;
    for (int i = 0; i < 2; ++i) Scribble(source.GetPatchLayer().GetRecord(i), i + 1);
    auto bank = SaveLayer(source.GetPatchLayer());

    CXVSynthMemory clean;
    LoadInto(clean, bank);
    EXPECT_TRUE(clean.GetLoadProblems().empty());
    EXPECT_TRUE(clean.GetLoadIssues().empty());

    // The checksum of patch 1's first message and of patch 2's fourth.
    std::vector<std::size_t> starts, secondPatch;
    for (std::size_t i = 0; i < bank.size(); ++i)
        if (bank[i] == 0xF0) {
            starts.push_back(i);
            if (bank[i + kNumber] == 1) secondPatch.push_back(i);
        }
    ASSERT_GE(secondPatch.size(), 4u);
    const std::size_t second = secondPatch[3];
    for (const std::size_t at : {starts[0], second}) {
        std::size_t end = at;
        while (bank[end] != 0xF7) ++end;
        bank[end - 1] ^= 0x01;
    }
    CXVSynthMemory loaded;
    LoadInto(loaded, bank);
    ASSERT_EQ(loaded.GetLoadIssues().size(), 2u);
    EXPECT_EQ(loaded.GetLoadProblems().size(), 2u);
    EXPECT_EQ(loaded.GetLoadIssues()[0].offset, starts[0]);
    EXPECT_EQ(loaded.GetLoadIssues()[1].offset, second);
    EXPECT_EQ(loaded.GetLoadIssues()[1].kind, "checksum");
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(loaded.GetPatchLayer().GetPatch(i)->IsEqual(*source.GetPatchLayer().GetPatch(i))) << i;
}

TEST(XVChecksum, BadChecksumsFindsTheMessagesThatDoNotAddUp) {
    std::vector<std::uint8_t> two = BuildDT1(0x10, {0x30, 0x00, 0x00, 0x00}, std::vector<std::uint8_t>{1, 2, 3});
    const auto other = BuildDT1(0x10, {0x30, 0x01, 0x00, 0x00}, std::vector<std::uint8_t>{4, 5});
    two.insert(two.end(), other.begin(), other.end());
    EXPECT_TRUE(BadChecksums(two, 50).empty());
    two[two.size() - 2] ^= 0x7F;
    EXPECT_EQ(BadChecksums(two, 50), (std::vector<std::uint64_t>{50 + two.size() - other.size()}));
}
