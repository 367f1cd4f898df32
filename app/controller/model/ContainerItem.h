#pragma once

#include <cstdint>
#include <memory>

#include <tonalith/RuntimeClass.h>

#include "ItemData.h"

class CFormArchive;

struct CRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    friend bool operator==(const CRect&, const CRect&) = default;
};

// The embedded control's own persistent state: its current value. Stored as a
// WORD byte count, a WORD version and the fields of that version, so a later
// version can add fields and this one skips what it does not know.
struct CControlState {
    static constexpr std::uint16_t kVersion = 1;
    std::int16_t m_nValue = 0;

    void Serialize(CFormArchive& ar);
    friend bool operator==(const CControlState&, const CControlState&) = default;
};

// One control of a form: its control state, rectangle and item data. The item
// data's class identifier names the item's type.
class CContainerItem : public CObject {
    DECLARE_DYNCREATE(CContainerItem)
public:
    CContainerItem() = default;
    CContainerItem(const CRect& rect, std::unique_ptr<CItemData> data);
    std::unique_ptr<CContainerItem> Clone() const;

    // Reads or writes the item's data after its object tag. outputCount is the
    // number of MIDI outputs present: a loaded Port outside them becomes 0.
    void Serialize(CFormArchive& ar, int outputCount);

    const CRect& GetRect() const { return m_rect; }
    void SetRect(const CRect& rect) { m_rect = rect; }
    CItemData* GetItemData() const { return m_pData.get(); }
    CMidiItemData* GetMidiData() const { return dynamic_cast<CMidiItemData*>(m_pData.get()); }
    // Replaces the item data and returns the old one.
    std::unique_ptr<CItemData> SetItemData(std::unique_ptr<CItemData> data);
    GUID GetClassId() const { return m_pData ? m_pData->GetClassId() : GUID{}; }
    std::string GetTypeName() const { return m_pData ? m_pData->GetTypeName() : std::string(); }

    // The control's current value (16-bit, as the controls hold it).
    int GetValue() const { return m_state.m_nValue; }
    void SetValue(int value);

    bool IsEqual(const CContainerItem& other) const;

private:
    CControlState m_state;
    CRect m_rect;
    std::unique_ptr<CItemData> m_pData;
};
