#include "MoveOrder.h"

#include <algorithm>
#include <stdexcept>
#include <string>

namespace MoveOrder {

int ClampTarget(int patchCount, int blockSize, int position) {
    if (position < 0) position = 0;
    if (position + blockSize <= patchCount) return position;
    return std::max(patchCount - blockSize, 0);
}

std::vector<std::uint32_t> Build(int patchCount, std::span<const int> selected, int target) {
    if (patchCount < 0) throw std::invalid_argument("negative patch count");
    std::vector<bool> isSelected(static_cast<std::size_t>(patchCount), false);
    int blockSize = 0;
    for (const int index : selected) {
        if (index < 0 || index >= patchCount)
            throw std::invalid_argument("patch " + std::to_string(index) + " is not in a layer of " +
                                        std::to_string(patchCount) + " patches");
        if (!isSelected[static_cast<std::size_t>(index)]) ++blockSize;
        isSelected[static_cast<std::size_t>(index)] = true;
    }
    if (blockSize == 0) throw std::invalid_argument("no patches to move");
    const int first = ClampTarget(patchCount, blockSize, target);

    std::vector<std::uint32_t> block;
    std::vector<std::uint32_t> rest;
    for (int i = 0; i < patchCount; ++i)
        (isSelected[static_cast<std::size_t>(i)] ? block : rest).push_back(static_cast<std::uint32_t>(i));

    std::vector<std::uint32_t> order;
    order.reserve(static_cast<std::size_t>(patchCount));
    order.insert(order.end(), rest.begin(), rest.begin() + first);
    order.insert(order.end(), block.begin(), block.end());
    order.insert(order.end(), rest.begin() + first, rest.end());
    return order;
}

bool IsIdentity(std::span<const std::uint32_t> order) {
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] != i) return false;
    return true;
}

}  // namespace MoveOrder
