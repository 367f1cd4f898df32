#include "PatchMove.h"

#include <memory>
#include <stdexcept>
#include <vector>

#include "Layer.h"
#include "Patch.h"

namespace PatchMove {
namespace {

// A wrong order would drop one patch and duplicate another, references with them.
void CheckPermutation(const CLayer& layer, std::span<const std::uint32_t> order) {
    const std::size_t count = static_cast<std::size_t>(layer.GetPatchCount());
    if (order.size() != count)
        throw std::invalid_argument("a move order of " + std::to_string(order.size()) + " places for a layer of " +
                                    std::to_string(count) + " patches");
    std::vector<bool> seen(count, false);
    for (const std::uint32_t old : order) {
        if (old >= count || seen[old]) throw std::invalid_argument("the move order names a patch twice or none");
        seen[old] = true;
    }
}

// Everything is cloned before anything is replaced: SetPatch replaces what
// later places still read. Patch from(i) goes to place to(i).
template <typename From, typename To>
void Move(CLayer& layer, std::span<const std::uint32_t> order, bool undo, From from, To to) {
    CheckPermutation(layer, order);
    std::vector<std::unique_ptr<CPatch>> clones;
    clones.reserve(order.size());
    for (std::size_t i = 0; i < order.size(); ++i) clones.push_back(layer.GetPatch(from(i))->Clone());
    layer.AdaptParentLayers(order, undo);
    for (std::size_t i = 0; i < order.size(); ++i) layer.SetPatch(to(i), *clones[i]);
}

}  // namespace

void Apply(CLayer& layer, std::span<const std::uint32_t> order) {
    Move(
        layer, order, false, [&](std::size_t i) { return static_cast<int>(order[i]); },
        [](std::size_t i) { return static_cast<int>(i); });
}

void Revert(CLayer& layer, std::span<const std::uint32_t> order) {
    Move(
        layer, order, true, [](std::size_t i) { return static_cast<int>(i); },
        [&](std::size_t i) { return static_cast<int>(order[i]); });
}

}  // namespace PatchMove
