#include "ItemPayload.h"

#include <tonalith/File.h>

#include "FormArchive.h"

namespace {
void WriteRect(CArchive& ar, const CRect& r) { ar << r.left << r.top << r.right << r.bottom; }
}  // namespace

std::vector<std::uint8_t> EncodeItemPayload(const CControllerDocument& document, const std::vector<int>& selection,
                                            int dragX, int dragY) {
    std::vector<int> order;
    if (!selection.empty()) {
        order.push_back(selection.back());
        order.insert(order.end(), selection.begin(), selection.end() - 1);
    }
    CMemFile file;
    CArchive ar(file, CArchive::store);
    CFormArchive far(ar);
    ar << static_cast<std::int32_t>(dragX) << static_cast<std::int32_t>(dragY);
    ar << static_cast<std::int32_t>(order.size());
    for (int position : order) WriteRect(ar, document.GetItem(position).GetRect());
    for (int position : order) {
        // Serialize is not const: store a copy so the form is never touched.
        auto copy = document.GetItem(position).Clone();
        copy->Serialize(far, 0);
    }
    return file.Detach();
}

CItemPayload DecodeItemPayload(const std::vector<std::uint8_t>& bytes, int outputCount) {
    CMemFile file(bytes, "Tonalith Controller Item");
    CArchive ar(file, CArchive::load);
    CFormArchive far(ar);
    CItemPayload payload;
    std::int32_t count = 0;
    ar >> payload.dragX >> payload.dragY >> count;
    if (count < 0) far.Fail("negative item count");
    ar.CheckRemaining(static_cast<std::uint64_t>(count) * 16);
    for (std::int32_t i = 0; i < count; ++i) {  // the rectangles again precede the items
        std::int32_t rect[4];
        ar >> rect[0] >> rect[1] >> rect[2] >> rect[3];
    }
    for (std::int32_t i = 0; i < count; ++i) {
        auto item = std::make_unique<CContainerItem>();
        item->Serialize(far, outputCount);
        payload.items.push_back(std::move(item));
    }
    return payload;
}
