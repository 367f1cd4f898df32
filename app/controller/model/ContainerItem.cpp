#include "ContainerItem.h"

#include <algorithm>

#include <tonalith/Archive.h>

#include "FormArchive.h"

IMPLEMENT_SERIAL(CContainerItem, CObject, 0)

void CControlState::Serialize(CFormArchive& far) {
    CArchive& ar = far.Archive();
    constexpr std::uint16_t kSizeV1 = 2 + 4;  // version, value
    if (!far.IsLoading()) {
        ar << kSizeV1 << kVersion << static_cast<std::int32_t>(m_nValue);
        return;
    }
    std::uint16_t size = 0;
    ar >> size;
    ar.CheckRemaining(size);
    if (size < kSizeV1) far.Fail("contains a damaged control state");
    std::uint16_t version = 0;
    std::int32_t value = 0;
    ar >> version >> value;
    if (version < 1) far.Fail("contains a damaged control state");
    m_nValue = static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
    // Fields of later versions: skipped.
    for (std::uint16_t rest = size - kSizeV1; rest > 0; --rest) {
        std::uint8_t skipped = 0;
        ar >> skipped;
    }
}

CContainerItem::CContainerItem(const CRect& rect, std::unique_ptr<CItemData> data)
    : m_rect(rect), m_pData(std::move(data)) {
    if (auto* midi = GetMidiData()) SetValue(midi->m_nValue);
}

std::unique_ptr<CContainerItem> CContainerItem::Clone() const {
    auto copy = std::make_unique<CContainerItem>();
    copy->m_state = m_state;
    copy->m_rect = m_rect;
    copy->m_pData = m_pData ? m_pData->Clone() : nullptr;
    return copy;
}

std::unique_ptr<CItemData> CContainerItem::SetItemData(std::unique_ptr<CItemData> data) {
    std::swap(m_pData, data);
    return data;
}

void CContainerItem::SetValue(int value) {
    m_state.m_nValue = static_cast<std::int16_t>(std::clamp(value, -32768, 32767));
}

bool CContainerItem::IsEqual(const CContainerItem& other) const {
    if (!(m_state == other.m_state) || !(m_rect == other.m_rect)) return false;
    if (!m_pData || !other.m_pData) return !m_pData && !other.m_pData;
    return m_pData->IsEqual(*other.m_pData);
}

void CContainerItem::Serialize(CFormArchive& far, int outputCount) {
    CArchive& ar = far.Archive();
    m_state.Serialize(far);
    if (!far.IsLoading()) {
        if (!m_pData) far.Fail("cannot store a control without data");
        ar << m_rect.left << m_rect.top << m_rect.right << m_rect.bottom;
        const auto id = m_pData->GetClassId().ToBytes();
        ar.Write(id.data(), id.size());
        m_pData->Serialize(ar);
        return;
    }
    ar >> m_rect.left >> m_rect.top >> m_rect.right >> m_rect.bottom;
    std::array<std::uint8_t, 16> idBytes{};
    ar.Read(idBytes.data(), idBytes.size());
    const GUID id = GUID::FromBytes(idBytes);
    // The item data has no length in the file, so an unknown type cannot be
    // skipped: the whole form fails rather than opening with a broken item.
    m_pData = CItemTypeRegistry::Get().CreateItemData(id);
    if (!m_pData) far.Fail("contains a control of unknown type " + id.ToString());
    m_pData->Serialize(ar);
    if (auto* midi = GetMidiData(); midi && (midi->m_nPort < 0 || midi->m_nPort >= outputCount)) midi->m_nPort = 0;
}
