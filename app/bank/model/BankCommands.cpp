#include "BankCommands.h"

#include "Layer.h"
#include "LayerSelection.h"
#include "PatchMove.h"
#include "SynthMemory.h"

CMovePatchesCommand::CMovePatchesCommand(IBankView* view, CSynthMemory& memory, int layerIndex,
                                         std::vector<std::uint32_t> order, int first, int moved)
    : m_view(view), m_memory(memory), m_layerIndex(layerIndex), m_order(std::move(order)), m_first(first),
      m_moved(moved) {}

void CMovePatchesCommand::Execute() {
    CLayer& layer = m_memory.GetLayer(m_layerIndex);
    PatchMove::Apply(layer, m_order);
    const int count = static_cast<int>(m_order.size());
    if (!m_view) return;
    CLayerSelection& selection = m_view->GetLayerSelection(m_layerIndex);
    const bool shown = m_view->GetCurrentLayerIndex() == m_layerIndex;
    for (int i = 0; i < count; ++i) {
        if (static_cast<int>(m_order[static_cast<std::size_t>(i)]) != i)
            selection.SetSelected(i, i >= m_first && i < m_first + m_moved);
        if (shown) m_view->RepaintCell(i);  // its patch changed even when its flags did not
    }
    selection.SetFocus(m_first);
    if (shown) m_view->AuditionPatch(selection.GetFocus());
}

void CMovePatchesCommand::Undo() {
    CLayer& layer = m_memory.GetLayer(m_layerIndex);
    PatchMove::Revert(layer, m_order);
    const int count = static_cast<int>(m_order.size());
    if (!m_view) return;
    CLayerSelection& selection = m_view->GetLayerSelection(m_layerIndex);
    const bool shown = m_view->GetCurrentLayerIndex() == m_layerIndex;
    for (int i = 0; i < count; ++i) {
        const int old = static_cast<int>(m_order[static_cast<std::size_t>(i)]);
        if (old != i) selection.SetSelected(old, i >= m_first && i < m_first + m_moved);
        if (shown) m_view->RepaintCell(i);
    }
    if (m_first >= 0 && m_first < count)
        selection.SetFocus(static_cast<int>(m_order[static_cast<std::size_t>(m_first)]));
    if (shown) m_view->AuditionPatch(selection.GetFocus());
}
