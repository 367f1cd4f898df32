#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "MoveOrder.h"

using Order = std::vector<std::uint32_t>;

TEST(MoveOrder, BlockGoesToTargetOthersKeepTheirOrder) {
    EXPECT_EQ(MoveOrder::Build(5, std::vector<int>{0, 1}, 3), (Order{2, 3, 4, 0, 1}));
    EXPECT_EQ(MoveOrder::Build(5, std::vector<int>{3, 4}, 0), (Order{3, 4, 0, 1, 2}));
    // A scattered selection closes up in index order, whatever order it was given in.
    EXPECT_EQ(MoveOrder::Build(6, std::vector<int>{4, 1, 4}, 2), (Order{0, 2, 1, 4, 3, 5}));
    EXPECT_TRUE(MoveOrder::IsIdentity(MoveOrder::Build(4, std::vector<int>{1, 2}, 1)));
}

TEST(MoveOrder, TargetIsClampedSoTheBlockFits) {
    EXPECT_EQ(MoveOrder::Build(5, std::vector<int>{0, 1}, 4), (Order{2, 3, 4, 0, 1}));
    EXPECT_EQ(MoveOrder::Build(5, std::vector<int>{4}, -3), (Order{4, 0, 1, 2, 3}));
    EXPECT_EQ(MoveOrder::ClampTarget(3, 5, 1), 0);
}

TEST(MoveOrder, EveryResultIsAPermutation) {
    for (int target = 0; target < 8; ++target) {
        Order order = MoveOrder::Build(7, std::vector<int>{6, 0, 3}, target);
        std::sort(order.begin(), order.end());
        for (std::uint32_t i = 0; i < order.size(); ++i) EXPECT_EQ(order[i], i);
    }
}

TEST(MoveOrder, RejectsIndicesOutsideTheLayerAndEmptySelections) {
    EXPECT_THROW(MoveOrder::Build(5, std::vector<int>{5}, 0), std::invalid_argument);
    EXPECT_THROW(MoveOrder::Build(5, std::vector<int>{-1}, 0), std::invalid_argument);
    EXPECT_THROW(MoveOrder::Build(5, std::vector<int>{}, 0), std::invalid_argument);
}
