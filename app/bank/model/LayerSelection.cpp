#include "LayerSelection.h"

#include <algorithm>

#include "Layer.h"
#include "Patch.h"

CLayerSelection::CLayerSelection(int layerIndex, CLayer& layer, IBankView* view)
    : m_layerIndex(layerIndex), m_layer(layer), m_view(view),
      m_flags(static_cast<std::size_t>(std::max(0, layer.GetPatchCount())), 0) {
    if (!m_flags.empty()) m_flags[0] = kFocus | kSelected;
}

int CLayerSelection::First(std::uint8_t bit) const {
    for (std::size_t i = 0; i < m_flags.size(); ++i)
        if (m_flags[i] & bit) return static_cast<int>(i);
    return -1;
}

bool CLayerSelection::Has(int i, std::uint8_t bit) const {
    return i >= 0 && i < GetPatchCount() && (m_flags[static_cast<std::size_t>(i)] & bit) != 0;
}

int CLayerSelection::GetSelectedCount() const {
    return static_cast<int>(
        std::count_if(m_flags.begin(), m_flags.end(), [](std::uint8_t f) { return f & kSelected; }));
}

std::vector<int> CLayerSelection::GetSelectedIndexes() const {
    std::vector<int> out;
    for (int i = 0; i < GetPatchCount(); ++i)
        if (IsSelected(i)) out.push_back(i);
    return out;
}

void CLayerSelection::Repaint(int i) {
    if (m_view && m_view->GetCurrentLayerIndex() == m_layerIndex) m_view->RepaintCell(i);
}

void CLayerSelection::Change(int i, std::uint8_t bit, bool on) {
    if (i < 0 || i >= GetPatchCount()) return;
    std::uint8_t& f = m_flags[static_cast<std::size_t>(i)];
    const std::uint8_t next = on ? (f | bit) : (f & ~bit);
    if (next == f) return;
    f = next;
    Repaint(i);
}

void CLayerSelection::ClearHighlights() {
    for (int i = 0; i < GetPatchCount(); ++i) SetHighlight(i, false);
}

void CLayerSelection::SetFocus(int i) {
    if (i < 0 || i >= GetPatchCount() || IsFocused(i)) return;
    const int old = GetFocus();
    if (old >= 0) {
        m_flags[static_cast<std::size_t>(old)] &= ~kFocus;
        Repaint(old);
    }
    m_flags[static_cast<std::size_t>(i)] |= kFocus | kSelected;
    Repaint(i);
}

void CLayerSelection::ClearAll() {
    for (int i = 0; i < GetPatchCount(); ++i) {
        if (m_flags[static_cast<std::size_t>(i)] == 0) continue;
        m_flags[static_cast<std::size_t>(i)] = 0;
        Repaint(i);
    }
}

void CLayerSelection::SelectAll() {
    for (int i = 0; i < GetPatchCount(); ++i) SetSelected(i, true);
}

void CLayerSelection::SelectRange(int a, int b) {
    for (int i = std::min(a, b); i <= std::max(a, b); ++i) SetSelected(i, true);
}

std::vector<std::unique_ptr<CPatch>> CLayerSelection::GetSelectedPatches() const {
    std::vector<std::unique_ptr<CPatch>> out;
    for (int i : GetSelectedIndexes())
        if (const CPatch* p = m_layer.GetPatch(i)) out.push_back(p->Clone());
    return out;
}
