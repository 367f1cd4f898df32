#pragma once

// The "Tonalith Controller Item" payload of copy, paste and drag: the drag point
// relative to the focused item, the item count, every rectangle, then every item
// as the form file stores one (focused item first, the others in selection order).

#include <cstdint>
#include <memory>
#include <vector>

#include "ControllerDocument.h"

struct CItemPayload {
    int dragX = 0;
    int dragY = 0;
    std::vector<std::unique_ptr<CContainerItem>> items;  // focused first
};

// selection: positions with the focused item last (as the design surface keeps them).
std::vector<std::uint8_t> EncodeItemPayload(const CControllerDocument& document, const std::vector<int>& selection,
                                            int dragX = 0, int dragY = 0);
// Throws CFileException for a payload that is cut short or names an unknown type.
CItemPayload DecodeItemPayload(const std::vector<std::uint8_t>& bytes, int outputCount);
