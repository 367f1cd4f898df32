#pragma once

// Moving patches inside one layer, the one way a drop in the bank view and the
// command line's move do it: the patches take their new places and every
// reference a parent layer holds to them follows.

#include <cstdint>
#include <span>

class CLayer;

namespace PatchMove {

// order: for every new position, the old index (MoveOrder::Build makes it); a
// permutation of the layer's patches. Throws std::invalid_argument, changing
// nothing, when it is not one.
void Apply(CLayer& layer, std::span<const std::uint32_t> order);
// Puts back what Apply with the same order did.
void Revert(CLayer& layer, std::span<const std::uint32_t> order);

}  // namespace PatchMove
