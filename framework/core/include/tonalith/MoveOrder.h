#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Where the patches of a layer go when a block of them is moved, shared by the
// bank view's drop and the command line.
namespace MoveOrder {

// The first position of a block of blockSize patches dropped at position in a
// layer of patchCount: the position itself when the block fits from there,
// else as far towards the end as it fits (never below 0).
int ClampTarget(int patchCount, int blockSize, int position);

// The order list of a move: for every new position, the old index. The selected
// patches (any order, duplicates ignored) go, in index order, to target,
// target + 1, ...; the others keep their relative order and fill the remaining
// positions from 0 upwards. target is clamped with ClampTarget. Throws
// std::invalid_argument for a selected index outside the layer, an empty
// selection or a negative patch count.
std::vector<std::uint32_t> Build(int patchCount, std::span<const int> selected, int target);

// True when the order list changes nothing.
bool IsIdentity(std::span<const std::uint32_t> order);

}  // namespace MoveOrder
